#include "session/CaptureSession.h"

#include "platform/CapturePlatform.h"
#include "recording/CaptureStatusPanes.h"
#include "recording/CaptureYield.h"
#include "recording/CopyrightNotice.h"
#include "recording/FileCapture.h"
#include "session/CaptureWindowServices.h"

#include <cstring>

namespace {
constexpr UINT kFocusedPreviewRate = 66;       // milliseconds per frame
constexpr UINT kBackgroundPreviewRate = 500;   // milliseconds per frame
constexpr DWORD kViewMicroSecPerFrame = 50000; // 20 frames per second
// The platform's default playback controls: no MCI window flags.
constexpr DWORD kPlaybackStyle = WS_CHILD | WS_VISIBLE | WS_BORDER;
constexpr UINT kPlacement = SWP_NOZORDER | SWP_NOACTIVATE;
} // namespace

void CCaptureSession::Open(HWND hWndParent, int nId) {
    m_hWndCap = CCapturePlatform::Current().CreateCaptureWindow("", WS_CHILD | WS_VISIBLE, 0, 0,
                                                                160, 120, hWndParent, nId);
    m_nDriverIndex = -1;
    for (int index = 0; index < kDriverCount; ++index) {
        if (capwnd::DriverConnect(m_hWndCap, index)) {
            m_nDriverIndex = index;
            break;
        }
    }
    if (!capwnd::DriverGetCaps(m_hWndCap, m_CapDriverCaps))
        ClearDriverRecords();
    capwnd::GetSequenceSetup(m_hWndCap, m_CaptureParms);
    m_CaptureParms.dwRequestMicroSecPerFrame = kViewMicroSecPerFrame;
}

void CCaptureSession::StartLive() {
    capwnd::SetPreviewRate(m_hWndCap, kFocusedPreviewRate);
    if (m_CapDriverCaps.fHasOverlay)
        capwnd::SetOverlay(m_hWndCap, TRUE);
    else
        capwnd::SetPreview(m_hWndCap, TRUE);
}

void CCaptureSession::InstallCallbacks(CAPSTATUSCALLBACKA onStatus, CAPERRORCALLBACKA onError) {
    capwnd::SetCallbackOnStatus(m_hWndCap, onStatus);
    capwnd::SetCallbackOnError(m_hWndCap, onError);
}

bool CCaptureSession::ConnectDriver(int nIndex) {
    if (!capwnd::DriverConnect(m_hWndCap, nIndex)) {
        m_nDriverIndex = -1;
        ClearDriverRecords();
        return false;
    }
    m_nDriverIndex = nIndex;
    capwnd::DriverGetCaps(m_hWndCap, m_CapDriverCaps);
    return true;
}

void CCaptureSession::ClearDriverRecords() {
    std::memset(&m_CapDriverCaps, 0, sizeof m_CapDriverCaps);
    std::memset(&m_CapStatus, 0, sizeof m_CapStatus);
}

void CCaptureSession::RefreshStatus() {
    if (m_hWndCap != nullptr && ::IsWindow(m_hWndCap))
        capwnd::GetStatus(m_hWndCap, m_CapStatus);
}

const CAPSTATUS& CCaptureSession::FreshStatus() {
    RefreshStatus();
    return m_CapStatus;
}

void CCaptureSession::ToggleOverlay() {
    RefreshStatus();
    m_CapStatus.fOverlayWindow = m_CapStatus.fOverlayWindow ? FALSE : TRUE;
    capwnd::SetOverlay(m_hWndCap, m_CapStatus.fOverlayWindow);
}

void CCaptureSession::TogglePreview() {
    RefreshStatus();
    m_CapStatus.fLiveWindow = m_CapStatus.fLiveWindow ? FALSE : TRUE;
    capwnd::SetPreview(m_hWndCap, m_CapStatus.fLiveWindow);
}

void CCaptureSession::SetFocused(bool bFocused) {
    if (bFocused)
        capwnd::Send(m_hWndCap, WM_QUERYNEWPALETTE);
    capwnd::SetPreviewRate(m_hWndCap, bFocused ? kFocusedPreviewRate : kBackgroundPreviewRate);
}

