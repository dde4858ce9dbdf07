#pragma once
// The virtual drivers' picture source: a moving test pattern (colour bars, a
// sweeping marker, the frame number and a clock) rendered into any format the
// drivers deliver: 16-bit RGB 5-5-5, 24-bit RGB and YUY2.

#include <windows.h>

#include <cstddef>
#include <span>
#include <vector>

// Picture controls as the card applies them: brightness is an offset added to
// the luma, contrast and saturation are gains in percent, hue is a rotation of
// the colour plane in degrees.
struct PictureAdjustments {
    int brightness = 0;      // -128..127
    int contrastPct = 100;   // 0..200
    int saturationPct = 100; // 0..200
    int hueDegrees = 0;      // -180..180
    bool operator==(const PictureAdjustments&) const = default;
};

class FrameGenerator {
public:
    FrameGenerator();

    // The header of the frames Render writes (biSizeImage filled in). The
    // caller has checked that the format is one the driver delivers.
    void SetFormat(const BITMAPINFOHEADER& format);
    const BITMAPINFOHEADER& Format() const { return m_format; }
    DWORD FrameBytes() const { return m_format.biSizeImage; }

    void SetAdjustments(const PictureAdjustments& adjustments) { m_adjust = adjustments; }
    const PictureAdjustments& Adjustments() const { return m_adjust; }

    // What Render last wrote into one buffer, kept by the caller for a
    // buffer that nothing else writes into: rendering into that buffer again
    // leaves alone the rows that are as they were (the bars and the plain
    // background, most of the picture).
    struct BufferRecord {
        BITMAPINFOHEADER format{};
        PictureAdjustments adjust{};
        std::vector<int> rows; // each row's fill (see Canvas::FillOf), or -1
    };

    // Writes frame `frameNumber`, with the clock showing `clockMs`, in the
    // current format. Returns false and writes nothing when `out` is smaller
    // than FrameBytes().
    bool Render(DWORD frameNumber, DWORD clockMs, std::span<BYTE> out,
                BufferRecord* record = nullptr) const;

    // The unadjusted colour of the test pattern's bar at `x` of `width`
    // (top part of the picture), as R, G, B; used by tests of the pattern.
    static RGBTRIPLE BarColour(int x, int width);

    // True for the formats the pattern can be rendered in (any of the three
    // sizes, RGB 555 / RGB 24 / YUY2), whatever a driver offers.
    static bool IsRenderable(const BITMAPINFOHEADER& format);
    static DWORD ImageBytes(const BITMAPINFOHEADER& format);

    // Drawing space reused by Render; it holds nothing between calls. (Named
    // here for the drawing helpers of the source file.)
    struct CanvasStorage {
        std::vector<RGBTRIPLE> pixels;
        std::vector<int> rowSource;  // the row whose pixels each row shows
        std::vector<BYTE> rowShared; // rows other rows show
        std::vector<BYTE> rowFilled; // rows filled whole and not drawn into since
    };

private:
    BITMAPINFOHEADER m_format{};
    PictureAdjustments m_adjust{};
    mutable CanvasStorage m_canvas;
};
