#pragma once
// The capture window class of the software capture device: one window per
// capture session, answering the capture-window messages with the platform's
// numbers, records and semantics.

#include <windows.h>

// The module handle of the device (set by DllMain); the driver dialogs'
// library is looked for in the same folder.
void SetDeviceModule(HMODULE module);
HMODULE DeviceModule();

// At unload: a class left registered would point into the unloaded module.
void UnregisterCaptureWindowClass();

HWND CreateCaptureWindow(const char* name, DWORD style, int x, int y, int width, int height,
                         HWND parent, int id);
