// The "Video Configuration" sheet run by the driver: the pages of each sheet
// mode, every control of the page templates, and Apply, OK and Cancel.
#include "DriverHarness.h"
#include "support/DialogScript.h"

#include <commctrl.h>

namespace {

constexpr char kCaption[] = "Video Configuration";

// One control of a page template, in tab order.
struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;      // besides WS_CHILD
    RECT dialogUnits; // x, y, width, height
};
constexpr DWORD kShown = WS_VISIBLE;
constexpr DWORD kHidden = WS_DISABLED;
// The tuner input enables the channel controls, which stay hidden.
constexpr DWORD kHiddenEnabled = 0;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON | WS_TABSTOP;
constexpr DWORD kGroupBox = BS_GROUPBOX | WS_GROUP;

const std::vector<ExpectedControl> kVideoSourceControls = {
    {1012, "Button", "Video Connector", kShown | kGroupBox, {20, 20, 70, 63}},
    {1009, "Button", "&Tuner", kHidden | kRadio, {30, 31, 35, 10}},
    {1010, "Button", "&Composite", kShown | kRadio, {30, 40, 49, 10}},
    {1011, "Button", "&SVideo", kShown | kRadio, {30, 58, 39, 10}},
    {1018, "Button", "Standard", kShown | kGroupBox, {105, 20, 95, 107}},
    {1017, "Button", "S&ECAM", kShown | kRadio, {120, 31, 41, 10}},
    {1016, "Button", "PAL &N", kShown | kRadio, {120, 44, 37, 10}},
    {1015, "Button", "PAL &M", kShown | kRadio, {120, 57, 37, 10}},
    {1014, "Button", "PA&L [Europe]", kShown | kRadio, {120, 70, 58, 10}},
    {1013, "Button", "&NTSC [USA]", kShown | kRadio, {120, 83, 56, 10}},
    {1020, "Button", "NTSC [&Japan]", kShown | kRadio, {120, 96, 70, 11}},
    {1072, "Button", "PAL NC", kShown | kRadio, {120, 110, 53, 10}},
    {1024, "Button", "Channel", kHiddenEnabled | kGroupBox, {8, 37, 15, 9}},
    {1021,
     "Edit",
     "2",
     kHiddenEnabled | ES_NUMBER | WS_BORDER | WS_GROUP | WS_TABSTOP,
     {184, 41, 23, 14}},
    {1019,
     "msctls_updown32",
     "Spin1",
     kHiddenEnabled | UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_SETBUDDYINT,
     {15, 7, 11, 14}},
    {1022, "Button", "&Air", kHiddenEnabled | kRadio, {90, 7, 24, 10}},
    {1023, "Button", "Ca&ble", kHiddenEnabled | kRadio, {117, 7, 34, 10}},
    {1071, "Button", "S&witch", kHiddenEnabled | BS_PUSHBUTTON | WS_TABSTOP, {155, 7, 36, 15}},
    {1049, "Button", "Sound", kHidden | kGroupBox, {8, 87, 64, 11}},
    {1026, "Button", "Ste&reo", kHidden | kRadio, {43, 7, 37, 10}},
    {1027, "Button", "SA&P", kHidden | kRadio, {177, 60, 30, 10}},
    {1029, "Button", "M&ute", kHidden | BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, {99, 117, 47, 10}},
    {1028, "Button", "&Default", kHidden | BS_PUSHBUTTON | WS_TABSTOP, {157, 76, 50, 14}},
};

constexpr DWORD kTrackbar = TBS_AUTOTICKS | TBS_BOTH | TBS_ENABLESELRANGE | WS_TABSTOP;
constexpr DWORD kField = WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP;
const std::vector<ExpectedControl> kColorControls = {
    {1036, "Button", "Color", kShown | BS_GROUPBOX, {20, 4, 170, 112}},
    {-1, "Static", "&Brightness", kShown | SS_LEFT, {35, 23, 34, 8}},
    {1047, "msctls_trackbar32", "", kShown | kTrackbar | WS_GROUP, {76, 15, 85, 26}},
    {1048, "Edit", "0", kShown | kField | WS_GROUP, {160, 20, 20, 14}},
    {-1, "Static", "&Contrast", kShown | SS_LEFT, {35, 47, 27, 8}},
    {1030, "msctls_trackbar32", "", kShown | kTrackbar, {76, 39, 85, 25}},
    {1032, "Edit", "0", kShown | kField, {160, 44, 20, 14}},
    {-1, "Static", "&Saturation", kShown | SS_LEFT, {35, 71, 40, 8}},
    {1031, "msctls_trackbar32", "", kShown | kTrackbar, {76, 63, 85, 25}},
    {1033, "Edit", "0", kShown | kField, {160, 68, 20, 14}},
    {-1, "Static", "&Hue", kShown | SS_LEFT, {35, 95, 14, 8}},
    {1035, "msctls_trackbar32", "", kShown | kTrackbar, {75, 87, 85, 25}},
    {1034, "Edit", "0", kShown | kField, {160, 92, 20, 14}},
    {1037, "Button", "&Default", kShown | BS_PUSHBUTTON | WS_TABSTOP, {140, 119, 50, 14}},
};

