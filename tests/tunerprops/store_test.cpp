// The settings record and its registry mirror, seen from the driver: the
// exports, first use, loading, the driver's signal, calling-order misuse.
#include "DriverHarness.h"
#include "support/DialogScript.h"

#include <cstring>

namespace {

const char* const kEventNames[3] = {"?|!BRINDLECOVE!!???", "?|!!BRINDLECOVESETOK!!???",
                                    "?|!!BRINDLECOVERESTCOMPL!!???"};

bool AllZero(const BYTE* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0)
            return false;
    }
    return true;
}

using StoreTest = DriverTest;

TEST_F(StoreTest, ExportsAreFoundByNameAndByOrdinal) {
    struct Export {
        const char* name;
        WORD ordinal;
    };
    for (const Export& e : {Export{"CreateConfigDialog", 1}, Export{"DestroyConfigDialog", 2},
                            Export{"DoConfigDialog", 3}}) {
        FARPROC byName = GetProcAddress(m_library, e.name);
        EXPECT_NE(byName, nullptr) << e.name;
        EXPECT_EQ(GetProcAddress(m_library, MAKEINTRESOURCEA(e.ordinal)), byName) << e.name;
    }
}

TEST_F(StoreTest, FirstUseCreatesTheKeyWithFourValuesAndSignalsTwice) {
    DriverSettingsRecord* record = CreateConfigDialog(0, nullptr);
    ASSERT_NE(record, nullptr);

    EXPECT_EQ(ReadKey(), (KeyContents{{"ImageSize", Dword(320)},
                                      {"ImageFormat", Dword(0)},
                                      {"UseDirect", Dword(1)},
                                      {"FavorOverlays", Dword(1)}}));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(record->values[i], kSettingDefaults[i]) << kSettingNames[i];
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(record->ddCaps[i], 0u) << kCapsNames[i];
    EXPECT_EQ(EventSetCount(), 2);
    EXPECT_TRUE(TakeEvent());
}

TEST_F(StoreTest, RecordCarriesTheEventNamesAndTheKeyPaths) {
    DriverSettingsRecord* record = CreateConfigDialog(2, nullptr);
    ASSERT_NE(record, nullptr);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(record->eventSlots[i], nullptr) << i;
        ASSERT_NE(record->eventNames[i], nullptr) << i;
        EXPECT_STREQ(record->eventNames[i], kEventNames[i]);
    }
    EXPECT_STREQ(record->rootPath, "Software\\Mirovanta");
    EXPECT_STREQ(record->subKey, "Brindlecove");
    EXPECT_STREQ(record->ddRootPath, "Software\\Mirovanta");
    EXPECT_STREQ(record->ddSubKey, "Brindlecove");
    EXPECT_TRUE(AllZero(record->reserved, sizeof record->reserved));
    EXPECT_TRUE(AllZero(record->ddReserved, sizeof record->ddReserved));
}

TEST_F(StoreTest, ExistingKeyLoadsWhatTheRegistryHoldsAndZeroForTheRest) {
    StoredValue text{REG_SZ, {'2', '0', '0', 0}};
    StoredValue longDword{REG_DWORD, {7, 0, 0, 0, 0, 0, 0, 0}};
    StoredValue binary{REG_BINARY, {9, 0, 0, 0}};
    const KeyContents stored{
        {"Brightness", text},
        {"Contrast", longDword},
        {"Hue", binary},
        {"Saturation", Dword(77)},
        {"ImageSize", Dword(50)},
        {"Channel", Dword(12)},
        {"FineTune", Dword(31)},
        {"Sound", Dword(1)},
        {"Tuner", Dword(1)},
        {"Connector", Dword(2)},
        {"AudioSource", Dword(1)},
        {"ImageFormat", Dword(3)},
        {"UseDirect", Dword(0)},
        {"Mute", Dword(1)},
        {"DDAvailable", Dword(1)},
        {"DDSupportsYUY2", Dword(2)},
        {"DDSupportsOffScreenPlanes", Dword(1)},
    };
    WriteKey(stored);
    DriverSettingsRecord* record = CreateConfigDialog(1, nullptr);
    ASSERT_NE(record, nullptr);

    struct Expected {
        Setting setting;
        DWORD value;
        const char* context;
    };
    const Expected expected[] = {
        {Brightness, 0, "stored as a string"},
        {Contrast, 0, "REG_DWORD longer than 4 bytes"},
        {Hue, 0, "REG_BINARY of 4 bytes"},
        {Saturation, 77, "stored"},
        {ImageSize, 50, "stored"},
        {Channel, 12, "stored"},
        {FineTune, 31, "stored"},
        {VideoStandard, 0, "missing: 0, not the default 4"},
        {Sound, 1, "stored"},
        {Tuner, 1, "stored"},
        {Connector, 2, "stored"},
        {AudioSource, 1, "stored"},
        {ImageFormat, 3, "stored"},
        {UseDirect, 0, "stored"},
        {FavorOverlays, 0, "missing: 0, not the default 1"},
        {Mute, 1, "stored"},
    };
    for (const Expected& e : expected)
        EXPECT_EQ(record->values[e.setting], e.value)
            << kSettingNames[e.setting] << ": " << e.context;
    const DWORD caps[11] = {0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 1};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(record->ddCaps[i], caps[i]) << kCapsNames[i];
    EXPECT_EQ(ReadKey(), stored) << "loading writes nothing";
    EXPECT_EQ(EventSetCount(), 0);
    EXPECT_FALSE(TakeEvent());
}

