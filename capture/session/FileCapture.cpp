#include "session/FileCapture.h"

#include "contract/DibFormat.h"
#include "session/CaptureWindow.h"
#include "session/VideoFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// The progress is shown at least this often.
constexpr DWORD kProgressIntervalMs = 500;
// Sound held for the next frame beyond this (a long stall) goes on undated.
constexpr size_t kMostHeldSound = 8;

// The bytes of one frame: as the header says, or, uncompressed, its rows.
DWORD FrameBytes(const BITMAPINFOHEADER& header) {
    if (header.biSizeImage != 0)
        return header.biSizeImage;
    return dib::ImageBytes(header.biWidth, header.biHeight, header.biBitCount);
}

} // namespace

CFileCapture::CFileCapture(HWND hWndCap, CCaptureListener& listener)
    : m_hWndCap(hWndCap), m_listener(listener) {}

bool CFileCapture::Run(const Settings& settings) {
    if (!Prepare(settings))
        return false;
    CAPTUREPARMS parms = settings.parms;
    // The capture runs inside the call, so that the callbacks end with it.
    parms.fYield = FALSE;
    CaptureWithCallbacks(parms);
    return Finish();
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

    AviWriterSettings file;
    file.info = settings.info;
    file.riffBlockBytes = settings.riffBlockBytes;
    file.freeSpaceReserve = settings.freeSpaceReserve;
    m_microSecPerFrame = settings.parms.dwRequestMicroSecPerFrame;
    m_rate = NominalFrameRate(m_microSecPerFrame);
    file.microSecPerFrame = m_microSecPerFrame;
    if (m_microSecPerFrame == 0 || !ReadFormats(settings, file) ||
        !StartCompressor(settings.compressor, file) || !OpenFile(settings, file))
        return false;
    if (settings.soundInStep)
        StartPacing(file);
    const auto* sound = reinterpret_cast<const WAVEFORMATEX*>(file.audioFormat.data());
    // Frames wait for the sound that tells a gap from a step of the clock
    // in half of the pool, leaving the other half to the disk.
    m_placer =
        std::make_unique<CFramePlacer>(m_rate, file.audioFormat.empty() ? 0 : sound->nSamplesPerSec,
                                       std::max<UINT>(m_thread->BufferCount() / 2, 1));
    m_decisions.reserve(64);
    m_heldSound.reserve(kMostHeldSound + 1);
    return true;
}

