#include "framework/Wnd.h"

#include <gtest/gtest.h>

namespace {

// A child larger than its parent's client area keeps its top left inside
// it: a parent without scroll bars could not bring it back into reach.
TEST(CenterWindow, CentresAChildAndKeepsItsTopLeftInsideTheParent) {
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "parent", WS_POPUP, RECT{0, 0, 400, 300}, nullptr, 0));
    struct Case {
        const char* context;
        int cx, cy;
        int x, y;
    } const cases[] = {
        {"smaller both ways", 100, 60, 150, 120},
        {"wider", 500, 60, 0, 120},
        {"taller", 100, 400, 150, 0},
        {"larger both ways", 640, 480, 0, 0},
    };
    for (const Case& c : cases) {
        CWnd child;
        ASSERT_TRUE(child.CreateEx(0, nullptr, "child", WS_CHILD, RECT{7, 9, 7 + c.cx, 9 + c.cy},
                                   &parent, 1));
        child.CenterWindow();
        RECT rect = child.GetWindowRect();
        MapWindowPoints(nullptr, parent.m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, c.x) << c.context;
        EXPECT_EQ(rect.top, c.y) << c.context;
        EXPECT_EQ(rect.right - rect.left, c.cx) << c.context;
        child.DestroyWindow();
    }
    parent.DestroyWindow();
}

} // namespace
