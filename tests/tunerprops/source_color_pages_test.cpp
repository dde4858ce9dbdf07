// The Video Source and Color pages as the driver's user sees them: what they
// show for the registry's values, and what each control stores and signals
// at once, while the sheet is still open.
#include "PageHarness.h"

#include "tunerprops/resource.h"

#include <commctrl.h>

#include <array>

namespace {

constexpr std::initializer_list<int> kSourceButtons = {
    IDC_TUNER,      IDC_COMPOSITE, IDC_SVIDEO, IDC_SECAM, IDC_PAL_N,  IDC_PAL_M, IDC_PAL, IDC_NTSC,
    IDC_NTSC_JAPAN, IDC_PAL_NC,    IDC_AIR,    IDC_CABLE, IDC_STEREO, IDC_SAP,   IDC_MUTE};
constexpr int kChannelControls[] = {IDC_CHANNEL, IDC_CHANNEL_SPIN,  IDC_AIR,
                                    IDC_CABLE,   IDC_CHANNEL_GROUP, IDC_SWITCH};

std::string Text(HWND hPage, int nID) {
    return WindowText(GetDlgItem(hPage, nID));
}

void SetText(HWND hPage, int nID, const char* text) {
    SetWindowTextA(GetDlgItem(hPage, nID), text);
}

// The up-down control's range, as "low..high".
std::string SpinRange(HWND hPage) {
    const LRESULT range = SendDlgItemMessageA(hPage, IDC_CHANNEL_SPIN, UDM_GETRANGE, 0, 0);
    return std::to_string(short(HIWORD(range))) + ".." + std::to_string(short(LOWORD(range)));
}

bool ChannelControlsEnabled(HWND hPage) {
    int enabled = 0;
    for (int nID : kChannelControls)
        enabled += IsWindowEnabled(GetDlgItem(hPage, nID)) ? 1 : 0;
    EXPECT_TRUE(enabled == 0 || enabled == 6) << enabled << " of the channel controls enabled";
    return enabled == 6;
}

// The key's values with the changes applied.
KeyContents With(KeyContents contents, const KeyContents& changes) {
    for (const auto& [name, value] : changes)
        contents[name] = value;
    return contents;
}

// Keeps only the named values.
KeyContents Only(const std::optional<KeyContents>& key, std::initializer_list<const char*> names) {
    KeyContents kept;
    for (const char* name : names)
        if (key && key->count(name))
            kept[name] = key->at(name);
    return kept;
}

} // namespace

// ---------------------------------------------------------------------------
// Video Source

