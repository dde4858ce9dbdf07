// Capture Video with the program's own writer, against the capture window
// double: the messages it sends, and the file it leaves, read back chunk by
// chunk and through the platform's AVIFile.

#include "FileCaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/MDIChildWnd.h"
#include "framework/StatusBar.h"
#include "resources/resource.h"
#include "recording/CaptureStatusPanes.h"
#include "recording/FileCapture.h"
#include "session/VidrakeView.h"

#include <vfw.h>

#include <cstring>
#include <string>

namespace {

const char kNotice[] = "Copyright (C) Brindlecove Video Systems, 2026.";

TEST_F(FileCaptureTest, FramesTakeThePlacesOfTheirCaptureTimesAndDroppedOnesStayEmpty) {
    const std::string file = TempFile("file_capture_test.avi");
    StartWithSound(file);
    std::string panesDuringCapture;
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        // 20 fps: the frames of 150 and 200 ms never came.
        Deliver(hWnd, state, {0, 50, 100, 250, 300, 351}, kFrameBytes, 600);
        auto* bar = DynamicDowncast<CStatusBar>(
            CWnd::FromHandlePermanent(GetDlgItem(AfxGetMainWnd()->m_hWnd, AFX_IDW_STATUS_BAR)));
        ASSERT_NE(bar, nullptr);
        for (int i = 1; i < bar->GetCount(); ++i)
            panesDuringCapture += bar->GetPaneText(i) + "|";
    };
    m_platform->m_recorder.Clear();
    CaptureVideo();

    const auto kParms = WPARAM(sizeof(CAPTUREPARMS));
    EXPECT_TRUE(
        MatchSequence(Sent(),
                      {{WM_CAP_SET_CALLBACK_YIELD, 0, 0, kMatchWParam},
                       {WM_CAP_FILE_GET_CAPTURE_FILEA, MAX_PATH, 0, kMatchWParam},
                       {WM_CAP_GET_VIDEOFORMAT, 0, 0},
                       {WM_CAP_GET_VIDEOFORMAT, 0, 0, kMatchMessage},
                       {WM_CAP_GET_AUDIOFORMAT, 0, 0},
                       {WM_CAP_GET_AUDIOFORMAT, 0, 0, kMatchMessage},
                       {WM_CAP_SET_USER_DATA, 0, 0, kMatchWParam},
                       {WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, 0, kMatchWParam},
                       {WM_CAP_SET_CALLBACK_WAVESTREAM, 0, 0, kMatchWParam},
                       {WM_CAP_SET_CALLBACK_ERRORA, 0, 0, kMatchWParam},
                       {WM_CAP_SET_SEQUENCE_SETUP, kParms, 0, kMatchWParam},
                       {WM_CAP_SEQUENCE_NOFILE, 0, 0},
                       {WM_CAP_SET_USER_DATA, 0, 0},
                       {WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, 0},
                       {WM_CAP_SET_CALLBACK_WAVESTREAM, 0, 0},
                       // The view's own error callback back in place.
                       {WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&CapErrorCallback)},
                       {WM_CAP_SET_CALLBACK_YIELD, 0, 0}},
                      "a capture with sound to the program's own file"));
    EXPECT_EQ(Window().sequenceSetup.fCaptureAudio, TRUE);
    // Frames, dropped, skipped, time, rate, free space, the time it leaves
    // and the clocks (the sound as it came: no measure of its clock).
    EXPECT_EQ(panesDuringCapture.rfind("8 frames|2 dropped|0 skipped|0:00:00|", 0), 0u)
        << panesDuringCapture;
    EXPECT_NE(panesDuringCapture.find(" MB/s|"), std::string::npos) << panesDuringCapture;
    EXPECT_NE(panesDuringCapture.find(" free|"), std::string::npos) << panesDuringCapture;
    EXPECT_NE(panesDuringCapture.find(" left||"), std::string::npos) << panesDuringCapture;

    const RiffFile riff(file);
    ASSERT_TRUE(riff.Ok()) << riff.Problem();
    EXPECT_EQ(ChunkSizes(riff, Fcc("00db")),
              (std::vector<DWORD>{kFrameBytes, kFrameBytes, kFrameBytes, 0, 0, kFrameBytes,
                                  kFrameBytes, kFrameBytes}));
    EXPECT_EQ(ChunkSizes(riff, Fcc("01wb")), std::vector<DWORD>(8, kSoundBytes));
    const RiffChunk* info = riff.Blocks().at(0).Find(Fcc("LIST"), Fcc("INFO"));
    ASSERT_NE(info, nullptr);
    const RiffChunk* copyright = info->Find(Fcc("ICOP"));
    ASSERT_NE(copyright, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(riff.Bytes().data() + copyright->dataPos),
                          copyright->size),
              std::string(kNotice, sizeof kNotice));
    const AviLengths lengths = ReadWithAviFile(file);
    EXPECT_TRUE(lengths.opened);
    EXPECT_EQ(lengths.video, 8);
    EXPECT_EQ(lengths.audio, LONG(8 * kSoundBytes));

    // The bar has its own panes back, and a summary.
    auto* bar = DynamicDowncast<CStatusBar>(
        CWnd::FromHandlePermanent(GetDlgItem(AfxGetMainWnd()->m_hWnd, AFX_IDW_STATUS_BAR)));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetCount(), 4);
    EXPECT_EQ(bar->GetPaneText(0).rfind("Captured 0.400 sec. 8 frames (2 dropped) (20.000 fps)", 0),
              0u)
        << bar->GetPaneText(0);
    EXPECT_TRUE(theTestApp.m_messages.empty()) << theTestApp.m_messages.front().text;
    DeleteFileA(file.c_str());
}

