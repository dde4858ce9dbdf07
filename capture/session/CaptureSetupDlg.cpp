#include "session/CaptureSetupDlg.h"

#include "framework/DataExchange.h"
#include "base/Handle.h"
#include "resources/resource.h"
#include "platform/AudioCompression.h"
#include "session/CaptureWindowServices.h"

#include <algorithm>

static_assert(sizeof(PCMWAVEFORMAT) == 16);
static_assert(sizeof(WAVEFORMATEX) == 18);

namespace {

constexpr double kMicroSecPerSecond = 1000000.0;
constexpr float kMinFrameRate = 0.017f;
constexpr float kMaxFrameRate = 100.0f;
constexpr int kMinVideoBuffers = 1;
constexpr int kMaxVideoBuffers = 1000;

// How many bytes of the format the details call reads, or 0 when the
// format claims more than the capture window gave us.
DWORD FormatBytes(const WAVEFORMATEX& format, DWORD available) {
    if (available < sizeof(PCMWAVEFORMAT))
        return 0;
    if (format.wFormatTag == WAVE_FORMAT_PCM)
        return sizeof(PCMWAVEFORMAT);
    if (available < sizeof(WAVEFORMATEX))
        return 0;
    const DWORD claimed = sizeof(WAVEFORMATEX) + format.cbSize;
    return claimed <= available ? claimed : 0;
}

} // namespace

BEGIN_MESSAGE_MAP(CCaptureSetupDlg, CDialog)
ON_BN_CLICKED(IDC_SETAUDIOFORMAT, OnSetAudioFormat)
ON_BN_CLICKED(IDC_ENABLETIMELIMIT, OnEnableTimeLimit)
ON_BN_CLICKED(IDC_PLATFORMWRITER, OnPlatformWriter)
END_MESSAGE_MAP()

CCaptureSetupDlg::CCaptureSetupDlg() : CDialog(IDD_CAPTURESETUP) {}

float CCaptureSetupDlg::FrameRateFor(DWORD dwMicroSecPerFrame) {
    return float(kMicroSecPerSecond / double(dwMicroSecPerFrame));
}

DWORD CCaptureSetupDlg::MicroSecPerFrameFor(float fFrameRate) {
    return DWORD(kMicroSecPerSecond / double(fFrameRate));
}

void CCaptureSetupDlg::FromCaptureParms(const CAPTUREPARMS& parms) {
    m_fFrameRate = FrameRateFor(parms.dwRequestMicroSecPerFrame);
    m_bCaptureAudio = parms.fCaptureAudio;
    m_bUseDosBuffers = parms.fUsingDOSMemory;
    m_nVideoBuffers = int(parms.wNumVideoRequested);
    m_bDisableWriteCache = parms.fDisableWriteCache;
    m_bEnableTimeLimit = parms.fLimitEnabled;
    m_nTimeLimit = parms.wTimeLimit;
}

void CCaptureSetupDlg::ToCaptureParms(CAPTUREPARMS& parms) const {
    parms.dwRequestMicroSecPerFrame = MicroSecPerFrameFor(m_fFrameRate);
    parms.fCaptureAudio = m_bCaptureAudio;
    parms.fUsingDOSMemory = m_bUseDosBuffers;
    parms.wNumVideoRequested = UINT(m_nVideoBuffers);
    parms.fDisableWriteCache = m_bDisableWriteCache;
    parms.fLimitEnabled = m_bEnableTimeLimit;
    parms.wTimeLimit = m_nTimeLimit;
}

void CCaptureSetupDlg::DoDataExchange(CDataExchange& dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_AUDIOFORMAT, m_wndAudioFormat);
    DDX_Text(dx, IDC_FRAMERATE, m_fFrameRate);
    DDV_MinMaxFloat(dx, m_fFrameRate, kMinFrameRate, kMaxFrameRate);
    DDX_Check(dx, IDC_CAPTUREAUDIO, m_bCaptureAudio);
    DDX_Check(dx, IDC_USEDOSBUFFERS, m_bUseDosBuffers);
    DDX_Text(dx, IDC_VIDEOBUFFERS, m_nVideoBuffers);
    DDV_MinMaxInt(dx, m_nVideoBuffers, kMinVideoBuffers, kMaxVideoBuffers);
    DDX_Check(dx, IDC_DISABLEWRITECACHE, m_bDisableWriteCache);
    DDX_Check(dx, IDC_ENABLETIMELIMIT, m_bEnableTimeLimit);
    // Checked even while disabled: the value goes into the record either way.
    DDX_Text(dx, IDC_TIMELIMIT, m_nTimeLimit);
    DDX_Check(dx, IDC_PLATFORMWRITER, m_bPlatformWriter);
    DDX_Check(dx, IDC_SOUNDINSTEP, m_bSoundInStep);
}

