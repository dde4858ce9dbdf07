#include "VirtualDrivers.h"

#include "DeviceFaults.h"
#include "PaletteFormat.h"

#include <vector>

#include "contract/SettingsStore.h"

namespace {

constexpr const char* kDefaultDrivers = "0:overlay,2:plain";
constexpr DWORD kFourccYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

struct DriverEntry {
    int index;
    DriverKind kind;
};

std::vector<DriverEntry> ParseDrivers(const std::string& text) {
    std::vector<DriverEntry> drivers;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string entry = text.substr(pos, end - pos);
        pos = end + 1;
        if (entry.empty() || entry[0] < '0' || entry[0] > '9') {
            if (end == text.size()) {
                break;
            }
            continue;
        }
        const int index = entry[0] - '0';
        DriverKind kind = drivers.empty() ? DriverKind::Overlay : DriverKind::Plain;
        const std::string rest = entry.substr(1);
        if (rest == ":overlay") {
            kind = DriverKind::Overlay;
        } else if (rest == ":plain") {
            kind = DriverKind::Plain;
        } else if (rest == ":palette") {
            kind = DriverKind::Palette;
        } else if (!rest.empty()) {
            continue; // malformed entry: not installed
        }
        bool duplicate = false;
        for (const DriverEntry& d : drivers) {
            duplicate = duplicate || d.index == index;
        }
        if (!duplicate) {
            drivers.push_back({index, kind});
        }
        if (end == text.size()) {
            break;
        }
    }
    return drivers;
}

std::string DriverSetting() {
    if (const char* faulty = FaultDriverSetting()) {
        return faulty;
    }
    char value[256];
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableA(kDriverConfigVariable, value, sizeof value);
    if (length == 0) {
        // Unset gives the default; set but empty installs nothing.
        return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? kDefaultDrivers : "";
    }
    if (length >= sizeof value) {
        return "";
    }
    return std::string(value, length);
}

} // namespace

const char* VirtualDriver::Name() const {
    if (kind == DriverKind::Palette) {
        return "Software Capture Device (8-bit)";
    }
    return kind == DriverKind::Overlay ? "Software Capture Device (Overlay)"
                                       : "Software Capture Device (YUV)";
}

const char* VirtualDriver::Version() const {
    if (kind == DriverKind::Palette) {
        return "Version: 1.0 (8-bit palette)";
    }
    return kind == DriverKind::Overlay ? "Version: 1.0 (overlay, dialogs)" : "Version: 1.0 (YUY2)";
}

BITMAPINFOHEADER VirtualDriver::DefaultFormat() const {
    BITMAPINFOHEADER f{};
    f.biSize = sizeof f;
    f.biWidth = 320;
    f.biHeight = 240;
    f.biPlanes = 1;
    if (kind == DriverKind::Overlay) {
        f.biBitCount = 24;
        f.biCompression = BI_RGB;
    } else if (kind == DriverKind::Palette) {
        f.biBitCount = 8;
        f.biCompression = BI_RGB;
        f.biClrUsed = 256;
    } else {
        f.biBitCount = 16;
        f.biCompression = kFourccYuy2;
    }
    f.biSizeImage = static_cast<DWORD>(f.biWidth * f.biHeight * f.biBitCount / 8);
    return f;
}

bool VirtualDriver::Delivers(const BITMAPINFOHEADER& f) const {
    if (f.biSize < sizeof(BITMAPINFOHEADER) || f.biPlanes != 1) {
        return false;
    }
    const bool sizeOk = (f.biWidth == 160 && f.biHeight == 120) ||
                        (f.biWidth == 320 && f.biHeight == 240) ||
                        (f.biWidth == 640 && f.biHeight == 480);
    if (!sizeOk) {
        return false;
    }
    const bool rgb = f.biCompression == BI_RGB && (f.biBitCount == 16 || f.biBitCount == 24);
    const bool yuy2 = f.biCompression == kFourccYuy2 && f.biBitCount == 16;
    const bool palette = IsPalettised(f) && kind == DriverKind::Palette;
    if (!(rgb || palette || (yuy2 && kind == DriverKind::Plain))) {
        return false;
    }
    // A stated image size must be the frame's; 0 is allowed for RGB.
    const DWORD bytes = static_cast<DWORD>(f.biWidth * f.biHeight * (f.biBitCount / 8));
    return f.biSizeImage == bytes || (f.biSizeImage == 0 && (rgb || palette));
}

std::optional<VirtualDriver> FindDriver(int index) {
    if (index < 0 || index > 9) {
        return std::nullopt;
    }
    for (const DriverEntry& entry : ParseDrivers(DriverSetting())) {
        if (entry.index == index) {
            return VirtualDriver{entry.index, entry.kind};
        }
    }
    return std::nullopt;
}

bool SizeFromCode(DWORD code, LONG& width, LONG& height) {
    const settings_store::ImageSizeCode* size = settings_store::FindImageSize(code);
    if (size == nullptr) {
        return false;
    }
    width = size->width, height = size->height;
    return true;
}

bool FormatFromCode(DWORD code, WORD& bitCount, DWORD& compression) {
    const settings_store::ImageFormatCode* format = settings_store::FindImageFormat(code);
    if (format == nullptr) {
        return false;
    }
    bitCount = format->bitCount, compression = format->compression;
    return true;
}
