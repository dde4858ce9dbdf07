// A hook library for the end-to-end suite: loaded into capture.exe by a
// message hook, it writes the items of one of the main window's menus, or
// the size of the toolbar's images, to a file when asked, since neither can
// be read from another process. The menu is brought up to date first, as
// opening it would.

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

// Writes the text where the suite reads it, whole or not at all.
void Answer(const std::string& text) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "capture_menu_probe.txt";
    const std::string part = path + ".part";
    if (FILE* out = std::fopen(part.c_str(), "w")) {
        std::fputs(text.c_str(), out);
        std::fclose(out);
        MoveFileExA(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

std::string MenuItems(HWND hWnd, int position) {
    HMENU menu = GetSubMenu(GetMenu(hWnd), position);
    if (menu != nullptr) {
        SendMessageA(hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                     MAKELPARAM(position, FALSE));
    }
    std::string items;
    for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, UINT(i), text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, UINT(i), MF_BYPOSITION);
        char line[200];
        std::snprintf(line, sizeof line, "%u %d %d %s\n", GetMenuItemID(menu, i),
                      (state & (MF_GRAYED | MF_DISABLED)) == 0, (state & MF_CHECKED) != 0, text);
        items += line;
    }
    return items;
}

std::string ToolbarImageSize(HWND hWnd) {
    HWND toolbar = FindWindowExA(hWnd, nullptr, TOOLBARCLASSNAMEA, nullptr);
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    int cx = 0, cy = 0;
    if (images != nullptr)
        ImageList_GetIconSize(images, &cx, &cy);
    return std::to_string(cx) + " " + std::to_string(cy) + "\n";
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int nCode, WPARAM wParam, LPARAM lParam) {
    static const UINT menuMessage = RegisterWindowMessageA("CaptureSystemTest.ReadMenu");
    static const UINT toolbarMessage = RegisterWindowMessageA("CaptureSystemTest.ReadToolbar");
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && msg != nullptr) {
        if (msg->message == menuMessage)
            Answer(MenuItems(msg->hwnd, static_cast<int>(msg->wParam)));
        else if (msg->message == toolbarMessage)
            Answer(ToolbarImageSize(msg->hwnd));
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
