#include "tunerprops/TunerVideoSourcePage.h"

#include "framework/DataExchange.h"
#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

#include <commctrl.h>

IMPLEMENT_DYNCREATE(CTunerVideoSourcePage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerVideoSourcePage, CTunerPage)
ON_BN_CLICKED(IDC_PAL_M, OnPalM)
ON_BN_CLICKED(IDC_MUTE, OnMute)
ON_BN_CLICKED(IDC_SOURCE_DEFAULT, OnDefault)
ON_EN_CHANGE(IDC_CHANNEL, OnChannelChange)
ON_CONTROL(EN_KILLFOCUS, IDC_CHANNEL, OnChannelKillFocus)
ON_BN_CLICKED(IDC_SWITCH, OnSwitch)
END_MESSAGE_MAP()

// The channels of a tuner band, both ends included.
struct CTunerVideoSourcePage::ChannelBand {
    DWORD dwLow;
    DWORD dwHigh;

    bool Contains(DWORD dwChannel) const { return dwLow <= dwChannel && dwChannel <= dwHigh; }
    DWORD Nearest(DWORD dwChannel) const {
        return dwChannel < dwLow ? dwLow : dwChannel > dwHigh ? dwHigh : dwChannel;
    }
};

namespace {

using ChannelBand = CTunerVideoSourcePage::ChannelBand;
constexpr ChannelBand kAir{2, 68};
constexpr ChannelBand kCable{1, 125};

// The page shows cable for a stored 1 only, while a typed channel is held to
// the air band for a stored 0 only: a value that is neither shows air and
// takes cable channels.
const ChannelBand& ShownBand(DWORD dwTuner) {
    return dwTuner == 1 ? kCable : kAir;
}
const ChannelBand& TypedBand(DWORD dwTuner) {
    return dwTuner == 0 ? kAir : kCable;
}

constexpr CodeButton kConnectorButtons[] = {{IDC_TUNER, 0}, {IDC_COMPOSITE, 1}, {IDC_SVIDEO, 2}};
constexpr CodeButton kStandardButtons[] = {
    {IDC_SECAM, 0}, {IDC_PAL_N, 1},      {IDC_PAL_M, 2},  {IDC_PAL, 3},
    {IDC_NTSC, 4},  {IDC_NTSC_JAPAN, 5}, {IDC_PAL_NC, 6},
};
constexpr CodeButton kBandButtons[] = {{IDC_AIR, 0}, {IDC_CABLE, 1}};
constexpr CodeButton kSoundButtons[] = {{IDC_STEREO, 0}, {IDC_SAP, 1}};

// The controls of the tuner's channel, usable with the tuner input only.
constexpr int kChannelControls[] = {IDC_CHANNEL, IDC_CHANNEL_SPIN,  IDC_AIR,
                                    IDC_CABLE,   IDC_CHANNEL_GROUP, IDC_SWITCH};

// What the page's Default stores besides putting the record to its defaults.
constexpr const SettingValue* kSourceValues[] = {
    &settings::Tuner,     &settings::Channel, &settings::VideoStandard, &settings::Sound,
    &settings::Connector, &settings::Mute,    &settings::AudioSource,
};

} // namespace

// PAL M has a handler of its own, which comes first.
const CTunerPage::ButtonChoice CTunerVideoSourcePage::kChoices[] = {
    {kConnectorButtons, Choose(&CTunerVideoSourcePage::ChooseConnector)},
    {kStandardButtons, Choose(&CTunerVideoSourcePage::ChooseStandard)},
    {kBandButtons, Choose(&CTunerVideoSourcePage::ChooseBand)},
    {kSoundButtons, Choose(&CTunerVideoSourcePage::ChooseSound)},
};

CTunerVideoSourcePage::CTunerVideoSourcePage() : CTunerPage(IDD_VIDEO_SOURCE, kChoices) {}

void CTunerVideoSourcePage::DoDataExchange(CDataExchange& dx) {
    DDX_Check(dx, IDC_MUTE, m_bMute);
    DDX_Text(dx, IDC_CHANNEL, m_nChannel);
    DDV_MinMaxUInt(dx, m_nChannel, 1, 128);
}

bool CTunerVideoSourcePage::OnInitDialog() {
    CTunerPage::OnInitDialog();
    RefreshControls();
    return true;
}

void CTunerVideoSourcePage::RefreshControls() {
    CDeviceSettings& record = *m_pSettings;
    const DWORD dwTuner = record.Reload(settings::Tuner);
    MarkOnly(*this, kBandButtons, dwTuner == 1 ? IDC_CABLE : IDC_AIR);
    const int nInputID =
        ButtonForCode(kConnectorButtons, record.Reload(settings::Connector), IDC_TUNER);
    MarkOnly(*this, kConnectorButtons, nInputID);
    EnableChannelControls(nInputID == IDC_TUNER);
    MarkOnly(*this, kStandardButtons,
             ButtonForCode(kStandardButtons, record.Reload(settings::VideoStandard), IDC_NTSC));
    MarkOnly(*this, kSoundButtons,
             ButtonForCode(kSoundButtons, record.Reload(settings::Sound), IDC_STEREO));
    m_bMute = record.Reload(settings::Mute) == 1;
    CheckButton(*this, IDC_MUTE, m_bMute);
    ShowChannel(ShownBand(dwTuner));
}

