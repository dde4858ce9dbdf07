#pragma once
// Feeds a CAviWriter from a thread of its own, so that frames are grabbed on
// time while earlier ones are still being written. Frames travel in a fixed
// pool of buffers (the capture's video buffers): when every buffer is waiting
// to be written, the capture has no place for its next frame and drops it.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "AviWriter.h"

class CAviWriterThread {
public:
    // Starts the thread; `writer` is open and is used only by the thread
    // until Finish returns.
    CAviWriterThread(CAviWriter& writer, DWORD frameBytes, UINT buffers);
    ~CAviWriterThread();
    CAviWriterThread(const CAviWriterThread&) = delete;
    CAviWriterThread& operator=(const CAviWriterThread&) = delete;

    UINT BufferCount() const { return static_cast<UINT>(m_buffers.size()); }
    // A free frame buffer, or null when all are queued.
    BYTE* TryTakeBuffer();
    // Waits for a free frame buffer (null once the writer has failed).
    BYTE* WaitForBuffer();
    // Queues a buffer from TryTakeBuffer/WaitForBuffer holding one frame.
    void QueueFrame(BYTE* buffer);
    // Queues the place of a dropped frame.
    void QueueDroppedFrame();
    void QueueAudio(std::vector<BYTE> samples);

    // True once a write failed or was refused; later items are discarded.
    bool Failed() const { return m_failed.load(); }
    // Writes everything queued and stops the thread.
    void Finish();

    // What reached the file (read after Finish).
    DWORD FramesWritten() const { return m_framesWritten; }
    DWORD DroppedFramesWritten() const { return m_droppedWritten; }

private:
    enum class ItemKind { Frame, DroppedFrame, Audio };
    struct Item {
        ItemKind kind;
        BYTE* buffer = nullptr;
        std::vector<BYTE> audio;
    };

    void Run();
    void Queue(Item item);

    CAviWriter& m_writer;
    DWORD m_frameBytes;
    std::vector<std::vector<BYTE>> m_buffers;
    std::vector<BYTE*> m_free;
    std::deque<Item> m_queue;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finishing = false;
    std::atomic<bool> m_failed{false};
    DWORD m_framesWritten = 0;
    DWORD m_droppedWritten = 0;
    DWORD m_lastCheckpoint = GetTickCount();
    std::thread m_thread;
};
