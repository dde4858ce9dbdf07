// Capture Video against drivers that answer hostile but possible values:
// formats too large, empty or lying about their size, byte counts past
// their buffers, records larger than asked, refusals. Each gives one clear
// message or a readable file; a capture that does not start keeps the
// earlier clip and is not reported as captured.

#include "FileCaptureFixture.h"
#include "support/DialogScript.h"

#include "resources/resource.h"
#include "recording/FileCapture.h"

#include <malloc.h>

#include <fstream>
#include <iterator>

namespace {

constexpr char kEarlierClip[] = "the earlier clip";

void WriteEarlierClip(const std::string& path) {
    std::ofstream(path, std::ios::binary) << kEarlierClip;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Shown() {
    return theTestApp.m_messages.Texts();
}

class HostileDriverTest : public FileCaptureTest {
protected:
    // Capture Video over an earlier clip, the driver delivering three frames.
    void CaptureOverEarlierClip(const std::string& file) {
        WriteEarlierClip(file);
        m_platform->m_onSequenceNoFile = [](HWND hWnd, FakeCapturePlatform::WindowState& state) {
            Deliver(hWnd, state, {0, 50, 100});
        };
        m_platform->m_recorder.Clear();
        theTestApp.m_messages.clear();
        CaptureVideo();
    }
    // The same with the card's format edited as a driver would give it.
    void CaptureWithFormat(const std::string& file, const BITMAPINFOHEADER& card,
                           void (*edit)(BITMAPINFOHEADER&)) {
        Window().format = card;
        edit(Window().format);
        CaptureOverEarlierClip(file);
    }
    // The capture after which nothing was captured: the earlier clip and
    // what the status bar says.
    void ExpectEarlierClipKept(const std::string& file) {
        EXPECT_EQ(Contents(file), kEarlierClip);
        EXPECT_EQ(StatusText(), "Nothing was captured; " + file + " is unchanged.");
    }
};

TEST_F(HostileDriverTest, AVideoFormatTheWriterCannotTakeIsToldAndNothingIsWritten) {
    const std::string file = TempFile("hostile_format.avi");
    StartWithSound(file);
    const std::string advice = " cannot be captured to a file. Choose another one in Video Format.";
    struct Case {
        const char* context;
        void (*edit)(BITMAPINFOHEADER&);
        std::string message;
    } const cases[] = {
        {"32767 x 32767", [](BITMAPINFOHEADER& h) { h.biWidth = h.biHeight = 32767; },
         "The capture driver's video format (32767 x 32767, 16 bits per pixel)" + advice},
        {"0 bits per pixel", [](BITMAPINFOHEADER& h) { h.biBitCount = 0; },
         "The capture driver's video format (320 x 240, 0 bits per pixel)" + advice},
        {"a negative width", [](BITMAPINFOHEADER& h) { h.biWidth = -320; },
         "The capture driver's video format (-320 x 240, 16 bits per pixel)" + advice},
        {"compressed, near 4 GiB a frame",
         [](BITMAPINFOHEADER& h) {
             h.biCompression = mmioFOURCC('M', 'J', 'P', 'G');
             h.biSizeImage = 0xFFFFFFF8;
         },
         "The capture driver's video format (320 x 240, 16 bits per pixel)" + advice},
        {"compressed, of no known size",
         [](BITMAPINFOHEADER& h) {
             h.biCompression = mmioFOURCC('M', 'J', 'P', 'G');
             h.biSizeImage = 0;
             h.biBitCount = 0;
         },
         "The capture driver's video format (320 x 240, 0 bits per pixel)" + advice},
    };
    const BITMAPINFOHEADER card = Window().format;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        CaptureWithFormat(file, card, c.edit);
        EXPECT_FALSE(SequenceSent());
        EXPECT_EQ(Shown(), std::vector<std::string>{c.message});
        ExpectEarlierClipKept(file);
    }
    DeleteFileA(file.c_str());
}

TEST_F(HostileDriverTest, AFormatWhoseClaimedSizeLiesIsWrittenAtItsRealSize) {
    const std::string file = TempFile("hostile_size.avi");
    StartWithSound(file);
    struct Case {
        const char* context;
        void (*edit)(BITMAPINFOHEADER&);
        DWORD chunkId;
    } const cases[] = {
        {"uncompressed, claiming near 4 GiB",
         [](BITMAPINFOHEADER& h) { h.biSizeImage = 0xFFFFFFF8; }, mmioFOURCC('0', '0', 'd', 'b')},
        {"uncompressed top-down rows, claiming 1 byte",
         [](BITMAPINFOHEADER& h) {
             h.biHeight = -240;
             h.biSizeImage = 1;
         },
         mmioFOURCC('0', '0', 'd', 'b')},
        {"YUY2 without a size",
         [](BITMAPINFOHEADER& h) {
             h.biCompression = mmioFOURCC('Y', 'U', 'Y', '2');
             h.biSizeImage = 0;
         },
         mmioFOURCC('0', '0', 'd', 'c')},
    };
    const BITMAPINFOHEADER card = Window().format;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        CaptureWithFormat(file, card, c.edit);
        EXPECT_TRUE(Shown().empty()) << Shown().front();
        const RiffFile riff(file);
        ASSERT_TRUE(riff.Ok()) << riff.Problem();
        EXPECT_EQ(ChunkSizes(riff, c.chunkId), std::vector<DWORD>(3, kFrameBytes));
        const RiffChunk* strf = riff.Blocks()[0]
                                    .Find(Fcc("LIST"), Fcc("hdrl"))
                                    ->Find(Fcc("LIST"), Fcc("strl"))
                                    ->Find(Fcc("strf"));
        ASSERT_NE(strf, nullptr);
        EXPECT_EQ(riff.At<BITMAPINFOHEADER>(strf->dataPos).biSizeImage, kFrameBytes)
            << "the file states the frames' real size";
        EXPECT_EQ(StatusText().rfind("Captured 0.150 sec. 3 frames", 0), 0u) << StatusText();
    }
    DeleteFileA(file.c_str());
}

