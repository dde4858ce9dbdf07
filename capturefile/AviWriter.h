#pragma once
// Writes a capture as a RIFF AVI file: one video stream (uncompressed or
// compressed DIB frames) and an optional PCM audio stream, interleaved in the
// order written, with an INFO list, the legacy idx1 index for the first RIFF
// block and the OpenDML extension (AVIX blocks, 'ix##' standard indexes and
// the 'indx' super index) so that files may grow past 1 GiB. Without the
// extension it writes AVI 1.0 as the platform's capture window does: one
// RIFF, the idx1 written at Close, at most 2 GiB.
//
// With the extension every index is on disk from the start and brought up
// to date at each Checkpoint, in an order that leaves a readable file with
// all of them at any moment (capturefile/README.md describes the layout).
//
// A failed or refused write leaves the file ending with the last complete
// chunk; Close then still writes the indexes and headers, so everything
// written before stays readable.

#include <windows.h>

#include <span>
#include <string>
#include <vector>

#include "capturefile/AviLayout.h"
#include "base/Handle.h"

struct AviInfoEntry {
    DWORD id = 0;           // e.g. 'ICOP'
    std::vector<BYTE> data; // written as given (text with its NUL)
};

struct AviWriterSettings {
    std::vector<BYTE> videoFormat;  // BITMAPINFOHEADER and any colour table
    DWORD microSecPerFrame = 66667; // the frame period, unless frameRate is set
    // The video stream's exact rate, frameRate / frameScale frames a second
    // (30000/1001 for NTSC); the header's frame period is derived from it.
    DWORD frameRate = 0;
    DWORD frameScale = 1;
    DWORD videoHandler = 0;         // the compressor's code; 0: from the format
    std::vector<BYTE> audioFormat;  // WAVEFORMATEX (+ cbSize bytes); empty: none
    std::vector<AviInfoEntry> info; // the INFO list, in order
    // A new RIFF block starts before a block's movie list (with the first
    // block's idx1) would pass this, or when a stream's standard index is full.
    ULONGLONG riffBlockBytes = 1ULL << 30;
    // RIFF blocks the file can hold: a day of 640x480 RGB 24 at 30 fps, the
    // blocks closed by their size and those closed early by a full standard
    // index (README).
    DWORD superIndexEntries = 8192;
    ULONGLONG freeSpaceReserve = 0; // refuse a chunk that would leave less free
    bool checkFreeSpace = true;     // false: write until the disk refuses
    bool openDml = true;            // false: AVI 1.0 (riffBlockBytes unused)
    // A chunk that would take the file, completed by Close, past this size is
    // refused with ERROR_FILE_TOO_LARGE; 0: no limit but the format's (AVI
    // 1.0 ends at 2 GiB, as readers take RIFF sizes as signed).
    ULONGLONG maxFileBytes = 0;
};

// The writer's own errors, for the limits of the AVI format (Win32 codes
// with the application bit set, so that they meet no system code).
constexpr DWORD kAviErrorVideoFormat = 0x20415601;    // Open: a format no frame can have
constexpr DWORD kAviErrorSuperIndexFull = 0x20415602; // the file holds all its RIFF blocks
constexpr DWORD kAviErrorStreamLength = 0x20415603;   // a stream's 32-bit length is full
constexpr DWORD kAviErrorChunkTooLarge = 0x20415604;  // a chunk larger than a RIFF block

// The system's words for a writer's error (LastError), without the final
// full stop, for a message to the user; the writer's own errors name the
// limit that was reached.
std::string AviErrorText(DWORD error);

class CAviWriter {
public:
    CAviWriter() = default;
    ~CAviWriter();
    CAviWriter(const CAviWriter&) = delete;
    CAviWriter& operator=(const CAviWriter&) = delete;

    // Creates (or replaces) the file and writes its headers.
    bool Open(const std::string& path, const AviWriterSettings& settings);
    // One video frame. A frame of size 0 holds the place of a dropped frame
    // so that the stream keeps its timing; players show the previous frame.
    bool WriteVideo(const BYTE* data, DWORD size, bool keyFrame = true);
    // PCM audio: whole blocks of the audio format.
    bool WriteAudio(const BYTE* data, DWORD size);