TEST_F(FileCaptureTest, AClockThatJumpsIsNotTakenForAnHourOfDroppedFrames) {
    const std::string file = TempFile("file_capture_jump.avi");
    StartWithSound(file);
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        Deliver(hWnd, state, {0, 50, 3600000, 3600050, 3600200}, kFrameBytes, 0,
                {0, 50, 100, 150, 300});
    };
    CaptureVideo();
    const RiffFile riff(file);
    ASSERT_TRUE(riff.Ok()) << riff.Problem();
    // The jump, which the sound did not hear, takes the next place; a gap
    // after it, which the sound heard, is still dropped frames.
    EXPECT_EQ(ChunkSizes(riff, Fcc("00db")),
              (std::vector<DWORD>{kFrameBytes, kFrameBytes, kFrameBytes, kFrameBytes, 0, 0,
                                  kFrameBytes}));
    DeleteFileA(file.c_str());
}

TEST_F(FileCaptureTest, AFileThatCannotBeCreatedIsToldAndNothingIsCaptured) {
    const std::string file = TempFile("no such folder\\capture.avi");
    StartWithSound(file);
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        Deliver(hWnd, state, {0, 50, 100});
    };
    m_platform->m_recorder.Clear();
    theTestApp.m_messages.clear();
    CaptureVideo();
    // The file is made at the first frame; when it cannot be, the capture stops there.
    std::vector<UINT> during;
    bool inside = false;
    for (const RecordedMessage& m : Sent()) {
        inside = inside || m.message == WM_CAP_SEQUENCE_NOFILE;
        if (inside && m.message != WM_CAP_SEQUENCE_NOFILE)
            during.push_back(m.message);
        if (m.message == WM_CAP_SET_USER_DATA && m.lParam == 0)
            break;
    }
    EXPECT_EQ(during, (std::vector<UINT>{WM_CAP_STOP, WM_CAP_SET_USER_DATA}));
    EXPECT_EQ(StatusText().rfind("Nothing was captured; " + file + " is unchanged.", 0), 0u)
        << StatusText();
    ASSERT_EQ(theTestApp.m_messages.size(), 1u);
    EXPECT_EQ(
        theTestApp.m_messages[0].text.rfind("Cannot create the capture file " + file + ": ", 0), 0u)
        << theTestApp.m_messages[0].text;
}

TEST_F(FileCaptureTest, AWindowClosedDuringTheCaptureLeavesAWholeFile) {
    const std::string file = TempFile("file_capture_closed.avi");
    StartWithSound(file);
    CMDIChildWnd* child = ActiveChild();
    const HWND hWndChild = child->m_hWnd;
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        Deliver(hWnd, state, {0, 50, 100});
        // As a message dispatched by the capture's own loop would close it.
        ::SendMessageA(hWndChild, WM_CLOSE, 0, 0);
    };
    CaptureVideo();
    EXPECT_FALSE(IsWindow(hWndChild));
    EXPECT_EQ(ReadWithAviFile(file).video, 3);
    const RiffFile riff(file);
    EXPECT_TRUE(riff.Ok()) << riff.Problem();
    DeleteFileA(file.c_str());
}

