// A user names the capture file, sets 15 frames per second, a 3-second limit
// and audio in Capture Setup, captures a clip, copies it with Save Captured
// Video As and plays it in the playback window. check_system.sh reads the
// copy with ffprobe.

#include "SystemTest.h"

#include <vfw.h>

#include <fstream>
#include <iterator>

namespace {

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class ClipTest : public SystemTest {
protected:
    // Set Capture File, with a name typed without its extension.
    void NameTheCaptureFile(const std::string& path) {
        m_program.Command(command::kSetCaptureFile);
        HWND open = m_program.WaitForDialog("Open");
        ASSERT_NE(open, nullptr) << "no Open dialog";
        // The platform's capture file, C:\CAPTURE.AVI (the dialog may show its folder apart).
        EXPECT_NE(FileDialogName(open).find("CAPTURE.AVI"), std::string::npos)
            << FileDialogName(open);
        FileDialogChoose(open, path.substr(0, path.size() - 4));
        ASSERT_TRUE(WaitUntilGone(open));
    }
    // Capture Setup: 15 fps, a 3-second limit, audio on.
    void SetUpTheCapture() {
        m_program.Command(command::kCaptureSetup);
        HWND setup = m_program.WaitForDialog("Capture Setup");
        ASSERT_NE(setup, nullptr) << "Capture Setup did not open";
        SendDlgItemMessageA(setup, 107, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("15"));
        for (int box : {115 /* time limit */, 102 /* audio */}) {
            if (SendDlgItemMessageA(setup, box, BM_GETCHECK, 0, 0) != BST_CHECKED)
                SendDlgItemMessageA(setup, box, BM_CLICK, 0, 0);
        }
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(setup, 117)));
        SendDlgItemMessageA(setup, 117, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3"));
        EXPECT_NE(WindowText(GetDlgItem(setup, 113)), "") << "no audio format named";
        Screenshot(setup, "capture-setup");
        EndDialogWith(setup, IDOK);
        ASSERT_TRUE(WaitUntilGone(setup, 5000)) << "Capture Setup refused the settings";
    }
    // Capture Video, confirmed; the status texts until the summary.
    std::vector<std::string> CaptureTheClip() {
        std::vector<std::string> texts;
        m_program.Command(command::kCaptureVideo);
        HWND prompt = m_program.WaitForDialog("");
        EXPECT_NE(prompt, nullptr) << "no capture prompt";
        if (prompt == nullptr)
            return texts;
        EXPECT_EQ(WindowText(GetDlgItem(prompt, 0xFFFF)),
                  "Select OK to start capture of video sequence,\npress ESC to stop capture.");
        EndDialogWith(prompt, IDOK);
        HWND status = m_program.StatusBar();
        for (int waited = 0; waited < 30000; waited += 20) {
            const std::string text = WindowText(status);
            if (texts.empty() || texts.back() != text)
                texts.push_back(text);
            if (text.find("fps)") != std::string::npos)
                break;
            if (HWND error = m_program.WaitForDialog("Video Capture", 0)) {
                ADD_FAILURE() << "error during the capture: "
                              << WindowText(GetDlgItem(error, 0xFFFF));
                EndDialogWith(error, IDOK);
            }
            Sleep(20);
        }
        return texts;
    }
};

TEST_F(ClipTest, CapturesCopiesAndPlaysAClipWithTheSettingsOfCaptureSetup) {
    const std::string captureFile = ArtefactFolder() + "capture.AVI";
    DeleteFileA(captureFile.c_str());
    NameTheCaptureFile(captureFile);
    SetUpTheCapture();
    const std::vector<std::string> texts = CaptureTheClip();
    std::string seen;
    bool progress = false;
    for (const std::string& text : texts) {
        seen += "  " + text + "\n";
        progress = progress || (text.rfind("Captured ", 0) == 0 && text.find("fps") == text.npos);
    }
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.back().find("fps)"), std::string::npos) << "no summary; seen:\n" << seen;
    EXPECT_TRUE(progress) << "no progress text; seen:\n" << seen;
    std::printf("status texts:\n%s", seen.c_str());
    Sleep(500);

    // Save Captured Video As: a byte-identical copy, for ffprobe too.
    const std::string copy = ArtefactFolder() + "clip.avi";
    DeleteFileA(copy.c_str());
    m_program.Command(command::kSaveCapturedVideoAs);
    HWND saveAs = m_program.WaitForDialog("Save As");
    ASSERT_NE(saveAs, nullptr) << "no Save As dialog";
    FileDialogChoose(saveAs, copy.substr(0, copy.size() - 4)); // the dialog adds .avi
    ASSERT_TRUE(WaitUntilGone(saveAs));
    Sleep(500);
    const std::string captured = Contents(captureFile);
    EXPECT_GT(captured.size(), 40u * 320 * 240) << "the capture file";
    EXPECT_TRUE(Contents(copy) == captured) << "the copy differs from the capture file";

    // The playback window plays the capture file in place of the live window.
    m_program.Command(command::kPlaybackWindow);
    HWND playback = nullptr;
    for (int waited = 0; waited < 10000 && playback == nullptr; waited += 100) {
        Sleep(100);
        playback = m_program.ViewChild("MCIWndClass");
    }
    ASSERT_NE(playback, nullptr) << "no playback window";
    EXPECT_FALSE(IsWindowVisible(m_program.CaptureWindow()));
    RECT frame{}, window{};
    GetWindowRect(m_program.ChildFrame(), &frame);
    GetWindowRect(playback, &window);
    EXPECT_EQ(frame.right - frame.left, window.right - window.left) << "the frame fits the player";
    const LRESULT length = MCIWndGetLength(playback);
    EXPECT_GE(length, 43) << "the playback window's length in frames";
    MCIWndPlay(playback);
    LRESULT position = 0;
    for (int waited = 0; waited < 5000 && position == 0; waited += 100) {
        Sleep(100);
        position = MCIWndGetPosition(playback);
    }
    EXPECT_GT(position, 0) << "the clip does not play";
    Screenshot(m_program.Main(), "playback-window");

    m_program.Command(command::kPlaybackWindow);
    ASSERT_TRUE(WaitUntilGone(playback)) << "the playback window stayed";
    HWND capture = m_program.CaptureWindow();
    EXPECT_TRUE(IsWindowVisible(capture));
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cx, 320);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cy, 240);
    EXPECT_TRUE(PictureChanges(capture)) << "no live video after playback";
}

} // namespace
