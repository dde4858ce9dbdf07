#include "SequenceCapture.h"

#include <mmsystem.h>
#include <vfw.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "capturefile/AviWriter.h"
#include "capturefile/AviWriterThread.h"
#include "CaptureWindowState.h"
#include "DeviceEnvironment.h"
#include "DeviceFaults.h"
#include "PaletteFormat.h"
#include "SequenceHook.h"
#include "VideoRateFit.h"

namespace {

constexpr DWORD kDefaultMicroSecPerFrame = 66667;
constexpr double kToneHz = 440.0;
constexpr double kToneLevel = 0.25; // of full scale
// At most this often the window shows a captured frame while capturing.
constexpr DWORD kShowFrameIntervalMs = 250;
constexpr DWORD kInputCheckIntervalMs = 5;
constexpr ULONGLONG kLongestSoundBufferS = 10;

// Restores the default timer resolution when the capture ends.
class CTimerResolution {
public:
    CTimerResolution() : m_set(timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~CTimerResolution() {
        if (m_set) {
            timeEndPeriod(1);
        }
    }
    CTimerResolution(const CTimerResolution&) = delete;
    CTimerResolution& operator=(const CTimerResolution&) = delete;

private:
    bool m_set;
};

bool KeyDown(int virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

// The abort key: a virtual key in the low byte, with 0x8000 asking for Ctrl
// and 0x4000 for Shift held with it.
bool AbortKeyDown(UINT abortKey) {
    const int key = static_cast<int>(abortKey & 0xFF);
    if (key == 0 || !KeyDown(key)) {
        return false;
    }
    return ((abortKey & 0x8000) == 0 || KeyDown(VK_CONTROL)) &&
           ((abortKey & 0x4000) == 0 || KeyDown(VK_SHIFT));
}

} // namespace

SequenceDeviceSettings SequenceDeviceSettings::FromEnvironment() {
    SequenceDeviceSettings settings;
    if (auto bytes = EnvironmentNumber("SOFTCAP_MAX_FILE_BYTES"); bytes && *bytes > 0) {
        settings.maxFileBytes =
            std::min(static_cast<ULONGLONG>(*bytes), SequenceDeviceSettings::kAviFileLimit);
    }
    if (auto unpaced = EnvironmentNumber("SOFTCAP_CAPTURE_UNPACED")) {
        settings.unpaced = *unpaced != 0;
    }
    settings.bufferGate = FaultFrameBufferGate();
    settings.dropFrame = FaultFrameDropRule();
    settings.clocks = CardClockSettings::FromEnvironment();
    settings.lies = FaultRecordLies();
    return settings;
}

CSequenceCapture::CSequenceCapture(CaptureWindowState& state,
                                   const SequenceDeviceSettings& settings)
    : m_state(state), m_settings(settings), m_clocks(kDefaultMicroSecPerFrame, settings.clocks) {}

// Sample k is taken at k / (rate * (1 + ppm / 1e6)) seconds of picture time,
// where the tone is 440 Hz: played at the nominal rate, a fast sound clock's
// tone sounds lower.
void CSequenceCapture::ToneSamples(const WAVEFORMATEX& format, ULONGLONG first, long soundPpm,
                                   std::span<BYTE> bytes) {
    const DWORD count = static_cast<DWORD>(bytes.size() / format.nBlockAlign);
    const double samplesPerSecond = format.nSamplesPerSec * (1.0 + soundPpm / 1e6);
    const double cyclesPerSample = kToneHz / samplesPerSecond;
    BYTE* out = bytes.data();
    for (DWORD i = 0; i < count; ++i) {
        // The phase from the block number keeps the tone continuous across
        // buffers; its whole cycles are left out before the sine, which
        // keeps it exact over hours.
        const double cycles = static_cast<double>(first + i) * cyclesPerSample;
        const double phase = 2.0 * 3.14159265358979323846 * (cycles - std::floor(cycles));
        const double value = kToneLevel * std::sin(phase);
        for (WORD channel = 0; channel < format.nChannels; ++channel) {
            if (format.wBitsPerSample == 8) {
                *out++ = static_cast<BYTE>(128 + std::lround(value * 127));
            } else {
                const SHORT sample = static_cast<SHORT>(std::lround(value * 32767));
                *out++ = static_cast<BYTE>(sample & 0xFF);
                *out++ = static_cast<BYTE>((sample >> 8) & 0xFF);
            }
        }
    }
}

bool CSequenceCapture::PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the program's own loop once the capture returns.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

CSequenceCapture::EndReason CSequenceCapture::CheckForEnd(ULONGLONG frame, ULONGLONG frameLimit) {
    // Faster than real time, the queue and the keys are looked at every few
    // milliseconds rather than at every frame: each look is a round trip to
    // the window system, which would cost such a capture much of its rate.
    const DWORD tick = GetTickCount();
    if (m_inputEveryFrame || !m_inputChecked || tick - m_lastInputCheck >= kInputCheckIntervalMs) {
        m_inputChecked = true;
        m_lastInputCheck = tick;
        // A yield callback takes the program's messages, and filters them:
        // the device then dispatches none itself.
        if (m_state.callbacks.yield == nullptr && !PumpMessages()) {
            return EndReason::Quit;
        }
        const CAPTUREPARMS& parms = m_state.setup.parms;
        if (AbortKeyDown(parms.vKeyAbort) || (parms.fAbortLeftMouse && KeyDown(VK_LBUTTON)) ||
            (parms.fAbortRightMouse && KeyDown(VK_RBUTTON))) {
            return EndReason::AbortKey;
        }
    }
    // A window closed meanwhile (by a callback, or by a message this loop
    // dispatched) ends the capture as a stop does.
    const SequenceProgress& progress = m_state.progress;
    if (progress.stopRequested || progress.abortRequested || !m_state.WindowAlive()) {
        return EndReason::StopMessage;
    }
    if (frame >= frameLimit) {
        return EndReason::TimeLimit;
    }
    return EndReason::None;
}

void CSequenceCapture::ReportProgress(DWORD elapsedMs) {
    char text[160];
    std::snprintf(text, sizeof text, "Captured %lu frames (%lu dropped) %lu.%03lu sec.",
                  static_cast<unsigned long>(m_frames), static_cast<unsigned long>(m_dropped),
                  static_cast<unsigned long>(elapsedMs / 1000),
                  static_cast<unsigned long>(elapsedMs % 1000));
    m_state.ReportStatus(IDS_CAP_STAT_VIDEOCURRENT, text);
}

void CSequenceCapture::ReportSummary(DWORD elapsedMs) {
    const SequenceProgress& progress = m_state.progress;
    const DWORD ms = std::max<DWORD>(elapsedMs, 1);
    const ULONGLONG milliFps = static_cast<ULONGLONG>(progress.currentVideoFrame) * 1000000 / ms;
    char text[256];
    const int length = std::snprintf(
        text, sizeof text, "Captured %lu.%03lu sec.  %lu frames (%lu dropped) (%lu.%03lu fps).",
        static_cast<unsigned long>(elapsedMs / 1000), static_cast<unsigned long>(elapsedMs % 1000),
        static_cast<unsigned long>(progress.currentVideoFrame),
        static_cast<unsigned long>(progress.currentVideoFramesDropped),
        static_cast<unsigned long>(milliFps / 1000), static_cast<unsigned long>(milliFps % 1000));
    const bool withAudio = m_state.setup.parms.fCaptureAudio != FALSE;
    if (withAudio && length > 0 && static_cast<size_t>(length) < sizeof text) {
        std::snprintf(text + length, sizeof text - static_cast<size_t>(length),
                      "  %lu audio samples",
                      static_cast<unsigned long>(progress.currentWaveSamples));
    }
    m_state.ReportStatus(withAudio ? IDS_CAP_STAT_VIDEOAUDIO : IDS_CAP_STAT_VIDEOONLY, text);
}

void CSequenceCapture::StreamFrameCallback(BYTE* frame, DWORD capturedMs) {
    if (m_state.callbacks.videoStream == nullptr || !m_state.WindowAlive()) {
        return;
    }
    VIDEOHDR header{};
    header.lpData = frame;
    header.dwBufferLength = m_state.VideoFormat().biSizeImage;
    header.dwBytesUsed = m_settings.lies.frameBytes
                             ? RecordLies::LiedBytes(m_framesStreamed, header.dwBufferLength)
                             : header.dwBufferLength;
    ++m_framesStreamed;
    header.dwTimeCaptured = capturedMs;
    header.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
    m_state.callbacks.videoStream(m_state.Window(), &header);
}

LRESULT CSequenceCapture::Run(bool toFile) {
    if (!Prepare(toFile)) {
        return FALSE;
    }
    const DWORD elapsedMs = Loop();
    return Finish(elapsedMs);
}

bool CSequenceCapture::Prepare(bool toFile) {
    SequenceProgress& progress = m_state.progress;
    m_parms = m_state.setup.parms;
    const BITMAPINFOHEADER format = m_state.VideoFormat();
    m_frameBytes = format.biSizeImage;
    m_microSecPerFrame = m_parms.dwRequestMicroSecPerFrame != 0 ? m_parms.dwRequestMicroSecPerFrame
                                                                : kDefaultMicroSecPerFrame;
    m_clocks = CCardClocks(m_microSecPerFrame, m_settings.clocks);

    progress = SequenceProgress{};
    if (!m_state.IsConnected() || m_frameBytes == 0) {
        m_state.ReportError(IDS_CAP_NO_FRAME_CAP_ERROR, "No capture driver is connected.");
        return false;
    }
    if (m_parms.fCaptureAudio && !PrepareAudio()) {
        return false;
    }
    if (m_parms.fMakeUserHitOKToCapture &&
        (MessageBoxA(m_state.Window(), "Select OK to start capture of video sequence.", "",
                     MB_OKCANCEL | MB_ICONINFORMATION) != IDOK ||
         !m_state.WindowAlive())) {
        return false;
    }
    // Frames are written as the driver delivers them; a compressor chosen
    // in the compression dialog is not applied, and the user is told so.
    if (toFile && m_state.setup.compressorHandler != 0 &&
        m_state.setup.compressorHandler != mmioFOURCC('D', 'I', 'B', ' ')) {
        m_state.ReportError(IDS_CAP_COMPRESSOR_ERROR,
                            "The chosen compressor is not used for sequence capture: the video "
                            "is captured uncompressed.");
    }
    m_state.ReportStatus(IDS_CAP_STAT_CAP_INIT, "Initializing capture...");
    if (!m_state.WindowAlive()) {
        return false;
    }
    return toFile ? OpenFile(format) : AllocateCallbackBuffers();
}

// PCM only, as a generated tone, in buffers of whole sample blocks: the size
// the parameters ask, else half a second, and at most ten seconds.
bool CSequenceCapture::PrepareAudio() {
    if (m_state.setup.audioFormat.size() < sizeof(PCMWAVEFORMAT) ||
        !CaptureWindowState::IsRecordablePcm(m_state.setup.Audio())) {
        m_state.ReportError(IDS_CAP_WAVE_OPEN_ERROR,
                            "The audio format cannot be recorded: choose an 8- or 16-bit "
                            "PCM format.");
        return false;
    }
    m_audio = m_state.setup.Audio();
    m_audio->cbSize = 0;
    const ULONGLONG asked = m_parms.dwAudioBufferSize / m_audio->nBlockAlign;
    const ULONGLONG largest =
        static_cast<ULONGLONG>(m_audio->nSamplesPerSec) * kLongestSoundBufferS;
    m_audioBufferBlocks = std::clamp<ULONGLONG>(
        m_parms.dwAudioBufferSize != 0 ? asked : m_audio->nSamplesPerSec / 2, 1, largest);
    return true;
}

bool CSequenceCapture::AllocateCallbackBuffers() {
    if (!m_frameBuffer.Allocate(m_frameBytes)) {
        m_state.ReportError(IDS_CAP_VIDEO_ALLOC_ERROR, "Out of memory for video buffers.");
        return false;
    }
    if (m_audio &&
        !m_audioBuffer.Allocate(static_cast<DWORD>(m_audioBufferBlocks * m_audio->nBlockAlign))) {
        m_state.ReportError(IDS_CAP_WAVE_ALLOC_ERROR, "Out of memory for audio buffers.");
        return false;
    }
    return true;
}

bool CSequenceCapture::OpenFile(const BITMAPINFOHEADER& format) {
    AviWriterSettings settings;
    settings.videoFormat = WholeFormat(format); // with the palette an 8-bit stream needs
    settings.microSecPerFrame = m_microSecPerFrame;
    if (m_audio) {
        settings.audioFormat.resize(sizeof(WAVEFORMATEX));
        std::memcpy(settings.audioFormat.data(), &*m_audio, sizeof(WAVEFORMATEX));
    }
    for (const InfoChunk& chunk : m_state.setup.info.Entries()) {
        settings.info.push_back({chunk.id, chunk.data});
    }
    // As the platform writes: AVI 1.0 up to its limit, no look at the free
    // space (a full disk fails a write), nothing readable before the end.
    settings.openDml = false;
    settings.maxFileBytes = m_settings.maxFileBytes;
    settings.checkFreeSpace = false;
    if (!m_writer.Open(m_state.setup.file, settings)) {
        const std::string text = "Cannot open the capture file " + m_state.setup.file + ": " +
                                 AviErrorText(m_writer.LastError()) + ".";
        m_state.ReportError(IDS_CAP_FILE_OPEN_ERROR, text.c_str());
        return false;
    }
    m_writerThread = std::make_unique<CAviWriterThread>(
        m_writer, m_frameBytes, std::max<UINT>(m_parms.wNumVideoRequested, 1),
        m_settings.bufferGate);
    m_writerThread->SetCheckpoints(false);
    return true;
}

DWORD CSequenceCapture::Loop() {
    const CTimerResolution timerResolution;
    StartClock();
    for (ULONGLONG frame = 0; NextEnd(frame) == EndReason::None;) {
        const LONGLONG now = Now();
        const LONGLONG due = m_start + static_cast<LONGLONG>(frame * m_ticksPerFrame);
        if (!m_settings.unpaced && now < due) {
            WaitUntil(due, now);
            continue;
        }
        const DWORD elapsedMs = ElapsedMs(now);
        TakeFrame(frame, IsLate(now, due), elapsedMs);
        if (m_outOfMemory) {
            break; // that frame had no buffer: it never was
        }
        ++frame;
        ++m_frames;
        TakeAudio(frame);
        // Unpaced, the capture's own time is the picture's.
        UpdateProgress(m_settings.unpaced ? PictureMs() : elapsedMs);
        if (!m_state.CallYield()) {
            break;
        }
    }
    return m_settings.unpaced ? PictureMs() : ElapsedMs(Now());
}

// The picture time of the frame slots taken.
DWORD CSequenceCapture::PictureMs() const {
    return static_cast<DWORD>(m_clocks.PictureMicros(m_frames) / 1000);
}

// The frame clock and the limits, then the start, reported.
void CSequenceCapture::StartClock() {
    m_catchUpFrames = m_writerThread ? m_writerThread->BufferCount()
                                     : std::max<UINT>(m_parms.wNumVideoRequested, 1);
    // At real-time rates the input is looked at before every frame; only a
    // capture faster than that spaces the looks out.
    m_inputEveryFrame = !m_settings.unpaced && m_microSecPerFrame >= kInputCheckIntervalMs * 1000;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    m_frequency = frequency.QuadPart;
    m_ticksPerFrame = static_cast<double>(m_frequency) * m_microSecPerFrame / 1e6;
    m_frameLimit =
        m_parms.fLimitEnabled
            ? (static_cast<ULONGLONG>(m_parms.wTimeLimit) * 1000000ULL + m_microSecPerFrame - 1) /
                  m_microSecPerFrame
            : ~0ULL;

    // A key press or click from before the capture must not end it.
    GetAsyncKeyState(static_cast<int>(m_parms.vKeyAbort & 0xFF));
    m_state.progress.capturingNow = true;
    m_state.ReportStatus(IDS_CAP_BEGIN, "Capture Start");
    m_start = Now();
}

LONGLONG CSequenceCapture::Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

DWORD CSequenceCapture::ElapsedMs(LONGLONG at) const {
    return static_cast<DWORD>((at - m_start) * 1000 / m_frequency);
}

void CSequenceCapture::WaitUntil(LONGLONG due, LONGLONG now) const {
    Wait(static_cast<DWORD>((due - now) * 1000 / m_frequency));
}

// Without a yield callback, wakes for messages as well, so the window stays
// responsive; with one, the messages wait for it.
void CSequenceCapture::Wait(DWORD ms) const {
    if (m_state.callbacks.yield != nullptr) {
        Sleep(ms);
    } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    }
}

// A card fills its buffers at each frame time whatever this thread is doing,
// so a frame taken a little late (the thread was held up) is still one the
// buffers would have held. Beyond the time the buffers cover, it could not
// have been delivered: dropped.
bool CSequenceCapture::IsLate(LONGLONG now, LONGLONG due) const {
    return !m_settings.unpaced &&
           now >= due + static_cast<LONGLONG>(m_ticksPerFrame * m_catchUpFrames);
}

CSequenceCapture::EndReason CSequenceCapture::NextEnd(ULONGLONG frame) {
    const EndReason reason = CheckForEnd(frame, m_frameLimit);
    if (reason == EndReason::None && m_outOfMemory) {
        return EndReason::OutOfMemory;
    }
    if (reason != EndReason::None || !m_writerThread) {
        return reason;
    }
    if (m_writerThread->Failed()) {
        return EndReason::WriteFailed;
    }
    if (m_writerThread->AllocationFailed()) {
        m_outOfMemory = true;
        return EndReason::OutOfMemory;
    }
    return EndReason::None;
}

void CSequenceCapture::UpdateProgress(DWORD ms) {
    SequenceProgress& progress = m_state.progress;
    progress.currentVideoFrame = m_frames;
    progress.currentVideoFramesDropped = m_dropped;
    progress.currentWaveSamples = static_cast<DWORD>(m_audioBlocks);
    progress.currentTimeElapsedMS = ms;
    if (ms >= m_nextProgressMs) {
        ReportProgress(ms);
        m_nextProgressMs = (ms / 1000 + 1) * 1000;
    }
}

void CSequenceCapture::TakeFrame(ULONGLONG frame, bool late, DWORD ms) {
    BYTE* buffer = nullptr;
    const bool delivered = !late && m_clocks.Delivers(frame) &&
                           (m_settings.dropFrame == nullptr || !m_settings.dropFrame(frame));
    if (delivered) {
        if (m_writerThread) {
            buffer = m_settings.unpaced ? m_writerThread->WaitForBuffer()
                                        : m_writerThread->TryTakeBuffer();
        } else if (m_settings.bufferGate == nullptr || m_settings.bufferGate(m_framesGated++)) {
            buffer = m_frameBuffer.Data();
        } else {
            // Without a file the driver's own buffers run out: no frame to hand on.
            m_outOfMemory = true;
            return;
        }
    }
    if (buffer == nullptr && m_writerThread && m_writerThread->AllocationFailed()) {
        return; // not a frame: the capture ends before the next one
    }
    if (buffer == nullptr) {
        ++m_dropped;
        if (m_writerThread) {
            m_writerThread->QueueDroppedFrame();
        }
        return;
    }
    m_state.Frames().Render(static_cast<DWORD>(frame), m_state.ClockMs(),
                            std::span<BYTE>(buffer, m_frameBytes), RecordOf(buffer));
    // A card stamps each frame with its own clock; a frame taken a little
    // late is still the one of its frame time.
    StreamFrameCallback(buffer, m_clocks.StampMs(frame));
    if (m_state.display.previewOn && ms - m_lastShownMs >= kShowFrameIntervalMs) {
        m_state.ShowFrame(buffer);
        m_lastShownMs = ms;
    }
    if (m_writerThread) {
        m_writerThread->QueueFrame(buffer);
    }
}

// A frame stream callback may change the frames it is given: then every
// frame is rendered whole.
FrameGenerator::BufferRecord* CSequenceCapture::RecordOf(const BYTE* buffer) {
    if (m_state.callbacks.videoStream != nullptr) {
        m_bufferRecords.clear();
        return nullptr;
    }
    for (auto& [known, record] : m_bufferRecords) {
        if (known == buffer) {
            return &record;
        }
    }
    m_bufferRecords.emplace_back(buffer, FrameGenerator::BufferRecord{});
    return &m_bufferRecords.back().second;
}

// The sound buffers the sound clock has filled by the end of the frame
// slots taken so far.
void CSequenceCapture::TakeAudio(ULONGLONG framesTaken) {
    if (!m_audio) {
        return;
    }
    const ULONGLONG made =
        m_clocks.SoundBlocks(m_clocks.PictureMicros(framesTaken), m_audio->nSamplesPerSec);
    while (made >= m_audioBlocks + m_audioBufferBlocks) {
        DeliverAudio(m_audioBufferBlocks);
    }
}

// At the end, the buffer being filled, with what it holds.
void CSequenceCapture::FlushAudio() {
    if (!m_audio) {
        return;
    }
    TakeAudio(m_frames);
    const ULONGLONG made =
        m_clocks.SoundBlocks(m_clocks.PictureMicros(m_frames), m_audio->nSamplesPerSec);
    if (made > m_audioBlocks) {
        DeliverAudio(made - m_audioBlocks);
    }
    m_state.progress.currentWaveSamples = static_cast<DWORD>(m_audioBlocks);
}

void CSequenceCapture::DeliverAudio(ULONGLONG blocks) {
    const DWORD bytes = static_cast<DWORD>(blocks * m_audio->nBlockAlign);
    CAviWriterThread::AudioBuffer queued;
    std::span<BYTE> samples;
    DWORD bufferBytes = bytes;
    if (m_writerThread) {
        queued = m_writerThread->TakeAudioBuffer(bytes);
        samples = queued.samples;
    } else {
        samples = m_audioBuffer.Bytes().first(bytes);
        bufferBytes = static_cast<DWORD>(m_audioBuffer.Bytes().size());
    }
    ToneSamples(*m_audio, m_audioBlocks, m_clocks.SoundPpm(), samples);
    StreamAudioCallback(samples, bufferBytes);
    if (m_writerThread) {
        m_writerThread->QueueAudio(queued);
    }
    m_audioBlocks += blocks;
}

void CSequenceCapture::StreamAudioCallback(std::span<BYTE> samples, DWORD bufferBytes) {
    if (m_state.callbacks.waveStream == nullptr || !m_state.WindowAlive()) {
        return;
    }
    WAVEHDR header{};
    header.lpData = reinterpret_cast<LPSTR>(samples.data());
    header.dwBufferLength = bufferBytes;
    header.dwBytesRecorded = m_settings.lies.soundBytes
                                 ? RecordLies::LiedBytes(m_soundBuffers, bufferBytes)
                                 : static_cast<DWORD>(samples.size());
    ++m_soundBuffers;
    header.dwFlags = WHDR_DONE | WHDR_PREPARED;
    m_state.callbacks.waveStream(m_state.Window(), &header);
}

LRESULT CSequenceCapture::Finish(DWORD totalMs) {
    SequenceProgress& progress = m_state.progress;
    FlushAudio();
    const LRESULT result = m_writerThread ? CloseFile() : TRUE;
    progress.currentTimeElapsedMS = totalMs;
    progress.capturingNow = false;
    progress.stopRequested = false;
    progress.abortRequested = false;

    ReportSummary(totalMs);
    if (m_outOfMemory) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Out of memory for video buffers: the capture stopped after %lu frames%s",
                      static_cast<unsigned long>(progress.currentVideoFrame),
                      m_writerThread ? " and the file was closed." : ".");
        m_state.ReportError(IDS_CAP_VIDEO_ALLOC_ERROR, text);
    }
    const DWORD frames = progress.currentVideoFrame;
    const DWORD dropped = progress.currentVideoFramesDropped;
    if (frames != 0 && dropped != 0 &&
        static_cast<ULONGLONG>(dropped) * 100 >
            static_cast<ULONGLONG>(frames) * m_parms.wPercentDropForError) {
        char text[160];
        const DWORD hundredths =
            static_cast<DWORD>(static_cast<ULONGLONG>(dropped) * 10000 / frames);
        std::snprintf(text, sizeof text, "Dropped %lu of %lu frames (%lu.%02lu%%) during capture.",
                      static_cast<unsigned long>(dropped), static_cast<unsigned long>(frames),
                      static_cast<unsigned long>(hundredths / 100),
                      static_cast<unsigned long>(hundredths % 100));
        m_state.ReportError(IDS_CAP_STAT_FRAMESDROPPED, text);
    }
    m_state.ReportStatus(IDS_CAP_END, "Capture End");
    return result;
}

