// A hook library for the end-to-end suite: loaded into capture.exe by a
// message hook, it writes the items of one of the main window's menus to a
// file when asked, since a menu cannot be read from another process. The
// menu is brought up to date first, as opening it would.

#include <windows.h>

#include <cstdio>
#include <string>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int nCode, WPARAM wParam, LPARAM lParam) {
    static const UINT probeMessage = RegisterWindowMessageA("CaptureSystemTest.ReadMenu");
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && msg != nullptr &&
        msg->message == probeMessage) {
        const int position = static_cast<int>(msg->wParam);
        HMENU menu = GetSubMenu(GetMenu(msg->hwnd), position);
        if (menu != nullptr) {
            SendMessageA(msg->hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                         MAKELPARAM(position, FALSE));
        }
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        const std::string path = std::string(folder) + "capture_menu_probe.txt";
        const std::string part = path + ".part";
        if (FILE* out = std::fopen(part.c_str(), "w")) {
            // The request answered, as the reader numbered it.
            std::fprintf(out, "request %ld\n", static_cast<long>(msg->lParam));
            for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
                char text[128] = {};
                GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
                const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
                std::fprintf(out, "%u %d %d %s\n", GetMenuItemID(menu, i),
                             (state & (MF_GRAYED | MF_DISABLED)) == 0, (state & MF_CHECKED) != 0,
                             text);
            }
            std::fclose(out);
            MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
