#pragma once

#include "framework/Dialog.h"

#include <functional>
#include <string>

// A dialog with one field of each kind of exchange, driven by a script that
// runs once the dialog is up.
class CExchangeDialog : public CDialog {
public:
    CExchangeDialog();

    float m_fFrameRate = 20.0f; // 0.017 to 100
    BOOL m_bCheck = FALSE;
    int m_nBuffers = 5; // 1 to 1000
    UINT m_nSeconds = 1;
    std::string m_text;

    std::function<void(CExchangeDialog&)> m_script;

    // Script helpers.
    void Type(int nID, const char* text) { SetDlgItemText(nID, text); }
    void Press(int nID);
    int FocusedControl() const;

protected:
    DECLARE_MESSAGE_MAP()
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    LRESULT OnRunScript(WPARAM, LPARAM);
};
