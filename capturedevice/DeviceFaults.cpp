#include "DeviceFaults.h"

#include <vfw.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "contract/DibFormat.h"

namespace {

struct FaultName {
    const char* name;
    Fault fault;
};

constexpr FaultName kFaultNames[] = {
    {"fail", Fault::FailAll},           {"size-0", Fault::SizeZero},
    {"size-1", Fault::SizeOne},         {"size-huge", Fault::SizeHuge},
    {"palette", Fault::Palette},        {"formats", Fault::OddFormats},
    {"long-names", Fault::LongNames},   {"callbacks", Fault::Callbacks},
    {"no-window", Fault::NoWindow},     {"dialogs", Fault::Dialogs},
    {"alloc", Fault::FrameBuffers},     {"drop", Fault::DropFrames},
    {"size-lie", Fault::SizeLie},       {"bits-0", Fault::BitsZero},
    {"frame-bytes", Fault::FrameBytes}, {"sound-bytes", Fault::SoundBytes},
    {"refuse", Fault::Refuse},          {"refuse-silent", Fault::RefuseSilent},
    {"jitter", Fault::Jitter},          {"stall", Fault::Stall},
    {"clockjump", Fault::ClockJump},
};

constexpr unsigned kSizeFaults = static_cast<unsigned>(Fault::SizeZero) |
                                 static_cast<unsigned>(Fault::SizeOne) |
                                 static_cast<unsigned>(Fault::SizeHuge);
// Faults that change what the header says, not the frames.
constexpr unsigned kHeaderFaults =
    static_cast<unsigned>(Fault::SizeLie) | static_cast<unsigned>(Fault::BitsZero);
// A claimed frame size that wraps to a few bytes when a header is added in
// 32 bits.
constexpr DWORD kLyingImageSize = 0xFFFFFFF8;
constexpr DWORD kLyingRecordBytes = 0xFFFFFFF0;
constexpr size_t kLongNameLength = 200;
constexpr unsigned long long kFrameBuffersGranted = 20;
constexpr int kOddFormatCount = 6;

std::string LongName(UINT index) {
    std::string name = "Software Capture Device " + std::to_string(index) + " ";
    while (name.size() < kLongNameLength) {
        name += "with a name far longer than any menu shows ";
    }
    name.resize(kLongNameLength);
    return name;
}

// ---- formats -------------------------------------------------------------------

struct FormatRecord {
    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> table; // colours, or the three masks of BI_BITFIELDS
    DWORD headerBytes = sizeof(BITMAPINFOHEADER);

