// The Video Format and Drawing pages as the driver's user sees them: what
// they show for the stored values, and what their buttons store and signal.
#include "PageHarness.h"

#include "tunerprops/resource.h"

#include <commctrl.h>

namespace {

constexpr std::initializer_list<int> kSizes = {IDC_SMALL, IDC_MEDIUM, IDC_LARGE};
constexpr std::initializer_list<int> kFormats = {IDC_RGB15, IDC_RGB24, IDC_RGB32, IDC_YUY2};

} // namespace

TEST_F(PageTest, VideoFormatShowsTheStoredCodesAndOthersAsSmallAndRgb15) {
    struct Case {
        DWORD size, format;
        int shownSize, shownFormat;
    };
    const Case cases[] = {
        {50, 1, IDC_MEDIUM, IDC_RGB24}, {100, 3, IDC_LARGE, IDC_YUY2},
        {25, 2, IDC_SMALL, IDC_RGB32},  {320, 7, IDC_SMALL, IDC_RGB15},
        {0, 0, IDC_SMALL, IDC_RGB15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("ImageSize " + std::to_string(c.size) + ", ImageFormat " +
                     std::to_string(c.format));
        const SheetRun run =
            Run(kVideoFormatMode, {{"ImageSize", Dword(c.size)}, {"ImageFormat", Dword(c.format)}},
                [&](HWND hSheet, HWND hPage) {
                    EXPECT_EQ(Checked(hPage, kSizes), std::vector{c.shownSize});
                    EXPECT_EQ(Checked(hPage, kFormats), std::vector{c.shownFormat});
                    PressButton(hSheet, PSBTN_CANCEL);
                });
        EXPECT_TRUE(run.scriptRan);
        const auto key = ReadKey();
        ASSERT_TRUE(key.has_value());
        EXPECT_EQ(key->at("ImageSize"), Dword(c.size)) << "showing stores nothing";
        EXPECT_EQ(key->at("ImageFormat"), Dword(c.format));
    }
}

TEST_F(PageTest, VideoFormatClicksSignalAtOnceAndStoreAtApplyOnly) {
    struct Case {
        const char* context;
        int button;
        DWORD storedSize; // after the sheet
    };
    const Case cases[] = {
        {"Large, then Cancel", PSBTN_CANCEL, 25},
        {"Large, then Apply", PSBTN_APPLYNOW, 100},
        {"Large, then OK", PSBTN_OK, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        int signals = -1;
        std::optional<KeyContents> beforeButton;
        bool applyAfter = true;
        Run(kVideoFormatMode, {{"ImageSize", Dword(25)}, {"ImageFormat", Dword(0)}},
            [&](HWND hSheet, HWND hPage) {
                const int before = EventSetCount();
                Click(hPage, IDC_LARGE);
                signals = EventSetCount() - before;
                EXPECT_EQ(Checked(hPage, kSizes), std::vector{IDC_LARGE});
                beforeButton = ReadKey();
                PressButton(hSheet, c.button);
                if (c.button == PSBTN_APPLYNOW) {
                    applyAfter = IsApplyEnabled(hSheet);
                    PressButton(hSheet, PSBTN_CANCEL);
                }
            });
        EXPECT_EQ(signals, 1) << "the driver hears of the click at once";
        ASSERT_TRUE(beforeButton.has_value());
        EXPECT_EQ(beforeButton->at("ImageSize"), Dword(25)) << "the registry waits for Apply";
        if (c.button == PSBTN_APPLYNOW) {
            EXPECT_FALSE(applyAfter) << "Apply clears the modified mark";
        }
        EXPECT_EQ(ReadKey()->at("ImageSize"), Dword(c.storedSize));
    }
}

TEST_F(PageTest, DrawingSummaryDescribesTheStoredCapabilities) {
    struct Case {
        const char* context;
        KeyContents caps;
        const char* summary;
    };
    const Case cases[] = {
        {"no capability values", {}, "Direct Draw not available."},
        {"a value of 2 is not a yes", {{"DDAvailable", Dword(2)}}, "Direct Draw not available."},
        {"overlays in RGB15 and YUY2, planes without formats",
         {{"DDAvailable", Dword(1)},
          {"DDSupportsOverlays", Dword(1)},
          {"DDSupportsRGB15", Dword(1)},
          {"DDSupportsYUY2", Dword(1)},
          {"DDSupportsRGB24", Dword(2)},
          {"DDSupportsOffScreenPlanes", Dword(1)}},
         "Direct Draw capable, overlays supported: RGB15, YUY2.  Off-screen planes supported: "
         "None.  "},
        {"neither overlays nor planes",
         {{"DDAvailable", Dword(1)}},
         "Direct Draw capable, Off-screen planes not supported."},
        {"overlays with no format",
         {{"DDAvailable", Dword(1)}, {"DDSupportsOverlays", Dword(1)}},
         "Direct Draw capable, overlays supported: None.  Off-screen planes not supported."},
        {"RGB24 alone",
         {{"DDAvailable", Dword(1)},
          {"DDSupportsOverlays", Dword(1)},
          {"DDSupportsRGB24", Dword(1)}},
         "Direct Draw capable, overlays supported: RGB24.  Off-screen planes not supported."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        Run(kDisplayMode, c.caps, [&](HWND hSheet, HWND hPage) {
            EXPECT_EQ(WindowText(GetDlgItem(hPage, IDC_CAPABILITIES)), c.summary);
            PressButton(hSheet, PSBTN_CANCEL);
        });
    }
}

TEST_F(PageTest, DrawingTypeFollowsDirectDrawAvailability) {
    struct Case {
        const char* context;
        DWORD available, useDirect;
        bool directShown, directEnabled;
    };
    const Case cases[] = {
        {"no Direct Draw, GDI stored", 0, 0, false, false},
        {"Direct Draw, GDI stored", 1, 0, false, true},
        {"Direct Draw, Direct Draw stored", 1, 1, true, true},
        {"no Direct Draw, Direct Draw stored", 0, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        Run(kDisplayMode, {{"DDAvailable", Dword(c.available)}, {"UseDirect", Dword(c.useDirect)}},
            [&](HWND hSheet, HWND hPage) {
                EXPECT_EQ(IsChecked(hPage, IDC_USE_DIRECT_DRAW), c.directShown);
                EXPECT_EQ(IsChecked(hPage, IDC_USE_GDI), !c.directShown);
                EXPECT_EQ(bool(IsWindowEnabled(GetDlgItem(hPage, IDC_USE_DIRECT_DRAW))),
                          c.directEnabled);
                PressButton(hSheet, PSBTN_APPLYNOW);
                PressButton(hSheet, PSBTN_CANCEL);
            });
        EXPECT_EQ(ReadKey()->at("UseDirect"), Dword(c.useDirect))
            << "Apply keeps the stored choice";
    }
}

TEST_F(PageTest, UseGdiThenCancelSignalsButStoresNothing) {
    int signals = -1;
    Run(kDisplayMode, {{"DDAvailable", Dword(1)}, {"UseDirect", Dword(1)}},
        [&](HWND hSheet, HWND hPage) {
            const int before = EventSetCount();
            Click(hPage, IDC_USE_GDI);
            signals = EventSetCount() - before;
            PressButton(hSheet, PSBTN_CANCEL);
        });
    EXPECT_EQ(signals, 1);
    EXPECT_EQ(ReadKey()->at("UseDirect"), Dword(1));
}
