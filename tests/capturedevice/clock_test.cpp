// A card's clocks through the stream callbacks of WM_CAP_SEQUENCE_NOFILE,
// unpaced: the sound clock against the picture's, the sound buffers as they
// come, the driver clock's faults, the records a lying driver gives, and the
// yield callback's hold on the program's messages.

#include "DeviceFixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {

struct WaveRecord {
    DWORD bufferLength;
    DWORD bytesRecorded;
    DWORD framesBefore; // frames called back before it
    bool endsAtUnreadable;
};

struct VideoRecord {
    DWORD timeMs;
    DWORD bufferLength;
    DWORD bytesUsed;
    bool endsAtUnreadable;
};

std::vector<VideoRecord> g_frames;
std::vector<WaveRecord> g_waves;
std::vector<BYTE> g_samples;
DWORD g_yields = 0;

// True when the byte after a buffer of `length` at `data` cannot be read.
bool EndsAtUnreadable(const void* data, DWORD length) {
    MEMORY_BASIC_INFORMATION info{};
    const BYTE* after = static_cast<const BYTE*>(data) + length;
    return VirtualQuery(after, &info, sizeof info) == sizeof info &&
           (info.State != MEM_COMMIT || (info.Protect & PAGE_NOACCESS) != 0);
}

LRESULT CALLBACK RecordVideo(HWND, LPVIDEOHDR header) {
    g_frames.push_back({header->dwTimeCaptured, header->dwBufferLength, header->dwBytesUsed,
                        EndsAtUnreadable(header->lpData, header->dwBufferLength)});
    return TRUE;
}

LRESULT CALLBACK RecordWave(HWND, LPWAVEHDR header) {
    g_waves.push_back({header->dwBufferLength, header->dwBytesRecorded,
                       static_cast<DWORD>(g_frames.size()),
                       EndsAtUnreadable(header->lpData, header->dwBufferLength)});
    const DWORD kept = std::min(header->dwBytesRecorded, header->dwBufferLength);
    g_samples.insert(g_samples.end(), header->lpData, header->lpData + kept);
    return TRUE;
}

LRESULT CALLBACK CountYield(HWND) {
    ++g_yields;
    return TRUE;
}

LRESULT CALLBACK DispatchOnYield(HWND) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&msg);
    }
    return TRUE;
}

// floor(micros * rate * (1e6 + ppm) / 1e12), which fits 64 bits for the
// short captures here.
ULONGLONG SoundBlocks(ULONGLONG micros, DWORD rate, long ppm) {
    return micros * rate * static_cast<ULONGLONG>(1000000 + ppm) / 1000000000000ULL;
}

class ClockTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        g_frames.clear();
        g_waves.clear();
        g_samples.clear();
        g_yields = 0;
        SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", "1");
        SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", "0");
        ASSERT_TRUE(Connect(0));
        ASSERT_TRUE(SetVideoFormat(160, 120, 24, BI_RGB));
        Send(WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, reinterpret_cast<LPARAM>(&RecordVideo));
        Send(WM_CAP_SET_CALLBACK_WAVESTREAM, 0, reinterpret_cast<LPARAM>(&RecordWave));
        Send(WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(&RecordError));
        Send(WM_CAP_SET_CALLBACK_STATUSA, 0, reinterpret_cast<LPARAM>(&RecordStatus));
    }
    void TearDown() override {
        SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", nullptr);
        SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", "0");
        SetEnvironmentVariableA("SOFTCAP_FAULTS", nullptr);
        DeviceTest::TearDown();
    }
    // Sets the parameters and the sound, then captures without a file.
    LRESULT Capture(DWORD microSecPerFrame, WORD seconds, const WAVEFORMATEX* audio = nullptr,
                    DWORD audioBufferBytes = 0) {
        CAPTUREPARMS parms{};
        Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms);
        parms.dwRequestMicroSecPerFrame = microSecPerFrame;
        parms.fLimitEnabled = TRUE;
        parms.wTimeLimit = seconds;
        parms.fAbortLeftMouse = parms.fAbortRightMouse = FALSE;
        parms.vKeyAbort = 0;
        parms.wPercentDropForError = 100;
        parms.fCaptureAudio = audio != nullptr;
        parms.dwAudioBufferSize = audioBufferBytes;
        if (audio != nullptr) {
            EXPECT_TRUE(Send(WM_CAP_SET_AUDIOFORMAT, sizeof *audio, audio));
        }
        EXPECT_TRUE(Send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, &parms));
        return Send(WM_CAP_SEQUENCE_NOFILE);
    }
};

