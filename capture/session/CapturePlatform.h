#pragma once

#include <windows.h>

// The two capture functions of the platform that are not messages: the
// driver list and the creation of a capture window. The program calls them
// through the current platform object, which tests replace.
class CCapturePlatform {
public:
    virtual ~CCapturePlatform() = default;
    virtual HWND CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x, int y,
                                     int nWidth, int nHeight, HWND hWndParent, int nID) = 0;
    virtual bool GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName, char* lpszVer,
                                      int cbVer) = 0;

    // The MCI playback window of a file (MCIWndCreateA), or null.
    virtual HWND CreatePlaybackWindow(HWND hWndParent, HINSTANCE hInstance, DWORD dwStyle,
                                      const char* lpszFile) = 0;

    // The object in use: the platform's avicap32 unless replaced.
    static CCapturePlatform& Current();
    // Replaces the object in use (null restores avicap32); returns the previous one.
    static CCapturePlatform* Replace(CCapturePlatform* pPlatform);
};
