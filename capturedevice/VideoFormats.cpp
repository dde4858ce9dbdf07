// The video format the driver delivers and the audio format of captures.

#include <algorithm>
#include <cstring>
#include <vector>

#include "CaptureWindowHandlers.h"
#include "PaletteFormat.h"
#include "contract/DibFormat.h"

namespace {

// A format of another kind than PCM is taken as given, with its extra bytes.
bool IsAcceptableAudioFormat(const WAVEFORMATEX& f, size_t available) {
    if (f.wFormatTag == WAVE_FORMAT_PCM) {
        return CaptureWindowState::IsRecordablePcm(f);
    }
    return f.nChannels != 0 && f.nChannels <= 8 && f.nSamplesPerSec != 0 &&
           f.nSamplesPerSec <= 384000 && f.nBlockAlign != 0 && f.nAvgBytesPerSec != 0 &&
           available >= sizeof(WAVEFORMATEX) && available >= sizeof(WAVEFORMATEX) + f.cbSize;
}

// `format` with one of its fields changed, when the driver delivers that.
template <typename Change>
void TakeIfDelivered(const CaptureWindowState& s, BITMAPINFOHEADER& format, Change change) {
    BITMAPINFOHEADER changed = format;
    change(changed);
    changed.biSizeImage = FrameGenerator::ImageBytes(changed);
    if (s.link.driver->Delivers(changed)) {
        format = changed;
    }
}

} // namespace

void ApplyFormatCodes(CaptureWindowState& s, std::optional<DWORD> imageSize,
                      std::optional<DWORD> imageFormat) {
    if (!s.IsConnected() || IsCapturing(s)) {
        return;
    }
    BITMAPINFOHEADER wanted = s.VideoFormat();
    LONG width = 0, height = 0;
    if (imageSize && SizeFromCode(*imageSize, width, height)) {
        TakeIfDelivered(s, wanted, [&](BITMAPINFOHEADER& f) {
            f.biWidth = width;
            f.biHeight = height;
        });
    }
    WORD bits = 0;
    DWORD compression = 0;
    if (imageFormat && FormatFromCode(*imageFormat, bits, compression)) {
        TakeIfDelivered(s, wanted, [&](BITMAPINFOHEADER& f) {
            f.biBitCount = bits;
            f.biCompression = compression;
        });
    }
    if (std::memcmp(&wanted, &s.VideoFormat(), sizeof wanted) != 0) {
        s.Frames().SetFormat(wanted);
        GrabAndShow(s);
    }
}

LRESULT OnGetVideoFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected()) {
        return 0;
    }
    const std::vector<BYTE> whole = WholeFormat(s.VideoFormat());
    const WPARAM formatSize = whole.size();
    if (buffer == 0) {
        return size == 0 ? static_cast<LRESULT>(formatSize) : 0; // a size query
    }
    if (size < sizeof(BITMAPINFOHEADER)) {
        return 0;
    }
    // As much as the caller made room for (the platform's way: a buffer too
    // small gets the start of the format), zeroes for a colour entry beyond it.
    auto* out = reinterpret_cast<BYTE*>(buffer);
    const WPARAM copied = std::min(size, formatSize);
    std::memcpy(out, whole.data(), copied);
    std::memset(out + copied, 0,
                std::max(std::min<WPARAM>(size, sizeof(BITMAPINFO)), copied) - copied);
    return static_cast<LRESULT>(formatSize);
}

LRESULT OnSetVideoFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected() || IsCapturing(s) || buffer == 0 || size < sizeof(BITMAPINFOHEADER)) {
        return FALSE;
    }
    BITMAPINFOHEADER format;
    std::memcpy(&format, reinterpret_cast<const void*>(buffer), sizeof format);
    // A header that claims a colour table the buffer does not hold is refused:
    // its entries would be read past the end.
    if (format.biSize < sizeof format || format.biSize > size || dib::ClaimedBytes(format) > size ||
        !s.link.driver->Delivers(format)) {
        return FALSE;
    }
    s.Frames().SetFormat(format);
    s.SetCurrentFrameInvalid();
    InvalidateRect(s.Window(), nullptr, TRUE);
    return TRUE;
}

LRESULT OnSetAudioFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    // A PCM format may come as the 16-byte PCMWAVEFORMAT.
    if (IsCapturing(s) || buffer == 0 || size < sizeof(PCMWAVEFORMAT) || size > 0xFFFF) {
        return FALSE;
    }
    WAVEFORMATEX format{};
    std::memcpy(&format, reinterpret_cast<const void*>(buffer),
                std::min<WPARAM>(size, sizeof format));
    if (!IsAcceptableAudioFormat(format, size)) {
        return FALSE;
    }
    std::vector<BYTE> bytes;
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        format.cbSize = 0;
        bytes.resize(sizeof format);
        std::memcpy(bytes.data(), &format, sizeof format);
    } else {
        const auto* in = reinterpret_cast<const BYTE*>(buffer);
        bytes.assign(in, in + sizeof(WAVEFORMATEX) + format.cbSize);
    }
    s.setup.audioFormat = std::move(bytes);
    return TRUE;
}

LRESULT OnGetAudioFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    const WPARAM formatSize = s.setup.audioFormat.size();
    if (buffer == 0) {
        return static_cast<LRESULT>(formatSize); // a size query
    }
    if (size < formatSize) {
        return 0;
    }
    std::memcpy(reinterpret_cast<void*>(buffer), s.setup.audioFormat.data(), formatSize);
    return static_cast<LRESULT>(formatSize);
}
