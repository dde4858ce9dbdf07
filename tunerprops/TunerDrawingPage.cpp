#include "tunerprops/TunerDrawingPage.h"

#include "framework/WinApp.h"
#include "tunerprops/DeviceSettings.h"
#include "tunerprops/PageButtons.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerDrawingPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerDrawingPage, CTunerPage)
ON_BN_CLICKED(IDC_DRAWING_DEFAULT, OnDefault)
END_MESSAGE_MAP()

namespace {

constexpr CodeButton kDrawingTypeButtons[] = {{IDC_USE_DIRECT_DRAW, 1}, {IDC_USE_GDI, 0}};
constexpr CodeButton kPreferenceButtons[] = {{IDC_FAVOR_OVERLAYS, 1}, {IDC_FAVOR_OFFSCREEN, 0}};

// The driver writes 1 for yes; any other number, whatever it means to the
// driver, is not a yes.
bool IsSet(DWORD dwFlag) {
    return dwFlag == 1;
}

// The names of the formats whose flags are set, in the order RGB15, RGB24,
// RGB32, YUY2, or "None"; closed by the list's end either way.
std::string FormatList(DWORD dwRgb15, DWORD dwRgb24, DWORD dwRgb32, DWORD dwYuy2) {
    const struct {
        DWORD dwFlag;
        UINT nNameID;
    } formats[] = {
        {dwRgb15, IDS_RGB15}, {dwRgb24, IDS_RGB24}, {dwRgb32, IDS_RGB32}, {dwYuy2, IDS_YUY2}};
    std::string list;
    for (const auto& format : formats) {
        if (!IsSet(format.dwFlag))
            continue;
        if (!list.empty())
            list += AfxLoadString(IDS_LIST_SEPARATOR);
        list += AfxLoadString(format.nNameID);
    }
    if (list.empty())
        list = AfxLoadString(IDS_NONE);
    return list + AfxLoadString(IDS_LIST_END);
}

} // namespace

std::string DirectDrawCapsSummary(const CDirectDrawCaps& caps) {
    if (!IsSet(caps.DDAvailable))
        return AfxLoadString(IDS_DD_NOT_AVAILABLE);
    std::string summary = AfxLoadString(IDS_DD_CAPABLE);
    if (IsSet(caps.DDSupportsOverlays))
        summary += AfxLoadString(IDS_OVERLAYS_SUPPORTED) +
                   FormatList(caps.DDSupportsRGB15, caps.DDSupportsRGB24, caps.DDSupportsRGB32,
                              caps.DDSupportsYUY2);
    if (IsSet(caps.DDSupportsOffScreenPlanes))
        summary += AfxLoadString(IDS_OSP_SUPPORTED) +
                   FormatList(caps.DDSupportsOSPRGB15, caps.DDSupportsOSPRGB24,
                              caps.DDSupportsOSPRGB32, caps.DDSupportsOSPYUY2);
    else
        summary += AfxLoadString(IDS_OSP_NOT_SUPPORTED);
    return summary;
}

const CTunerPage::ButtonChoice CTunerDrawingPage::kChoices[] = {
    {kDrawingTypeButtons, Choose(&CTunerDrawingPage::ChooseDrawingType)},
    {kPreferenceButtons, Choose(&CTunerDrawingPage::ChoosePreference)},
};

CTunerDrawingPage::CTunerDrawingPage() : CTunerPage(IDD_DRAWING, kChoices) {}

bool CTunerDrawingPage::OnInitDialog() {
    CTunerPage::OnInitDialog();
    RefreshControls();
    return true;
}

// The shown drawing type is Direct Draw only where the display has it; the
// stored choice itself is left as it is, so that the driver keeps it for a
// display that has Direct Draw again.
void CTunerDrawingPage::RefreshControls() {
    const CDirectDrawCaps& caps = m_pSettings->m_ddCaps;
    MarkPreference(m_pSettings->FavorOverlays == 1);
    const bool bShowDirect = IsSet(caps.DDAvailable) && m_pSettings->UseDirect == 1;
    CheckButton(*this, IDC_USE_DIRECT_DRAW, bShowDirect);
    CheckButton(*this, IDC_USE_GDI, !bShowDirect);
    EnablePreference(bShowDirect);
    if (!IsSet(caps.DDAvailable))
        ::EnableWindow(::GetDlgItem(m_hWnd, IDC_USE_DIRECT_DRAW), FALSE);
    SetDlgItemText(IDC_CAPABILITIES, DirectDrawCapsSummary(caps).c_str());
    UpdateData(false);
}

void CTunerDrawingPage::EnablePreference(bool bEnable) {
    for (int nID : {IDC_FAVOR_OVERLAYS, IDC_FAVOR_OFFSCREEN})
        ::EnableWindow(::GetDlgItem(m_hWnd, nID), bEnable);
}

void CTunerDrawingPage::MarkPreference(bool bOverlays) {
    CheckButton(*this, IDC_FAVOR_OVERLAYS, bOverlays);
    CheckButton(*this, IDC_FAVOR_OFFSCREEN, !bOverlays);
}

// A click changes the record and tells the driver at once; the registry
// follows at Apply or OK.
void CTunerDrawingPage::ChooseDrawingType(DWORD dwUseDirect) {
    m_pSettings->UseDirect = dwUseDirect;
    m_pSettings->NotifyDriver();
    EnablePreference(dwUseDirect == 1);
    SetModified(true);
}

void CTunerDrawingPage::ChoosePreference(DWORD dwFavorOverlays) {
    m_pSettings->FavorOverlays = dwFavorOverlays;
    m_pSettings->NotifyDriver();
    MarkPreference(dwFavorOverlays == 1);
    SetModified(true);
}

void CTunerDrawingPage::OnDefault() {
    m_pSettings->SetDefaults();
    RefreshControls();
    SetModified(true);
}
