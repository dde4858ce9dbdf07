#include "recording/FileCapture.h"

#include "contract/DibFormat.h"
#include "session/CaptureWindowServices.h"
#include "session/VideoFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The progress is shown at least this often.
constexpr DWORD kProgressIntervalMs = 500;
// Sound held for the next frame to date beyond this (a long stall) goes on
// undated.
constexpr size_t kMostSoundToDate = 8;
// Larger than any capture card's picture.
constexpr LONG kLargestSide = 4096;
// The largest frame: 4096 x 4096 at 32 bits.
constexpr ULONGLONG kLargestFrameBytes = ULONGLONG(kLargestSide) * kLargestSide * 4;
// Far beyond a sound format with its extra bytes; a larger answer is not one.
constexpr DWORD kLargestSoundFormat = 4096;
// One sound buffer holds at most this much; a driver that claims more is cut
// to it (a second of 192 kHz 8-channel 32-bit sound is 6 MB).
constexpr DWORD kLargestSoundBuffer = 16 * 1024 * 1024;
// Sound held for the file until the first frame comes: a few seconds' worth.
constexpr DWORD kHeldSoundSeconds = 4;
constexpr DWORD kLeastHeldSound = 64 * 1024;

bool KnownBitDepth(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A frame copy takes the least of what the driver's buffer holds, what the
// driver says it filled, and what our buffer holds.
DWORD CopyBytes(DWORD bufferLength, DWORD used, DWORD room) {
    return std::min({bufferLength, used, room});
}

} // namespace

DWORD CapturableFrameBytes(const BITMAPINFOHEADER& header) {
    const LONGLONG height = header.biHeight < 0 ? -LONGLONG(header.biHeight) : header.biHeight;
    if (header.biWidth <= 0 || header.biWidth > kLargestSide || height == 0 ||
        height > kLargestSide)
        return 0;
    const bool uncompressed =
        header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS;
    if (uncompressed) {
        // The rows themselves: a size claimed beyond them is not believed.
        return KnownBitDepth(header.biBitCount)
                   ? DWORD(dib::FrameBytes(header.biWidth, header.biHeight, header.biBitCount))
                   : 0;
    }
    // A compressed frame is as large as the format says, and no larger than
    // the rows it stands for could be.
    const ULONGLONG bytes =
        header.biSizeImage != 0 ? header.biSizeImage
        : KnownBitDepth(header.biBitCount)
            ? dib::FrameBytes(header.biWidth, header.biHeight, header.biBitCount)
            : 0;
    return bytes <= kLargestFrameBytes ? DWORD(bytes) : 0;
}

CFileCapture::CFileCapture(HWND hWndCap, CCaptureListener& listener)
    : m_hWndCap(hWndCap), m_listener(listener) {}

bool CFileCapture::Run(const Settings& settings) {
    if (!Prepare(settings))
        return false;
    CAPTUREPARMS parms = settings.parms;
    // The capture runs inside the call, so that the callbacks end with it.
    parms.fYield = FALSE;
    InstallCallbacks(true);
    const bool started = Capture(parms);
    InstallCallbacks(false);
    capwnd::SetCallbackOnError(m_hWndCap, settings.errorCallback);
    // Sound that never saw a frame is still the capture's.
    if (started && !m_stopSent && m_thread == nullptr && !m_heldSound.empty())
        OpenFile(nullptr, 0);
    return Finish() && started;
}

