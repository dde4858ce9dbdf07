// Live video: preview on a timer at the preview rate, the simulated overlay
// at full rate, single grabs, and painting the frame buffer.

#include <algorithm>

#include "CaptureWindowHandlers.h"
#include "DibImage.h"

namespace {

constexpr UINT kOverlayIntervalMs = 33; // the simulated overlay runs at full rate

void CallFrameCallback(CaptureWindowState& s) {
    if (s.callbacks.frame == nullptr || s.CurrentFrame().empty()) {
        return;
    }
    VIDEOHDR header{};
    header.lpData = const_cast<BYTE*>(s.CurrentFrame().data());
    header.dwBufferLength = static_cast<DWORD>(s.CurrentFrame().size());
    header.dwBytesUsed = header.dwBufferLength;
    header.dwTimeCaptured = s.ClockMs();
    header.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
    s.callbacks.frame(s.Window(), &header);
}

} // namespace

void RestartLiveTimer(CaptureWindowState& s) {
    if (!s.WindowAlive()) {
        return;
    }
    KillTimer(s.Window(), kLiveVideoTimer);
    if (s.display.overlayOn) {
        SetTimer(s.Window(), kLiveVideoTimer, kOverlayIntervalMs, nullptr);
    } else if (s.display.previewOn) {
        SetTimer(s.Window(), kLiveVideoTimer, std::max<UINT>(s.display.previewRateMs, 1), nullptr);
    }
}

void GrabAndShow(CaptureWindowState& s) {
    s.GenerateNextFrame();
    CallFrameCallback(s);
    // The callback may have closed the window.
    if (s.WindowAlive()) {
        InvalidateRect(s.Window(), nullptr, FALSE);
    }
}

void StopLiveVideo(CaptureWindowState& s) {
    s.display.previewOn = false;
    s.display.overlayOn = false;
    if (s.WindowAlive()) {
        KillTimer(s.Window(), kLiveVideoTimer);
    }
}

// Draws the frame buffer: 1:1 from the scroll position, or stretched to the
// window when scaling is on; grey where there is no picture.
void DrawFrame(const CaptureWindowState& s, HDC dc) {
    RECT client;
    GetClientRect(s.Window(), &client);
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    if (image.IsEmpty() || !s.IsConnected()) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        return;
    }
    RECT picture = client;
    if (!s.display.scaleOn) {
        picture = {-s.display.scroll.x, -s.display.scroll.y,
                   s.VideoFormat().biWidth - s.display.scroll.x,
                   s.VideoFormat().biHeight - s.display.scroll.y};
    }
    image.Paint(dc, picture);
    // The rest of the window, right of and below the picture.
    RECT right{picture.right, client.top, client.right, client.bottom};
    RECT below{client.left, picture.bottom, picture.right, client.bottom};
    for (const RECT* r : {&right, &below}) {
        if (r->right > r->left && r->bottom > r->top) {
            FillRect(dc, r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        }
    }
}

void Paint(const CaptureWindowState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.Window(), &ps);
    DrawFrame(s, dc);
    EndPaint(s.Window(), &ps);
}

LRESULT OnSetPreview(CaptureWindowState& s, bool on) {
    if (!on) {
        s.display.previewOn = false;
        RestartLiveTimer(s);
        return TRUE;
    }
    if (!s.IsConnected()) {
        return FALSE;
    }
    s.display.overlayOn = false; // preview and overlay exclude each other
    s.display.previewOn = true;
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnSetOverlay(CaptureWindowState& s, bool on) {
    if (!on) {
        s.display.overlayOn = false;
        RestartLiveTimer(s);
        return TRUE;
    }
    if (!s.IsConnected() || !s.link.driver->HasOverlay()) {
        return FALSE;
    }
    s.display.previewOn = false;
    s.display.overlayOn = true;
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnSetPreviewRate(CaptureWindowState& s, WPARAM milliseconds) {
    s.display.previewRateMs = static_cast<UINT>(std::min<WPARAM>(milliseconds, 0x7fffffff));
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnSetScale(CaptureWindowState& s, bool on) {
    s.display.scaleOn = on;
    InvalidateRect(s.Window(), nullptr, TRUE);
    return TRUE;
}

LRESULT OnSetScroll(CaptureWindowState& s, LPARAM pointArg) {
    const auto* point = reinterpret_cast<const POINT*>(pointArg);
    if (point == nullptr || !s.IsConnected()) {
        return FALSE;
    }
    s.display.scroll = *point;
    InvalidateRect(s.Window(), nullptr, TRUE);
    return TRUE;
}

LRESULT OnGrabFrame(CaptureWindowState& s, bool stopLiveVideo) {
    if (!s.IsConnected() || IsCapturing(s)) {
        return FALSE;
    }
    if (stopLiveVideo) {
        StopLiveVideo(s);
        GrabAndShow(s);
        return TRUE;
    }
    GrabAndShow(s);
    if (s.WindowAlive()) {
        UpdateWindow(s.Window());
    }
    return TRUE;
}

void OnLiveTick(CaptureWindowState& s) {
    PollSettingsEvent(s);
    if (!s.IsConnected() || IsCapturing(s) || (!s.display.previewOn && !s.display.overlayOn)) {
        return;
    }
    GrabAndShow(s);
}
