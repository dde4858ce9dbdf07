// The program's writer against a driver drawn at random (seeded, so that a
// failure is repeated by its seed): formats and sizes, frame and sound
// headers that lie, capture times that step back, jump and repeat, stops,
// refusals and windows closed mid-capture. What holds under any rule of
// frame placement is checked here: nothing crashes, every file written is
// whole RIFF that AVIFile opens, and every sound byte the driver delivered
// is in the file once. The files are left in RANDOM_CAPTURE_FOLDER, when
// set, for check_random_captures.sh to read with ffprobe.
//   RANDOM_CAPTURE_SEED=n picks the seed (28 by default).

#include "FileCaptureFixture.h"

#include "framework/MDIChildWnd.h"
#include "recording/FileCapture.h"

#include <cstdio>
#include <random>

namespace {

class RandomLog final : public CCaptureListener {
public:
    void OnCaptureProgress(const CCaptureFigures&) override {}
    void OnCaptureError(int, const char* lpszText) override { m_errors.push_back(lpszText); }
    std::vector<std::string> m_errors;
};

unsigned long Setting(const char* name, unsigned long otherwise) {
    char text[32] = {};
    return GetEnvironmentVariableA(name, text, sizeof text) != 0 ? std::strtoul(text, nullptr, 10)
                                                                 : otherwise;
}

std::string Folder() {
    char folder[MAX_PATH] = {};
    if (GetEnvironmentVariableA("RANDOM_CAPTURE_FOLDER", folder, MAX_PATH) != 0)
        return std::string(folder) + "\\";
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

class RandomCaptureTest : public FileCaptureTest {
protected:
    template <class T> T Pick(std::initializer_list<T> values) {
        return values
            .begin()[std::uniform_int_distribution<size_t>(0, values.size() - 1)(m_random)];
    }
    DWORD Up(DWORD most) { return std::uniform_int_distribution<DWORD>(0, most)(m_random); }
    bool Chance(int percent) { return Up(99) < DWORD(percent); }

    void DrawFormat(BITMAPINFOHEADER& format) {
        format.biWidth = Pick<LONG>({1, 3, 160, 320, 641, 32767, -320});
        format.biHeight = Pick<LONG>({1, 2, 120, 240, -240, 4097});
        format.biBitCount = Pick<WORD>({0, 1, 8, 16, 24, 32, 33});
        // (No compressed format whose data ffprobe would try to decode: the
        // frames here are not pictures.)
        format.biCompression =
            Pick<DWORD>({BI_RGB, BI_RGB, BI_BITFIELDS, mmioFOURCC('Y', 'U', 'Y', '2')});
        format.biSizeImage = Pick<DWORD>({0, 0, 1, 4096, 0xFFFFFFF8, Up(200000)});
        format.biClrUsed = 0;
    }
    void DrawSound(FakeCapturePlatform::WindowState& window) {
        const WORD align = Pick<WORD>({1, 2, 4, 6});
        const DWORD rate = Pick<DWORD>({8000, 11025, 44100});
        const WAVEFORMATEX sound{WAVE_FORMAT_PCM,
                                 WORD(align > 2 ? 2 : 1),
                                 rate,
                                 rate * align,
                                 align,
                                 WORD(align == 6 ? 24 : 8 * align / (align > 2 ? 2 : 1)),
                                 0};
        const auto* bytes = reinterpret_cast<const BYTE*>(&sound);
        window.audioFormat.assign(bytes, bytes + sizeof sound);
        m_soundAlign = align;
    }

    // One capture's delivery; the sound bytes the program should keep.
    void DeliverAtRandom(HWND hWnd, FakeCapturePlatform::WindowState& state, HWND hWndChild) {
        DWORD time = Up(3) * 1000;
        const DWORD frames = Up(40);
        for (DWORD n = 0; n < frames && !state.stopRequested; ++n) {
            std::vector<BYTE> frame(Up(2 * 320 * 240 * 4), BYTE(n));
            VIDEOHDR video{};
            video.lpData = Chance(5) ? nullptr : frame.data();
            video.dwBufferLength = DWORD(frame.size());
            video.dwBytesUsed =
                Pick<DWORD>({video.dwBufferLength, Up(video.dwBufferLength), 0xFFFFFFFF, 0});
            video.dwTimeCaptured = time;
            state.videoStream(hWnd, &video);
            // The driver's clock: on, repeated, back, or a jump.
            time += Pick<DWORD>({50, 50, 50, 0, 100, 400});
            if (Chance(5))
                time = time > 500 ? time - Up(500) : 0;
            if (Chance(3))
                time += Up(180000);
            if (state.waveStream != nullptr && !state.stopRequested) {
                std::vector<BYTE> sound(Up(3000), 0x80);
                WAVEHDR wave{};
                wave.lpData = Chance(3) ? nullptr : reinterpret_cast<LPSTR>(sound.data());
                wave.dwBufferLength = DWORD(sound.size());
                wave.dwBytesRecorded =
                    Pick<DWORD>({wave.dwBufferLength, Up(wave.dwBufferLength), 0xFFFFFFFF});
                state.waveStream(hWnd, &wave);
                if (wave.lpData != nullptr) {
                    const DWORD kept = std::min(wave.dwBufferLength, wave.dwBytesRecorded);
                    m_soundDelivered += kept - kept % m_soundAlign;
                }
            }
            if (Chance(3))
                state.stopRequested = true; // the abort key
            if (Chance(2)) {
                ::SendMessageA(hWndChild, WM_CLOSE, 0, 0);
                return;
            }
        }
    }

    std::mt19937 m_random;
    WORD m_soundAlign = 1;
    ULONGLONG m_soundDelivered = 0;
};

TEST_F(RandomCaptureTest, AnyDriverGivesAWholeFileOrAMessageAndEverySoundByteOnce) {
    const unsigned long seed = Setting("RANDOM_CAPTURE_SEED", 28);
    const unsigned long captures = Setting("RANDOM_CAPTURE_COUNT", 150);
    m_random.seed(seed);
    Start({{0, "Card"}});
    const std::string folder = Folder();
    int written = 0;
    for (unsigned long n = 0; n < captures; ++n) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", capture " + std::to_string(n));
        if (ActiveView() == nullptr) {
            theTestApp.GetDocManager()->OnFileNew();
            PumpMessages();
        }
        const std::string file = folder + "random_capture_" + std::to_string(n) + ".avi";
        DeleteFileA(file.c_str());
        FakeCapturePlatform::WindowState& window = Window();
        window.captureFile = file;
        if (Chance(70))
            DrawFormat(window.format);
        const bool sound = Chance(70);
        if (sound)
            DrawSound(window);
        m_platform->m_bRefuseSetup = Chance(3);
        m_platform->m_bRefuseSequence = Chance(3);
        m_soundDelivered = 0;
        const HWND hWndChild = ActiveChild()->m_hWnd;
        m_platform->m_onSequenceNoFile = [&](HWND hWnd, FakeCapturePlatform::WindowState& state) {
            DeliverAtRandom(hWnd, state, hWndChild);
        };
        RandomLog log;
        CFileCapture capture(View().Session().Window(), log);
        CFileCapture::Settings settings;
        settings.parms = View().Session().CaptureParms();
        settings.parms.fCaptureAudio = sound ? TRUE : FALSE;
        settings.parms.dwRequestMicroSecPerFrame = Pick<DWORD>({50000, 33367, 40000});
        settings.riffBlockBytes = 1 << 20;
        settings.soundInStep = false; // every sound byte as it came
        capture.Run(settings);
        PumpMessages();
        if (!capture.FileWritten()) {
            EXPECT_EQ(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
            continue;
        }
        ++written;
        const RiffFile riff(file);
        ASSERT_TRUE(riff.Ok()) << riff.Problem();
        const std::vector<DWORD> chunks = ChunkSizes(riff, Fcc("01wb"));
        ULONGLONG soundBytes = 0;
        for (DWORD bytes : chunks)
            soundBytes += bytes;
        if (log.m_errors.empty()) {
            EXPECT_EQ(soundBytes, m_soundDelivered) << "the sound delivered, in the file once";
        }
        EXPECT_TRUE(ReadWithAviFile(file).opened);
        if (GetEnvironmentVariableA("RANDOM_CAPTURE_FOLDER", nullptr, 0) == 0)
            DeleteFileA(file.c_str());
    }
    std::printf("seed %lu: %lu captures, %d files written\n", seed, captures, written);
    m_platform->m_bRefuseSetup = m_platform->m_bRefuseSequence = false;
}

} // namespace