// The capture itself, under the view: blocks of a megabyte, and frames
// compressed by the platform's RLE compressor.
class ListenerLog final : public CCaptureListener {
public:
    void OnCaptureProgress(const CCaptureFigures& figures) override {
        m_progress.push_back(figures);
    }
    void OnCaptureError(int, const char* lpszText) override { m_errors.push_back(lpszText); }
    std::vector<CCaptureFigures> m_progress;
    std::vector<std::string> m_errors;
};

TEST_F(FileCaptureTest, ALongCaptureGoesOnInFurtherRiffBlocks) {
    const std::string file = TempFile("file_capture_blocks.avi");
    StartWithSound(file);
    std::vector<DWORD> times;
    for (DWORD n = 0; n < 40; ++n)
        times.push_back(n * 50);
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        // Paced, so that no frame finds every buffer waiting for the disk.
        for (DWORD time : times) {
            Deliver(hWnd, state, {time});
            Sleep(20);
        }
    };
    ListenerLog log;
    CFileCapture capture(View().Session().Window(), log);
    CFileCapture::Settings settings;
    settings.parms = View().Session().CaptureParms();
    settings.riffBlockBytes = 1 << 20;
    settings.soundInStep = false;
    EXPECT_TRUE(capture.Run(settings));
    EXPECT_TRUE(log.m_errors.empty());
    // At the start, twice a second of the capture's second (40 frames at
    // 20 ms or more each), and at the end with what the file holds.
    ASSERT_GE(log.m_progress.size(), 3u);
    EXPECT_EQ(log.m_progress.front().frames, 0u) << "before the first frame";
    EXPECT_EQ(log.m_progress.back().frames, 40u);
    EXPECT_EQ(log.m_progress.back().bytes, 40 * ULONGLONG(kFrameBytes + kSoundBytes));
    bool midway = false;
    for (size_t n = 1; n + 1 < log.m_progress.size(); ++n) {
        const CCaptureFigures& figures = log.m_progress[n];
        midway = midway || (figures.frames > 0 && figures.frames < 40);
        EXPECT_GE(figures.frames, log.m_progress[n - 1].frames) << "report " << n;
        EXPECT_EQ(figures.elapsedMs, figures.frames * 50) << "the picture's time, report " << n;
    }
    EXPECT_TRUE(midway) << "no progress while the capture ran";

    const RiffFile riff(file);
    ASSERT_TRUE(riff.Ok()) << riff.Problem();
    ASSERT_GE(riff.Blocks().size(), 6u) << "6 MB of frames in blocks of 1 MB";
    EXPECT_EQ(riff.Blocks()[0].listType, Fcc("AVI "));
    for (size_t n = 1; n < riff.Blocks().size(); ++n)
        EXPECT_EQ(riff.Blocks()[n].listType, Fcc("AVIX")) << "block " << n;
    EXPECT_EQ(ChunkSizes(riff, Fcc("00db")), std::vector<DWORD>(40, kFrameBytes));
    const AviLengths lengths = ReadWithAviFile(file);
    EXPECT_EQ(lengths.video, 40);
    EXPECT_EQ(lengths.audio, LONG(40 * kSoundBytes));
    DeleteFileA(file.c_str());
}

