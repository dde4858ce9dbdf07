#include "capturefile/AviWriterThread.h"

#include <algorithm>
#include <exception>
#include <new>

namespace {

// How often the file on disk is made readable while a capture runs.
constexpr DWORD kCheckpointIntervalMs = 500;

// The buffers of one capture stay below this, whatever was requested, so
// that a 32-bit process keeps its address space.
constexpr ULONGLONG kMaxBufferBytes = 128ULL * 1024 * 1024;

// Buffers allocated before the capture starts; more as frames need them.
constexpr UINT kFirstBuffers = 2;

} // namespace

CAviWriterThread::CAviWriterThread(CAviWriter& writer, DWORD frameBytes, UINT buffers,
                                   BufferGate gate)
    : m_writer(writer), m_frameBytes(frameBytes), m_gate(gate) {
    const ULONGLONG affordable =
        std::max<ULONGLONG>(kMaxBufferBytes / std::max<DWORD>(frameBytes, 1), 1);
    m_maxBuffers = static_cast<UINT>(std::clamp<ULONGLONG>(buffers, 1, affordable));
    try {
        m_buffers.reserve(m_maxBuffers);
        // Each frame queues at most a frame (or its place) and an audio chunk.
        m_queue.resize(2 * static_cast<size_t>(m_maxBuffers) + 16);
        m_free.reserve(m_maxBuffers);
    } catch (const std::exception&) {
        m_allocationFailed = true;
        return;
    }
    while (m_buffers.size() < std::min(m_maxBuffers, kFirstBuffers)) {
        BYTE* buffer = AddBuffer();
        if (buffer == nullptr) {
            return;
        }
        m_free.push_back(buffer);
    }
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (const std::exception&) {
        m_error = ERROR_NOT_ENOUGH_MEMORY;
        m_failed = true;
    }
}

// The pool's storage is the library's; its failure is not thrown on but ends
// the capture. Sizes are counted in 64 bits: a frame and its chunk room pass
// what a 32-bit size_t holds for the largest claims.
BYTE* CAviWriterThread::AddBuffer() {
    const ULONGLONG bytes = ULONGLONG(m_frameBytes) + CAviWriter::kChunkRoom;
    try {
        if (bytes > kMaxBufferBytes || m_buffers.size() == m_buffers.capacity()) {
            throw std::bad_alloc();
        }
        m_buffers.emplace_back(static_cast<size_t>(bytes));
    } catch (const std::exception&) {
        m_allocationFailed = true;
        return nullptr;
    }
    return m_buffers.back().data() + CAviWriter::kChunkHeaderRoom;
}

bool CAviWriterThread::PassGate() {
    if (m_gate != nullptr && !m_gate(m_buffersHandedOut++)) {
        m_allocationFailed = true;
    }
    return !m_allocationFailed;
}

CAviWriterThread::~CAviWriterThread() {
    Finish();
}

BYTE* CAviWriterThread::TryTakeBuffer() {
    if (!PassGate()) {
        return nullptr;
    }
    {
        std::lock_guard lock(m_mutex);
        if (!m_free.empty()) {
            BYTE* buffer = m_free.back();
            m_free.pop_back();
            return buffer;
        }
    }
    // Only this thread adds buffers, and the writer never looks at the pool.
    return m_buffers.size() < m_maxBuffers ? AddBuffer() : nullptr;
}

BYTE* CAviWriterThread::WaitForBuffer() {
    if (!PassGate()) {
        return nullptr;
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failed.load(); });
    if (m_free.empty()) {
        return nullptr;
    }
    BYTE* buffer = m_free.back();
    m_free.pop_back();
    return buffer;
}

bool CAviWriterThread::QueueFrame(BYTE* buffer, DWORD bytes) {
    return Queue({ItemKind::Frame, buffer, nullptr,
                  bytes == 0 || bytes > m_frameBytes ? m_frameBytes : bytes});
}

bool CAviWriterThread::QueueDroppedFrame() {
    return Queue({ItemKind::DroppedFrame, nullptr, nullptr, 0});
}

void CAviWriterThread::ReleaseBuffer(BYTE* buffer) {
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(buffer);
    }
    m_changed.notify_all();
}

CAviWriterThread::AudioBuffer CAviWriterThread::TakeAudioBuffer(DWORD bytes) {
    std::vector<BYTE>* storage = nullptr;
    try {
        {
            std::lock_guard lock(m_mutex);
            if (m_freeAudio.empty()) {
                // The writer gives each back to m_freeAudio, which has its room.
                m_freeAudio.reserve(m_audioBuffers.size() + 1);
                m_audioBuffers.push_back(std::make_unique<std::vector<BYTE>>());
                storage = m_audioBuffers.back().get();
            } else {
                storage = m_freeAudio.back();
                m_freeAudio.pop_back();
            }
        }
        const ULONGLONG needed = ULONGLONG(bytes) + CAviWriter::kChunkRoom;
        if (storage->size() < needed) {
            // Some headroom: chunk sizes vary by a block from frame to frame.
            storage->resize(static_cast<size_t>(needed + bytes / 8));
        }
    } catch (const std::exception&) {
        // A storage taken stays in m_audioBuffers, unused.
        m_allocationFailed = true;
        return {};
    }
    return {storage, std::span<BYTE>(storage->data() + CAviWriter::kChunkHeaderRoom, bytes)};
}

