#pragma once

#include "framework/DocManager.h"
#include "framework/WinApp.h"

#include <memory>

class CMainFrame;

// The application object of the capture program.
class CVidrakeApp : public CWinApp {
    DECLARE_DYNAMIC(CVidrakeApp)
public:
    CVidrakeApp();
    ~CVidrakeApp() override;

    bool InitInstance() override;
    // Destroys the main window, then frees it and the document templates.
    int ExitInstance() override;
    // The application's commands, then the document manager's (New, Open,
    // recent files).
    bool OnCmdMsg(const CommandMessage& command) override;

protected:
    DECLARE_MESSAGE_MAP()
    void OnAppAbout();

    std::unique_ptr<CDocManager> m_pDocManager;
    std::unique_ptr<CMainFrame> m_pMainFrame;
};
