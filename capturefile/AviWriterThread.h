#pragma once
// Feeds a CAviWriter from a thread of its own, so that frames are grabbed on
// time while earlier ones are still being written. Frames travel in a pool of
// buffers that starts with two and grows, up to the capture's video buffers,
// when a frame finds every buffer waiting to be written; beyond that the
// capture has no place for its next frame and drops it. A capture that waits
// for a buffer instead of dropping (unthrottled) keeps the first two: the
// writer sets its pace, and more buffers would only cost their memory (some
// 27 MB for 30 frames of 640 x 480 RGB 24, a tenth of a second to allocate
// and touch, and each frame cold in the cache by the time it is written).
// Audio travels in buffers that are reused once written. Every buffer keeps
// room for the chunk header, so that the writer writes each chunk from where
// it was filled, with its header, in one call; nothing is allocated or copied
// for a frame once the capture runs.

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "capturefile/AviWriter.h"
#include "capturefile/FrameCompressor.h"

class CAviWriterThread {
public:
    // Starts the thread; `writer` is open and is used only by the thread
    // until Finish returns. Nothing is thrown: a pool or a thread that
    // cannot be had is AllocationFailed (or Failed) at once.
    // `gate`, when given, is asked before the n-th frame buffer (from 0) is
    // handed out and may refuse it, as a failed allocation would.
    using BufferGate = bool (*)(unsigned long long n);
    CAviWriterThread(CAviWriter& writer, DWORD frameBytes, UINT buffers, BufferGate gate = nullptr);
    ~CAviWriterThread();
    CAviWriterThread(const CAviWriterThread&) = delete;
    CAviWriterThread& operator=(const CAviWriterThread&) = delete;

    // Off: the file is left unreadable until it is closed, as the platform's
    // capture window leaves its own (no Checkpoint).
    void SetCheckpoints(bool on) { m_checkpoints.store(on); }
    // The most frame buffers the pool holds.
    UINT BufferCount() const { return m_maxBuffers; }
    // A free frame buffer, a new one while the pool may grow, or null when
    // all are queued or a buffer could not be allocated.
    BYTE* TryTakeBuffer();
    // Waits for a free frame buffer (null once the writer has failed).
    BYTE* WaitForBuffer();
    // Frames are compressed with `compressor` (started, and outliving the
    // thread's work) before they are written; call before the first frame.
    void CompressWith(CFrameCompressor* compressor) { m_compressor = compressor; }
    // Queues a buffer from TryTakeBuffer/WaitForBuffer holding one frame of
    // `bytes` (at most the frame size the pool was made for; all of it when
    // 0). With a compressor, a frame shorter than that is compressed only
    // if the compressor takes it, else written as a dropped frame.
    // Every Queue is false (and AllocationFailed) when the queue could not grow.
    bool QueueFrame(BYTE* buffer, DWORD bytes = 0);
    // Queues the place of a dropped frame.
    bool QueueDroppedFrame();
    // Gives back a buffer from TryTakeBuffer/WaitForBuffer unqueued (a frame
    // that is not to be written).
    void ReleaseBuffer(BYTE* buffer);

    // A buffer for `bytes` of audio samples, to be filled and queued; its
    // storage is null (and AllocationFailed) when it could not be allocated.
    struct AudioBuffer {
        std::vector<BYTE>* storage = nullptr;
        std::span<BYTE> samples;
    };
    AudioBuffer TakeAudioBuffer(DWORD bytes);
    // arrivalSec: when the buffer arrived in the picture's time, for the
    // sound filter; negative when unknown.
    bool QueueAudio(const AudioBuffer& audio, double arrivalSec = -1);
    // Sound passes through `filter` on this thread before it is written
    // (what it appends to `out` is written in its place); call before the
    // first sound.
    using SoundFilter = std::function<void(const BYTE* data, DWORD bytes, double arrivalSec,
                                           std::vector<BYTE>& out)>;
    void FilterSoundWith(SoundFilter filter) { m_soundFilter = std::move(filter); }

    // True once a frame buffer could not be allocated: the capture must end.
    bool AllocationFailed() const { return m_allocationFailed.load(); }
    // True once a write failed or was refused; later items are discarded.
    bool Failed() const { return m_failed.load(); }
    // Why the writing stopped (read after Finish): the writer's error, or
    // ERROR_INVALID_DATA when the compressor refused a frame; 0 while all went well.
    DWORD LastError() const { return m_error; }
    // Writes everything queued and stops the thread.
    void Finish();

    // What reached the file (read after Finish).
    DWORD FramesWritten() const { return m_framesWritten; }
    DWORD DroppedFramesWritten() const { return m_droppedWritten; }

private:
    enum class ItemKind { Frame, DroppedFrame, Audio };
    struct Item {
        ItemKind kind = ItemKind::DroppedFrame;
        BYTE* buffer = nullptr;             // a frame's data
        std::vector<BYTE>* audio = nullptr; // audio storage
        DWORD bytes = 0;                    // a frame's or an audio chunk's
        double arrivalSec = -1;             // audio: its arrival in picture time
    };

    BYTE* AddBuffer();
    // False (and AllocationFailed) when the gate refuses the next buffer.
    bool PassGate();
    void Run();
    bool Write(const Item& item);
    bool WriteFrame(BYTE* buffer, DWORD bytes);
    bool WriteDroppedFrame();
    bool WriteAudio(const Item& item);
    bool Queue(const Item& item);
    // The queue: a ring that grows only when full, under m_mutex.
    bool Push(const Item& item);
    Item Pop();

    CAviWriter& m_writer;
    DWORD m_frameBytes;
    UINT m_maxBuffers = 1;
    BufferGate m_gate;
    CFrameCompressor* m_compressor = nullptr;
    SoundFilter m_soundFilter;
    std::vector<BYTE> m_filtered; // the filter's output, reused
    unsigned long long m_buffersHandedOut = 0;
    std::atomic<bool> m_allocationFailed{false};
    std::vector<std::vector<BYTE>> m_buffers; // grown by the capturing thread only
    std::vector<BYTE*> m_free;
    std::vector<std::unique_ptr<std::vector<BYTE>>> m_audioBuffers;
    std::vector<std::vector<BYTE>*> m_freeAudio;
    std::vector<Item> m_queue;
    size_t m_queueHead = 0;
    size_t m_queued = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_finishing = false;
    std::atomic<bool> m_failed{false};
    DWORD m_error = 0;
    DWORD m_framesWritten = 0;
    DWORD m_droppedWritten = 0;
    DWORD m_lastCheckpoint = GetTickCount();
    std::atomic<bool> m_checkpoints{true};
    std::thread m_thread;
};
