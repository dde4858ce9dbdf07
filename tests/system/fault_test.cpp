// The program on a device that fails as broken drivers do (the device's
// SOFTCAP_FAULTS): it comes up, shows what its user should see, and closes
// with exit code 0. check_system.sh reads the clip of the failed allocation.

#include <gtest/gtest.h>

#include "CaptureProgram.h"
#include "Screen.h"
#include "support/DialogScript.h"

namespace {

class FaultTest : public testing::Test {
protected:
    bool Start(const char* faults) {
        SetEnvironmentVariableA("SOFTCAP_FAULTS", faults);
        return m_program.Start();
    }
    void TearDown() override {
        if (m_program.Process().hProcess != nullptr) {
            EXPECT_EQ(m_program.Close(), 0) << "capture.exe's exit code";
        }
        SetEnvironmentVariableA("SOFTCAP_FAULTS", nullptr);
    }
    // The text of the message box the program shows next, which is closed.
    std::string MessageBoxText() {
        HWND box = m_program.WaitForDialog("Video Capture", 10000);
        if (box == nullptr)
            return "(none)";
        const std::string text = WindowText(GetDlgItem(box, 0xFFFF));
        EndDialogWith(box, IDOK);
        WaitUntilGone(box);
        return text;
    }
    CaptureProgram m_program;
};

struct StartCase {
    const char* faults;
    int drivers;        // items in the Options menu
    bool overlay;       // Overlay enabled
    bool captureWindow; // the view has its capture window
    SIZE client;        // the capture frame's client size
};

TEST_F(FaultTest, ComesUpOnEachFaultAsTheDriversAllow) {
    const StartCase cases[] = {
        {"fail", 0, false, true, {0, 0}},
        {"no-window", 2, false, false, {0, 0}},
        {"long-names", 10, true, true, {320, 240}},
        {"size-0", 2, true, true, {0, 0}},
        {"size-1", 2, true, true, {1, 1}},
        {"palette", 2, true, true, {320, 240}},
        {"formats", 2, true, true, {320, 240}},
        {"callbacks", 2, true, true, {320, 240}},
        {"size-huge", 2, true, true, {32767, 32767}},
        {"size-lie", 2, true, true, {320, 240}},
        {"bits-0", 2, true, true, {320, 240}},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.faults);
        ASSERT_TRUE(Start(c.faults)) << "capture.exe did not come up";
        std::vector<MenuItem> options = m_program.ReadMenu(3);
        int drivers = 0;
        for (const MenuItem& item : options) {
            if (item.id >= 200 && item.id <= 209) {
                ++drivers;
                EXPECT_LE(item.text.size(), 79u) << "the name as an 80-byte buffer holds it";
            }
            if (item.id == command::kOverlay) {
                EXPECT_EQ(item.enabled, c.overlay) << "Overlay";
            }
        }
        EXPECT_EQ(drivers, c.drivers);
        EXPECT_EQ(m_program.CaptureWindow() != nullptr, c.captureWindow);
        const SIZE client = ClientSize(m_program.ChildFrame());
        EXPECT_EQ(client.cx, c.client.cx);
        EXPECT_EQ(client.cy, c.client.cy);
        EXPECT_EQ(m_program.Close(), 0) << "capture.exe's exit code";
    }
}

TEST_F(FaultTest, ADriverDialogThatFailsIsReported) {
    ASSERT_TRUE(Start("dialogs"));
    for (UINT id : {command::kVideoSource, command::kVideoDisplay}) {
        m_program.Command(id);
        EXPECT_EQ(MessageBoxText(), "The driver could not open its dialog.");
        Sleep(300);
        EXPECT_TRUE(IsWindowEnabled(m_program.Main())) << "the program takes input again";
    }
}

TEST_F(FaultTest, FrameBuffersRunningOutEndTheCaptureWithAValidFile) {
    ASSERT_TRUE(Start("alloc"));
    m_program.Command(command::kSetCaptureFile);
    HWND open = m_program.WaitForDialog("Open");
    ASSERT_NE(open, nullptr) << "no Open dialog";
    FileDialogChoose(open, ArtefactFolder() + "out-of-memory.avi");
    ASSERT_TRUE(WaitUntilGone(open));
    m_program.Command(command::kCaptureVideo);
    HWND prompt = m_program.WaitForDialog("");
    ASSERT_NE(prompt, nullptr) << "no capture prompt";
    EndDialogWith(prompt, IDOK);
    // 20 frames had buffers; frames dropped late under load are written too.
    // The program's file is closed whole (check_system.sh reads it).
    const std::string text = MessageBoxText();
    EXPECT_EQ(text.rfind("Out of memory for video buffers: the capture stopped after ", 0), 0u)
        << text;
}

} // namespace
