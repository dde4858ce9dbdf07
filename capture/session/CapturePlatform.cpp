#include "session/CapturePlatform.h"

#include <vfw.h>

namespace {

class CAvicapPlatform final : public CCapturePlatform {
public:
    HWND CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x, int y, int nWidth,
                             int nHeight, HWND hWndParent, int nID) override {
        return capCreateCaptureWindowA(lpszWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent,
                                       nID);
    }
    bool GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName, char* lpszVer,
                              int cbVer) override {
        return capGetDriverDescriptionA(wDriverIndex, lpszName, cbName, lpszVer, cbVer) != FALSE;
    }
    HWND CreatePlaybackWindow(HWND hWndParent, HINSTANCE hInstance, DWORD dwStyle,
                              const char* lpszFile) override {
        return MCIWndCreateA(hWndParent, hInstance, dwStyle, lpszFile);
    }
};

CAvicapPlatform g_avicap;
CCapturePlatform* g_pCurrent = &g_avicap;

} // namespace

CCapturePlatform& CCapturePlatform::Current() {
    return *g_pCurrent;
}

CCapturePlatform* CCapturePlatform::Replace(CCapturePlatform* pPlatform) {
    CCapturePlatform* previous = g_pCurrent;
    g_pCurrent = pPlatform != nullptr ? pPlatform : &g_avicap;
    return previous;
}
