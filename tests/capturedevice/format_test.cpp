// Video and audio formats: what each driver accepts and what it refuses.

#include "DeviceFixture.h"

#include <cstring>

namespace {

struct FormatCase {
    const char* context;
    int driver;
    LONG width, height;
    WORD bits;
    DWORD compression;
    bool accepted;
};

const FormatCase kFormats[] = {
    {"overlay 160x120 RGB 15", 0, 160, 120, 16, BI_RGB, true},
    {"overlay 320x240 RGB 15", 0, 320, 240, 16, BI_RGB, true},
    {"overlay 640x480 RGB 24", 0, 640, 480, 24, BI_RGB, true},
    {"overlay 160x120 RGB 24", 0, 160, 120, 24, BI_RGB, true},
    {"overlay YUY2 is not delivered", 0, 320, 240, 16, kYuy2, false},
    {"overlay RGB 32 is not delivered", 0, 320, 240, 32, BI_RGB, false},
    {"overlay 8-bit is not delivered", 0, 320, 240, 8, BI_RGB, false},
    {"overlay 352x288 is not delivered", 0, 352, 288, 24, BI_RGB, false},
    {"overlay top-down 320x240", 0, 320, -240, 24, BI_RGB, false},
    {"plain 640x480 YUY2", 2, 640, 480, 16, kYuy2, true},
    {"plain 160x120 YUY2", 2, 160, 120, 16, kYuy2, true},
    {"plain 320x240 RGB 24", 2, 320, 240, 24, BI_RGB, true},
    {"plain 640x480 RGB 15", 2, 640, 480, 16, BI_RGB, true},
    {"plain YUY2 at 24 bits", 2, 320, 240, 24, kYuy2, false},
    {"plain UYVY", 2, 320, 240, 16, MAKEFOURCC('U', 'Y', 'V', 'Y'), false},
    {"plain 0x0", 2, 0, 0, 24, BI_RGB, false},
};

TEST_F(DeviceTest, SetVideoFormatAcceptsExactlyWhatTheDriverDelivers) {
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(Connect(c.driver)); // back to the driver's default format
        const BITMAPINFOHEADER before = VideoFormat();
        EXPECT_EQ(SetVideoFormat(c.width, c.height, c.bits, c.compression), c.accepted);
        const BITMAPINFOHEADER after = VideoFormat();
        if (c.accepted) {
            EXPECT_EQ(after.biWidth, c.width);
            EXPECT_EQ(after.biHeight, c.height);
            EXPECT_EQ(after.biBitCount, c.bits);
            EXPECT_EQ(after.biCompression, c.compression);
            EXPECT_EQ(after.biSizeImage, static_cast<DWORD>(c.width * c.height * c.bits / 8));
            const CAPSTATUS status = Status();
            EXPECT_EQ(status.uiImageWidth, static_cast<UINT>(c.width));
            EXPECT_EQ(status.uiImageHeight, static_cast<UINT>(c.height));
        } else {
            EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "the format is kept";
        }
    }
}

TEST_F(DeviceTest, DriverDefaultFormats) {
    struct {
        int driver;
        WORD bits;
        DWORD compression;
    } const defaults[] = {{0, 24, BI_RGB}, {2, 16, kYuy2}};
    for (const auto& d : defaults) {
        SCOPED_TRACE(testing::Message() << "driver " << d.driver);
        ASSERT_TRUE(Connect(d.driver));
        const BITMAPINFOHEADER f = VideoFormat();
        EXPECT_EQ(f.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(f.biWidth, 320);
        EXPECT_EQ(f.biHeight, 240);
        EXPECT_EQ(f.biPlanes, 1);
        EXPECT_EQ(f.biBitCount, d.bits);
        EXPECT_EQ(f.biCompression, d.compression);
        EXPECT_EQ(f.biSizeImage, 320u * 240u * d.bits / 8);
    }
}

TEST_F(DeviceTest, MalformedVideoFormatRequestsFailWithoutWriting) {
    ASSERT_TRUE(Connect(0));
    EXPECT_EQ(Send(WM_CAP_GET_VIDEOFORMAT, 0, 0), static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)))
        << "size query";
    BYTE buffer[64];
    std::memset(buffer, 0xCD, sizeof buffer);
    EXPECT_FALSE(Send(WM_CAP_GET_VIDEOFORMAT, 39, buffer)) << "too small for a header";
    EXPECT_EQ(buffer[0], 0xCD);
    EXPECT_TRUE(Send(WM_CAP_GET_VIDEOFORMAT, 44, buffer));
    EXPECT_EQ(buffer[40], 0) << "the colour entry is cleared";
    EXPECT_EQ(buffer[44], 0xCD) << "nothing past the given size";

    BITMAPINFO info{};
    ASSERT_TRUE(Send(WM_CAP_GET_VIDEOFORMAT, sizeof info, &info));
    info.bmiHeader.biWidth = 640;
    info.bmiHeader.biHeight = 480;
    info.bmiHeader.biSizeImage = 640 * 480 * 3;
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, 39, &info)) << "size below a header";
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof info, 0)) << "null buffer";
    BITMAPINFO wrongImageSize = info;
    wrongImageSize.bmiHeader.biSizeImage = 12345;
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof wrongImageSize, &wrongImageSize));
    BITMAPINFO wrongHeader = info;
    wrongHeader.bmiHeader.biSize = 124; // claims more than was passed
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof wrongHeader, &wrongHeader));
    BITMAPINFO twoPlanes = info;
    twoPlanes.bmiHeader.biPlanes = 2;
    EXPECT_FALSE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof twoPlanes, &twoPlanes));
    EXPECT_EQ(VideoFormat().biWidth, 320);
    BITMAPINFO zeroImageSize = info;
    zeroImageSize.bmiHeader.biSizeImage = 0; // allowed for RGB
    EXPECT_TRUE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof zeroImageSize, &zeroImageSize));
    EXPECT_EQ(VideoFormat().biSizeImage, 640u * 480u * 3u);
}

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

