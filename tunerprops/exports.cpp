#include <windows.h>

extern "C" void* WINAPI CreateConfigDialog(int, HWND) {
    return nullptr;
}
extern "C" void WINAPI DestroyConfigDialog() {}
extern "C" int WINAPI DoConfigDialog() {
    return 0;
}
