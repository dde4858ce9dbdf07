#include "FrameGenerator.h"

#include "PaletteFormat.h"
#include "contract/DibFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kFourccYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

// Colour bars at full amplitude, left to right.
constexpr std::array<RGBTRIPLE, 8> kBars = {{
    {255, 255, 255}, // white (RGBTRIPLE is blue, green, red)
    {0, 255, 255},   // yellow
    {255, 255, 0},   // cyan
    {0, 255, 0},     // green
    {255, 0, 255},   // magenta
    {0, 0, 255},     // red
    {255, 0, 0},     // blue
    {0, 0, 0},       // black
}};

constexpr BYTE kBackground = 32; // grey of the lower band

// 5x7 glyphs for the digits, ':' and '.', one row a byte, bit 4 leftmost.
constexpr std::array<std::array<BYTE, 7>, 12> kGlyphs = {{
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}, // 1
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, // 2
    {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}, // 3
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, // 4
    {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}, // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, // 6
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}, // 7
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, // 8
    {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}, // 9
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}, // :
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}, // .
}};

// A top-down RGB picture the pattern is drawn into before conversion. Most
// of the pattern's rows repeat the one above (the bars, the plain background):
// a fill across the whole width draws its first row only, and the rows below
// share that row's pixels until something is drawn into one of them, so that
// the conversion converts each distinct row once and copies the rest. Pixels
// live in storage kept from frame to frame: a full frame allocated anew for
// each one costs more than drawing it.
class Canvas {
public:
    Canvas(int width, int height, FrameGenerator::CanvasStorage& storage)
        : m_width(width), m_height(height), m_pixels(storage.pixels), m_source(storage.rowSource),
          m_shared(storage.rowShared), m_filled(storage.rowFilled) {
        const size_t rows = static_cast<size_t>(height);
        m_pixels.resize(static_cast<size_t>(width) * rows);
        m_source.resize(rows);
        m_shared.assign(rows, 0);
        m_filled.assign(rows, 0);
        for (int y = 0; y < height; ++y) {
            m_source[static_cast<size_t>(y)] = y;
        }
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The row whose pixels row `y` shows: equal for two rows only when their
    // pixels are equal.
    int Source(int y) const { return m_source[static_cast<size_t>(y)]; }
    const RGBTRIPLE* Row(int y) const { return Pixels(Source(y)); }
    // The row whose whole-width fill row `y` shows, or -1 once anything was
    // drawn into that fill. The pattern fills the same rows alike in every
    // frame, so a row shows the same fill in two frames only when its pixels
    // are the same in both.
    int FillOf(int y) const {
        const int source = Source(y);
        return m_filled[static_cast<size_t>(source)] ? source : -1;
    }

    void Fill(int left, int top, int right, int bottom, RGBTRIPLE colour) {
        left = std::clamp(left, 0, m_width);
        right = std::clamp(right, 0, m_width);
        top = std::clamp(top, 0, m_height);
        bottom = std::clamp(bottom, 0, m_height);
        if (left >= right || top >= bottom) {
            return;
        }
        if (left == 0 && right == m_width) {
            std::fill_n(WholeRow(top, bottom), m_width, colour);
            Share(top, top + 1, bottom);
            return;
        }
        for (int y = top; y < bottom; ++y) {
            RGBTRIPLE* row = WritableRow(y);
            std::fill(row + left, row + right, colour);
        }
    }
    // Row `top`, about to be drawn across the whole width, with rows `top`
    // to `bottom` (exclusive) given over to it.
    RGBTRIPLE* WholeRow(int top, int bottom) {
        for (int y = top; y < bottom; ++y) {
            Release(y);
        }
        m_source[static_cast<size_t>(top)] = top;
        m_filled[static_cast<size_t>(top)] = 1;
        return Pixels(top);
    }
    // Rows `from` to `to` (exclusive) show row `source` from now on.
    void Share(int source, int from, int to) {
        for (int y = from; y < to; ++y) {
            m_source[static_cast<size_t>(y)] = source;
        }
        m_shared[static_cast<size_t>(source)] = from < to;
    }
    // Draws `text` (digits, ':' and '.') with its top left at x, y; each
    // glyph dot is `scale` pixels square.
    void Text(int x, int y, const char* text, int scale, RGBTRIPLE colour) {
        for (; *text != '\0'; ++text, x += 6 * scale) {
            int glyph = -1;
            if (*text >= '0' && *text <= '9') {
                glyph = *text - '0';
            } else if (*text == ':') {
                glyph = 10;
            } else if (*text == '.') {
                glyph = 11;
            }
            if (glyph < 0) {
                continue;
            }
            for (int row = 0; row < 7; ++row) {
                for (int col = 0; col < 5; ++col) {
                    if (kGlyphs[glyph][row] & (0x10 >> col)) {
                        Fill(x + col * scale, y + row * scale, x + (col + 1) * scale,
                             y + (row + 1) * scale, colour);
                    }
                }
            }
        }
    }

private:
    RGBTRIPLE* Pixels(int y) { return m_pixels.data() + static_cast<size_t>(y) * m_width; }
    const RGBTRIPLE* Pixels(int y) const {
        return m_pixels.data() + static_cast<size_t>(y) * m_width;
    }
    // Row `y` with pixels of its own, ready to be drawn into.
    RGBTRIPLE* WritableRow(int y) {
        m_filled[static_cast<size_t>(y)] = 0;
        const int source = Source(y);
        if (source != y) {
            std::copy_n(Pixels(source), m_width, Pixels(y));
            m_source[static_cast<size_t>(y)] = y;
        } else {
            Release(y);
        }
        return Pixels(y);
    }
    // Rows showing row `y` get pixels of their own (the first of them holds
    // them for the others) before `y` changes.
    void Release(int y) {
        if (!m_shared[static_cast<size_t>(y)]) {
            return;
        }
        m_shared[static_cast<size_t>(y)] = 0;
        int heir = -1;
        for (int row = 0; row < m_height; ++row) {
            if (row == y || Source(row) != y) {
                continue;
            }
            if (heir < 0) {
                heir = row;
                std::copy_n(Pixels(y), m_width, Pixels(heir));
                m_filled[static_cast<size_t>(heir)] = 0;
            } else {
                m_shared[static_cast<size_t>(heir)] = 1;
            }
            m_source[static_cast<size_t>(row)] = heir;
        }
    }

    int m_width;
    int m_height;
    std::vector<RGBTRIPLE>& m_pixels;
    std::vector<int>& m_source;
    std::vector<BYTE>& m_shared;
    std::vector<BYTE>& m_filled;
};

struct Yuv {
    int y, u, v;
};

// BT.601 studio range, integer arithmetic.
Yuv ToYuv(RGBTRIPLE c) {
    const int r = c.rgbtRed, g = c.rgbtGreen, b = c.rgbtBlue;
    return {((66 * r + 129 * g + 25 * b + 128) >> 8) + 16,
            ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128,
            ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128};
}

BYTE Clamp255(int v) {
    return static_cast<BYTE>(std::clamp(v, 0, 255));
}

RGBTRIPLE ToRgb(Yuv p) {
    const int c = p.y - 16, d = p.u - 128, e = p.v - 128;
    RGBTRIPLE out;
    out.rgbtRed = Clamp255((298 * c + 409 * e + 128) >> 8);
    out.rgbtGreen = Clamp255((298 * c - 100 * d - 208 * e + 128) >> 8);
    out.rgbtBlue = Clamp255((298 * c + 516 * d + 128) >> 8);
    return out;
}

// Sine and cosine of the hue angle, in 1/1024 units, from a small table.
void HueRotation(int degrees, int& cosQ, int& sinQ) {
    // Eight-degree steps are plenty for a test picture; interpolate linearly.
    static constexpr std::array<int, 91> kSin = [] {
        std::array<int, 91> t{};
        // sin(x) by a fifth-order Taylor series, good to <0.5% up to 90 degrees.
        for (int d = 0; d <= 90; ++d) {
            const double x = d * 3.14159265358979 / 180.0;
            const double s =
                x - x * x * x / 6 + x * x * x * x * x / 120 - x * x * x * x * x * x * x / 5040;
            t[d] = static_cast<int>(s * 1024 + 0.5);
        }
        return t;
    }();
    auto sinDeg = [](int d) {
        d = ((d % 360) + 360) % 360;
        if (d <= 90) {
            return kSin[d];
        }
        if (d <= 180) {
            return kSin[180 - d];
        }
        if (d <= 270) {
            return -kSin[d - 180];
        }
        return -kSin[360 - d];
    };
    sinQ = sinDeg(degrees);
    cosQ = sinDeg(degrees + 90);
}

class Adjuster {
public:
    explicit Adjuster(const PictureAdjustments& a) : m_a(a) {
        HueRotation(a.hueDegrees, m_cos, m_sin);
    }
    bool IsNeutral() const { return m_a == PictureAdjustments{}; }
    Yuv Apply(Yuv p) const {
        const int y = (p.y - 16) * m_a.contrastPct / 100 + 16 + m_a.brightness;
        const int u0 = p.u - 128, v0 = p.v - 128;
        const int u1 = (u0 * m_cos - v0 * m_sin) / 1024;
        const int v1 = (u0 * m_sin + v0 * m_cos) / 1024;
        const int gain = m_a.saturationPct * m_a.contrastPct / 100;
        return {std::clamp(y, 0, 255), std::clamp(u1 * gain / 100 + 128, 0, 255),
                std::clamp(v1 * gain / 100 + 128, 0, 255)};
    }

private:
    PictureAdjustments m_a;
    int m_cos = 1024;
    int m_sin = 0;
};

// One row of the picture in the frame's format, padded with zeros to `stride`.
void ConvertRow(const BITMAPINFOHEADER& format, const Adjuster& adjust, const RGBTRIPLE* in,
                BYTE* row, size_t stride) {
    const int w = format.biWidth;
    if (format.biCompression == kFourccYuy2) {
        // Two pixels share one U and V sample.
        for (int x = 0; x + 1 < w; x += 2) {
            const Yuv a = adjust.Apply(ToYuv(in[x]));
            const Yuv b = adjust.Apply(ToYuv(in[x + 1]));
            row[2 * x] = static_cast<BYTE>(a.y);
            row[2 * x + 1] = static_cast<BYTE>((a.u + b.u + 1) / 2);
            row[2 * x + 2] = static_cast<BYTE>(b.y);
            row[2 * x + 3] = static_cast<BYTE>((a.v + b.v + 1) / 2);
        }
        return;
    }
    const size_t used = static_cast<size_t>(format.biBitCount / 8) * static_cast<size_t>(w);
    const bool neutral = adjust.IsNeutral();
    if (format.biBitCount == 24 && neutral) {
        std::memcpy(row, in, used);
    } else {
        for (int x = 0; x < w; ++x) {
            const RGBTRIPLE c = neutral ? in[x] : ToRgb(adjust.Apply(ToYuv(in[x])));
            if (format.biBitCount == 24) {
                std::memcpy(row + 3 * x, &c, 3);
            } else if (format.biBitCount == 8) {
                row[x] = PaletteIndex(c);
            } else {
                const WORD pixel = static_cast<WORD>(((c.rgbtRed >> 3) << 10) |
                                                     ((c.rgbtGreen >> 3) << 5) | (c.rgbtBlue >> 3));
                row[2 * x] = LOBYTE(pixel);
                row[2 * x + 1] = HIBYTE(pixel);
            }
        }
    }
    std::memset(row + used, 0, stride - used);
}

void DrawPattern(Canvas& canvas, DWORD frameNumber, DWORD clockMs) {
    const int w = canvas.Width(), h = canvas.Height();
    const int barsBottom = h * 2 / 3;
    if (barsBottom > 0) {
        RGBTRIPLE* bars = canvas.WholeRow(0, barsBottom);
        for (int x = 0; x < w; ++x) {
            bars[x] = FrameGenerator::BarColour(x, w);
        }
        canvas.Share(0, 1, barsBottom);
    }
    canvas.Fill(0, barsBottom, w, h, {kBackground, kBackground, kBackground});

    // A marker sweeping across the lower band, one step a frame.
    const int scale = std::max(1, w / 160);
    const int marker = 4 * scale;
    const int travel = w - marker;
    const int pos = static_cast<int>((frameNumber * static_cast<DWORD>(2 * scale)) %
                                     static_cast<DWORD>(2 * travel));
    const int markerX = pos < travel ? pos : 2 * travel - pos;
    canvas.Fill(markerX, barsBottom + scale, markerX + marker, barsBottom + scale + marker,
                {0, 255, 255});

    char counter[16];
    wsprintfA(counter, "%06lu", static_cast<unsigned long>(frameNumber % 1000000));
    const DWORD seconds = clockMs / 1000;
    char clock[24];
    wsprintfA(clock, "%02lu:%02lu:%02lu.%02lu", static_cast<unsigned long>(seconds / 3600 % 100),
              static_cast<unsigned long>(seconds / 60 % 60),
              static_cast<unsigned long>(seconds % 60),
              static_cast<unsigned long>(clockMs % 1000 / 10));
    const RGBTRIPLE white{255, 255, 255};
    const int textY = barsBottom + 2 * scale + marker;
    canvas.Text(2 * scale, textY, counter, scale, white);
    canvas.Text(2 * scale, textY + 9 * scale, clock, scale, white);
}

} // namespace

