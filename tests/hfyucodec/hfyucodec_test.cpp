// The codec through the platform's compression manager: found once
// installed, frames back bit for bit, refusals, worst-case sizes, fitted
// tables and the state, as a program or AVIFile would use it.

#include <gtest/gtest.h>

#include <windows.h>

#include <vfw.h>

#include <cstring>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "capturefile/FrameCompressor.h"
#include "support/DialogScript.h"
#include "hfyucodec/TestFrames.h"
#include "hfyucodec/hfyucodec.h"

namespace {

class Codec {
public:
    explicit Codec(UINT mode) : m_hic(ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, mode)) {}
    ~Codec() {
        if (m_hic != nullptr) {
            ICClose(m_hic);
        }
    }
    Codec(const Codec&) = delete;
    Codec& operator=(const Codec&) = delete;
    HIC get() const { return m_hic; }

private:
    HIC m_hic;
};

class HfyuTest : public testing::Test {
protected:
    // Once for the process, as the program does at start.
    static void SetUpTestSuite() {
        static const bool installed = HfyuInstallForProcess() != FALSE;
        ASSERT_TRUE(installed);
    }
};

std::vector<BYTE> OutputFormat(HIC hic, const BITMAPINFOHEADER& in) {
    const LRESULT size = ICCompressGetFormatSize(hic, &in);
    if (size < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER))) {
        return {};
    }
    std::vector<BYTE> out(static_cast<size_t>(size));
    if (ICCompressGetFormat(hic, &in, out.data()) != ICERR_OK) {
        return {};
    }
    return out;
}

// The user's choice of our codec in a compressor chooser, its compressor open.
COMPVARS HfyuChoice() {
    COMPVARS choice{};
    choice.cbSize = sizeof(choice);
    choice.fccType = ICTYPE_VIDEO;
    choice.fccHandler = HFYU_FOURCC;
    choice.hic = ICOpen(ICTYPE_VIDEO, HFYU_FOURCC, ICMODE_COMPRESS);
    return choice;
}

std::vector<BYTE> FormatBytes(const BITMAPINFOHEADER& header) {
    const auto* bytes = reinterpret_cast<const BYTE*>(&header);
    return {bytes, bytes + sizeof(header)};
}

auto* Header(std::vector<BYTE>& format) {
    return reinterpret_cast<BITMAPINFOHEADER*>(format.data());
}

struct Compressed {
    std::vector<BYTE> format;
    std::vector<BYTE> data;
    DWORD flags = 0;
};

// Compresses frames with one compressor, as a capture does.
std::vector<Compressed> CompressAll(HIC hic, BITMAPINFOHEADER in,
                                    const std::vector<std::vector<BYTE>>& frames) {
    std::vector<BYTE> format = OutputFormat(hic, in);
    EXPECT_FALSE(format.empty());
    if (format.empty()) {
        return {};
    }
    const DWORD worst = ICCompressGetSize(hic, &in, Header(format));
    EXPECT_EQ(ICCompressBegin(hic, &in, Header(format)), ICERR_OK);
    std::vector<Compressed> out;
    for (const auto& frame : frames) {
        Compressed c{format, std::vector<BYTE>(worst), 0};
        DWORD ckid = 0;
        EXPECT_EQ(ICCompress(hic, 0, Header(c.format), c.data.data(), &in,
                             const_cast<BYTE*>(frame.data()), &ckid, &c.flags, 0, 0, 0, nullptr,
                             nullptr),
                  ICERR_OK);
        EXPECT_LE(Header(c.format)->biSizeImage, worst);
        EXPECT_EQ(Header(c.format)->biSizeImage % 4, 0u);
        c.data.resize(Header(c.format)->biSizeImage);
        out.push_back(std::move(c));
    }
    ICCompressEnd(hic);
    return out;
}

std::vector<BYTE> Decompress(Compressed& c, BITMAPINFOHEADER out) {
    Codec hic(ICMODE_DECOMPRESS);
    std::vector<BYTE> frame(out.biSizeImage, 0xCD);
    EXPECT_EQ(ICDecompressQuery(hic.get(), Header(c.format), &out), ICERR_OK);
    EXPECT_EQ(ICDecompressBegin(hic.get(), Header(c.format), &out), ICERR_OK);
    Header(c.format)->biSizeImage = static_cast<DWORD>(c.data.size());
    EXPECT_EQ(ICDecompress(hic.get(), 0, Header(c.format), c.data.data(), &out, frame.data()),
              ICERR_OK);
    ICDecompressEnd(hic.get());
    return frame;
}

