#include "TestApp.h"

#include "framework/Wnd.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_SUM = WM_APP + 1;
constexpr UINT ID_BUTTON = 501;
constexpr UINT ID_RANGE_FIRST = 600;
constexpr UINT ID_RANGE_LAST = 609;

std::string Describe(const char* what, long long a = 0, long long b = 0, long long c = 0) {
    return std::string(what) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
           std::to_string(c);
}

// Records which handler ran, with its cracked arguments.
class CRecordingWnd : public CWnd {
public:
    std::vector<std::string> m_calls;
    std::vector<UINT> m_messagesSeen; // every message, in order, from the first one
    int m_createResult = 0;
    int m_postNcDestroyCalls = 0;

    bool CreateChild(HWND hParent, UINT id = 1) {
        CWnd* parent = CWnd::FromHandle(hParent);
        return CreateEx(0, nullptr, "child", WS_CHILD | WS_VISIBLE, RECT{0, 0, 100, 50}, parent,
                        id);
    }
    bool CreatePopup() {
        return CreateEx(0, nullptr, "popup", WS_POPUP, RECT{0, 0, 200, 100}, nullptr, 0);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        m_messagesSeen.push_back(message);
        return CWnd::WindowProc(message, wParam, lParam);
    }

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCTA cs) {
        m_calls.push_back(Describe("OnCreate", cs->cx, cs->cy));
        if (CWnd::OnCreate(cs) == -1)
            return -1;
        return m_createResult;
    }
    void OnSize(UINT type, int cx, int cy) { m_calls.push_back(Describe("OnSize", type, cx, cy)); }
    void OnMove(int x, int y) { m_calls.push_back(Describe("OnMove", x, y)); }
    LRESULT OnSum(WPARAM wParam, LPARAM lParam) { return LRESULT(wParam) + lParam; }
    void OnButton() { m_calls.push_back("OnButton"); }
    void OnRange(UINT id) { m_calls.push_back(Describe("OnRange", id)); }
    void OnClickNotify(NMHDR* nmhdr, LRESULT* result) {
        m_calls.push_back(Describe("OnClickNotify", LONG_PTR(nmhdr->idFrom)));
        *result = 42;
    }
    void PostNcDestroy() override { ++m_postNcDestroyCalls; }
};

BEGIN_MESSAGE_MAP(CRecordingWnd, CWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_MOVE()
ON_MESSAGE(WM_SUM, OnSum)
ON_BN_CLICKED(ID_BUTTON, OnButton)
ON_COMMAND_RANGE(ID_RANGE_FIRST, ID_RANGE_LAST, OnRange)
ON_NOTIFY(NM_CLICK, ID_BUTTON, OnClickNotify)
END_MESSAGE_MAP()

// Overrides one entry of its base's map; the rest comes through the chain.
class CDerivedWnd : public CRecordingWnd {
protected:
    DECLARE_MESSAGE_MAP()
    void OnSize(UINT, int cx, int cy) { m_calls.push_back(Describe("Derived::OnSize", cx, cy)); }
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CRecordingWnd)
ON_WM_SIZE()
END_MESSAGE_MAP()

// A control that takes its own click notifications back from its parent.
class CReflectingButton : public CWnd {
public:
    int m_reflectedClicks = 0;

protected:
    DECLARE_MESSAGE_MAP()
    void OnReflectedClick() { ++m_reflectedClicks; }
};

BEGIN_MESSAGE_MAP(CReflectingButton, CWnd)
ON_CONTROL_REFLECT(BN_CLICKED, OnReflectedClick)
END_MESSAGE_MAP()

// An edit control whose WM_SETTEXT passes through the object to the control.
class CWatchedEdit : public CWnd {
public:
    std::vector<std::string> m_texts;

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnSetText(WPARAM, LPARAM lParam) {
        m_texts.push_back(reinterpret_cast<const char*>(lParam));
        return Default();
    }
};

BEGIN_MESSAGE_MAP(CWatchedEdit, CWnd)
ON_MESSAGE(WM_SETTEXT, OnSetText)
END_MESSAGE_MAP()

class MessageMapTest : public testing::Test {
protected:
    void SetUp() override {
        m_hParent = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 300, 200, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(m_hParent, nullptr);
    }
    void TearDown() override { DestroyWindow(m_hParent); }
    HWND m_hParent = nullptr;
};

TEST_F(MessageMapTest, CrackedArgumentsReachTheHandlers) {
    CRecordingWnd wnd;
    ASSERT_TRUE(wnd.CreateChild(m_hParent));
    wnd.m_calls.clear();

    wnd.SendMessage(WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(120, 80));
    // Positions are signed: a window left of or above its parent's origin.
    wnd.SendMessage(WM_MOVE, 0, MAKELPARAM(-3 & 0xFFFF, 5));
    EXPECT_EQ(wnd.SendMessage(WM_SUM, 2, 40), 42);

    const std::vector<std::string> expected = {Describe("OnSize", SIZE_MAXIMIZED, 120, 80),
                                               Describe("OnMove", -3, 5)};
    EXPECT_EQ(wnd.m_calls, expected);
}

TEST_F(MessageMapTest, DerivedEntriesComeBeforeTheBaseChain) {
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.CreateChild(m_hParent));
    wnd.m_calls.clear();

    wnd.SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(10, 20));  // derived map
    wnd.SendMessage(WM_MOVE, 0, MAKELPARAM(7, 8));                // base map
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(ID_RANGE_LAST, 0), 0); // base map, range
    // A message no map handles gets the default window procedure.
    wnd.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("plain"));

    const std::vector<std::string> expected = {Describe("Derived::OnSize", 10, 20),
                                               Describe("OnMove", 7, 8),
                                               Describe("OnRange", ID_RANGE_LAST)};
    EXPECT_EQ(wnd.m_calls, expected);
    EXPECT_EQ(wnd.GetWindowText(), "plain");
}