    // A chunk is written from its caller's buffer, without a copy, when the
    // data has kChunkHeaderRoom bytes free in front of it (the chunk header)
    // and kChunkTailRoom after it (the pad byte of an odd size, and the
    // header of the JUNK chunk that follows it while the first block keeps
    // its idx1 ahead): `data` points kChunkHeaderRoom bytes into a buffer of
    // at least size + kChunkRoom bytes, and the writer uses the room.
    // WriteVideo and WriteAudio copy their data into a buffer of the
    // writer's first.
    static constexpr DWORD kChunkHeaderRoom = sizeof(avi::ChunkHeader);
    static constexpr DWORD kChunkTailRoom = 1 + sizeof(avi::ChunkHeader);
    static constexpr DWORD kChunkRoom = kChunkHeaderRoom + kChunkTailRoom;
    bool WriteVideoInPlace(BYTE* data, DWORD size, bool keyFrame = true);
    bool WriteAudioInPlace(BYTE* data, DWORD size);
    // Makes the file readable as written so far, should it never be closed:
    // with OpenDML the idx1 (first block), the standard and super indexes,
    // the sizes and the counts in the headers cover every chunk written. In
    // AVI 1.0 only the sizes and counts do, and the header says there is no
    // index, so that readers walk the movie list. Close overwrites all of it.
    bool Checkpoint();
    // Writes the indexes and the final headers and closes the file. True when
    // the file was completed with all its indexes.
    bool Close();

    bool IsOpen() const { return static_cast<bool>(m_file); }
    // The first failure: a Win32 error (ERROR_DISK_FULL when the free-space
    // reserve refused a chunk, ERROR_FILE_TOO_LARGE when the file reached its
    // largest size) or one of the writer's own (kAviError...), 0 while all
    // went well.
    DWORD LastError() const { return m_error; }
    // True when the writer refused a chunk to keep the reserve free, rather
    // than a write failing.
    bool StoppedForSpace() const { return m_stoppedForSpace; }

    // Counts never pass the 32-bit fields they are written to.
    DWORD VideoFrames() const { return static_cast<DWORD>(m_streams[0].units); }
    DWORD AudioBlocks() const {
        return m_streams.size() > 1 ? static_cast<DWORD>(m_streams[1].units) : 0;
    }
    DWORD RiffBlocks() const { return m_riffBlocks; }
    ULONGLONG FileBytes() const { return m_pos; }
    // Entries of each stream's standard index in one RIFF block: a block
    // closes early when one is full.
    DWORD StandardIndexCapacity(size_t stream) const { return m_streams[stream].capacity; }

    // For tests of a capture killed at any moment: after `bytes` more bytes
    // the writer stops touching the file, in the middle of a write if that
    // is where the count ends, and every later write (Close's included)
    // does nothing, as if the process had been killed there.
    void StopWritingAfterForTest(ULONGLONG bytes);
    ULONGLONG BytesWrittenForTest() const { return m_bytesWritten; }

private:
    struct StreamState {
        DWORD chunkId = 0;        // '00db', '00dc', '01wb'
        DWORD indexId = 0;        // 'ix00', 'ix01'
        ULONGLONG units = 0;      // frames or audio blocks written over all blocks
        ULONGLONG blockUnits = 0; // units in the current RIFF block
        DWORD maxChunk = 0;
        DWORD capacity = 0;                              // standard index entries per block
        ULONGLONG indexPos = 0;                          // the current block's 'ix##' chunk
        size_t blockIndexOnDisk = 0;                     // entries of blockIndex in the file
        std::vector<avi::StandardIndexEntry> blockIndex; // current RIFF block
        std::vector<avi::SuperIndexEntry> superIndex;
    };

    // The steps of Open.
    void Reset(const AviWriterSettings& settings);
    bool SettingsValid() const;
    void AddStreams();
    void ReserveIndexes();
    bool CreateFileAt(const std::string& path);
    bool WriteFirstBlockStart();
    bool WriteOpenDmlFirstBlockStart();
    bool DiscardFile(const std::string& path);

