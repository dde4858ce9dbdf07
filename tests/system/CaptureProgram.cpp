#include "CaptureProgram.h"

#include <cstdio>

namespace {

struct Search {
    DWORD processId;
    const char* className; // null: any
    const char* title;     // the start of the title
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(hWnd, &processId);
    if (processId != search->processId || !IsWindowVisible(hWnd))
        return TRUE;
    if (search->className != nullptr && ClassName(hWnd) != search->className)
        return TRUE;
    char title[128] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (std::string(title).rfind(search->title, 0) != 0)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

HWND WaitForWindow(DWORD processId, const char* className, const char* title, int ms) {
    Search search{processId, className, title, nullptr};
    for (int waited = 0;; waited += 50) {
        EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr || waited >= ms)
            return search.found;
        Sleep(50);
    }
}

std::string ProbeFile() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "capture_menu_probe.txt";
}

} // namespace

SIZE ClientSize(HWND hWnd) {
    RECT rect{};
    GetClientRect(hWnd, &rect);
    return {rect.right, rect.bottom};
}

bool WaitForText(HWND hWnd, const std::string& text, int ms) {
    for (int waited = 0; WindowText(hWnd) != text; waited += 50) {
        if (waited >= ms)
            return false;
        Sleep(50);
    }
    return true;
}

bool WaitUntilGone(HWND hWnd, int ms) {
    for (int waited = 0; IsWindow(hWnd); waited += 50) {
        if (waited >= ms)
            return false;
        Sleep(50);
    }
    return true;
}

CaptureProgram::~CaptureProgram() {
    if (m_process.hProcess != nullptr)
        Close();
}

bool CaptureProgram::Start(const char* folder) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    char commandLine[] = "capture.exe";
    std::string program = "capture.exe";
    if (folder != nullptr)
        program = std::string(folder) + "\\capture.exe";
    if (!CreateProcessA(program.c_str(), commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder,
                        &startup, &m_process)) {
        return false;
    }
    m_hMain = WaitForWindow(m_process.dwProcessId, nullptr, "Video Capture - ", 20000);
    if (m_hMain == nullptr)
        return false;
    Sleep(1000); // some live video
    return true;
}

int CaptureProgram::Close() {
    if (m_process.hProcess == nullptr)
        return -1;
    if (m_hMain != nullptr)
        PostMessageA(m_hMain, WM_CLOSE, 0, 0);
    DWORD exitCode = DWORD(-1);
    if (WaitForSingleObject(m_process.hProcess, 15000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(m_process.hProcess, &exitCode);
    } else {
        TerminateProcess(m_process.hProcess, 1);
        WaitForSingleObject(m_process.hProcess, 5000);
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
    m_process = {};
    m_hMain = nullptr;
    return static_cast<int>(exitCode);
}

HWND CaptureProgram::StatusBar() const {
    return FindWindowExA(m_hMain, nullptr, "msctls_statusbar32", nullptr);
}

HWND CaptureProgram::ChildFrame() const {
    HWND client = FindWindowExA(m_hMain, nullptr, "MDICLIENT", nullptr);
    if (client == nullptr)
        return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
}

HWND CaptureProgram::View() const {
    HWND frame = ChildFrame();
    return frame != nullptr ? GetWindow(frame, GW_CHILD) : nullptr;
}

HWND CaptureProgram::CaptureWindow() const {
    return ViewChild("ClsCapWin");
}

HWND CaptureProgram::ViewChild(const char* className) const {
    HWND view = View();
    return view != nullptr ? FindWindowExA(view, nullptr, className, nullptr) : nullptr;
}

void CaptureProgram::Command(UINT id) const {
    PostMessageA(m_hMain, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

HWND CaptureProgram::WaitForDialog(const char* title, int ms) const {
    return WaitForWindow(m_process.dwProcessId, "#32770", title, ms);
}

std::vector<MenuItem> CaptureProgram::ReadMenu(int position) const {
    std::vector<MenuItem> items;
    HMODULE probe = LoadLibraryA("menu_probe.dll");
    if (probe == nullptr)
        return items;
    auto hook = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(probe, "MenuProbeHook")));
    HHOOK installed = hook != nullptr
                          ? SetWindowsHookExA(WH_GETMESSAGE, hook, probe,
                                              GetWindowThreadProcessId(m_hMain, nullptr))
                          : nullptr;
    const std::string listing = ProbeFile();
    DeleteFileA(listing.c_str());
    if (installed != nullptr) {
        // Each request is numbered, and the listing names the request it
        // answers: a listing written late for an earlier one is not taken.
        static LPARAM s_request = 0;
        const LPARAM request = ++s_request;
        PostMessageA(m_hMain, RegisterWindowMessageA("CaptureSystemTest.ReadMenu"),
                     WPARAM(position), request);
        const std::string header = "request " + std::to_string(request) + "\n";
        char line[200];
        FILE* in = nullptr;
        for (int attempt = 0; attempt < 50 && in == nullptr; ++attempt) {
            Sleep(100);
            in = std::fopen(listing.c_str(), "r");
            if (in != nullptr && (!std::fgets(line, sizeof line, in) || line != header)) {
                std::fclose(in);
                in = nullptr;
            }
        }
        while (in != nullptr && std::fgets(line, sizeof line, in)) {
            unsigned id = 0;
            int enabled = 0, checked = 0, consumed = 0;
            if (std::sscanf(line, "%u %d %d %n", &id, &enabled, &checked, &consumed) == 3) {
                std::string text = line + consumed;
                text.erase(text.find_last_not_of("\r\n") + 1);
                items.push_back({id, enabled != 0, checked != 0, text});
            }
        }
        if (in != nullptr)
            std::fclose(in);
        UnhookWindowsHookEx(installed);
    }
    DeleteFileA(listing.c_str());
    FreeLibrary(probe);
    return items;
}
