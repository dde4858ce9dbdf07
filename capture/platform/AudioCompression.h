#pragma once

#include "platform/PlatformSeam.h"

#include <windows.h>

#include <mmreg.h>
#include <msacm.h>

#include <cstddef>

// The records as the platform lays them out (packed to bytes).
#ifndef _WIN64
static_assert(sizeof(ACMFORMATDETAILSA) == 152);
static_assert(sizeof(ACMFORMATCHOOSEA) == 232);
#else
static_assert(sizeof(ACMFORMATDETAILSA) == 156);
static_assert(sizeof(ACMFORMATCHOOSEA) == 268);
#endif
static_assert(offsetof(ACMFORMATDETAILSA, pwfx) == 16);
static_assert(offsetof(ACMFORMATCHOOSEA, hwndOwner) == 8);

// The Audio Compression Manager calls of the program.
class CAudioCompression : public CPlatformSeam<CAudioCompression> {
public:
    // The largest format any installed codec has (ACM_METRIC_MAX_SIZE_FORMAT).
    virtual MMRESULT MaxFormatSize(DWORD& cbSize) = 0;
    virtual MMRESULT FormatDetails(ACMFORMATDETAILSA& details, DWORD fdwDetails) = 0;
    virtual MMRESULT FormatChoose(ACMFORMATCHOOSEA& choose) = 0;

    // msacm32.
    static CAudioCompression& Platform();
};