// The bytes of the picture, without the rows' padding.
bool SamePixels(const std::vector<BYTE>& a, const std::vector<BYTE>& b,
                const BITMAPINFOHEADER& format) {
    const int height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    const size_t stride = format.biSizeImage / static_cast<size_t>(height);
    const size_t bytes = static_cast<size_t>(format.biWidth) * format.biBitCount / 8;
    for (int y = 0; y < height; ++y) {
        if (std::memcmp(a.data() + stride * y, b.data() + stride * y, bytes) != 0) {
            ADD_FAILURE() << "row " << y << " differs";
            return false;
        }
    }
    return true;
}

TEST_F(HfyuTest, TheCompressionManagerListsItOnceInstalled) {
    bool found = false;
    ICINFO info{};
    for (DWORD i = 0; ICInfo(ICTYPE_VIDEO, i, &info); ++i) {
        if (info.fccHandler == HFYU_FOURCC || info.fccHandler == mmioFOURCC('h', 'f', 'y', 'u')) {
            found = true;
        }
    }
    EXPECT_TRUE(found);
    Codec hic(ICMODE_QUERY);
    ASSERT_NE(hic.get(), nullptr);
    ICINFO opened{};
    ASSERT_EQ(ICGetInfo(hic.get(), &opened, sizeof(opened)), static_cast<LRESULT>(sizeof(opened)));
    EXPECT_EQ(std::wstring(opened.szDescription), L"HuffYUV lossless");
    EXPECT_EQ(std::wstring(opened.szName), L"HuffYUV");
    EXPECT_EQ(opened.dwFlags & VIDCF_TEMPORAL, 0u) << "every frame is a key frame";
    EXPECT_TRUE(ICQueryAbout(hic.get())) << "an About box exists";
}

