// The Video Format dialog and the driver's dialogs, against the recording
// test double of the capture window, driven by window messages.

#include "CaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/MDIChildWnd.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"

#include <optional>

namespace {

constexpr const char* kSettingsKey = "Software\\Mirovanta\\Brindlecove";
const auto kFormat = WPARAM(sizeof(BITMAPINFOHEADER)); // no colour table
const auto kStatus = WPARAM(sizeof(CAPSTATUS));
const DWORD kYuy2 = mmioFOURCC('Y', 'U', 'Y', '2');

ExpectedMessage Sized(UINT message, WPARAM size) {
    return {message, size, 0, kMatchWParam};
}
ExpectedMessage Value(UINT message, WPARAM value) {
    return {message, value, 0, kMatchWParam};
}
const ExpectedMessage kMaybeStatus{WM_CAP_GET_STATUS, kStatus, 0, kMatchWParam | kOptional};
const ExpectedMessage kFormatSize{WM_CAP_GET_VIDEOFORMAT, 0, 0}; // asked before the format

// The capture messages without those that follow the keyboard focus, which
// a dialog takes and gives back.
std::vector<RecordedMessage> WithoutFocusMessages(const std::vector<RecordedMessage>& all) {
    std::vector<RecordedMessage> kept;
    for (const RecordedMessage& m : all) {
        if (m.message != WM_CAP_SET_PREVIEWRATE && m.message != WM_QUERYNEWPALETTE)
            kept.push_back(m);
    }
    return kept;
}

std::optional<DWORD> ReadSetting(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG read =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (read != ERROR_SUCCESS || type != REG_DWORD || size != 4)
        return std::nullopt;
    return value;
}

void WriteSettings(DWORD imageSize, DWORD imageFormat) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "ImageSize", 0, REG_DWORD, reinterpret_cast<BYTE*>(&imageSize), 4);
    RegSetValueExA(key, "ImageFormat", 0, REG_DWORD, reinterpret_cast<BYTE*>(&imageFormat), 4);
    RegCloseKey(key);
}

bool SettingsKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class FormatDialogTest : public CaptureFixture {
protected:
    FakeCapturePlatform::WindowState& CaptureState() {
        return m_platform->m_windows[ActiveView()->Session().Window()];
    }
    void SetDriverFormat(LONG width, LONG height, WORD bits, DWORD compression) {
        BITMAPINFOHEADER& format = CaptureState().format;
        format.biWidth = width;
        format.biHeight = height;
        format.biBitCount = bits;
        format.biCompression = compression;
    }
    // Runs Video Format from the menu; the script sees the dialog.
    bool VideoFormat(const std::function<void(HWND)>& script) {
        return RunWithDialog([&] { MainFrame().SendMessage(WM_COMMAND, ID_OPTIONS_VIDEOFORMAT); },
                             script);
    }
    SIZE FrameClient() {
        const RECT client = ActiveChild()->GetClientRect();
        return {client.right, client.bottom};
    }
};

TEST_F(FormatDialogTest, OpensOnTheDriversSizeAndFormat) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        LONG width, height;
        WORD bits;
        DWORD compression;
        const char* size;
        const char* format;
    } const cases[] = {
        {"160x120 at 16 bits", 160, 120, 16, BI_RGB, "160x120", "15 bit RGB"},
        {"320x240 at 16 bits", 320, 240, 16, BI_RGB, "320x240", "15 bit RGB"},
        {"640x480 at 24 bits", 640, 480, 24, BI_RGB, "640x480", "24 bit RGB"},
        {"another width shows as the middle size", 352, 288, 24, BI_RGB, "320x240", "24 bit RGB"},
        {"YUV shows as 15 bit", 640, 480, 16, kYuy2, "640x480", "15 bit RGB"},
        {"32 bits show as 15 bit", 320, 240, 32, BI_RGB, "320x240", "15 bit RGB"},
        {"8 bits show as 15 bit", 160, 120, 8, BI_RGB, "160x120", "15 bit RGB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        SetDriverFormat(c.width, c.height, c.bits, c.compression);
        std::string caption, sizes, formats, size, format, afterFull;
        BOOL dialogOpen = FALSE;
        size_t sentByFull = 99;
        EXPECT_TRUE(VideoFormat([&](HWND dialog) {
            caption = CWnd::FromHandle(dialog)->GetWindowText();
            sizes = ListEntries(dialog, IDC_IMAGESIZE);
            formats = ListEntries(dialog, IDC_IMAGEFORMAT);
            size = SelectedText(dialog, IDC_IMAGESIZE);
            format = SelectedText(dialog, IDC_IMAGEFORMAT);
            dialogOpen = ActiveView()->Session().IsDialogOpen();
            m_platform->m_recorder.Clear();
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SIZE_FULL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_SIZE_FULL)));
            sentByFull = WithoutFocusMessages(Recorded()).size();
            afterFull = SelectedText(dialog, IDC_IMAGESIZE);
            EndDialogWith(dialog, IDCANCEL);
        }));
        EXPECT_EQ(caption, "Video Format");
        EXPECT_EQ(sizes, "160x120|320x240|640x480");
        EXPECT_EQ(formats, "24 bit RGB|15 bit RGB");
        EXPECT_EQ(size, c.size);
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(afterFull, "640x480");
        EXPECT_EQ(sentByFull, 0u) << "Full only selects";
        EXPECT_TRUE(dialogOpen);
        EXPECT_FALSE(ActiveView()->Session().IsDialogOpen());
        EXPECT_TRUE(m_platform->m_formatsSet.empty());
    }
}