FrameGenerator::FrameGenerator() {
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = 320;
    format.biHeight = 240;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biCompression = BI_RGB;
    SetFormat(format);
}

void FrameGenerator::SetFormat(const BITMAPINFOHEADER& format) {
    m_format = format;
    m_format.biSize = sizeof(BITMAPINFOHEADER);
    m_format.biSizeImage = ImageBytes(format);
    // Only the palettised format has a colour table: the device's own.
    m_format.biClrUsed = IsPalettised(format) ? 256 : 0;
    m_format.biClrImportant = 0;
}

DWORD FrameGenerator::ImageBytes(const BITMAPINFOHEADER& format) {
    if (format.biWidth <= 0 || format.biHeight == 0 || format.biWidth > 4096 ||
        format.biHeight > 4096 || format.biHeight < -4096) {
        return 0;
    }
    return dib::ImageBytes(format.biWidth, format.biHeight, format.biBitCount);
}

bool FrameGenerator::IsRenderable(const BITMAPINFOHEADER& f) {
    const bool sizeOk = (f.biWidth == 160 && f.biHeight == 120) ||
                        (f.biWidth == 320 && f.biHeight == 240) ||
                        (f.biWidth == 640 && f.biHeight == 480);
    const bool formatOk = (f.biCompression == BI_RGB &&
                           (f.biBitCount == 8 || f.biBitCount == 16 || f.biBitCount == 24)) ||
                          (f.biCompression == kFourccYuy2 && f.biBitCount == 16);
    return sizeOk && formatOk && f.biPlanes == 1;
}