// The platform's chooser, as Video Compression opens it for YUY2 frames:
// the codec is among its entries, and choosing it gives a compressor.
TEST_F(HfyuTest, TheCompressorChooserOffersIt) {
    BITMAPINFOHEADER in = RawFormat(16, 640, 480);
    COMPVARS vars{};
    vars.cbSize = sizeof(vars);
    std::wstring entries;
    BOOL chosen = FALSE;
    ASSERT_TRUE(RunWithDialog(
        [&] {
            chosen = ICCompressorChoose(nullptr, ICMF_CHOOSE_ALLCOMPRESSORS, &in, nullptr, &vars,
                                        const_cast<char*>("Video Compression"));
        },
        [&](HWND dialog) {
            HWND list = FindWindowExA(dialog, nullptr, "ComboBox", nullptr);
            const LRESULT count = SendMessageW(list, CB_GETCOUNT, 0, 0);
            LRESULT ours = -1;
            for (LRESULT i = 0; i < count; ++i) {
                wchar_t text[256] = {};
                if (SendMessageW(list, CB_GETLBTEXTLEN, WPARAM(i), 0) < 255)
                    SendMessageW(list, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
                entries += std::wstring(text) + L"|";
                if (std::wstring(text) == L"HuffYUV lossless")
                    ours = i;
            }
            SendMessageA(list, CB_SETCURSEL, WPARAM(ours), 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(list));
            EndDialogWith(dialog, ours >= 0 ? IDOK : IDCANCEL);
        }));
    EXPECT_NE(entries.find(L"HuffYUV lossless|"), std::wstring::npos)
        << std::string(entries.begin(), entries.end());
    ASSERT_TRUE(chosen);
    EXPECT_EQ(vars.fccHandler, HFYU_FOURCC);
    EXPECT_NE(vars.hic, nullptr);
    ICCompressorFree(&vars);
}

struct RoundTripCase {
    const char* context;
    int bits;
    int width;
    int height; // negative: top-down
    FramePattern pattern;
    int predictor; // for the state
    bool fitted;
};

const RoundTripCase kRoundTrips[] = {
    {"YUY2 720x576 picture, median", 16, 720, 576, FramePattern::Picture, 2, false},
    {"YUY2 720x576 picture, left", 16, 720, 576, FramePattern::Picture, 0, false},
    {"YUY2 720x576 noise, fitted, median", 16, 720, 576, FramePattern::Noise, 2, true},
    {"YUY2 black, fitted to black", 16, 320, 240, FramePattern::Black, 2, true},
    {"YUY2 narrowest: 4 wide", 16, 4, 3, FramePattern::Noise, 2, false},
    {"YUY2 6 wide, one row", 16, 6, 1, FramePattern::Picture, 2, false},
    {"RGB24 640x480 bottom-up picture, gradient", 24, 640, 480, FramePattern::Picture, 1, false},
    {"RGB24 640x480 bottom-up picture, left", 24, 640, 480, FramePattern::Picture, 0, false},
    {"RGB24 top-down noise, fitted", 24, 320, -240, FramePattern::Noise, 1, true},
    {"RGB24 2 wide (rows padded)", 24, 2, 5, FramePattern::Noise, 1, false},
    {"RGB24 718 wide (rows padded)", 24, 718, 4, FramePattern::Picture, 1, false},
    {"RGB24 black", 24, 160, 120, FramePattern::Black, 1, true},
    {"RGB32 bottom-up picture, gradient", 32, 320, 240, FramePattern::Picture, 1, false},
    {"RGB32 top-down noise, left", 32, 64, -48, FramePattern::Noise, 0, true},
};

class RoundTripTest : public HfyuTest, public testing::WithParamInterface<RoundTripCase> {};

TEST_P(RoundTripTest, FramesComeBackBitForBit) {
    const RoundTripCase& c = GetParam();
    SCOPED_TRACE(c.context);
    const BITMAPINFOHEADER in = RawFormat(c.bits, c.width, c.height);
    std::vector<std::vector<BYTE>> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(MakeFrame(in, c.pattern, i));
    }
    Codec hic(ICMODE_COMPRESS);
    ASSERT_NE(hic.get(), nullptr);
    ASSERT_EQ(ICCompressQuery(hic.get(), &in, nullptr), ICERR_OK);
    ASSERT_TRUE(SetUpCompressor(hic.get(), in, c.predictor, c.fitted ? frames[0].data() : nullptr));
    std::vector<Compressed> compressed = CompressAll(hic.get(), in, frames);
    ASSERT_EQ(compressed.size(), frames.size());
    const auto* extra = compressed[0].format.data() + sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(extra[0] & 63, c.predictor) << "the method byte";
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(compressed[i].flags & AVIIF_KEYFRAME, static_cast<DWORD>(AVIIF_KEYFRAME));
        EXPECT_TRUE(SamePixels(Decompress(compressed[i], in), frames[i], in)) << "frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, testing::ValuesIn(kRoundTrips));

TEST_F(HfyuTest, DecodesEitherWayUpAndToTheOtherRgbDepth) {
    const BITMAPINFOHEADER in = RawFormat(24, 96, 64);
    const std::vector<BYTE> frame = MakeFrame(in, FramePattern::Picture, 1);
    Codec hic(ICMODE_COMPRESS);
    std::vector<Compressed> compressed = CompressAll(hic.get(), in, {frame});
    ASSERT_EQ(compressed.size(), 1u);
    const BITMAPINFOHEADER topDown = RawFormat(24, 96, -64);
    const std::vector<BYTE> flipped = Decompress(compressed[0], topDown);
    const size_t stride = 96 * 3;
    for (int y = 0; y < 64; ++y) {
        ASSERT_EQ(
            std::memcmp(flipped.data() + stride * y, frame.data() + stride * (63 - y), stride), 0)
            << "row " << y;
    }
    const std::vector<BYTE> wide = Decompress(compressed[0], RawFormat(32, 96, 64));
    for (size_t px = 0; px < 96 * 64; ++px) {
        ASSERT_EQ(std::memcmp(wide.data() + 4 * px, frame.data() + 3 * px, 3), 0) << px;
    }
}

struct RefusalCase {
    const char* context;
    BITMAPINFOHEADER format;
};

BITMAPINFOHEADER With(BITMAPINFOHEADER format, DWORD compression) {
    format.biCompression = compression;
    return format;
}

const RefusalCase kRefusals[] = {
    {"RGB 15", With(RawFormat(16, 320, 240), BI_RGB)},
    {"8-bit palette", RawFormat(8, 320, 240)},
    {"odd width, RGB 24", RawFormat(24, 321, 240)},
    {"odd width, YUY2", RawFormat(16, 321, 240)},
    {"YUY2 2 wide", RawFormat(16, 2, 240)},
    {"UYVY", With(RawFormat(16, 320, 240), mmioFOURCC('U', 'Y', 'V', 'Y'))},
    {"RGB 32 bit fields", With(RawFormat(32, 320, 240), BI_BITFIELDS)},
    {"zero height", RawFormat(24, 320, 0)},
};

TEST_F(HfyuTest, RefusesWhatItDoesNotTake) {
    Codec hic(ICMODE_COMPRESS);
    for (const RefusalCase& c : kRefusals) {
        SCOPED_TRACE(c.context);
        BITMAPINFOHEADER format = c.format;
        EXPECT_EQ(ICCompressQuery(hic.get(), &format, nullptr), ICERR_BADFORMAT);
        EXPECT_LE(ICCompressGetFormatSize(hic.get(), &format), 0);
        EXPECT_EQ(ICCompressGetSize(hic.get(), &format, nullptr), 0u);
    }
    // An RGB stream does not decode to YUY2.
    const BITMAPINFOHEADER rgb = RawFormat(24, 64, 32);
    std::vector<BYTE> out = OutputFormat(hic.get(), rgb);
    const BITMAPINFOHEADER yuy2 = RawFormat(16, 64, 32);
    EXPECT_EQ(ICDecompressQuery(hic.get(), Header(out), &yuy2), ICERR_BADFORMAT);
    EXPECT_EQ(ICDecompressQuery(hic.get(), Header(out), &rgb), ICERR_OK);
}

// YUY2 decoded to RGB as the platform's YUY2 decoders do (BT.601, video
// levels): the colour bars' corners, either way up and at either depth.
TEST_F(HfyuTest, Yuy2DecodesToRgb) {
    struct Colour {
        const char* name;
        BYTE y, u, v;
        BYTE b, g, r;
    };
    const Colour colours[] = {
        {"black", 16, 128, 128, 0, 0, 0},  {"white", 235, 128, 128, 255, 255, 255},
        {"red", 81, 90, 240, 0, 0, 255},   {"green", 145, 54, 34, 0, 255, 0},
        {"blue", 41, 240, 110, 255, 0, 0}, {"grey", 126, 128, 128, 128, 128, 128},
    };
    const BITMAPINFOHEADER in = RawFormat(16, 8, 2);
    for (const Colour& c : colours) {
        std::vector<BYTE> frame(in.biSizeImage);
        for (size_t i = 0; i < frame.size(); i += 4) {
            frame[i] = frame[i + 2] = c.y;
            frame[i + 1] = c.u;
            frame[i + 3] = c.v;
        }
        // The top row a shade darker, to tell the rows apart.
        frame[0] = frame[2] = static_cast<BYTE>(c.y - 8);
        Codec hic(ICMODE_COMPRESS);
        std::vector<Compressed> compressed = CompressAll(hic.get(), in, {frame});
        ASSERT_EQ(compressed.size(), 1u);
        for (const int height : {2, -2}) {
            for (const int bits : {24, 32}) {
                SCOPED_TRACE(testing::Message()
                             << c.name << ", RGB " << bits << ", height " << height);
                const BITMAPINFOHEADER out = RawFormat(bits, 8, height);
                const std::vector<BYTE> rgb = Decompress(compressed[0], out);
                // The lower row's last pixel: the first row of a bottom-up DIB.
                const size_t stride = out.biSizeImage / 2;
                const BYTE* p = rgb.data() + (height > 0 ? 0 : stride) + stride - bits / 8;
                EXPECT_NEAR(p[0], c.b, 1);
                EXPECT_NEAR(p[1], c.g, 1);
                EXPECT_NEAR(p[2], c.r, 1);
                const BYTE* top = rgb.data() + (height > 0 ? stride : 0);
                EXPECT_LT(top[1], p[1] + (c.g == 0 ? 1 : 0)) << "the top row is darker";
            }
        }
    }
}

// Stream formats the decoder does not read are refused whole, never
// decoded wrong.
TEST_F(HfyuTest, RefusesStreamFormatsItDoesNotRead) {
    const BITMAPINFOHEADER raw = RawFormat(16, 64, 48);
    Codec hic(ICMODE_COMPRESS);
    const std::vector<BYTE> good = OutputFormat(hic.get(), raw);
    ASSERT_EQ(ICDecompressQuery(hic.get(), good.data(), nullptr), ICERR_OK);
    const size_t extra = sizeof(BITMAPINFOHEADER);
    struct Change {
        const char* context;
        void (*apply)(std::vector<BYTE>&);
    };
    const Change changes[] = {
        {"tables in every frame",
         [](std::vector<BYTE>& f) {
             f[extra + 2] |= 0x40;
         }},
        {"a later version",
         [](std::vector<BYTE>& f) {
             f[extra + 3] = 1;
         }},
        {"no extra data: the first version",
         [](std::vector<BYTE>& f) {
             Header(f)->biSize = sizeof(BITMAPINFOHEADER);
         }},
        {"a method in the bit count",
         [](std::vector<BYTE>& f) {
             Header(f)->biBitCount = 17;
         }},
        {"an unknown predictor",
         [](std::vector<BYTE>& f) {
             f[extra] = 3;
         }},
        {"a table cut short",
         [](std::vector<BYTE>& f) {
             Header(f)->biSize = extra + 6;
         }},
        {"a table that is no complete code",
         [](std::vector<BYTE>& f) {
             f[extra + 4] ^= 1;
         }},
        {"another FourCC",
         [](std::vector<BYTE>& f) {
             Header(f)->biCompression = mmioFOURCC('F', 'F', 'V', 'H');
         }},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.context);
        std::vector<BYTE> format = good;
        c.apply(format);
        EXPECT_EQ(ICDecompressQuery(hic.get(), format.data(), nullptr), ICERR_BADFORMAT);
        EXPECT_EQ(ICDecompressGetFormatSize(hic.get(), format.data()), 0);
    }
}

