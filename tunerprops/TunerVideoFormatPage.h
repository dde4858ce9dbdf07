#pragma once

#include "tunerprops/TunerPage.h"

// The Video Format page: pixel format and image size.
class CTunerVideoFormatPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerVideoFormatPage)
public:
    CTunerVideoFormatPage();

protected:
    DECLARE_MESSAGE_MAP()
};
