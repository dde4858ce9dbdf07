#pragma once
// Shared pieces of the device's tests: a capture window inside a parent
// window, the callbacks' recorder and the device's driver setting.

#include <windows.h>
#include <vfw.h>

#include <gtest/gtest.h>

#include "support/DialogScript.h"
#include "support/SettingsKeyGuard.h"

#include <optional>
#include <string>
#include <vector>

struct CallbackRecord {
    int id;
    std::optional<std::string> text; // nullopt for a null text
};

// Everything the status and error callbacks of the test windows received.
std::vector<CallbackRecord>& ErrorCalls();
std::vector<CallbackRecord>& StatusCalls();
LRESULT CALLBACK RecordError(HWND, int id, LPCSTR text);
LRESULT CALLBACK RecordStatus(HWND, int id, LPCSTR text);

// The folder of the test program (and of its copy of the device), with a
// trailing backslash.
std::string TestFolder();

class DeviceTest : public testing::Test {
protected:
    // `drivers` is the device's driver setting for this test.
    explicit DeviceTest(const char* drivers = "0:overlay,2:plain");
    void SetUp() override;
    void TearDown() override;

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageA(m_capture, message, wParam, lParam);
    }
    template <typename T> LRESULT Send(UINT message, WPARAM wParam, T* pointer) const {
        return SendMessageA(m_capture, message, wParam, reinterpret_cast<LPARAM>(pointer));
    }
    bool Connect(int index) const { return Send(WM_CAP_DRIVER_CONNECT, index) != 0; }
    CAPSTATUS Status() const;
    BITMAPINFOHEADER VideoFormat() const;
    bool SetVideoFormat(LONG width, LONG height, WORD bits, DWORD compression) const;
    // Grabs one frame and returns it as the frame callback received it.
    std::vector<BYTE> GrabFrame() const;

    const char* m_drivers;
    HWND m_parent = nullptr;
    HWND m_capture = nullptr;
};

constexpr DWORD kYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

// The pattern's colour bars, left to right, as R, G, B.
struct Rgb {
    int r, g, b;
};
constexpr Rgb kBarColours[8] = {{255, 255, 255}, {255, 255, 0}, {0, 255, 255}, {0, 255, 0},
                                {255, 0, 255},   {255, 0, 0},   {0, 0, 255},   {0, 0, 0}};

// The pixel at x, y (top-down) of a frame in `format`, as R, G, B; YUY2 is
// converted with the BT.601 studio-range formula.
Rgb PixelAt(const BITMAPINFOHEADER& format, const std::vector<BYTE>& bits, int x, int y);
