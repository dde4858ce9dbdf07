#pragma once

#include "tunerprops/TunerPage.h"

// The Drawing page: DirectDraw or GDI, and the display's DirectDraw capabilities.
class CTunerDrawingPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerDrawingPage)
public:
    CTunerDrawingPage();

protected:
    DECLARE_MESSAGE_MAP()
};
