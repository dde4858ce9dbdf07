#include "CaptureFixture.h"

#include "framework/CmdUI.h"
#include "framework/MDIChildWnd.h"
#include "framework/MultiDocTemplate.h"
#include "session/VidrakeView.h"

CaptureTestApp theTestApp;

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CaptureFixture::Start(std::vector<FakeDriver> drivers, const char* lpCmdLine) {
    m_platform = std::make_unique<FakeCapturePlatform>(std::move(drivers));
    ResetCaptureViews();
    theTestApp.m_messages.clear();
    ASSERT_TRUE(theTestApp.InitModule(GetModuleHandleA(nullptr), lpCmdLine, SW_SHOWNORMAL, false));
    ASSERT_TRUE(theTestApp.InitInstance());
    PumpMessages();
}

void CaptureFixture::TearDown() {
    theTestApp.ExitInstance();
    // The quit message of the main window's end is not for the tests.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    m_platform.reset();
}

CMultiDocTemplate& CaptureFixture::Template() {
    return *DynamicDowncast<CMultiDocTemplate>(theTestApp.GetDocManager()->GetTemplate(0));
}

CMDIChildWnd* CaptureFixture::ActiveChild() {
    return MainFrame().MDIGetActive();
}

CVidrakeView* CaptureFixture::ActiveView() {
    CMDIChildWnd* child = ActiveChild();
    return child ? DynamicDowncast<CVidrakeView>(child->GetActiveView()) : nullptr;
}

HMENU CaptureFixture::OptionsMenu() {
    return GetSubMenu(Template().GetSharedMenu(), 3);
}

CaptureFixture::CommandState CaptureFixture::QueryCommand(UINT nID) {
    CTestCmdUI state;
    state.m_nID = nID;
    state.DoUpdate(&MainFrame(), true);
    return {state.m_bEnabled, state.m_nCheck};
}

UINT CaptureFixture::MenuItemStateAfterOpening(HMENU hPopup, UINT nID) {
    MainFrame().SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup), 3);
    return GetMenuState(hPopup, nID, MF_BYCOMMAND);
}