WAVEFORMATEX Pcm(DWORD rate, WORD bits, WORD channels) {
    const WORD align = static_cast<WORD>(bits / 8 * channels);
    return {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

struct SoundCase {
    const char* context;
    long ppm;
    WAVEFORMATEX format;
    DWORD bufferBytes;    // dwAudioBufferSize
    DWORD expectedBlocks; // of each full buffer
    DWORD microSecPerFrame;
    WORD seconds;
};

TEST_F(ClockTest, SoundClockFillsBuffersAgainstThePicturesTime) {
    const SoundCase cases[] = {
        {"in step, 11 kHz 8-bit, half-second buffers", 0, Pcm(11025, 8, 1), 0, 5512, 66667, 10},
        {"+5000 ppm, 22 kHz 16-bit stereo, 4000 bytes", 5000, Pcm(22050, 16, 2), 4000, 1000, 40000,
         8},
        {"-300 ppm, 44 kHz 16-bit, 4097 bytes: whole blocks", -300, Pcm(44100, 16, 1), 4097, 2048,
         33333, 5},
    };
    for (const SoundCase& c : cases) {
        SCOPED_TRACE(c.context);
        g_frames.clear();
        g_waves.clear();
        SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", std::to_string(c.ppm).c_str());
        ASSERT_TRUE(Capture(c.microSecPerFrame, c.seconds, &c.format, c.bufferBytes));

        const ULONGLONG frames =
            (c.seconds * 1000000ULL + c.microSecPerFrame - 1) / c.microSecPerFrame;
        ASSERT_EQ(g_frames.size(), frames);
        const ULONGLONG total =
            SoundBlocks(frames * c.microSecPerFrame, c.format.nSamplesPerSec, c.ppm);
        const DWORD align = c.format.nBlockAlign;
        ULONGLONG blocks = 0;
        for (size_t n = 0; n < g_waves.size(); ++n) {
            const WaveRecord& w = g_waves[n];
            blocks += w.bytesRecorded / align;
            EXPECT_EQ(w.bufferLength, c.expectedBlocks * align) << "buffer " << n;
            EXPECT_TRUE(w.endsAtUnreadable) << "buffer " << n;
            if (n + 1 < g_waves.size()) {
                EXPECT_EQ(w.bytesRecorded, w.bufferLength) << "full buffer " << n;
                // Delivered at the end of the frame slot that filled it.
                EXPECT_LE(blocks, SoundBlocks(w.framesBefore * ULONGLONG(c.microSecPerFrame),
                                              c.format.nSamplesPerSec, c.ppm));
                EXPECT_GT(blocks, SoundBlocks((w.framesBefore - 1) * ULONGLONG(c.microSecPerFrame),
                                              c.format.nSamplesPerSec, c.ppm));
            } else {
                EXPECT_GT(w.bytesRecorded, 0u) << "the last buffer holds what was left";
                EXPECT_LE(w.bytesRecorded, w.bufferLength);
                EXPECT_EQ(w.framesBefore, frames);
            }
        }
        EXPECT_EQ(blocks, total) << "the sound clock's samples for the picture's time";
        EXPECT_EQ(Status().dwCurrentWaveSamples, total);
    }
}

// Upward zero crossings, interpolated, over the whole tone.
double ToneHz(const std::vector<BYTE>& bytes, DWORD rate) {
    std::vector<SHORT> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            const double at = (i - 1) + double(-samples[i - 1]) / (samples[i] - samples[i - 1]);
            first = first < 0 ? at : first;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(rate) / (last - first) : 0;
}

TEST_F(ClockTest, FastSoundClocksToneSoundsLowerAtTheNominalRate) {
    const WAVEFORMATEX format = Pcm(11025, 16, 1);
    for (const auto& [ppm, hz] : {std::pair{0L, 440.0}, std::pair{5000L, 440.0 / 1.005}}) {
        SCOPED_TRACE(ppm);
        g_samples.clear();
        SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", std::to_string(ppm).c_str());
        ASSERT_TRUE(Capture(66667, 20, &format));
        EXPECT_NEAR(ToneHz(g_samples, 11025), hz, 0.01);
    }
}

constexpr DWORD kPeriod = 66667; // 15 fps
constexpr ULONGLONG kSlots = 45ULL * 1000000 / kPeriod + 1;

TEST_F(ClockTest, JitterMovesEachFrameByAQuarterPeriodAtMost) {
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "jitter");
    ASSERT_TRUE(Capture(kPeriod, 45));
    const std::vector<VideoRecord> first = g_frames;
    ASSERT_EQ(first.size(), kSlots) << "every frame comes";
    int lateThenEarly = 0;
    LONGLONG largest = 0;
    for (size_t n = 0; n < first.size(); ++n) {
        const LONGLONG offset = LONGLONG(first[n].timeMs) * 1000 - LONGLONG(n * kPeriod);
        EXPECT_LE(std::llabs(offset), kPeriod / 4 + 1000) << "frame " << n;
        largest = std::max(largest, std::llabs(offset));
        if (n > 0 && first[n].timeMs - first[n - 1].timeMs <= kPeriod / 2 / 1000 + 1) {
            ++lateThenEarly;
        }
    }
    EXPECT_GE(largest, kPeriod / 4 - 1000);
    EXPECT_GE(lateThenEarly, 10) << "now and then a frame late and the next one early";
    g_frames.clear();
    ASSERT_TRUE(Capture(kPeriod, 45));
    ASSERT_EQ(g_frames.size(), first.size());
    for (size_t n = 0; n < first.size(); ++n) {
        ASSERT_EQ(g_frames[n].timeMs, first[n].timeMs) << "the same in every run, frame " << n;
    }
}

TEST_F(ClockTest, StallLosesFiveSecondsOfEveryThirtyWhileTheSoundGoesOn) {
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "stall");
    SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", "0");
    const WAVEFORMATEX format = Pcm(11025, 8, 1);
    ASSERT_TRUE(Capture(kPeriod, 45, &format));
    std::set<ULONGLONG> missing;
    for (ULONGLONG n = 0; n < kSlots; ++n) {
        missing.insert(n);
    }
    for (const VideoRecord& frame : g_frames) {
        const ULONGLONG slot = (ULONGLONG(frame.timeMs) * 1000 + kPeriod - 1) / kPeriod;
        EXPECT_EQ(slot * kPeriod / 1000, frame.timeMs) << "stamped at its slot";
        missing.erase(slot);
    }
    for (ULONGLONG n = 0; n < kSlots; ++n) {
        const ULONGLONG inCycle = n * kPeriod % 30000000;
        EXPECT_EQ(missing.count(n) == 1, inCycle >= 10000000 && inCycle < 15000000) << n;
    }
    EXPECT_EQ(Status().dwCurrentVideoFramesDropped, missing.size());
    EXPECT_EQ(g_samples.size(), SoundBlocks(kSlots * kPeriod, 11025, 0)) << "sound throughout";
}

