#include "ExchangeDialog.h"

#include "resource.h"

#include "framework/DataExchange.h"

namespace {
constexpr UINT WM_RUN_SCRIPT = WM_APP + 10;
}

BEGIN_MESSAGE_MAP(CExchangeDialog, CDialog)
ON_MESSAGE(WM_RUN_SCRIPT, OnRunScript)
END_MESSAGE_MAP()

CExchangeDialog::CExchangeDialog() : CDialog(IDD_EXCHANGE) {}

void CExchangeDialog::DoDataExchange(CDataExchange& dx) {
    DDX_Text(dx, IDC_FLOAT, m_fFrameRate);
    DDV_MinMaxFloat(dx, m_fFrameRate, 0.017f, 100.0f);
    DDX_Check(dx, IDC_CHECK, m_bCheck);
    DDX_Text(dx, IDC_INT, m_nBuffers);
    DDV_MinMaxInt(dx, m_nBuffers, 1, 1000);
    DDX_Text(dx, IDC_UINT, m_nSeconds);
    DDX_Text(dx, IDC_TEXT, m_text);
}

bool CExchangeDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    PostMessage(WM_RUN_SCRIPT);
    return true;
}

LRESULT CExchangeDialog::OnRunScript(WPARAM, LPARAM) {
    if (m_script)
        m_script(*this);
    else
        EndDialog(IDCANCEL);
    return 0;
}

void CExchangeDialog::Press(int nID) {
    SendMessage(WM_COMMAND, MAKEWPARAM(nID, BN_CLICKED),
                reinterpret_cast<LPARAM>(::GetDlgItem(m_hWnd, nID)));
}

int CExchangeDialog::FocusedControl() const {
    HWND hFocus = GetFocus();
    return hFocus ? ::GetDlgCtrlID(hFocus) : 0;
}
