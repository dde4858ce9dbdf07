#include "tunerprops/TunerDrawingPage.h"

#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerDrawingPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTunerDrawingPage, CPropertyPage)
END_MESSAGE_MAP()

CTunerDrawingPage::CTunerDrawingPage() : CPropertyPage(IDD_DRAWING) {}

void CTunerDrawingPage::OnOK() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    CPropertyPage::OnOK();
}

bool CTunerDrawingPage::OnApply() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    return CPropertyPage::OnApply();
}