bool CFileCapture::Prepare(const Settings& settings) {
    char path[MAX_PATH] = {};
    if (!capwnd::FileGetCaptureFile(m_hWndCap, path, sizeof path) || path[0] == '\0') {
        m_listener.OnCaptureError(IDS_CAP_FILE_OPEN_ERROR,
                                  "The capture window names no capture file.");
        return false;
    }
    m_fileName = path;
    const size_t slash = m_fileName.find_last_of("\\/");
    m_directory = slash == std::string::npos ? std::string() : m_fileName.substr(0, slash + 1);

    m_file.info = settings.info;
    m_file.riffBlockBytes = settings.riffBlockBytes;
    m_file.freeSpaceReserve = settings.freeSpaceReserve;
    m_microSecPerFrame = settings.parms.dwRequestMicroSecPerFrame;
    m_rate = NominalFrameRate(m_microSecPerFrame);
    m_file.microSecPerFrame = m_microSecPerFrame;
    // The file's rate is the standard one the microseconds stand for
    // (15/1 for 66,666; 30000/1001 for 33,367), so that it keeps its
    // sound's time over hours.
    m_file.frameRate = m_rate.rate;
    m_file.frameScale = m_rate.scale;
    m_soundInStep = settings.soundInStep;
    // At least a second of frames may wait for the disk: a frame that finds
    // no free buffer is lost. (The writer thread keeps the pool within what
    // a 32-bit process can spare.)
    const UINT secondOfFrames =
        m_microSecPerFrame == 0 ? 0 : UINT(1000000 / m_microSecPerFrame + 1);
    m_writerBuffers = std::max<UINT>(settings.parms.wNumVideoRequested, secondOfFrames);
    if (m_microSecPerFrame == 0 || !ReadVideoFormat() ||
        (settings.parms.fCaptureAudio && !ReadAudioFormat()) ||
        !CheckCompressor(settings.compressor))
        return false;
    const auto* sound = reinterpret_cast<const WAVEFORMATEX*>(m_file.audioFormat.data());
    // Frames wait for the sound that tells a gap from a step of the clock
    // in half of the pool, leaving the other half to the disk.
    m_placer = std::make_unique<CFramePlacer>(
        m_rate, m_file.audioFormat.empty() ? 0 : sound->nSamplesPerSec,
        std::max<UINT>(m_writerBuffers / 2, 1));
    m_decisions.reserve(64);
    m_soundToDate.reserve(kMostSoundToDate + 1);
    return true;
}

bool CFileCapture::ReadVideoFormat() {
    CVideoFormat video;
    if (!video.Read(m_hWndCap) || dib::ClaimedBytes(video.Header()) > video.Size()) {
        m_listener.OnCaptureError(IDS_CAP_NO_FRAME_CAP_ERROR,
                                  "The capture driver gives no video format to capture.");
        return false;
    }
    m_frameBytes = CapturableFrameBytes(video.Header());
    if (m_frameBytes == 0) {
        char text[256];
        const BITMAPINFOHEADER& header = video.Header();
        std::snprintf(text, sizeof text,
                      "The capture driver's video format (%ld x %ld, %u bits per pixel) cannot be "
                      "captured to a file. Choose another one in Video Format.",
                      LONG(header.biWidth), LONG(header.biHeight), unsigned(header.biBitCount));
        m_listener.OnCaptureError(IDS_CAP_VIDEO_SIZE_ERROR, text);
        return false;
    }
    // The file states the size the frames have, whatever the driver claimed.
    video.Header().biSizeImage = m_frameBytes;
    const auto* bytes = reinterpret_cast<const BYTE*>(&video.Header());
    m_file.videoFormat.assign(bytes, bytes + video.Size());
    return true;
}

bool CFileCapture::ReadAudioFormat() {
    const DWORD size = capwnd::GetAudioFormatSize(m_hWndCap);
    std::vector<BYTE> sound(
        std::max<size_t>(std::min(size, kLargestSoundFormat), sizeof(WAVEFORMATEX)) +
        capwnd::kRecordSlack);
    const DWORD answer = size < sizeof(PCMWAVEFORMAT) || size > kLargestSoundFormat
                             ? 0
                             : capwnd::GetAudioFormat(
                                   m_hWndCap, reinterpret_cast<WAVEFORMATEX*>(sound.data()), size);
    auto* format = reinterpret_cast<WAVEFORMATEX*>(sound.data());
    // An answer larger than the buffer is not the format the buffer holds.
    if (answer == 0 || answer > size || format->nBlockAlign == 0) {
        m_listener.OnCaptureError(IDS_CAP_WAVE_OPEN_ERROR,
                                  "The capture window gives no audio format to record.");
        return false;
    }
    // Its extra bytes, as many as there are (none after a PCMWAVEFORMAT).
    format->cbSize =
        WORD(std::min<DWORD>(size > sizeof(WAVEFORMATEX) ? format->cbSize : 0,
                             size > sizeof(WAVEFORMATEX) ? size - DWORD(sizeof(WAVEFORMATEX)) : 0));
    sound.resize(sizeof(WAVEFORMATEX) + format->cbSize);
    m_soundBlockAlign = format->nBlockAlign;
    m_soundBytesPerSec = format->nAvgBytesPerSec;
    m_file.audioFormat = std::move(sound);
    return true;
}

