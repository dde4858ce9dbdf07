#include "framework/PropertyPage.h"

#include "framework/PropertySheet.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)

CPropertyPage::CPropertyPage(UINT nIDTemplate) : CDialog(nIDTemplate) {}

PROPSHEETPAGEA CPropertyPage::MakePageDescription() {
    PROPSHEETPAGEA page{};
    page.dwSize = sizeof page;
    page.dwFlags = PSP_DEFAULT | PSP_USECALLBACK;
    page.hInstance = m_hTemplateModule;
    page.pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    page.pfnDlgProc = &DialogProcedure;
    page.lParam = reinterpret_cast<LPARAM>(this);
    page.pfnCallback = &PageCallback;
    return page;
}

// The sheet control calls this just before it creates the page's window from
// the template: the window is bound to the page object from its first message.
UINT CALLBACK CPropertyPage::PageCallback(HWND, UINT uMsg, LPPROPSHEETPAGEA ppsp) {
    if (uMsg == PSPCB_CREATE && ppsp != nullptr) {
        auto* page = reinterpret_cast<CPropertyPage*>(ppsp->lParam);
        page->m_bFirstSetActive = true;
        HookWindowCreate(page);
    }
    return 1; // every page may be created
}

void CPropertyPage::SetModified(bool bChanged) {
    m_bModified = bChanged;
    if (m_hWnd == nullptr)
        return;
    if (HWND hSheet = ::GetParent(m_hWnd))
        ::SendMessageA(hSheet, bChanged ? PSM_CHANGED : PSM_UNCHANGED,
                       reinterpret_cast<WPARAM>(m_hWnd), 0);
}

bool CPropertyPage::OnSetActive() {
    if (m_bFirstSetActive)
        m_bFirstSetActive = false; // OnInitDialog has just filled the controls
    else
        UpdateData(false);
    return true;
}

bool CPropertyPage::OnKillActive() {
    return UpdateData(true);
}

bool CPropertyPage::OnApply() {
    OnOK();
    return true;
}

void CPropertyPage::OnReset() {
    OnCancel();
}

bool CPropertyPage::OnQueryCancel() {
    return true;
}

void CPropertyPage::OnOK() {}

void CPropertyPage::OnCancel() {}

bool CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    // The sheet's notifications come from the sheet window itself.
    if (nmhdr == nullptr || nmhdr->hwndFrom != ::GetParent(m_hWnd))
        return CDialog::OnNotify(wParam, lParam, pResult);
    const auto* notify = reinterpret_cast<PSHNOTIFY*>(lParam);
    switch (nmhdr->code) {
    case PSN_SETACTIVE:
        *pResult = OnSetActive() ? 0 : -1;
        return true;
    case PSN_KILLACTIVE:
        *pResult = OnKillActive() ? FALSE : TRUE;
        return true;
    case PSN_APPLY:
        if (!OnApply()) {
            *pResult = PSNRET_INVALID_NOCHANGEPAGE;
            return true;
        }
        // lParam is set when the sheet closes (OK), clear for Apply.
        if (m_pSheet != nullptr && notify->lParam != 0)
            m_pSheet->m_nModalResult = IDOK;
        *pResult = PSNRET_NOERROR;
        return true;
    case PSN_RESET:
        OnReset();
        if (m_pSheet != nullptr)
            m_pSheet->m_nModalResult = IDCANCEL;
        *pResult = 0;
        return true;
    case PSN_QUERYCANCEL:
        *pResult = OnQueryCancel() ? FALSE : TRUE;
        return true;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
}