TEST_F(FormatDialogTest, OkAppliesTheChoiceKeepsTheDisplayModeAndRecordsIt) {
    Start({{0, "Overlay card", true, 320, 240},
           {1, "Preview card", false, 320, 240},
           {2, "YUV card", false, 320, 240, FALSE, TRUE, 16, kYuy2}});
    enum Mode { kOverlay, kPreview, kNeither };
    struct Case {
        const char* context;
        int driver;
        Mode mode;
        int sizeButton; // 0 leaves the list as opened
        int formatIndex;
        LONG width, height;
        WORD bits;
        DWORD sizeImage, imageSize, imageFormat;
    } const cases[] = {
        {"640x480 24-bit with overlay on", 0, kOverlay, IDC_SIZE_FULL, 0, 640, 480, 24, 921600, 100,
         1},
        {"160x120 15-bit with preview on", 1, kPreview, IDC_SIZE_QUARTER, 1, 160, 120, 16, 38400,
         25, 0},
        {"YUV switched to RGB by OK alone, both modes off", 2, kNeither, 0, -1, 320, 240, 16,
         153600, 50, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        WriteSettings(7, 7);
        CVidrakeView* view = ActiveView();
        view->SelectDriver(c.driver);
        if (c.mode == kOverlay)
            SendMessageA(view->Session().Window(), WM_CAP_SET_OVERLAY, 1, 0);
        if (c.mode == kPreview)
            SendMessageA(view->Session().Window(), WM_CAP_SET_PREVIEW, 1, 0);
        m_platform->m_recorder.Clear();
        m_platform->m_formatsSet.clear();
        EXPECT_TRUE(VideoFormat([&](HWND dialog) {
            if (c.sizeButton != 0)
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.sizeButton, BN_CLICKED), 0);
            if (c.formatIndex >= 0)
                SendDlgItemMessageA(dialog, IDC_IMAGEFORMAT, CB_SETCURSEL, WPARAM(c.formatIndex),
                                    0);
            EndDialogWith(dialog, IDOK);
        }));

        std::vector<ExpectedMessage> expected{
            kFormatSize,
            Sized(WM_CAP_GET_VIDEOFORMAT, kFormat), // opening
            kFormatSize,
            Sized(WM_CAP_GET_VIDEOFORMAT, kFormat), // OK
            Sized(WM_CAP_GET_STATUS, kStatus),
            Value(WM_CAP_SET_OVERLAY, 0),
            Value(WM_CAP_SET_PREVIEW, 0),
            Sized(WM_CAP_SET_VIDEOFORMAT, kFormat),
            Value(WM_CAP_SET_PREVIEW, 1),
            Value(WM_CAP_SET_PREVIEW, 0),
            {WM_CAP_GRAB_FRAME_NOSTOP},
        };
        if (c.mode == kOverlay)
            expected.push_back(Value(WM_CAP_SET_OVERLAY, 1));
        if (c.mode == kPreview)
            expected.push_back(Value(WM_CAP_SET_PREVIEW, 1));
        expected.insert(expected.end(), {Sized(WM_CAP_GET_STATUS, kStatus), kMaybeStatus});
        EXPECT_TRUE(MatchSequence(WithoutFocusMessages(Recorded()), expected, c.context));

        ASSERT_EQ(m_platform->m_formatsSet.size(), 1u);
        const BITMAPINFOHEADER& sent = m_platform->m_formatsSet[0];
        EXPECT_EQ(sent.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(sent.biPlanes, 1);
        EXPECT_EQ(sent.biWidth, c.width);
        EXPECT_EQ(sent.biHeight, c.height);
        EXPECT_EQ(sent.biBitCount, c.bits);
        EXPECT_EQ(sent.biCompression, DWORD(BI_RGB));
        EXPECT_EQ(sent.biSizeImage, c.sizeImage);
        EXPECT_EQ(ReadSetting("ImageSize"), c.imageSize);
        EXPECT_EQ(ReadSetting("ImageFormat"), c.imageFormat);

        EXPECT_EQ(CaptureState().overlay, c.mode == kOverlay);
        EXPECT_EQ(CaptureState().preview, c.mode == kPreview);
        EXPECT_EQ(FrameClient().cx, c.width);
        EXPECT_EQ(FrameClient().cy, c.height);
    }
}