    std::vector<BYTE> Bytes() const {
        std::vector<BYTE> bytes(headerBytes + table.size() * sizeof(RGBQUAD));
        std::memcpy(bytes.data(), &header, sizeof header);
        if (!table.empty()) {
            std::memcpy(bytes.data() + headerBytes, table.data(), table.size() * sizeof(RGBQUAD));
        }
        return bytes;
    }
};

using dib::ImageBytes;

void GreyTable(FormatRecord& record, size_t colours) {
    record.table.resize(colours);
    for (size_t i = 0; i < colours; ++i) {
        const BYTE level = static_cast<BYTE>(colours > 1 ? i * 255 / (colours - 1) : 0);
        record.table[i] = {level, level, level, 0};
    }
}

FormatRecord OddFormat(int variant, FormatRecord record) {
    BITMAPINFOHEADER& h = record.header;
    h.biCompression = BI_RGB;
    switch (variant) {
    case 0: // 16 colours, the count left implicit
        h.biBitCount = 4;
        GreyTable(record, 16);
        break;
    case 1: // 32-bit with colour masks
        h.biBitCount = 32;
        h.biCompression = BI_BITFIELDS;
        record.table = {{0, 0, 0xFF, 0}, {0, 0xFF, 0, 0}, {0xFF, 0, 0, 0}};
        break;
    case 2: // a compressed format the program cannot draw
        h.biBitCount = 24;
        h.biCompression = MAKEFOURCC('M', 'J', 'P', 'G');
        h.biSizeImage = 12345;
        return record;
    case 3: // top-down rows
        h.biBitCount = 24;
        h.biHeight = -h.biHeight;
        break;
    case 4: // a header longer than BITMAPINFOHEADER, as BITMAPV5HEADER is
        h.biBitCount = 32;
        h.biSize = 124;
        record.headerBytes = 124;
        break;
    default: // monochrome
        h.biBitCount = 1;
        h.biClrUsed = 2;
        GreyTable(record, 2);
        break;
    }
    h.biSizeImage = ImageBytes(h.biWidth, h.biHeight, h.biBitCount);
    return record;
}

// The format the faults report in place of the driver's; empty for none (and
// when no driver is connected).
std::vector<BYTE> FaultFormat(unsigned faults, FaultTarget& s) {
    if (!s.IsConnected()) {
        return {};
    }
    FormatRecord record;
    record.header = s.VideoFormat();
    BITMAPINFOHEADER& h = record.header;
    if ((faults & kSizeFaults) != 0) {
        const LONG side = HasFault(faults, Fault::SizeZero)  ? 0
                          : HasFault(faults, Fault::SizeOne) ? 1
                                                             : 32767;
        h.biWidth = h.biHeight = side;
        h.biSizeImage = ImageBytes(side, side, h.biBitCount);
    }
    if (HasFault(faults, Fault::Palette)) {
        h.biBitCount = 8;
        h.biCompression = BI_RGB;
        h.biClrUsed = 256;
        h.biSizeImage = ImageBytes(h.biWidth, h.biHeight, 8);
        GreyTable(record, 256);
    } else if (HasFault(faults, Fault::OddFormats)) {
        record = OddFormat(std::max(s.Memory().oddFormat, 0) % kOddFormatCount, record);
    } else if ((faults & (kSizeFaults | kHeaderFaults)) == 0) {
        return {};
    }
    // A driver that fills in its header carelessly: the frames stay as they were.
    if (HasFault(faults, Fault::SizeLie)) {
        record.header.biSizeImage = kLyingImageSize;
    }
    if (HasFault(faults, Fault::BitsZero)) {
        record.header.biBitCount = 0;
    }
    return record.Bytes();
}

LRESULT FaultyGetVideoFormat(unsigned faults, FaultTarget& s, WPARAM size, LPARAM buffer) {
    const std::vector<BYTE> format = FaultFormat(faults, s);
    if (format.empty()) {
        return s.Dispatch(WM_CAP_GET_VIDEOFORMAT, size, buffer);
    }
    if (buffer == 0) {
        return size == 0 ? static_cast<LRESULT>(format.size()) : 0;
    }
    // A buffer too short gets what fits, as from a driver that fills it: the
    // header then claims more colours than the caller holds.
    const size_t copied = std::min<size_t>(size, format.size());
    auto* out = reinterpret_cast<BYTE*>(buffer);
    std::memcpy(out, format.data(), copied);
    const size_t zeroed = std::min<size_t>(size, sizeof(BITMAPINFO));
    if (zeroed > copied) {
        std::memset(out + copied, 0, zeroed - copied);
    }
    return static_cast<LRESULT>(copied);
}

// A record shorter than its header claims is refused and named, as a careful
// driver would; the reported format itself is accepted and changes nothing.
LRESULT FaultySetVideoFormat(unsigned faults, FaultTarget& s, WPARAM size, LPARAM buffer) {
    const std::vector<BYTE> format = FaultFormat(faults, s);
    if (format.empty() || buffer == 0 || size < sizeof(BITMAPINFOHEADER)) {
        return s.Dispatch(WM_CAP_SET_VIDEOFORMAT, size, buffer);
    }
    BITMAPINFOHEADER given;
    std::memcpy(&given, reinterpret_cast<const void*>(buffer), sizeof given);
    if (given.biSize >= sizeof given && dib::ClaimedBytes(given) > size) {
        s.ReportError(IDS_CAP_DRIVER_ERROR,
                      "The video format given is shorter than its header says: the driver "
                      "refused it.");
        return FALSE;
    }
    if (size >= format.size() && std::memcmp(&given, format.data(), sizeof given) == 0) {
        return TRUE;
    }
    return s.Dispatch(WM_CAP_SET_VIDEOFORMAT, size, buffer);
}

LRESULT FaultyGetStatus(unsigned faults, FaultTarget& s, WPARAM size, LPARAM buffer) {
    const LRESULT result = s.Dispatch(WM_CAP_GET_STATUS, size, buffer);
    const std::vector<BYTE> format = FaultFormat(faults, s);
    if (result != 0 && !format.empty()) {
        BITMAPINFOHEADER h;
        std::memcpy(&h, format.data(), sizeof h);
        auto* status = reinterpret_cast<CAPSTATUS*>(buffer);
        status->uiImageWidth = static_cast<UINT>(h.biWidth);
        status->uiImageHeight = static_cast<UINT>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    }
    return result;
}

LRESULT FaultyDriverName(unsigned faults, FaultTarget& s, WPARAM size, LPARAM buffer) {
    if (!HasFault(faults, Fault::LongNames) || !s.IsConnected() || buffer == 0 || size == 0) {
        return s.Dispatch(WM_CAP_DRIVER_GET_NAMEA, size, buffer);
    }
    lstrcpynA(reinterpret_cast<char*>(buffer), LongName(static_cast<UINT>(s.DriverIndex())).c_str(),
              static_cast<int>(std::min<WPARAM>(size, 0x7fffffff)));
    return TRUE;
}

LRESULT FaultyConnect(unsigned faults, FaultTarget& s, WPARAM index) {
    if (HasFault(faults, Fault::OddFormats)) {
        ++s.Memory().oddFormat;
    }
    return s.Dispatch(WM_CAP_DRIVER_CONNECT, index, 0);
}

// A driver that cannot start: the capture is refused, with the driver's
// words or without any.
LRESULT FaultyCaptureStart(unsigned faults, FaultTarget& s) {
    if (HasFault(faults, Fault::Refuse)) {
        s.ReportError(IDS_CAP_VIDEO_PREPARE_ERROR,
                      "The driver could not prepare its video buffers: the capture did not "
                      "start.");
        return FALSE;
    }
    if (HasFault(faults, Fault::RefuseSilent)) {
        return FALSE;
    }
    return s.Dispatch(WM_CAP_SEQUENCE_NOFILE, 0, 0);
}

LRESULT FaultyDialog(unsigned faults, FaultTarget& s, UINT message) {
    if (!HasFault(faults, Fault::Dialogs)) {
        return s.Dispatch(message, 0, 0);
    }
    s.ReportError(IDS_CAP_DRIVER_ERROR, "The driver could not open its dialog.");
    return FALSE;
}

// ---- callbacks -------------------------------------------------------------------

struct InjectedCallback {
    int id;
    const char* text; // null: a null text; kLongText: 2,000 characters
};

constexpr const char* kLongText = "(long)";
constexpr const char* kOddText = "\x01\x7f\x80\x9f\xff\t\r\n%s%n%d&&& %1 \xe9t\xe9";

constexpr InjectedCallback kStatusTexts[] = {
    {0, ""},          {7, nullptr},           {1234, kLongText},   {-1, kOddText},
    {0x7fffffff, ""}, {IDS_CAP_END, nullptr}, {-32768, kLongText}, {0, nullptr},
};
constexpr InjectedCallback kErrorTexts[] = {
    {0, nullptr}, {9, ""}, {9, nullptr}, {999999, kLongText}, {-2, kOddText},
};

const char* InjectedText(const char* text) {
    static const std::string longText = [] {
        std::string t;
        while (t.size() < 2000) {
            t += "A text far longer than a status bar or a message box shows. ";
        }
        t.resize(2000);
        return t;
    }();
    return text == kLongText ? longText.c_str() : text;
}

// Messages that a user's command sends: an error inside one of them reaches
// the user once per command, not at every status refresh.
bool IsCommandMessage(UINT message) {
    switch (message) {
    case WM_CAP_DRIVER_CONNECT:
    case WM_CAP_SET_VIDEOFORMAT:
    case WM_CAP_DLG_VIDEOSOURCE:
    case WM_CAP_DLG_VIDEOFORMAT:
    case WM_CAP_DLG_VIDEODISPLAY:
    case WM_CAP_DLG_VIDEOCOMPRESSION:
    case WM_CAP_SEQUENCE:
    case WM_CAP_FILE_SAVEASA:
    case WM_CAP_FILE_SAVEDIBA:
    case WM_CAP_EDIT_COPY:
    case WM_CAP_GRAB_FRAME_NOSTOP:
        return true;
    default:
        return false;
    }
}

// A status callback every third message, an error callback in each command
// message; none while one of them runs (its message box sends messages too).
void InjectCallback(FaultTarget& s, UINT message) {
    FaultMemory& memory = s.Memory();
    if (memory.inCallback) {
        return;
    }
    memory.inCallback = true;
    if (++memory.messagesSinceCallback >= 3) {
        memory.messagesSinceCallback = 0;
        const InjectedCallback& c = kStatusTexts[memory.nextStatus++ % std::size(kStatusTexts)];
        s.ReportStatus(c.id, InjectedText(c.text));
    }
    if (IsCommandMessage(message)) {
        const InjectedCallback& c = kErrorTexts[memory.nextError++ % std::size(kErrorTexts)];
        s.ReportError(c.id, InjectedText(c.text));
    }
    memory.inCallback = false;
}

bool GrantFrameBuffer(unsigned long long n) {
    return n < kFrameBuffersGranted;
}

// A fixed pattern, so that a test knows which frames are missing.
bool DropFromPattern(unsigned long long frame) {
    const unsigned long long at = frame % 30;
    return at >= 5 && at <= 7;
}

} // namespace