    bool WriteChunk(size_t stream, BYTE* data, DWORD size, bool keyFrame);
    bool WithinStreamLimits(size_t stream, DWORD size);
    bool WriteChunkIntoGap(BYTE* chunk, ULONGLONG chunkBytes);
    void IndexChunk(StreamState& state, ULONGLONG start, DWORD size, bool keyFrame);
    BYTE* CopyToChunkBuffer(const BYTE* data, DWORD size);
    bool IsWholeAudio(DWORD size) const;
    bool MakeRoomFor(size_t stream, ULONGLONG chunkBytes);
    bool BlockFull(size_t stream, ULONGLONG chunkBytes) const;
    bool BlockHasChunks() const;
    bool EnoughFreeSpace(size_t stream, ULONGLONG chunkBytes);
    // What the file grows by with one more chunk, completed by Close.
    ULONGLONG GrowthWith(size_t stream, ULONGLONG chunkBytes) const;
    ULONGLONG ClosingBytes(ULONGLONG extraChunks) const;
    bool InFirstOpenDmlBlock() const;

    // The OpenDML indexes kept current, in the order README.md gives.
    bool MoveIdx1Ahead(ULONGLONG gapNeeded);
    bool UpdateIdx1();
    bool UpdateStandardIndexes();
    bool WriteBlockSizes();
    bool CloseOpenDmlBlock();
    bool CompactFirstBlock();
    bool CloseAvi10Block();
    bool StartAvixBlock();
    std::vector<BYTE> Idx1WithRoom(ULONGLONG at, ULONGLONG roomEnd) const;
    std::vector<BYTE> StandardIndexRoom(const StreamState& state) const;
    ULONGLONG StandardIndexRoomBytes(const StreamState& state) const;

    // The header between the RIFF header and the movie list, in steps.
    std::vector<BYTE> BuildHeader() const;
    avi::MainHeader MainHeaderRecord() const;
    avi::StreamHeader StreamHeaderRecord(size_t stream) const;
    std::span<const BYTE> StreamFormat(size_t stream) const;
    DWORD MicroSecPerFrame() const;
    const BITMAPINFOHEADER& Video() const;
    const WAVEFORMATEX& Audio() const;
    bool WriteHeader();
    bool Checkpoint10();
    bool WriteAt(ULONGLONG pos, const void* data, DWORD size);
    bool Append(const void* data, DWORD size);
    bool WriteFileBytes(const void* data, DWORD size);
    bool Truncate(ULONGLONG pos);
    bool Fail(DWORD error);

    UniqueFile m_file;
    std::string m_directory;
    AviWriterSettings m_settings;
    ULONGLONG m_fileLimit = 0; // the largest file; 0: none
    std::vector<StreamState> m_streams;
    std::vector<avi::Idx1Entry> m_idx1;
    ULONGLONG m_pos = 0;          // end of the file as written
    ULONGLONG m_riffPos = 0;      // the current RIFF block's header
    ULONGLONG m_moviPos = 0;      // the current 'LIST movi' header
    DWORD m_firstBlockFrames = 0; // video frames in the first RIFF block
    DWORD m_riffBlocks = 0;
    DWORD m_maxChunk = 0;
    DWORD m_error = 0;
    bool m_stoppedForSpace = false;
    bool m_idx1Written = false;
    bool m_blockOpen = false; // the current RIFF block still takes chunks
    bool m_idx1Failed = false;
    // The free space last asked of the disk, and where the file ended then.
    ULONGLONG m_freeSpace = 0;
    ULONGLONG m_freeSpaceAtPos = 0;
    DWORD m_freeSpaceTick = 0;
    bool m_freeSpaceKnown = false;
    std::vector<BYTE> m_chunkBuffer; // chunks of WriteVideo and WriteAudio

    // The first OpenDML block while open: the movie list runs to m_gapEnd,
    // the chunks written so far followed by a JUNK chunk; the idx1 follows
    // at m_gapEnd, then a JUNK chunk up to m_idx1RoomEnd, the RIFF's end.
    ULONGLONG m_gapEnd = 0;
    ULONGLONG m_idx1RoomEnd = 0;
    size_t m_idx1OnDisk = 0;
    // The header as last written, so that a checkpoint writes what changed.
    std::vector<BYTE> m_headerOnDisk;
    ULONGLONG m_bytesWritten = 0;
    ULONGLONG m_writeBudget = ~0ULL;
    bool m_stoppedForTest = false;
};
