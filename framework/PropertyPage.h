#pragma once

#include "framework/Dialog.h"

#include <commctrl.h>

class CPropertySheet;

// One page of a property sheet, built from a dialog template of its module.
// The sheet control creates the page's window when the page is first shown;
// the page answers the sheet's notifications through the virtual hooks below.
class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate);

    // Marks the page modified (enables the sheet's Apply button) or clears
    // the mark (Apply is disabled again once no page is marked).
    void SetModified(bool bChanged = true);
    bool IsModified() const { return m_bModified; }
    CPropertySheet* GetSheet() const { return m_pSheet; }

    // The page becomes the active page; false refuses. After the first
    // activation the members are moved into the controls again.
    virtual bool OnSetActive();
    // The page is about to be left (another tab, Apply or OK): the controls
    // are read and checked; false keeps the user on the page.
    virtual bool OnKillActive();
    // Apply or OK, for every page that has been shown; calls OnOK. False
    // refuses, keeping the sheet open on this page.
    virtual bool OnApply();
    // Cancel, for every page that has been shown; calls OnCancel.
    virtual void OnReset();
    // Whether Cancel may close the sheet.
    virtual bool OnQueryCancel();

protected:
    // A page's OK and Cancel only record the outcome: the sheet closes itself.
    void OnOK() override;
    void OnCancel() override;

    bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    friend class CPropertySheet;
    // The page's entry for the sheet control.
    PROPSHEETPAGEA MakePageDescription();
    static UINT CALLBACK PageCallback(HWND hWnd, UINT uMsg, LPPROPSHEETPAGEA ppsp);

    CPropertySheet* m_pSheet = nullptr;
    bool m_bModified = false;
    bool m_bFirstSetActive = true;
};
