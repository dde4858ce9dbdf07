// Writes HFYU files for other tools to read, and reads other tools' files
// with the codec, for check_files.sh:
//   hfyucodec_files write DIR              NAME.avi (through CAviWriter) and NAME.raw
//   hfyucodec_files device DIR             the same of frames grabbed from the capture
//                                          driver (device_yuy2, device_rgb24)
//   hfyucodec_files decode IN.avi OUT.raw  decoded by the installed codec
//   hfyucodec_files getframe IN.avi OUT.raw  decoded by AVIFile (AVIStreamGetFrame),
//                                            with whatever codec the system has
// Raw files hold the frames' pixels top row first, without row padding.

#include <windows.h>

#include <vfw.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "hfyucodec/TestFrames.h"
#include "hfyucodec/hfyucodec.h"

namespace {

struct FileCase {
    const char* name;
    int bits;
    int width;
    int height;
    FramePattern pattern;
    int predictor;
    bool fitted;
};

const FileCase kFiles[] = {
    {"yuy2_median_fitted", 16, 720, 576, FramePattern::Picture, HFYU_PREDICT_MEDIAN, true},
    {"yuy2_left", 16, 320, 240, FramePattern::Picture, HFYU_PREDICT_LEFT, false},
    {"rgb24_gradient", 24, 640, 480, FramePattern::Picture, HFYU_PREDICT_GRADIENT, false},
    {"rgb24_left_topdown_fitted", 24, 322, -240, FramePattern::Picture, HFYU_PREDICT_LEFT, true},
    {"rgb32_gradient_noise", 32, 160, 120, FramePattern::Noise, HFYU_PREDICT_GRADIENT, false},
};
constexpr int kFrames = 6;

bool AppendRows(FILE* file, const BYTE* frame, const BITMAPINFOHEADER& format) {
    const int height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    const bool topDown = format.biHeight < 0 || format.biCompression != BI_RGB;
    const size_t stride = (static_cast<size_t>(format.biWidth) * format.biBitCount + 31) / 32 * 4;
    const size_t bytes = static_cast<size_t>(format.biWidth) * format.biBitCount / 8;
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        if (std::fwrite(frame + stride * y, 1, bytes, file) != bytes) {
            return false;
        }
    }
    return true;
}

// Compresses the frames with the predictor given (and tables fitted to the
// first, if asked) and writes them into NAME.avi, and as they were into NAME.raw.
bool WriteFrames(const std::string& dir, const FileCase& c, const BITMAPINFOHEADER& in,
                 std::vector<std::vector<BYTE>>& frames) {
    HIC hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_COMPRESS);
    if (hic == nullptr ||
        !SetUpCompressor(hic, in, c.predictor, c.fitted ? frames[0].data() : nullptr)) {
        return false;
    }
    AviWriterSettings settings;
    settings.videoFormat.resize(static_cast<size_t>(ICCompressGetFormatSize(hic, &in)));
    auto* out = reinterpret_cast<BITMAPINFOHEADER*>(settings.videoFormat.data());
    ICCompressGetFormat(hic, &in, out);
    settings.videoHandler = HFYU_FOURCC;
    settings.microSecPerFrame = 40000;
    std::vector<BYTE> buffer(ICCompressGetSize(hic, &in, out));
    CAviWriter writer;
    FILE* raw = std::fopen((dir + "\\" + c.name + ".raw").c_str(), "wb");
    bool ok = raw != nullptr && writer.Open(dir + "\\" + c.name + ".avi", settings) &&
              ICCompressBegin(hic, &in, out) == ICERR_OK;
    for (auto& frame : frames) {
        BITMAPINFOHEADER frameOut = *out;
        DWORD flags = 0;
        ok = ok &&
             ICCompress(hic, 0, &frameOut, buffer.data(), const_cast<BITMAPINFOHEADER*>(&in),
                        frame.data(), nullptr, &flags, 0, 0, 0, nullptr, nullptr) == ICERR_OK &&
             writer.WriteVideo(buffer.data(), frameOut.biSizeImage, true) &&
             AppendRows(raw, frame.data(), in);
    }
    ICCompressEnd(hic);
    ICClose(hic);
    ok = writer.Close() && ok;
    if (raw != nullptr) {
        std::fclose(raw);
    }
    std::printf("%s: %s %dx%d\n", c.name, ok ? "written" : "FAILED", c.width, c.height);
    return ok;
}

bool WriteCase(const std::string& dir, const FileCase& c) {
    const BITMAPINFOHEADER in = RawFormat(c.bits, c.width, c.height);
    std::vector<std::vector<BYTE>> frames;
    for (int i = 0; i < kFrames; ++i) {
        frames.push_back(MakeFrame(in, c.pattern, i));
    }
    return WriteFrames(dir, c, in, frames);
}

// The capture driver's frames, kept as the frame callback hands them over.
std::vector<std::vector<BYTE>> g_grabbed;

LRESULT CALLBACK OnFrame(HWND, LPVIDEOHDR header) {
    g_grabbed.emplace_back(header->lpData, header->lpData + header->dwBytesUsed);
    return TRUE;
}

// Frames grabbed from the first capture driver in the given format, through
// the platform's capture window (the software device under test).
bool GrabFrames(int bits, std::vector<std::vector<BYTE>>& frames, BITMAPINFOHEADER& format) {
    HWND window =
        capCreateCaptureWindowA("grab", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, 0);
    if (window == nullptr || !capDriverConnect(window, 0)) {
        return false;
    }
    BITMAPINFO info{};
    capGetVideoFormat(window, &info, sizeof info);
    info.bmiHeader = RawFormat(bits, 320, 240);
    bool ok = capSetVideoFormat(window, &info, sizeof info) &&
              capGetVideoFormat(window, &info, sizeof info) && info.bmiHeader.biBitCount == bits;
    format = info.bmiHeader;
    g_grabbed.clear();
    capSetCallbackOnFrame(window, OnFrame);
    for (int i = 0; ok && i < kFrames; ++i) {
        ok = capGrabFrameNoStop(window) != FALSE;
        Sleep(40); // the device's picture moves with time
    }
    capSetCallbackOnFrame(window, nullptr);
    capDriverDisconnect(window);
    DestroyWindow(window);
    frames = g_grabbed;
    return ok && frames.size() == kFrames && frames[0].size() == format.biSizeImage;
}

