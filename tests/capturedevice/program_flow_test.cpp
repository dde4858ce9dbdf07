// The sequences of messages the capture program sends, and what the window
// then shows, read back through WM_PRINTCLIENT.

#include "DeviceFixture.h"

#include <cstdlib>
#include <cstring>

namespace {

// The window's client area drawn into a 32-bit top-down bitmap.
class WindowPicture {
public:
    explicit WindowPicture(HWND window) {
        RECT client;
        GetClientRect(window, &client);
        m_width = client.right;
        m_height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        m_bits = static_cast<const DWORD*>(bits);
        SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(m_dc), PRF_CLIENT);
        GdiFlush();
    }
    ~WindowPicture() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    WindowPicture(const WindowPicture&) = delete;
    WindowPicture& operator=(const WindowPicture&) = delete;

    Rgb At(int x, int y) const {
        const DWORD p = m_bits[static_cast<size_t>(y) * m_width + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>(p & 0xFF)};
    }

private:
    int m_width = 0;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    const DWORD* m_bits = nullptr;
};

void ExpectColour(Rgb actual, Rgb expected, int tolerance, const char* what) {
    EXPECT_LE(std::abs(actual.r - expected.r), tolerance) << what << ": red " << actual.r;
    EXPECT_LE(std::abs(actual.g - expected.g), tolerance) << what << ": green " << actual.g;
    EXPECT_LE(std::abs(actual.b - expected.b), tolerance) << what << ": blue " << actual.b;
}

constexpr Rgb kGrey{128, 128, 128};

TEST_F(DeviceTest, WindowShowsThePictureOneToOneOrScaled) {
    SetWindowPos(m_capture, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE);
    {
        WindowPicture unconnected(m_capture);
        ExpectColour(unconnected.At(20, 40), kGrey, 0, "no driver");
    }
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    {
        WindowPicture picture(m_capture);
        ExpectColour(picture.At(20, 40), kBarColours[0], 0, "white bar at 1:1");
        ExpectColour(picture.At(100, 80), kBarColours[2], 0, "cyan bar at 1:1");
        ExpectColour(picture.At(400, 100), kGrey, 0, "right of the picture");
        ExpectColour(picture.At(100, 300), kGrey, 0, "below the picture");
    }
    ASSERT_TRUE(Send(WM_CAP_SET_SCALE, TRUE));
    {
        WindowPicture scaled(m_capture);
        ExpectColour(scaled.At(100, 80), kBarColours[1], 0, "yellow bar stretched");
        ExpectColour(scaled.At(600, 100), kBarColours[7], 0, "black bar stretched");
        ExpectColour(scaled.At(600, 470), {32, 32, 32}, 0, "lower band stretched");
    }
    ASSERT_TRUE(Connect(2)); // YUY2, converted for display
    ASSERT_TRUE(Send(WM_CAP_SET_SCALE, FALSE));
    ASSERT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    WindowPicture yuv(m_capture);
    ExpectColour(yuv.At(20, 40), kBarColours[0], 3, "white bar from YUY2");
    ExpectColour(yuv.At(220, 40), kBarColours[5], 3, "red bar from YUY2");
}

// The view's creation: driver search, records, preview rate, overlay or
// preview, callbacks.
TEST_F(DeviceTest, ProgramStartUpSequence) {
    int driver = -1;
    for (int i = 0; i < 10 && driver < 0; ++i) {
        if (Connect(i)) {
            driver = i;
        }
    }
    ASSERT_EQ(driver, 0);
    CAPDRIVERCAPS caps{};
    ASSERT_TRUE(Send(WM_CAP_DRIVER_GET_CAPS, sizeof caps, &caps));
    CAPTUREPARMS parms{};
    ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
    CAPSTATUS status = Status();
    EXPECT_EQ(status.uiImageWidth, 320u);
    EXPECT_EQ(status.uiImageHeight, 240u);
    EXPECT_TRUE(Send(WM_CAP_SET_PREVIEWRATE, 66));
    ASSERT_TRUE(caps.fHasOverlay);
    EXPECT_TRUE(Send(WM_CAP_SET_OVERLAY, TRUE));
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_STATUSA, 0, reinterpret_cast<LPARAM>(&RecordStatus)));
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError)));
    PumpWaitingMessages();
    status = Status();
    EXPECT_TRUE(status.fOverlayWindow);
    EXPECT_FALSE(status.fLiveWindow);
    EXPECT_TRUE(ErrorCalls().empty());
}

// The Video Format dialog's OK, then Single Frame, as the program sends them.
TEST_F(DeviceTest, VideoFormatOkThenSingleFrame) {
    struct {
        const char* context;
        int driver;
        bool overlay; // display mode before OK
        LONG width, height;
        WORD bits;
    } const cases[] = {
        {"overlay driver to 640x480 RGB 24, overlay kept", 0, true, 640, 480, 24},
        {"plain driver from YUY2 to 160x120 RGB 15, preview kept", 2, false, 160, 120, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.context);
        ASSERT_TRUE(Connect(c.driver));
        ASSERT_TRUE(Send(c.overlay ? WM_CAP_SET_OVERLAY : WM_CAP_SET_PREVIEW, TRUE));
        BITMAPINFO info{};
        ASSERT_TRUE(Send(WM_CAP_GET_VIDEOFORMAT, sizeof info, &info));
        info.bmiHeader.biWidth = c.width;
        info.bmiHeader.biHeight = c.height;
        info.bmiHeader.biBitCount = c.bits;
        info.bmiHeader.biCompression = BI_RGB;
        info.bmiHeader.biSizeImage = static_cast<DWORD>(c.bits * c.height * c.width / 8);
        const CAPSTATUS remembered = Status();
        EXPECT_TRUE(Send(WM_CAP_SET_OVERLAY, FALSE));
        EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, FALSE));
        EXPECT_TRUE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof info, &info));
        EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, TRUE));
        EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, FALSE));
        EXPECT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
        if (remembered.fOverlayWindow) {
            EXPECT_TRUE(Send(WM_CAP_SET_OVERLAY, TRUE));
        }
        if (remembered.fLiveWindow) {
            EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, TRUE));
        }
        CAPSTATUS status = Status();
        EXPECT_EQ(status.uiImageWidth, static_cast<UINT>(c.width));
        EXPECT_EQ(status.uiImageHeight, static_cast<UINT>(c.height));
        EXPECT_EQ(status.fOverlayWindow, c.overlay);
        EXPECT_EQ(status.fLiveWindow, !c.overlay);

        // Single Frame: both modes off, the format set again unchanged, a grab.
        EXPECT_TRUE(Send(WM_CAP_SET_OVERLAY, FALSE));
        EXPECT_TRUE(Send(WM_CAP_SET_PREVIEW, FALSE));
        BITMAPINFO again{};
        ASSERT_TRUE(Send(WM_CAP_GET_VIDEOFORMAT, sizeof again, &again));
        EXPECT_TRUE(Send(WM_CAP_SET_VIDEOFORMAT, sizeof again, &again));
        EXPECT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
        status = Status();
        EXPECT_FALSE(status.fOverlayWindow || status.fLiveWindow);
        EXPECT_EQ(status.uiImageWidth, static_cast<UINT>(c.width));
        SetWindowPos(m_capture, nullptr, 0, 0, c.width, c.height, SWP_NOZORDER | SWP_NOMOVE);
        WindowPicture still(m_capture);
        ExpectColour(still.At(c.width / 16, 4), kBarColours[0], 0, "the still frame");
    }
}

} // namespace
