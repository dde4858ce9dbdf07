#include "TestApp.h"
#include "resource.h"

#include "framework/FrameworkResource.h"
#include "support/DialogScript.h"

#include <gtest/gtest.h>

namespace {

TEST(Application, TitleAndStringsComeFromTheStringTable) {
    EXPECT_EQ(theApp.m_strAppName, "Framework Test");
    EXPECT_EQ(AfxLoadString(IDR_TESTFRAME), "Test Frame\nTest");
    EXPECT_EQ(AfxLoadString(12345), "");
    EXPECT_EQ(AfxFormatString2(IDS_GREETING, "0.017", "100"),
              "Between 0.017 and 100, then 0.017 again");
    EXPECT_EQ(AfxLoadString(AFX_IDP_PARSE_REAL_RANGE), "Please enter a number between %1 and %2.");
}

// What a real message box showed, read while it is up.
struct SeenBox {
    bool found = false;
    bool exclamationIcon = false;
    COLORREF brushColour = CLR_INVALID;
};
SeenBox g_seen;

void CALLBACK InspectMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Framework Test");
    if (box == nullptr)
        return;
    KillTimer(nullptr, timer);
    g_seen.found = true;
    // The box's icon control holds the system's exclamation icon.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        if (icon != nullptr && icon == LoadIconA(nullptr, IDI_EXCLAMATION))
            g_seen.exclamationIcon = true;
    }
    HDC hdc = GetDC(box);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(box, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(hdc), LPARAM(box)));
    LOGBRUSH logBrush{};
    if (GetObjectA(brush, sizeof logBrush, &logBrush))
        g_seen.brushColour = logBrush.lbColor;
    ReleaseDC(box, hdc);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST(Application, PlainMessageBoxesCarryTheTitleTheExclamationIconAndTheColours) {
    theApp.SetDialogBkColor();
    theApp.m_bRealMessageBoxes = true;
    g_seen = {};
    SetTimer(nullptr, 0, 50, &InspectMessageBox);
    const int answer = AfxMessageBox("Close dialogs before exiting Windows.");
    theApp.m_bRealMessageBoxes = false;

    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(g_seen.found) << "no message box titled with the application's title";
    EXPECT_TRUE(g_seen.exclamationIcon);
    EXPECT_EQ(g_seen.brushColour, RGB(192, 192, 192));
}

// A main window with a child, each counting the idle-time update requests.
class CIdleWnd : public CWnd {
public:
    int m_idleUpdates = 0;
    bool m_quitOnIdle = false;

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnIdleUpdate(WPARAM, LPARAM) {
        if (++m_idleUpdates == 1 && m_quitOnIdle)
            PostQuitMessage(7);
        return 0;
    }
};

BEGIN_MESSAGE_MAP(CIdleWnd, CWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdate)
END_MESSAGE_MAP()

TEST(Application, MessageLoopUpdatesCommandStatesWhenIdleAndEndsOnQuit) {
    CIdleWnd main;
    CIdleWnd child;
    ASSERT_TRUE(main.CreateEx(0, nullptr, "main", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, "child", WS_VISIBLE, RECT{0, 0, 10, 10}, &main, 1));
    main.m_quitOnIdle = true;
    theApp.m_pMainWnd = &main;
    PumpWaitingMessages();
    CWnd::FromHandle(GetDesktopWindow()); // a temporary object for idle time to free

    EXPECT_EQ(theApp.Run(), 0); // ExitInstance's result
    theApp.m_pMainWnd = nullptr;
    EXPECT_EQ(main.m_idleUpdates, 1);
    EXPECT_EQ(child.m_idleUpdates, 1);
    EXPECT_EQ(theApp.TemporaryWindowCount(), 0u);
}

} // namespace
