// The view's capture commands: Capture Setup, Capture Video, Single Frame
// and Video Compression.

#include "framework/CmdUI.h"
#include "session/CaptureSetupDlg.h"
#include "session/VidrakeView.h"

namespace {

constexpr const char kCapturePrompt[] =
    "Select OK to start capture of video sequence,\npress ESC to stop capture.";
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
    dialog.FromCaptureParms(m_session.CaptureParms());
    dialog.m_hWndCap = m_session.Window();
    CWriterChoice& writer = m_session.WriterChoice();
    dialog.m_bPlatformWriter = writer.m_bPlatformWriter ? TRUE : FALSE;
    dialog.m_bSoundInStep = writer.m_bSoundInStep ? TRUE : FALSE;
    INT_PTR result = IDCANCEL;
    RunModal(
        ModalMark::DialogOpen, [&] { result = dialog.DoModal(); },
        [&] {
            if (result != IDOK)
                return;
            dialog.ToCaptureParms(m_session.CaptureParms());
            writer.m_bPlatformWriter = dialog.m_bPlatformWriter != FALSE;
            writer.m_bSoundInStep = dialog.m_bSoundInStep != FALSE;
            writer.Save();
        });
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
    m_session.CaptureVideo(&CapErrorCallback);
    if (IsViewAlive(hWndView, this))
        m_session.MarkCapturing(false);
}

void CVidrakeView::OnUpdateCaptureVideo(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.IsLive() && m_session.CanCapture());
}

void CVidrakeView::OnSingleFrame() {
    m_session.GrabSingleFrame();
    ::Sleep(kSettleMilliseconds);
    ::InvalidateRect(nullptr, nullptr, TRUE);
}

void CVidrakeView::OnUpdateSingleFrame(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture());
    pCmdUI->SetCheck(m_session.IsLive() ? 0 : 1);
}

void CVidrakeView::OnVideoCompression() {
    if (m_session.WriterChoice().m_bPlatformWriter) {
        m_session.ShowCompressionDialog();
        return;
    }
    // The compressors that take the driver's frames, in the platform's chooser.
    CVideoFormat format = m_session.VideoFormat();
    if (format.IsEmpty())
        return;
    RunModal(ModalMark::None,
             [&] { m_session.CompressorChoice().Choose(m_hWnd, &format.Header()); });
}
