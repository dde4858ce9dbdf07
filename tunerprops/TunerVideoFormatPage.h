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

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // Marks the buttons of the record's size and format.
    void RefreshControls();
    void ChooseSize(DWORD dwSizeCode);
    void ChooseFormat(DWORD dwFormatCode);

    void OnSmall() { ChooseSize(25); }
    void OnMedium() { ChooseSize(50); }
    void OnLarge() { ChooseSize(100); }
    void OnRgb15() { ChooseFormat(0); }
    void OnRgb24() { ChooseFormat(1); }
    void OnRgb32() { ChooseFormat(2); }
    void OnYuy2() { ChooseFormat(3); }
    void OnDefault();

    CWnd m_btnLarge;
    CWnd m_btnMedium;
    CWnd m_btnSmall;
};
