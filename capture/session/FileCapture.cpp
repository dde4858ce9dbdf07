#include "session/FileCapture.h"

#include "contract/DibFormat.h"
#include "session/CaptureWindow.h"
#include "session/VideoFormat.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The progress is shown at least this often.
constexpr DWORD kProgressIntervalMs = 500;
// A longer gap between two frames is a driver's clock that jumped, not
// frames it dropped: the frame takes the next place.
constexpr ULONGLONG kLongestGapMs = 60000;

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
    file.microSecPerFrame = m_microSecPerFrame;
    return m_microSecPerFrame != 0 && ReadFormats(settings, file) &&
           StartCompressor(settings.compressor, file) && OpenFile(settings, file);
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

LRESULT CALLBACK CFileCapture::OnVideoStream(HWND hWnd, LPVIDEOHDR lpVHdr) {
    if (CFileCapture* capture = FromWindow(hWnd); capture != nullptr && lpVHdr != nullptr)
        capture->TakeFrame(*lpVHdr);
    return TRUE;
}

LRESULT CALLBACK CFileCapture::OnWaveStream(HWND hWnd, LPWAVEHDR lpWHdr) {
    if (CFileCapture* capture = FromWindow(hWnd); capture != nullptr && lpWHdr != nullptr)
        capture->TakeSound(*lpWHdr);
    return TRUE;
}

void CFileCapture::TakeFrame(const VIDEOHDR& header) {
    if (m_stopSent)
        return;
    PlaceDroppedFrames(PlaceOf(header.dwTimeCaptured));
    BYTE* buffer =
        header.lpData != nullptr && header.dwBytesUsed != 0 ? m_thread->TryTakeBuffer() : nullptr;
    if (buffer != nullptr) {
        const DWORD bytes = std::min(header.dwBytesUsed, m_frameBytes);
        std::memcpy(buffer, header.lpData, bytes);
        m_thread->QueueFrame(buffer, bytes);
        m_figures.bytes += bytes;
    } else if (m_thread->AllocationFailed()) {
        m_outOfMemory = true;
    } else {
        // Every buffer still waits for the disk: the frame keeps its place.
        m_thread->QueueDroppedFrame();
        ++m_figures.dropped;
    }
    if (!m_outOfMemory) {
        ++m_nextFrame;
        ++m_figures.frames;
    }
    m_figures.elapsedMs = header.dwTimeCaptured;
    StopWhenTheWriterCannotGoOn();
    ReportProgress(false);
}

DWORD CFileCapture::PlaceOf(DWORD timeCaptured) {
    // Its capture time in frame periods, rounded, from the capture's start
    // (or from the driver clock's last jump).
    const LONGLONG ms = LONGLONG(timeCaptured) - m_clockOffsetMs;
    const ULONGLONG place =
        ms <= 0 ? 0 : (ULONGLONG(ms) * 1000 + m_microSecPerFrame / 2) / m_microSecPerFrame;
    if (place > m_nextFrame + kLongestGapMs * 1000 / m_microSecPerFrame) {
        m_clockOffsetMs =
            LONGLONG(timeCaptured) - LONGLONG(ULONGLONG(m_nextFrame) * m_microSecPerFrame / 1000);
        return m_nextFrame;
    }
    return DWORD(place);
}

void CFileCapture::PlaceDroppedFrames(DWORD frameIndex) {
    for (; m_nextFrame < frameIndex; ++m_nextFrame) {
        m_thread->QueueDroppedFrame();
        ++m_figures.frames;
        ++m_figures.dropped;
    }
}

void CFileCapture::TakeSound(const WAVEHDR& header) {
    if (m_stopSent || header.lpData == nullptr)
        return;
    // Whole sample blocks only, as the file's sound stream takes them.
    const DWORD bytes = header.dwBytesRecorded - header.dwBytesRecorded % m_soundBlockAlign;
    if (bytes == 0)
        return;
    CAviWriterThread::AudioBuffer sound = m_thread->TakeAudioBuffer(bytes);
    std::memcpy(sound.samples.data(), header.lpData, bytes);
    m_thread->QueueAudio(sound);
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
    m_listener.OnCaptureProgress(m_figures);
}

bool CFileCapture::Finish() {
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