LRESULT CSequenceCapture::CloseFile() {
    SequenceProgress& progress = m_state.progress;
    m_state.ReportStatus(IDS_CAP_STAT_CAP_FINI, "Finishing the capture file...");
    m_writerThread->Finish();
    const bool completed = m_writer.Close();
    if (completed) {
        FitVideoRate();
    }
    // What the file holds is what the capture reports.
    progress.currentVideoFrame = m_writerThread->FramesWritten();
    progress.currentVideoFramesDropped = m_writerThread->DroppedFramesWritten();
    progress.currentWaveSamples = m_writer.AudioBlocks();
    const DWORD error = m_writer.LastError();
    const char* file = m_state.setup.file.c_str();
    char text[MAX_PATH + 256];
    LRESULT result = TRUE;
    if (error == ERROR_FILE_TOO_LARGE) {
        std::snprintf(text, sizeof text,
                      "The capture file %s reached the largest size of an AVI file (%lu MB): "
                      "the capture stopped after %lu frames and the file was closed.",
                      file, static_cast<unsigned long>(m_settings.maxFileBytes / 1000000),
                      static_cast<unsigned long>(progress.currentVideoFrame));
        m_state.ReportError(IDS_CAP_FILE_WRITE_ERROR, text);
        result = FALSE;
    } else if (error != 0) {
        std::snprintf(text, sizeof text,
                      "Cannot write to the capture file %s (%s): the capture stopped "
                      "after %lu frames.",
                      file, AviErrorText(error).c_str(),
                      static_cast<unsigned long>(progress.currentVideoFrame));
        m_state.ReportError(IDS_CAP_FILE_WRITE_ERROR, text);
        result = FALSE;
    }
    if (!completed) {
        std::snprintf(text, sizeof text,
                      "The capture file %s could not be completed; it may lack its index.", file);
        m_state.ReportError(IDS_CAP_FILE_WRITE_ERROR, text);
        result = FALSE;
    }
    return result;
}

// With the sound as the master stream, the picture is made to last as long
// as the sound: the frame rate written is the one fitted to it.
void CSequenceCapture::FitVideoRate() {
    if (!m_audio || m_parms.AVStreamMaster != AVSTREAMMASTER_AUDIO) {
        return;
    }
    const DWORD fitted = FittedMicroSecPerFrame(m_writer.VideoFrames(), m_writer.AudioBlocks(),
                                                m_audio->nSamplesPerSec);
    if (fitted != 0 && fitted != m_microSecPerFrame) {
        RewriteVideoRate(m_state.setup.file, fitted);
    }
}

LRESULT OnSequence(CaptureWindowState& state) {
    switch (state.pendingCommand) {
    case SequenceCommand::Sequence:
    case SequenceCommand::SequenceNoFile: {
        if (state.progress.capturingNow) {
            return FALSE; // one capture at a time
        }
        CSequenceCapture capture(state, SequenceDeviceSettings::FromEnvironment());
        return capture.Run(state.pendingCommand == SequenceCommand::Sequence);
    }
    case SequenceCommand::Stop:
    case SequenceCommand::Abort:
        // The running capture sees the request at its next frame.
        return state.progress.capturingNow ? TRUE : FALSE;
    }
    return FALSE;
}
