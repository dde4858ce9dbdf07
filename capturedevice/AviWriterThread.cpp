#include "AviWriterThread.h"

#include <algorithm>

namespace {

// How often the file on disk is made readable while a capture runs.
constexpr DWORD kCheckpointIntervalMs = 500;

// The buffers of one capture stay below this, whatever was requested, so
// that a 32-bit process keeps its address space.
constexpr ULONGLONG kMaxBufferBytes = 128ULL * 1024 * 1024;

} // namespace

CAviWriterThread::CAviWriterThread(CAviWriter& writer, DWORD frameBytes, UINT buffers)
    : m_writer(writer), m_frameBytes(frameBytes) {
    const ULONGLONG affordable =
        std::max<ULONGLONG>(kMaxBufferBytes / std::max<DWORD>(frameBytes, 1), 1);
    const UINT count = static_cast<UINT>(std::clamp<ULONGLONG>(buffers, 1, affordable));
    m_buffers.resize(count);
    for (auto& buffer : m_buffers) {
        buffer.resize(frameBytes);
        m_free.push_back(buffer.data());
    }
    m_thread = std::thread([this] { Run(); });
}

CAviWriterThread::~CAviWriterThread() {
    Finish();
}

BYTE* CAviWriterThread::TryTakeBuffer() {
    std::lock_guard lock(m_mutex);
    if (m_free.empty()) {
        return nullptr;
    }
    BYTE* buffer = m_free.back();
    m_free.pop_back();
    return buffer;
}

BYTE* CAviWriterThread::WaitForBuffer() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_free.empty() || m_failed.load(); });
    if (m_free.empty()) {
        return nullptr;
    }
    BYTE* buffer = m_free.back();
    m_free.pop_back();
    return buffer;
}

void CAviWriterThread::QueueFrame(BYTE* buffer) {
    Queue({ItemKind::Frame, buffer, {}});
}

void CAviWriterThread::QueueDroppedFrame() {
    Queue({ItemKind::DroppedFrame, nullptr, {}});
}

void CAviWriterThread::QueueAudio(std::vector<BYTE> samples) {
    Queue({ItemKind::Audio, nullptr, std::move(samples)});
}

void CAviWriterThread::Queue(Item item) {
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::move(item));
    }
    m_changed.notify_all();
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
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_finishing; });
            if (m_queue.empty()) {
                return;
            }
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        // After a failure the rest is discarded: the file ends with the last
        // chunk written whole.
        if (!m_failed.load()) {
            bool ok = true;
            switch (item.kind) {
            case ItemKind::Frame:
                ok = m_writer.WriteVideo(item.buffer, m_frameBytes, true);
                m_framesWritten += ok ? 1 : 0;
                break;
            case ItemKind::DroppedFrame:
                ok = m_writer.WriteVideo(nullptr, 0, false);
                m_framesWritten += ok ? 1 : 0;
                m_droppedWritten += ok ? 1 : 0;
                break;
            case ItemKind::Audio:
                ok = m_writer.WriteAudio(item.audio.data(), static_cast<DWORD>(item.audio.size()));
                break;
            }
            if (!ok) {
                // Under the lock, so that a thread waiting for a buffer sees it.
                std::lock_guard lock(m_mutex);
                m_failed.store(true);
            } else if (GetTickCount() - m_lastCheckpoint >= kCheckpointIntervalMs) {
                m_writer.Checkpoint();
                m_lastCheckpoint = GetTickCount();
            }
        }
        if (item.buffer != nullptr) {
            std::lock_guard lock(m_mutex);
            m_free.push_back(item.buffer);
        }
        m_changed.notify_all();
    }
}
