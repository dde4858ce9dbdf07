#include "framework/PropertySheet.h"

#include "framework/PropertyPage.h"
#include "framework/WinApp.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
END_MESSAGE_MAP()

CPropertySheet::CPropertySheet(const char* lpszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(lpszCaption ? lpszCaption : ""), m_pParentWnd(pParentWnd),
      m_nStartPage(iSelectPage) {}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    pPage->m_pSheet = this;
    m_pages.push_back(pPage);
}

void CPropertySheet::RemoveAllPages() {
    for (CPropertyPage* page : m_pages)
        page->m_pSheet = nullptr;
    m_pages.clear();
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[size_t(nPage)] : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const {
    if (m_hWnd == nullptr)
        return nullptr;
    HWND hPage = PropSheet_GetCurrentPageHwnd(m_hWnd);
    for (CPropertyPage* page : m_pages) {
        if (hPage != nullptr && page->m_hWnd == hPage)
            return page;
    }
    return nullptr;
}

INT_PTR CPropertySheet::DoModal() {
    // The page templates may hold any of the common controls.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<PROPSHEETPAGEA> pages;
    pages.reserve(m_pages.size());
    for (CPropertyPage* page : m_pages)
        pages.push_back(page->MakePageDescription());

    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE;
    // The control disables the window it is given while it runs. A child
    // window would leave the rest of the program usable, so the sheet takes
    // the child's top-level window, as a dialog takes its owner.
    HWND hOwner = m_pParentWnd ? m_pParentWnd->m_hWnd : GetActiveWindow();
    if (hOwner != nullptr)
        hOwner = ::GetAncestor(hOwner, GA_ROOT);
    const bool bOwnerWasEnabled = hOwner != nullptr && ::IsWindowEnabled(hOwner);
    header.hwndParent = hOwner;
    header.hInstance = AfxGetResourceHandle();
    header.pszCaption = m_strCaption.c_str();
    header.nPages = UINT(pages.size());
    header.nStartPage = m_nStartPage < pages.size() ? m_nStartPage : 0;
    header.ppsp = pages.data();

    m_nModalResult = IDCANCEL;
    // The sheet's dialog window is the first window the control creates; the
    // pages bind themselves as they are created (see CPropertyPage).
    HookWindowCreate(this);
    const INT_PTR result = PropertySheetA(&header);
    UnhookWindowCreate();
    // The control enables its parent again at the end; one that was
    // disabled before (by another modal loop) stays so.
    if (hOwner != nullptr && !bOwnerWasEnabled && ::IsWindow(hOwner))
        ::EnableWindow(hOwner, FALSE);
    return result < 0 ? -1 : m_nModalResult;
}
