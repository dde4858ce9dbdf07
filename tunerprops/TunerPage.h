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
};
