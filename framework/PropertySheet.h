#pragma once

#include "framework/Wnd.h"

#include <string>
#include <vector>

class CPropertyPage;

// A modal property sheet run by the platform's property-sheet control, with
// OK, Cancel and Apply buttons and one tab per added page. The sheet does not
// own its pages; they must outlive DoModal.
class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    // The caption, the window that owns the sheet while it runs (null: the
    // active window) and the index of the page shown first.
    explicit CPropertySheet(const char* lpszCaption, CWnd* pParentWnd = nullptr,
                            UINT iSelectPage = 0);

    void AddPage(CPropertyPage* pPage);
    // Takes every page off the sheet (while it does not run).
    void RemoveAllPages();
    int GetPageCount() const { return int(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    // The page on top while the sheet runs, else null.
    CPropertyPage* GetActivePage() const;

    // Runs the sheet until OK, Cancel or closing: IDOK after OK, IDCANCEL
    // otherwise, -1 when the sheet could not be created.
    virtual INT_PTR DoModal();

    std::string m_strCaption;
    CWnd* m_pParentWnd;
    UINT m_nStartPage;

protected:
    DECLARE_MESSAGE_MAP()

private:
    friend class CPropertyPage;
    std::vector<CPropertyPage*> m_pages;
    int m_nModalResult = IDCANCEL;
};