// Two minutes at 20 fps from a card whose sound clock runs 5000 ppm fast,
// delivered faster than real time: the file's sound, resampled, lasts as
// long as its picture, and the figures tell the sound clock's rate.
TEST_F(FileCaptureTest, TheSoundIsPacedToThePictureAndItsClockMeasured) {
    const std::string file = TempFile("file_capture_paced.avi");
    StartWithSound(file);
    constexpr DWORD kFrames = 2400, kBuffer = 5512; // half a second of samples
    constexpr double kSoundRate = 11025 * 1.005;
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        std::vector<BYTE> frame(64, 0x40), sound(kBuffer, 0x80);
        DWORD buffers = 0;
        for (DWORD n = 0; n < kFrames; ++n) {
            // The sound buffers that filled before this frame came.
            for (; (buffers + 1) * kBuffer / kSoundRate * 1000 <= n * 50.0; ++buffers) {
                WAVEHDR wave{};
                wave.lpData = reinterpret_cast<LPSTR>(sound.data());
                wave.dwBufferLength = wave.dwBytesRecorded = kBuffer;
                state.waveStream(hWnd, &wave);
            }
            VIDEOHDR video{};
            video.lpData = frame.data();
            video.dwBufferLength = video.dwBytesUsed = DWORD(frame.size());
            video.dwTimeCaptured = n * 50;
            state.videoStream(hWnd, &video);
            Sleep(n % 20 == 0 ? 1 : 0); // some time for the writer
        }
        // The last buffer, not full, as the capture ends.
        WAVEHDR wave{};
        wave.lpData = reinterpret_cast<LPSTR>(sound.data());
        wave.dwBufferLength = kBuffer;
        wave.dwBytesRecorded = DWORD(kFrames * 0.05 * kSoundRate) - buffers * kBuffer;
        state.waveStream(hWnd, &wave);
    };
    ListenerLog log;
    CFileCapture capture(View().Session().Window(), log);
    CFileCapture::Settings settings;
    settings.parms = View().Session().CaptureParms();
    settings.parms.dwRequestMicroSecPerFrame = 50000;
    EXPECT_TRUE(capture.Run(settings));
    EXPECT_TRUE(log.m_errors.empty());
    EXPECT_TRUE(log.m_progress.back().soundClockKnown);
    EXPECT_NEAR(log.m_progress.back().soundClockPpm, 5000, 100);
    EXPECT_EQ(log.m_progress.back().elapsedMs, kFrames * 50) << "the picture's time";

    const AviLengths lengths = ReadWithAviFile(file);
    EXPECT_EQ(lengths.video, LONG(kFrames));
    const double pictureSamples = kFrames * 11025 / 20.0;
    EXPECT_NEAR(double(lengths.audio), pictureSamples, 11025 / 20.0)
        << "uncorrected, the sound would be " << pictureSamples * 1.005 << " samples";
    DeleteFileA(file.c_str());
}

// A frame delivered twice (its slot taken) is left out and counted apart; its
// buffer goes back to the pool, so that a run of them never starves it.
TEST_F(FileCaptureTest, AFrameWhosePlaceIsTakenIsSkipped) {
    const std::string file = TempFile("file_capture_repeat.avi");
    StartWithSound(file);
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        // Paced, so that no frame finds every buffer waiting for the disk.
        Deliver(hWnd, state, {0}, 1000);
        for (DWORD n = 1; n < 40; ++n) {
            Deliver(hWnd, state, {n * 50, n * 50}, 1000);
            Sleep(5);
        }
    };
    ListenerLog log;
    CFileCapture capture(View().Session().Window(), log);
    CFileCapture::Settings settings;
    settings.parms = View().Session().CaptureParms();
    settings.parms.wNumVideoRequested = 4;
    EXPECT_TRUE(capture.Run(settings));
    EXPECT_EQ(log.m_progress.back().skipped, 39u);
    EXPECT_EQ(log.m_progress.back().dropped, 0u) << "no frame found the pool empty";
    EXPECT_EQ(ReadWithAviFile(file).video, 40);
    DeleteFileA(file.c_str());
}

