#pragma once

#include "framework/Wnd.h"

class CDataExchange;

// A dialog box built from a dialog template of the resource module, run
// modally, with data exchange between its controls and its members.
class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog and returns the value given to EndDialog, or -1 when
    // the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    // Moves the members into the controls (false) or the controls' contents,
    // validated, into the members (true); false when a field was refused.
    bool UpdateData(bool bSaveAndValidate = true);

    UINT GetTemplateId() const { return m_nIDTemplate; }
    // The module whose template the dialog uses; the resource module by default.
    HINSTANCE m_hTemplateModule;

protected:
    DECLARE_MESSAGE_MAP()

    virtual void DoDataExchange(CDataExchange& dx);
    // Fills the controls from the members; true lets the system set the focus.
    virtual bool OnInitDialog();
    // OK: takes the controls' contents and closes with IDOK when they are valid.
    virtual void OnOK();
    virtual void OnCancel();

    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    HBRUSH OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor);
    // The window that owns the dialog while it runs.
    HWND GetOwnerForModal() const;
    // The dialog procedure of the framework's dialogs and pages. Their
    // windows are subclassed at creation, so every message reaches the
    // object through its window procedure first and this procedure only sees
    // default processing.
    static INT_PTR CALLBACK DialogProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    void OnOKCommand() { OnOK(); }
    void OnCancelCommand() { OnCancel(); }
};