const std::vector<ExpectedControl> kVideoFormatControls = {
    {1063, "Button", "Image Format", kShown | kGroupBox, {15, 12, 185, 58}},
    {1060, "Button", "R&GB 15 (32 Thousand Colors)", kShown | kRadio, {45, 27, 111, 10}},
    {1061, "Button", "&RGB 24 (16 Million Colors)", kShown | kRadio, {45, 48, 98, 10}},
    {1062, "Button", "RG&B 32 (4 Billion Colors)", kHidden | kRadio, {149, 50, 40, 10}},
    {1064, "Button", "&YUY2 (Native Format)", kHidden | kRadio, {102, 38, 85, 10}},
    {1059, "Button", "Image Size", kShown | kGroupBox, {15, 74, 185, 60}},
    {1040, "Button", "&Small", kShown | kRadio, {45, 89, 33, 10}},
    {1038, "Button", "&Medium", kShown | kRadio, {45, 104, 41, 10}},
    {1039, "Button", "&Large", kShown | kRadio, {45, 118, 34, 10}},
    {1028, "Button", "&Default", kHidden | BS_PUSHBUTTON | WS_TABSTOP, {140, 91, 50, 14}},
};

const std::vector<ExpectedControl> kDrawingControls = {
    {-1, "Button", "Drawing Type", kShown | kGroupBox, {25, 10, 165, 45}},
    // Without DirectDraw values the page disables Use Direct Draw and says so.
    {1045, "Button", "Use D&irect Draw", kShown | WS_DISABLED | kRadio, {40, 25, 68, 10}},
    {1046, "Button", "Use &GDI", kShown | kRadio, {40, 40, 43, 10}},
    {-1, "Button", "Direct Draw Configuration", kHidden | kGroupBox, {25, 7, 165, 45}},
    {1070, "Button", "Favor &Overlays", kHidden | kRadio, {40, 22, 63, 10}},
    {1071, "Button", "Favor Off-Screen &Planes", kHidden | kRadio, {40, 36, 93, 10}},
    {-1, "Button", "Display Device Drawing Capabilities", kHidden | BS_GROUPBOX, {25, 62, 165, 29}},
    {1068,
     "Edit",
     "Direct Draw not available.",
     kHidden | ES_READONLY | ES_MULTILINE | WS_BORDER | WS_TABSTOP,
     {35, 76, 145, 12}},
    {1037, "Button", "&Default", kHidden | BS_PUSHBUTTON | WS_TABSTOP, {152, 47, 50, 14}},
};

// Checks the page's child windows against the template, in tab order.
void ExpectControls(HWND hPage, const std::vector<ExpectedControl>& controls, const char* page) {
    size_t index = 0;
    for (HWND hChild = GetWindow(hPage, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT), ++index) {
        if (index >= controls.size()) {
            ADD_FAILURE() << page << ": extra control " << GetDlgCtrlID(hChild);
            continue;
        }
        const ExpectedControl& control = controls[index];
        SCOPED_TRACE(std::string(page) + ", control " + std::to_string(control.id) + " " +
                     control.text);
        EXPECT_EQ(GetDlgCtrlID(hChild) & 0xFFFF, control.id & 0xFFFF);
        EXPECT_STRCASEEQ(ClassName(hChild).c_str(), control.className);
        EXPECT_EQ(WindowText(hChild), control.text);
        DWORD style = DWORD(GetWindowLongPtrA(hChild, GWL_STYLE));
        // The system draws an edit's border as a sunken edge.
        if ((control.style & WS_BORDER) && !(style & WS_BORDER) &&
            (GetWindowLongPtrA(hChild, GWL_EXSTYLE) & WS_EX_CLIENTEDGE))
            style |= WS_BORDER;
        // Marking a radio button moves its group's tab stop to the marked one.
        if ((control.style & 0xF) == BS_AUTORADIOBUTTON)
            style = (style & ~DWORD(WS_TABSTOP)) | (control.style & WS_TABSTOP);
        EXPECT_EQ(style, control.style | WS_CHILD)
            << std::hex << "style 0x" << style << ", expected 0x" << (control.style | WS_CHILD);
        // The dialog maps position and size separately, as the template gives them.
        RECT expected = control.dialogUnits;
        MapDialogRect(hPage, &expected);
        expected.right += expected.left;
        expected.bottom += expected.top;
        RECT actual{};
        GetWindowRect(hChild, &actual);
        MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT*>(&actual), 2);
        // An up-down control gives itself the system's width.
        if (control.className == std::string("msctls_updown32"))
            expected.right = actual.right;
        EXPECT_TRUE(EqualRect(&actual, &expected))
            << "at " << actual.left << "," << actual.top << " " << actual.right - actual.left << "x"
            << actual.bottom - actual.top << ", expected " << expected.left << "," << expected.top
            << " " << expected.right - expected.left << "x" << expected.bottom - expected.top;
    }
    EXPECT_EQ(index, controls.size()) << page << ": number of controls";
}

class SheetTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        m_parent = CreateWindowExA(0, "Static", "driver", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                   300, 200, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(m_parent);
        DriverTest::TearDown();
    }
    SheetRun RunSheet(const std::function<void(HWND)>& script) {
        return RunModalSheet(
            kCaption, [&] { return INT_PTR(DoConfigDialog()); }, script);
    }
    HWND m_parent = nullptr;
};

TEST_F(SheetTest, EachSheetModeShowsItsPagesWithTheFirstOnTop) {
    struct Case {
        int mode;
        std::vector<std::string> tabs;
    };
    const Case cases[] = {
        {0, {"Video Source", "Color"}},
        {2, {"Video Format"}},
        {1, {"Drawing"}},
        {3, {"Drawing"}},
        {-1, {"Drawing"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("sheet mode " + std::to_string(c.mode));
        ASSERT_NE(CreateConfigDialog(c.mode, m_parent), nullptr);
        const SheetRun run = RunSheet([&](HWND hSheet) {
            EXPECT_EQ(WindowText(hSheet), kCaption);
            EXPECT_EQ(TabCaptions(hSheet), c.tabs);
            EXPECT_EQ(CurrentPageIndex(hSheet), 0);
            EXPECT_EQ(GetWindow(hSheet, GW_OWNER), m_parent);
            EXPECT_FALSE(IsWindowEnabled(m_parent)) << "the driver's window while the sheet runs";
            // Filling the channel edit marks the Video Source page modified.
            EXPECT_EQ(IsApplyEnabled(hSheet), c.mode == 0);
            for (int id : {IDOK, IDCANCEL})
                EXPECT_TRUE(IsWindowVisible(GetDlgItem(hSheet, id))) << id;
            PressButton(hSheet, PSBTN_CANCEL);
        });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_EQ(run.result, IDCANCEL);
        EXPECT_TRUE(IsWindowEnabled(m_parent));
        DestroyConfigDialog();
    }
}

TEST_F(SheetTest, EveryPageShowsEveryControlOfItsTemplate) {
    struct Case {
        int mode;
        int pageIndex;
        const char* page;
        const std::vector<ExpectedControl>* controls;
        SIZE dialogUnits;
    };
    const Case cases[] = {
        {0, 0, "Video Source", &kVideoSourceControls, {215, 134}},
        {0, 1, "Color", &kColorControls, {209, 140}},
        {2, 0, "Video Format", &kVideoFormatControls, {217, 142}},
        {1, 0, "Drawing", &kDrawingControls, {210, 98}},
    };
    for (const Case& c : cases) {
        ASSERT_NE(CreateConfigDialog(c.mode, m_parent), nullptr);
        const SheetRun run = RunSheet([&](HWND hSheet) {
            SelectPage(hSheet, c.pageIndex);
            HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
            ASSERT_NE(hPage, nullptr) << c.page;
            EXPECT_EQ(CurrentPageIndex(hSheet), c.pageIndex) << c.page;
            ExpectControls(hPage, *c.controls, c.page);
            PressButton(hSheet, PSBTN_CANCEL);
        });
        EXPECT_TRUE(run.scriptRan) << c.page;
        DestroyConfigDialog();
    }
}

TEST_F(SheetTest, CreditsTemplateHoldsFiveTexts) {
    HRSRC resource = FindResourceA(m_library, MAKEINTRESOURCEA(134), MAKEINTRESOURCEA(5));
    ASSERT_NE(resource, nullptr);
    HWND hCredits = CreateDialogParamA(
        m_library, MAKEINTRESOURCEA(134), m_parent,
        [](HWND, UINT, WPARAM, LPARAM) CALLBACK -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(hCredits, nullptr);
    EXPECT_EQ(WindowText(hCredits), "Credits");
    int statics = 0;
    for (HWND hChild = GetWindow(hCredits, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        EXPECT_STRCASEEQ(ClassName(hChild).c_str(), "Static");
        EXPECT_FALSE(WindowText(hChild).empty());
        ++statics;
    }
    EXPECT_EQ(statics, 5);
    RECT size{0, 0, 217, 215};
    MapDialogRect(hCredits, &size);
    RECT client{};
    GetClientRect(hCredits, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    DestroyWindow(hCredits);
}

// Apply and OK store the record's format and drawing values (as the driver
// left them in the record), twice for each page shown, each time signalling.
TEST_F(SheetTest, ApplyAndOkStoreTheFormatAndDrawingValuesOfTheRecord) {
    struct Case {
        const char* context;
        int mode;
        bool showSecondPage;
        int button;
        int sets;
        INT_PTR result;
    };
    const Case cases[] = {
        {"mode 2, Apply", 2, false, PSBTN_APPLYNOW, 2, IDCANCEL},
        {"mode 1, Apply", 1, false, PSBTN_APPLYNOW, 2, IDCANCEL},
        {"mode 0, Apply with one page shown", 0, false, PSBTN_APPLYNOW, 2, IDCANCEL},
        {"mode 0, Apply with both pages shown", 0, true, PSBTN_APPLYNOW, 4, IDCANCEL},
        {"mode 2, OK", 2, false, PSBTN_OK, 2, IDOK},
        {"mode 0, OK with both pages shown", 0, true, PSBTN_OK, 4, IDOK},
        {"mode 2, Cancel", 2, false, PSBTN_CANCEL, 0, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        const KeyContents stored{
            {"Brightness", Dword(99)}, {"ImageSize", Dword(25)}, {"Channel", Dword(2)}};
        WriteKey(stored);
        DriverSettingsRecord* record = CreateConfigDialog(c.mode, m_parent);
        ASSERT_NE(record, nullptr);
        record->values[ImageSize] = 100;
        record->values[ImageFormat] = 1;
        record->values[UseDirect] = 0;
        record->values[FavorOverlays] = 1;
        record->values[Brightness] = 5; // not a format or drawing value

        int sets = 0;
        bool applyBefore = false;
        bool applyAfter = true;
        std::optional<KeyContents> afterButton;
        const SheetRun run = RunSheet([&](HWND hSheet) {
            if (c.showSecondPage) {
                SelectPage(hSheet, 1);
                SelectPage(hSheet, 0);
            }
            PropSheet_Changed(hSheet, PropSheet_GetCurrentPageHwnd(hSheet));
            applyBefore = IsApplyEnabled(hSheet);
            const int setsBefore = EventSetCount();
            PressButton(hSheet, c.button);
            sets = EventSetCount() - setsBefore;
            afterButton = ReadKey();
            if (c.button == PSBTN_APPLYNOW) {
                applyAfter = IsApplyEnabled(hSheet);
                PressButton(hSheet, PSBTN_CANCEL);
            }
        });
        ASSERT_TRUE(run.scriptRan);
        EXPECT_TRUE(applyBefore) << "a page marked modified enables Apply";
        if (c.button == PSBTN_APPLYNOW) {
            EXPECT_FALSE(applyAfter) << "Apply clears the modified mark";
        }
        EXPECT_EQ(sets, c.sets);
        EXPECT_EQ(run.result, c.result);
        const KeyContents written{{"Brightness", Dword(99)}, {"Channel", Dword(2)},
                                  {"ImageSize", Dword(100)}, {"ImageFormat", Dword(1)},
                                  {"UseDirect", Dword(0)},   {"FavorOverlays", Dword(1)}};
        EXPECT_EQ(afterButton, c.sets > 0 ? written : stored);
        DestroyConfigDialog();
    }
}

// Running the same sheet again shows its pages once, not each page twice.
TEST_F(SheetTest, SecondRunOfTheSameSheetShowsTheSamePages) {
    ASSERT_NE(CreateConfigDialog(0, m_parent), nullptr);
    for (int runIndex = 0; runIndex < 2; ++runIndex) {
        const SheetRun run = RunSheet([&](HWND hSheet) {
            EXPECT_EQ(TabCaptions(hSheet), (std::vector<std::string>{"Video Source", "Color"}))
                << "run " << runIndex;
            PressButton(hSheet, PSBTN_OK);
        });
        EXPECT_TRUE(run.scriptRan);
        EXPECT_EQ(run.result, IDOK);
    }
}

} // namespace
