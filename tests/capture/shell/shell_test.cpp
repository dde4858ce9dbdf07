// The capture program's shell: main window placement, menus, bars and
// documents, with the application started on the capture window double.

#include "CaptureFixture.h"

#include "framework/Document.h"
#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "framework/MultiDocTemplate.h"
#include "framework/RecentFileList.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class ShellTest : public CaptureFixture {};

int ClientScreenX(HWND hWnd) {
    POINT origin{0, 0};
    ClientToScreen(hWnd, &origin);
    return origin.x;
}

TEST_F(ShellTest, MainWindowClientAreaSnapsToMultiplesOfFour) {
    Start({{0, "Card"}});
    HWND hMain = MainFrame().m_hWnd;
    const RECT window = MainFrame().GetWindowRect();
    const int border = ClientScreenX(hMain) - window.left;
    struct Case {
        int dragged;
        int snapped;
    } const cases[] = {{103, 100}, {-3, 0}, {100, 100}, {6, 4}, {-6, -4}};
    for (const Case& c : cases) {
        SCOPED_TRACE("client area dragged to x = " + std::to_string(c.dragged));
        SetWindowPos(hMain, nullptr, c.dragged - border, 50, window.right - window.left,
                     window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(ClientScreenX(hMain), c.snapped);
        const RECT moved = MainFrame().GetWindowRect();
        EXPECT_EQ(moved.top, 50);
        EXPECT_EQ(moved.right - moved.left, window.right - window.left);
    }
}

TEST_F(ShellTest, MenuBarFollowsTheActiveCaptureWindow) {
    Start({{0, "Card"}});
    HWND hMain = MainFrame().m_hWnd;
    ASSERT_NE(ActiveChild(), nullptr);
    EXPECT_EQ(GetMenu(hMain), Template().GetSharedMenu());
    EXPECT_EQ(GetMenuItemCount(GetMenu(hMain)), 6);

    // New is for the main menu only: disabled while a capture view is active.
    EXPECT_FALSE(QueryCommand(ID_FILE_NEW).enabled);

    ActiveChild()->SendMessage(WM_CLOSE);
    PumpMessages();
    EXPECT_EQ(ActiveChild(), nullptr);
    EXPECT_EQ(GetMenu(hMain), MainFrame().GetDefaultMenu());
    EXPECT_EQ(GetMenuItemCount(GetMenu(hMain)), 3);
    EXPECT_EQ(MainFrame().GetWindowText(), "Video Capture");
    EXPECT_EQ(Template().GetDocumentCount(), 0u);
    EXPECT_TRUE(QueryCommand(ID_FILE_NEW).enabled);

    // The main menu's New opens a fresh capture window.
    MainFrame().SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages();
    ASSERT_NE(ActiveView(), nullptr);
    EXPECT_EQ(m_platform->m_creations.size(), 2u);
    EXPECT_EQ(ActiveView()->Session().Window(), m_platform->m_creations[1].created);
    EXPECT_EQ(GetMenu(hMain), Template().GetSharedMenu());
    EXPECT_EQ(MainFrame().GetWindowText(), "Video Capture - VideoCapture2");
}

TEST_F(ShellTest, ResizingTheMainWindowCentresOnlyTheActiveCaptureWindow) {
    Start({{0, "Card", true, 160, 120}});
    CMDIChildWnd* first = ActiveChild();
    theTestApp.GetDocManager()->OnFileNew();
    PumpMessages();
    CMDIChildWnd* second = ActiveChild();
    ASSERT_NE(first, second);
    first->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    const RECT window = MainFrame().GetWindowRect();
    MainFrame().SetWindowPos(nullptr, 0, 0, window.right - window.left + 200,
                             window.bottom - window.top + 100,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT area{};
    GetClientRect(MainFrame().m_hWndMDIClient, &area);
    auto placeInClient = [this](CMDIChildWnd* child) {
        RECT rect = child->GetWindowRect();
        MapWindowPoints(nullptr, MainFrame().m_hWndMDIClient, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    };
    const RECT active = placeInClient(second);
    EXPECT_EQ(active.left, (area.right - 160) / 2);
    EXPECT_EQ(active.top, (area.bottom - 120) / 2);
    const RECT inactive = placeInClient(first);
    EXPECT_EQ(inactive.left, 0);
    EXPECT_EQ(inactive.top, 0);
}

TEST_F(ShellTest, AFileNameOnTheCommandLineOpensNoFile) {
    Start({{0, "Card"}}, "C:\\capture\\video.avi");
    ASSERT_NE(ActiveChild(), nullptr);
    EXPECT_EQ(ActiveChild()->GetActiveDocument()->GetTitle(), "VideoCapture1");
    EXPECT_TRUE(ActiveChild()->GetActiveDocument()->GetPathName().empty());
    EXPECT_TRUE(theTestApp.m_messages.empty());
    EXPECT_EQ(Template().GetDocumentCount(), 1u);
}

TEST_F(ShellTest, CaptureFramesHaveNeitherBorderNorCaption) {
    Start({{0, "Card"}});
    const DWORD style = ActiveChild()->GetStyle();
    EXPECT_EQ(style & (WS_THICKFRAME | WS_DLGFRAME | WS_BORDER), 0u);
    EXPECT_TRUE(ActiveView()->GetStyle() & WS_CLIPCHILDREN);
}

TEST_F(ShellTest, ToolbarHasTheTwelveEntriesWithTheirTooltips) {
    Start({{0, "Card"}});
    CToolBar& toolbar = MainFrame().GetToolBar();
    const UINT expected[] = {ID_FILE_NEW,
                             ID_FILE_OPEN,
                             0,
                             ID_EDIT_COPY,
                             0,
                             ID_OPTIONS_PREVIEW,
                             ID_OPTIONS_OVERLAY,
                             0,
                             ID_CAPTURE_SINGLEFRAME,
                             ID_CAPTURE_VIDEO,
                             0,
                             ID_APP_ABOUT};
    ASSERT_EQ(toolbar.GetCount(), 12);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(toolbar.GetItemID(i), expected[i]) << "position " << i + 1;

    struct Case {
        UINT id;
        const char* tip;
    } const tips[] = {{ID_FILE_NEW, "New"},
                      {ID_FILE_OPEN, "Set File"},
                      {ID_EDIT_COPY, "Copy"},
                      {ID_OPTIONS_PREVIEW, "Preview"},
                      {ID_OPTIONS_OVERLAY, "Overlay"},
                      {ID_CAPTURE_SINGLEFRAME, "Single Frame"},
                      {ID_CAPTURE_VIDEO, "Capture Video"},
                      {ID_APP_ABOUT, "About"}};
    // Asked as the toolbar's tooltip window asks: of the toolbar, in either
    // character set.
    const auto hTip = reinterpret_cast<HWND>(toolbar.SendMessage(TB_GETTOOLTIPS));
    ASSERT_NE(hTip, nullptr);
    for (const Case& c : tips) {
        NMTTDISPINFOA info{};
        info.hdr = {hTip, c.id, TTN_GETDISPINFOA};
        toolbar.SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&info));
        EXPECT_STREQ(info.lpszText, c.tip) << "command " << c.id;
        NMTTDISPINFOW wide{};
        wide.hdr = {hTip, c.id, TTN_GETDISPINFOW};
        toolbar.SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&wide));
        char narrowed[80] = {};
        WideCharToMultiByte(CP_ACP, 0, wide.lpszText != nullptr ? wide.lpszText : L"", -1, narrowed,
                            sizeof narrowed, nullptr, nullptr);
        EXPECT_STREQ(narrowed, c.tip) << "command " << c.id << ", wide";
    }
    // The toolbar sits at the top of the client area, the status bar at the bottom.
    RECT bar = toolbar.GetWindowRect();
    MapWindowPoints(nullptr, MainFrame().m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
    EXPECT_EQ(bar.top, 0);
    RECT status = MainFrame().GetStatusBar().GetWindowRect();
    MapWindowPoints(nullptr, MainFrame().m_hWnd, reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ(status.bottom, MainFrame().GetClientRect().bottom);
}

TEST_F(ShellTest, StatusBarShowsPromptsAndReadyWhenIdle) {
    Start({{0, "Card"}});
    CStatusBar& status = MainFrame().GetStatusBar();
    ASSERT_EQ(status.GetCount(), 4);
    EXPECT_EQ(status.GetItemID(0), UINT(ID_SEPARATOR));
    EXPECT_EQ(status.GetItemID(1), UINT(ID_INDICATOR_CAPS));
    EXPECT_EQ(status.GetItemID(2), UINT(ID_INDICATOR_NUM));
    EXPECT_EQ(status.GetItemID(3), UINT(ID_INDICATOR_SCRL));
    EXPECT_EQ(status.GetPaneText(0), "Ready");

    struct Case {
        UINT id;
        const char* prompt;
    } const prompts[] = {{ID_OPTIONS_OVERLAY, "Overlay via hardware"},
                         {ID_FILE_OPEN, "Name the capture file to use"},
                         {ID_VIEW_STATUS_BAR, "Show or hide the status bar"},
                         {ID_DRIVER_FIRST, "Capture driver"}};
    for (const Case& c : prompts) {
        MainFrame().SendMessage(WM_MENUSELECT, MAKEWPARAM(c.id, MF_STRING),
                                reinterpret_cast<LPARAM>(GetMenu(MainFrame().m_hWnd)));
        EXPECT_EQ(status.GetPaneText(0), c.prompt) << "command " << c.id;
    }
    MainFrame().SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(status.GetPaneText(0), "Ready") << "after the menu closed";

    // The toolbar's hot button, as the toolbar tells its frame.
    CToolBar& toolbar = MainFrame().GetToolBar();
    struct HotCase {
        const char* context;
        UINT id;
        DWORD flags;
        const char* prompt;
    } const hot[] = {
        {"mouse on Capture Video", ID_CAPTURE_VIDEO, HICF_MOUSE, "Begin capturing video to file"},
        {"then on New", ID_FILE_NEW, HICF_MOUSE, "Create a new capture window"},
        {"mouse left the buttons", 0, HICF_MOUSE | HICF_LEAVING, "Ready"},
    };
    for (const HotCase& c : hot) {
        NMTBHOTITEM info{};
        info.hdr = {toolbar.m_hWnd, AFX_IDW_TOOLBAR, UINT(TBN_HOTITEMCHANGE)};
        info.idNew = int(c.id);
        info.dwFlags = c.flags;
        EXPECT_EQ(
            MainFrame().SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&info)), 0)
            << c.context;
        EXPECT_EQ(status.GetPaneText(0), c.prompt) << c.context;
    }

    // The lock indicators follow their keys.
    status.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    EXPECT_EQ(status.GetPaneText(1), (GetKeyState(VK_CAPITAL) & 1) ? "CAP" : "");
    EXPECT_EQ(status.GetPaneText(3), (GetKeyState(VK_SCROLL) & 1) ? "SCRL" : "");
}

