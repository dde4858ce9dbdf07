// The settings-changed event: created while a driver is connected; when it is
// set, the device reads the device settings key and applies it.

#include "DeviceFixture.h"

#include <cstdlib>

namespace {

constexpr const char* kEventName = "?|!BRINDLECOVE!!???";

bool EventExists() {
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, kEventName);
    if (event == nullptr) {
        return false;
    }
    CloseHandle(event);
    return true;
}

// What the configuration library does after each change.
void SignalDriver() {
    HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, kEventName);
    ASSERT_NE(event, nullptr);
    SetEvent(event);
    CloseHandle(event);
}

class SettingsTest : public DeviceTest {
protected:
    void WriteLevels(DWORD brightness, DWORD contrast, DWORD hue, DWORD saturation) {
        m_key.WriteDword("Brightness", brightness);
        m_key.WriteDword("Contrast", contrast);
        m_key.WriteDword("Hue", hue);
        m_key.WriteDword("Saturation", saturation);
    }
    Rgb BarPixel(int bar) const {
        const BITMAPINFOHEADER format = VideoFormat();
        const std::vector<BYTE> frame = GrabFrame();
        return PixelAt(format, frame, (2 * bar + 1) * format.biWidth / 16, 10);
    }

    SettingsKeyGuard m_key;
};

TEST_F(SettingsTest, EventExistsWhileADriverIsConnected) {
    ASSERT_FALSE(EventExists()) << "no capture window holds it yet";
    ASSERT_TRUE(Connect(0));
    EXPECT_TRUE(EventExists());
    ASSERT_TRUE(Send(WM_CAP_DRIVER_DISCONNECT));
    EXPECT_FALSE(EventExists());
    ASSERT_TRUE(Connect(2));
    EXPECT_TRUE(EventExists());
    EXPECT_FALSE(Connect(7));
    EXPECT_FALSE(EventExists()) << "a failed connect ends the connection";
    ASSERT_TRUE(Connect(0));
    DestroyWindow(m_capture);
    EXPECT_FALSE(EventExists()) << "closed with the window";
}

struct PictureCase {
    const char* context;
    DWORD brightness, contrast, hue, saturation;
    int bar;
    Rgb expected;
    int tolerance;
};

const PictureCase kPictures[] = {
    {"neutral levels keep the bars", 128, 128, 128, 128, 5, {255, 0, 0}, 0},
    {"brightness raises black", 192, 128, 128, 128, 7, {74, 74, 74}, 4},
    {"brightness lowers white", 0, 128, 128, 128, 0, {106, 106, 106}, 4},
    {"no saturation makes red grey", 128, 128, 128, 0, 5, {76, 76, 76}, 4},
    {"no contrast flattens white to black", 128, 0, 128, 128, 0, {0, 0, 0}, 2},
    {"hue half a turn turns green magenta", 128, 128, 0, 128, 3, {255, 44, 255}, 6},
};

TEST_F(SettingsTest, PictureControlsApplyWhenTheEventIsSet) {
    ASSERT_TRUE(Connect(0));
    for (const PictureCase& c : kPictures) {
        SCOPED_TRACE(c.context);
        WriteLevels(c.brightness, c.contrast, c.hue, c.saturation);
        SignalDriver();
        const Rgb p = BarPixel(c.bar);
        EXPECT_LE(std::abs(p.r - c.expected.r), c.tolerance) << "red " << p.r;
        EXPECT_LE(std::abs(p.g - c.expected.g), c.tolerance) << "green " << p.g;
        EXPECT_LE(std::abs(p.b - c.expected.b), c.tolerance) << "blue " << p.b;
    }
}

TEST_F(SettingsTest, ValuesWrittenWithoutTheEventWaitForIt) {
    ASSERT_TRUE(Connect(0));
    WriteLevels(255, 128, 128, 128);
    EXPECT_EQ(BarPixel(7).r, 0) << "not signalled yet";
    SignalDriver();
    EXPECT_GT(BarPixel(7).r, 100);
}