void CCaptureSession::Resize(int cx, int cy) {
    RefreshStatus();
    if (m_hWndPlayback != nullptr) {
        ::SetWindowPos(m_hWndPlayback, nullptr, 0, 0, cx, cy, kPlacement);
        return;
    }
    const SIZE size = m_CapStatus.fScale ? SIZE{cx, cy} : ImageSize();
    ::SetWindowPos(m_hWndCap, nullptr, 0, 0, size.cx, size.cy, kPlacement);
}

void CCaptureSession::TogglePlayback(HWND hWndParent, HINSTANCE hInstance) {
    if (m_hWndPlayback != nullptr) {
        ::ShowWindow(m_hWndCap, SW_SHOW);
        ::SendMessageA(m_hWndPlayback, WM_CLOSE, 0, 0); // closes the file, destroys itself
        m_hWndPlayback = nullptr;
        return;
    }
    ::ShowWindow(m_hWndCap, SW_HIDE);
    char path[MAX_PATH] = {};
    GetCaptureFile(path, sizeof path);
    m_hWndPlayback = CCapturePlatform::Current().CreatePlaybackWindow(hWndParent, hInstance,
                                                                      kPlaybackStyle, path);
    // Without a playback window the live picture is not left hidden.
    if (m_hWndPlayback == nullptr)
        ::ShowWindow(m_hWndCap, SW_SHOW);
}

SIZE CCaptureSession::PictureSize() {
    if (m_hWndPlayback == nullptr) {
        RefreshStatus();
        return ImageSize();
    }
    RECT playback{};
    ::GetWindowRect(m_hWndPlayback, &playback);
    return SIZE{playback.right - playback.left, playback.bottom - playback.top};
}

SIZE CCaptureSession::ImageSize() const {
    return SIZE{LONG(m_CapStatus.uiImageWidth), LONG(m_CapStatus.uiImageHeight)};
}

CVideoFormat CCaptureSession::VideoFormat() const {
    CVideoFormat format;
    format.Read(m_hWndCap);
    return format;
}

void CCaptureSession::CaptureVideo(CAPERRORCALLBACKA onError) {
    CCaptureYield yield(m_hWndCap, m_CaptureParms.vKeyAbort);
    if (m_writer.m_bPlatformWriter)
        CaptureWithPlatformWriter();
    else
        CaptureWithOwnWriter(onError);
}

void CCaptureSession::CaptureWithPlatformWriter() {
    char notice[sizeof kCopyrightNotice];
    std::memcpy(notice, kCopyrightNotice, sizeof notice);
    CAPINFOCHUNK chunk{};
    chunk.fccInfoID = kCopyrightChunkId;
    chunk.lpData = notice;
    chunk.cbData = LONG(sizeof notice);
    capwnd::FileSetInfoChunk(m_hWndCap, chunk);
    capwnd::SetSequenceSetup(m_hWndCap, m_CaptureParms);
    // Returns when the capture ends; progress and errors reach the user
    // through the status and error callbacks meanwhile.
    capwnd::Sequence(m_hWndCap);
}

void CCaptureSession::CaptureWithOwnWriter(CAPERRORCALLBACKA onError) {
    CFileCapture::Settings settings;
    settings.parms = m_CaptureParms;
    settings.info = CopyrightInfoList();
    settings.compressor = m_compressor.Compressor();
    settings.soundInStep = m_writer.m_bSoundInStep;
    settings.errorCallback = onError;
    CCaptureStatusPanes panes(m_CaptureParms.dwRequestMicroSecPerFrame, onError);
    CFileCapture capture(m_hWndCap, panes);
    // Returns when the capture ends; the device's status texts, the panes'
    // figures and any error reach the user meanwhile.
    capture.Run(settings);
    if (capture.FileWritten())
        panes.ShowSummary(capture.Figures(), capture.FileName().c_str());
    else
        panes.ShowNothingCaptured(capture.FileName().c_str());
}

void CCaptureSession::GrabSingleFrame() {
    capwnd::SetOverlay(m_hWndCap, FALSE);
    capwnd::SetPreview(m_hWndCap, FALSE);
    // Setting the format again makes the driver start from a fresh frame.
    // A format that could not be read whole is not set.
    CVideoFormat format = VideoFormat();
    format.Send(m_hWndCap);
    capwnd::GrabFrameNoStop(m_hWndCap);
}
