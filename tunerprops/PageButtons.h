#pragma once

#include <windows.h>

#include <span>

class CWnd;

// A page's radio buttons of one choice, with the stored code each stands for.
struct CodeButton {
    int nID;
    DWORD dwCode;
};

// The button of the code; nOtherID for a code that none of them stands for.
int ButtonForCode(std::span<const CodeButton> buttons, DWORD dwCode, int nOtherID);
// Marks the one button and clears the others, in the table's order.
void MarkOnly(CWnd& page, std::span<const CodeButton> buttons, int nMarkedID);
void CheckButton(CWnd& page, int nID, bool bChecked);
