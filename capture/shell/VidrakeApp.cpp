#include "shell/VidrakeApp.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIFrameWnd.h"
#include "framework/MultiDocTemplate.h"
#include "hfyucodec/hfyucodec.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"
#include "shell/AboutDialog.h"
#include "shell/ChildFrame.h"
#include "shell/MainFrame.h"
#include "shell/VidrakeDoc.h"

IMPLEMENT_DYNAMIC(CVidrakeApp, CWinApp)

BEGIN_MESSAGE_MAP(CVidrakeApp, CWinApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
END_MESSAGE_MAP()

CVidrakeApp::CVidrakeApp() = default;

// ExitInstance has destroyed the windows, as the end of Run or of a failed
// start calls it.
CVidrakeApp::~CVidrakeApp() = default;

bool CVidrakeApp::InitInstance() {
    SetDialogBkColor(RGB(192, 192, 192), RGB(0, 0, 0));
    // Our lossless codec, for this process only: Video Compression lists it
    // on any system, and nothing is loaded from a file of ours.
    HfyuInstallForProcess();

    m_pDocManager = std::make_unique<CDocManager>();
    m_pDocManager->LoadStdProfileSettings(4);
    m_pDocManager->AddDocTemplate(std::make_unique<CMultiDocTemplate>(
        IDR_VIDEOCAPTURE, RUNTIME_CLASS(CVidrakeDoc), RUNTIME_CLASS(CChildFrame),
        RUNTIME_CLASS(CVidrakeView)));

    m_pMainFrame = std::make_unique<CMainFrame>();
    if (!m_pMainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE))
        return false;
    m_pMainFrame->ShowWindow(m_nCmdShow);
    m_pMainFrame->UpdateWindow();
    m_pMainWnd = m_pMainFrame.get();

    // The command line is not examined: the first capture window is new.
    m_pDocManager->OnFileNew();
    return true;
}

int CVidrakeApp::ExitInstance() {
    // The windows go first, while the templates that own their documents and
    // frames are still there.
    if (m_pMainFrame && m_pMainFrame->m_hWnd != nullptr)
        m_pMainFrame->DestroyWindow();
    m_pMainWnd = nullptr;
    m_pMainFrame.reset();
    m_pDocManager.reset();
    return CWinApp::ExitInstance();
}

bool CVidrakeApp::OnCmdMsg(const CommandMessage& command) {
    if (CWinApp::OnCmdMsg(command))
        return true;
    return m_pDocManager != nullptr && m_pDocManager->OnCmdMsg(command);
}

void CVidrakeApp::OnAppAbout() {
    CAboutDialog about;
    about.DoModal();
}
