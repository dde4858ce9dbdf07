// The capture view's file, still-frame, clipboard and playback commands.

#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "framework/WinApp.h"
#include "session/CaptureFileDialog.h"

namespace {
constexpr int kPathLength = CCaptureFileDialog::kPathLength;
constexpr const char* kVideoFilter = "(VFW) *.avi |*.avi||";
constexpr const char* kBitmapFilter = "BitMap File(*.BMP)||";
} // namespace

bool CVidrakeView::PromptFileName(bool bOpen, const char* lpszDefExt, const char* lpszFilter,
                                  char* path) {
    CCaptureFileDialog dialog(bOpen, lpszDefExt, lpszFilter, path);
    INT_PTR result = IDCANCEL;
    return RunModal(ModalMark::None, [&] { result = dialog.DoModal(); }) && result == IDOK;
}

void CVidrakeView::OnSetCaptureFile() {
    char path[kPathLength] = {};
    m_session.GetCaptureFile(path, sizeof path);
    // The name may be of a file that does not exist yet: the next capture makes it.
    if (PromptFileName(true, "AVI", kVideoFilter, path))
        m_session.SetCaptureFile(path);
}

void CVidrakeView::OnSaveCapturedVideoAs() {
    char path[kPathLength] = "*.avi";
    // The capture file stays the capture file; its video is copied.
    if (PromptFileName(false, "AVI", kVideoFilter, path))
        m_session.SaveCapturedVideoAs(path);
}

void CVidrakeView::OnSaveSingleFrame() {
    char path[kPathLength] = "*.BMP";
    if (PromptFileName(false, "BMP", kBitmapFilter, path))
        m_session.SaveSingleFrame(path);
}

void CVidrakeView::OnEditCopy() {
    m_session.CopyFrame();
}

void CVidrakeView::OnUpdateEditCopy(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture());
}

void CVidrakeView::OnPlaybackWindow() {
    m_session.TogglePlayback(m_hWnd, AfxGetInstanceHandle());
    FitFrameToVideo();
}

void CVidrakeView::OnUpdatePlaybackWindow(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_session.HasPlayback() ? 1 : 0);
}