bool CFileCapture::CheckCompressor(COMPVARS* compressor) {
    if (compressor == nullptr || compressor->hic == nullptr)
        return true;
    m_compressor = std::make_unique<CFrameCompressor>(*compressor);
    if (!m_compressor->Takes(m_file.videoFormat)) {
        m_compressor.reset();
        m_listener.OnCaptureError(IDS_CAP_COMPRESSOR_ERROR,
                                  "The chosen compressor cannot compress this video format. "
                                  "Choose another one in Video Compression.");
        return false;
    }
    m_file.videoHandler = compressor->fccHandler;
    return true;
}

void CFileCapture::InstallCallbacks(bool install) {
    capwnd::SetUserData(m_hWndCap, install ? reinterpret_cast<LPARAM>(this) : 0);
    capwnd::SetCallbackOnVideoStream(m_hWndCap, install ? &CFileCapture::OnVideoStream : nullptr);
    if (m_soundBlockAlign != 0)
        capwnd::SetCallbackOnWaveStream(m_hWndCap, install ? &CFileCapture::OnWaveStream : nullptr);
    if (install)
        capwnd::SetCallbackOnError(m_hWndCap, &CFileCapture::OnError);
}

// False when the capture window refused the parameters or the capture.
bool CFileCapture::Capture(CAPTUREPARMS parms) {
    if (!capwnd::SetSequenceSetup(m_hWndCap, parms)) {
        ReportRefusal("the capture settings");
        return false;
    }
    m_lastReportTick = GetTickCount();
    ReportProgress(true);
    // Returns when the capture ends; the callbacks run inside it.
    if (!capwnd::SequenceNoFile(m_hWndCap)) {
        ReportRefusal("the capture");
        return false;
    }
    return true;
}

// The capture window's own words, where it gave them, are enough.
void CFileCapture::ReportRefusal(const char* lpszWhat) {
    if (m_driverSpoke)
        return;
    const std::string text = std::string("The capture driver refused ") + lpszWhat +
                             ": nothing was captured, and " + m_fileName + " was not changed.";
    m_listener.OnCaptureError(IDS_CAP_DRIVER_ERROR, text.c_str());
}

CFileCapture* CFileCapture::FromWindow(HWND hWnd) {
    return reinterpret_cast<CFileCapture*>(capwnd::GetUserData(hWnd));
}

// Nothing thrown may reach the capture window: what the callbacks cannot
// allocate ends the capture as a lack of memory.
LRESULT CALLBACK CFileCapture::OnVideoStream(HWND hWnd, LPVIDEOHDR lpVHdr) {
    CFileCapture* capture = FromWindow(hWnd);
    if (capture == nullptr || lpVHdr == nullptr)
        return TRUE;
    try {
        capture->TakeFrame(*lpVHdr);
    } catch (...) {
        capture->m_outOfMemory = true;
        capture->StopWhenTheWriterCannotGoOn();
    }
    return TRUE;
}

LRESULT CALLBACK CFileCapture::OnWaveStream(HWND hWnd, LPWAVEHDR lpWHdr) {
    CFileCapture* capture = FromWindow(hWnd);
    if (capture == nullptr || lpWHdr == nullptr)
        return TRUE;
    try {
        capture->TakeSound(*lpWHdr);
    } catch (...) {
        capture->m_outOfMemory = true;
        capture->StopWhenTheWriterCannotGoOn();
    }
    return TRUE;
}

LRESULT CALLBACK CFileCapture::OnError(HWND hWnd, int nID, LPCSTR lpsz) {
    CFileCapture* capture = FromWindow(hWnd);
    // Id 0 clears a pending error: nothing to show.
    if (capture == nullptr || nID == 0)
        return 0;
    capture->m_driverSpoke = true;
    try {
        capture->m_listener.OnCaptureError(nID, lpsz != nullptr ? lpsz : "");
    } catch (...) {
        // The text is lost, not the capture.
    }
    return 0;
}

