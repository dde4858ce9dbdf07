// The view's capture commands: Capture Setup, Capture Video, Single Frame
// and Video Compression.

#include "framework/CmdUI.h"
#include "session/CaptureSetupDlg.h"
#include "session/CaptureWindow.h"
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
    INT_PTR result = IDCANCEL;
    RunModal(
        ModalMark::DialogOpen, [&] { result = dialog.DoModal(); },
        [&] {
            if (result == IDOK)
                dialog.ToCaptureParms(m_CaptureParms);
        });
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
    capwnd::DlgVideoCompression(m_hWndCap);
}
