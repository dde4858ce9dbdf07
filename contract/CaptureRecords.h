#pragma once

// The platform's capture records as the program and the device both compile
// them: the published layouts, checked for either build.

#include <windows.h>

#include <vfw.h>

#include <cstddef>

#ifndef _WIN64
static_assert(sizeof(CAPDRIVERCAPS) == 44);
static_assert(sizeof(CAPSTATUS) == 76);
static_assert(sizeof(CAPINFOCHUNK) == 12);
#else
static_assert(sizeof(CAPDRIVERCAPS) == 64);
static_assert(offsetof(CAPDRIVERCAPS, hVideoIn) == 32);
static_assert(sizeof(CAPSTATUS) == 80);
static_assert(offsetof(CAPSTATUS, hPalCurrent) == 56);
static_assert(sizeof(CAPINFOCHUNK) == 24);
#endif
static_assert(sizeof(CAPTUREPARMS) == 96);
static_assert(offsetof(CAPDRIVERCAPS, fHasOverlay) == 4);
static_assert(offsetof(CAPSTATUS, uiImageWidth) == 0);
static_assert(offsetof(CAPSTATUS, fLiveWindow) == 8);
static_assert(offsetof(CAPSTATUS, fOverlayWindow) == 12);
static_assert(offsetof(CAPSTATUS, fScale) == 16);
static_assert(offsetof(CAPSTATUS, fCapturingNow) == (sizeof(void*) == 4 ? 60 : 64));
static_assert(offsetof(CAPTUREPARMS, dwRequestMicroSecPerFrame) == 0);
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(sizeof(WAVEFORMATEX) == 18);
