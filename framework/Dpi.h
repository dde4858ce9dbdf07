#pragma once

// The display scale of windows, in dots per inch (96 is 100%). The program
// declares itself aware of each monitor's scale and so draws itself at that
// scale. The per-monitor functions of Windows 10 are looked up at run time,
// so that the program still loads on older systems; there the screen's
// system-wide scale stands in.

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The scale at which nothing is enlarged.
constexpr UINT AFX_DEFAULT_DPI = 96;

// The scale of the window's monitor (the screen's for a null window).
UINT AfxGetWindowDpi(HWND hWnd);
// A length in pixels at 100%, at the given scale.
int AfxScaleToDpi(int nPixels, UINT nDpi);
// GetSystemMetrics at the given scale.
int AfxGetSystemMetricsForDpi(int nIndex, UINT nDpi);
// AdjustWindowRectEx at the given scale: the frame's borders and caption
// follow the scale of the window's own monitor.
bool AfxAdjustWindowRectExForDpi(RECT& rect, DWORD dwStyle, bool bMenu, DWORD dwExStyle, UINT nDpi);
// The font of status bars and of the message box at the given scale.
LOGFONTW AfxGetStatusFontForDpi(UINT nDpi);