struct AudioCase {
    const char* context;
    WAVEFORMATEX format;
    WPARAM size;
    bool accepted;
};

TEST_F(DeviceTest, AudioFormatsAcceptedAndRefused) {
    WAVEFORMATEX badAlign = Pcm(2, 22050, 16);
    badAlign.nBlockAlign = 3;
    WAVEFORMATEX badRate = Pcm(1, 8000, 8);
    badRate.nAvgBytesPerSec = 1;
    WAVEFORMATEX twelveBits = Pcm(1, 8000, 12);
    WAVEFORMATEX noChannels = Pcm(1, 8000, 8);
    noChannels.nChannels = 0;
    WAVEFORMATEX extra = Pcm(1, 8000, 8);
    extra.wFormatTag = 2; // a compressed format claiming 32 extra bytes
    extra.cbSize = 32;
    const AudioCase cases[] = {
        {"44.1 kHz 16-bit stereo", Pcm(2, 44100, 16), sizeof(WAVEFORMATEX), true},
        {"PCMWAVEFORMAT size", Pcm(1, 22050, 8), 16, true},
        {"block align does not match", badAlign, sizeof(WAVEFORMATEX), false},
        {"byte rate does not match", badRate, sizeof(WAVEFORMATEX), false},
        {"12-bit PCM", twelveBits, sizeof(WAVEFORMATEX), false},
        {"no channels", noChannels, sizeof(WAVEFORMATEX), false},
        {"too short", Pcm(1, 8000, 8), 10, false},
        {"extra bytes not passed", extra, sizeof(WAVEFORMATEX), false},
    };
    for (const AudioCase& c : cases) {
        SCOPED_TRACE(c.context);
        std::vector<BYTE> before(Send(WM_CAP_GET_AUDIOFORMAT, 0, 0));
        ASSERT_FALSE(before.empty());
        Send(WM_CAP_GET_AUDIOFORMAT, before.size(), before.data());
        EXPECT_EQ(Send(WM_CAP_SET_AUDIOFORMAT, c.size, &c.format) != 0, c.accepted);
        WAVEFORMATEX after{};
        ASSERT_EQ(Send(WM_CAP_GET_AUDIOFORMAT, 0, 0), static_cast<LRESULT>(sizeof after));
        ASSERT_TRUE(Send(WM_CAP_GET_AUDIOFORMAT, sizeof after, &after));
        if (c.accepted) {
            EXPECT_EQ(after.nSamplesPerSec, c.format.nSamplesPerSec);
            EXPECT_EQ(after.nChannels, c.format.nChannels);
            EXPECT_EQ(after.wBitsPerSample, c.format.wBitsPerSample);
            EXPECT_EQ(after.cbSize, 0);
        } else {
            EXPECT_EQ(std::memcmp(&after, before.data(), sizeof after), 0);
        }
    }
    EXPECT_FALSE(Send(WM_CAP_SET_AUDIOFORMAT, sizeof(WAVEFORMATEX), 0)) << "null buffer";
    BYTE small[8];
    std::memset(small, 0xCD, sizeof small);
    EXPECT_FALSE(Send(WM_CAP_GET_AUDIOFORMAT, sizeof small, small)) << "buffer too small";
    EXPECT_EQ(small[0], 0xCD);
}

} // namespace
