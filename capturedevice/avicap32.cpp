#include <windows.h>
#include <vfw.h>

extern "C" HWND VFWAPI capCreateCaptureWindowA(LPCSTR, DWORD, int, int, int, int, HWND, int) {
    return nullptr;
}

extern "C" BOOL VFWAPI capGetDriverDescriptionA(UINT, LPSTR, int, LPSTR, int) {
    return FALSE;
}