TEST_F(HfyuTest, WorstCaseSizeHoldsNoiseCodedWithBlackTables) {
    // Tables fitted to black give noise its longest codes: the frame comes
    // out larger than it went in, and still within GET_SIZE.
    const BITMAPINFOHEADER in = RawFormat(16, 720, 576);
    Codec hic(ICMODE_COMPRESS);
    const std::vector<BYTE> black = MakeFrame(in, FramePattern::Black, 0);
    ASSERT_EQ(HfyuFitTables(hic.get(), &in, black.data()), ICERR_OK);
    const std::vector<BYTE> noise = MakeFrame(in, FramePattern::Noise, 0);
    std::vector<Compressed> compressed = CompressAll(hic.get(), in, {noise});
    ASSERT_EQ(compressed.size(), 1u);
    EXPECT_GT(compressed[0].data.size(), in.biSizeImage);
    EXPECT_TRUE(SamePixels(Decompress(compressed[0], in), noise, in));
}

TEST_F(HfyuTest, StateCarriesTheFittedTablesAndRefusesOthers) {
    const BITMAPINFOHEADER in = RawFormat(24, 64, 48);
    const std::vector<BYTE> black = MakeFrame(in, FramePattern::Black, 0);
    Codec fitted(ICMODE_COMPRESS);
    const std::vector<BYTE> plainFormat = OutputFormat(fitted.get(), in);
    ASSERT_EQ(HfyuFitTables(fitted.get(), &in, black.data()), ICERR_OK);
    const std::vector<BYTE> fittedFormat = OutputFormat(fitted.get(), in);
    EXPECT_NE(plainFormat, fittedFormat);
    EXPECT_EQ(ICGetStateSize(fitted.get()), static_cast<LRESULT>(sizeof(HFYU_STATE)));
    HFYU_STATE state{};
    ICGetState(fitted.get(), &state, sizeof(state));
    EXPECT_EQ(state.fittedBitCount, 24);

    Codec restored(ICMODE_COMPRESS);
    ASSERT_EQ(ICSetState(restored.get(), &state, sizeof(state)),
              static_cast<LRESULT>(sizeof(state)));
    EXPECT_EQ(OutputFormat(restored.get(), in), fittedFormat);
    // Tables fitted to RGB 24 do not serve YUY2.
    const BITMAPINFOHEADER yuy2 = RawFormat(16, 64, 48);
    Codec plain(ICMODE_COMPRESS);
    EXPECT_EQ(OutputFormat(restored.get(), yuy2), OutputFormat(plain.get(), yuy2));

    HFYU_STATE broken = state;
    broken.codeLengths[1][7] = 1; // no longer a complete code
    EXPECT_EQ(ICSetState(restored.get(), &broken, sizeof(broken)), 0);
    broken = state;
    broken.magic = 0;
    EXPECT_EQ(ICSetState(restored.get(), &broken, sizeof(broken)), 0);
    EXPECT_EQ(ICSetState(restored.get(), nullptr, 0), 0) << "back to the defaults";
    EXPECT_EQ(OutputFormat(restored.get(), in), plainFormat);
}