void CFileCapture::StartPacing(const AviWriterSettings& file) {
    if (file.audioFormat.size() < sizeof(PCMWAVEFORMAT))
        return;
    const auto* sound = reinterpret_cast<const WAVEFORMATEX*>(file.audioFormat.data());
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

bool CFileCapture::ReadFormats(const Settings& settings, AviWriterSettings& file) {
    CVideoFormat video;
    if (!video.Read(m_hWndCap) || dib::ClaimedBytes(video.Header()) > video.Size()) {
        m_listener.OnCaptureError(IDS_CAP_NO_FRAME_CAP_ERROR,
                                  "The capture driver gives no video format to capture.");
        return false;
    }
    m_frameBytes = FrameBytes(video.Header());
    const auto* bytes = reinterpret_cast<const BYTE*>(&video.Header());
    file.videoFormat.assign(bytes, bytes + video.Size());
    if (!settings.parms.fCaptureAudio)
        return true;
    const DWORD size = capwnd::GetAudioFormatSize(m_hWndCap);
    std::vector<BYTE> sound(std::max<DWORD>(size, sizeof(WAVEFORMATEX)));
    if (size < sizeof(PCMWAVEFORMAT) ||
        capwnd::GetAudioFormat(m_hWndCap, reinterpret_cast<WAVEFORMATEX*>(sound.data()), size) ==
            0 ||
        reinterpret_cast<const WAVEFORMATEX*>(sound.data())->nBlockAlign == 0) {
        m_listener.OnCaptureError(IDS_CAP_WAVE_OPEN_ERROR,
                                  "The capture window gives no audio format to record.");
        return false;
    }
    sound.resize(size);
    m_soundBlockAlign = reinterpret_cast<const WAVEFORMATEX*>(sound.data())->nBlockAlign;
    file.audioFormat = std::move(sound);
    return true;
}

bool CFileCapture::StartCompressor(COMPVARS* compressor, AviWriterSettings& file) {
    if (compressor == nullptr || compressor->hic == nullptr)
        return true;
    m_compressor = std::make_unique<CFrameCompressor>(*compressor);
    if (!m_compressor->Start(file.videoFormat)) {
        m_compressor.reset();
        m_listener.OnCaptureError(IDS_CAP_COMPRESSOR_ERROR,
                                  "The chosen compressor cannot compress this video format. "
                                  "Choose another one in Video Compression.");
        return false;
    }
    file.videoFormat = m_compressor->OutputFormat();
    file.videoHandler = compressor->fccHandler;
    return true;
}

bool CFileCapture::OpenFile(const Settings& settings, AviWriterSettings& file) {
    if (!m_writer.Open(m_fileName, file)) {
        const std::string text = "Cannot create the capture file " + m_fileName + ": " +
                                 AviErrorText(m_writer.LastError()) + ".";
        m_listener.OnCaptureError(IDS_CAP_FILE_OPEN_ERROR, text.c_str());
        return false;
    }
    // At least a second of frames may wait for the disk: a frame that finds
    // no free buffer is lost. (The writer thread keeps the pool within what
    // a 32-bit process can spare.)
    const UINT secondOfFrames = UINT(1000000 / m_microSecPerFrame + 1);
    m_thread = std::make_unique<CAviWriterThread>(
        m_writer, m_frameBytes, std::max<UINT>(settings.parms.wNumVideoRequested, secondOfFrames));
    m_thread->CompressWith(m_compressor.get());
    return true;
}

void CFileCapture::CaptureWithCallbacks(CAPTUREPARMS parms) {
    capwnd::SetUserData(m_hWndCap, reinterpret_cast<LPARAM>(this));
    capwnd::SetCallbackOnVideoStream(m_hWndCap, &CFileCapture::OnVideoStream);
    if (m_soundBlockAlign != 0)
        capwnd::SetCallbackOnWaveStream(m_hWndCap, &CFileCapture::OnWaveStream);
    capwnd::SetSequenceSetup(m_hWndCap, parms);
    m_lastReportTick = GetTickCount();
    ReportProgress(true);
    // Returns when the capture ends; the callbacks run inside it.
    capwnd::SequenceNoFile(m_hWndCap);
    capwnd::SetCallbackOnVideoStream(m_hWndCap, nullptr);
    if (m_soundBlockAlign != 0)
        capwnd::SetCallbackOnWaveStream(m_hWndCap, nullptr);
    capwnd::SetUserData(m_hWndCap, 0);
}

CFileCapture* CFileCapture::FromWindow(HWND hWnd) {
    return reinterpret_cast<CFileCapture*>(capwnd::GetUserData(hWnd));
}

// Memory that runs out for the frames waiting for their places, or for a
// sound buffer, ends the capture, as a frame buffer that cannot be had does;
// nothing thrown reaches the capture window.
LRESULT CALLBACK CFileCapture::OnVideoStream(HWND hWnd, LPVIDEOHDR lpVHdr) {
    if (CFileCapture* capture = FromWindow(hWnd); capture != nullptr && lpVHdr != nullptr) {
        try {
            capture->TakeFrame(*lpVHdr);
        } catch (const std::bad_alloc&) {
            capture->RanOutOfMemory();
        }
    }
    return TRUE;
}

LRESULT CALLBACK CFileCapture::OnWaveStream(HWND hWnd, LPWAVEHDR lpWHdr) {
    if (CFileCapture* capture = FromWindow(hWnd); capture != nullptr && lpWHdr != nullptr) {
        try {
            capture->TakeSound(*lpWHdr);
        } catch (const std::bad_alloc&) {
            capture->RanOutOfMemory();
        }
    }
    return TRUE;
}

void CFileCapture::RanOutOfMemory() {
    m_outOfMemory = true;
    StopWhenTheWriterCannotGoOn();
}

void CFileCapture::TakeFrame(const VIDEOHDR& header) {
    if (m_stopSent)
        return;
    BYTE* buffer =
        header.lpData != nullptr && header.dwBytesUsed != 0 ? m_thread->TryTakeBuffer() : nullptr;
    if (buffer == nullptr && m_thread->AllocationFailed()) {
        m_outOfMemory = true;
    } else {
        // Without a buffer (every one waits for the disk) the frame keeps
        // its place, empty.
        const DWORD bytes = buffer != nullptr ? std::min(header.dwBytesUsed, m_frameBytes) : 0;
        if (buffer != nullptr)
            std::memcpy(buffer, header.lpData, bytes);
        m_figures.bytes += bytes;
        m_waiting.push_back({buffer, bytes});
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
    QueueHeldSound(slot);
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

void CFileCapture::QueueHeldSound(uint64_t slot) {
    // Handed on between the frames of two neighbouring slots, whenever in
    // the first one's period it filled: the middle of that period. After a
    // gap it could have filled anywhere in it (a stall): undated.
    for (const HeldSound& sound : m_heldSound) {
        const bool dated = sound.dated && slot == sound.slot + 1;
        m_thread->QueueAudio(sound.buffer, dated ? (double(sound.slot) + 0.5) * m_rate.Period()
                                                 : CSoundPacer::kUnmeasured);
    }
    m_heldSound.clear();
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

void CFileCapture::TakeSound(const WAVEHDR& header) {
    if (m_stopSent || header.lpData == nullptr)
        return;
    // Whole sample blocks only, as the file's sound stream takes them.
    const DWORD bytes = header.dwBytesRecorded - header.dwBytesRecorded % m_soundBlockAlign;
    if (bytes == 0)
        return;
    // The sound may tell the frames waiting where they go; they go first.
    m_placer->Sound(bytes / m_soundBlockAlign, m_decisions);
    ApplyPlacements();
    CAviWriterThread::AudioBuffer sound = m_thread->TakeAudioBuffer(bytes);
    std::memcpy(sound.samples.data(), header.lpData, bytes);
    if (m_heldSound.size() == kMostHeldSound)
        QueueHeldSound(0);
    m_heldSound.push_back({sound, m_lastSlot, m_framePlaced && m_placer->Waiting() == 0});
    m_figures.bytes += bytes;
    StopWhenTheWriterCannotGoOn();
}

void CFileCapture::StopWhenTheWriterCannotGoOn() {
    if (m_stopSent || (!m_thread->Failed() && !m_outOfMemory))
        return;
    // The capture window ends the capture at its next frame; the file ends
    // with the last chunk written whole.
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
    // The frames still waiting for sound take their places with what came.
    if (!m_stopSent) {
        m_placer->Finish(m_decisions);
        ApplyPlacements();
    }
    QueueHeldSound(0);
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
    if (m_outOfMemory) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Out of memory for video buffers: the capture stopped after %lu frames and "
                      "the file was closed.",
                      static_cast<unsigned long>(m_figures.frames));
        m_listener.OnCaptureError(IDS_CAP_VIDEO_ALLOC_ERROR, text);
    }
    if (!complete) {
        const std::string text =
            "The capture file " + m_fileName + " could not be completed; it may lack its index.";
        m_listener.OnCaptureError(IDS_CAP_FILE_WRITE_ERROR, text.c_str());
    }
    return error == 0 && !m_outOfMemory && complete;
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
