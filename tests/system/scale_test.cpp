// The program at the display scales most laptops run at: the display's
// LogPixels set in the suite's own prefix before the program starts, as a
// user sets the scale, and put back after it ends.

#include "SystemTest.h"

#include <commctrl.h>

#include <optional>
#include <string>

namespace {

// The scale Wine gives a program at its start: LogPixels of the user's
// desktop and of the current hardware profile's fonts.
class DisplayScale {
public:
    explicit DisplayScale(DWORD dpi) {
        for (Value& value : m_values) {
            HKEY key = nullptr;
            if (RegCreateKeyExA(value.root, value.path, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                nullptr, &key, nullptr) != ERROR_SUCCESS)
                continue;
            DWORD size = sizeof value.saved;
            value.existed =
                RegQueryValueExA(key, "LogPixels", nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(&value.saved), &size) == ERROR_SUCCESS;
            RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                           sizeof dpi);
            RegCloseKey(key);
        }
    }
    ~DisplayScale() {
        for (const Value& value : m_values) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(value.root, value.path, 0, KEY_WRITE, &key) != ERROR_SUCCESS)
                continue;
            if (value.existed)
                RegSetValueExA(key, "LogPixels", 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&value.saved), sizeof value.saved);
            else
                RegDeleteValueA(key, "LogPixels");
            RegCloseKey(key);
        }
    }
    DisplayScale(const DisplayScale&) = delete;
    DisplayScale& operator=(const DisplayScale&) = delete;

private:
    struct Value {
        HKEY root;
        const char* path;
        bool existed = false;
        DWORD saved = 0;
    };
    Value m_values[2] = {
        {HKEY_CURRENT_USER, "Control Panel\\Desktop"},
        {HKEY_LOCAL_MACHINE,
         "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"},
    };
};

struct Scale {
    DWORD dpi;
    SIZE image;  // of each toolbar button
    SIZE button; // the toolbar's buttons
    const char* screenshot;
};

class ScaleTest : public SystemTest, public testing::WithParamInterface<Scale> {
protected:
    // The scale is set before the program starts and put back after it ends.
    void SetUp() override {
        m_scale.emplace(GetParam().dpi);
        SystemTest::SetUp();
    }
    void TearDown() override {
        SystemTest::TearDown();
        m_scale.reset();
    }

    std::optional<DisplayScale> m_scale;
};

TEST_P(ScaleTest, ToolbarFollowsTheScaleAndTheVideoKeepsItsPixels) {
    const Scale& scale = GetParam();
    HWND main = m_program.Main();
    HWND toolbar = FindWindowExA(main, nullptr, "ToolbarWindow32", nullptr);
    ASSERT_NE(toolbar, nullptr);
    const SIZE image = m_program.ReadToolbarImageSize();
    EXPECT_EQ(image.cx, scale.image.cx);
    EXPECT_EQ(image.cy, scale.image.cy);
    const auto button = DWORD(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0));
    EXPECT_EQ(LOWORD(button), scale.button.cx);
    EXPECT_EQ(HIWORD(button), scale.button.cy);
    EXPECT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 12);
    // The bar is as high as its buttons and its edges.
    EXPECT_EQ(ClientSize(toolbar).cy, scale.button.cy + 4);

    // The capture window shows the image pixel for pixel, and its frame fits it.
    HWND capture = m_program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(ClientSize(capture).cx, 320);
    EXPECT_EQ(ClientSize(capture).cy, 240);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cx, 320);
    EXPECT_EQ(ClientSize(m_program.ChildFrame()).cy, 240);
    EXPECT_TRUE(PictureChanges(capture)) << "no live video";
    Screenshot(main, scale.screenshot);

    if (scale.dpi == 192) {
        // The card's sheet, which scales with its host and has no code for it.
        m_program.Command(command::kVideoSource);
        HWND sheet = m_program.WaitForDialog("Video Configuration");
        ASSERT_NE(sheet, nullptr);
        Sleep(300);
        Screenshot(sheet, "sheet-video-source-192dpi");
        PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        for (int waited = 0; waited < 5000 && IsWindow(sheet); waited += 100) {
            PostMessageA(sheet, WM_NULL, 0, 0);
            Sleep(100);
        }
        EXPECT_FALSE(IsWindow(sheet)) << "the sheet did not close";

        // The About box's icon follows the scale: 64 by 64 pixels at 200%.
        m_program.Command(command::kAppAbout);
        HWND about = m_program.WaitForDialog("About VideoCapture");
        ASSERT_NE(about, nullptr);
        HWND icon = FindWindowExA(about, nullptr, "Static", nullptr);
        while (icon != nullptr && (GetWindowLongA(icon, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            icon = FindWindowExA(about, icon, "Static", nullptr);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(ClientSize(icon).cx, 64);
        EXPECT_EQ(ClientSize(icon).cy, 64);
        Screenshot(about, "about-192dpi");
        EndDialogWith(about, IDOK);
        EXPECT_TRUE(WaitUntilGone(about));
    }
}

std::string ScaleName(const testing::TestParamInfo<Scale>& test) {
    return std::to_string(test.param.dpi);
}

INSTANTIATE_TEST_SUITE_P(Dpi, ScaleTest,
                         testing::Values(Scale{96, {16, 15}, {23, 21}, "main-window-96dpi"},
                                         Scale{144, {24, 23}, {35, 32}, "main-window-144dpi"},
                                         Scale{192, {32, 30}, {46, 42}, "main-window-192dpi"}),
                         ScaleName);

} // namespace
