// The card's own configuration library on the device, as a user works it:
// the size chosen on the Video Format page changes the device's output, and
// Brightness dragged on the Color page changes the live picture while the
// sheet is still open.

#include "DeviceFixture.h"

#include <commctrl.h>

#include "support/DialogScript.h"

#include <string>

namespace {

// Control ids of the library's pages.
constexpr int kLargeSize = 1039;
constexpr int kBrightnessSlider = 1047;

class ConfigurationSheetTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        const std::string target = TestFolder() + "tunerprops.dll";
        ASSERT_TRUE(
            CopyFileA((TestFolder() + "..\\tunerprops.dll").c_str(), target.c_str(), FALSE));
    }
    void TearDown() override {
        DeviceTest::TearDown();
        DeleteFileA((TestFolder() + "tunerprops.dll").c_str());
    }
    // Sends the dialog message and runs the steps while its sheet is up.
    void RunDialog(UINT message, const std::vector<DialogStep>& steps) {
        EXPECT_TRUE(RunWithDialog([this, message] { EXPECT_TRUE(Send(message)); }, steps))
            << "the sheet never showed, or did not close after the steps";
    }
};

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

TEST_F(ConfigurationSheetTest, LargeAppliedOnTheVideoFormatPageGivesSixForty) {
    SettingsKeyGuard key;
    ASSERT_TRUE(Connect(0));
    ASSERT_EQ(VideoFormat().biWidth, 320);
    RunDialog(WM_CAP_DLG_VIDEOFORMAT,
              {
                  [](HWND sheet) {
                      HWND page = CurrentPage(sheet);
                      SendMessageA(GetDlgItem(page, kLargeSize), BM_CLICK, 0, 0);
                  },
                  [](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0); },
                  [](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0); },
              });
    const BITMAPINFOHEADER format = VideoFormat();
    EXPECT_EQ(format.biWidth, 640);
    EXPECT_EQ(format.biHeight, 480);
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.uiImageWidth, 640u);
    EXPECT_EQ(status.uiImageHeight, 480u);
}

TEST_F(ConfigurationSheetTest, BrightnessDraggedChangesTheLivePictureWhileTheSheetIsOpen) {
    SettingsKeyGuard key;
    for (const char* name : {"Brightness", "Contrast", "Saturation", "Hue"})
        key.WriteDword(name, 128);
    ASSERT_TRUE(Connect(0));
    const int blackBarX = 7 * 320 / 8 + 4;
    const Rgb before = PixelAt(VideoFormat(), GrabFrame(), blackBarX, 10);
    Rgb during{-1, -1, -1};
    std::vector<DialogStep> steps = {
        [](HWND sheet) { SendMessageA(sheet, PSM_SETCURSEL, 1, 0); },
        [](HWND sheet) {
            // A drag: the thumb moved, the page told by its scroll message.
            HWND page = CurrentPage(sheet);
            HWND slider = GetDlgItem(page, kBrightnessSlider);
            SendMessageA(slider, TBM_SETPOS, TRUE, 228);
            SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 228),
                         reinterpret_cast<LPARAM>(slider));
        },
    };
    // The device takes up the signal at its next live frame: a few ticks.
    steps.insert(steps.end(), 10, [](HWND) {});
    steps.push_back([&](HWND) { during = PixelAt(VideoFormat(), GrabFrame(), blackBarX, 10); });
    steps.push_back([](HWND sheet) { PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); });
    RunDialog(WM_CAP_DLG_VIDEOSOURCE, steps);
    EXPECT_LT(before.r + before.g + before.b, 30) << "the black bar, at brightness 128";
    EXPECT_GT(during.r + during.g + during.b, before.r + before.g + before.b + 150)
        << "the black bar, brighter while the sheet is open";
    const Rgb after = PixelAt(VideoFormat(), GrabFrame(), blackBarX, 10);
    EXPECT_EQ(after.r, during.r) << "a moved value is kept after Cancel";
}

} // namespace
