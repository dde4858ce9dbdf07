#include "tunerprops/TunerVideoFormatPage.h"

#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerVideoFormatPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CTunerVideoFormatPage, CPropertyPage)
END_MESSAGE_MAP()

CTunerVideoFormatPage::CTunerVideoFormatPage() : CPropertyPage(IDD_VIDEO_FORMAT) {}

void CTunerVideoFormatPage::OnOK() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    CPropertyPage::OnOK();
}

bool CTunerVideoFormatPage::OnApply() {
    m_pSettings->SaveFormatAndDrawing();
    SetModified(false);
    return CPropertyPage::OnApply();
}
