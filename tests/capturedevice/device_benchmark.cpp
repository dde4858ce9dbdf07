// Prints how long the device takes to render a frame of the test pattern and
// to turn it into a displayable bitmap, for each format at 640x480: the cost
// that bounds the preview and capture frame rates.

#include <windows.h>

#include <cstdio>
#include <vector>

#include "DibImage.h"
#include "FrameGenerator.h"

namespace {

double MillisecondsSince(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int main() {
    struct {
        const char* name;
        WORD bits;
        DWORD compression;
    } const formats[] = {{"RGB 24", 24, BI_RGB},
                         {"RGB 15", 16, BI_RGB},
                         {"YUY2", 16, MAKEFOURCC('Y', 'U', 'Y', '2')}};
    constexpr int kFrames = 60;
    std::printf("%-8s %-10s %12s %14s\n", "format", "controls", "render ms", "to bitmap ms");
    for (const auto& f : formats) {
        for (bool adjusted : {false, true}) {
            FrameGenerator generator;
            BITMAPINFOHEADER header = generator.Format();
            header.biWidth = 640;
            header.biHeight = 480;
            header.biBitCount = f.bits;
            header.biCompression = f.compression;
            generator.SetFormat(header);
            if (adjusted) {
                generator.SetAdjustments({20, 120, 80, 30});
            }
            std::vector<BYTE> frame(generator.FrameBytes());
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            for (int i = 0; i < kFrames; ++i) {
                generator.Render(static_cast<DWORD>(i), static_cast<DWORD>(i * 66), frame);
            }
            const double renderMs = MillisecondsSince(start) / kFrames;
            QueryPerformanceCounter(&start);
            size_t sink = 0;
            for (int i = 0; i < kFrames; ++i) {
                sink += DibImage(generator.Format(), frame).Bits().size();
            }
            const double bitmapMs = MillisecondsSince(start) / kFrames;
            std::printf("%-8s %-10s %12.2f %14.2f%s\n", f.name, adjusted ? "adjusted" : "neutral",
                        renderMs, bitmapMs, sink == 0 ? " (no bitmap)" : "");
        }
    }
    return 0;
}
