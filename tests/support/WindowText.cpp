#include "WindowText.h"

std::string WindowText(HWND hWnd) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return text;
}

std::string ClassName(HWND hWnd) {
    char name[128] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}