TEST_F(ShellTest, ViewMenuHidesAndShowsTheBars) {
    Start({{0, "Card"}});
    for (UINT id : {UINT(ID_VIEW_TOOLBAR), UINT(ID_VIEW_STATUS_BAR)}) {
        CWnd* bar = MainFrame().GetControlBar(id);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(QueryCommand(id).check, 1);
        MainFrame().SendMessage(WM_COMMAND, id);
        EXPECT_FALSE(bar->GetStyle() & WS_VISIBLE);
        EXPECT_EQ(QueryCommand(id).check, 0);
        MainFrame().SendMessage(WM_COMMAND, id);
        EXPECT_TRUE(bar->GetStyle() & WS_VISIBLE);
    }
}

TEST_F(ShellTest, OpeningAFileNamesTheDocumentAndListsTheFile) {
    Start({{0, "Card"}});
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "shell_test_capture.avi";
    {
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(bool(file));
    }
    CDocument* document = theTestApp.GetDocManager()->OpenDocumentFile(path.c_str());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->GetTitle(), "shell_test_capture.avi");
    EXPECT_EQ(MainFrame().GetWindowText(), "Video Capture - shell_test_capture.avi");
    EXPECT_EQ(Template().GetDocumentCount(), 2u);

    // The profile named after the program lists it first.
    char listed[MAX_PATH] = {};
    GetPrivateProfileStringA("Recent File List", "File1", "", listed, MAX_PATH,
                             CRecentFileList::DefaultProfileName().c_str());
    EXPECT_EQ(std::string(listed), path);
    EXPECT_EQ(CRecentFileList::DefaultProfileName(), "test_capture_shell.INI");

    // A file that cannot be read: the framework's message, and the capture
    // window made for it is closed again.
    const size_t creations = m_platform->m_creations.size();
    EXPECT_EQ(theTestApp.GetDocManager()->OpenDocumentFile((path + ".missing").c_str()), nullptr);
    EXPECT_EQ(m_platform->m_creations.size(), creations + 1);
    EXPECT_EQ(Template().GetDocumentCount(), 2u);
    ASSERT_EQ(theTestApp.m_messages.size(), 1u);
    EXPECT_EQ(theTestApp.m_messages[0].text, "Failed to open document.");
    DeleteFileA(path.c_str());
    WritePrivateProfileStringA("Recent File List", nullptr, nullptr,
                               CRecentFileList::DefaultProfileName().c_str());
}

