#pragma once

#include "tunerprops/TunerPage.h"

#include <string>
class CDirectDrawCaps;

// The Drawing page: DirectDraw or GDI, the overlay preference, and a summary
// of the display's DirectDraw capabilities. A click changes the record and
// signals the driver at once; the registry follows at Apply or OK.
class CTunerDrawingPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerDrawingPage)
public:
    CTunerDrawingPage();

protected:
    DECLARE_MESSAGE_MAP()

    bool OnInitDialog() override;

private:
    // Shows the record's drawing type, preference and capabilities.
    void RefreshControls();
    void EnablePreference(bool bEnable);
    void MarkPreference(bool bOverlays);

    static const ButtonChoice kChoices[];
    void ChooseDrawingType(DWORD dwUseDirect);
    void ChoosePreference(DWORD dwFavorOverlays);

    void OnDefault();
};

// The one-line summary of the display's DirectDraw capabilities, from the
// library's string table.
std::string DirectDrawCapsSummary(const CDirectDrawCaps& caps);
