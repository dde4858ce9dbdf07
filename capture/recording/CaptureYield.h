#pragma once

// Keeps a capture from being re-entered. The platform runs a capture inside
// the call that starts it and calls the yield callback at least once a frame;
// that callback must take away the messages that could start another command
// meanwhile. This one, installed on the capture window for one capture (with
// either writer), lets through what keeps the windows painted and the panes
// up to date (paints, timers, the status bar's own messages) and the abort
// key, and drops the user's input: keys, clicks, menu and posted commands. A
// close from outside (WM_CLOSE, the system menu's Close, a quit) is held: the
// capture is asked to stop, and the close is posted again when it has ended,
// so that the file is completed first.

#include <windows.h>

#include <array>

class CCaptureYield {
public:
    // Installs the yield callback on hWndCap; vKeyAbort is the capture's abort key.
    CCaptureYield(HWND hWndCap, UINT vKeyAbort);
    // Removes it, and posts again the closes held during the capture.
    ~CCaptureYield();
    CCaptureYield(const CCaptureYield&) = delete;
    CCaptureYield& operator=(const CCaptureYield&) = delete;

    // Whether a close came from outside during the capture.
    bool CloseHeld() const { return m_nHeld != 0; }

private:
    enum class Fate { Dispatch, Drop, Hold };
    static LRESULT CALLBACK OnYield(HWND hWnd);
    // Handles what waits; FALSE once the capture should stop.
    LRESULT ServeQueue();
    Fate FateOf(const MSG& msg) const;
    void Hold(const MSG& msg);

    HWND m_hWndCap;
    UINT m_vKeyAbort;
    // A close and a quit per window are enough to post again; no allocation
    // happens inside the callback.
    std::array<MSG, 8> m_held{};
    size_t m_nHeld = 0;
    bool m_bStopAsked = false;
    CCaptureYield* m_pOuter; // a capture of another view, started meanwhile
};
