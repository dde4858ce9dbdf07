#pragma once

#include <windows.h>

class CCmdTarget;
class CWnd;

// The state of one command's user-interface element (a menu item, a toolbar
// button), asked of the command's update handler when the element is about
// to be shown.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;        // position of the menu item or button
    HMENU m_hMenu = nullptr;  // the popup menu holding the item, if a menu item
    CWnd* m_pOther = nullptr; // the control holding the element, if not a menu item
    bool m_bEnableChanged = false;
    bool m_bContinueRouting = false;

    virtual ~CCmdUI() = default;
    virtual void Enable(bool bOn = true);
    virtual void SetCheck(int nCheck = 1); // 0 unchecked, 1 checked
    virtual void SetText(const char* lpszText);
    void ContinueRouting() { m_bContinueRouting = true; }

    // Asks the target (and its routing chain) for the state. Without an
    // update handler the element is disabled when bDisableIfNoHandler is set
    // and no command handler exists either.
    bool DoUpdate(CCmdTarget* pTarget, bool bDisableIfNoHandler);
};

// Records the state instead of showing it; used to test whether a command is
// enabled before running it from an accelerator.
class CTestCmdUI : public CCmdUI {
public:
    bool m_bEnabled = true;
    int m_nCheck = 0;
    void Enable(bool bOn = true) override;
    void SetCheck(int nCheck = 1) override;
    void SetText(const char*) override {}
};
