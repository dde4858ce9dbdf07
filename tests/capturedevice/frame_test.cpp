// Frames of the test pattern: pixel values in each format and size, the
// moving parts, and the clipboard.

#include "DeviceFixture.h"

#include <cstdlib>
#include <cstring>

namespace {

struct PatternCase {
    const char* context;
    int driver;
    LONG width, height;
    WORD bits;
    DWORD compression;
    int tolerance; // per channel: 5-bit colour and YUV round trips are inexact
};

const PatternCase kPatterns[] = {
    {"RGB 24 at 320x240", 0, 320, 240, 24, BI_RGB, 0},
    {"RGB 24 at 640x480", 0, 640, 480, 24, BI_RGB, 0},
    {"RGB 15 at 160x120", 0, 160, 120, 16, BI_RGB, 0},
    {"RGB 15 at 640x480", 2, 640, 480, 16, BI_RGB, 0},
    {"YUY2 at 320x240", 2, 320, 240, 16, kYuy2, 3},
    {"YUY2 at 160x120", 2, 160, 120, 16, kYuy2, 3},
};

void ExpectNear(Rgb actual, Rgb expected, int tolerance) {
    EXPECT_LE(std::abs(actual.r - expected.r), tolerance) << "red " << actual.r;
    EXPECT_LE(std::abs(actual.g - expected.g), tolerance) << "green " << actual.g;
    EXPECT_LE(std::abs(actual.b - expected.b), tolerance) << "blue " << actual.b;
}

TEST_F(DeviceTest, GrabbedFramesShowTheColourBars) {
    for (const PatternCase& c : kPatterns) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(Connect(c.driver));
        ASSERT_TRUE(SetVideoFormat(c.width, c.height, c.bits, c.compression));
        const BITMAPINFOHEADER format = VideoFormat();
        const std::vector<BYTE> frame = GrabFrame();
        ASSERT_EQ(frame.size(), format.biSizeImage);
        for (int bar = 0; bar < 8; ++bar) {
            SCOPED_TRACE(testing::Message() << "bar " << bar);
            const int x = (2 * bar + 1) * c.width / 16;
            for (int y :
                 {1, static_cast<int>(c.height / 3), static_cast<int>(c.height * 2 / 3 - 2)}) {
                ExpectNear(PixelAt(format, frame, x, y), kBarColours[bar], c.tolerance);
            }
        }
        // The lower band is the dark grey background at its right edge.
        ExpectNear(PixelAt(format, frame, c.width - 1, c.height - 1), {32, 32, 32},
                   c.bits == 16 && c.compression == BI_RGB ? 1 : c.tolerance);
    }
}

TEST_F(DeviceTest, SuccessiveFramesDifferInTheLowerBandOnly) {
    ASSERT_TRUE(Connect(0));
    const BITMAPINFOHEADER format = VideoFormat();
    const std::vector<BYTE> first = GrabFrame();
    const std::vector<BYTE> second = GrabFrame();
    ASSERT_EQ(first.size(), second.size());
    ASSERT_FALSE(first.empty());
    const size_t stride = static_cast<size_t>(format.biWidth) * 3;
    const size_t lowerRows = static_cast<size_t>(format.biHeight) - format.biHeight * 2 / 3;
    // Bottom-up rows: the lower band comes first in memory.
    EXPECT_NE(std::memcmp(first.data(), second.data(), lowerRows * stride), 0)
        << "the marker and the counter move";
    EXPECT_EQ(std::memcmp(first.data() + lowerRows * stride, second.data() + lowerRows * stride,
                          first.size() - lowerRows * stride),
              0)
        << "the bars stay";
}

TEST_F(DeviceTest, GrabFrameStopsLiveVideoAndNoStopKeepsIt) {
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(Send(WM_CAP_SET_PREVIEW, TRUE));
    ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    EXPECT_TRUE(Status().fLiveWindow);
    ASSERT_TRUE(Send(WM_CAP_SET_OVERLAY, TRUE));
    ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    EXPECT_TRUE(Status().fOverlayWindow);
    ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME));
    const CAPSTATUS status = Status();
    EXPECT_FALSE(status.fOverlayWindow);
    EXPECT_FALSE(status.fLiveWindow);
}

struct ClipboardCase {
    const char* context;
    int driver;
    WORD bits;
    DWORD compression;
    WORD clipBits; // YUY2 goes to the clipboard as 24-bit RGB
    int tolerance;
};

TEST_F(DeviceTest, EditCopyPutsTheFrameOnTheClipboardAsDib) {
    const ClipboardCase cases[] = {
        {"RGB 24", 0, 24, BI_RGB, 24, 0},
        {"RGB 15", 0, 16, BI_RGB, 16, 0},
        {"YUY2", 2, 16, kYuy2, 24, 3},
    };
    for (const ClipboardCase& c : cases) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(Connect(c.driver));
        ASSERT_TRUE(SetVideoFormat(160, 120, c.bits, c.compression));
        ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
        ASSERT_TRUE(Send(WM_CAP_EDIT_COPY));
        ASSERT_TRUE(OpenClipboard(m_parent));
        HANDLE data = GetClipboardData(CF_DIB);
        ASSERT_NE(data, nullptr);
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
        ASSERT_NE(header, nullptr);
        EXPECT_EQ(header->biWidth, 160);
        EXPECT_EQ(header->biHeight, 120);
        EXPECT_EQ(header->biBitCount, c.clipBits);
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
        const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize;
        const std::vector<BYTE> copy(bits, bits + header->biSizeImage);
        const BITMAPINFOHEADER clipFormat = *header;
        GlobalUnlock(data);
        CloseClipboard();
        EXPECT_EQ(copy.size(), 160u * 120u * c.clipBits / 8);
        for (int bar = 0; bar < 8; ++bar) {
            SCOPED_TRACE(testing::Message() << "bar " << bar);
            ExpectNear(PixelAt(clipFormat, copy, (2 * bar + 1) * 10, 20), kBarColours[bar],
                       c.tolerance);
        }
    }
}

} // namespace
