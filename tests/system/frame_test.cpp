// Single frames as a user takes them: saved as bitmap files (check_system.sh
// reads them with ImageMagick), copied to the clipboard with Ctrl+C, at
// 320x240 and at 640x480 chosen in the Video Format dialog.

#include "SystemTest.h"

namespace {

// The clipboard's device-independent bitmap header; biSize 0 when there is none.
BITMAPINFOHEADER ClipboardBitmap() {
    BITMAPINFOHEADER header{};
    if (!OpenClipboard(nullptr))
        return header;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
        if (const void* locked = GlobalLock(data)) {
            if (GlobalSize(data) >= sizeof header)
                header = *static_cast<const BITMAPINFOHEADER*>(locked);
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return header;
}

void EmptyTheClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// Ctrl+C typed on the keyboard, with the program's main window in front.
void TypeCtrlC(HWND hMain) {
    SetForegroundWindow(hMain);
    Sleep(200);
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_CONTROL, 'C', 'C', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i];
        keys[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(4, keys, sizeof(INPUT));
}

class FrameTest : public SystemTest {
protected:
    // Save Single Frame, named without an extension.
    void SaveFrame(const std::string& name) {
        const std::string path = ArtefactFolder() + name;
        DeleteFileA((path + ".bmp").c_str());
        m_program.Command(command::kSaveSingleFrame);
        HWND saveAs = m_program.WaitForDialog("Save As");
        ASSERT_NE(saveAs, nullptr) << "no Save As dialog";
        FileDialogChoose(saveAs, path);
        ASSERT_TRUE(WaitUntilGone(saveAs));
        for (int waited = 0; waited < 3000; waited += 100) {
            if (GetFileAttributesA((path + ".bmp").c_str()) != INVALID_FILE_ATTRIBUTES)
                return;
            Sleep(100);
        }
        ADD_FAILURE() << "no " << path << ".bmp";
    }
    // Copy, by its accelerator: the clipboard's bitmap.
    BITMAPINFOHEADER CopyFrame() {
        EmptyTheClipboard();
        TypeCtrlC(m_program.Main());
        BITMAPINFOHEADER header{};
        for (int waited = 0; waited < 3000 && header.biSize == 0; waited += 100) {
            Sleep(100);
            header = ClipboardBitmap();
        }
        return header;
    }
    // The Video Format dialog, with a size button and a pixel format chosen.
    void ChooseFormat(int sizeButton, int formatIndex, const char* screenshot) {
        m_program.Command(command::kVideoFormat);
        HWND dialog = m_program.WaitForDialog("Video Format");
        ASSERT_NE(dialog, nullptr) << "the Video Format dialog did not open";
        if (screenshot != nullptr)
            Screenshot(dialog, screenshot);
        SendDlgItemMessageA(dialog, sizeButton, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog, 118, CB_SETCURSEL, WPARAM(formatIndex), 0);
        EndDialogWith(dialog, IDOK);
        ASSERT_TRUE(WaitUntilGone(dialog));
        Sleep(500);
    }
};

TEST_F(FrameTest, SavesAndCopiesFramesAtEachSize) {
    HWND capture = m_program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    SaveFrame("frame-320x240");
    BITMAPINFOHEADER copied = CopyFrame();
    EXPECT_EQ(copied.biWidth, 320) << "Ctrl+C put no frame on the clipboard";
    EXPECT_EQ(copied.biHeight, 240);

    // Full size, 24-bit: the live window, the frame and the copies follow.
    ChooseFormat(122 /* Full */, 0 /* 24 bit RGB */, "video-format");
    EXPECT_EQ(ClientSize(capture).cx, 640);
    EXPECT_EQ(ClientSize(capture).cy, 480);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cx, 640);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cy, 480);
    EXPECT_TRUE(PictureChanges(capture)) << "no live video at 640x480";
    // The colour bars run across the whole width.
    EXPECT_GT(ScreenBrightness(capture, 40, 100), 400) << "the white bar at the left";
    EXPECT_LT(ScreenBrightness(capture, 600, 100), 60) << "the black bar at the right";
    SaveFrame("frame-640x480");
    copied = CopyFrame();
    EXPECT_EQ(copied.biWidth, 640);
    EXPECT_EQ(copied.biHeight, 480);
    EXPECT_EQ(copied.biBitCount, 24);
    Screenshot(m_program.Main(), "main-window-640x480");

    // And back.
    ChooseFormat(121 /* 1/2 */, 1 /* 15 bit RGB */, nullptr);
    EXPECT_EQ(ClientSize(capture).cx, 320);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cy, 240);
    EXPECT_TRUE(PictureChanges(capture)) << "no live video back at 320x240";
    copied = CopyFrame();
    EXPECT_EQ(copied.biWidth, 320);
    EXPECT_EQ(copied.biBitCount, 16);
}

// An 8-bit card with a colour table (the device's palette driver refuses a
// format whose table is cut short): the Video Format dialog sends the table
// back with the header, and the card takes the new size.
TEST_F(FrameTest, AnEightBitCardTakesTheVideoFormatWithItsColourTable) {
    ASSERT_EQ(m_program.Close(), 0);
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", "0:palette");
    const bool started = m_program.Start();
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", nullptr);
    ASSERT_TRUE(started);
    EXPECT_GT(ScreenBrightness(m_program.CaptureWindow(), 20, 60), 400) << "the white bar";
    ChooseFormat(122 /* Full */, 0 /* 24 bit RGB */, nullptr);
    EXPECT_EQ(ClientSize(m_program.CaptureWindow()).cx, 640);
}

} // namespace