// A channel outside the band is stored at the band's nearer end, and that is
// what the page shows: with a registry that refuses the write, the edit
// still holds a channel the page accepts.
void CTunerVideoSourcePage::ShowChannel(const ChannelBand& band) {
    SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_SPIN, UDM_SETBUDDY,
                        reinterpret_cast<WPARAM>(::GetDlgItem(m_hWnd, IDC_CHANNEL)), 0);
    SetSpinRange(band);
    DWORD dwChannel = m_pSettings->Reload(settings::Channel);
    if (!band.Contains(dwChannel)) {
        dwChannel = band.Nearest(dwChannel);
        m_pSettings->Store(settings::Channel, dwChannel);
        m_pSettings->NotifyDriver();
    }
    SetSpinPos(dwChannel);
    m_nChannel = dwChannel;
    UpdateData(false);
}

void CTunerVideoSourcePage::EnableChannelControls(bool bEnable) {
    for (int nID : kChannelControls)
        ::EnableWindow(::GetDlgItem(m_hWnd, nID), bEnable);
}

UINT CTunerVideoSourcePage::SpinPos() const {
    return LOWORD(SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_SPIN, UDM_GETPOS, 0, 0));
}

void CTunerVideoSourcePage::SetSpinPos(UINT nChannel) {
    SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_SPIN, UDM_SETPOS, 0, MAKELPARAM(LOWORD(nChannel), 0));
}

void CTunerVideoSourcePage::SetSpinRange(const ChannelBand& band) {
    SendDlgItemMessageA(m_hWnd, IDC_CHANNEL_SPIN, UDM_SETRANGE, 0,
                        MAKELPARAM(WORD(band.dwHigh), WORD(band.dwLow)));
}

// Connector and AudioSource are one step: both are written before the two
// signals.
void CTunerVideoSourcePage::ChooseConnector(DWORD dwConnector) {
    CDeviceSettings& record = *m_pSettings;
    EnableChannelControls(dwConnector == 0);
    record.Store(settings::Connector, dwConnector);
    const DWORD dwMute = record.Reload(settings::Mute);
    record.Store(settings::AudioSource, CDeviceSettings::AudioSourceFor(dwMute, dwConnector));
    record.NotifyDriver();
    record.NotifyDriver();
    SetModified(true);
}

void CTunerVideoSourcePage::ChooseStandard(DWORD dwStandard) {
    m_pSettings->Store(settings::VideoStandard, dwStandard);
    m_pSettings->NotifyDriver();
    SetModified(true);
}

void CTunerVideoSourcePage::OnPalM() {
    ReadControls();
    ChooseStandard(2);
}

// The shown channel moves into the new band; the stored one waits for Switch.
void CTunerVideoSourcePage::ChooseBand(DWORD dwTuner) {
    m_pSettings->Store(settings::Tuner, dwTuner);
    m_pSettings->NotifyDriver();
    const ChannelBand& band = ShownBand(dwTuner);
    SetSpinPos(band.Nearest(SpinPos()));
    SetSpinRange(band);
    SetModified(true);
}

void CTunerVideoSourcePage::ChooseSound(DWORD dwSound) {
    m_pSettings->Store(settings::Sound, dwSound);
    m_pSettings->NotifyDriver();
    SetModified(true);
}

void CTunerVideoSourcePage::OnMute() {
    CDeviceSettings& record = *m_pSettings;
    ReadControls();
    record.Store(settings::Mute, DWORD(m_bMute));
    const DWORD dwMute = record.Reload(settings::Mute);
    const DWORD dwConnector = dwMute == 1 ? record.Connector : record.Reload(settings::Connector);
    record.Store(settings::AudioSource, CDeviceSettings::AudioSourceFor(dwMute, dwConnector));
    record.NotifyDriver();
    record.NotifyDriver();
    SetModified(true);
}

// Default means the defaults of this page in the registry too, so that the
// page, the registry and the driver agree on them; the driver hears of it
// once the last of them is written.
void CTunerVideoSourcePage::OnDefault() {
    CDeviceSettings& record = *m_pSettings;
    record.SetDefaults();
    for (const SettingValue* value : kSourceValues)
        record.Store(*value, record.*value->field);
    record.NotifyDriver();
    RefreshControls();
    SetModified(true);
}

// A typed channel is pulled into its band but not stored: Switch does that.
void CTunerVideoSourcePage::OnChannelKillFocus() {
    if (IsReadingControls())
        return;
    ReadControls();
    const ChannelBand& band = TypedBand(m_pSettings->Reload(settings::Tuner));
    if (!band.Contains(m_nChannel)) {
        m_nChannel = band.Nearest(m_nChannel);
        UpdateData(false);
    }
    SetSpinPos(m_nChannel);
    SetModified(true);
}

// Tunes to the typed channel; a text that is no channel of the band is ignored.
void CTunerVideoSourcePage::OnSwitch() {
    BOOL bNumber = FALSE;
    const UINT nChannel = ::GetDlgItemInt(m_hWnd, IDC_CHANNEL, &bNumber, FALSE);
    if (!bNumber || !TypedBand(m_pSettings->Reload(settings::Tuner)).Contains(nChannel))
        return;
    m_pSettings->Store(settings::Channel, nChannel);
    m_pSettings->NotifyDriver();
    m_nChannel = nChannel;
    SetSpinPos(nChannel);
}