TEST_F(PageTest, VideoSourceShowsTheRegistryWithTheChannelInItsBand) {
    struct Case {
        const char* context;
        std::optional<KeyContents> stored; // nullopt: no key, the store creates it
        std::vector<int> checked;
        const char* channel;
        const char* range;
        bool channelControls;
        DWORD storedChannel;
        int signals;
    };
    const Case cases[] = {
        {"right after the store created the key",
         std::nullopt,
         {IDC_TUNER, IDC_SECAM, IDC_AIR, IDC_STEREO},
         "2",
         "2..68",
         true,
         2,
         1},
        {"VideoStandard 9 shows NTSC",
         KeyContents{{"Connector", Dword(1)}, {"VideoStandard", Dword(9)}, {"Channel", Dword(5)}},
         {IDC_COMPOSITE, IDC_NTSC, IDC_AIR, IDC_STEREO},
         "5",
         "2..68",
         false,
         5,
         0},
        {"Channel 0 on cable becomes 1",
         KeyContents{{"Tuner", Dword(1)}, {"Channel", Dword(0)}, {"VideoStandard", Dword(3)}},
         {IDC_TUNER, IDC_PAL, IDC_CABLE, IDC_STEREO},
         "1",
         "1..125",
         true,
         1,
         1},
        {"Channel 200 on air becomes 68",
         KeyContents{{"Tuner", Dword(0)}, {"Channel", Dword(200)}, {"VideoStandard", Dword(4)}},
         {IDC_TUNER, IDC_NTSC, IDC_AIR, IDC_STEREO},
         "68",
         "2..68",
         true,
         68,
         1},
        {"Tuner 5 shows air",
         KeyContents{{"Tuner", Dword(5)}, {"Channel", Dword(30)}, {"VideoStandard", Dword(5)}},
         {IDC_TUNER, IDC_NTSC_JAPAN, IDC_AIR, IDC_STEREO},
         "30",
         "2..68",
         true,
         30,
         0},
        {"S-Video, PAL NC, SAP, muted",
         KeyContents{{"Connector", Dword(2)},
                     {"VideoStandard", Dword(6)},
                     {"Sound", Dword(1)},
                     {"Mute", Dword(1)},
                     {"Channel", Dword(10)}},
         {IDC_SVIDEO, IDC_PAL_NC, IDC_AIR, IDC_SAP, IDC_MUTE},
         "10",
         "2..68",
         false,
         10,
         0},
        {"unknown codes: Connector 7, Sound 2, Mute 2, VideoStandard 2",
         KeyContents{{"Connector", Dword(7)},
                     {"Sound", Dword(2)},
                     {"Mute", Dword(2)},
                     {"VideoStandard", Dword(2)},
                     {"Channel", Dword(68)}},
         {IDC_TUNER, IDC_PAL_M, IDC_AIR, IDC_STEREO},
         "68",
         "2..68",
         true,
         68,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        if (c.stored)
            WriteKey(*c.stored);
        else
            DeleteKey();
        const SheetRun run = RunOnRegistry(kVideoSourceMode, [&](HWND hSheet, HWND hPage) {
            EXPECT_EQ(Checked(hPage, kSourceButtons), c.checked);
            EXPECT_EQ(Text(hPage, IDC_CHANNEL), c.channel);
            EXPECT_EQ(SpinRange(hPage), c.range);
            EXPECT_EQ(ChannelControlsEnabled(hPage), c.channelControls);
            EXPECT_EQ(m_record->values[Channel], c.storedChannel);
            EXPECT_EQ(m_openSignals, c.signals);
            EXPECT_TRUE(IsApplyEnabled(hSheet)) << "filling the channel edit marks the page";
            PressButton(hSheet, PSBTN_CANCEL);
        });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_EQ(ReadKey()->at("Channel"), Dword(c.storedChannel));
    }
}

TEST_F(PageTest, VideoSourceControlsStoreAndSignalAtOnce) {
    struct Case {
        const char* context;
        KeyContents stored;
        std::function<void(HWND)> use;
        KeyContents changes;
        int signals;
    };
    const Case cases[] = {
        {"Composite with Mute stored as 1",
         {{"Mute", Dword(1)}},
         [](HWND hPage) { Click(hPage, IDC_COMPOSITE); },
         {{"Connector", Dword(1)}, {"AudioSource", Dword(3)}},
         2},
        {"S-Video, not muted",
         {},
         [](HWND hPage) { Click(hPage, IDC_SVIDEO); },
         {{"Connector", Dword(2)}, {"AudioSource", Dword(1)}},
         2},
        {"the tuner input, from composite",
         {{"Connector", Dword(1)}},
         [](HWND hPage) { Notify(hPage, IDC_TUNER, BN_CLICKED); },
         {{"Connector", Dword(0)}, {"AudioSource", Dword(2)}},
         2},
        {"Mute off with Connector stored as 2",
         {{"Connector", Dword(2)}, {"Mute", Dword(1)}, {"AudioSource", Dword(3)}},
         [](HWND hPage) {
             SendDlgItemMessageA(hPage, IDC_MUTE, BM_SETCHECK, BST_UNCHECKED, 0);
             Notify(hPage, IDC_MUTE, BN_CLICKED);
         },
         {{"Mute", Dword(0)}, {"AudioSource", Dword(1)}},
         2},
        {"Mute on with the tuner input",
         {},
         [](HWND hPage) {
             SendDlgItemMessageA(hPage, IDC_MUTE, BM_SETCHECK, BST_CHECKED, 0);
             Notify(hPage, IDC_MUTE, BN_CLICKED);
         },
         {{"Mute", Dword(1)}, {"AudioSource", Dword(3)}},
         2},
        {"the checked standard clicked again stores again",
         {{"VideoStandard", Dword(3)}},
         [](HWND hPage) {
             SetStoredValue("VideoStandard", 9);
             Click(hPage, IDC_PAL);
         },
         {{"VideoStandard", Dword(3)}},
         1},
        {"Cable",
         {},
         [](HWND hPage) {
             Notify(hPage, IDC_CABLE, BN_CLICKED);
             EXPECT_EQ(SpinRange(hPage), "1..125");
         },
         {{"Tuner", Dword(1)}},
         1},
        {"Air from cable pulls the shown channel into the band, the stored one waits",
         {{"Tuner", Dword(1)}, {"Channel", Dword(100)}},
         [](HWND hPage) {
             Notify(hPage, IDC_AIR, BN_CLICKED);
             EXPECT_EQ(SpinRange(hPage), "2..68");
             EXPECT_EQ(Text(hPage, IDC_CHANNEL), "68");
         },
         {{"Tuner", Dword(0)}},
         1},
        {"SAP",
         {},
         [](HWND hPage) { Notify(hPage, IDC_SAP, BN_CLICKED); },
         {{"Sound", Dword(1)}},
         1},
        {"Stereo",
         {{"Sound", Dword(1)}},
         [](HWND hPage) { Notify(hPage, IDC_STEREO, BN_CLICKED); },
         {{"Sound", Dword(0)}},
         1},
        {"Switch to 69 on air does nothing",
         {},
         [](HWND hPage) {
             SetText(hPage, IDC_CHANNEL, "69");
             Notify(hPage, IDC_SWITCH, BN_CLICKED);
         },
         {},
         0},
        {"Switch to 68 on air",
         {},
         [](HWND hPage) {
             SetText(hPage, IDC_CHANNEL, "68");
             Notify(hPage, IDC_SWITCH, BN_CLICKED);
         },
         {{"Channel", Dword(68)}},
         1},
        {"Switch to 100 with Tuner 5, taken as cable",
         {{"Tuner", Dword(5)}},
         [](HWND hPage) {
             SetText(hPage, IDC_CHANNEL, "100");
             Notify(hPage, IDC_SWITCH, BN_CLICKED);
         },
         {{"Channel", Dword(100)}},
         1},
        {"Switch to 126 with Tuner 5 does nothing",
         {{"Tuner", Dword(5)}},
         [](HWND hPage) {
             SetText(hPage, IDC_CHANNEL, "126");
             Notify(hPage, IDC_SWITCH, BN_CLICKED);
         },
         {},
         0},
        {"Switch with no number does nothing",
         {},
         [](HWND hPage) {
             SetText(hPage, IDC_CHANNEL, "");
             Notify(hPage, IDC_SWITCH, BN_CLICKED);
         },
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        // A channel in the band, so that opening stores nothing.
        const KeyContents stored = With({{"Channel", Dword(2)}}, c.stored);
        Run(kVideoSourceMode, stored, [&](HWND hSheet, HWND hPage) {
            EXPECT_EQ(SignalsOf([&] { c.use(hPage); }), c.signals);
            EXPECT_EQ(ReadKey(), With(stored, c.changes));
            PressButton(hSheet, PSBTN_CANCEL);
        });
        EXPECT_EQ(ReadKey(), With(stored, c.changes)) << "Cancel keeps what was stored";
    }
}

TEST_F(PageTest, EachStandardStoresItsCode) {
    const std::pair<int, DWORD> standards[] = {{IDC_SECAM, 0}, {IDC_PAL_N, 1}, {IDC_PAL_M, 2},
                                               {IDC_PAL, 3},   {IDC_NTSC, 4},  {IDC_NTSC_JAPAN, 5},
                                               {IDC_PAL_NC, 6}};
    Run(kVideoSourceMode, {{"Channel", Dword(2)}}, [&](HWND hSheet, HWND hPage) {
        for (const auto& [nID, code] : standards) {
            EXPECT_EQ(SignalsOf([&] { Click(hPage, nID); }), 1) << nID;
            EXPECT_EQ(ReadKey()->at("VideoStandard"), Dword(code)) << nID;
            EXPECT_EQ(m_record->values[VideoStandard], code) << nID;
        }
        PressButton(hSheet, PSBTN_CANCEL);
    });
}

// The edit pulls a typed channel into the band of the stored Tuner without
// storing it; a text outside 1 to 128 is refused first.
TEST_F(PageTest, ChannelEditLosingTheFocusPullsTheChannelIntoItsBand) {
    struct Case {
        DWORD tuner;
        const char* typed;
        const char* shown;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {0, "69", "68", {}},   {0, "0", "2", {"Please enter an integer between 1 and 128."}},
        {1, "126", "125", {}}, {1, "1", "1", {}},
        {0, "12", "12", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("Tuner ") + std::to_string(c.tuner) + ", typed " + c.typed);
        const KeyContents stored{{"Tuner", Dword(c.tuner)}, {"Channel", Dword(2)}};
        Run(kVideoSourceMode, stored, [&](HWND hSheet, HWND hPage) {
            SetText(hPage, IDC_CHANNEL, c.typed);
            EXPECT_EQ(SignalsOf([&] { Notify(hPage, IDC_CHANNEL, EN_KILLFOCUS); }), 0);
            EXPECT_EQ(TakeMessageBoxes(), c.messages);
            EXPECT_EQ(Text(hPage, IDC_CHANNEL), c.shown);
            EXPECT_EQ(ReadKey(), stored);
            PressButton(hSheet, PSBTN_CANCEL);
        });
    }
}

// Default puts the record to its defaults and stores the page's own, which
// the page then shows; the other pages' values stay as stored.
TEST_F(PageTest, VideoSourceDefaultStoresAndShowsThePageDefaults) {
    const KeyContents stored{
        {"Tuner", Dword(1)},       {"Channel", Dword(50)},   {"VideoStandard", Dword(3)},
        {"Sound", Dword(1)},       {"Connector", Dword(2)},  {"Mute", Dword(1)},
        {"AudioSource", Dword(3)}, {"Brightness", Dword(7)}, {"ImageSize", Dword(100)}};
    Run(kVideoSourceMode, stored, [&](HWND hSheet, HWND hPage) {
        EXPECT_EQ(SignalsOf([&] { Notify(hPage, IDC_SOURCE_DEFAULT, BN_CLICKED); }), 2);
        EXPECT_EQ(ReadKey(), With(stored, {{"Tuner", Dword(0)},
                                           {"Channel", Dword(2)},
                                           {"VideoStandard", Dword(4)},
                                           {"Sound", Dword(0)},
                                           {"Connector", Dword(0)},
                                           {"Mute", Dword(0)},
                                           {"AudioSource", Dword(2)}}));
        EXPECT_EQ(Checked(hPage, kSourceButtons),
                  (std::vector<int>{IDC_TUNER, IDC_NTSC, IDC_AIR, IDC_STEREO}));
        EXPECT_EQ(Text(hPage, IDC_CHANNEL), "2");
        EXPECT_TRUE(ChannelControlsEnabled(hPage));
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(m_record->values[i], kSettingDefaults[i]) << kSettingNames[i];
        PressButton(hSheet, PSBTN_CANCEL);
    });
}

// With the key gone, the corrected channel is what the page keeps: OK is not
// refused over a channel the user cannot see.
TEST_F(PageTest, VideoSourceWithoutTheKeyKeepsTheCorrectedChannel) {
    const SheetRun run = RunOnRegistry(
        kVideoSourceMode,
        [&](HWND hSheet, HWND hPage) {
            EXPECT_EQ(Checked(hPage, kSourceButtons),
                      (std::vector<int>{IDC_TUNER, IDC_SECAM, IDC_AIR, IDC_STEREO}));
            EXPECT_EQ(Text(hPage, IDC_CHANNEL), "2");
            EXPECT_EQ(m_record->values[Channel], 2u);
            EXPECT_EQ(m_openSignals, 1);
            Click(hPage, IDC_COMPOSITE);
            EXPECT_EQ(m_record->values[Connector], 1u) << "the record follows the user";
            PressButton(hSheet, PSBTN_OK);
        },
        [] { DeleteKey(); });
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(ReadKey(), std::nullopt);
}

// ---------------------------------------------------------------------------
// Color

namespace {

constexpr int kColorPage = 1;
struct ColourControl {
    const char* name;
    int slider;
    int field;
};
constexpr ColourControl kColours[] = {
    {"Brightness", IDC_BRIGHTNESS_SLIDER, IDC_BRIGHTNESS},
    {"Contrast", IDC_CONTRAST_SLIDER, IDC_CONTRAST},
    {"Hue", IDC_HUE_SLIDER, IDC_HUE},
    {"Saturation", IDC_SATURATION_SLIDER, IDC_SATURATION},
};
constexpr std::initializer_list<const char*> kColourNames = {"Brightness", "Contrast", "Hue",
                                                             "Saturation"};

// What the page shows: each field's text and its trackbar's position, in
// the order Brightness, Contrast, Hue, Saturation.
struct ColoursShown {
    std::array<std::string, 4> fields;
    std::array<LRESULT, 4> sliders;
    bool operator==(const ColoursShown&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ColoursShown& shown) {
    for (size_t i = 0; i < 4; ++i)
        out << kColours[i].name << " \"" << shown.fields[i] << "\" at " << shown.sliders[i] << "; ";
    return out;
}

ColoursShown Shown(HWND hPage) {
    ColoursShown shown;
    for (size_t i = 0; i < 4; ++i) {
        shown.fields[i] = Text(hPage, kColours[i].field);
        shown.sliders[i] = SendDlgItemMessageA(hPage, kColours[i].slider, TBM_GETPOS, 0, 0);
    }
    return shown;
}

const ColourControl& Colour(const char* name) {
    for (const ColourControl& colour : kColours)
        if (std::string(name) == colour.name)
            return colour;
    ADD_FAILURE() << "no colour " << name;
    return kColours[0];
}

// One press of the arrow key on a trackbar: a line further, one WM_HSCROLL.
void MoveRight(HWND hPage, const char* colour) {
    SendDlgItemMessageA(hPage, Colour(colour).slider, WM_KEYDOWN, VK_RIGHT, 0);
}

KeyContents Colours(DWORD brightness, DWORD contrast, DWORD hue, DWORD saturation) {
    return {{"Brightness", Dword(brightness)},
            {"Contrast", Dword(contrast)},
            {"Hue", Dword(hue)},
            {"Saturation", Dword(saturation)}};
}

} // namespace

class ColorPageTest : public PageTest {
protected:
    // Runs the script on the Color page, after an Apply that clears the
    // Video Source page's mark, so that Apply tells whether the Color page
    // marked itself.
    void RunColor(const std::optional<KeyContents>& stored, const Script& script) {
        if (stored)
            WriteKey(*stored);
        else
            DeleteKey();
        const SheetRun run = RunOnRegistry(kVideoSourceMode, [&](HWND hSheet, HWND) {
            SelectPage(hSheet, kColorPage);
            PressButton(hSheet, PSBTN_APPLYNOW);
            EXPECT_FALSE(IsApplyEnabled(hSheet));
            script(hSheet, PropSheet_GetCurrentPageHwnd(hSheet));
            PressButton(hSheet, PSBTN_CANCEL);
        });
        EXPECT_TRUE(run.scriptRan);
    }
};

TEST_F(ColorPageTest, ShowsTheRegistryWithTrackbarsUpTo255) {
    struct Case {
        const char* context;
        std::optional<KeyContents> stored;
        ColoursShown shown;
    };
    const Case cases[] = {
        {"no colour values: the store writes none",
         std::nullopt,
         {{"0", "0", "0", "0"}, {0, 0, 0, 0}}},
        {"300 stored by another writer",
         Colours(10, 300, 255, 0),
         {{"10", "300", "255", "0"}, {10, 255, 255, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        RunColor(c.stored, [&](HWND, HWND hPage) {
            EXPECT_EQ(Shown(hPage), c.shown);
            for (const ColourControl& colour : kColours) {
                EXPECT_EQ(SendDlgItemMessageA(hPage, colour.slider, TBM_GETRANGEMAX, 0, 0), 255);
                EXPECT_EQ(SendDlgItemMessageA(hPage, colour.slider, TBM_GETRANGEMIN, 0, 0), 0);
            }
            EXPECT_EQ(Only(ReadKey(), kColourNames), c.stored ? *c.stored : KeyContents{})
                << "showing stores nothing";
        });
    }
}

// Whichever trackbar moves, all four positions are stored and signalled, so
// that the driver follows the thumb.
TEST_F(ColorPageTest, TrackbarMovementStoresAllFourValues) {
    struct Case {
        const char* context;
        KeyContents stored;
        const char* moved;
        KeyContents after;
        ColoursShown shown;
    };
    const Case cases[] = {
        {"Hue",
         Colours(10, 20, 30, 40),
         "Hue",
         Colours(10, 20, 31, 40),
         {{"10", "20", "31", "40"}, {10, 20, 31, 40}}},
        {"Brightness with 300 stored for Contrast",
         Colours(10, 300, 30, 40),
         "Brightness",
         Colours(11, 255, 30, 40),
         {{"11", "255", "30", "40"}, {11, 255, 30, 40}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        RunColor(c.stored, [&](HWND hSheet, HWND hPage) {
            SetStoredValue("Saturation", 99); // rewritten from the trackbar
            EXPECT_EQ(SignalsOf([&] { MoveRight(hPage, c.moved); }), 4);
            EXPECT_EQ(Only(ReadKey(), kColourNames), c.after);
            EXPECT_EQ(Shown(hPage), c.shown);
            EXPECT_FALSE(IsApplyEnabled(hSheet)) << "a movement does not mark the page";
        });
    }
}

TEST_F(ColorPageTest, FieldLosingTheFocusStoresItsValue) {
    struct Case {
        const char* context;
        const char* field;
        const char* typed;
        int focusTo; // the control that takes the focus
        std::vector<std::string> messages;
        KeyContents after;
        LRESULT slider;
        int signals;
    };
    const std::vector<std::string> none;
    const Case cases[] = {
        {"Saturation 77", "Saturation", "77", IDC_COLOR_DEFAULT, none, Colours(10, 20, 30, 77), 77,
         1},
        {"Contrast 300: nothing stored, the trackbar at its end", "Contrast", "300",
         IDC_COLOR_DEFAULT, none, Colours(10, 20, 30, 40), 255, 0},
        {"Brightness 300: refused",
         "Brightness",
         "300",
         IDC_COLOR_DEFAULT,
         {"Please enter an integer between 0 and 255."},
         Colours(10, 20, 30, 40),
         255,
         0},
        {"Hue emptied: the previous value again",
         "Hue",
         "",
         IDC_COLOR_DEFAULT,
         {"Please enter a positive integer."},
         Colours(10, 20, 30, 40),
         30,
         1},
        {"Brightness emptied, the focus to another field: one message",
         "Brightness",
         "",
         IDC_CONTRAST,
         {"Please enter a positive integer."},
         Colours(10, 20, 30, 40),
         10,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        RunColor(Colours(10, 20, 30, 40), [&](HWND hSheet, HWND hPage) {
            HWND hField = GetDlgItem(hPage, Colour(c.field).field);
            SetFocus(hField);
            SetWindowTextA(hField, c.typed);
            SetStoredValue(c.field, 99); // what is stored is stored again
            const int signals = SignalsOf([&] { SetFocus(GetDlgItem(hPage, c.focusTo)); });
            EXPECT_EQ(TakeMessageBoxes(), c.messages);
            EXPECT_EQ(signals, c.signals);
            const KeyContents after = c.signals ? c.after : With(c.after, {{c.field, Dword(99)}});
            EXPECT_EQ(Only(ReadKey(), kColourNames), after);
            EXPECT_EQ(SendDlgItemMessageA(hPage, Colour(c.field).slider, TBM_GETPOS, 0, 0),
                      c.slider);
            EXPECT_EQ(Text(hPage, Colour(c.field).field), c.typed) << "the field keeps the text";
            EXPECT_EQ(GetFocus(), c.messages.empty() ? GetDlgItem(hPage, c.focusTo) : hField);
            EXPECT_TRUE(IsApplyEnabled(hSheet)) << "leaving a field marks the page";
            // Whatever the field holds when the sheet closes is checked again.
            SetWindowTextA(hField, "5");
        });
    }
}

TEST_F(ColorPageTest, BrightnessAbove255KeepsTheUserOnThePage) {
    RunColor(Colours(10, 20, 30, 40), [&](HWND hSheet, HWND hPage) {
        HWND hField = GetDlgItem(hPage, IDC_BRIGHTNESS);
        SetWindowTextA(hField, "300");
        SelectPage(hSheet, 0);
        EXPECT_EQ(TakeMessageBoxes(),
                  std::vector<std::string>{"Please enter an integer between 0 and 255."});
        EXPECT_EQ(CurrentPageIndex(hSheet), kColorPage);
        EXPECT_EQ(GetFocus(), hField);
        SetWindowTextA(hField, "200");
        SetFocus(GetDlgItem(hPage, IDC_COLOR_DEFAULT));
        SelectPage(hSheet, 0);
        EXPECT_EQ(CurrentPageIndex(hSheet), 0);
        EXPECT_EQ(ReadKey()->at("Brightness"), Dword(200));
    });
}

TEST_F(ColorPageTest, DefaultStores128ForTheFourValuesOnly) {
    KeyContents stored = Colours(10, 20, 30, 40);
    stored["ImageSize"] = Dword(50);
    stored["Channel"] = Dword(9);
    RunColor(stored, [&](HWND hSheet, HWND hPage) {
        EXPECT_EQ(SignalsOf([&] { Click(hPage, IDC_COLOR_DEFAULT); }), 4);
        EXPECT_EQ(Only(ReadKey(), kColourNames), Colours(128, 128, 128, 128));
        EXPECT_EQ(Shown(hPage), (ColoursShown{{"128", "128", "128", "128"}, {128, 128, 128, 128}}));
        EXPECT_TRUE(IsApplyEnabled(hSheet));
        EXPECT_EQ(m_record->values[ImageSize], 50u) << "the record's other values stay";
        EXPECT_EQ(m_record->values[Channel], 9u);
    });
}

// Apply adds nothing to the colour values and clears the mark; Cancel takes
// nothing back.
TEST_F(ColorPageTest, ApplyAndCancelLeaveTheColourValuesAsMoved) {
    RunColor(Colours(10, 20, 30, 40), [&](HWND hSheet, HWND hPage) {
        MoveRight(hPage, "Brightness");
        Click(hPage, IDC_COLOR_DEFAULT);
        MoveRight(hPage, "Hue");
        ASSERT_TRUE(IsApplyEnabled(hSheet));
        PressButton(hSheet, PSBTN_APPLYNOW);
        EXPECT_FALSE(IsApplyEnabled(hSheet));
        EXPECT_EQ(Only(ReadKey(), kColourNames), Colours(128, 128, 129, 128));
        MoveRight(hPage, "Contrast");
    });
    EXPECT_EQ(Only(ReadKey(), kColourNames), Colours(128, 129, 129, 128));
}

// ---------------------------------------------------------------------------
// A settings key the user may read but not write (as an administrator may
// leave it): the pages show it, each step signals once, nothing changes.

TEST_F(PageTest, AReadOnlyKeyIsShownAndStaysAsItWas) {
    const KeyContents stored = With(Colours(10, 20, 30, 40), {{"Connector", Dword(1)}});
    WriteKey(stored);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, WRITE_DAC, &key), ERROR_SUCCESS);
    BYTE everyone[SECURITY_MAX_SID_SIZE], acl[128];
    DWORD sidSize = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize);
    InitializeAcl(reinterpret_cast<ACL*>(acl), sizeof acl, ACL_REVISION);
    AddAccessAllowedAce(reinterpret_cast<ACL*>(acl), ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR readOnly;
    InitializeSecurityDescriptor(&readOnly, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&readOnly, TRUE, reinterpret_cast<ACL*>(acl), FALSE);
    ASSERT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &readOnly), ERROR_SUCCESS);
    ColoursShown shown, afterMove;
    int signals = 0;
    const SheetRun run = RunOnRegistry(kVideoSourceMode, [&](HWND hSheet, HWND hPage) {
        EXPECT_TRUE(IsChecked(hPage, IDC_COMPOSITE));
        SelectPage(hSheet, kColorPage);
        shown = Shown(PropSheet_GetCurrentPageHwnd(hSheet));
        signals = SignalsOf([&] { MoveRight(PropSheet_GetCurrentPageHwnd(hSheet), "Hue"); });
        afterMove = Shown(PropSheet_GetCurrentPageHwnd(hSheet));
        PressButton(hSheet, PSBTN_OK);
    });
    SetSecurityDescriptorDacl(&readOnly, TRUE, nullptr, FALSE); // writable again
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &readOnly), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(run.result, IDOK);
    EXPECT_EQ(shown, (ColoursShown{{"10", "20", "30", "40"}, {10, 20, 30, 40}}));
    EXPECT_EQ(afterMove.fields, shown.fields) << "the fields show what the key still holds";
    EXPECT_EQ(signals, 4);
    EXPECT_EQ(ReadKey(), stored);
}