bool CAviWriterThread::QueueAudio(const AudioBuffer& audio, double arrivalSec) {
    return Queue({ItemKind::Audio, audio.samples.data(), audio.storage,
                  static_cast<DWORD>(audio.samples.size()), arrivalSec});
}

bool CAviWriterThread::Queue(const Item& item) {
    bool queued = false;
    {
        std::lock_guard lock(m_mutex);
        queued = Push(item);
    }
    if (!queued) {
        m_allocationFailed = true;
        return false;
    }
    m_changed.notify_all();
    return true;
}

bool CAviWriterThread::Push(const Item& item) {
    if (m_queued == m_queue.size()) {
        std::vector<Item> larger;
        try {
            larger.resize(2 * m_queue.size());
        } catch (const std::exception&) {
            return false;
        }
        for (size_t n = 0; n < m_queued; ++n) {
            larger[n] = m_queue[(m_queueHead + n) % m_queue.size()];
        }
        m_queue.swap(larger);
        m_queueHead = 0;
    }
    m_queue[(m_queueHead + m_queued) % m_queue.size()] = item;
    ++m_queued;
    return true;
}

CAviWriterThread::Item CAviWriterThread::Pop() {
    const Item item = m_queue[m_queueHead];
    m_queueHead = (m_queueHead + 1) % m_queue.size();
    --m_queued;
    return item;
}

void CAviWriterThread::Finish() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CAviWriterThread::Run() {
    for (;;) {
        Item item;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_queued != 0 || m_finishing; });
            if (m_queued == 0) {
                return;
            }
            item = Pop();
        }
        // After a failure the rest is discarded: the file ends with the last
        // chunk written whole.
        if (!m_failed.load()) {
            if (!Write(item)) {
                const DWORD error =
                    m_writer.LastError() != 0 ? m_writer.LastError() : GetLastError();
                m_error = error != 0 ? error : ERROR_WRITE_FAULT;
                // Under the lock, so that a thread waiting for a buffer sees it.
                std::lock_guard lock(m_mutex);
                m_failed.store(true);
            } else if (m_checkpoints.load() &&
                       GetTickCount() - m_lastCheckpoint >= kCheckpointIntervalMs) {
                m_writer.Checkpoint();
                m_lastCheckpoint = GetTickCount();
            }
        }
        {
            std::lock_guard lock(m_mutex);
            if (item.kind == ItemKind::Frame) {
                m_free.push_back(item.buffer);
            } else if (item.kind == ItemKind::Audio) {
                m_freeAudio.push_back(item.audio);
            }
        }
        m_changed.notify_all();
    }
}

bool CAviWriterThread::Write(const Item& item) {
    switch (item.kind) {
    case ItemKind::Frame:
        return WriteFrame(item.buffer, item.bytes);
    case ItemKind::DroppedFrame:
        return WriteDroppedFrame();
    case ItemKind::Audio:
        return WriteAudio(item);
    }
    return false;
}

bool CAviWriterThread::WriteAudio(const Item& item) {
    if (!m_soundFilter) {
        return m_writer.WriteAudioInPlace(item.buffer, item.bytes);
    }
    m_filtered.clear();
    try {
        m_soundFilter(item.buffer, item.bytes, item.arrivalSec, m_filtered);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return m_filtered.empty() ||
           m_writer.WriteAudio(m_filtered.data(), static_cast<DWORD>(m_filtered.size()));
}

bool CAviWriterThread::WriteFrame(BYTE* buffer, DWORD bytes) {
    if (m_compressor == nullptr) {
        const bool written = m_writer.WriteVideoInPlace(buffer, bytes, true);
        m_framesWritten += written ? 1 : 0;
        return written;
    }
    const CFrameCompressor::Frame frame = m_compressor->Compress(buffer, bytes);
    switch (frame.result) {
    case CFrameCompressor::Result::Compressed:
        break;
    case CFrameCompressor::Result::NotTaken:
        // A short frame the compressor cannot read: its place stays.
        return WriteDroppedFrame();
    case CFrameCompressor::Result::Refused:
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    const bool written = m_writer.WriteVideoInPlace(frame.data, frame.size, frame.keyFrame);
    m_framesWritten += written ? 1 : 0;
    return written;
}

bool CAviWriterThread::WriteDroppedFrame() {
    const bool written = m_writer.WriteVideo(nullptr, 0, false);
    m_framesWritten += written ? 1 : 0;
    m_droppedWritten += written ? 1 : 0;
    return written;
}
