#include "DeviceFixture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::vector<BYTE> g_lastFrame;

LRESULT CALLBACK KeepFrame(HWND, LPVIDEOHDR header) {
    g_lastFrame.assign(header->lpData, header->lpData + header->dwBytesUsed);
    return TRUE;
}

} // namespace

std::vector<CallbackRecord>& ErrorCalls() {
    static std::vector<CallbackRecord> calls;
    return calls;
}

std::vector<CallbackRecord>& StatusCalls() {
    static std::vector<CallbackRecord> calls;
    return calls;
}

LRESULT CALLBACK RecordError(HWND, int id, LPCSTR text) {
    ErrorCalls().push_back({id, text ? std::optional<std::string>(text) : std::nullopt});
    return 0;
}

LRESULT CALLBACK RecordStatus(HWND, int id, LPCSTR text) {
    StatusCalls().push_back({id, text ? std::optional<std::string>(text) : std::nullopt});
    return 0;
}

std::string TestFolder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

DeviceTest::DeviceTest(const char* drivers) : m_drivers(drivers) {}

void DeviceTest::SetUp() {
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", m_drivers);
    ErrorCalls().clear();
    StatusCalls().clear();
    m_parent = CreateWindowExA(0, "STATIC", "device test", WS_OVERLAPPEDWINDOW, 0, 0, 700, 560,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(m_parent, nullptr);
    m_capture = capCreateCaptureWindowA("", WS_CHILD | WS_VISIBLE, 0, 0, 160, 120, m_parent, 0);
    ASSERT_NE(m_capture, nullptr);
}

void DeviceTest::TearDown() {
    if (m_parent != nullptr) {
        DestroyWindow(m_parent); // destroys the capture window with it
    }
    SetEnvironmentVariableA("SOFTCAP_DRIVERS", nullptr);
}

CAPSTATUS DeviceTest::Status() const {
    CAPSTATUS status{};
    EXPECT_TRUE(Send(WM_CAP_GET_STATUS, sizeof status, &status));
    return status;
}

BITMAPINFOHEADER DeviceTest::VideoFormat() const {
    BITMAPINFO info{};
    EXPECT_TRUE(Send(WM_CAP_GET_VIDEOFORMAT, sizeof info, &info));
    return info.bmiHeader;
}

bool DeviceTest::SetVideoFormat(LONG width, LONG height, WORD bits, DWORD compression) const {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biCompression = compression;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width * height * bits / 8);
    return Send(WM_CAP_SET_VIDEOFORMAT, sizeof info, &info) != 0;
}

std::vector<BYTE> DeviceTest::GrabFrame() const {
    g_lastFrame.clear();
    Send(WM_CAP_SET_CALLBACK_FRAME, 0, reinterpret_cast<LPARAM>(&KeepFrame));
    EXPECT_TRUE(Send(WM_CAP_GRAB_FRAME_NOSTOP));
    Send(WM_CAP_SET_CALLBACK_FRAME, 0, 0);
    return g_lastFrame;
}

Rgb PixelAt(const BITMAPINFOHEADER& format, const std::vector<BYTE>& bits, int x, int y) {
    const int w = format.biWidth, h = format.biHeight;
    if (format.biCompression == kYuy2) {
        const BYTE* p = bits.data() + static_cast<size_t>(y) * w * 2 + (x / 2) * 4;
        const double luma = (x % 2 == 0 ? p[0] : p[2]) - 16.0;
        const double u = p[1] - 128.0, v = p[3] - 128.0;
        auto clamp = [](double c) {
            return static_cast<int>(std::clamp(std::lround(c), 0L, 255L));
        };
        return {clamp(1.164 * luma + 1.596 * v), clamp(1.164 * luma - 0.392 * u - 0.813 * v),
                clamp(1.164 * luma + 2.017 * u)};
    }
    const int stride = ((w * format.biBitCount + 31) / 32) * 4;
    const BYTE* row = bits.data() + static_cast<size_t>(h - 1 - y) * stride;
    if (format.biBitCount == 24) {
        return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    }
    const WORD pixel = static_cast<WORD>(row[2 * x] | (row[2 * x + 1] << 8));
    auto expand = [](int five) {
        return (five << 3) | (five >> 2);
    };
    return {expand((pixel >> 10) & 31), expand((pixel >> 5) & 31), expand(pixel & 31)};
}
