// End to end: a user of the shipped capture.exe on the software capture
// device sets 15 frames per second and a 3-second limit in Capture Setup,
// then captures a clip. This program drives it from outside through its
// windows; check_clip.sh reads the clip back with ffprobe.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr UINT kCaptureSetup = 32795;
constexpr UINT kCaptureVideo = 32778;
// The platform's capture file until another is set.
constexpr const char* kCaptureFile = "C:\\CAPTURE.AVI";

std::string WindowText(HWND hWnd) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return text;
}

struct Search {
    DWORD processId;
    const char* className; // null: any
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    char name[64] = {};
    GetClassNameA(hWnd, name, sizeof name);
    if (processId != search->processId || !IsWindowVisible(hWnd) ||
        (search->className != nullptr && std::string(name) != search->className))
        return TRUE;
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (search->title != nullptr && std::string(title).rfind(search->title, 0) != 0)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

// The program's visible top-level window of the class whose title starts
// with the text, waited for up to the time given.
HWND WaitForWindow(DWORD processId, const char* className, const char* title, int ms = 10000) {
    Search search{processId, className, title, nullptr};
    for (int waited = 0; waited < ms && search.found == nullptr; waited += 50) {
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            Sleep(50);
    }
    return search.found;
}

class CaptureClip : public testing::Test {
protected:
    void SetUp() override {
        DeleteFileA(kCaptureFile);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        char commandLine[] = "capture.exe";
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &m_process));
        m_hMain = WaitForWindow(m_process.dwProcessId, nullptr, "Video Capture - ", 20000);
        ASSERT_NE(m_hMain, nullptr) << "no main window of capture.exe";
        Sleep(1000); // live video running
    }
    void TearDown() override {
        if (m_process.hProcess == nullptr)
            return;
        if (m_hMain != nullptr)
            PostMessageA(m_hMain, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(m_process.hProcess, 15000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "capture.exe did not end after WM_CLOSE";
            TerminateProcess(m_process.hProcess, 1);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    HWND WaitForDialog(const char* title, int ms = 10000) {
        return WaitForWindow(m_process.dwProcessId, "#32770", title, ms);
    }

    PROCESS_INFORMATION m_process{};
    HWND m_hMain = nullptr;
};

TEST_F(CaptureClip, CapturesWithTheSettingsOfCaptureSetup) {
    PostMessageA(m_hMain, WM_COMMAND, kCaptureSetup, 0);
    HWND setup = WaitForDialog("Capture Setup");
    ASSERT_NE(setup, nullptr) << "Capture Setup did not open";
    SendMessageA(GetDlgItem(setup, 107), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("15"));
    HWND limit = GetDlgItem(setup, 115);
    if (SendMessageA(limit, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageA(limit, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(setup, 117)));
    SendMessageA(GetDlgItem(setup, 117), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("3"));
    PostMessageA(setup, WM_COMMAND, IDOK, 0);
    for (int waited = 0; waited < 5000 && IsWindow(setup); waited += 50)
        Sleep(50);
    ASSERT_FALSE(IsWindow(setup)) << "Capture Setup refused the settings";

    PostMessageA(m_hMain, WM_COMMAND, kCaptureVideo, 0);
    HWND prompt = WaitForDialog("");
    ASSERT_NE(prompt, nullptr) << "no capture prompt";
    EXPECT_EQ(WindowText(GetDlgItem(prompt, 0xFFFF)),
              "Select OK to start capture of video sequence,\npress ESC to stop capture.");
    PostMessageA(prompt, WM_COMMAND, IDOK, 0);

    // The status bar while the capture runs, until its summary shows.
    HWND status = FindWindowExA(m_hMain, nullptr, "msctls_statusbar32", nullptr);
    ASSERT_NE(status, nullptr);
    std::vector<std::string> texts;
    bool summary = false;
    for (int waited = 0; waited < 30000 && !summary; waited += 20) {
        const std::string text = WindowText(status);
        if (texts.empty() || texts.back() != text)
            texts.push_back(text);
        summary = text.find("fps)") != std::string::npos;
        if (HWND error = WaitForWindow(m_process.dwProcessId, "#32770", "Video Capture", 0)) {
            ADD_FAILURE() << "error during the capture: " << WindowText(GetDlgItem(error, 0xFFFF));
            PostMessageA(error, WM_COMMAND, IDOK, 0);
        }
        Sleep(20);
    }
    std::string seen;
    for (const std::string& text : texts)
        seen += "  " + text + "\n";
    EXPECT_TRUE(summary) << "status texts seen:\n" << seen;
    bool progress = false;
    for (const std::string& text : texts)
        progress = progress || (text.rfind("Captured ", 0) == 0 && text.find("fps") == text.npos);
    EXPECT_TRUE(progress) << "no progress text; seen:\n" << seen;
    std::printf("status texts:\n%s", seen.c_str());

    // The clip, for the host's look at it.
    Sleep(500);
    if (const char* copy = std::getenv("CAPTURE_CLIP_COPY")) {
        EXPECT_TRUE(CopyFileA(kCaptureFile, copy, FALSE)) << "no capture file " << kCaptureFile;
    }
}

} // namespace
