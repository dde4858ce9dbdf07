#pragma once

#include "platform/PlatformSeam.h"

#include <windows.h>

// The capture functions of the platform that are not messages: the driver
// list, the creation of a capture window and of a playback window.
class CCapturePlatform : public CPlatformSeam<CCapturePlatform> {
public:
    virtual HWND CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x, int y,
                                     int nWidth, int nHeight, HWND hWndParent, int nID) = 0;
    virtual bool GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName, char* lpszVer,
                                      int cbVer) = 0;

    // The MCI playback window of a file (MCIWndCreateA), or null.
    virtual HWND CreatePlaybackWindow(HWND hWndParent, HINSTANCE hInstance, DWORD dwStyle,
                                      const char* lpszFile) = 0;

    // avicap32 and msvfw32.
    static CCapturePlatform& Platform();
};
