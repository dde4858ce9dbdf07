#include "TestApp.h"

#include "RoutingLog.h"
#include "resource.h"

#include "framework/CmdUI.h"

CTestApp theApp;

std::vector<std::string>& RoutingLog() {
    static std::vector<std::string> log;
    return log;
}

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_COMMAND(ID_CMD_APP, OnAppCommand)
ON_UPDATE_COMMAND_UI(ID_CMD_RANGE_LAST, OnUpdateShared)
END_MESSAGE_MAP()

void CTestApp::OnAppCommand() {
    RoutingLog().push_back("app");
}

void CTestApp::OnUpdateShared(CCmdUI* pCmdUI) {
    RoutingLog().push_back("app update");
    pCmdUI->Enable(false);
}

CTestApp::CTestApp() {
    InitModule(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL, false);
}

int CTestApp::DoMessageBox(const char* lpszPrompt, UINT nType, UINT nIDPrompt) {
    if (m_bRealMessageBoxes)
        return CWinApp::DoMessageBox(lpszPrompt, nType, nIDPrompt);
    return m_messages.Show(lpszPrompt, nType);
}
