#include "CaptureWindowState.h"

#include <algorithm>
#include <cstring>

namespace {

// The platform's defaults for a new capture window.
CAPTUREPARMS DefaultCaptureParms() {
    CAPTUREPARMS parms{};
    parms.dwRequestMicroSecPerFrame = 66667; // 15 frames per second
    parms.fMakeUserHitOKToCapture = FALSE;
    parms.wPercentDropForError = 10;
    parms.fYield = FALSE;
    parms.dwIndexSize = 34952; // room for 32 KB of index entries
    parms.wChunkGranularity = 0;
    parms.fUsingDOSMemory = FALSE;
    parms.wNumVideoRequested = 5;
    parms.fCaptureAudio = FALSE;
    parms.wNumAudioRequested = 4;
    parms.vKeyAbort = VK_ESCAPE;
    parms.fAbortLeftMouse = TRUE;
    parms.fAbortRightMouse = TRUE;
    parms.fLimitEnabled = FALSE;
    parms.wTimeLimit = 30;
    parms.fMCIControl = FALSE;
    parms.fStepMCIDevice = FALSE;
    parms.dwMCIStartTime = 0;
    parms.dwMCIStopTime = 0;
    parms.fStepCaptureAt2x = FALSE;
    parms.wStepCaptureAverageFrames = 5;
    parms.dwAudioBufferSize = 0;
    parms.fDisableWriteCache = FALSE;
    parms.AVStreamMaster = AVSTREAMMASTER_AUDIO;
    return parms;
}

// 11.025 kHz, 8-bit mono PCM: the platform's default audio format.
std::vector<BYTE> DefaultAudioFormat() {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 11025;
    format.wBitsPerSample = 8;
    format.nBlockAlign = 1;
    format.nAvgBytesPerSec = 11025;
    format.cbSize = 0;
    std::vector<BYTE> bytes(sizeof(WAVEFORMATEX));
    std::memcpy(bytes.data(), &format, sizeof format);
    return bytes;
}

} // namespace

CaptureWindowState::CaptureWindowState(HWND window)
    : m_window(window), m_createdTick(GetTickCount()) {
    setup.parms = DefaultCaptureParms();
    setup.audioFormat = DefaultAudioFormat();
    setup.file = "C:\\CAPTURE.AVI";
}

bool CaptureWindowState::IsRecordablePcm(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && f.nChannels != 0 && f.nChannels <= 8 &&
           f.nSamplesPerSec != 0 && f.nSamplesPerSec <= 384000 &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

void CaptureWindowState::GenerateNextFrame() {
    m_currentFrame.resize(m_frames.FrameBytes());
    m_frames.Render(m_framesGenerated, ClockMs(), m_currentFrame);
    ++m_framesGenerated;
}

void CaptureWindowState::ShowFrame(const BYTE* bits) {
    if (bits == nullptr || !m_windowAlive) {
        return;
    }
    m_currentFrame.assign(bits, bits + m_frames.FrameBytes());
    InvalidateRect(m_window, nullptr, FALSE);
    UpdateWindow(m_window);
}

DWORD CaptureWindowState::ClockMs() const {
    return GetTickCount() - m_createdTick;
}

void InfoList::Set(FOURCC id, const BYTE* data, size_t size) {
    if (id == 0) {
        m_entries.clear();
        return;
    }
    auto existing = std::find_if(m_entries.begin(), m_entries.end(),
                                 [id](const InfoChunk& chunk) { return chunk.id == id; });
    if (data == nullptr || size == 0) {
        if (existing != m_entries.end()) {
            m_entries.erase(existing);
        }
        return;
    }
    std::vector<BYTE> bytes(data, data + size);
    if (existing != m_entries.end()) {
        existing->data = std::move(bytes);
    } else {
        m_entries.push_back({id, std::move(bytes)});
    }
}

void CaptureWindowState::ReportStatus(int id, const char* text) const {
    if (callbacks.status != nullptr && m_windowAlive) {
        callbacks.status(m_window, id, text);
    }
}

void CaptureWindowState::ReportError(int id, const char* text) {
    progress.returnCode = static_cast<DWORD>(id);
    if (callbacks.error != nullptr && m_windowAlive) {
        callbacks.error(m_window, id, text);
    }
}

LRESULT CaptureWindowState::CallYield() const {
    return callbacks.yield != nullptr && m_windowAlive ? callbacks.yield(m_window) : TRUE;
}

void CaptureWindowState::ReportErrorf(int id, const char* format, const char* arg) {
    char text[MAX_PATH + 160];
    char shortArg[MAX_PATH];
    lstrcpynA(shortArg, arg != nullptr ? arg : "", sizeof shortArg);
    wsprintfA(text, format, shortArg);
    ReportError(id, text);
}

void CaptureWindowState::ClearShownError() {
    if (progress.returnCode != 0) {
        progress.returnCode = 0;
        if (callbacks.error != nullptr && m_windowAlive) {
            callbacks.error(m_window, 0, nullptr);
        }
    }
}