void CFileCapture::TakeFrame(const VIDEOHDR& header) {
    if (m_stopSent)
        return;
    const DWORD bytes = header.lpData == nullptr
                            ? 0
                            : CopyBytes(header.dwBufferLength, header.dwBytesUsed, m_frameBytes);
    if (m_thread == nullptr && !OpenFile(bytes == m_frameBytes ? header.lpData : nullptr, bytes))
        return;
    BYTE* buffer = bytes != 0 ? m_thread->TryTakeBuffer() : nullptr;
    if (buffer == nullptr && m_thread->AllocationFailed()) {
        m_outOfMemory = true;
    } else {
        // Without a buffer (every one waits for the disk, or the driver gave
        // nothing) the frame keeps its place, empty.
        if (buffer != nullptr) {
            std::memcpy(buffer, header.lpData, bytes);
            m_figures.bytes += bytes;
        }
        m_waiting.push_back({buffer, buffer != nullptr ? bytes : 0});
        m_placer->Frame(header.dwTimeCaptured, m_nextToken++, m_decisions);
        ApplyPlacements();
    }
    StopWhenTheWriterCannotGoOn();
    ReportProgress(false);
}

void CFileCapture::ApplyPlacements() {
    using Action = CFramePlacer::Action;
    for (const CFramePlacer::Decision& decision : m_decisions) {
        switch (decision.action) {
        case Action::Frame:
            WriteWaitingFrame(decision.slot);
            break;
        case Action::Empty:
            WriteEmptySlots(decision.count);
            break;
        case Action::Skip:
            SkipWaitingFrame();
            break;
        case Action::Reanchor:
            ++m_figures.clockSteps;
            break;
        }
    }
    m_decisions.clear();
    m_figures.skipped = DWORD(m_placer->Skipped());
    m_figures.elapsedMs = DWORD(m_placer->Slots() * m_rate.scale * 1000 / m_rate.rate);
}

void CFileCapture::WriteWaitingFrame(uint64_t slot) {
    QueueDatedSound(slot);
    // (None waits only when memory ran out between the two queues.)
    const WaitingFrame frame = m_waiting.empty() ? WaitingFrame{} : m_waiting.front();
    if (!m_waiting.empty())
        m_waiting.pop_front();
    if (frame.buffer != nullptr) {
        m_thread->QueueFrame(frame.buffer, frame.bytes);
    } else {
        m_thread->QueueDroppedFrame();
        ++m_figures.dropped;
    }
    ++m_figures.frames;
    m_lastSlot = slot;
    m_framePlaced = true;
}

void CFileCapture::WriteEmptySlots(uint64_t count) {
    for (uint64_t n = 0; n < count; ++n)
        m_thread->QueueDroppedFrame();
    m_figures.frames += DWORD(count);
    m_figures.dropped += DWORD(count);
}

void CFileCapture::SkipWaitingFrame() {
    if (m_waiting.empty())
        return;
    if (m_waiting.front().buffer != nullptr)
        m_thread->ReleaseBuffer(m_waiting.front().buffer);
    m_waiting.pop_front();
}

bool CFileCapture::OpenFile(const BYTE* sample, DWORD sampleBytes) {
    if (!OpenWriter(sample, sampleBytes)) {
        StopCapture();
        return false;
    }
    if (!QueueHeldSound()) {
        m_outOfMemory = true;
        StopCapture();
        return false;
    }
    return true;
}

// The compressor's output format is fixed here, having seen the first frame.
bool CFileCapture::OpenWriter(const BYTE* sample, DWORD sampleBytes) {
    AviWriterSettings file = m_file;
    if (m_compressor) {
        if (!m_compressor->Start(m_file.videoFormat, m_microSecPerFrame,
                                 std::span<const BYTE>(sample, sample ? sampleBytes : 0))) {
            m_compressorRefused = true;
            return false;
        }
        file.videoFormat = m_compressor->OutputFormat();
    }
    if (!m_writer.Open(m_fileName, file)) {
        m_openFailed = true;
        return false;
    }
    m_thread.reset(new (std::nothrow) CAviWriterThread(m_writer, m_frameBytes, m_writerBuffers));
    if (m_thread == nullptr || m_thread->AllocationFailed() || m_thread->Failed()) {
        m_outOfMemory = true;
        return m_thread != nullptr;
    }
    m_thread->CompressWith(m_compressor.get());
    if (m_soundInStep)
        StartPacing();
    return true;
}

