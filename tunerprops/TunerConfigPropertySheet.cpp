#include "tunerprops/TunerConfigPropertySheet.h"

IMPLEMENT_DYNAMIC(CTunerConfigPropertySheet, CPropertySheet)

BEGIN_MESSAGE_MAP(CTunerConfigPropertySheet, CPropertySheet)
END_MESSAGE_MAP()

namespace {
// A page made by its run-time class.
template <class Page> std::unique_ptr<Page> CreatePage() {
    return CreateObjectAs<Page>(Page::GetThisClass());
}
} // namespace

CTunerConfigPropertySheet::CTunerConfigPropertySheet(const char* lpszCaption, CWnd* pParentWnd,
                                                     UINT iSelectPage, TunerSheetMode mode)
    : CPropertySheet(lpszCaption, pParentWnd, iSelectPage),
      m_pVideoFormatPage(CreatePage<CTunerVideoFormatPage>()),
      m_pDrawingPage(CreatePage<CTunerDrawingPage>()), m_pColorPage(CreatePage<CTunerColorPage>()),
      m_pVideoSourcePage(CreatePage<CTunerVideoSourcePage>()),
      m_pCreditsPage(CreatePage<Credits>()), m_mode(mode) {
    m_pVideoFormatPage->AttachSettings(m_settings);
    m_pDrawingPage->AttachSettings(m_settings);
    m_pColorPage->AttachSettings(m_settings);
    m_pVideoSourcePage->AttachSettings(m_settings);
}

CTunerConfigPropertySheet::~CTunerConfigPropertySheet() = default;

INT_PTR CTunerConfigPropertySheet::DoModal() {
    // A second run shows the same pages again, not each page twice.
    RemoveAllPages();
    switch (m_mode) {
    case TunerSheetMode::VideoSource:
        AddPage(m_pVideoSourcePage.get());
        AddPage(m_pColorPage.get());
        break;
    case TunerSheetMode::VideoFormat:
        AddPage(m_pVideoFormatPage.get());
        break;
    case TunerSheetMode::VideoDisplay:
        AddPage(m_pDrawingPage.get());
        break;
    }
    return CPropertySheet::DoModal();
}