// A frame cut short is an error; a frame of garbage decodes to some picture
// or an error, never past the buffers (each size from none to more than
// the frame's).
TEST_F(HfyuTest, BrokenFramesAreErrorsNotFaults) {
    for (const int bits : {16, 24, 32}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        const BITMAPINFOHEADER in = RawFormat(bits, 64, 48);
        Codec hic(ICMODE_COMPRESS);
        std::vector<Compressed> compressed =
            CompressAll(hic.get(), in, {MakeFrame(in, FramePattern::Noise, 0)});
        ASSERT_EQ(compressed.size(), 1u);
        Codec dec(ICMODE_DECOMPRESS);
        BITMAPINFOHEADER out = in;
        std::vector<BYTE> frame(in.biSizeImage);
        auto* format = Header(compressed[0].format);
        ASSERT_EQ(ICDecompressBegin(dec.get(), format, &out), ICERR_OK);
        const std::vector<BYTE> whole = compressed[0].data;
        format->biSizeImage = static_cast<DWORD>(whole.size() / 2);
        EXPECT_EQ(
            ICDecompress(dec.get(), 0, format, const_cast<BYTE*>(whole.data()), &out, frame.data()),
            ICERR_BADFORMAT)
            << "half a frame";
        const std::vector<BYTE> garbage = MakeFrame(RawFormat(32, 64, 64), FramePattern::Noise, 7);
        for (size_t size = 1; size <= garbage.size(); size = size * 3 + 1) {
            // The given bytes alone, in a buffer of just that size.
            std::vector<BYTE> data(garbage.begin(), garbage.begin() + size);
            format->biSizeImage = static_cast<DWORD>(size);
            // ICDecompress answers a DWORD: the error codes as unsigned.
            const DWORD result =
                ICDecompress(dec.get(), 0, format, data.data(), &out, frame.data());
            EXPECT_TRUE(result == ICERR_OK || result == static_cast<DWORD>(ICERR_BADFORMAT))
                << size << " bytes";
        }
    }
}

