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

    void OnTuner() { ChooseConnector(0); }
    void OnComposite() { ChooseConnector(1); }
    void OnSVideo() { ChooseConnector(2); }
    void OnSecam() { ChooseStandard(0); }
    void OnPalN() { ChooseStandard(1); }
    void OnPalM();
    void OnPal() { ChooseStandard(3); }
    void OnNtsc() { ChooseStandard(4); }
    void OnNtscJapan() { ChooseStandard(5); }
    void OnPalNc() { ChooseStandard(6); }
    void OnAir() { ChooseBand(0); }
    void OnCable() { ChooseBand(1); }
    void OnStereo() { ChooseSound(0); }
    void OnSap() { ChooseSound(1); }
    void OnMute();
    void OnDefault();
    void OnChannelChange() { SetModified(true); }
    void OnChannelKillFocus();
    void OnSwitch();

    BOOL m_bMute = FALSE; // the Mute box
    UINT m_nChannel = 0;  // the channel edit
};
