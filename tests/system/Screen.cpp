#include "Screen.h"

#include <fstream>
#include <unordered_set>
#include <vector>

namespace {

// A screen device context for as long as the object lives.
class ScreenDC {
public:
    ScreenDC() : m_hDC(GetDC(nullptr)) {}
    ~ScreenDC() { ReleaseDC(nullptr, m_hDC); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;
    operator HDC() const { return m_hDC; }

private:
    HDC m_hDC;
};

POINT ClientOrigin(HWND hWnd) {
    POINT origin{0, 0};
    ClientToScreen(hWnd, &origin);
    return origin;
}

// The screen's pixels in a rectangle, as bottom-up 24-bit rows.
std::vector<BYTE> GrabScreen(const RECT& rect, BITMAPINFOHEADER& header) {
    header = {};
    header.biSize = sizeof header;
    header.biWidth = rect.right - rect.left;
    header.biHeight = rect.bottom - rect.top;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const LONG stride = (header.biWidth * 3 + 3) & ~3;
    header.biSizeImage = DWORD(stride * header.biHeight);
    std::vector<BYTE> pixels;
    if (header.biWidth <= 0 || header.biHeight <= 0)
        return pixels;
    ScreenDC screen;
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, header.biWidth, header.biHeight);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, header.biWidth, header.biHeight, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    pixels.resize(header.biSizeImage);
    BITMAPINFO info{};
    info.bmiHeader = header;
    if (GetDIBits(memory, bitmap, 0, UINT(header.biHeight), pixels.data(), &info, DIB_RGB_COLORS) ==
        0) {
        pixels.clear();
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

} // namespace

std::string ArtefactFolder() {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("SYSTEM_ARTEFACTS", folder, MAX_PATH) == 0)
        GetTempPathA(MAX_PATH, folder);
    std::string path = folder;
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path;
}

unsigned long long ScreenChecksum(HWND hWnd) {
    RECT rect{};
    GetClientRect(hWnd, &rect);
    const POINT origin = ClientOrigin(hWnd);
    ScreenDC screen;
    unsigned long long sum = 0;
    for (int y = 0; y < rect.bottom; y += 3) {
        for (int x = 0; x < rect.right; x += 3)
            sum = sum * 31 + GetPixel(screen, origin.x + x, origin.y + y);
    }
    return sum;
}

bool PictureChanges(HWND hWnd, int ms) {
    const unsigned long long first = ScreenChecksum(hWnd);
    for (int waited = 0; waited < ms; waited += 100) {
        Sleep(100);
        if (ScreenChecksum(hWnd) != first)
            return true;
    }
    return false;
}

COLORREF ScreenPixel(HWND hWnd, int x, int y) {
    const POINT origin = ClientOrigin(hWnd);
    ScreenDC screen;
    return GetPixel(screen, origin.x + x, origin.y + y);
}

int ScreenBrightness(HWND hWnd, int x, int y) {
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const COLORREF pixel = ScreenPixel(hWnd, x + dx, y + dy);
            sum += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel);
        }
    }
    return sum / 25;
}

int SaveScreenshot(HWND hWnd, const std::string& name) {
    RECT window{};
    GetWindowRect(hWnd, &window);
    // Only what lies on the screen: a copy reaching past its edge gives
    // nothing at all (a frame whose client area snapped to x = 0 can).
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT rect{};
    IntersectRect(&rect, &window, &screen);
    BITMAPINFOHEADER header{};
    const std::vector<BYTE> pixels = GrabScreen(rect, header);
    if (pixels.empty())
        return 0;
    const std::string folder = ArtefactFolder() + "screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::ofstream out(folder + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
    if (!out)
        return 0;
    std::unordered_set<DWORD> colours;
    const size_t stride = (size_t(header.biWidth) * 3 + 3) & ~size_t(3);
    for (LONG y = 0; y < header.biHeight; ++y) {
        const BYTE* row = pixels.data() + stride * size_t(y);
        for (LONG x = 0; x < header.biWidth; ++x)
            colours.insert(DWORD(row[3 * x]) | DWORD(row[3 * x + 1]) << 8 |
                           DWORD(row[3 * x + 2]) << 16);
    }
    return static_cast<int>(colours.size());
}
