#pragma once

#include "framework/PropertyPage.h"

class CDeviceSettings;

// The Video Source page: video input, television standard and the tuner's controls.
class CTunerVideoSourcePage : public CPropertyPage {
    DECLARE_DYNCREATE(CTunerVideoSourcePage)
public:
    CTunerVideoSourcePage();

    CDeviceSettings* m_pSettings = nullptr; // the sheet's record; not owned

protected:
    DECLARE_MESSAGE_MAP()

    // Apply and OK store the format and drawing values and clear the mark.
    void OnOK() override;
    bool OnApply() override;
};