TEST_F(ShellTest, EndOfSessionAsksOnlyTheActiveView) {
    Start({{0, "Card"}});
    CVidrakeView* first = ActiveView();
    theTestApp.GetDocManager()->OnFileNew();
    PumpMessages();
    ASSERT_NE(ActiveView(), first);
    first->Session().MarkDialogOpen(true); // an inactive view's dialog does not count
    EXPECT_EQ(MainFrame().SendMessage(WM_QUERYENDSESSION), TRUE);
    ActiveView()->Session().MarkDialogOpen(true);
    EXPECT_EQ(MainFrame().SendMessage(WM_QUERYENDSESSION), FALSE);
}

// The About box, seen from its activation: caption and texts, then closed.
struct AboutSeen {
    std::string caption;
    std::vector<std::string> texts;
};
AboutSeen g_aboutSeen;
HHOOK g_aboutHook = nullptr;

BOOL CALLBACK CollectText(HWND hWnd, LPARAM) {
    char text[128] = {};
    GetWindowTextA(hWnd, text, sizeof text);
    g_aboutSeen.texts.emplace_back(text);
    return TRUE;
}

LRESULT CALLBACK CloseAboutOnActivation(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_ACTIVATE) {
        auto hWnd = reinterpret_cast<HWND>(wParam);
        char name[16] = {};
        GetClassNameA(hWnd, name, sizeof name);
        if (std::string(name) == "#32770") {
            char caption[64] = {};
            GetWindowTextA(hWnd, caption, sizeof caption);
            g_aboutSeen.caption = caption;
            EnumChildWindows(hWnd, &CollectText, 0);
            PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_aboutHook, nCode, wParam, lParam);
}

