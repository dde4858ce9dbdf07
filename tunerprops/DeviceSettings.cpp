#include "tunerprops/DeviceSettings.h"

namespace {
using namespace settings_store;

// The sixteen values in the order LoadAll reads them.
constexpr const SettingValue* kLoadOrder[] = {
    &settings::Brightness, &settings::Contrast,      &settings::Hue,       &settings::Saturation,
    &settings::ImageSize,  &settings::Channel,       &settings::FineTune,  &settings::VideoStandard,
    &settings::Sound,      &settings::Tuner,         &settings::Connector, &settings::ImageFormat,
    &settings::UseDirect,  &settings::FavorOverlays, &settings::Mute,      &settings::AudioSource,
};

void CloseSlot(HANDLE& handle) {
    if (handle != nullptr) {
        CloseHandle(handle);
        handle = nullptr;
    }
}
} // namespace

CDeviceSettings::CDeviceSettings()
    : m_hSettingsChangedEvent(nullptr), m_hSetOkEvent(nullptr), m_hRestCompleteEvent(nullptr),
      m_pszSettingsChangedEvent(kSettingsChangedEventName), m_pszSetOkEvent(kSetOkEventName),
      m_pszRestCompleteEvent(kRestCompleteEventName), Brightness(0), Contrast(0), Hue(0),
      Saturation(0), ImageSize(0), Channel(0), FineTune(0), VideoStandard(0), Sound(0), Tuner(0),
      Connector(0), AudioSource(0), ImageFormat(0), UseDirect(0), FavorOverlays(0), Mute(0),
      m_ddCaps(kRootPath, kSubKey), m_keyPath(kRootPath, kSubKey) {
    if (m_keyPath.OpenKey(KEY_READ)) {
        // A known machine: the registry alone decides, missing values read as
        // 0; a key that may not be written is known all the same.
        LoadAll();
    } else {
        // First use: the key with the format and drawing defaults.
        m_keyPath.CreateKey();
        SetDefaults();
        SaveFormatAndDrawing();
    }
}

CDeviceSettings::~CDeviceSettings() {
    SetDefaults();
    CloseSlot(m_hSettingsChangedEvent);
    CloseSlot(m_hSetOkEvent);
    CloseSlot(m_hRestCompleteEvent);
    m_keyPath.Clear();
    m_ddCaps.Clear();
}

void CDeviceSettings::LoadAll() {
    for (const SettingValue* value : kLoadOrder)
        Reload(*value);
    m_ddCaps.Load();
}

void CDeviceSettings::Store(const SettingValue& value, DWORD dwValue) {
    this->*value.field = dwValue;
    // A missing key is not created here: the record still follows the user.
    m_keyPath.WriteDword(value.name, dwValue);
}

DWORD CDeviceSettings::Reload(const SettingValue& value) {
    return this->*value.field = m_keyPath.ReadDword(value.name);
}

DWORD CDeviceSettings::AudioSourceFor(DWORD dwMute, DWORD dwConnector) {
    if (dwMute == 1)
        return 3;
    return dwConnector == 0 ? 2 : 1;
}

void CDeviceSettings::SetDefaults() {
    Brightness = Contrast = Hue = Saturation = 128;
    ImageSize = 320;
    Channel = 2;
    FineTune = 20;
    VideoStandard = 4; // NTSC
    Sound = Tuner = Connector = ImageFormat = Mute = 0;
    UseDirect = FavorOverlays = 1;
    AudioSource = 2; // the tuner's sound
    NotifyDriver();
}

void CDeviceSettings::SaveFormatAndDrawing() {
    for (const SettingValue* value : {&settings::ImageSize, &settings::ImageFormat,
                                      &settings::UseDirect, &settings::FavorOverlays})
        m_keyPath.WriteDword(value->name, this->*value->field);
    NotifyDriver();
}

void CDeviceSettings::NotifyDriver() {
    // The driver creates the event; without it nobody listens.
    const UniqueKernelHandle event(OpenEventA(EVENT_ALL_ACCESS, FALSE, kSettingsChangedEventName));
    if (event)
        SetEvent(event.Get());
}
