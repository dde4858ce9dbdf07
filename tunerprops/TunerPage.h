#pragma once

#include "framework/PropertyPage.h"

class CDeviceSettings;

// What every page of the sheet shares: the sheet's settings record, and Apply
// and OK, which store the format and drawing values and clear the page's
// modified mark.
class CTunerPage : public CPropertyPage {
    DECLARE_DYNAMIC(CTunerPage)
public:
    CDeviceSettings* m_pSettings = nullptr; // the sheet's record; not owned

protected:
    explicit CTunerPage(UINT nIDTemplate) : CPropertyPage(nIDTemplate) {}

    void OnOK() override;
    bool OnApply() override;
    bool OnKillActive() override { return ReadControls(); }
    bool OnSetActive() override;

    // Reads the controls into the members; false when a field was refused.
    // The refusal's message box takes the focus from whatever field had it:
    // a field's own check on losing the focus waits while this runs
    // (IsReadingControls), so that one mistake gives one message.
    bool ReadControls();
    bool IsReadingControls() const { return m_bReadingControls; }

private:
    bool m_bReadingControls = false;
};
