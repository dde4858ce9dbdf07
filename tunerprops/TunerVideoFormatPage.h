#pragma once

#include "framework/PropertyPage.h"

class CDeviceSettings;

// The Video Format page: pixel format and image size.
class CTunerVideoFormatPage : public CPropertyPage {
    DECLARE_DYNCREATE(CTunerVideoFormatPage)
public:
    CTunerVideoFormatPage();

    CDeviceSettings* m_pSettings = nullptr; // the sheet's record; not owned

protected:
    DECLARE_MESSAGE_MAP()

    // Apply and OK store the format and drawing values and clear the mark.
    void OnOK() override;
    bool OnApply() override;
};