struct FormatCodeCase {
    const char* context;
    int driver;
    DWORD imageSize, imageFormat;
    LONG width, height;
    WORD bits;
    DWORD compression;
};

// Each driver starts at 320x240 (RGB 24 or YUY2); codes it cannot deliver
// are left out and the current value kept.
const FormatCodeCase kFormatCodes[] = {
    {"160x120 RGB 15", 0, 25, 0, 160, 120, 16, BI_RGB},
    {"640x480 RGB 24", 0, 100, 1, 640, 480, 24, BI_RGB},
    {"the first-use size code 320 is refused", 0, 320, 0, 320, 240, 16, BI_RGB},
    {"RGB 32 is refused", 0, 25, 2, 160, 120, 24, BI_RGB},
    {"YUY2 refused by the overlay driver", 0, 100, 3, 640, 480, 24, BI_RGB},
    {"YUY2 delivered by the plain driver", 2, 25, 3, 160, 120, 16, kYuy2},
    {"unknown codes are refused", 2, 7, 9, 320, 240, 16, kYuy2},
    {"RGB 24 on the plain driver", 2, 50, 1, 320, 240, 24, BI_RGB},
};

TEST_F(SettingsTest, ImageSizeAndFormatCodesApplyWhenDeliverable) {
    for (const FormatCodeCase& c : kFormatCodes) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(Connect(c.driver));
        m_key.WriteDword("ImageSize", c.imageSize);
        m_key.WriteDword("ImageFormat", c.imageFormat);
        SignalDriver();
        const BITMAPINFOHEADER f = VideoFormat();
        EXPECT_EQ(f.biWidth, c.width);
        EXPECT_EQ(f.biHeight, c.height);
        EXPECT_EQ(f.biBitCount, c.bits);
        EXPECT_EQ(f.biCompression, c.compression);
        EXPECT_EQ(f.biSizeImage, static_cast<DWORD>(c.width * c.height * c.bits / 8));
        const CAPSTATUS status = Status();
        EXPECT_EQ(status.uiImageWidth, static_cast<UINT>(c.width));
        EXPECT_EQ(status.uiImageHeight, static_cast<UINT>(c.height));
    }
}

TEST_F(SettingsTest, OneSignalReachesEveryConnectedWindow) {
    HWND second = capCreateCaptureWindowA("", WS_CHILD, 0, 0, 160, 120, m_parent, 1);
    ASSERT_NE(second, nullptr);
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(SendMessageA(second, WM_CAP_DRIVER_CONNECT, 2, 0));
    m_key.WriteDword("ImageSize", 25);
    SignalDriver();
    EXPECT_EQ(VideoFormat().biWidth, 160);
    BITMAPINFO info{};
    ASSERT_TRUE(
        SendMessageA(second, WM_CAP_GET_VIDEOFORMAT, sizeof info, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(info.bmiHeader.biWidth, 160);
    DestroyWindow(second);
}

DWORD g_previewFrameBytes = 0;

LRESULT CALLBACK KeepFrameSize(HWND, LPVIDEOHDR header) {
    g_previewFrameBytes = header->dwBytesUsed;
    return TRUE;
}

TEST_F(SettingsTest, PreviewTicksTakeTheSignalUp) {
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(Send(WM_CAP_SET_PREVIEWRATE, 10));
    ASSERT_TRUE(Send(WM_CAP_SET_PREVIEW, TRUE));
    Send(WM_CAP_SET_CALLBACK_FRAME, 0, reinterpret_cast<LPARAM>(&KeepFrameSize));
    m_key.WriteDword("ImageSize", 100);
    m_key.WriteDword("ImageFormat", 1);
    SignalDriver();
    // No capture message is sent: the next preview tick must take the signal
    // up and deliver its frame at the new size.
    MSG msg;
    bool ticked = false;
    while (!ticked && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ticked = msg.message == WM_TIMER && msg.hwnd == m_capture;
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(g_previewFrameBytes, 640u * 480u * 3u);
}

} // namespace