int WriteDeviceFrames(const std::string& dir) {
    const FileCase cases[] = {
        {"device_yuy2", 16, 320, 240, FramePattern::Picture, HFYU_PREDICT_MEDIAN, true},
        {"device_rgb24", 24, 320, 240, FramePattern::Picture, HFYU_PREDICT_GRADIENT, true},
    };
    int status = 0;
    for (const FileCase& c : cases) {
        std::vector<std::vector<BYTE>> frames;
        BITMAPINFOHEADER format{};
        if (!GrabFrames(c.bits, frames, format)) {
            std::printf("%s: the driver gave no %d frames of %d bits\n", c.name, kFrames, c.bits);
            status = 1;
            continue;
        }
        status |= WriteFrames(dir, c, format, frames) ? 0 : 1;
    }
    return status;
}

// The first video stream's format and its frames as stored.
struct AviVideo {
    std::vector<BYTE> format;
    std::vector<std::vector<BYTE>> frames;
};

bool ReadVideo(const char* path, AviVideo& video) {
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, path, OF_READ, nullptr) != 0) {
        return false;
    }
    PAVISTREAM stream = nullptr;
    bool ok = AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0;
    LONG size = 0;
    ok = ok && AVIStreamReadFormat(stream, 0, nullptr, &size) == 0 && size > 0;
    if (ok) {
        video.format.resize(static_cast<size_t>(size));
        ok = AVIStreamReadFormat(stream, 0, video.format.data(), &size) == 0;
    }
    for (LONG i = 0; ok && i < AVIStreamLength(stream); ++i) {
        LONG bytes = 0;
        AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr);
        std::vector<BYTE> frame(static_cast<size_t>(bytes));
        ok = AVIStreamRead(stream, i, 1, frame.data(), bytes, nullptr, nullptr) == 0;
        video.frames.push_back(std::move(frame));
    }
    if (stream != nullptr) {
        AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
    return ok;
}

int Decode(const char* in, const char* out) {
    AviVideo video;
    if (!ReadVideo(in, video)) {
        std::printf("cannot read %s\n", in);
        return 1;
    }
    HfyuInstallForProcess();
    HIC hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_DECOMPRESS);
    auto* compressed = reinterpret_cast<BITMAPINFOHEADER*>(video.format.data());
    BITMAPINFOHEADER raw{};
    if (hic == nullptr || ICDecompressGetFormat(hic, compressed, &raw) != ICERR_OK ||
        ICDecompressBegin(hic, compressed, &raw) != ICERR_OK) {
        std::printf("the codec refuses %s\n", in);
        return 1;
    }
    FILE* file = std::fopen(out, "wb");
    std::vector<BYTE> frame(raw.biSizeImage);
    int failures = 0;
    for (auto& data : video.frames) {
        compressed->biSizeImage = static_cast<DWORD>(data.size());
        if (ICDecompress(hic, 0, compressed, data.data(), &raw, frame.data()) != ICERR_OK) {
            ++failures;
        }
        AppendRows(file, frame.data(), raw);
    }
    std::fclose(file);
    ICDecompressEnd(hic);
    ICClose(hic);
    std::printf("decoded=%zu failures=%d bits=%d\n", video.frames.size(), failures, raw.biBitCount);
    return failures == 0 ? 0 : 1;
}

int GetFrames(const char* in, const char* out) {
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    if (AVIFileOpenA(&file, in, OF_READ, nullptr) != 0 ||
        AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) != 0) {
        std::printf("cannot open %s\n", in);
        return 1;
    }
    PGETFRAME frames = AVIStreamGetFrameOpen(stream, nullptr);
    if (frames == nullptr) {
        std::printf("AVIStreamGetFrameOpen found no decoder\n");
        return 1;
    }
    FILE* raw = std::fopen(out, "wb");
    int decoded = 0;
    int bits = 0;
    for (LONG i = 0; i < AVIStreamLength(stream); ++i) {
        const auto* dib = static_cast<const BITMAPINFOHEADER*>(AVIStreamGetFrame(frames, i));
        if (dib == nullptr) {
            continue;
        }
        bits = dib->biBitCount;
        AppendRows(raw, reinterpret_cast<const BYTE*>(dib) + dib->biSize, *dib);
        ++decoded;
    }
    std::fclose(raw);
    AVIStreamGetFrameClose(frames);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    std::printf("getframe=%d bits=%d\n", decoded, bits);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    AVIFileInit();
    int status = 2;
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 3) {
        HfyuInstallForProcess();
        status = 0;
        for (const FileCase& c : kFiles) {
            status |= WriteCase(argv[2], c) ? 0 : 1;
        }
    } else if (mode == "device" && argc == 3) {
        HfyuInstallForProcess();
        status = WriteDeviceFrames(argv[2]);
    } else if (mode == "decode" && argc == 4) {
        status = Decode(argv[2], argv[3]);
    } else if (mode == "getframe" && argc == 4) {
        status = GetFrames(argv[2], argv[3]);
    } else {
        std::printf(
            "usage: hfyucodec_files write DIR | device DIR | decode IN OUT | getframe IN OUT\n");
    }
    AVIFileExit();
    return status;
}
