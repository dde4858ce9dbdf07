#pragma once

#include "contract/SettingsStore.h"
#include "tunerprops/DirectDrawCaps.h"
#include "tunerprops/RegistryKeyPath.h"

#include <cstddef>
#include <type_traits>

struct SettingValue;

// The capture device's settings: one record per property sheet, mirrored in
// the registry under HKEY_CURRENT_USER "Software\Mirovanta\Brindlecove", and
// the driver's signal after each change. The driver receives the record's
// address from CreateConfigDialog and may read it directly, so the field
// order and widths below are a contract with the driver (checked below).
class CDeviceSettings {
public:
    // Reads the registry, or creates the key and stores the first defaults.
    CDeviceSettings();
    // Returns the record to the defaults in memory (signalling the driver)
    // and forgets the key.
    ~CDeviceSettings();
    CDeviceSettings(const CDeviceSettings&) = delete;
    CDeviceSettings& operator=(const CDeviceSettings&) = delete;

    // Reads the sixteen values and the DirectDraw capabilities from the registry.
    void LoadAll();
    // Puts the sixteen defaults into memory (not into the registry), then
    // signals the driver.
    void SetDefaults();
    // Stores ImageSize, ImageFormat, UseDirect and FavorOverlays from memory
    // in the registry, then signals the driver.
    void SaveFormatAndDrawing();
    // Sets the settings-changed event, when the driver has created it.
    void NotifyDriver();

    // Sets the value in the record and in the registry; the caller signals
    // the driver once its step is complete.
    void Store(const SettingValue& value, DWORD dwValue);
    // Reads the value from the registry into the record, and returns it.
    DWORD Reload(const SettingValue& value);
    // The sound that goes with the input: none when muted, else the tuner's
    // or the input's own.
    static DWORD AudioSourceFor(DWORD dwMute, DWORD dwConnector);

    DWORD ReadDword(const char* lpszValueName) const { return m_keyPath.ReadDword(lpszValueName); }
    BOOL WriteDword(const char* lpszValueName, DWORD dwValue) const {
        return m_keyPath.WriteDword(lpszValueName, dwValue);
    }

    // Event handles the driver's side may use; the library never fills them.
    HANDLE m_hSettingsChangedEvent;
    HANDLE m_hSetOkEvent;
    HANDLE m_hRestCompleteEvent;
    // The names of the driver's three events.
    const char* m_pszSettingsChangedEvent;
    const char* m_pszSetOkEvent;
    const char* m_pszRestCompleteEvent;

    // The settings, each stored under its own name as REG_DWORD.
    DWORD Brightness;    // 0..255
    DWORD Contrast;      // 0..255
    DWORD Hue;           // 0..255
    DWORD Saturation;    // 0..255
    DWORD ImageSize;     // 25, 50, 100: 160x120, 320x240, 640x480
    DWORD Channel;       // air 2..68, cable 1..125
    DWORD FineTune;      // the driver's; read only
    DWORD VideoStandard; // 0 SECAM, 1 PAL N, 2 PAL M, 3 PAL, 4 NTSC, 5 NTSC Japan, 6 PAL NC
    DWORD Sound;         // 0 stereo, 1 SAP
    DWORD Tuner;         // 0 air, 1 cable
    DWORD Connector;     // 0 tuner, 1 composite, 2 S-Video
    DWORD AudioSource;   // 3 muted, else 2 for the tuner, 1 for the other inputs
    DWORD ImageFormat;   // 0 RGB 15, 1 RGB 24, 2 RGB 32, 3 YUY2
    DWORD UseDirect;     // 1 DirectDraw, 0 GDI
    DWORD FavorOverlays; // 1 overlays, 0 off-screen planes
    DWORD Mute;          // 1 muted

    CDirectDrawCaps m_ddCaps;
    CRegistryKeyPath m_keyPath;
};

