// The view's capture commands: Capture Setup, Capture Video, Single Frame
// and Video Compression.

#include "framework/CmdUI.h"
#include "framework/WinApp.h"
#include "session/CaptureSetupDlg.h"
#include "session/CaptureStatusPanes.h"
#include "session/CaptureWindow.h"
#include "session/CaptureYield.h"
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
constexpr char kSoundInStepEntry[] = "SoundInStep";

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
    dialog.FromCaptureParms(m_session.CaptureParms());
    dialog.m_hWndCap = m_session.Window();
    dialog.m_bPlatformWriter = m_session.UsesPlatformWriter() ? TRUE : FALSE;
    dialog.m_bSoundInStep = m_session.KeepsSoundInStep() ? TRUE : FALSE;
    INT_PTR result = IDCANCEL;
    RunModal(
        ModalMark::DialogOpen, [&] { result = dialog.DoModal(); },
        [&] {
            if (result != IDOK)
                return;
            dialog.ToCaptureParms(m_session.CaptureParms());
            m_session.UsePlatformWriter(dialog.m_bPlatformWriter != FALSE);
            AfxGetApp()->WriteProfileInt(kProfileSection, kPlatformWriterEntry,
                                         m_session.UsesPlatformWriter() ? 1 : 0);
            m_session.KeepSoundInStep(dialog.m_bSoundInStep != FALSE);
            AfxGetApp()->WriteProfileInt(kProfileSection, kSoundInStepEntry,
                                         m_session.KeepsSoundInStep() ? 1 : 0);
        });
}

void CVidrakeView::LoadWriterChoice() {
    m_session.UsePlatformWriter(
        AfxGetApp()->GetProfileInt(kProfileSection, kPlatformWriterEntry, 0) != 0);
    const bool bInStep = AfxGetApp()->GetProfileInt(kProfileSection, kSoundInStepEntry, 1) != 0;
    m_session.KeepSoundInStep(bInStep);
}

void CVidrakeView::OnUpdateCaptureSetup(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture());
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
    // The view may be closed by the system during the capture.
    const HWND hWndView = m_hWnd;
    m_session.MarkCapturing(true);
    {
        CCaptureYield yield(m_session.Window(), m_session.CaptureParms().vKeyAbort);
        if (m_session.UsesPlatformWriter())
            CaptureWithPlatformWriter();
        else
            CaptureWithOwnWriter();
    }
    if (IsViewAlive(hWndView, this))
        m_session.MarkCapturing(false);
}

void CVidrakeView::CaptureWithPlatformWriter() {
    char notice[sizeof kCopyrightNotice];
    std::memcpy(notice, kCopyrightNotice, sizeof notice);
    CAPINFOCHUNK chunk{};
    chunk.fccInfoID = kCopyrightChunkId;
    chunk.lpData = notice;
    chunk.cbData = LONG(sizeof notice);
    capwnd::FileSetInfoChunk(m_session.Window(), chunk);
    capwnd::SetSequenceSetup(m_session.Window(), m_session.CaptureParms());
    // Returns when the capture ends; progress and errors reach the user
    // through the status and error callbacks meanwhile.
    capwnd::Sequence(m_session.Window());
}

void CVidrakeView::CaptureWithOwnWriter() {
    CFileCapture::Settings settings;
    settings.parms = m_session.CaptureParms();
    settings.info.push_back({kCopyrightChunkId, std::vector<BYTE>(std::begin(kCopyrightNotice),
                                                                  std::end(kCopyrightNotice))});
    settings.compressor = m_session.CompressorChoice().Compressor();
    settings.soundInStep = m_session.KeepsSoundInStep();
    settings.errorCallback = &CapErrorCallback;
    CCaptureStatusPanes panes(m_session.CaptureParms().dwRequestMicroSecPerFrame);
    CFileCapture capture(m_session.Window(), panes);
    // Returns when the capture ends; the device's status texts, the panes'
    // figures and any error reach the user meanwhile. Nothing touches the
    // view afterwards: it may have been closed meanwhile.
    capture.Run(settings);
    if (capture.FileWritten())
        panes.ShowSummary(capture.Figures(), capture.FileName().c_str());
    else
        panes.ShowNothingCaptured(capture.FileName().c_str());
}

void CVidrakeView::OnUpdateCaptureVideo(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable(m_session.IsLive() && m_session.CanCapture());
}

void CVidrakeView::OnSingleFrame() {
    const HWND hWndCap = m_session.Window();
    capwnd::SetOverlay(hWndCap, FALSE);
    capwnd::SetPreview(hWndCap, FALSE);
    // Setting the format again makes the driver start from a fresh frame.
    // A format that could not be read whole is not set.
    CVideoFormat format;
    if (format.Read(hWndCap))
        format.Send(hWndCap);
    capwnd::GrabFrameNoStop(hWndCap);
    ::Sleep(kSettleMilliseconds);
    ::InvalidateRect(nullptr, nullptr, TRUE);
}

void CVidrakeView::OnUpdateSingleFrame(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable(m_session.CanCapture());
    pCmdUI->SetCheck(m_session.IsLive() ? 0 : 1);
}

void CVidrakeView::OnVideoCompression() {
    if (m_session.UsesPlatformWriter()) {
        capwnd::DlgVideoCompression(m_session.Window());
        return;
    }
    // The compressors that take the driver's frames, in the platform's chooser.
    CVideoFormat format;
    if (!format.Read(m_session.Window()))
        return;
    RunModal(ModalMark::None,
             [&] { m_session.CompressorChoice().Choose(m_hWnd, &format.Header()); });
}