unsigned ActiveFaults() {
    char value[256];
    const DWORD length = GetEnvironmentVariableA(kFaultConfigVariable, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return 0;
    }
    unsigned faults = 0;
    std::string list(value, length);
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t end = std::min(list.find(',', pos), list.size());
        const std::string name = list.substr(pos, end - pos);
        for (const FaultName& f : kFaultNames) {
            if (name == f.name) {
                faults |= static_cast<unsigned>(f.fault);
            }
        }
        pos = end + 1;
    }
    return faults;
}

LRESULT DispatchWithFaults(FaultTarget& s, UINT message, WPARAM wParam, LPARAM lParam) {
    const unsigned faults = ActiveFaults();
    if (faults == 0) {
        return s.Dispatch(message, wParam, lParam);
    }
    if (HasFault(faults, Fault::Callbacks)) {
        InjectCallback(s, message);
    }
    if (HasFault(faults, Fault::FailAll)) {
        return 0;
    }
    switch (message) {
    case WM_CAP_GET_VIDEOFORMAT:
        return FaultyGetVideoFormat(faults, s, wParam, lParam);
    case WM_CAP_SET_VIDEOFORMAT:
        return FaultySetVideoFormat(faults, s, wParam, lParam);
    case WM_CAP_GET_STATUS:
        return FaultyGetStatus(faults, s, wParam, lParam);
    case WM_CAP_DRIVER_GET_NAMEA:
        return FaultyDriverName(faults, s, wParam, lParam);
    case WM_CAP_DRIVER_CONNECT:
        return FaultyConnect(faults, s, wParam);
    case WM_CAP_SEQUENCE_NOFILE:
        return FaultyCaptureStart(faults, s);
    case WM_CAP_DLG_VIDEOSOURCE:
    case WM_CAP_DLG_VIDEOFORMAT:
    case WM_CAP_DLG_VIDEODISPLAY:
    case WM_CAP_DLG_VIDEOCOMPRESSION:
        return FaultyDialog(faults, s, message);
    default:
        return s.Dispatch(message, wParam, lParam);
    }
}

