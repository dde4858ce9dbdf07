#include "session/VideoFormatDlg.h"

#include "contract/SettingsKey.h"
#include "resources/resource.h"
#include "session/CaptureWindowServices.h"
#include "session/VideoFormat.h"

#include <array>

IMPLEMENT_DYNAMIC(CVideoFormatDlg, CDialog)

BEGIN_MESSAGE_MAP(CVideoFormatDlg, CDialog)
ON_BN_CLICKED(IDC_SIZE_QUARTER, OnSizeQuarter)
ON_BN_CLICKED(IDC_SIZE_HALF, OnSizeHalf)
ON_BN_CLICKED(IDC_SIZE_FULL, OnSizeFull)
END_MESSAGE_MAP()

namespace {

// Each with the settings store's code.
struct SizePreset : settings_store::ImageSizeCode {
    const char* text;
};
constexpr std::array<SizePreset, 3> kSizes{{
    {settings_store::kSmall, "160x120"},
    {settings_store::kMedium, "320x240"},
    {settings_store::kLarge, "640x480"},
}};

struct FormatPreset : settings_store::ImageFormatCode {
    const char* text;
};
constexpr std::array<FormatPreset, 2> kFormats{{
    {settings_store::kRgb24, "24 bit RGB"},
    {settings_store::kRgb15, "15 bit RGB"},
}};

constexpr int kQuarter = 0;
constexpr int kHalf = 1;
constexpr int kFull = 2;
constexpr int kRgb24 = 0;
constexpr int kRgb15 = 1;

template <class Presets> void FillList(HWND hList, const Presets& presets, int selected) {
    ::SendMessageA(hList, CB_RESETCONTENT, 0, 0);
    for (const auto& preset : presets)
        ::SendMessageA(hList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(preset.text));
    ::SendMessageA(hList, CB_SETCURSEL, WPARAM(selected), 0);
}

int SizeIndexFor(LONG width) {
    if (width == kSizes[kQuarter].width)
        return kQuarter;
    if (width == kSizes[kFull].width)
        return kFull;
    return kHalf; // any other width shows as the middle size
}

// The settings store's values; the configuration library reads them at its next start.
void RecordFormat(DWORD imageFormat, DWORD imageSize) {
    // The key belongs to the configuration library: it is never created here.
    const CSettingsKey key = CSettingsKey::Open(KEY_SET_VALUE);
    key.WriteDword(settings_store::value_name::ImageFormat, imageFormat);
    key.WriteDword(settings_store::value_name::ImageSize, imageSize);
}

} // namespace

CVideoFormatDlg::CVideoFormatDlg(HWND hWndCap, CWnd* pParentWnd)
    : CDialog(IDD_VIDEOFORMAT, pParentWnd), m_hWndCap(hWndCap) {}

bool CVideoFormatDlg::OnInitDialog() {
    // No data exchange: the base initialisation has nothing to do.
    CVideoFormat format;
    format.Read(m_hWndCap); // unread, it shows as the middle size at 15 bits

    FillList(::GetDlgItem(m_hWnd, IDC_IMAGESIZE), kSizes, SizeIndexFor(format.Header().biWidth));
    // 16, 8, 32 bits or a compressed format all show as 15-bit RGB.
    FillList(::GetDlgItem(m_hWnd, IDC_IMAGEFORMAT), kFormats,
             format.Header().biBitCount == kFormats[kRgb24].bitCount ? kRgb24 : kRgb15);
    return true;
}

void CVideoFormatDlg::OnOK() {
    // The colour table of a palettised format goes back with the header: the
    // counts stay as read, and the driver reads as many entries as they say.
    CVideoFormat format;
    format.Read(m_hWndCap); // unread, nothing is set
    BITMAPINFOHEADER& header = format.Header();

    const auto sizeIndex = SendDlgItemMessageA(m_hWnd, IDC_IMAGESIZE, CB_GETCURSEL, 0, 0);
    const SizePreset& size =
        sizeIndex == kQuarter || sizeIndex == kHalf ? kSizes[size_t(sizeIndex)] : kSizes[kFull];
    const auto formatIndex = SendDlgItemMessageA(m_hWnd, IDC_IMAGEFORMAT, CB_GETCURSEL, 0, 0);
    const FormatPreset& pixels = formatIndex == kRgb24 ? kFormats[kRgb24] : kFormats[kRgb15];

    header.biWidth = size.width;
    header.biHeight = size.height;
    header.biBitCount = pixels.bitCount;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(LONG(header.biBitCount) * header.biHeight * header.biWidth / 8);

    // The display mode is put back as it was once the new format runs.
    CAPSTATUS status{};
    capwnd::GetStatus(m_hWndCap, status);
    capwnd::SetOverlay(m_hWndCap, FALSE);
    capwnd::SetPreview(m_hWndCap, FALSE);
    format.Send(m_hWndCap);
    // A short preview and a grab put a frame of the new format in the window.
    capwnd::SetPreview(m_hWndCap, TRUE);
    capwnd::SetPreview(m_hWndCap, FALSE);
    capwnd::GrabFrameNoStop(m_hWndCap);
    if (status.fOverlayWindow)
        capwnd::SetOverlay(m_hWndCap, TRUE);
    if (status.fLiveWindow)
        capwnd::SetPreview(m_hWndCap, TRUE);

    RecordFormat(pixels.imageFormat, size.imageSize);
    EndDialog(IDOK);
}

void CVideoFormatDlg::OnSizeQuarter() {
    SendDlgItemMessageA(m_hWnd, IDC_IMAGESIZE, CB_SETCURSEL, kQuarter, 0);
}

void CVideoFormatDlg::OnSizeHalf() {
    SendDlgItemMessageA(m_hWnd, IDC_IMAGESIZE, CB_SETCURSEL, kHalf, 0);
}

void CVideoFormatDlg::OnSizeFull() {
    SendDlgItemMessageA(m_hWnd, IDC_IMAGESIZE, CB_SETCURSEL, kFull, 0);
}