RGBTRIPLE FrameGenerator::BarColour(int x, int width) {
    if (width <= 0) {
        return kBars[0];
    }
    const int bar = std::clamp(x * 8 / width, 0, 7);
    return kBars[bar];
}

bool FrameGenerator::Render(DWORD frameNumber, DWORD clockMs, std::span<BYTE> out,
                            BufferRecord* record) const {
    if (out.size() < FrameBytes() || FrameBytes() == 0 || !IsRenderable(m_format)) {
        return false;
    }
    const int w = m_format.biWidth, h = m_format.biHeight;
    Canvas canvas(w, h, m_canvas);
    DrawPattern(canvas, frameNumber, clockMs);
    const Adjuster adjust(m_adjust);
    const size_t stride = FrameBytes() / static_cast<DWORD>(h);
    // The rows that `out` holds already, from the last frame rendered into it.
    const bool recorded = record != nullptr && record->rows.size() == static_cast<size_t>(h) &&
                          std::memcmp(&record->format, &m_format, sizeof m_format) == 0 &&
                          record->adjust == m_adjust;
    // YUY2 frames are top-down, RGB frames bottom-up.
    const bool topDown = m_format.biCompression == kFourccYuy2;
    const BYTE* above = nullptr; // the converted row above
    for (int y = 0; y < h; ++y) {
        BYTE* row = out.data() + static_cast<size_t>(topDown ? y : h - 1 - y) * stride;
        const int fill = canvas.FillOf(y);
        if (recorded && fill >= 0 && record->rows[static_cast<size_t>(y)] == fill) {
            // As it was.
        } else if (above != nullptr && canvas.Source(y) == canvas.Source(y - 1)) {
            std::memcpy(row, above, stride);
        } else {
            ConvertRow(m_format, adjust, canvas.Row(y), row, stride);
        }
        above = row;
    }
    if (record != nullptr) {
        record->format = m_format;
        record->adjust = m_adjust;
        record->rows.resize(static_cast<size_t>(h));
        for (int y = 0; y < h; ++y) {
            record->rows[static_cast<size_t>(y)] = canvas.FillOf(y);
        }
    }
    return true;
}
