#pragma once

#include "framework/Dialog.h"

// The Video Format dialog (template 106): three image sizes and two RGB
// pixel formats, applied to a capture window with its display mode kept and
// recorded in the device settings key.
class CVideoFormatDlg : public CDialog {
    DECLARE_DYNAMIC(CVideoFormatDlg)
public:
    // hWndCap is the capture window of the view that opens the dialog.
    explicit CVideoFormatDlg(HWND hWndCap, CWnd* pParentWnd = nullptr);

protected:
    DECLARE_MESSAGE_MAP()
    bool OnInitDialog() override;
    void OnOK() override; // Cancel is the base's: nothing applied

    void OnSizeQuarter();
    void OnSizeHalf();
    void OnSizeFull();

private:
    HWND m_hWndCap;
};