void CFileCapture::StartPacing() {
    if (m_file.audioFormat.size() < sizeof(WAVEFORMATEX))
        return;
    const auto* sound = reinterpret_cast<const WAVEFORMATEX*>(m_file.audioFormat.data());
    const CPcmFormat format{sound->nSamplesPerSec, sound->nChannels, sound->wBitsPerSample};
    // Only what the resampler reads; other sound is written as it comes.
    if (sound->wFormatTag != WAVE_FORMAT_PCM || !format.Resamplable() ||
        sound->nBlockAlign != format.BlockAlign())
        return;
    m_pacer = std::make_unique<CSoundPacer>(format, m_rate);
    CSoundPacer* pacer = m_pacer.get();
    m_thread->FilterSoundWith(
        [pacer](const BYTE* data, DWORD bytes, double arrivalSec, std::vector<BYTE>& out) {
            pacer->Process(data, bytes, arrivalSec, out);
        });
}

void CFileCapture::TakeSound(const WAVEHDR& header) {
    if (m_stopSent || header.lpData == nullptr)
        return;
    // What the buffer holds of what the driver says it recorded, in whole
    // sample blocks, as the file's sound stream takes them.
    const DWORD recorded =
        CopyBytes(header.dwBufferLength, header.dwBytesRecorded, kLargestSoundBuffer);
    const DWORD bytes = recorded - recorded % m_soundBlockAlign;
    if (bytes == 0)
        return;
    const auto* samples = reinterpret_cast<const BYTE*>(header.lpData);
    // The sound may tell the frames waiting where they go; they go first.
    m_placer->Sound(bytes / m_soundBlockAlign, m_decisions);
    if (m_thread == nullptr) {
        HoldSound(samples, bytes);
    } else {
        ApplyPlacements();
        HoldSoundToDate(samples, bytes);
        if (m_outOfMemory)
            return;
    }
    m_figures.bytes += bytes;
    StopWhenTheWriterCannotGoOn();
}

bool CFileCapture::QueueSound(const BYTE* samples, DWORD bytes) {
    CAviWriterThread::AudioBuffer sound = m_thread->TakeAudioBuffer(bytes);
    if (sound.storage == nullptr)
        return false;
    std::memcpy(sound.samples.data(), samples, bytes);
    return m_thread->QueueAudio(sound);
}

void CFileCapture::HoldSoundToDate(const BYTE* samples, DWORD bytes) {
    CAviWriterThread::AudioBuffer sound = m_thread->TakeAudioBuffer(bytes);
    if (sound.storage == nullptr) {
        m_outOfMemory = true;
        StopCapture();
        return;
    }
    std::memcpy(sound.samples.data(), samples, bytes);
    if (m_soundToDate.size() == kMostSoundToDate)
        QueueDatedSound(0);
    m_soundToDate.push_back({sound, m_lastSlot, m_framePlaced && m_placer->Waiting() == 0});
}

void CFileCapture::QueueDatedSound(uint64_t slot) {
    // Handed on between the frames of two neighbouring slots, whenever in
    // the first one's period it filled: the middle of that period. After a
    // gap it could have filled anywhere in it (a stall): undated.
    for (const SoundToDate& sound : m_soundToDate) {
        const bool dated = sound.dated && slot == sound.slot + 1;
        m_thread->QueueAudio(sound.buffer, dated ? (double(sound.slot) + 0.5) * m_rate.Period()
                                                 : CSoundPacer::kUnmeasured);
    }
    m_soundToDate.clear();
}

// Until the first frame makes the file, sound waits here; past a few seconds
// of it the file is made without the frame (and says why if it cannot be).
void CFileCapture::HoldSound(const BYTE* samples, DWORD bytes) {
    m_heldSound.emplace_back(samples, samples + bytes);
    m_heldSoundBytes += bytes;
    const ULONGLONG limit = std::clamp<ULONGLONG>(ULONGLONG(m_soundBytesPerSec) * kHeldSoundSeconds,
                                                  kLeastHeldSound, kLargestSoundBuffer);
    if (m_heldSoundBytes > limit)
        OpenFile(nullptr, 0);
}

bool CFileCapture::QueueHeldSound() {
    for (const std::vector<BYTE>& sound : m_heldSound) {
        if (!QueueSound(sound.data(), DWORD(sound.size())))
            return false;
    }
    m_heldSound.clear();
    m_heldSoundBytes = 0;
    return true;
}

void CFileCapture::StopWhenTheWriterCannotGoOn() {
    if (m_thread == nullptr)
        return;
    m_outOfMemory = m_outOfMemory || m_thread->AllocationFailed();
    if (m_thread->Failed() || m_outOfMemory)
        StopCapture();
}

