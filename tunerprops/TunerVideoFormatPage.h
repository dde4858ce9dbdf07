#pragma once

#include "contract/SettingsStore.h"
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

    void OnSmall() { ChooseSize(settings_store::kSmall.imageSize); }
    void OnMedium() { ChooseSize(settings_store::kMedium.imageSize); }
    void OnLarge() { ChooseSize(settings_store::kLarge.imageSize); }
    void OnRgb15() { ChooseFormat(settings_store::kRgb15.imageFormat); }
    void OnRgb24() { ChooseFormat(settings_store::kRgb24.imageFormat); }
    void OnRgb32() { ChooseFormat(settings_store::kRgb32.imageFormat); }
    void OnYuy2() { ChooseFormat(settings_store::kYuy2.imageFormat); }
    void OnDefault();

    CWnd m_btnLarge;
    CWnd m_btnMedium;
    CWnd m_btnSmall;
};
