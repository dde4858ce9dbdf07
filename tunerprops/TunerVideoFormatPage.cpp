#include "tunerprops/TunerVideoFormatPage.h"

#include "tunerprops/DeviceSettings.h"
#include "contract/SettingsStore.h"
#include "tunerprops/resource.h"

IMPLEMENT_DYNCREATE(CTunerVideoFormatPage, CTunerPage)

BEGIN_MESSAGE_MAP(CTunerVideoFormatPage, CTunerPage)
ON_BN_CLICKED(IDC_FORMAT_DEFAULT, OnDefault)
END_MESSAGE_MAP()

namespace {

// The first button of each choice also stands for every code that is not
// listed: a stored width such as 320, or a format the card's format dialog
// does not offer, shows as the first choice.
using namespace settings_store;
constexpr CodeButton kSizeButtons[] = {
    {IDC_SMALL, kSmall.imageSize}, {IDC_MEDIUM, kMedium.imageSize}, {IDC_LARGE, kLarge.imageSize}};
constexpr CodeButton kFormatButtons[] = {{IDC_RGB15, kRgb15.imageFormat},
                                         {IDC_RGB24, kRgb24.imageFormat},
                                         {IDC_RGB32, kRgb32.imageFormat},
                                         {IDC_YUY2, kYuy2.imageFormat}};

int SizeButton(DWORD dwSizeCode) {
    return ButtonForCode(kSizeButtons, dwSizeCode, IDC_SMALL);
}
int FormatButton(DWORD dwFormatCode) {
    return ButtonForCode(kFormatButtons, dwFormatCode, IDC_RGB15);
}

} // namespace

const CTunerPage::ButtonChoice CTunerVideoFormatPage::kChoices[] = {
    {kSizeButtons, Choose(&CTunerVideoFormatPage::ChooseSize)},
    {kFormatButtons, Choose(&CTunerVideoFormatPage::ChooseFormat)},
};

CTunerVideoFormatPage::CTunerVideoFormatPage() : CTunerPage(IDD_VIDEO_FORMAT, kChoices) {}

bool CTunerVideoFormatPage::OnInitDialog() {
    CTunerPage::OnInitDialog();
    RefreshControls();
    return true;
}

void CTunerVideoFormatPage::RefreshControls() {
    MarkOnly(*this, kSizeButtons, SizeButton(m_pSettings->ImageSize));
    MarkOnly(*this, kFormatButtons, FormatButton(m_pSettings->ImageFormat));
    UpdateData(false);
}

// The size buttons move their marks themselves.
void CTunerVideoFormatPage::ChooseSize(DWORD dwSizeCode) {
    UpdateData(true);
    m_pSettings->ImageSize = dwSizeCode;
    m_pSettings->NotifyDriver();
    SetModified(true);
}

// The format buttons are marked here, since the hidden RGB 32 and YUY2 take
// part in the choice as well.
void CTunerVideoFormatPage::ChooseFormat(DWORD dwFormatCode) {
    MarkOnly(*this, kFormatButtons, FormatButton(dwFormatCode));
    m_pSettings->ImageFormat = dwFormatCode;
    m_pSettings->NotifyDriver();
    SetModified(true);
}

void CTunerVideoFormatPage::OnDefault() {
    m_pSettings->SetDefaults();
    RefreshControls();
    SetModified(true);
}