bool CCaptureSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    EnableTimeLimitControls();
    EnableSoundInStep();
    ShowAudioFormat(m_hWndCap, m_wndAudioFormat);
    return true;
}

void CCaptureSetupDlg::EnableTimeLimitControls() {
    const bool enabled =
        SendDlgItemMessageA(m_hWnd, IDC_ENABLETIMELIMIT, BM_GETCHECK, 0, 0) == BST_CHECKED;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SECONDS_LABEL), enabled);
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_TIMELIMIT), enabled);
}

void CCaptureSetupDlg::OnEnableTimeLimit() {
    EnableTimeLimitControls();
}

void CCaptureSetupDlg::EnableSoundInStep() {
    const bool own =
        SendDlgItemMessageA(m_hWnd, IDC_PLATFORMWRITER, BM_GETCHECK, 0, 0) != BST_CHECKED;
    ::EnableWindow(::GetDlgItem(m_hWnd, IDC_SOUNDINSTEP), own);
}

void CCaptureSetupDlg::OnPlatformWriter() {
    EnableSoundInStep();
}

void CCaptureSetupDlg::ShowAudioFormat(HWND hWndCap, CWnd& label) {
    label.SetWindowText("");
    // A format is asked for with a 16-bit size: a larger answer is not one.
    const DWORD size = capwnd::GetAudioFormatSize(hWndCap);
    if (size == 0 || size > 0xFFFF)
        return;
    UniqueGlobal memory(GlobalAlloc(GHND, size + capwnd::kRecordSlack));
    if (!memory)
        return;
    CGlobalLock<WAVEFORMATEX> format(memory.Get());
    if (format.Get() == nullptr || capwnd::GetAudioFormat(hWndCap, format.Get(), WORD(size)) == 0)
        return;
    const DWORD formatBytes = FormatBytes(*format.Get(), size);
    if (formatBytes == 0)
        return;
    ACMFORMATDETAILSA details{};
    details.cbStruct = sizeof details;
    details.dwFormatTag = format.Get()->wFormatTag;
    details.pwfx = format.Get();
    details.cbwfx = formatBytes;
    CAudioCompression::Current().FormatDetails(details, ACM_FORMATDETAILSF_FORMAT);
    details.szFormat[sizeof details.szFormat - 1] = '\0';
    label.SetWindowText(details.szFormat);
}

void CCaptureSetupDlg::OnSetAudioFormat() {
    CAudioCompression& compression = CAudioCompression::Current();
    DWORD largest = 0;
    if (compression.MaxFormatSize(largest) != MMSYSERR_NOERROR)
        largest = 0;
    const DWORD size = std::max(largest, capwnd::GetAudioFormatSize(m_hWndCap));
    if (size == 0 || size > 0xFFFF)
        return; // no format to start from and none to choose
    UniqueGlobal memory(GlobalAlloc(GHND, size + capwnd::kRecordSlack));
    if (!memory)
        return;
    CGlobalLock<WAVEFORMATEX> format(memory.Get());
    if (format.Get() == nullptr)
        return;
    capwnd::GetAudioFormat(m_hWndCap, format.Get(), WORD(size));

    ACMFORMATCHOOSEA choose{};
    choose.cbStruct = sizeof choose;
    choose.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
    // Only what the wave-input hardware records directly.
    choose.fdwEnum = ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT;
    // The chooser belongs with the dialog to the dialog's owner.
    choose.hwndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    choose.pwfx = format.Get();
    choose.cbwfx = size;
    if (compression.FormatChoose(choose) != MMSYSERR_NOERROR)
        return;
    capwnd::SetAudioFormat(m_hWndCap, format.Get(), WORD(size));
    ShowAudioFormat(m_hWndCap, m_wndAudioFormat);
}
