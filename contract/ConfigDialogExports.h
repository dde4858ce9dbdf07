#pragma once

// The library's three entry points, as the library defines them and as a
// driver calls them after GetProcAddress: one declaration for both sides, so
// that a calling convention dropped on either side cannot compile.

#include <windows.h>

class CDeviceSettings;

extern "C" {
// sheetMode is a TunerSheetMode (contract/SheetMode.h) passed as int.
CDeviceSettings* WINAPI CreateConfigDialog(int sheetMode, HWND hWndParent);
int WINAPI DoConfigDialog();
void WINAPI DestroyConfigDialog();
}

using CreateConfigDialogFn = decltype(&CreateConfigDialog);
using DoConfigDialogFn = decltype(&DoConfigDialog);
using DestroyConfigDialogFn = decltype(&DestroyConfigDialog);
