// The card's "Video Configuration" sheet as the user meets it: opened from
// the program's Options menu by the driver, its pages shown, Brightness
// dragged while the live picture changes behind it.

#include "SystemTest.h"

#include <commctrl.h>

#include "support/DialogScript.h"
#include "contract/ConfigDialogExports.h"
#include "base/Handle.h"

namespace {

constexpr int kBrightnessSlider = 1047;
constexpr int kUseDirectDraw = 1045;
constexpr int kCapabilities = 1068;

HWND CurrentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int PageCount(HWND sheet) {
    HWND tabs = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
    return tabs != nullptr ? TabCtrl_GetItemCount(tabs) : 0;
}

class SheetTest : public SystemTest {
protected:
    HWND OpenSheet(UINT commandId) {
        m_program.Command(commandId);
        HWND sheet = m_program.WaitForDialog("Video Configuration");
        EXPECT_NE(sheet, nullptr) << "no Video Configuration sheet";
        if (sheet != nullptr) {
            EXPECT_FALSE(IsWindowEnabled(m_program.Main())) << "the sheet is modal for the program";
        }
        return sheet;
    }
    // A modal sheet driven from another thread notices its end only at its
    // next posted message.
    void CloseSheet(HWND sheet, int button) {
        PostMessageA(sheet, PSM_PRESSBUTTON, WPARAM(button), 0);
        for (int waited = 0; waited < 5000 && IsWindow(sheet); waited += 100) {
            PostMessageA(sheet, WM_NULL, 0, 0);
            Sleep(100);
        }
        EXPECT_FALSE(IsWindow(sheet)) << "the sheet did not close";
        Sleep(300);
        EXPECT_TRUE(IsWindowEnabled(m_program.Main())) << "the program is enabled again";
    }
};

TEST_F(SheetTest, VideoSourceSheetBrightnessChangesTheLivePicture) {
    for (const char* name : {"Brightness", "Contrast", "Saturation", "Hue"})
        m_settings.WriteDword(name, 128);
    HWND capture = m_program.CaptureWindow();
    ASSERT_NE(capture, nullptr);
    const int blackBarX = 7 * 320 / 8 + 4;
    // The settings written above reach the device with the sheet's signal;
    // the black bar is looked at once the sheet is up.
    HWND sheet = OpenSheet(command::kVideoSource);
    ASSERT_NE(sheet, nullptr);
    Sleep(500);
    const int before = ScreenBrightness(capture, blackBarX, 10);
    EXPECT_EQ(WindowText(CurrentPage(sheet)), "Video Source");
    EXPECT_EQ(PageCount(sheet), 2);
    Screenshot(sheet, "sheet-video-source");

    SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(WindowText(page), "Color");
    Sleep(200);
    Screenshot(sheet, "sheet-color");
    // A drag: the thumb moved, the page told by its scroll message.
    HWND slider = GetDlgItem(page, kBrightnessSlider);
    ASSERT_NE(slider, nullptr);
    SendMessageA(slider, TBM_SETPOS, TRUE, 228);
    SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 228),
                 reinterpret_cast<LPARAM>(slider));
    int during = before;
    for (int waited = 0; waited < 3000 && during < before + 150; waited += 100) {
        Sleep(100);
        during = ScreenBrightness(capture, blackBarX, 10);
    }
    EXPECT_LT(before, 30) << "the black bar at brightness 128";
    EXPECT_GE(during, before + 150) << "the black bar, brighter while the sheet is open";
    CloseSheet(sheet, PSBTN_CANCEL);
    EXPECT_GE(ScreenBrightness(capture, blackBarX, 10), before + 150) << "kept after Cancel";
}

TEST_F(SheetTest, VideoDisplaySheetShowsTheDrawingPage) {
    HWND sheet = OpenSheet(command::kVideoDisplay);
    ASSERT_NE(sheet, nullptr);
    HWND page = CurrentPage(sheet);
    EXPECT_EQ(WindowText(page), "Drawing");
    EXPECT_NE(GetDlgItem(page, kUseDirectDraw), nullptr);
    EXPECT_NE(WindowText(GetDlgItem(page, kCapabilities)), "") << "no capability summary";
    EXPECT_EQ(PageCount(sheet), 1);
    Sleep(200);
    Screenshot(sheet, "sheet-drawing");
    CloseSheet(sheet, PSBTN_CANCEL);
    EXPECT_TRUE(PictureChanges(m_program.CaptureWindow())) << "live video after the sheet";
}

// The Video Format page is the driver's own format dialog, which the program
// never asks for: it is shown here as the driver shows it, for its screenshot.
TEST(ConfigurationLibrary, ShowsTheVideoFormatPageAsTheDriverDoes) {
    SettingsKeyGuard settings;
    HMODULE library = LoadLibraryA("tunerprops.dll");
    ASSERT_NE(library, nullptr);
    auto create = ProcAddress<CreateConfigDialogFn>(library, "CreateConfigDialog");
    auto doModal = ProcAddress<DoConfigDialogFn>(library, "DoConfigDialog");
    auto destroy = ProcAddress<DestroyConfigDialogFn>(library, "DestroyConfigDialog");
    ASSERT_TRUE(create && doModal && destroy);
    ASSERT_NE(create(2, nullptr), nullptr);
    EXPECT_TRUE(RunWithDialog([&] { EXPECT_EQ(doModal(), IDCANCEL); },
                              {
                                  [](HWND) {}, // drawn
                                  [](HWND sheet) {
                                      EXPECT_EQ(WindowText(CurrentPage(sheet)), "Video Format");
                                      EXPECT_GT(SaveScreenshot(sheet, "sheet-video-format"), 8)
                                          << "a blank screenshot";
                                      PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
                                  },
                              }))
        << "the sheet never showed";
    destroy();
    FreeLibrary(library);
}

} // namespace
