#pragma once

#include "framework/WinApp.h"
#include "support/MessageBoxLog.h"

// The test program's application object. Message boxes are recorded
// instead of shown, unless a test asks for real ones.
class CTestApp : public CWinApp {
public:
    CTestApp();

    MessageBoxLog m_messages;
    bool m_bRealMessageBoxes = false;

    int DoMessageBox(const char* lpszPrompt, UINT nType, UINT nIDPrompt) override;

protected:
    DECLARE_MESSAGE_MAP()
    // The last link of the routing chain.
    void OnAppCommand();
    void OnUpdateShared(CCmdUI* pCmdUI);
};

extern CTestApp theApp;
