#include "FileCaptureFixture.h"

#include "support/DialogScript.h"

#include "framework/FrameworkResource.h"
#include "framework/StatusBar.h"
#include "resources/resource.h"

#include <vfw.h>

#include <cstring>

std::string TempFile(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

AviLengths ReadWithAviFile(const std::string& path) {
    AviLengths lengths;
    AVIFileInit();
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr) == 0) {
        lengths.opened = true;
        PAVISTREAM stream = nullptr;
        if (AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0) {
            lengths.video = AVIStreamLength(stream);
            AVIStreamRelease(stream);
        }
        if (AVIFileGetStream(file, &stream, streamtypeAUDIO, 0) == 0) {
            lengths.audio = AVIStreamLength(stream);
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    AVIFileExit();
    return lengths;
}

// The sizes of one stream's chunks, in the order of the file.
std::vector<DWORD> ChunkSizes(const RiffFile& riff, DWORD chunkId) {
    std::vector<DWORD> sizes;
    for (const RiffChunk& block : riff.Blocks()) {
        if (const RiffChunk* movi = block.Find(Fcc("LIST"), Fcc("movi"))) {
            for (const RiffChunk* chunk : movi->FindAll(chunkId))
                sizes.push_back(chunk->size);
        }
    }
    return sizes;
}

namespace {

void DeliverSound(HWND hWnd, FakeCapturePlatform::WindowState& state, DWORD buffers) {
    std::vector<BYTE> sound(kSoundBytes, 0x80);
    for (DWORD n = 0; n < buffers && state.waveStream != nullptr; ++n) {
        WAVEHDR wave{};
        wave.lpData = reinterpret_cast<LPSTR>(sound.data());
        wave.dwBufferLength = wave.dwBytesRecorded = kSoundBytes;
        wave.dwFlags = WHDR_DONE;
        state.waveStream(hWnd, &wave);
    }
}

} // namespace

void Deliver(HWND hWnd, FakeCapturePlatform::WindowState& state, std::vector<DWORD> times,
             DWORD frameBytes, DWORD pauseBeforeLastMs, std::vector<DWORD> realTimes) {
    if (realTimes.empty())
        realTimes = times;
    std::vector<DeliveredFrame> frames;
    for (size_t n = 0; n < times.size(); ++n) {
        const DWORD time = times[n];
        const bool last = n + 1 == times.size();
        auto fill = [=](VIDEOHDR& video) {
            if (last)
                Sleep(pauseBeforeLastMs);
            std::memset(video.lpData, int(time / 50), video.dwBytesUsed);
        };
        // The sound of a gap comes before the frame after it.
        const DWORD passed = n == 0 ? 0 : realTimes[n] - realTimes[n - 1];
        const DWORD gapSound = passed >= 100 ? passed / 50 - 1 : 0;
        auto fillAfterGap = [fill, gapSound, hWnd, &state](VIDEOHDR& video) {
            DeliverSound(hWnd, state, gapSound);
            fill(video);
        };
        frames.push_back({time, fillAfterGap, {}});
    }
    DeliverFrames(hWnd, state, frames, frameBytes);
}

void DeliverFrames(HWND hWnd, FakeCapturePlatform::WindowState& state,
                   const std::vector<DeliveredFrame>& frames, DWORD bufferBytes) {
    std::vector<BYTE> frame(bufferBytes, 0x40);
    std::vector<BYTE> sound(kSoundBytes, 0x80);
    for (const DeliveredFrame& delivered : frames) {
        if (state.stopRequested)
            return;
        VIDEOHDR video{};
        video.lpData = frame.data();
        video.dwBufferLength = video.dwBytesUsed = bufferBytes;
        video.dwTimeCaptured = delivered.time;
        video.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
        if (delivered.editVideo)
            delivered.editVideo(video);
        ASSERT_NE(state.videoStream, nullptr);
        state.videoStream(hWnd, &video);
        if (state.waveStream != nullptr) {
            WAVEHDR wave{};
            wave.lpData = reinterpret_cast<LPSTR>(sound.data());
            wave.dwBufferLength = wave.dwBytesRecorded = kSoundBytes;
            wave.dwFlags = WHDR_DONE;
            if (delivered.editSound)
                delivered.editSound(wave);
            state.waveStream(hWnd, &wave);
        }
    }
}

void FileCaptureTest::StartWithSound(const std::string& file) {
    Start({{0, "Card"}});
    const WAVEFORMATEX sound{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
    const auto* bytes = reinterpret_cast<const BYTE*>(&sound);
    Window().audioFormat.assign(bytes, bytes + sizeof sound);
    Window().captureFile = file;
    View().Session().CaptureParms().fCaptureAudio = TRUE;
    // The sound as it came, to the byte (its pacing has tests of its own).
    View().Session().WriterChoice().m_bSoundInStep = false;
    DeleteFileA(file.c_str());
}

void FileCaptureTest::CaptureVideo() {
    EXPECT_TRUE(RunWithDialog([] { AfxGetMainWnd()->SendMessage(WM_COMMAND, ID_CAPTURE_VIDEO); },
                              [](HWND prompt) { EndDialogWith(prompt, IDOK); }));
}

std::string FileCaptureTest::StatusText() {
    auto* bar = DynamicDowncast<CStatusBar>(
        CWnd::FromHandlePermanent(GetDlgItem(AfxGetMainWnd()->m_hWnd, AFX_IDW_STATUS_BAR)));
    return bar != nullptr ? bar->GetPaneText(0) : "(no status bar)";
}

std::vector<RecordedMessage> FileCaptureTest::Sent() {
    std::vector<RecordedMessage> sent;
    for (const RecordedMessage& m : Recorded()) {
        if (m.message != WM_CAP_GET_STATUS && m.message != WM_CAP_SET_PREVIEWRATE &&
            m.message != WM_QUERYNEWPALETTE && m.message != WM_CAP_GET_USER_DATA)
            sent.push_back(m);
    }
    return sent;
}

bool FileCaptureTest::SequenceSent() {
    for (const RecordedMessage& m : Sent()) {
        if (m.message == WM_CAP_SEQUENCE_NOFILE)
            return true;
    }
    return false;
}
