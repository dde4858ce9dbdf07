#include "tunerprops/TunerColorPage.h"

#include "framework/DataExchange.h"
#include "tunerprops/DeviceSettings.h"
#include "tunerprops/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

IMPLEMENT_DYNCREATE(CTunerColorPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerColorPage, CTunerPage)
ON_WM_HSCROLL()
ON_CONTROL_RANGE(EN_KILLFOCUS, IDC_FIRST_CONTROL, IDC_LAST_CONTROL, LeaveField)
ON_BN_CLICKED(IDC_COLOR_DEFAULT, OnDefault)
END_MESSAGE_MAP()

namespace {

using Colour = CTunerColorPage::Colour;

struct ColourControls {
    const SettingValue* setting;
    int nSliderID;
    int nFieldID;
};
constexpr ColourControls kControls[CTunerColorPage::ColourCount] = {
    {&settings::Brightness, IDC_BRIGHTNESS_SLIDER, IDC_BRIGHTNESS},
    {&settings::Contrast, IDC_CONTRAST_SLIDER, IDC_CONTRAST},
    {&settings::Hue, IDC_HUE_SLIDER, IDC_HUE},
    {&settings::Saturation, IDC_SATURATION_SLIDER, IDC_SATURATION},
};

// The order in which the values are read back from the registry.
constexpr Colour kReadOrder[] = {Colour::Hue, Colour::Saturation, Colour::Brightness,
                                 Colour::Contrast};
constexpr DWORD kHighest = 255;
constexpr DWORD kDefault = 128;

} // namespace

CTunerColorPage::CTunerColorPage() : CTunerPage(IDD_COLOR) {}

// Only Brightness is held to the card's range here; the other fields are
// limited when they are stored.
void CTunerColorPage::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_BRIGHTNESS, m_nFieldValues[Brightness]);
    DDV_MinMaxUInt(dx, m_nFieldValues[Brightness], 0, kHighest);
    DDX_Text(dx, IDC_CONTRAST, m_nFieldValues[Contrast]);
    DDX_Text(dx, IDC_HUE, m_nFieldValues[Hue]);
    DDX_Text(dx, IDC_SATURATION, m_nFieldValues[Saturation]);
}

// The page shows the registry, which another writer may have filled: a
// value above 255 stays in its field, its trackbar stands at the end.
bool CTunerColorPage::OnInitDialog() {
    CTunerPage::OnInitDialog();
    ReloadFields();
    for (Colour colour : {Contrast, Saturation, Hue, Brightness}) {
        const int nSliderID = kControls[colour].nSliderID;
        SendDlgItemMessageA(m_hWnd, nSliderID, TBM_SETRANGEMIN, FALSE, 0);
        SendDlgItemMessageA(m_hWnd, nSliderID, TBM_SETRANGEMAX, FALSE, kHighest);
        SendDlgItemMessageA(m_hWnd, nSliderID, TBM_SETTICFREQ, 10, 0);
        SetSliderPos(colour, m_pSettings->Reload(*kControls[colour].setting));
    }
    UpdateData(false);
    return true;
}

void CTunerColorPage::StoreFromUser(Colour colour, DWORD dwValue) {
    if (dwValue <= kHighest)
        Store(colour, dwValue);
}

void CTunerColorPage::Store(Colour colour, DWORD dwValue) {
    m_pSettings->Store(*kControls[colour].setting, dwValue);
    m_pSettings->NotifyDriver();
}

void CTunerColorPage::ReloadFields() {
    for (Colour colour : kReadOrder)
        m_nFieldValues[colour] = m_pSettings->Reload(*kControls[colour].setting);
}

UINT CTunerColorPage::SliderPos(Colour colour) const {
    return UINT(SendDlgItemMessageA(m_hWnd, kControls[colour].nSliderID, TBM_GETPOS, 0, 0));
}

// A value beyond the range puts the thumb at the end, however large it is.
void CTunerColorPage::SetSliderPos(Colour colour, UINT nPos) {
    SendDlgItemMessageA(m_hWnd, kControls[colour].nSliderID, TBM_SETPOS, TRUE,
                        LPARAM(std::min<UINT>(nPos, kHighest)));
}

// Whichever trackbar moved, all four values are stored and the driver told
// of each, so that it follows the thumb while it is dragged.
void CTunerColorPage::OnHScroll(UINT, UINT, CWnd*) {
    for (Colour colour : {Brightness, Hue, Contrast, Saturation})
        StoreFromUser(colour, SliderPos(colour));
    Default();
    ReloadFields();
    UpdateData(false);
}

// A refused text keeps the field's previous value, which is stored again.
void CTunerColorPage::LeaveField(UINT nFieldID) {
    const auto* field = std::find_if(
        std::begin(kControls), std::end(kControls),
        [nFieldID](const ColourControls& controls) { return UINT(controls.nFieldID) == nFieldID; });
    if (field == std::end(kControls) || IsReadingControls())
        return;
    const auto colour = Colour(field - std::begin(kControls));
    ReadControls();
    StoreFromUser(colour, m_nFieldValues[colour]);
    SetSliderPos(colour, m_nFieldValues[colour]);
    SetModified(true);
}

// Only the four colour values return to their defaults.
void CTunerColorPage::OnDefault() {
    for (Colour colour : {Brightness, Contrast, Saturation, Hue}) {
        Store(colour, kDefault);
        SetSliderPos(colour, kDefault);
        m_nFieldValues[colour] = kDefault;
    }
    UpdateData(false);
    SetModified(true);
}