// One of the sixteen values: its registry name and its field in the record.
struct SettingValue {
    const char* name;
    DWORD CDeviceSettings::*field;
};
namespace settings {
namespace names = settings_store::value_name;
inline constexpr SettingValue Brightness{names::Brightness, &CDeviceSettings::Brightness};
inline constexpr SettingValue Contrast{names::Contrast, &CDeviceSettings::Contrast};
inline constexpr SettingValue Hue{names::Hue, &CDeviceSettings::Hue};
inline constexpr SettingValue Saturation{names::Saturation, &CDeviceSettings::Saturation};
inline constexpr SettingValue ImageSize{names::ImageSize, &CDeviceSettings::ImageSize};
inline constexpr SettingValue Channel{names::Channel, &CDeviceSettings::Channel};
inline constexpr SettingValue FineTune{names::FineTune, &CDeviceSettings::FineTune};
inline constexpr SettingValue VideoStandard{names::VideoStandard, &CDeviceSettings::VideoStandard};
inline constexpr SettingValue Sound{names::Sound, &CDeviceSettings::Sound};
inline constexpr SettingValue Tuner{names::Tuner, &CDeviceSettings::Tuner};
inline constexpr SettingValue Connector{names::Connector, &CDeviceSettings::Connector};
inline constexpr SettingValue AudioSource{names::AudioSource, &CDeviceSettings::AudioSource};
inline constexpr SettingValue ImageFormat{names::ImageFormat, &CDeviceSettings::ImageFormat};
inline constexpr SettingValue UseDirect{names::UseDirect, &CDeviceSettings::UseDirect};
inline constexpr SettingValue FavorOverlays{names::FavorOverlays, &CDeviceSettings::FavorOverlays};
inline constexpr SettingValue Mute{names::Mute, &CDeviceSettings::Mute};
} // namespace settings

// The record as the driver sees it.
static_assert(std::is_standard_layout_v<CDeviceSettings>);
#ifndef _WIN64
static_assert(offsetof(CDeviceSettings, m_hSettingsChangedEvent) == 0);
static_assert(offsetof(CDeviceSettings, m_hSetOkEvent) == 4);
static_assert(offsetof(CDeviceSettings, m_hRestCompleteEvent) == 8);
static_assert(offsetof(CDeviceSettings, m_pszSettingsChangedEvent) == 12);
static_assert(offsetof(CDeviceSettings, m_pszSetOkEvent) == 16);
static_assert(offsetof(CDeviceSettings, m_pszRestCompleteEvent) == 20);
static_assert(offsetof(CDeviceSettings, Brightness) == 24);
static_assert(offsetof(CDeviceSettings, Mute) == 24 + 15 * 4);
static_assert(offsetof(CDeviceSettings, m_ddCaps) == 88);
static_assert(offsetof(CDeviceSettings, m_keyPath) == 88 + 580);
static_assert(sizeof(CDeviceSettings) == 1204);
#else
static_assert(offsetof(CDeviceSettings, m_hSetOkEvent) == 8);
static_assert(offsetof(CDeviceSettings, m_pszSettingsChangedEvent) == 24);
static_assert(offsetof(CDeviceSettings, m_pszRestCompleteEvent) == 40);
static_assert(offsetof(CDeviceSettings, Brightness) == 48);
static_assert(offsetof(CDeviceSettings, Mute) == 48 + 15 * 4);
static_assert(offsetof(CDeviceSettings, m_ddCaps) == 112);
static_assert(offsetof(CDeviceSettings, m_keyPath) == 112 + 580);
static_assert(sizeof(CDeviceSettings) == 1232);
#endif
static_assert(offsetof(CDeviceSettings, AudioSource) - offsetof(CDeviceSettings, Brightness) ==
              11 * 4);
static_assert(offsetof(CDeviceSettings, ImageFormat) - offsetof(CDeviceSettings, Brightness) ==
              12 * 4);
static_assert(offsetof(CDirectDrawCaps, DDSupportsOffScreenPlanes) == 40);
static_assert(offsetof(CDirectDrawCaps, m_keyPath) == 44);
static_assert(offsetof(CRegistryKeyPath, m_szSubKey) == 260);
static_assert(offsetof(CRegistryKeyPath, m_reserved) == 520);
