#include "tunerprops/TunerColorPage.h"

#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerColorPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTunerColorPage, CPropertyPage)
END_MESSAGE_MAP()

CTunerColorPage::CTunerColorPage() : CPropertyPage(IDD_COLOR) {}

void CTunerColorPage::OnOK() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    CPropertyPage::OnOK();
}

bool CTunerColorPage::OnApply() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    return CPropertyPage::OnApply();
}
