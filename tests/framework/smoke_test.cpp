#include <windows.h>
#include <gtest/gtest.h>
TEST(Smoke, CreatesAWindow) {
    HWND h = CreateWindowA("STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_NE(h, nullptr);
    DestroyWindow(h);
}
