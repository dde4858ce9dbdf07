#pragma once
// What the stand-in configuration library records of the calls it receives.

#include <windows.h>

struct FakeSheetCall {
    char name[24]; // "CreateConfigDialog", "DoConfigDialog", "DestroyConfigDialog"
    int sheetMode; // CreateConfigDialog only
    HWND parent;   // CreateConfigDialog only
    BOOL parentEnabled;
    BOOL topLevelEnabled; // of the last parent's top-level window
};

struct FakeSheetLog {
    int count;
    FakeSheetCall calls[16];
    // Run inside DoConfigDialog when set: what the sheet's pages would do.
    void(WINAPI* onDoConfigDialog)();
};

using FakeSheetLogFn = FakeSheetLog*(WINAPI*)();
