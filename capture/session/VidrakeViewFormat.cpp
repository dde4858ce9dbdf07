// The capture view's Video Format, Video Source and Video Display commands.

#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "session/CaptureWindow.h"
#include "session/VideoFormatDlg.h"

bool CVidrakeView::CanOpenVideoDialog(BOOL fHasDialog) const {
    return m_CapDriverCaps.fCaptureInitialized && m_hWndPlayback == nullptr && fHasDialog;
}

void CVidrakeView::OnVideoFormat() {
    m_bDialogOpen = TRUE;
    // The dialog works on this view's capture window, whichever was created last.
    CVideoFormatDlg dialog(m_hWndCap);
    dialog.DoModal();
    // A refused format leaves the driver's own: the frame follows what it reports.
    FitFrameToVideo();
    m_bDialogOpen = FALSE;
}

// The driver's format dialog is never asked for, but its report enables the program's own.
void CVidrakeView::OnUpdateVideoFormat(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanOpenVideoDialog(m_CapDriverCaps.fHasDlgVideoFormat));
}

void CVidrakeView::OnVideoSource() {
    m_bDialogOpen = TRUE;
    capwnd::DlgVideoSource(m_hWndCap); // returns when the driver's dialog closes
    FitFrameToVideo();
    m_bDialogOpen = FALSE;
}

void CVidrakeView::OnUpdateVideoSource(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanOpenVideoDialog(m_CapDriverCaps.fHasDlgVideoSource));
}

void CVidrakeView::OnVideoDisplay() {
    m_bDialogOpen = TRUE;
    // Display options do not change the image size: no refit.
    capwnd::DlgVideoDisplay(m_hWndCap);
    m_bDialogOpen = FALSE;
}

void CVidrakeView::OnUpdateVideoDisplay(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanOpenVideoDialog(m_CapDriverCaps.fHasDlgVideoDisplay));
}
