#pragma once
// The virtual capture drivers behind the device's capture windows.
//
// Which drivers are installed is the device's own setting, the environment
// variable SOFTCAP_DRIVERS: a comma-separated list of "index:kind" entries,
// index 0 to 9 and kind "overlay" or "plain", e.g. "0:overlay,2:plain" (the
// default). An entry without a kind is "overlay" when it comes first and
// "plain" otherwise; an empty value installs no driver.
//
// The overlay driver has hardware overlay and the three driver dialogs and
// delivers RGB 15 and RGB 24 (24 by default). The plain driver has neither
// and delivers RGB 15, RGB 24 and YUY2 (YUY2 by default). Both deliver
// 160x120, 320x240 and 640x480 and start at 320x240.

#include <windows.h>

#include <optional>
#include <string>

// Palette: as Overlay, but delivering 8-bit palettised RGB (and RGB 15 and
// 24), 8-bit by default.
enum class DriverKind { Overlay, Plain, Palette };

struct VirtualDriver {
    int index = -1;
    DriverKind kind = DriverKind::Overlay;

    const char* Name() const;
    const char* Version() const;
    bool HasOverlay() const { return kind != DriverKind::Plain; }
    bool HasDialogs() const { return kind != DriverKind::Plain; }
    BITMAPINFOHEADER DefaultFormat() const;
    // True when this driver can deliver `format` exactly.
    bool Delivers(const BITMAPINFOHEADER& format) const;
};

constexpr const char* kDriverConfigVariable = "SOFTCAP_DRIVERS";

// The driver installed at `index`, read from the setting at each call.
std::optional<VirtualDriver> FindDriver(int index);

// Formats by the codes of the device settings key (contract/SettingsStore.h);
// false for a code without a meaning.
bool SizeFromCode(DWORD code, LONG& width, LONG& height);
bool FormatFromCode(DWORD code, WORD& bitCount, DWORD& compression);
