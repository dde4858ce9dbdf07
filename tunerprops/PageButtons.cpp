#include "tunerprops/PageButtons.h"

#include "framework/Wnd.h"

int ButtonForCode(std::span<const CodeButton> buttons, DWORD dwCode, int nOtherID) {
    for (const CodeButton& button : buttons) {
        if (button.dwCode == dwCode)
            return button.nID;
    }
    return nOtherID;
}

void MarkOnly(CWnd& page, std::span<const CodeButton> buttons, int nMarkedID) {
    for (const CodeButton& button : buttons)
        CheckButton(page, button.nID, button.nID == nMarkedID);
}

void CheckButton(CWnd& page, int nID, bool bChecked) {
    ::SendDlgItemMessageA(page.m_hWnd, nID, BM_SETCHECK, bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}
