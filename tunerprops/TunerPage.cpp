#include "tunerprops/TunerPage.h"

#include "tunerprops/DeviceSettings.h"

IMPLEMENT_DYNAMIC(CTunerPage, CPropertyPage)

void CTunerPage::OnOK() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    CPropertyPage::OnOK();
}

bool CTunerPage::OnApply() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    return CPropertyPage::OnApply();
}
