#include "framework/Dialog.h"

#include "framework/DataExchange.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOKCommand)
ON_COMMAND(IDCANCEL, OnCancelCommand)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_hTemplateModule(AfxGetResourceHandle()), m_nIDTemplate(nIDTemplate),
      m_pParentWnd(pParentWnd) {}

HWND CDialog::GetOwnerForModal() const {
    if (m_pParentWnd != nullptr)
        return m_pParentWnd->m_hWnd;
    // Without a parent the dialog belongs to the main window's top level,
    // or to whatever window is active.
    if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd)
        return GetLastActivePopup(main->m_hWnd);
    return GetActiveWindow();
}

INT_PTR CDialog::DoModal() {
    HRSRC hResource =
        FindResourceA(m_hTemplateModule, MAKEINTRESOURCEA(m_nIDTemplate), MAKEINTRESOURCEA(5));
    HGLOBAL hTemplate = hResource ? LoadResource(m_hTemplateModule, hResource) : nullptr;
    auto* pTemplate = hTemplate ? static_cast<LPCDLGTEMPLATEA>(LockResource(hTemplate)) : nullptr;
    if (pTemplate == nullptr)
        return -1;

    HookWindowCreate(this);
    const INT_PTR result = DialogBoxIndirectParamA(m_hTemplateModule, pTemplate, GetOwnerForModal(),
                                                   &DialogProcedure, 0);
    UnhookWindowCreate();
    return result;
}

void CDialog::EndDialog(int nResult) {
    ::EndDialog(m_hWnd, nResult);
}

bool CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_INITDIALOG) {
        *pResult = OnInitDialog();
        return true;
    }
    return CWnd::OnWndMsg(message, wParam, lParam, pResult);
}

bool CDialog::UpdateData(bool bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

void CDialog::DoDataExchange(CDataExchange&) {}

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

HBRUSH CDialog::OnCtlColor(HDC hdc, CWnd* pWnd, UINT nCtlColor) {
    if (CWinApp* app = AfxGetApp()) {
        if (HBRUSH brush = app->DialogCtlColor(hdc, nCtlColor))
            return brush;
    }
    return CWnd::OnCtlColor(hdc, pWnd, nCtlColor);
}
