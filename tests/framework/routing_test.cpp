#include "RoutingLog.h"
#include "TestApp.h"
#include "resource.h"

#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/FrameWnd.h"
#include "framework/View.h"

#include <gtest/gtest.h>

namespace {

// Each link of the chain handles a command of its own and asks to pass the
// update request of ID_CMD_RANGE_LAST on, so that the order is visible.
class CTestDoc : public CDocument {
protected:
    DECLARE_MESSAGE_MAP()
    void OnDocCommand() { RoutingLog().push_back("document"); }
    void OnViewCommand() { RoutingLog().push_back("document takes the view's command"); }
    void OnUpdateShared(CCmdUI* pCmdUI) {
        RoutingLog().push_back("document update");
        pCmdUI->ContinueRouting();
    }
};

BEGIN_MESSAGE_MAP(CTestDoc, CDocument)
ON_COMMAND(ID_CMD_DOC, OnDocCommand)
ON_COMMAND(ID_CMD_VIEW, OnViewCommand)
ON_UPDATE_COMMAND_UI(ID_CMD_RANGE_LAST, OnUpdateShared)
END_MESSAGE_MAP()

class CTestView : public CView {
public:
    int m_viewUpdates = 0;

protected:
    DECLARE_MESSAGE_MAP()
    void OnViewCommand() { RoutingLog().push_back("view"); }
    void OnUpdateView(CCmdUI* pCmdUI) {
        ++m_viewUpdates;
        pCmdUI->Enable(true);
        pCmdUI->SetCheck(1);
    }
    void OnUpdateDisabled(CCmdUI* pCmdUI) { pCmdUI->Enable(false); }
    void OnDisabledCommand() { RoutingLog().push_back("disabled command ran"); }
    void OnUpdateShared(CCmdUI* pCmdUI) {
        RoutingLog().push_back("view update");
        pCmdUI->ContinueRouting();
    }
};

BEGIN_MESSAGE_MAP(CTestView, CView)
ON_COMMAND(ID_CMD_VIEW, OnViewCommand)
ON_UPDATE_COMMAND_UI(ID_CMD_VIEW, OnUpdateView)
ON_COMMAND(ID_CMD_DISABLED, OnDisabledCommand)
ON_UPDATE_COMMAND_UI(ID_CMD_DISABLED, OnUpdateDisabled)
ON_UPDATE_COMMAND_UI(ID_CMD_RANGE_LAST, OnUpdateShared)
END_MESSAGE_MAP()

class CTestFrame : public CFrameWnd {
protected:
    DECLARE_MESSAGE_MAP()
    void OnFrameCommand() { RoutingLog().push_back("frame"); }
    void OnDocCommand() { RoutingLog().push_back("frame takes the document's command"); }
    void OnRangeCommand(UINT id) { RoutingLog().push_back("frame range " + std::to_string(id)); }
    void OnUpdateShared(CCmdUI* pCmdUI) {
        RoutingLog().push_back("frame update");
        pCmdUI->ContinueRouting();
    }
};

BEGIN_MESSAGE_MAP(CTestFrame, CFrameWnd)
ON_COMMAND(ID_CMD_FRAME, OnFrameCommand)
ON_COMMAND(ID_CMD_DOC, OnDocCommand)
ON_COMMAND_RANGE(ID_CMD_RANGE_FIRST, ID_CMD_RANGE_LAST, OnRangeCommand)
ON_UPDATE_COMMAND_UI(ID_CMD_RANGE_LAST, OnUpdateShared)
END_MESSAGE_MAP()

class RoutingTest : public testing::Test {
protected:
    void SetUp() override {
        RoutingLog().clear();
        ASSERT_TRUE(m_frame.LoadFrame(IDR_TESTFRAME, WS_OVERLAPPEDWINDOW));
        ASSERT_TRUE(m_view.CreateEx(0, nullptr, "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 100},
                                    &m_frame, 1));
        m_view.SetDocument(&m_doc);
        m_frame.SetActiveView(&m_view);
    }
    void TearDown() override { m_frame.DestroyWindow(); }

