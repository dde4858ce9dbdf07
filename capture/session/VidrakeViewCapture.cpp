// The view's capture commands: Capture Setup, Capture Video, Single Frame
// and Video Compression.

#include "framework/CmdUI.h"
#include "framework/WinApp.h"
#include "session/CaptureSetupDlg.h"
#include "session/CaptureStatusPanes.h"
#include "session/CaptureWindow.h"
#include "session/FileCapture.h"
#include "session/VideoFormat.h"
#include "session/VidrakeView.h"

#include <cstring>

namespace {

constexpr const char kCapturePrompt[] =
    "Select OK to start capture of video sequence,\npress ESC to stop capture.";
// Written into every capture file as its copyright entry.
constexpr const char kCopyrightNotice[] = "Copyright (C) Brindlecove Video Systems, 2026.";
static_assert(sizeof kCopyrightNotice == 46 + 1);
constexpr FOURCC kCopyrightChunkId = mmioFOURCC('I', 'C', 'O', 'P');
// Lets the prompt's window go and the picture settle.
constexpr DWORD kSettleMilliseconds = 500;
// Where the program's profile keeps the choice of writer.
constexpr char kProfileSection[] = "Capture";
constexpr char kPlatformWriterEntry[] = "PlatformWriter";

// Handles every waiting message; false when a quit message came, which is
// posted again for the program's own message loop.
bool DrainMessageQueue() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(int(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return true;
}

} // namespace

void CVidrakeView::OnCaptureSetup() {
    CCaptureSetupDlg dialog;
    dialog.FromCaptureParms(m_CaptureParms);
    dialog.m_hWndCap = m_hWndCap;
    dialog.m_bPlatformWriter = m_bPlatformWriter;
    INT_PTR result = IDCANCEL;
    RunModal(
        ModalMark::DialogOpen, [&] { result = dialog.DoModal(); },
        [&] {
            if (result != IDOK)
                return;
            dialog.ToCaptureParms(m_CaptureParms);
            m_bPlatformWriter = dialog.m_bPlatformWriter;
            AfxGetApp()->WriteProfileInt(kProfileSection, kPlatformWriterEntry,
                                         m_bPlatformWriter ? 1 : 0);
        });
}

void CVidrakeView::LoadWriterChoice() {
    m_bPlatformWriter =
        AfxGetApp()->GetProfileInt(kProfileSection, kPlatformWriterEntry, 0) != 0 ? TRUE : FALSE;
}

void CVidrakeView::OnUpdateCaptureSetup(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_CapDriverCaps.fCaptureInitialized && m_hWndPlayback == nullptr);
}

void CVidrakeView::OnCaptureVideo() {
    bool bStart = false;
    const bool bViewAlive = RunModal(ModalMark::None, [&] {
        if (::MessageBoxA(m_hWnd, kCapturePrompt, "", MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK)
            return;
        ::Sleep(kSettleMilliseconds);
        bStart = DrainMessageQueue(); // false when the program is ending
    });
    if (!bViewAlive || !bStart)
        return;
    if (m_bPlatformWriter)
        CaptureWithPlatformWriter();
    else
        CaptureWithOwnWriter();
}

void CVidrakeView::CaptureWithPlatformWriter() {
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

void CVidrakeView::CaptureWithOwnWriter() {
    CFileCapture::Settings settings;
    settings.parms = m_CaptureParms;
    settings.info.push_back({kCopyrightChunkId, std::vector<BYTE>(std::begin(kCopyrightNotice),
                                                                  std::end(kCopyrightNotice))});
    settings.compressor = m_compressor.Compressor();
    CCaptureStatusPanes panes;
    panes.SetFramePeriod(m_CaptureParms.dwRequestMicroSecPerFrame);
    CFileCapture capture(m_hWndCap, panes);
    // Returns when the capture ends; the device's status texts, the panes'
    // figures and any error reach the user meanwhile.
    if (capture.Run(settings) || capture.Figures().frames != 0)
        panes.ShowSummary(capture.Figures(), capture.FileName().c_str());
}

void CVidrakeView::OnUpdateCaptureVideo(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable((m_CapStatus.fLiveWindow || m_CapStatus.fOverlayWindow) &&
                   m_CapDriverCaps.fCaptureInitialized && m_hWndPlayback == nullptr);
}

void CVidrakeView::OnSingleFrame() {
    capwnd::SetOverlay(m_hWndCap, FALSE);
    capwnd::SetPreview(m_hWndCap, FALSE);
    // Setting the format again makes the driver start from a fresh frame.
    // A format that could not be read whole is not set.
    CVideoFormat format;
    if (format.Read(m_hWndCap))
        format.Send(m_hWndCap);
    capwnd::GrabFrameNoStop(m_hWndCap);
    ::Sleep(kSettleMilliseconds);
    ::InvalidateRect(nullptr, nullptr, TRUE);
}

void CVidrakeView::OnUpdateSingleFrame(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable(m_CapDriverCaps.fCaptureInitialized && m_hWndPlayback == nullptr);
    pCmdUI->SetCheck(!m_CapStatus.fLiveWindow && !m_CapStatus.fOverlayWindow ? 1 : 0);
}

void CVidrakeView::OnVideoCompression() {
    if (m_bPlatformWriter) {
        capwnd::DlgVideoCompression(m_hWndCap);
        return;
    }
    // The compressors that take the driver's frames, in the platform's chooser.
    CVideoFormat format;
    if (!format.Read(m_hWndCap))
        return;
    RunModal(ModalMark::None, [&] { m_compressor.Choose(m_hWnd, &format.Header()); });
}
