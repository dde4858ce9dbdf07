#pragma once

#include "tunerprops/TunerPage.h"

// The Video Source page: video input, television standard and the tuner's controls.
class CTunerVideoSourcePage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerVideoSourcePage)
public:
    CTunerVideoSourcePage();

protected:
    DECLARE_MESSAGE_MAP()
};