    void Command(UINT id, WORD source = 0) {
        m_frame.SendMessage(WM_COMMAND, MAKEWPARAM(id, source), 0);
    }
    HMENU CommandsPopup() const { return GetSubMenu(GetMenu(m_frame.m_hWnd), 0); }
    UINT MenuState(UINT id) const { return GetMenuState(CommandsPopup(), id, MF_BYCOMMAND); }

    CTestDoc m_doc;
    CTestView m_view;
    CTestFrame m_frame;
};

TEST_F(RoutingTest, FrameTakesItsTitleMenuAndAcceleratorsFromItsResource) {
    EXPECT_EQ(m_frame.GetWindowText(), "Test Frame");
    EXPECT_NE(GetMenu(m_frame.m_hWnd), nullptr);
    EXPECT_NE(m_frame.m_hAccelTable, nullptr);
    EXPECT_EQ(m_view.GetParentFrame(), &m_frame);
}

TEST_F(RoutingTest, CommandsGoToTheFirstTargetThatHandlesThem) {
    struct Case {
        UINT id;
        const char* handledBy;
    };
    const Case cases[] = {
        {ID_CMD_VIEW, "view"},    // the view before its document
        {ID_CMD_DOC, "document"}, // the document before the frame
        {ID_CMD_FRAME, "frame"},  // the frame itself
        {ID_CMD_APP, "app"},      // the application last
        {ID_CMD_RANGE_FIRST + 3, "frame range 32783"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handledBy);
        RoutingLog().clear();
        Command(c.id);
        EXPECT_EQ(RoutingLog(), std::vector<std::string>{c.handledBy});
    }
    RoutingLog().clear();
    Command(ID_CMD_NONE); // nobody handles it: nothing happens
    EXPECT_TRUE(RoutingLog().empty());
}

TEST_F(RoutingTest, WithoutAnActiveViewCommandsStartAtTheFrame) {
    m_frame.SetActiveView(nullptr);
    Command(ID_CMD_DOC);
    Command(ID_CMD_VIEW);
    const std::vector<std::string> expected = {"frame takes the document's command"};
    EXPECT_EQ(RoutingLog(), expected);
}

TEST_F(RoutingTest, UpdateRequestsFollowTheSameChainInOrder) {
    CTestCmdUI state;
    state.m_nID = ID_CMD_RANGE_LAST;
    state.DoUpdate(&m_frame, true);
    const std::vector<std::string> expected = {"view update", "document update", "frame update",
                                               "app update"};
    EXPECT_EQ(RoutingLog(), expected);
    EXPECT_FALSE(state.m_bEnabled);
}

TEST_F(RoutingTest, MenuStatesAreComputedWhenThePopupOpens) {
    EXPECT_EQ(m_view.m_viewUpdates, 0); // never ahead of time
    m_frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(CommandsPopup()),
                        MAKELPARAM(0, FALSE));
    EXPECT_EQ(m_view.m_viewUpdates, 1);

    struct Case {
        UINT id;
        bool enabled;
        bool checked;
        const char* why;
    };
    const Case cases[] = {
        {ID_CMD_VIEW, true, true, "update handler enables and checks"},
        {ID_CMD_DOC, true, false, "a command handler and no update handler"},
        {ID_CMD_FRAME, true, false, "a command handler and no update handler"},
        {ID_CMD_APP, true, false, "the application's handler counts too"},
        {ID_CMD_NONE, false, false, "no handler at all"},
        {ID_CMD_DISABLED, false, false, "update handler disables"},
        {ID_CMD_RANGE_FIRST, true, false, "a range handler"},
        {ID_CMD_RANGE_LAST, false, false, "the application's update handler disables"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const UINT state = MenuState(c.id);
        EXPECT_EQ((state & MF_GRAYED) == 0, c.enabled) << c.id;
        EXPECT_EQ((state & MF_CHECKED) != 0, c.checked) << c.id;
    }
}

TEST_F(RoutingTest, AcceleratorRunsOnlyEnabledCommands) {
    Command(ID_CMD_DISABLED, 1); // as an accelerator sends it
    Command(ID_CMD_VIEW, 1);
    EXPECT_EQ(RoutingLog(), std::vector<std::string>{"view"});
}

} // namespace