TEST_F(ClockTest, ClockJumpStepsForwardByHoursThenBackBySeconds) {
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "clockjump");
    ASSERT_TRUE(Capture(kPeriod, 45));
    ASSERT_EQ(g_frames.size(), kSlots) << "the frames keep coming";
    for (size_t n = 0; n < g_frames.size(); ++n) {
        const ULONGLONG picture = n * kPeriod;
        LONGLONG step = picture >= 10000000 ? 3 * 3600 * 1000 : 0;
        step -= picture >= 20000000 ? 4000 : 0;
        ASSERT_EQ(LONGLONG(g_frames[n].timeMs), LONGLONG(picture / 1000) + step) << "frame " << n;
    }
}

TEST_F(ClockTest, LyingDriversClaimMoreBytesThanTheirBuffersHold) {
    const DWORD frameBytes = 160 * 120 * 3;
    const WAVEFORMATEX format = Pcm(11025, 16, 1);
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "frame-bytes,sound-bytes");
    ASSERT_TRUE(Capture(50000, 2, &format));
    ASSERT_EQ(g_frames.size(), 40u);
    for (const VideoRecord& frame : g_frames) {
        EXPECT_EQ(frame.bufferLength, frameBytes);
        EXPECT_GT(frame.bytesUsed, frame.bufferLength);
        EXPECT_TRUE(frame.endsAtUnreadable) << "a read past the buffer faults";
    }
    ASSERT_EQ(g_waves.size(), 5u) << "4 of 5,512 samples and the 2 left";
    for (const WaveRecord& wave : g_waves) {
        EXPECT_EQ(wave.bufferLength, 5512u * 2);
        EXPECT_GT(wave.bytesRecorded, wave.bufferLength);
    }
    EXPECT_EQ(g_frames[0].bytesUsed, 0xFFFFFFF0u) << "near 4 GiB, by turns";
    EXPECT_EQ(g_frames[1].bytesUsed, 2 * frameBytes + 1);
}