// The capture window ends the capture at its next frame; the file ends with
// the last chunk written whole.
void CFileCapture::StopCapture() {
    if (m_stopSent)
        return;
    m_stopSent = true;
    capwnd::Stop(m_hWndCap);
}

void CFileCapture::ReportProgress(bool force) {
    const DWORD now = GetTickCount();
    if (!force && now - m_lastReportTick < kProgressIntervalMs)
        return;
    m_lastReportTick = now;
    ULARGE_INTEGER available{};
    m_figures.freeKnown = GetDiskFreeSpaceExA(m_directory.empty() ? nullptr : m_directory.c_str(),
                                              &available, nullptr, nullptr) != FALSE;
    m_figures.freeBytes = m_figures.freeKnown ? available.QuadPart : 0;
    m_figures.soundClockKnown = m_pacer && m_pacer->ClockKnown();
    m_figures.soundClockPpm = m_pacer ? m_pacer->ClockPpm() : 0.0;
    m_listener.OnCaptureProgress(m_figures);
}

bool CFileCapture::Finish() {
    if (m_openFailed) {
        const std::string text = "Cannot create the capture file " + m_fileName + ": " +
                                 AviErrorText(m_writer.LastError()) + ".";
        m_listener.OnCaptureError(IDS_CAP_FILE_OPEN_ERROR, text.c_str());
    }
    if (m_compressorRefused)
        m_listener.OnCaptureError(IDS_CAP_COMPRESSOR_ERROR,
                                  "The chosen compressor refused the first frame: nothing was "
                                  "captured. Choose another one in Video Compression.");
    if (m_thread == nullptr) {
        if (m_outOfMemory)
            ReportOutOfMemory();
        m_figures = {};
        return !m_openFailed && !m_compressorRefused && !m_outOfMemory;
    }
    // The frames still waiting for sound take their places with what came.
    if (!m_stopSent) {
        m_placer->Finish(m_decisions);
        ApplyPlacements();
    }
    QueueDatedSound(0);
    for (const WaitingFrame& frame : m_waiting) {
        if (frame.buffer != nullptr)
            m_thread->ReleaseBuffer(frame.buffer);
    }
    m_waiting.clear();
    m_thread->Finish();
    const DWORD error = m_thread->LastError();
    const bool complete = m_writer.Close();
    // What the file holds is what the capture reports.
    m_figures.frames = m_thread->FramesWritten();
    m_figures.dropped = m_thread->DroppedFramesWritten();
    ReportProgress(true);
    if (error != 0)
        ReportWriterError(error);
    if (m_outOfMemory)
        ReportOutOfMemory();
    if (!complete) {
        const std::string text =
            "The capture file " + m_fileName + " could not be completed; it may lack its index.";
        m_listener.OnCaptureError(IDS_CAP_FILE_WRITE_ERROR, text.c_str());
    }
    return error == 0 && !m_outOfMemory && complete;
}

void CFileCapture::ReportOutOfMemory() {
    char text[160];
    std::snprintf(text, sizeof text,
                  "Out of memory for video buffers: the capture stopped after %lu frames and "
                  "the file was closed.",
                  ULONG(m_figures.frames));
    m_listener.OnCaptureError(IDS_CAP_VIDEO_ALLOC_ERROR, text);
}

void CFileCapture::ReportWriterError(DWORD error) {
    char text[MAX_PATH + 256];
    const unsigned long frames = m_figures.frames;
    if (m_writer.StoppedForSpace()) {
        std::snprintf(text, sizeof text,
                      "The disk holding %s is nearly full: the capture stopped after %lu frames "
                      "and the file was closed.",
                      m_fileName.c_str(), frames);
        m_listener.OnCaptureError(IDS_CAP_NODISKSPACE, text);
    } else if (error == ERROR_INVALID_DATA && m_compressor) {
        std::snprintf(text, sizeof text,
                      "The compressor refused a frame: the capture stopped after %lu frames and "
                      "the file was closed.",
                      frames);
        m_listener.OnCaptureError(IDS_CAP_COMPRESSOR_ERROR, text);
    } else {
        std::snprintf(text, sizeof text,
                      "Cannot write to the capture file %s (%s): the capture stopped after %lu "
                      "frames.",
                      m_fileName.c_str(), AviErrorText(error).c_str(), frames);
        m_listener.OnCaptureError(IDS_CAP_FILE_WRITE_ERROR, text);
    }
}
