// The HuffYUV codec's speed and output size, through the compression
// manager as a capture uses it (see run.sh, which sets ffmpeg's encoder
// beside it):
//   hfyucodec_bench encode        key=value lines for each format and predictor
//   hfyucodec_bench rawframes DIR the same frames as raw files, for ffmpeg
// Nothing here is a test.

#include <windows.h>

#include <vfw.h>

#include <cstdio>
#include <string>
#include <vector>

#include "hfyucodec/TestFrames.h"
#include "hfyucodec/hfyucodec.h"

namespace {

constexpr int kDistinctFrames = 10;
constexpr double kSecondsPerRun = 2.0;

struct BenchCase {
    const char* name;
    int bits;
    int width;
    int height;
    int predictor;
    bool fitted;
};

const BenchCase kCases[] = {
    {"yuy2_720x576_median", 16, 720, 576, HFYU_PREDICT_MEDIAN, false},
    {"yuy2_720x576_median_fitted", 16, 720, 576, HFYU_PREDICT_MEDIAN, true},
    {"yuy2_720x576_left", 16, 720, 576, HFYU_PREDICT_LEFT, false},
    {"rgb24_640x480_gradient", 24, 640, 480, HFYU_PREDICT_GRADIENT, false},
    {"rgb24_640x480_gradient_fitted", 24, 640, 480, HFYU_PREDICT_GRADIENT, true},
    {"rgb24_640x480_left", 24, 640, 480, HFYU_PREDICT_LEFT, false},
};

std::vector<std::vector<BYTE>> Frames(const BITMAPINFOHEADER& format) {
    std::vector<std::vector<BYTE>> frames;
    for (int i = 0; i < kDistinctFrames; ++i) {
        frames.push_back(MakeFrame(format, FramePattern::Picture, i));
    }
    return frames;
}

// This thread's CPU time: on a shared machine the wall clock counts the
// others' work too.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto value = [](FILETIME t) {
        return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 |
                                   t.dwLowDateTime);
    };
    return (value(kernel) + value(user)) / 1e7;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Frames per second of CPU time decoding the coded frames back to the raw format.
double DecodeRate(std::vector<BYTE> format, BITMAPINFOHEADER raw,
                  const std::vector<std::vector<BYTE>>& coded) {
    auto* in = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    HIC hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_DECOMPRESS);
    ICDecompressBegin(hic, in, &raw);
    std::vector<BYTE> frame(raw.biSizeImage);
    const double cpuStart = CpuSeconds();
    int count = 0;
    double cpu = 0;
    do {
        const auto& data = coded[count % coded.size()];
        in->biSizeImage = static_cast<DWORD>(data.size());
        ICDecompress(hic, 0, in, const_cast<BYTE*>(data.data()), &raw, frame.data());
        ++count;
        cpu = CpuSeconds() - cpuStart;
    } while (cpu < kSecondsPerRun / 2);
    ICDecompressEnd(hic);
    ICClose(hic);
    return count / cpu;
}

void Measure(const BenchCase& c) {
    BITMAPINFOHEADER in = RawFormat(c.bits, c.width, c.height);
    const auto frames = Frames(in);
    HIC hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_COMPRESS);
    SetUpCompressor(hic, in, c.predictor, c.fitted ? frames[0].data() : nullptr);
    std::vector<BYTE> format(static_cast<size_t>(ICCompressGetFormatSize(hic, &in)));
    auto* out = reinterpret_cast<BITMAPINFOHEADER*>(format.data());
    ICCompressGetFormat(hic, &in, out);
    std::vector<BYTE> buffer(ICCompressGetSize(hic, &in, out));
    ICCompressBegin(hic, &in, out);
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    const double cpuStart = CpuSeconds();
    int count = 0;
    unsigned long long bytes = 0;
    std::vector<std::vector<BYTE>> coded;
    do {
        BITMAPINFOHEADER frameOut = *out;
        DWORD flags = 0;
        ICCompress(hic, 0, &frameOut, buffer.data(), &in,
                   const_cast<BYTE*>(frames[count % kDistinctFrames].data()), nullptr, &flags, 0, 0,
                   0, nullptr, nullptr);
        if (count < kDistinctFrames) {
            bytes += frameOut.biSizeImage;
            coded.emplace_back(buffer.data(), buffer.data() + frameOut.biSizeImage);
        }
        ++count;
        QueryPerformanceCounter(&now);
    } while (Seconds(start, now) < kSecondsPerRun || count < kDistinctFrames);
    const double seconds = Seconds(start, now);
    const double cpu = CpuSeconds() - cpuStart;
    ICCompressEnd(hic);
    ICClose(hic);
    const double perFrame = static_cast<double>(bytes) / kDistinctFrames;
    std::printf("%s_fps=%.1f\n%s_cpu_fps=%.1f\n%s_bytes_per_frame=%.0f\n%s_ratio=%.3f\n", c.name,
                count / seconds, c.name, count / cpu, c.name, perFrame, c.name,
                in.biSizeImage / perFrame);
    std::printf("%s_decode_cpu_fps=%.1f\n", c.name, DecodeRate(format, in, coded));
}

int WriteRaw(const std::string& dir) {
    for (const int bits : {16, 24}) {
        // Top row first, as ffmpeg's raw video reads them.
        const BITMAPINFOHEADER in =
            RawFormat(bits, bits == 16 ? 720 : 640, bits == 16 ? 576 : -480);
        const std::string path = dir + (bits == 16 ? "\\yuy2_720x576.raw" : "\\bgr24_640x480.raw");
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) {
            return 1;
        }
        for (const auto& frame : Frames(in)) {
            std::fwrite(frame.data(), 1, frame.size(), file);
        }
        std::fclose(file);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "rawframes" && argc == 3) {
        return WriteRaw(argv[2]);
    }
    if (mode != "encode") {
        std::printf("usage: hfyucodec_bench encode | rawframes DIR\n");
        return 2;
    }
    HfyuInstallForProcess();
    std::printf("frames_distinct=%d\n", kDistinctFrames);
    for (const BenchCase& c : kCases) {
        Measure(c);
    }
    return 0;
}
