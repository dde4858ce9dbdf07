#include "tunerprops/TunerVideoSourcePage.h"

#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerVideoSourcePage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTunerVideoSourcePage, CPropertyPage)
END_MESSAGE_MAP()

CTunerVideoSourcePage::CTunerVideoSourcePage() : CPropertyPage(IDD_VIDEO_SOURCE) {}

void CTunerVideoSourcePage::OnOK() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    CPropertyPage::OnOK();
}

bool CTunerVideoSourcePage::OnApply() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    return CPropertyPage::OnApply();
}
