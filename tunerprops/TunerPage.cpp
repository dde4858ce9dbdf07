#include "tunerprops/TunerPage.h"

#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNAMIC(CTunerPage, CPropertyPage)

// A page's own entries come first: its other buttons keep their handlers.
BEGIN_MESSAGE_MAP(CTunerPage, CPropertyPage)
ON_CONTROL_RANGE(BN_CLICKED, IDC_FIRST_CONTROL, IDC_LAST_CONTROL, OnButtonClicked)
END_MESSAGE_MAP()

void CTunerPage::OnButtonClicked(UINT nID) {
    for (const ButtonChoice& choice : m_choices) {
        for (const CodeButton& button : choice.buttons) {
            if (UINT(button.nID) == nID)
                return (this->*choice.choose)(button.dwCode);
        }
    }
}

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