TEST_F(ClockTest, LyingFormatsClaimASizeOrDepthTheFramesDoNotHave) {
    const BITMAPINFOHEADER truth = VideoFormat();
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "size-lie");
    EXPECT_EQ(VideoFormat().biSizeImage, 0xFFFFFFF8u);
    EXPECT_EQ(VideoFormat().biWidth, truth.biWidth);
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "bits-0");
    EXPECT_EQ(VideoFormat().biBitCount, 0);
    EXPECT_EQ(VideoFormat().biSizeImage, truth.biSizeImage);
    ASSERT_TRUE(Capture(50000, 1));
    ASSERT_EQ(g_frames.size(), 20u);
    EXPECT_EQ(g_frames[0].bufferLength, truth.biSizeImage) << "the frames are as they were";
}

TEST_F(ClockTest, RefusedCaptureStartsNothing) {
    for (const auto& [faults, errors] : {std::pair{"refuse", 1u}, std::pair{"refuse-silent", 0u}}) {
        SCOPED_TRACE(faults);
        ErrorCalls().clear();
        StatusCalls().clear();
        SetEnvironmentVariableA("SOFTCAP_FAULTS", faults);
        EXPECT_FALSE(Capture(50000, 1));
        ASSERT_EQ(ErrorCalls().size(), errors);
        if (errors != 0) {
            EXPECT_EQ(ErrorCalls()[0].id, IDS_CAP_VIDEO_PREPARE_ERROR);
            EXPECT_FALSE(ErrorCalls()[0].text.value_or("").empty());
        }
        EXPECT_TRUE(StatusCalls().empty());
        EXPECT_TRUE(g_frames.empty());
    }
}

// A message waiting in the queue when the capture starts: dispatched by the
// device without a yield callback, left to the callback with one, which is
// called at every frame slot, a slot without a frame too.
TEST_F(ClockTest, WithAYieldCallbackTheDeviceDispatchesNothingOfTheProgramsMessages) {
    constexpr UINT kCommand = WM_APP + 7;
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "stall");
    for (const bool withYield : {false, true}) {
        SCOPED_TRACE(withYield ? "with a yield callback" : "without");
        g_frames.clear();
        Send(WM_CAP_SET_CALLBACK_YIELD, 0,
             withYield ? reinterpret_cast<LPARAM>(&CountYield) : LPARAM(0));
        PostMessageA(m_parent, kCommand, 0, 0);
        ASSERT_TRUE(Capture(kPeriod, 20));
        MSG msg;
        EXPECT_EQ(PeekMessageA(&msg, m_parent, kCommand, kCommand, PM_REMOVE) != FALSE, withYield);
    }
    EXPECT_EQ(g_yields, 20ULL * 1000000 / kPeriod + 1) << "once a frame slot";
    EXPECT_LT(g_frames.size(), g_yields);
}

// Closed from outside: the close waits in the queue until the program's
// yield callback dispatches it, and the capture ends in order.
TEST_F(ClockTest, CloseDispatchedByTheYieldCallbackEndsTheCapture) {
    SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", nullptr);
    Send(WM_CAP_SET_CALLBACK_YIELD, 0, reinterpret_cast<LPARAM>(&DispatchOnYield));
    CAPTUREPARMS parms{};
    Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms);
    parms.fLimitEnabled = TRUE;
    parms.wTimeLimit = 5;
    parms.fAbortLeftMouse = parms.fAbortRightMouse = FALSE;
    Send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, &parms);
    PostMessageA(m_parent, WM_CLOSE, 0, 0);
    const DWORD start = GetTickCount();
    Send(WM_CAP_SEQUENCE_NOFILE);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(IsWindow(m_capture));
    EXPECT_LE(g_frames.size(), 2u);
    m_parent = nullptr;
}

} // namespace
