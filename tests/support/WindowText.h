#pragma once
// A window's text and class name, for windows of this process or another.

#include <windows.h>

#include <string>

// The text a WM_GETTEXT gives, up to 255 characters; empty when the window
// does not answer within 5 seconds.
std::string WindowText(HWND hWnd);
std::string ClassName(HWND hWnd);
