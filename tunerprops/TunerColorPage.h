#pragma once

#include "tunerprops/TunerPage.h"

// The Color page: brightness, contrast, saturation and hue.
class CTunerColorPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerColorPage)
public:
    CTunerColorPage();

protected:
    DECLARE_MESSAGE_MAP()
};
