#pragma once

#include "framework/PropertyPage.h"

class CDeviceSettings;

// The Drawing page: DirectDraw or GDI, and the display's DirectDraw capabilities.
class CTunerDrawingPage : public CPropertyPage {
    DECLARE_DYNCREATE(CTunerDrawingPage)
public:
    CTunerDrawingPage();

    CDeviceSettings* m_pSettings = nullptr; // the sheet's record; not owned

protected:
    DECLARE_MESSAGE_MAP()

    // Apply and OK store the format and drawing values and clear the mark.
    void OnOK() override;
    bool OnApply() override;
};
