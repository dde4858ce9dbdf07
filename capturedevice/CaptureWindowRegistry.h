#pragma once
// The state of every capture window of the process. The registry owns each
// state from WM_NCCREATE to WM_NCDESTROY; a message being handled holds it as
// well, so that a window destroyed during its own message (by a callback, a
// capture's message loop or a dialog's) leaves the state to that message
// until it returns.

#include <windows.h>

#include <memory>
#include <vector>

#include "CaptureWindowState.h"

class CaptureWindowRegistry {
public:
    // Creates the state of a new window and attaches it.
    static void Attach(HWND window);
    // The window's state, or null before WM_NCCREATE and after WM_NCDESTROY.
    static std::shared_ptr<CaptureWindowState> Find(HWND window);
    // At WM_NCDESTROY: marks the state gone and lets it go.
    static void Detach(HWND window);
    // Every window still attached.
    static std::vector<std::shared_ptr<CaptureWindowState>> All();
};
