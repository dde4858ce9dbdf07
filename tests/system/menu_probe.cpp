// A hook library for the end-to-end test: loaded into capture.exe by a
// message hook, it writes the items of the main window's Options menu to a
// file when asked, since a menu cannot be read from another process.

#include <windows.h>

#include <cstdio>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int nCode, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA("CaptureE2E.ReadOptionsMenu");
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && msg != nullptr &&
        msg->message == probeMessage) {
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        const std::string path = std::string(folder) + "capture_e2e_menu.txt";
        if (FILE* out = std::fopen(path.c_str(), "w")) {
            HMENU options = GetSubMenu(GetMenu(msg->hwnd), 3);
            for (int i = 0; options != nullptr && i < GetMenuItemCount(options); ++i) {
                char text[128] = {};
                GetMenuStringA(options, UINT(i), text, sizeof text, MF_BYPOSITION);
                std::fprintf(out, "%u %s\n", GetMenuItemID(options, i), text);
            }
            std::fclose(out);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