TEST_F(FormatDialogTest, CancelSendsAndWritesNothingButRefitsTheFrame) {
    Start({{0, "Card", true, 320, 240}});
    WriteSettings(7, 7);
    ActiveChild()->SetWindowPos(nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER);
    m_platform->m_recorder.Clear();
    EXPECT_TRUE(VideoFormat([](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SIZE_QUARTER, BN_CLICKED), 0);
        EndDialogWith(dialog, IDCANCEL);
    }));
    EXPECT_TRUE(MatchSequence(WithoutFocusMessages(Recorded()),
                              {kFormatSize, Sized(WM_CAP_GET_VIDEOFORMAT, kFormat),
                               Sized(WM_CAP_GET_STATUS, kStatus), kMaybeStatus},
                              "cancel"));
    EXPECT_EQ(ReadSetting("ImageSize"), 7u);
    EXPECT_EQ(ReadSetting("ImageFormat"), 7u);
    EXPECT_EQ(FrameClient().cx, 320);
    EXPECT_EQ(FrameClient().cy, 240);
}

TEST_F(FormatDialogTest, WithoutTheSettingsKeyNothingIsWrittenNorCreated) {
    Start({{0, "Card"}});
    WriteSettings(7, 7);
    ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
    EXPECT_TRUE(VideoFormat([](HWND dialog) { EndDialogWith(dialog, IDOK); }));
    EXPECT_EQ(m_platform->m_formatsSet.size(), 1u) << "the format is applied all the same";
    EXPECT_FALSE(SettingsKeyExists());
}

// The capture window created last may be gone: the one of a view that closed.
TEST_F(FormatDialogTest, TheDialogActsOnTheCaptureWindowOfItsView) {
    Start({{0, "Card", true, 320, 240}});
    CVidrakeView* first = ActiveView();
    theTestApp.GetDocManager()->OnFileNew();
    PumpMessages();
    ASSERT_NE(ActiveView(), first);
    ActiveChild()->SendMessage(WM_CLOSE);
    PumpMessages();
    ASSERT_EQ(ActiveView(), first);
    ASSERT_FALSE(IsWindow(m_platform->m_creations.back().created));

    m_platform->m_recorder.Clear();
    EXPECT_TRUE(VideoFormat([](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_SIZE_FULL, BN_CLICKED), 0);
        EndDialogWith(dialog, IDOK);
    }));
    ASSERT_EQ(m_platform->m_formatsSet.size(), 1u);
    for (const RecordedMessage& m : Recorded())
        EXPECT_EQ(m.hWnd, first->Session().Window()) << MessageName(m.message);
    EXPECT_EQ(FrameClient().cx, 640);
}

TEST_F(FormatDialogTest, DriverDialogsMarkTheDialogOpenAndSourceRefits) {
    Start({{0, "Card", true, 320, 240}});
    // A main window smaller than the image: the frame stays in reach.
    MainFrame().SetWindowPos(nullptr, 0, 0, 400, 300, SWP_NOMOVE | SWP_NOZORDER);
    struct Case {
        const char* context;
        UINT command;
        UINT message;
        bool refits;
    } const cases[] = {
        {"video display: no refit", ID_OPTIONS_VIDEODISPLAY, WM_CAP_DLG_VIDEODISPLAY, false},
        {"video source: the driver's new size", ID_OPTIONS_VIDEOSOURCE, WM_CAP_DLG_VIDEOSOURCE,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        BOOL openDuringDialog = FALSE;
        m_platform->m_onDriverDialog = [&](UINT) {
            openDuringDialog = ActiveView()->Session().IsDialogOpen();
            SetDriverFormat(640, 480, 24, BI_RGB); // the driver's dialog changed the size
        };
        m_platform->m_recorder.Clear();
        MainFrame().SendMessage(WM_COMMAND, c.command);
        std::vector<ExpectedMessage> expected{{c.message}};
        if (c.refits)
            expected.insert(expected.end(), {Sized(WM_CAP_GET_STATUS, kStatus), kMaybeStatus});
        EXPECT_TRUE(MatchSequence(WithoutFocusMessages(Recorded()), expected, c.context));
        EXPECT_TRUE(openDuringDialog);
        EXPECT_FALSE(ActiveView()->Session().IsDialogOpen());
    }
    EXPECT_EQ(FrameClient().cx, 640);
    RECT frame = ActiveChild()->GetWindowRect();
    MapWindowPoints(nullptr, MainFrame().m_hWndMDIClient, reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
}

TEST_F(FormatDialogTest, AFailedDriverSwitchKeepsTheFrameThroughARepaint) {
    Start({{0, "Card", true, 320, 240}});
    ActiveView()->SelectDriver(5);
    RedrawWindow(ActiveView()->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(FrameClient().cx, 320);
    EXPECT_EQ(FrameClient().cy, 240);
}

} // namespace