// The program's compression of a capture: a compressor opened like the
// user's choice, with the choice's state. Tables fitted on the choice
// travel in its state.
TEST_F(HfyuTest, TheCapturesSequenceCompressionKeepsTheFittedTables) {
    const BITMAPINFOHEADER in = RawFormat(16, 320, 240);
    std::vector<std::vector<BYTE>> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(MakeFrame(in, FramePattern::Picture, i));
    }
    COMPVARS choice = HfyuChoice();
    ASSERT_NE(choice.hic, nullptr);
    ASSERT_EQ(HfyuFitTables(choice.hic, &in, frames[0].data()), ICERR_OK);
    const std::vector<BYTE> fittedFormat = OutputFormat(choice.hic, in);

    std::vector<Compressed> compressed;
    {
        CFrameCompressor compressor(choice);
        ASSERT_TRUE(compressor.Start(FormatBytes(in), 40000));
        EXPECT_EQ(compressor.OutputFormat(), fittedFormat) << "the choice's fitted tables";
        for (auto& frame : frames) {
            const CFrameCompressor::Frame out = compressor.Compress(frame.data());
            ASSERT_NE(out.data, nullptr);
            EXPECT_TRUE(out.keyFrame);
            compressed.push_back({compressor.OutputFormat(), {out.data, out.data + out.size}, 0});
        }
    }
    ICCompressorFree(&choice);
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_TRUE(SamePixels(Decompress(compressed[i], in), frames[i], in)) << "frame " << i;
    }
}

