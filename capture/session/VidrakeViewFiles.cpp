// The capture view's file, still-frame, clipboard and playback commands.

#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "framework/FileDialog.h"
#include "framework/WinApp.h"
#include "session/CaptureWindow.h"

#include <cstring>
#include <string_view>

namespace {
constexpr int kPathLength = 260;
constexpr const char* kVideoFilter = "(VFW) *.avi |*.avi||";
constexpr const char* kBitmapFilter = "BitMap File(*.BMP)||";
} // namespace

bool CVidrakeView::PromptFileName(bool bOpen, const char* lpszDefExt, const char* lpszFilter,
                                  char* path) {
    // The Open dialog accepts a file that does not exist yet (the next capture
    // makes it); a Save As dialog asks before it replaces a file, which may be
    // an hour's clip.
    const DWORD flags = bOpen ? OFN_HIDEREADONLY : OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    CFileDialog dialog(bOpen, lpszDefExt, nullptr, flags, lpszFilter);
    dialog.m_ofn.lpstrFile = path; // the dialog starts on the buffer's name and fills it
    dialog.m_ofn.nMaxFile = kPathLength;
    INT_PTR result = IDCANCEL;
    if (!RunModal(ModalMark::None, [&] { result = dialog.DoModal(); }) || result != IDOK)
        return false;
    // Some dialogs add the default extension to the name of an existing file only.
    const std::string_view chosen(path);
    const size_t name = chosen.find_last_of("\\/:") + 1;
    if (chosen.find('.', name) == std::string_view::npos &&
        chosen.size() + 1 + std::strlen(lpszDefExt) < size_t(kPathLength)) {
        lstrcatA(path, ".");
        lstrcatA(path, lpszDefExt);
    }
    return true;
}

void CVidrakeView::OnSetCaptureFile() {
    char path[kPathLength] = {};
    capwnd::FileGetCaptureFile(m_session.Window(), path, sizeof path);
    // The name may be of a file that does not exist yet: the next capture makes it.
    if (PromptFileName(true, "AVI", kVideoFilter, path))
        capwnd::FileSetCaptureFile(m_session.Window(), path);
}

void CVidrakeView::OnSaveCapturedVideoAs() {
    char path[kPathLength] = "*.avi";
    // The capture file stays the capture file; its video is copied.
    if (PromptFileName(false, "AVI", kVideoFilter, path))
        capwnd::FileSaveAs(m_session.Window(), path);
}

void CVidrakeView::OnSaveSingleFrame() {
    char path[kPathLength] = "*.BMP";
    if (PromptFileName(false, "BMP", kBitmapFilter, path))
        capwnd::FileSaveDIB(m_session.Window(), path);
}

void CVidrakeView::OnEditCopy() {
    capwnd::EditCopy(m_session.Window());
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
