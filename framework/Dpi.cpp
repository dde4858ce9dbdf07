#include "framework/Dpi.h"

#include "base/Handle.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

// A function of user32 that older systems lack, or null.
template <class Fn> Fn User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 != nullptr ? ProcAddress<Fn>(user32, name) : nullptr;
}

UINT ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : AFX_DEFAULT_DPI;
}

// NONCLIENTMETRICSW as Windows Vista and later fill it (the headers of the
// program's oldest target leave the last member out).
struct NonClientMetrics {
    NONCLIENTMETRICSW metrics;
    int iPaddedBorderWidth;
};

} // namespace

UINT AfxGetWindowDpi(HWND hWnd) {
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (hWnd != nullptr && getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(hWnd); dpi != 0)
            return dpi;
    }
    return ScreenDpi();
}

int AfxScaleToDpi(int nPixels, UINT nDpi) {
    return MulDiv(nPixels, int(nDpi), int(AFX_DEFAULT_DPI));
}

int AfxGetSystemMetricsForDpi(int nIndex, UINT nDpi) {
    static const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    return forDpi != nullptr ? forDpi(nIndex, nDpi) : GetSystemMetrics(nIndex);
}

bool AfxAdjustWindowRectExForDpi(RECT& rect, DWORD dwStyle, bool bMenu, DWORD dwExStyle,
                                 UINT nDpi) {
    static const auto forDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (forDpi != nullptr)
        return forDpi(&rect, dwStyle, bMenu, dwExStyle, nDpi) != FALSE;
    return AdjustWindowRectEx(&rect, dwStyle, bMenu, dwExStyle) != FALSE;
}

LOGFONTW AfxGetStatusFontForDpi(UINT nDpi) {
    static const auto forDpi =
        User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
    NonClientMetrics full{};
    full.metrics.cbSize = sizeof full;
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, sizeof full, &full, 0, nDpi) != FALSE)
        return full.metrics.lfStatusFont;
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.lfStatusFont;
}
