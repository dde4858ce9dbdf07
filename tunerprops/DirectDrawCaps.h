#pragma once

#include "tunerprops/RegistryKeyPath.h"

// The display card's DirectDraw capabilities as the driver stores them under
// the settings key (1 = yes; anything else counts as no). The library only
// reads them.
class CDirectDrawCaps {
public:
    CDirectDrawCaps(const char* lpszRootPath, const char* lpszSubKey)
        : m_keyPath(lpszRootPath, lpszSubKey) {}

    // Reads the eleven values, each under its own name.
    void Load();
    // Zeroes the values and forgets the key.
    void Clear();

    DWORD DDSupportsRGB15 = 0;
    DWORD DDSupportsRGB24 = 0;
    DWORD DDSupportsRGB32 = 0;
    DWORD DDSupportsYUY2 = 0;
    DWORD DDSupportsOSPRGB15 = 0;
    DWORD DDSupportsOSPRGB24 = 0;
    DWORD DDSupportsOSPRGB32 = 0;
    DWORD DDSupportsOSPYUY2 = 0;
    DWORD DDAvailable = 0;
    DWORD DDSupportsOverlays = 0;
    DWORD DDSupportsOffScreenPlanes = 0;
    CRegistryKeyPath m_keyPath;
};

static_assert(sizeof(CDirectDrawCaps) == 11 * 4 + 536);
