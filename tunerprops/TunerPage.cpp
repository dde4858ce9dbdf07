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

bool CTunerPage::ReadControls() {
    const bool bWasReading = m_bReadingControls;
    m_bReadingControls = true;
    const bool bRead = UpdateData(true);
    m_bReadingControls = bWasReading;
    return bRead;
}

// The sheet enables Apply for its pages only once the first page is up: a
// page that marked itself while it was being created says so again.
bool CTunerPage::OnSetActive() {
    if (IsModified())
        SetModified(true);
    return CPropertyPage::OnSetActive();
}
