// The program at the display scales most laptops run at, set as a user sets
// them (LogPixels, read by Wine at a program's start) in the suite's own
// prefix, where no scale is set otherwise.

#include "SystemTest.h"

#include <commctrl.h>

#include <string>
#include <utility>

namespace {

// The scale, or none (the default 96 dpi) for 0.
void SetLogPixels(DWORD dpi) {
    for (auto [root, path] :
         {std::pair{HKEY_CURRENT_USER, "Control Panel\\Desktop"},
          std::pair{HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Hardware "
                                        "Profiles\\Current\\Software\\Fonts"}}) {
        HKEY key = nullptr;
        RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        if (dpi != 0)
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dpi), 4);
        else
            RegDeleteValueA(key, "LogPixels");
        RegCloseKey(key);
    }
}

struct Scale {
    DWORD dpi;
    SIZE button; // a toolbar button: its image (16 by 15 at 100%) and padding
};
class ScaleTest : public SystemTest, public testing::WithParamInterface<Scale> {
protected:
    void SetUp() override {
        SetLogPixels(GetParam().dpi);
        SystemTest::SetUp();
    }
    void TearDown() override {
        SystemTest::TearDown();
        SetLogPixels(0);
    }
};

TEST_P(ScaleTest, ToolbarFollowsTheScaleAndTheVideoKeepsItsPixels) {
    HWND main = m_program.Main();
    HWND toolbar = FindWindowExA(main, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    const auto button = DWORD(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_EQ(LOWORD(button), GetParam().button.cx);
    EXPECT_EQ(HIWORD(button), GetParam().button.cy);
    EXPECT_EQ(ClientSize(toolbar).cy, GetParam().button.cy + 4) << "buttons and edges";

    // The capture window shows the image pixel for pixel, and its frame fits it.
    HWND capture = m_program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    for (HWND hWnd : {capture, m_program.ChildFrame()}) {
        EXPECT_EQ(ClientSize(hWnd).cx, 320);
        EXPECT_EQ(ClientSize(hWnd).cy, 240);
    }
    EXPECT_TRUE(PictureChanges(capture)) << "no live video";
    Screenshot(main, ("main-window-" + std::to_string(GetParam().dpi) + "dpi").c_str());
}

// Images of 16 x 15, 24 x 23 and 32 x 30, padded by 7 x 6 at 100%.
INSTANTIATE_TEST_SUITE_P(Dpi, ScaleTest,
                         testing::Values(Scale{96, {23, 21}}, Scale{144, {35, 32}},
                                         Scale{192, {46, 42}}));

} // namespace
