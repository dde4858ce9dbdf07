#pragma once
// What the user sees of a window: its pixels on the screen, and screenshots
// kept as artefacts of the suite.

#include <windows.h>

#include <string>

// The folder the suite leaves its files in (SYSTEM_ARTEFACTS, else the
// temporary folder), with a trailing backslash.
std::string ArtefactFolder();

// A checksum of the screen pixels of the window's client area, for telling
// whether a picture changes.
unsigned long long ScreenChecksum(HWND hWnd);
// Whether the picture in the window's client area changes within `ms`.
bool PictureChanges(HWND hWnd, int ms = 3000);
// The screen pixel at a point of the window's client area.
COLORREF ScreenPixel(HWND hWnd, int x, int y);
// The sum of red, green and blue over a small square around a point.
int ScreenBrightness(HWND hWnd, int x, int y);

// Saves the window as it stands on the screen, frame included, as
// <artefacts>\screenshots\<name>.bmp, and returns the number of distinct
// colours in it (0 when it could not be taken).
int SaveScreenshot(HWND hWnd, const std::string& name);