TEST_F(StoreTest, DestroyConfigDialogSignalsOnceAndLeavesTheRegistryAlone) {
    struct Case {
        const char* context;
        bool keyExists;
        int setsAtCreate;
    };
    for (const Case& c : {Case{"first use", false, 2}, Case{"existing key", true, 0}}) {
        UnloadTunerLibrary();
        DeleteKey();
        if (c.keyExists)
            WriteKey({{"Brightness", Dword(10)}, {"ImageSize", Dword(100)}});
        LoadTunerLibrary();
        ASSERT_NE(CreateConfigDialog(0, nullptr), nullptr) << c.context;
        EXPECT_EQ(EventSetCount(), c.setsAtCreate) << c.context;
        TakeEvent();
        const std::optional<KeyContents> before = ReadKey();

        DestroyConfigDialog();
        EXPECT_EQ(EventSetCount(), c.setsAtCreate + 1) << c.context;
        EXPECT_TRUE(TakeEvent()) << c.context;
        EXPECT_EQ(ReadKey(), before) << c.context;
    }
}

TEST_F(StoreTest, WithoutTheDriversEventEverythingStillWorks) {
    CloseEvent(); // the driver is not running
    DriverSettingsRecord* record = CreateConfigDialog(2, nullptr);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->values[ImageSize], 320u);
    EXPECT_EQ(ReadKey()->size(), 4u);
    DestroyConfigDialog();
    EXPECT_EQ(EventSetCount(), 0);
}

// What happens when nothing should: each step of a misuse leaves the registry
// and the event alone, and no sheet appears.
TEST_F(StoreTest, CallingOrderMisusesDoNothing) {
    struct Case {
        const char* context;
        bool createFirst; // a sheet is made and destroyed before the misuse
        bool runSheet;    // the misuse is DoConfigDialog, else DestroyConfigDialog
    };
    const Case cases[] = {
        {"DestroyConfigDialog before any CreateConfigDialog", false, false},
        {"DoConfigDialog before any CreateConfigDialog", false, true},
        {"DestroyConfigDialog twice", true, false},
        {"DoConfigDialog after DestroyConfigDialog", true, true},
    };
    for (const Case& c : cases) {
        UnloadTunerLibrary();
        DeleteKey();
        LoadTunerLibrary();
        if (c.createFirst) {
            ASSERT_NE(CreateConfigDialog(2, nullptr), nullptr);
            DestroyConfigDialog();
        }
        TakeEvent();
        const int sets = EventSetCount();
        const std::optional<KeyContents> before = ReadKey();
        const SheetRun run = RunModalSheet(
            "Video Configuration",
            [&]() -> INT_PTR {
                if (c.runSheet)
                    return DoConfigDialog();
                DestroyConfigDialog();
                return 0;
            },
            [](HWND) {});
        EXPECT_FALSE(run.scriptRan) << c.context << ": a sheet appeared";
        if (c.runSheet) {
            EXPECT_EQ(run.result, IDCANCEL) << c.context;
        }
        EXPECT_EQ(EventSetCount(), sets) << c.context;
        EXPECT_FALSE(TakeEvent()) << c.context;
        EXPECT_EQ(ReadKey(), before) << c.context;
    }
}

} // namespace