std::optional<BOOL> FaultDriverDescription(UINT index, LPSTR name, int nameSize, LPSTR version,
                                           int versionSize) {
    const unsigned faults = ActiveFaults();
    if (HasFault(faults, Fault::FailAll)) {
        return FALSE;
    }
    if (!HasFault(faults, Fault::LongNames)) {
        return std::nullopt;
    }
    if (index > 9 || name == nullptr || nameSize <= 0) {
        return FALSE;
    }
    lstrcpynA(name, LongName(index).c_str(), nameSize);
    if (version != nullptr && versionSize > 0) {
        lstrcpynA(version, "Version: 1.0 (ten drivers, long names)", versionSize);
    }
    return TRUE;
}

bool FaultRefusesWindow() {
    return HasFault(ActiveFaults(), Fault::NoWindow);
}

const char* FaultDriverSetting() {
    return HasFault(ActiveFaults(), Fault::LongNames) ? "0:overlay,1,2,3,4,5,6,7,8,9" : nullptr;
}

FrameBufferGate FaultFrameBufferGate() {
    return HasFault(ActiveFaults(), Fault::FrameBuffers) ? &GrantFrameBuffer : nullptr;
}

FrameDropRule FaultFrameDropRule() {
    return HasFault(ActiveFaults(), Fault::DropFrames) ? &DropFromPattern : nullptr;
}

RecordLies FaultRecordLies() {
    const unsigned faults = ActiveFaults();
    return {HasFault(faults, Fault::FrameBytes), HasFault(faults, Fault::SoundBytes)};
}

DWORD RecordLies::LiedBytes(unsigned long long n, DWORD bufferBytes) {
    return n % 2 == 0 ? kLyingRecordBytes : bufferBytes * 2 + 1;
}
