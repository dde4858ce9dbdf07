#pragma once
// The driver's side of the configuration library, as a test fixture: the
// library loaded as the driver loads it, the settings-changed event, the
// record as the driver sees it, and the registry key saved and restored
// around each test.

#include <windows.h>

#include <gtest/gtest.h>

#include "support/SettingsKeyGuard.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// The settings record whose address CreateConfigDialog returns, in the
// layout the driver relies on.
struct DriverSettingsRecord {
    HANDLE eventSlots[3];
    const char* eventNames[3];
    DWORD values[16];
    DWORD ddCaps[11];
    char ddRootPath[260];
    char ddSubKey[260];
    BYTE ddReserved[16];
    char rootPath[260];
    char subKey[260];
    BYTE reserved[16];
};
#ifndef _WIN64
static_assert(sizeof(DriverSettingsRecord) == 1204);
#endif

// Indices of DriverSettingsRecord::values, in the record's order.
enum Setting {
    Brightness,
    Contrast,
    Hue,
    Saturation,
    ImageSize,
    Channel,
    FineTune,
    VideoStandard,
    Sound,
    Tuner,
    Connector,
    AudioSource,
    ImageFormat,
    UseDirect,
    FavorOverlays,
    Mute,
};
extern const char* const kSettingNames[16];
extern const DWORD kSettingDefaults[16];
extern const char* const kCapsNames[11];

constexpr char kKeyPath[] = "Software\\Mirovanta\\Brindlecove";
constexpr char kEventName[] = "?|!BRINDLECOVE!!???";

struct StoredValue {
    DWORD type = REG_DWORD;
    std::vector<BYTE> data;
    bool operator==(const StoredValue&) const = default;
};
using KeyContents = std::map<std::string, StoredValue>;

StoredValue Dword(DWORD value);
// The values under the settings key; nullopt when the key does not exist.
std::optional<KeyContents> ReadKey();
// Replaces the key by one holding exactly these values.
void WriteKey(const KeyContents& contents);
void DeleteKey();

using CreateConfigDialogFn = DriverSettingsRecord*(WINAPI*)(int, HWND);
using DoConfigDialogFn = int(WINAPI*)();
using DestroyConfigDialogFn = void(WINAPI*)();

class DriverTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads the library (again) and counts its SetEvent calls on the
    // settings-changed event from then on.
    void LoadTunerLibrary();
    void UnloadTunerLibrary();
    // SetEvent calls of the library on the settings-changed event so far.
    static int EventSetCount();
    // Whether the event is set now (consuming it: it resets automatically).
    bool TakeEvent() const;
    void CloseEvent();

    HMODULE m_library = nullptr;
    CreateConfigDialogFn CreateConfigDialog = nullptr;
    DoConfigDialogFn DoConfigDialog = nullptr;
    DestroyConfigDialogFn DestroyConfigDialog = nullptr;
    HANDLE m_event = nullptr;

private:
    std::optional<SettingsKeyGuard> m_keyGuard; // the key as it was before the test
};