// The capture's first frame, handed to the program's compressor as it
// starts, fits the tables; without it the stream keeps the built-in ones.
TEST_F(HfyuTest, TheCapturesFirstFrameFitsTheTables) {
    const BITMAPINFOHEADER in = RawFormat(16, 320, 240);
    const std::vector<BYTE> first = MakeFrame(in, FramePattern::Picture, 0);
    Codec reference(ICMODE_COMPRESS);
    const std::vector<BYTE> builtIn = OutputFormat(reference.get(), in);
    ASSERT_EQ(HfyuFitTables(reference.get(), &in, first.data()), ICERR_OK);
    const std::vector<BYTE> fitted = OutputFormat(reference.get(), in);
    ASSERT_NE(fitted, builtIn);

    const std::vector<BYTE> input = FormatBytes(in);
    for (const bool withSample : {true, false}) {
        COMPVARS choice = HfyuChoice();
        ASSERT_NE(choice.hic, nullptr);
        {
            CFrameCompressor compressor(choice);
            ASSERT_TRUE(compressor.Start(
                input, 40000, withSample ? std::span<const BYTE>(first) : std::span<const BYTE>()));
            EXPECT_EQ(compressor.OutputFormat(), withSample ? fitted : builtIn)
                << (withSample ? "with" : "without") << " the first frame";
        }
        ICCompressorFree(&choice);
    }
}

// A clip of one solid colour, as the program's writer writes it.
std::string WriteSolidClip(const BITMAPINFOHEADER& in, const std::vector<BYTE>& frame) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + "hfyu_playback.avi";
    Codec hic(ICMODE_COMPRESS);
    std::vector<Compressed> compressed = CompressAll(hic.get(), in, {frame, frame, frame});
    AviWriterSettings settings;
    settings.videoFormat = compressed.at(0).format;
    Header(settings.videoFormat)->biSizeImage = in.biSizeImage;
    settings.videoHandler = HFYU_FOURCC;
    CAviWriter writer;
    EXPECT_TRUE(writer.Open(path, settings));
    for (const Compressed& c : compressed) {
        EXPECT_TRUE(writer.WriteVideo(c.data.data(), static_cast<DWORD>(c.data.size())));
    }
    EXPECT_TRUE(writer.Close());
    return path;
}

// The platform's MCI playback window, as the program's playback window
// opens a clip: it finds the codec installed in the process and draws the
// decoded frame.
TEST_F(HfyuTest, ThePlaybackWindowShowsTheDecodedFrame) {
    struct Clip {
        const char* context;
        BITMAPINFOHEADER format;
        BYTE pixel[4]; // one YUY2 pair or one RGB pixel, repeated
        COLORREF shown;
    };
    const Clip clips[] = {
        {"RGB 24", RawFormat(24, 64, 48), {0x20, 0x80, 0xE0, 0}, RGB(0xE0, 0x80, 0x20)},
        {"YUY2 green", RawFormat(16, 64, 48), {145, 54, 145, 34}, RGB(0, 255, 0)},
    };
    for (const Clip& c : clips) {
        SCOPED_TRACE(c.context);
        const int bytes = c.format.biBitCount / 8;
        const int step = c.format.biBitCount == 16 ? 4 : bytes;
        std::vector<BYTE> frame(c.format.biSizeImage);
        for (size_t i = 0; i + step <= frame.size(); i += step) {
            std::memcpy(frame.data() + i, c.pixel, step);
        }
        const std::string path = WriteSolidClip(c.format, frame);
        HWND window =
            MCIWndCreateA(nullptr, GetModuleHandleA(nullptr),
                          WS_OVERLAPPEDWINDOW | WS_VISIBLE | MCIWNDF_NOERRORDLG | MCIWNDF_NOPLAYBAR,
                          path.c_str());
        ASSERT_NE(window, nullptr);
        char error[256] = {};
        EXPECT_EQ(MCIWndGetError(window, error, sizeof error), 0) << error;
        EXPECT_EQ(MCIWndGetLength(window), 3);
        MCIWndSeek(window, 1);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        MSG msg;
        for (int i = 0; i < 20 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            DispatchMessageA(&msg);
        }
        HDC dc = GetDC(window);
        const COLORREF shown = GetPixel(dc, 20, 20);
        ReleaseDC(window, dc);
        EXPECT_NEAR(GetRValue(shown), GetRValue(c.shown), 2) << std::hex << shown;
        EXPECT_NEAR(GetGValue(shown), GetGValue(c.shown), 2) << std::hex << shown;
        EXPECT_NEAR(GetBValue(shown), GetBValue(c.shown), 2) << std::hex << shown;
        MCIWndDestroy(window);
        DeleteFileA(path.c_str());
    }
}

} // namespace
