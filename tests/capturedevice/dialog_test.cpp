// The driver's dialogs: the configuration library loaded from the device's
// folder and driven with the sheet modes, or an error when it is missing.

#include "DeviceFixture.h"
#include "FakeSheetLog.h"
#include "support/DialogScript.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kEventName = "?|!BRINDLECOVE!!???";

class DialogTest : public DeviceTest {
protected:
    void InstallFakeLibrary() {
        const std::string target = TestFolder() + "tunerprops.dll";
        ASSERT_TRUE(
            CopyFileA((TestFolder() + "fake_tunerprops.dll").c_str(), target.c_str(), FALSE));
        // Held by the test so that the record outlives the device's use.
        m_library = LoadLibraryA(target.c_str());
        ASSERT_NE(m_library, nullptr);
        auto logOf = reinterpret_cast<FakeSheetLogFn>(
            reinterpret_cast<void*>(GetProcAddress(m_library, "FakeSheetLogOf")));
        ASSERT_NE(logOf, nullptr);
        m_log = logOf();
        *m_log = FakeSheetLog{};
    }
    void TearDown() override {
        DeviceTest::TearDown();
        if (m_library != nullptr) {
            FreeLibrary(m_library);
        }
        DeleteFileA((TestFolder() + "tunerprops.dll").c_str());
    }

    HMODULE m_library = nullptr;
    FakeSheetLog* m_log = nullptr;
};

TEST_F(DialogTest, EachDialogDrivesTheLibraryWithItsSheetMode) {
    InstallFakeLibrary();
    ASSERT_TRUE(Connect(0));
    struct {
        const char* context;
        UINT message;
        int sheetMode;
    } const cases[] = {
        {"video source", WM_CAP_DLG_VIDEOSOURCE, 0},
        {"video format", WM_CAP_DLG_VIDEOFORMAT, 2},
        {"video display", WM_CAP_DLG_VIDEODISPLAY, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        m_log->count = 0;
        EXPECT_TRUE(Send(c.message));
        ASSERT_EQ(m_log->count, 3);
        EXPECT_STREQ(m_log->calls[0].name, "CreateConfigDialog");
        EXPECT_EQ(m_log->calls[0].sheetMode, c.sheetMode);
        EXPECT_EQ(m_log->calls[0].parent, m_capture);
        EXPECT_STREQ(m_log->calls[1].name, "DoConfigDialog");
        EXPECT_STREQ(m_log->calls[2].name, "DestroyConfigDialog");
    }
}

TEST_F(DialogTest, DriverWithoutDialogsCallsNothing) {
    InstallFakeLibrary();
    ASSERT_TRUE(Connect(2));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOSOURCE));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOFORMAT));
    EXPECT_FALSE(Send(WM_CAP_DLG_VIDEODISPLAY));
    EXPECT_EQ(m_log->count, 0);
}

TEST_F(DialogTest, MissingLibraryFailsThroughTheErrorCallback) {
    DeleteFileA((TestFolder() + "tunerprops.dll").c_str());
    ASSERT_TRUE(Connect(0));
    Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError));
    for (UINT message : {WM_CAP_DLG_VIDEOSOURCE, WM_CAP_DLG_VIDEOFORMAT, WM_CAP_DLG_VIDEODISPLAY}) {
        SCOPED_TRACE(message);
        ErrorCalls().clear();
        EXPECT_FALSE(Send(message));
        ASSERT_FALSE(ErrorCalls().empty());
        EXPECT_EQ(ErrorCalls().back().id, IDS_CAP_DRIVER_ERROR);
        ASSERT_TRUE(ErrorCalls().back().text.has_value());
        EXPECT_NE(ErrorCalls().back().text->find("tunerprops.dll"), std::string::npos);
    }
}

// What a Video Format page does on OK: store the codes, signal the driver.
void WINAPI ChooseQuarterSizeRgb15() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Mirovanta\\Brindlecove", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const DWORD size = 25, format = 0;
        RegSetValueExA(key, "ImageSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), 4);
        RegSetValueExA(key, "ImageFormat", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&format), 4);
        RegCloseKey(key);
    }
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, kEventName);
    if (event != nullptr) {
        SetEvent(event);
        CloseHandle(event);
    }
}

