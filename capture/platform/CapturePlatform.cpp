#include "platform/CapturePlatform.h"

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

} // namespace

CCapturePlatform& CCapturePlatform::Platform() {
    static CAvicapPlatform avicap;
    return avicap;
}
