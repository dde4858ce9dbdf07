// The capture view's Video Format, Video Source and Video Display commands.

#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "session/VideoFormatDlg.h"

void CVidrakeView::OnVideoFormat() {
    // The dialog works on this view's capture window, whichever was created last.
    CVideoFormatDlg dialog(m_session.Window());
    // A refused format leaves the driver's own: the frame follows what it reports.
    RunModal(
        ModalMark::DialogOpen, [&] { dialog.DoModal(); }, [&] { FitFrameToVideo(); });
}

// The driver's format dialog is never asked for, but its report enables the program's own.
void CVidrakeView::OnUpdateVideoFormat(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture() && m_session.DriverCaps().fHasDlgVideoFormat);
}

void CVidrakeView::OnVideoSource() {
    // Returns when the driver's dialog closes.
    RunModal(
        ModalMark::DialogOpen, [&] { m_session.ShowSourceDialog(); }, [&] { FitFrameToVideo(); });
}

void CVidrakeView::OnUpdateVideoSource(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture() && m_session.DriverCaps().fHasDlgVideoSource);
}

void CVidrakeView::OnVideoDisplay() {
    // Display options do not change the image size: no refit.
    RunModal(ModalMark::DialogOpen, [&] { m_session.ShowDisplayDialog(); });
}

void CVidrakeView::OnUpdateVideoDisplay(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.CanCapture() && m_session.DriverCaps().fHasDlgVideoDisplay);
}
