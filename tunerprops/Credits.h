#pragma once

#include "framework/PropertyPage.h"

// Fixed text about the library; built with the sheet, shown in no sheet mode.
class Credits : public CPropertyPage {
    DECLARE_DYNCREATE(Credits)
public:
    Credits();

protected:
    DECLARE_MESSAGE_MAP()
};