TEST_F(ShellTest, AboutCommandShowsTheAboutBox) {
    Start({{0, "Card"}});
    g_aboutSeen = {};
    g_aboutHook = SetWindowsHookExA(WH_CBT, &CloseAboutOnActivation, nullptr, GetCurrentThreadId());
    MainFrame().SendMessage(WM_COMMAND, ID_APP_ABOUT);
    UnhookWindowsHookEx(g_aboutHook);
    EXPECT_EQ(g_aboutSeen.caption, "About VideoCapture");
    const auto& texts = g_aboutSeen.texts;
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Video Capture Application Version 1.02"),
              texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), "OK"), texts.end());
}

TEST_F(ShellTest, ToolbarButtonsFollowTheUpdateHandlersAtIdleTime) {
    Start({{0, "Card", true}});
    CToolBar& toolbar = MainFrame().GetToolBar();
    toolbar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
    struct Case {
        UINT id;
        bool enabled;
        bool checked;
    } const cases[] = {
        {ID_FILE_NEW, false, false},       // a capture view is active
        {ID_OPTIONS_OVERLAY, true, true},  // the driver's overlay runs
        {ID_OPTIONS_PREVIEW, true, false}, // preview is off while overlay runs
        {ID_APP_ABOUT, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(toolbar.SendMessage(TB_ISBUTTONENABLED, c.id) != 0, c.enabled) << c.id;
        EXPECT_EQ(toolbar.SendMessage(TB_ISBUTTONCHECKED, c.id) != 0, c.checked) << c.id;
    }
}

} // namespace

// The strip below a toolbar shown again is painted afresh: the pixels the
// bar had drawn over the client's top are not moved down with the client.
TEST_F(ShellTest, TheToolbarOffAndOnLeavesNoBandBelowIt) {
    Start({{0, "Card"}});
    MainFrame().SetWindowPos(nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
    const RECT bar = MainFrame().GetControlBar(ID_VIEW_TOOLBAR)->GetWindowRect();
    const auto colourAt = [&](int y) { // in the client, left of the capture window
        PumpMessages();
        POINT point{8, y};
        ClientToScreen(MainFrame().m_hWndMDIClient, &point);
        HDC screen = GetDC(nullptr);
        const COLORREF colour = GetPixel(screen, point.x, point.y);
        ReleaseDC(nullptr, screen);
        return colour;
    };
    MainFrame().SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    PumpMessages(); // the client drawn without the bar
    MainFrame().SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    for (int y : {2, int(bar.bottom - bar.top) / 2, int(bar.bottom - bar.top) - 3})
        EXPECT_EQ(colourAt(y), GetSysColor(COLOR_APPWORKSPACE)) << y << " pixels below the bar";
}
