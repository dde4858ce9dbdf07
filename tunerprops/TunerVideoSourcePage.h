#pragma once

#include "tunerprops/TunerPage.h"

// The Video Source page: video input, television standard and the tuner's
// band, channel and sound. Every choice is stored and signalled at once; a
// typed channel is stored by Switch. The template keeps the tuner's controls
// hidden, which alone decides what the user reaches: the page handles them
// all the same.
class CTunerVideoSourcePage : public CTunerPage {
    DECLARE_DYNCREATE(CTunerVideoSourcePage)
public:
    CTunerVideoSourcePage();

    struct ChannelBand;

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

private:
    // Shows what the registry holds, pulling a stored channel into its band.
    void RefreshControls();
    void ShowChannel(const ChannelBand& band);
    void EnableChannelControls(bool bEnable);
    UINT SpinPos() const;
    void SetSpinPos(UINT nChannel);
    void SetSpinRange(const ChannelBand& band);

    void ChooseConnector(DWORD dwConnector);
    void ChooseStandard(DWORD dwStandard);
    void ChooseBand(DWORD dwTuner);
    void ChooseSound(DWORD dwSound);

    static const ButtonChoice kChoices[];

    void OnPalM();
    void OnMute();
    void OnDefault();
    void OnChannelChange() { SetModified(true); }
    void OnChannelKillFocus();
    void OnSwitch();

    BOOL m_bMute = FALSE; // the Mute box
    UINT m_nChannel = 0;  // the channel edit
};
