#pragma once

#include "framework/PropertyPage.h"

class CDeviceSettings;

// The Color page: brightness, contrast, saturation and hue.
class CTunerColorPage : public CPropertyPage {
    DECLARE_DYNCREATE(CTunerColorPage)
public:
    CTunerColorPage();

    CDeviceSettings* m_pSettings = nullptr; // the sheet's record; not owned

protected:
    DECLARE_MESSAGE_MAP()

    // Apply and OK store the format and drawing values and clear the mark.
    void OnOK() override;
    bool OnApply() override;
};