TEST_F(FileCaptureTest, TheChosenCompressorCompressesEveryFrame) {
    const std::string file = TempFile("file_capture_rle.avi");
    FakeDriver palette{0, "Palette card"};
    palette.bitCount = 8;
    palette.colours = 256;
    Start({palette});
    Window().captureFile = file;
    DeleteFileA(file.c_str());
    m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
        Deliver(hWnd, state, {0, 50, 100, 150}, 320 * 240);
        // A frame shorter than the format's: RLE cannot read its rows.
        DeliverFrames(hWnd, state, {{200, [](VIDEOHDR& v) { v.dwBytesUsed = 1000; }, {}}},
                      320 * 240);
    };
    COMPVARS rle{};
    rle.cbSize = sizeof rle;
    rle.dwFlags = ICMF_COMPVARS_VALID;
    rle.hic = ICOpen(ICTYPE_VIDEO, mmioFOURCC('M', 'R', 'L', 'E'), ICMODE_COMPRESS);
    ASSERT_NE(rle.hic, nullptr) << "the platform's RLE compressor";
    rle.fccType = ICTYPE_VIDEO;
    rle.fccHandler = mmioFOURCC('M', 'R', 'L', 'E');
    rle.lKey = 2;
    rle.lQ = ICQUALITY_DEFAULT;
    ListenerLog log;
    {
        CFileCapture capture(View().Session().Window(), log);
        CFileCapture::Settings settings;
        settings.parms = View().Session().CaptureParms();
        settings.compressor = &rle;
        EXPECT_TRUE(capture.Run(settings));
    }
    ICCompressorFree(&rle);
    EXPECT_TRUE(log.m_errors.empty()) << log.m_errors.front();

    const RiffFile riff(file);
    ASSERT_TRUE(riff.Ok()) << riff.Problem();
    const std::vector<DWORD> sizes = ChunkSizes(riff, Fcc("00dc"));
    ASSERT_EQ(sizes.size(), 5u) << "compressed chunks";
    for (size_t n = 0; n < 4; ++n)
        EXPECT_LT(sizes[n], 320u * 240 / 4) << "frames of one colour compress well";
    EXPECT_EQ(sizes[4], 0u) << "the short frame, dropped";
    // The index's key frames are the compressor's: every second frame, as chosen.
    const RiffChunk* idx1 = riff.Blocks()[0].Find(Fcc("idx1"));
    ASSERT_NE(idx1, nullptr);
    std::string keys;
    for (DWORD at = 0; at + 16 <= idx1->size; at += 16) {
        if (riff.At<DWORD>(idx1->dataPos + at) == Fcc("00dc"))
            keys += (riff.At<DWORD>(idx1->dataPos + at + 4) & AVIIF_KEYFRAME) != 0 ? 'K' : '-';
    }
    EXPECT_EQ(keys, "K-K--");
    const RiffChunk* strf = riff.Blocks()[0]
                                .Find(Fcc("LIST"), Fcc("hdrl"))
                                ->Find(Fcc("LIST"), Fcc("strl"))
                                ->Find(Fcc("strf"));
    ASSERT_NE(strf, nullptr);
    EXPECT_EQ(riff.At<BITMAPINFOHEADER>(strf->dataPos).biCompression, DWORD(BI_RLE8));
    const RiffChunk* strh = riff.Blocks()[0]
                                .Find(Fcc("LIST"), Fcc("hdrl"))
                                ->Find(Fcc("LIST"), Fcc("strl"))
                                ->Find(Fcc("strh"));
    ASSERT_NE(strh, nullptr);
    EXPECT_EQ(riff.At<DWORD>(strh->dataPos + 4), mmioFOURCC('M', 'R', 'L', 'E'))
        << "the stream names its compressor";
    EXPECT_EQ(ReadWithAviFile(file).video, 5);
    DeleteFileA(file.c_str());
}

} // namespace

namespace {

TEST(CaptureStatusPanes, ShowSkippedFramesThePicturesTimeAndTheClocks) {
    struct Case {
        const char* context;
        CCaptureFigures figures;
        const char* skipped;
        const char* time;
        const char* clocks;
    };
    CCaptureFigures measured;
    measured.skipped = 3;
    measured.elapsedMs = 3723000;
    measured.soundClockKnown = true;
    measured.soundClockPpm = 119.6;
    CCaptureFigures stepped = measured;
    stepped.soundClockPpm = -300.2;
    stepped.clockSteps = 2;
    CCaptureFigures unheard;
    unheard.clockSteps = 1;
    const Case cases[] = {
        {"nothing measured yet", CCaptureFigures{}, "0 skipped", "0:00:00", ""},
        {"the sound clock measured", measured, "3 skipped", "1:02:03", "sound +120 ppm"},
        {"and the driver's clock stepped", stepped, "3 skipped", "1:02:03",
         "sound -300 ppm, 2 clock steps"},
        {"a step without sound", unheard, "0 skipped", "0:00:00", "1 clock step"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        const std::vector<std::string> texts = CCaptureStatusPanes::PaneTexts(c.figures);
        ASSERT_EQ(texts.size(), 8u);
        EXPECT_EQ(texts[2], c.skipped);
        EXPECT_EQ(texts[3], c.time);
        EXPECT_EQ(texts[7], c.clocks);
    }
}

} // namespace