TEST_F(DialogTest, SettingsChangedInTheSheetAreInForceWhenItCloses) {
    SettingsKeyGuard key;
    InstallFakeLibrary();
    ASSERT_TRUE(Connect(0));
    m_log->onDoConfigDialog = &ChooseQuarterSizeRgb15;
    ASSERT_TRUE(Send(WM_CAP_DLG_VIDEOFORMAT));
    // The status read right after the dialog (as the program does to fit its
    // frame) already reports the new size.
    CAPSTATUS status{};
    ASSERT_TRUE(Send(WM_CAP_GET_STATUS, sizeof status, &status));
    EXPECT_EQ(status.uiImageWidth, 160u);
    EXPECT_EQ(status.uiImageHeight, 120u);
    EXPECT_EQ(VideoFormat().biBitCount, 16);
}

// What the sheet does as it closes after Cancel: the settings record is
// destroyed and signals the driver once, nothing changed in the key.
void WINAPI SignalOnly() {
    if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, kEventName)) {
        SetEvent(event);
        CloseHandle(event);
    }
}

// The key holds another size and format than the window uses, as after the
// program set its format without the sheet.
void StoreOtherFormatCodes(const SettingsKeyGuard& key) {
    key.WriteDword("ImageSize", 25);
    key.WriteDword("ImageFormat", 0);
}

TEST_F(DialogTest, DialogIsModalForTheProgramAndASignalWithoutChangeKeepsTheFormat) {
    SettingsKeyGuard key;
    StoreOtherFormatCodes(key);
    InstallFakeLibrary();
    ASSERT_TRUE(Connect(0));
    m_log->onDoConfigDialog = &SignalOnly;
    for (UINT message : {WM_CAP_DLG_VIDEOSOURCE, WM_CAP_DLG_VIDEOFORMAT, WM_CAP_DLG_VIDEODISPLAY}) {
        SCOPED_TRACE(message);
        m_log->count = 0;
        ASSERT_TRUE(Send(message));
        ASSERT_EQ(m_log->count, 3);
        EXPECT_FALSE(m_log->calls[1].topLevelEnabled) << "the program's window, while it runs";
        EXPECT_TRUE(IsWindowEnabled(m_parent)) << "enabled again after";
        const BITMAPINFOHEADER format = VideoFormat();
        EXPECT_EQ(format.biWidth, 320);
        EXPECT_EQ(format.biBitCount, 24);
    }
}

// The card's own configuration library, cancelled at once: its sheet is
// modal for the program's window and leaves the picture and format alone.
TEST_F(DialogTest, RealLibraryCancelledChangesNothing) {
    SettingsKeyGuard key;
    StoreOtherFormatCodes(key);
    key.WriteDword("Brightness", 128);
    const std::string target = TestFolder() + "tunerprops.dll";
    ASSERT_TRUE(CopyFileA((TestFolder() + "..\\tunerprops.dll").c_str(), target.c_str(), FALSE));
    ASSERT_TRUE(Connect(0));
    const std::vector<BYTE> before = GrabFrame();
    for (UINT message : {WM_CAP_DLG_VIDEOSOURCE, WM_CAP_DLG_VIDEOFORMAT, WM_CAP_DLG_VIDEODISPLAY}) {
        SCOPED_TRACE(message);
        BOOL frameEnabled = TRUE;
        std::string title;
        ASSERT_TRUE(RunWithDialog([&] { EXPECT_TRUE(Send(message)); },
                                  [&](HWND sheet) {
                                      frameEnabled = IsWindowEnabled(m_parent);
                                      title = WindowText(sheet);
                                      PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                                  }));
        EXPECT_EQ(title, "Video Configuration");
        EXPECT_FALSE(frameEnabled);
        EXPECT_TRUE(IsWindowEnabled(m_parent));
        const BITMAPINFOHEADER format = VideoFormat();
        EXPECT_EQ(format.biWidth, 320);
        EXPECT_EQ(format.biBitCount, 24);
    }
    EXPECT_EQ(GrabFrame().size(), before.size());
    const Rgb bar = PixelAt(VideoFormat(), GrabFrame(), 5 * 320 / 8 + 4, 10);
    EXPECT_EQ(bar.r, 255) << "the red bar keeps its colour";
    EXPECT_EQ(bar.g, 0);
}

} // namespace

namespace {

TEST_F(DeviceTest, VideoCompressionShowsThePlatformChooser) {
    ASSERT_TRUE(Connect(0));
    HWND chooser = nullptr;
    std::string title;
    EXPECT_TRUE(RunWithDialog(
        [&] { EXPECT_FALSE(Send(WM_CAP_DLG_VIDEOCOMPRESSION)) << "cancelled: nothing chosen"; },
        [&](HWND dialog) {
            chooser = dialog;
            title = WindowText(dialog);
            EndDialogWith(dialog, IDCANCEL);
        }))
        << "no modal chooser was shown";
    EXPECT_FALSE(IsWindow(chooser));
    EXPECT_NE(title, "");
}

} // namespace