TEST_F(MessageMapTest, ObjectIsBoundFromTheWindowsFirstMessageToItsLast) {
    auto wnd = std::make_unique<CRecordingWnd>();
    ASSERT_TRUE(wnd->CreateChild(m_hParent));
    HWND hWnd = wnd->m_hWnd;
    ASSERT_GE(wnd->m_messagesSeen.size(), 3u);
    // A child window's life starts with WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE.
    EXPECT_EQ(wnd->m_messagesSeen[0], UINT(WM_NCCREATE));
    EXPECT_EQ(wnd->m_messagesSeen[1], UINT(WM_NCCALCSIZE));
    EXPECT_EQ(wnd->m_messagesSeen[2], UINT(WM_CREATE));
    EXPECT_EQ(wnd->m_calls.front(), Describe("OnCreate", 100, 50));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), wnd.get());

    ASSERT_TRUE(wnd->DestroyWindow());
    EXPECT_EQ(wnd->m_messagesSeen.back(), UINT(WM_NCDESTROY));
    EXPECT_EQ(wnd->m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
    EXPECT_EQ(wnd->m_postNcDestroyCalls, 1);
}

TEST_F(MessageMapTest, RefusedCreationLeavesNothingBound) {
    CRecordingWnd wnd;
    wnd.m_createResult = -1;
    EXPECT_FALSE(wnd.CreatePopup());
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(wnd.m_postNcDestroyCalls, 1);
    EXPECT_EQ(wnd.m_messagesSeen.back(), UINT(WM_NCDESTROY));
}

TEST_F(MessageMapTest, DestroyingTheObjectDestroysItsWindow) {
    HWND hWnd = nullptr;
    {
        CRecordingWnd wnd;
        ASSERT_TRUE(wnd.CreatePopup());
        hWnd = wnd.m_hWnd;
    }
    EXPECT_FALSE(IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(hWnd), nullptr);
}

TEST_F(MessageMapTest, ForeignHandlesGetTemporaryObjectsUntilIdleTime) {
    EXPECT_EQ(CWnd::FromHandle(nullptr), nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hParent), nullptr);

    theApp.DeleteTemporaryWindows();
    CWnd* temporary = CWnd::FromHandle(m_hParent);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(temporary->m_hWnd, m_hParent);
    EXPECT_EQ(CWnd::FromHandle(m_hParent), temporary); // one object per handle
    EXPECT_EQ(CWnd::FromHandlePermanent(m_hParent), nullptr);
    EXPECT_EQ(theApp.TemporaryWindowCount(), 1u);

    // Idle time frees the object, never the window.
    for (LONG count = 0; theApp.OnIdle(count); ++count) {
    }
    EXPECT_EQ(theApp.TemporaryWindowCount(), 0u);
    EXPECT_TRUE(IsWindow(m_hParent));
}

TEST_F(MessageMapTest, SubclassedControlPassesUnhandledWorkToItsOwnProcedure) {
    HWND hEdit = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 80, 20, m_hParent, nullptr, nullptr,
                                 nullptr);
    const LONG_PTR original = GetWindowLongPtrA(hEdit, GWLP_WNDPROC);
    CWatchedEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(hEdit));
    EXPECT_FALSE(edit.SubclassWindow(hEdit)); // already bound

    SetWindowTextA(hEdit, "12.5");
    EXPECT_EQ(edit.m_texts, std::vector<std::string>{"12.5"});
    EXPECT_EQ(edit.GetWindowText(), "12.5"); // the edit control stored it

    EXPECT_EQ(edit.UnsubclassWindow(), hEdit);
    EXPECT_EQ(GetWindowLongPtrA(hEdit, GWLP_WNDPROC), original);
    SetWindowTextA(hEdit, "unseen");
    EXPECT_EQ(edit.m_texts.size(), 1u);
    EXPECT_EQ(edit.m_hWnd, nullptr);
    DestroyWindow(hEdit);
}

TEST_F(MessageMapTest, ControlNotificationsGoToTheControlFirstWhenItReflectsThem) {
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateChild(m_hParent));
    HWND hButton =
        CreateWindowExA(0, "BUTTON", "b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 40, 20, parent.m_hWnd,
                        reinterpret_cast<HMENU>(UINT_PTR(ID_BUTTON)), nullptr, nullptr);
    const WPARAM click = MAKEWPARAM(ID_BUTTON, BN_CLICKED);
    parent.m_calls.clear();

    // Without a reflecting object, the parent's map takes the click.
    parent.SendMessage(WM_COMMAND, click, reinterpret_cast<LPARAM>(hButton));
    EXPECT_EQ(parent.m_calls, std::vector<std::string>{"OnButton"});

    CReflectingButton button;
    ASSERT_TRUE(button.SubclassWindow(hButton));
    parent.SendMessage(WM_COMMAND, click, reinterpret_cast<LPARAM>(hButton));
    EXPECT_EQ(button.m_reflectedClicks, 1);
    EXPECT_EQ(parent.m_calls.size(), 1u);

    // A notification the control does not reflect still reaches the parent.
    NMHDR nmhdr{hButton, ID_BUTTON, UINT(NM_CLICK)};
    EXPECT_EQ(parent.SendMessage(WM_NOTIFY, ID_BUTTON, reinterpret_cast<LPARAM>(&nmhdr)), 42);
    EXPECT_EQ(parent.m_calls.back(), Describe("OnClickNotify", ID_BUTTON));
    button.UnsubclassWindow();
}

} // namespace
