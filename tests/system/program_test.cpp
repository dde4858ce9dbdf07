// The program as it starts, its capture windows opened and closed in turn,
// and the end of the Windows session refused while a dialog is open.

#include "SystemTest.h"

#include <future>
#include <optional>

namespace {

std::vector<std::pair<UINT, std::string>> Drivers(const std::vector<MenuItem>& options) {
    std::vector<std::pair<UINT, std::string>> drivers;
    for (const MenuItem& item : options) {
        if (item.id >= 200 && item.id <= 209)
            drivers.emplace_back(item.id, item.text);
    }
    return drivers;
}

// A copy, as the list is often a temporary.
std::optional<MenuItem> Find(const std::vector<MenuItem>& items, UINT id) {
    for (const MenuItem& item : items) {
        if (item.id == id)
            return item;
    }
    return std::nullopt;
}

using ProgramTest = SystemTest;

TEST_F(ProgramTest, ShowsItsWindowsBarsDriversAndLiveVideo) {
    HWND main = m_program.Main();
    EXPECT_EQ(WindowText(main), "Video Capture - VideoCapture1");

    HWND toolbar = FindWindowExA(main, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(IsWindowVisible(toolbar));
    EXPECT_EQ(SendMessageA(toolbar, 0x0418 /* TB_BUTTONCOUNT */, 0, 0), 12);
    HWND status = m_program.StatusBar();
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(IsWindowVisible(status));
    EXPECT_EQ(WindowText(status), "Ready");

    HWND client = FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
    ASSERT_NE(client, nullptr);
    HWND child = m_program.ChildFrame();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetWindow(GetWindow(client, GW_CHILD), GW_HWNDNEXT), nullptr) << "one capture window";
    EXPECT_EQ(WindowText(child), "VideoCapture1");
    HWND capture = m_program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(ClientSize(capture).cx, 320);
    EXPECT_EQ(ClientSize(capture).cy, 240);
    EXPECT_EQ(ClientSize(child).cx, 320);
    EXPECT_EQ(ClientSize(child).cy, 240);
    EXPECT_TRUE(PictureChanges(capture)) << "the capture window shows no live video";
    Screenshot(main, "main-window");

    // The Options menu lists the device's drivers by name, with their numbers.
    const std::vector<MenuItem> options = m_program.ReadMenu(3);
    ASSERT_FALSE(options.empty()) << "the Options menu could not be read";
    const std::vector<std::pair<UINT, std::string>> expected = {
        {200, "Software Capture Device (Overlay)"}, {202, "Software Capture Device (YUV)"}};
    EXPECT_EQ(Drivers(options), expected);
    const std::optional<MenuItem> overlay = Find(options, command::kOverlay);
    ASSERT_TRUE(overlay);
    EXPECT_TRUE(overlay->checked) << "the overlay driver starts in overlay";
}

TEST_F(ProgramTest, OpensAndClosesCaptureWindowsInTurn) {
    for (int number = 2; number <= 3; ++number) {
        const std::optional<MenuItem> newWindow = Find(m_program.ReadMenu(0), command::kFileNew);
        ASSERT_TRUE(newWindow);
        EXPECT_FALSE(newWindow->enabled) << "New while a capture window is open";

        // Ctrl+F4 on the capture window.
        HWND child = m_program.ChildFrame();
        PostMessageA(child, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(WaitUntilGone(child)) << "the capture window did not close";
        EXPECT_EQ(m_program.ChildFrame(), nullptr);
        EXPECT_TRUE(WaitForText(m_program.Main(), "Video Capture")) << "the main window's title";
        const std::optional<MenuItem> fileNew = Find(m_program.ReadMenu(0), command::kFileNew);
        ASSERT_TRUE(fileNew);
        EXPECT_TRUE(fileNew->enabled) << "New with no capture window";

        m_program.Command(command::kFileNew);
        const std::string name = "VideoCapture" + std::to_string(number);
        HWND capture = nullptr;
        for (int waited = 0; waited < 10000 && capture == nullptr; waited += 100) {
            Sleep(100);
            capture = m_program.CaptureWindow();
        }
        ASSERT_NE(capture, nullptr) << "no capture window after New";
        EXPECT_EQ(WindowText(m_program.ChildFrame()), name);
        EXPECT_TRUE(WaitForText(m_program.Main(), "Video Capture - " + name));
        EXPECT_EQ(ClientSize(m_program.ChildFrame()).cx, 320);
        EXPECT_TRUE(PictureChanges(capture)) << name << " shows no live video";
    }
}

TEST_F(ProgramTest, RefusesTheEndOfTheSessionWhileADialogIsOpen) {
    auto queryEndSession = [this] {
        DWORD_PTR answer = 0xBAD;
        SendMessageTimeoutA(m_program.Main(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 20000,
                            &answer);
        return answer;
    };
    EXPECT_EQ(queryEndSession(), TRUE) << "with no dialog open";

    m_program.Command(command::kCaptureSetup);
    HWND setup = m_program.WaitForDialog("Capture Setup");
    ASSERT_NE(setup, nullptr);
    std::future<DWORD_PTR> answer = std::async(std::launch::async, queryEndSession);
    HWND box = m_program.WaitForDialog("Video Capture");
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), "Close dialogs before exiting Windows.");
    EndDialogWith(box, IDOK);
    EXPECT_EQ(answer.get(), FALSE) << "the end of the session while Capture Setup is open";
    EXPECT_TRUE(IsWindow(setup)) << "Capture Setup stays open";

    EndDialogWith(setup, IDCANCEL);
    ASSERT_TRUE(WaitUntilGone(setup));
    EXPECT_EQ(queryEndSession(), TRUE) << "after Capture Setup closed";
}

// The program where a package installed it, started from its folder with
// the software capture device beside it (run by the installer's test, which
// names the folder).
TEST(InstalledProgram, ShowsLiveVideo) {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("INSTALLED_PROGRAM_DIR", folder, MAX_PATH) == 0)
        GTEST_SKIP() << "INSTALLED_PROGRAM_DIR names no installed program";
    CaptureProgram program;
    ASSERT_TRUE(program.Start(folder)) << "the installed capture.exe did not come up";
    EXPECT_EQ(WindowText(program.Main()), "Video Capture - VideoCapture1");
    HWND capture = program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(ClientSize(capture).cx, 320);
    EXPECT_TRUE(PictureChanges(capture)) << "no live video";
    EXPECT_EQ(program.Close(), 0);
}

} // namespace
