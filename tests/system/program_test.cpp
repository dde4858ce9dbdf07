// End to end: the shipped capture.exe on the software capture device, found
// and checked from this separate process through its windows and menus.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct FoundWindow {
    DWORD processId;
    HWND hWnd;
};

BOOL CALLBACK FindMainWindow(HWND hWnd, LPARAM lParam) {
    auto* found = reinterpret_cast<FoundWindow*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (processId == found->processId && std::string(title).rfind("Video Capture", 0) == 0 &&
        IsWindowVisible(hWnd)) {
        found->hWnd = hWnd;
        return FALSE;
    }
    return TRUE;
}

std::string WindowText(HWND hWnd) {
    char text[256] = {};
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

std::string ClassOf(HWND hWnd) {
    char name[64] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

// A checksum of the screen pixels of the window's client area.
unsigned long long ScreenChecksum(HWND hWnd) {
    RECT rect{};
    GetClientRect(hWnd, &rect);
    POINT origin{0, 0};
    ClientToScreen(hWnd, &origin);
    HDC screen = GetDC(nullptr);
    unsigned long long sum = 0;
    for (int y = 0; y < rect.bottom; y += 3) {
        for (int x = 0; x < rect.right; x += 3)
            sum = sum * 31 + GetPixel(screen, origin.x + x, origin.y + y);
    }
    ReleaseDC(nullptr, screen);
    return sum;
}

class CaptureProgram : public testing::Test {
protected:
    void SetUp() override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        char commandLine[] = "capture.exe";
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &m_process));
        FoundWindow found{m_process.dwProcessId, nullptr};
        for (int attempt = 0; attempt < 200 && found.hWnd == nullptr; ++attempt) {
            Sleep(100);
            EnumWindows(&FindMainWindow, reinterpret_cast<LPARAM>(&found));
        }
        m_hMain = found.hWnd;
        ASSERT_NE(m_hMain, nullptr) << "no main window of capture.exe";
        Sleep(1500); // some live video
    }
    void TearDown() override {
        if (m_process.hProcess == nullptr)
            return;
        if (m_hMain != nullptr)
            PostMessageA(m_hMain, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process.hProcess, 15000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "capture.exe did not end after WM_CLOSE";
            TerminateProcess(m_process.hProcess, 1);
        } else {
            DWORD exitCode = 1;
            GetExitCodeProcess(m_process.hProcess, &exitCode);
            EXPECT_EQ(exitCode, 0u);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }

    PROCESS_INFORMATION m_process{};
    HWND m_hMain = nullptr;
};

TEST_F(CaptureProgram, ShowsItsWindowsBarsDriversAndLiveVideo) {
    EXPECT_EQ(WindowText(m_hMain), "Video Capture - VideoCapture1");

    HWND toolbar = FindWindowExA(m_hMain, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(IsWindowVisible(toolbar));
    EXPECT_EQ(SendMessageA(toolbar, 0x0418 /* TB_BUTTONCOUNT */, 0, 0), 12);
    HWND status = FindWindowExA(m_hMain, nullptr, "msctls_statusbar32", nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(IsWindowVisible(status));
    EXPECT_EQ(WindowText(status), "Ready");

    HWND client = FindWindowExA(m_hMain, nullptr, "MDICLIENT", nullptr);
    ASSERT_NE(client, nullptr);
    HWND child = GetWindow(client, GW_CHILD);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetWindow(child, GW_HWNDNEXT), nullptr) << "one capture window";
    EXPECT_EQ(WindowText(child), "VideoCapture1");
    HWND view = GetWindow(child, GW_CHILD);
    ASSERT_NE(view, nullptr);
    HWND capture = GetWindow(view, GW_CHILD);
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(ClassOf(capture), "ClsCapWin");
    RECT image{};
    GetClientRect(capture, &image);
    EXPECT_EQ(image.right, 320);
    EXPECT_EQ(image.bottom, 240);
    RECT frame{};
    GetClientRect(child, &frame);
    EXPECT_EQ(frame.right, 320);
    EXPECT_EQ(frame.bottom, 240);

    // Live video: the picture changes between two looks.
    const unsigned long long first = ScreenChecksum(capture);
    Sleep(700);
    EXPECT_NE(ScreenChecksum(capture), first) << "the capture window shows no live video";

    // The Options menu lists the device's drivers by name, with their
    // numbers. A menu is read inside its own process: the probe library,
    // hooked into the program's thread, writes it to a file when asked.
    HMODULE probe = LoadLibraryA("menu_probe.dll");
    ASSERT_NE(probe, nullptr);
    auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(probe, "MenuProbeHook")));
    ASSERT_NE(hook, nullptr);
    HHOOK installed =
        SetWindowsHookExA(WH_GETMESSAGE, hook, probe, GetWindowThreadProcessId(m_hMain, nullptr));
    ASSERT_NE(installed, nullptr);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string listing = std::string(folder) + "capture_e2e_menu.txt";
    DeleteFileA(listing.c_str());
    PostMessageA(m_hMain, RegisterWindowMessageA("CaptureE2E.ReadOptionsMenu"), 0, 0);
    std::vector<std::pair<UINT, std::string>> drivers;
    int items = 0;
    for (int attempt = 0; attempt < 50 && items == 0; ++attempt) {
        Sleep(100);
        if (FILE* in = std::fopen(listing.c_str(), "r")) {
            char line[160];
            while (std::fgets(line, sizeof line, in)) {
                ++items;
                unsigned id = 0;
                int consumed = 0;
                if (std::sscanf(line, "%u %n", &id, &consumed) == 1 && id >= 200 && id <= 209) {
                    std::string name = line + consumed;
                    name.erase(name.find_last_not_of("\r\n") + 1);
                    drivers.emplace_back(id, name);
                }
            }
            std::fclose(in);
        }
    }
    UnhookWindowsHookEx(installed);
    DeleteFileA(listing.c_str());
    ASSERT_GT(items, 0) << "the Options menu could not be read";
    ASSERT_EQ(drivers.size(), 2u);
    EXPECT_EQ(drivers[0], (std::pair<UINT, std::string>{200, "Software Capture Device (Overlay)"}));
    EXPECT_EQ(drivers[1], (std::pair<UINT, std::string>{202, "Software Capture Device (YUV)"}));
}

} // namespace