TEST_F(HostileDriverTest, EachCopyTakesTheLeastOfTheBufferTheCountAndOurRoom) {
    const std::string file = TempFile("hostile_counts.avi");
    StartWithSound(file);
    m_platform->m_onSequenceNoFile = [](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        DeliverFrames(
            hWnd, state,
            {{0, [](VIDEOHDR& v) { v.dwBytesUsed = 0xFFFFFFF0; },
              [](WAVEHDR& w) {
                  w.dwBytesRecorded = 0xFFFFFFF0;
              }},
             {50, [](VIDEOHDR& v) { v.dwBufferLength = 1000; },
              [](WAVEHDR& w) {
                  w.dwBufferLength = 100;
              }},
             {100, [](VIDEOHDR& v) { v.lpData = nullptr; },
              [](WAVEHDR& w) {
                  w.lpData = nullptr;
              }},
             {150, [](VIDEOHDR& v) { v.dwBytesUsed = 0; },
              [](WAVEHDR& w) {
                  w.dwBytesRecorded = 0;
              }},
             // A buffer larger than the format's frame: the frame is the format's.
             {200, [](VIDEOHDR& v) { v.dwBufferLength = v.dwBytesUsed = 2 * kFrameBytes; }, {}}},
            2 * kFrameBytes);
    };
    CaptureVideo();
    EXPECT_TRUE(theTestApp.m_messages.empty()) << theTestApp.m_messages.front().text;
    const RiffFile riff(file);
    ASSERT_TRUE(riff.Ok()) << riff.Problem();
    EXPECT_EQ(ChunkSizes(riff, Fcc("00db")),
              (std::vector<DWORD>{kFrameBytes, 1000, 0, 0, kFrameBytes}));
    EXPECT_EQ(ChunkSizes(riff, Fcc("01wb")), (std::vector<DWORD>{kSoundBytes, 100, kSoundBytes}));
    EXPECT_EQ(ReadWithAviFile(file).video, 5);
    DeleteFileA(file.c_str());
}

