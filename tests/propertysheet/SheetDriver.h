#pragma once
// Drives a modal property sheet on the test's own thread: a thread timer,
// which the sheet's modal loop dispatches, finds the sheet window once it is
// shown and runs a script against it with real window messages.

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "support/WindowText.h"

struct SheetRun {
    bool scriptRan = false; // false: no sheet with the caption appeared
    INT_PTR result = 0;     // what the call that ran the sheet returned
};

// Calls runSheet, which must run a modal sheet captioned `caption` on this
// thread, and script(sheet) once the sheet is visible. A sheet the script
// leaves open is cancelled. Without a sheet, runSheet must return by itself.
SheetRun RunModalSheet(const char* caption, const std::function<INT_PTR()>& runSheet,
                       const std::function<void(HWND)>& script);

// PSM_PRESSBUTTON, sent; then the messages it caused are processed. The
// script is expected to end the sheet with OK or Cancel, or CloseSheet;
// otherwise the sheet is cancelled after the script.
void PressButton(HWND hSheet, int button);
// The system menu's Close.
void CloseSheet(HWND hSheet);
// Processes the messages waiting on this thread.
void PumpMessages();
bool IsApplyEnabled(HWND hSheet);
std::vector<std::string> TabCaptions(HWND hSheet);
// The index of the page on top, -1 for none.
int CurrentPageIndex(HWND hSheet);
// Brings the page at nIndex to the top, as a click on its tab does.
void SelectPage(HWND hSheet, int nIndex);
