#include "VideoRateFit.h"

#include <cstddef>
#include <cstring>
#include <numeric>
#include <vector>

#include "capturefile/AviLayout.h"
#include "base/Handle.h"

namespace {

constexpr DWORD kMicrosPerSecond = 1000000;
// The header list of a capture file is a few kilobytes; anything near this
// is not one.
constexpr DWORD kLargestHeaderList = 1u << 20;

constexpr DWORD Fcc(const char (&text)[5]) {
    return static_cast<DWORD>(text[0]) | static_cast<DWORD>(text[1]) << 8 |
           static_cast<DWORD>(text[2]) << 16 | static_cast<DWORD>(text[3]) << 24;
}

DWORD DwordAt(const std::vector<BYTE>& bytes, size_t pos) {
    DWORD value = 0;
    std::memcpy(&value, bytes.data() + pos, sizeof value);
    return value;
}

void PutDword(std::vector<BYTE>& bytes, size_t pos, DWORD value) {
    std::memcpy(bytes.data() + pos, &value, sizeof value);
}

bool ReadAt(HANDLE file, DWORD pos, void* data, DWORD size) {
    OVERLAPPED at{};
    at.Offset = pos;
    DWORD read = 0;
    return ReadFile(file, data, size, &read, &at) && read == size;
}

bool WriteAt(HANDLE file, DWORD pos, const void* data, DWORD size) {
    OVERLAPPED at{};
    at.Offset = pos;
    DWORD written = 0;
    return WriteFile(file, data, size, &written, &at) && written == size;
}

// The chunks of a list's data from `begin` to `end`, each given to `visit`
// with its id and data position and size.
template <typename Visit>
void ForEachChunk(const std::vector<BYTE>& bytes, size_t begin, size_t end, Visit visit) {
    size_t pos = begin;
    while (pos + 8 <= end) {
        const DWORD id = DwordAt(bytes, pos);
        const DWORD size = DwordAt(bytes, pos + 4);
        if (size > end - pos - 8) {
            return;
        }
        visit(id, pos + 8, size);
        pos += 8 + size + (size & 1);
    }
}

// Patches the rate in the header list `hdrl` (its data, from the list type
// on); true when both headers were found.
bool PatchHeaderList(std::vector<BYTE>& hdrl, DWORD microSecPerFrame) {
    bool mainFound = false;
    bool videoFound = false;
    const DWORD divisor = std::gcd(microSecPerFrame, kMicrosPerSecond);
    ForEachChunk(hdrl, 4, hdrl.size(), [&](DWORD id, size_t data, DWORD size) {
        if (id == Fcc("avih") && size >= sizeof(avi::MainHeader)) {
            PutDword(hdrl, data + offsetof(avi::MainHeader, dwMicroSecPerFrame), microSecPerFrame);
            mainFound = true;
        } else if (id == Fcc("LIST") && size >= 4 && DwordAt(hdrl, data) == Fcc("strl")) {
            ForEachChunk(hdrl, data + 4, data + size, [&](DWORD inner, size_t at, DWORD length) {
                if (!videoFound && inner == Fcc("strh") && length >= sizeof(avi::StreamHeader) &&
                    DwordAt(hdrl, at) == Fcc("vids")) {
                    PutDword(hdrl, at + offsetof(avi::StreamHeader, dwScale),
                             microSecPerFrame / divisor);
                    PutDword(hdrl, at + offsetof(avi::StreamHeader, dwRate),
                             kMicrosPerSecond / divisor);
                    videoFound = true;
                }
            });
        }
    });
    return mainFound && videoFound;
}

} // namespace

DWORD FittedMicroSecPerFrame(DWORD frames, ULONGLONG soundBlocks, DWORD samplesPerSec) {
    if (frames == 0 || soundBlocks == 0 || samplesPerSec == 0) {
        return 0;
    }
    const ULONGLONG divisor = static_cast<ULONGLONG>(samplesPerSec) * frames;
    // The sound of a capture is far shorter than the 584,000 years at which
    // blocks * 1e6 would wrap.
    const ULONGLONG micros = (soundBlocks * kMicrosPerSecond + divisor / 2) / divisor;
    return micros == 0 || micros > 0xFFFFFFFFULL ? 0 : static_cast<DWORD>(micros);
}

bool RewriteVideoRate(const std::string& path, DWORD microSecPerFrame) {
    if (microSecPerFrame == 0) {
        return false;
    }
    const UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    // RIFF 'AVI ', then LIST 'hdrl' at 12.
    DWORD start[6] = {};
    if (!ReadAt(file.Get(), 0, start, sizeof start) || start[0] != Fcc("RIFF") ||
        start[2] != Fcc("AVI ") || start[3] != Fcc("LIST") || start[5] != Fcc("hdrl") ||
        start[4] < 4 || start[4] > kLargestHeaderList) {
        return false;
    }
    constexpr DWORD kListData = 20;
    std::vector<BYTE> hdrl(start[4]);
    if (!ReadAt(file.Get(), kListData, hdrl.data(), start[4]) ||
        !PatchHeaderList(hdrl, microSecPerFrame)) {
        return false;
    }
    return WriteAt(file.Get(), kListData, hdrl.data(), start[4]);
}