TEST_F(HostileDriverTest, ACaptureThatDoesNotStartKeepsTheEarlierClip) {
    const std::string file = TempFile("hostile_refused.avi");
    StartWithSound(file);
    const std::string refused = ": nothing was captured, and " + file + " was not changed.";
    struct Case {
        const char* context;
        bool refuseSetup;
        bool refuseSequence;
        const char* driverText; // through the error callback, or null
        std::vector<std::string> messages;
    } const cases[] = {
        {"the settings refused",
         true,
         false,
         nullptr,
         {"The capture driver refused the capture settings" + refused}},
        {"the capture refused without a word",
         false,
         true,
         nullptr,
         {"The capture driver refused the capture" + refused}},
        {"the capture refused in the driver's words",
         false,
         true,
         "The sound format is not PCM.",
         {"The sound format is not PCM."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        // An earlier capture's summary in the status bar first.
        m_platform->m_bRefuseSetup = m_platform->m_bRefuseSequence = false;
        CaptureOverEarlierClip(file);
        ASSERT_EQ(StatusText().rfind("Captured ", 0), 0u) << StatusText();
        m_platform->m_bRefuseSetup = c.refuseSetup;
        m_platform->m_bRefuseSequence = c.refuseSequence;
        m_platform->m_refusalText = c.driverText != nullptr ? c.driverText : "";
        CaptureOverEarlierClip(file);
        EXPECT_EQ(Shown(), c.messages);
        ExpectEarlierClipKept(file);
    }
    m_platform->m_bRefuseSetup = m_platform->m_bRefuseSequence = false;
    // A capture that starts and ends before its first frame makes no file either.
    WriteEarlierClip(file);
    m_platform->m_onSequenceNoFile = nullptr;
    theTestApp.m_messages.clear();
    CaptureVideo();
    EXPECT_TRUE(Shown().empty());
    ExpectEarlierClipKept(file);
    DeleteFileA(file.c_str());
}

TEST_F(HostileDriverTest, FormatsAnsweredLargerThanAskedAreNotTaken) {
    const std::string file = TempFile("hostile_oversize.avi");
    StartWithSound(file);
    m_platform->m_bOversizeRecords = true;
    CaptureOverEarlierClip(file);
    EXPECT_FALSE(SequenceSent());
    EXPECT_EQ(Shown(),
              std::vector<std::string>{"The capture driver gives no video format to capture."});
    ExpectEarlierClipKept(file);
    DeleteFileA(file.c_str());
}

// A driver that writes its records past the buffer asked into (its own,
// later version of a record, say) wrote over the view's session and the
// heap behind it: after a capture that wrote no frame, Single Frame and
// Playback Window ran the message loop through a window object overwritten.
TEST_F(HostileDriverTest, RecordsWrittenPastTheirBufferHarmNothing) {
    const std::string file = TempFile("hostile_overrun.avi");
    StartWithSound(file);
    m_platform->m_nRecordOverrun = 256;
    m_platform->m_bRefuseSequence = true;
    CaptureOverEarlierClip(file);
    ExpectEarlierClipKept(file);
    for (UINT command : {UINT(ID_CAPTURE_SINGLEFRAME), UINT(ID_VIEW_PLAYBACK)}) {
        MainFrame().SendMessage(WM_COMMAND, command);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!theTestApp.PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        theTestApp.OnIdle(0);
    }
    m_platform->m_nRecordOverrun = 0;
    EXPECT_EQ(_heapchk(), _HEAPOK);
    ASSERT_NE(ActiveView(), nullptr);
    EXPECT_EQ(View().Session().DriverIndex(), 0);
    EXPECT_EQ(View().Session().CompressorChoice().Compressor(), nullptr);
    EXPECT_EQ(View().Session().CaptureParms().dwRequestMicroSecPerFrame, 50000u);
    EXPECT_TRUE(View().Session().HasPlayback());
    DeleteFileA(file.c_str());
}

} // namespace
