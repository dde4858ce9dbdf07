#pragma once

#include "tunerprops/TunerPage.h"

// The Video Format page: pixel format and image size. A click changes the
// record and signals the driver at once; the registry follows at Apply or OK.
class CTunerVideoFormatPage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerVideoFormatPage)
public:
    CTunerVideoFormatPage();

protected:
    DECLARE_MESSAGE_MAP()

    bool OnInitDialog() override;

private:
    // Marks the buttons of the record's size and format.
    void RefreshControls();
    void ChooseSize(DWORD dwSizeCode);
    void ChooseFormat(DWORD dwFormatCode);

    static const ButtonChoice kChoices[];

    void OnDefault();
};
