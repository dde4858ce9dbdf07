#include "capturefile/AviWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>
#include <type_traits>

using namespace avi;

namespace {

// The first movie data starts on a sector-friendly boundary.
constexpr size_t kMoviAlignment = 2048;
// RIFF sizes are signed in many readers. A block's movie list stays within
// 1.5 GiB, so that its header, index room and idx1 ahead fit beside it.
constexpr ULONGLONG kMaxRiffBlockBytes = 0x7FFFFFFFULL;
constexpr ULONGLONG kMaxMovieListBytes = 0x60000000ULL;
// An AVI 1.0 file is one RIFF: its size field (file size - 8) stays signed.
constexpr ULONGLONG kMaxAvi1FileBytes = 0x80000000ULL;
constexpr ULONGLONG kMinRiffBlockBytes = 16 * 1024;
// The disk's free space is asked again after this long, and at every chunk
// once the file comes within kFreeSpaceMargin of the limit; in between, what
// the file wrote since is taken off the last answer.
constexpr DWORD kFreeSpaceRecheckMs = 1000;
constexpr ULONGLONG kFreeSpaceMargin = 64ULL * 1024 * 1024;
// Index entries one RIFF block is prepared for, at most.
constexpr ULONGLONG kMaxReservedIndexEntries = 1 << 16;
// A standard index holds at least this many entries and at most
// kMaxReservedIndexEntries: its room (8 bytes an entry) stays below the
// 1,000,000 bytes past which ffmpeg takes a chunk in a header for damage.
constexpr ULONGLONG kMinStandardIndexEntries = 256;
// The first block's idx1 moves ahead of the movie data by at least this
// much, or by half the data written, whichever is more; its room holds at
// least this many entries, or twice those it holds when it moves.
constexpr ULONGLONG kMinIdx1Gap = 1ULL << 20;
constexpr ULONGLONG kMinIdx1RoomEntries = 1024;
// The largest frame of a plausible format: 4096 x 4096 at 32 bits is 64 MiB.
constexpr ULONGLONG kMaxFrameBytes = 1ULL << 28;
constexpr LONG kMaxFrameSide = 32767; // rcFrame is 16-bit
// Chunk sizes go to index fields whose top bit means "not a key frame".
constexpr ULONGLONG kMaxChunkData = 0x7FFFFFFFULL - 16;
constexpr ULONGLONG kMaxStreamUnits = 0xFFFFFFFFULL; // dwLength and dwGrandFrames

class ByteBuilder {
public:
    size_t Size() const { return m_bytes.size(); }
    std::vector<BYTE>& Bytes() { return m_bytes; }
    void Put(const void* data, size_t size) {
        const BYTE* bytes = static_cast<const BYTE*>(data);
        m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    }
    template <typename T> void Put(const T& record) { Put(&record, sizeof record); }
    void PutChunk(DWORD fcc, const void* data, size_t size) {
        Put(ChunkHeader{fcc, static_cast<DWORD>(size)});
        Put(data, size);
        if (size & 1) {
            m_bytes.push_back(0);
        }
    }
    void PutChunk(DWORD fcc, std::span<const BYTE> bytes) {
        PutChunk(fcc, bytes.data(), bytes.size());
    }
    template <typename T> void PutRecordChunk(DWORD fcc, const T& record) {
        static_assert(std::is_trivially_copyable_v<T>);
        PutChunk(fcc, &record, sizeof record);
    }
    // Starts a LIST; EndList fills in its size.
    size_t BeginList(DWORD type) {
        const size_t at = Size();
        Put(ListHeader{kList, 0, type});
        return at;
    }
    void EndList(size_t at) {
        const DWORD size = static_cast<DWORD>(Size() - at - 8);
        std::memcpy(m_bytes.data() + at + 4, &size, sizeof size);
    }

private:
    std::vector<BYTE> m_bytes;
};

bool IsUncompressed(const BITMAPINFOHEADER& format) {
    return format.biCompression == BI_RGB || format.biCompression == BI_BITFIELDS;
}

// The bytes of one frame of the format, in 64 bits: what an uncompressed
// frame takes, or what a compressed format says its frames take at most.
ULONGLONG FrameBytesOf(const BITMAPINFOHEADER& format) {
    if (!IsUncompressed(format)) {
        return format.biSizeImage;
    }
    const ULONGLONG stride =
        (static_cast<ULONGLONG>(format.biWidth) * format.biBitCount + 31) / 32 * 4;
    return stride * static_cast<ULONGLONG>(std::abs(static_cast<LONGLONG>(format.biHeight)));
}

// A format whose frames a capture could hold: sides that fit the stream
// header, a known depth for raw frames, and frames of bounded size.
bool PlausibleVideo(const std::vector<BYTE>& bytes) {
    BITMAPINFOHEADER format{};
    std::memcpy(&format, bytes.data(), sizeof format);
    const LONGLONG height = std::abs(static_cast<LONGLONG>(format.biHeight));
    if (format.biSize < sizeof format || format.biSize > bytes.size() || format.biWidth <= 0 ||
        format.biWidth > kMaxFrameSide || height == 0 || height > kMaxFrameSide) {
        return false;
    }
    if (IsUncompressed(format)) {
        const WORD bits = format.biBitCount;
        const bool knownDepth =
            bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        return knownDepth && FrameBytesOf(format) <= kMaxFrameBytes &&
               format.biSizeImage <= kMaxFrameBytes;
    }
    return format.biSizeImage <= kMaxFrameBytes;
}

ChunkHeader JunkUpTo(ULONGLONG at, ULONGLONG end) {
    return {kJunk, static_cast<DWORD>(end - at - sizeof(ChunkHeader))};
}

// A stream's 'indx', at its full capacity so that the header keeps its size
// as RIFF blocks are added.
void PutSuperIndex(ByteBuilder& out, DWORD chunkId, const std::vector<SuperIndexEntry>& used,
                   DWORD capacity) {
    out.Put(ChunkHeader{
        kIndx, static_cast<DWORD>(sizeof(SuperIndexHeader) + capacity * sizeof(SuperIndexEntry))});
    out.Put(SuperIndexHeader{
        4, 0, kIndexOfIndexes, static_cast<DWORD>(used.size()), chunkId, {0, 0, 0}});
    std::vector<SuperIndexEntry> entries(capacity);
    std::copy(used.begin(), used.end(), entries.begin());
    out.Put(entries.data(), entries.size() * sizeof(SuperIndexEntry));
}

void PutExtendedHeader(ByteBuilder& out, DWORD grandFrames) {
    const size_t odml = out.BeginList(kOdml);
    ExtendedHeader dmlh{};
    dmlh.dwGrandFrames = grandFrames;
    out.PutRecordChunk(kDmlh, dmlh);
    out.EndList(odml);
}

void PutInfoList(ByteBuilder& out, const std::vector<AviInfoEntry>& entries) {
    if (entries.empty()) {
        return;
    }
    const size_t info = out.BeginList(kInfo);
    for (const AviInfoEntry& entry : entries) {
        out.PutChunk(entry.id, entry.data);
    }
    out.EndList(info);
}

// JUNK up to the boundary where the movie list's contents begin; `out`
// starts at file position `at` and precedes the 12-byte LIST.
void PutJunkUpToMovie(ByteBuilder& out, size_t at) {
    const size_t end = at + out.Size() + sizeof(ChunkHeader) + sizeof(ListHeader);
    const size_t aligned = (end + kMoviAlignment - 1) / kMoviAlignment * kMoviAlignment;
    const std::vector<BYTE> junk(aligned - end);
    out.PutChunk(kJunk, junk);
}

} // namespace

CAviWriter::~CAviWriter() {
    if (IsOpen()) {
        Close();
    }
}

bool CAviWriter::Open(const std::string& path, const AviWriterSettings& settings) {
    if (IsOpen()) {
        Close();
    }
    Reset(settings);
    if (!SettingsValid()) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (!PlausibleVideo(m_settings.videoFormat)) {
        return Fail(kAviErrorVideoFormat);
    }
    AddStreams();
    ReserveIndexes();
    if (!CreateFileAt(path)) {
        return Fail(GetLastError());
    }
    const bool started =
        m_settings.openDml ? WriteOpenDmlFirstBlockStart() : WriteFirstBlockStart();
    if (!started) {
        return DiscardFile(path);
    }
    return true;
}

void CAviWriter::Reset(const AviWriterSettings& settings) {
    m_streams.clear();
    m_idx1.clear();
    m_pos = m_riffPos = m_moviPos = 0;
    m_firstBlockFrames = m_riffBlocks = m_maxChunk = m_error = 0;
    m_stoppedForSpace = m_idx1Written = m_blockOpen = m_idx1Failed = m_freeSpaceKnown = false;
    m_gapEnd = m_idx1RoomEnd = m_bytesWritten = 0;
    m_idx1OnDisk = 0;
    m_headerOnDisk.clear();
    m_settings = settings;
    m_settings.riffBlockBytes =
        std::clamp(m_settings.riffBlockBytes, kMinRiffBlockBytes, kMaxMovieListBytes);
    m_settings.superIndexEntries = std::max<DWORD>(m_settings.superIndexEntries, 1);
    m_fileLimit = m_settings.maxFileBytes;
    if (!m_settings.openDml && (m_fileLimit == 0 || m_fileLimit > kMaxAvi1FileBytes)) {
        m_fileLimit = kMaxAvi1FileBytes;
    }
}

bool CAviWriter::SettingsValid() const {
    const bool rateGiven = m_settings.frameRate != 0 && m_settings.frameScale != 0;
    if (m_settings.videoFormat.size() < sizeof(BITMAPINFOHEADER) ||
        (m_settings.microSecPerFrame == 0 && !rateGiven) || MicroSecPerFrame() == 0) {
        return false;
    }
    return m_settings.audioFormat.empty() ||
           (m_settings.audioFormat.size() >= sizeof(PCMWAVEFORMAT) &&
            reinterpret_cast<const WAVEFORMATEX*>(m_settings.audioFormat.data())->nBlockAlign != 0);
}

void CAviWriter::AddStreams() {
    StreamState video;
    video.chunkId = StreamChunkId(0, 'd', IsUncompressed(Video()) ? 'b' : 'c');
    video.indexId = StandardIndexId(0);
    m_streams.push_back(video);
    if (!m_settings.audioFormat.empty()) {
        StreamState audio;
        audio.chunkId = StreamChunkId(1, 'w', 'b');
        audio.indexId = StandardIndexId(1);
        m_streams.push_back(audio);
    }
}

// Each stream's standard index is sized for a full block of whole frames
// (a quarter more, for smaller ones) and sound chunks twice as many: a block
// whose index fills first (empty chunks of dropped frames, small compressed
// frames) closes early. Reserved now, so that nothing grows while capturing.
void CAviWriter::ReserveIndexes() {
    const ULONGLONG blockBytes = m_settings.openDml ? m_settings.riffBlockBytes : m_fileLimit;
    const ULONGLONG frameBytes = std::max<ULONGLONG>(FrameBytesOf(Video()), 1024);
    const ULONGLONG frames = blockBytes / (sizeof(ChunkHeader) + frameBytes);
    const ULONGLONG videoEntries =
        std::clamp(frames + frames / 4 + 16, kMinStandardIndexEntries, kMaxReservedIndexEntries);
    for (size_t n = 0; n < m_streams.size(); ++n) {
        const ULONGLONG entries =
            n == 0 ? videoEntries : std::min(2 * videoEntries, kMaxReservedIndexEntries);
        m_streams[n].capacity = static_cast<DWORD>(entries);
        if (m_settings.openDml) {
            m_streams[n].blockIndex.reserve(entries);
        }
    }
    const ULONGLONG legacyEntries = std::min(frames, kMaxReservedIndexEntries);
    m_idx1.reserve(m_settings.openDml ? videoEntries : legacyEntries * m_streams.size());
}

bool CAviWriter::CreateFileAt(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    m_directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    m_file.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return static_cast<bool>(m_file);
}

// The RIFF header, the header lists and the movie list's header.
bool CAviWriter::WriteFirstBlockStart() {
    const std::vector<BYTE> header = BuildHeader();
    const ListHeader riff{kRiff, 0, kAvi};
    const ListHeader movi{kList, 0, kMovi};
    if (!Append(&riff, sizeof riff) || !Append(header.data(), static_cast<DWORD>(header.size()))) {
        return false;
    }
    m_moviPos = m_pos;
    if (!Append(&movi, sizeof movi)) {
        return false;
    }
    m_riffBlocks = 1;
    m_blockOpen = true;
    return true;
}

// The first block as it stays until it closes: the standard indexes' room
// between the header and the movie list, the movie list holding one JUNK
// chunk up to the idx1, and the idx1 (empty) with a JUNK chunk for its room.
bool CAviWriter::WriteOpenDmlFirstBlockStart() {
    ByteBuilder start;
    start.Put(ListHeader{kRiff, 0, kAvi});
    std::vector<BYTE> header = BuildHeader();
    start.Put(header.data(), header.size());
    for (StreamState& state : m_streams) {
        state.indexPos = start.Size();
        const std::vector<BYTE> room = StandardIndexRoom(state);
        start.Put(room.data(), room.size());
        state.superIndex.push_back({state.indexPos, static_cast<DWORD>(room.size()), 0});
    }
    PutJunkUpToMovie(start, 0);
    m_moviPos = start.Size();
    for (const StreamState& state : m_streams) {
        std::memcpy(start.Bytes().data() + state.indexPos + 8 +
                        offsetof(StandardIndexHeader, qwBaseOffset),
                    &m_moviPos, sizeof m_moviPos);
    }
    m_pos = m_moviPos + sizeof(ListHeader);
    m_gapEnd = m_pos + kMinIdx1Gap;
    m_idx1RoomEnd = m_gapEnd + 2 * sizeof(ChunkHeader) + kMinIdx1RoomEntries * sizeof(Idx1Entry);
    start.Put(ListHeader{kList, static_cast<DWORD>(m_gapEnd - m_moviPos - 8), kMovi});
    start.Put(JunkUpTo(m_pos, m_gapEnd));
    const DWORD riffSize = static_cast<DWORD>(m_idx1RoomEnd - 8);
    std::memcpy(start.Bytes().data() + 4, &riffSize, sizeof riffSize);
    // The header as it is now, with the first block's entry in the super
    // indexes: the bytes built before were without it.
    header = BuildHeader();
    std::memcpy(start.Bytes().data() + sizeof(ListHeader), header.data(), header.size());
    const std::vector<BYTE> idx1 = Idx1WithRoom(m_gapEnd, m_idx1RoomEnd);
    m_riffBlocks = 1;
    m_blockOpen = true;
    if (!WriteFileBytes(start.Bytes().data(), static_cast<DWORD>(start.Size())) ||
        !WriteAt(m_gapEnd, idx1.data(), static_cast<DWORD>(idx1.size()))) {
        return false;
    }
    m_headerOnDisk = std::move(header);
    return true;
}

// The first block's idx1 at `at` with every entry, and its room up to
// `roomEnd` as a JUNK chunk, written out (zeros), so that the file holds all
// the RIFF says.
std::vector<BYTE> CAviWriter::Idx1WithRoom(ULONGLONG at, ULONGLONG roomEnd) const {
    const ULONGLONG idx1Bytes = m_idx1.size() * sizeof(Idx1Entry);
    ByteBuilder idx1;
    idx1.PutChunk(kIdx1, m_idx1.data(), static_cast<size_t>(idx1Bytes));
    idx1.Put(JunkUpTo(at + 8 + idx1Bytes, roomEnd));
    idx1.Bytes().resize(static_cast<size_t>(roomEnd - at));
    return std::move(idx1.Bytes());
}

// A stream's 'ix##' chunk for a block, at its full capacity, none in use.
std::vector<BYTE> CAviWriter::StandardIndexRoom(const StreamState& state) const {
    ByteBuilder room;
    room.Put(ChunkHeader{state.indexId, static_cast<DWORD>(StandardIndexRoomBytes(state) - 8)});
    room.Put(StandardIndexHeader{2, 0, kIndexOfChunks, 0, state.chunkId, 0, 0});
    room.Bytes().resize(static_cast<size_t>(StandardIndexRoomBytes(state)));
    return std::move(room.Bytes());
}

ULONGLONG CAviWriter::StandardIndexRoomBytes(const StreamState& state) const {
    return sizeof(ChunkHeader) + sizeof(StandardIndexHeader) +
           static_cast<ULONGLONG>(state.capacity) * sizeof(StandardIndexEntry);
}

// A file that could not take its headers is not left behind.
bool CAviWriter::DiscardFile(const std::string& path) {
    const DWORD error = GetLastError();
    m_file.Reset();
    DeleteFileA(path.c_str());
    return Fail(error ? error : ERROR_WRITE_FAULT);
}

bool CAviWriter::WriteVideo(const BYTE* data, DWORD size, bool keyFrame) {
    return WriteChunk(0, CopyToChunkBuffer(data, size), size, keyFrame);
}

bool CAviWriter::WriteAudio(const BYTE* data, DWORD size) {
    return IsWholeAudio(size) && WriteChunk(1, CopyToChunkBuffer(data, size), size, true);
}

bool CAviWriter::WriteVideoInPlace(BYTE* data, DWORD size, bool keyFrame) {
    return WriteChunk(0, data, size, keyFrame);
}

bool CAviWriter::WriteAudioInPlace(BYTE* data, DWORD size) {
    return IsWholeAudio(size) && WriteChunk(1, data, size, true);
}

bool CAviWriter::IsWholeAudio(DWORD size) const {
    if (m_streams.size() < 2) {
        return false;
    }
    if (size % Audio().nBlockAlign != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

// A chunk no block could take is refused before anything is allocated (in
// 64 bits: on i686, size + kChunkRoom wraps near 4 GiB), and a buffer that
// cannot be had ends the file in order rather than throwing.
BYTE* CAviWriter::CopyToChunkBuffer(const BYTE* data, DWORD size) {
    const ULONGLONG largest =
        m_settings.openDml ? std::min(m_settings.riffBlockBytes, kMaxChunkData) : kMaxChunkData;
    const ULONGLONG needed = static_cast<ULONGLONG>(size) + kChunkRoom;
    if (!IsOpen()) {
        return nullptr;
    }
    if (size > largest) {
        Fail(kAviErrorChunkTooLarge);
        return nullptr;
    }
    if (m_chunkBuffer.size() < needed) {
        try {
            m_chunkBuffer.resize(static_cast<size_t>(needed));
        } catch (const std::bad_alloc&) {
            Fail(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    BYTE* chunkData = m_chunkBuffer.data() + kChunkHeaderRoom;
    if (size != 0) {
        std::memcpy(chunkData, data, size);
    }
    return chunkData;
}

bool CAviWriter::WriteChunk(size_t stream, BYTE* data, DWORD size, bool keyFrame) {
    if (data == nullptr || !IsOpen() || m_error != 0 || !WithinStreamLimits(stream, size)) {
        return false;
    }
    const ULONGLONG chunkBytes = sizeof(ChunkHeader) + static_cast<ULONGLONG>(size) + (size & 1);
    if (!MakeRoomFor(stream, chunkBytes)) {
        return false;
    }
    if (m_settings.checkFreeSpace && !EnoughFreeSpace(stream, chunkBytes)) {
        m_stoppedForSpace = true;
        return Fail(ERROR_DISK_FULL);
    }
    StreamState& state = m_streams[stream];
    const ULONGLONG start = m_pos;
    BYTE* chunk = data - kChunkHeaderRoom;
    const ChunkHeader header{state.chunkId, size};
    std::memcpy(chunk, &header, sizeof header);
    if ((size & 1) != 0) {
        data[size] = 0;
    }
    if (InFirstOpenDmlBlock()) {
        if (!WriteChunkIntoGap(chunk, chunkBytes)) {
            return Fail(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
        }
    } else if (!Append(chunk, static_cast<DWORD>(chunkBytes))) {
        // Cut the partial chunk off: the file ends with the last whole chunk.
        const DWORD error = GetLastError();
        Truncate(start);
        return Fail(error ? error : ERROR_WRITE_FAULT);
    }

    IndexChunk(state, start, size, keyFrame);
    return true;
}

// The 32-bit fields a chunk adds to: the stream's length (dwLength, and
// dwGrandFrames for video) and the index entries' sizes.
bool CAviWriter::WithinStreamLimits(size_t stream, DWORD size) {
    if (size > kMaxChunkData) {
        return Fail(kAviErrorChunkTooLarge);
    }
    const ULONGLONG units = stream == 0 ? 1 : size / Audio().nBlockAlign;
    if (m_streams[stream].units + units > kMaxStreamUnits) {
        return Fail(kAviErrorStreamLength);
    }
    return true;
}

// In the first block the chunk takes the place of the JUNK chunk that fills
// the movie list up to the idx1: first its data and a new JUNK header after
// it, inside the old JUNK chunk, then its own header over the old one. At
// any moment the movie list is whole and the idx1 where it was.
bool CAviWriter::WriteChunkIntoGap(BYTE* chunk, ULONGLONG chunkBytes) {
    const ULONGLONG needed = chunkBytes + sizeof(ChunkHeader);
    if (m_pos + needed > m_gapEnd && !MoveIdx1Ahead(needed)) {
        return false;
    }
    const ChunkHeader junk = JunkUpTo(m_pos + chunkBytes, m_gapEnd);
    std::memcpy(chunk + chunkBytes, &junk, sizeof junk);
    if (!WriteAt(m_pos + 8, chunk + 8, static_cast<DWORD>(chunkBytes)) ||
        !WriteAt(m_pos, chunk, sizeof(ChunkHeader))) {
        return false;
    }
    m_pos += chunkBytes;
    return true;
}

void CAviWriter::IndexChunk(StreamState& state, ULONGLONG start, DWORD size, bool keyFrame) {
    if (m_settings.openDml) {
        state.blockIndex.push_back({static_cast<DWORD>(start + 8 - m_moviPos),
                                    size | (keyFrame ? 0 : kStdIndexDeltaFrame)});
    }
    if (m_riffBlocks == 1) {
        m_idx1.push_back({state.chunkId, keyFrame ? kAviifKeyFrame : 0,
                          static_cast<DWORD>(start - (m_moviPos + 8)), size});
    }
    const ULONGLONG units = &state == &m_streams[0] ? 1 : size / Audio().nBlockAlign;
    state.units += units;
    state.blockUnits += units;
    state.maxChunk = std::max(state.maxChunk, size);
    m_maxChunk = std::max(m_maxChunk, size);
}

bool CAviWriter::InFirstOpenDmlBlock() const {
    return m_settings.openDml && m_riffBlocks == 1 && m_blockOpen;
}

ULONGLONG CAviWriter::ClosingBytes(ULONGLONG extraChunks) const {
    if (m_settings.openDml) {
        // The standard indexes' room is in the file already; the first
        // block's idx1 moves to the end of its data.
        return InFirstOpenDmlBlock()
                   ? sizeof(ChunkHeader) + (m_idx1.size() + extraChunks) * sizeof(Idx1Entry)
                   : 0;
    }
    if (m_riffBlocks == 1 && !m_idx1Written) {
        return sizeof(ChunkHeader) + (m_idx1.size() + extraChunks) * sizeof(Idx1Entry);
    }
    return 0;
}

bool CAviWriter::BlockHasChunks() const {
    return std::any_of(m_streams.begin(), m_streams.end(),
                       [](const StreamState& state) { return !state.blockIndex.empty(); });
}

// A block is full when the chunk, with the idx1 the first block ends with,
// would take its movie list past the block size, or when the stream's
// standard index is. (The header and the standard indexes' room come on
// top: the first block's header alone holds a few hundred KiB of super
// indexes, and tests use blocks of a few KiB.)
bool CAviWriter::BlockFull(size_t stream, ULONGLONG chunkBytes) const {
    const StreamState& state = m_streams[stream];
    return m_pos - m_moviPos + chunkBytes + ClosingBytes(1) > m_settings.riffBlockBytes ||
           state.blockIndex.size() + 1 > state.capacity;
}

bool CAviWriter::MakeRoomFor(size_t stream, ULONGLONG chunkBytes) {
    if (m_fileLimit != 0 && m_pos + GrowthWith(stream, chunkBytes) > m_fileLimit) {
        return Fail(ERROR_FILE_TOO_LARGE);
    }
    if (!m_settings.openDml || !BlockFull(stream, chunkBytes)) {
        return true;
    }
    if (!BlockHasChunks()) {
        return Fail(kAviErrorChunkTooLarge);
    }
    if (m_riffBlocks + 1 > m_settings.superIndexEntries) {
        return Fail(kAviErrorSuperIndexFull);
    }
    if (!CloseOpenDmlBlock() || !StartAvixBlock() || !WriteHeader()) {
        return Fail(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
    }
    if (BlockFull(stream, chunkBytes)) {
        return Fail(kAviErrorChunkTooLarge);
    }
    return true;
}

// The chunk, everything Close appends after it, and with OpenDML the headers
// and index room of a new RIFF block that the chunk opens.
ULONGLONG CAviWriter::GrowthWith(size_t stream, ULONGLONG chunkBytes) const {
    if (!m_settings.openDml || !BlockFull(stream, chunkBytes)) {
        return chunkBytes + ClosingBytes(1);
    }
    ULONGLONG blockStart = 2 * sizeof(ListHeader);
    for (const StreamState& state : m_streams) {
        blockStart += StandardIndexRoomBytes(state);
    }
    return chunkBytes + blockStart;
}

bool CAviWriter::EnoughFreeSpace(size_t stream, ULONGLONG chunkBytes) {
    const ULONGLONG needed = GrowthWith(stream, chunkBytes) + m_settings.freeSpaceReserve;
    const ULONGLONG writtenSince = m_pos > m_freeSpaceAtPos ? m_pos - m_freeSpaceAtPos : 0;
    if (m_freeSpaceKnown && GetTickCount() - m_freeSpaceTick < kFreeSpaceRecheckMs &&
        m_freeSpace >= writtenSince + needed + kFreeSpaceMargin) {
        return true;
    }
    ULARGE_INTEGER available{};
    m_freeSpaceKnown = GetDiskFreeSpaceExA(m_directory.empty() ? nullptr : m_directory.c_str(),
                                           &available, nullptr, nullptr) != FALSE;
    if (!m_freeSpaceKnown) {
        return true; // nothing known: let the write itself tell
    }
    m_freeSpace = available.QuadPart;
    m_freeSpaceAtPos = m_pos;
    m_freeSpaceTick = GetTickCount();
    return m_freeSpace >= needed;
}

// Puts the first block's idx1, with every chunk written, further ahead, so
// that `gapNeeded` bytes fit before it; the gap grows with the data, so the
// idx1 moves a few dozen times in a block. Every step leaves the file whole:
// the new idx1 and the JUNK leading to it go past the RIFF's end first; the
// RIFF then takes them in (the old idx1, the first after the movie list,
// still counts); the movie list then takes in the old idx1 and the JUNK (the
// new idx1 now follows it); last, the JUNK at the end of the data reaches
// the new idx1, and the old one becomes part of it.
bool CAviWriter::MoveIdx1Ahead(ULONGLONG gapNeeded) {
    // The gap grows with the data, but not past what the block can take.
    const ULONGLONG data = m_pos - (m_moviPos + sizeof(ListHeader));
    const ULONGLONG blockLeft =
        m_settings.riffBlockBytes > data ? m_settings.riffBlockBytes - data : 0;
    const ULONGLONG gap = std::min(std::max(kMinIdx1Gap, data / 2), blockLeft);
    const ULONGLONG gapEnd = std::max(m_idx1RoomEnd + sizeof(ChunkHeader), m_pos + gapNeeded + gap);
    const ULONGLONG roomEntries = std::max<ULONGLONG>(kMinIdx1RoomEntries, 2 * m_idx1.size());
    const ULONGLONG roomEnd = gapEnd + 2 * sizeof(ChunkHeader) + roomEntries * sizeof(Idx1Entry);
    if (roomEnd - m_riffPos - 8 > kMaxRiffBlockBytes) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    const std::vector<BYTE> idx1 = Idx1WithRoom(gapEnd, roomEnd);
    const ChunkHeader bridge = JunkUpTo(m_idx1RoomEnd, gapEnd);
    const DWORD riffSize = static_cast<DWORD>(roomEnd - m_riffPos - 8);
    const DWORD moviSize = static_cast<DWORD>(gapEnd - m_moviPos - 8);
    const ChunkHeader junk = JunkUpTo(m_pos, gapEnd);
    if (!WriteAt(gapEnd, idx1.data(), static_cast<DWORD>(idx1.size())) ||
        !WriteAt(m_idx1RoomEnd, &bridge, sizeof bridge) ||
        !WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize) ||
        !WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize) ||
        !WriteAt(m_pos, &junk, sizeof junk)) {
        return false;
    }
    m_gapEnd = gapEnd;
    m_idx1RoomEnd = roomEnd;
    m_idx1OnDisk = m_idx1.size();
    return true;
}

// Adds the entries written since to the idx1, within its room: the new
// entries but for their first 8 bytes and a JUNK header after them go inside
// the JUNK that follows the idx1; then the idx1's size takes them in (the
// entry whose first 8 bytes still read 'JUNK' belongs to no stream, and
// readers pass over it); last, those 8 bytes.
bool CAviWriter::UpdateIdx1() {
    const size_t from = m_idx1OnDisk;
    const size_t to = m_idx1.size();
    if (from == to) {
        return true;
    }
    const ULONGLONG idx1End = m_gapEnd + 8 + to * sizeof(Idx1Entry);
    if (idx1End + sizeof(ChunkHeader) > m_idx1RoomEnd) {
        return MoveIdx1Ahead(sizeof(ChunkHeader));
    }
    ByteBuilder added;
    added.Put(m_idx1.data() + from, (to - from) * sizeof(Idx1Entry));
    added.Put(JunkUpTo(idx1End, m_idx1RoomEnd));
    const ULONGLONG at = m_gapEnd + 8 + from * sizeof(Idx1Entry);
    const DWORD idx1Size = static_cast<DWORD>(to * sizeof(Idx1Entry));
    if (!WriteAt(at + 8, added.Bytes().data() + 8, static_cast<DWORD>(added.Size() - 8)) ||
        !WriteAt(m_gapEnd + 4, &idx1Size, sizeof idx1Size) ||
        !WriteAt(at, added.Bytes().data(), 8)) {
        return false;
    }
    m_idx1OnDisk = to;
    return true;
}

// Each stream's new entries go past those in use, then the count in use
// takes them in.
bool CAviWriter::UpdateStandardIndexes() {
    for (StreamState& state : m_streams) {
        const size_t from = state.blockIndexOnDisk;
        const size_t to = state.blockIndex.size();
        const DWORD inUse = static_cast<DWORD>(to);
        const ULONGLONG entries =
            state.indexPos + sizeof(ChunkHeader) + sizeof(StandardIndexHeader);
        if (from != to &&
            (!WriteAt(entries + from * sizeof(StandardIndexEntry), state.blockIndex.data() + from,
                      static_cast<DWORD>((to - from) * sizeof(StandardIndexEntry))) ||
             !WriteAt(state.indexPos + 8 + offsetof(StandardIndexHeader, nEntriesInUse), &inUse,
                      sizeof inUse))) {
            return false;
        }
        state.blockIndexOnDisk = to;
        state.superIndex.back().dwDuration = static_cast<DWORD>(state.blockUnits);
    }
    return true;
}

// An AVIX block's RIFF size first, then its movie list's: in between, the
// chunks past the list are in the block, outside the list.
bool CAviWriter::WriteBlockSizes() {
    const DWORD riffSize = static_cast<DWORD>(m_pos - m_riffPos - 8);
    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    return WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize) &&
           WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize);
}

bool CAviWriter::CloseOpenDmlBlock() {
    bool complete = UpdateStandardIndexes();
    if (m_riffBlocks == 1) {
        complete = CompactFirstBlock() && complete;
    } else {
        complete = WriteBlockSizes() && complete;
    }
    m_blockOpen = false;
    return complete;
}

// The first block ends with its final idx1 right after its data, the gap and
// the idx1 ahead cut off. The idx1 is written into the JUNK at the end of
// the data (a JUNK header after it reaching the old idx1), its header over
// the JUNK's; the movie list then ends before it, so that it is the first
// idx1 past the list; the RIFF last ends after it.
bool CAviWriter::CompactFirstBlock() {
    const ULONGLONG idx1Bytes = m_idx1.size() * sizeof(Idx1Entry);
    const ULONGLONG needed = sizeof(ChunkHeader) + idx1Bytes + sizeof(ChunkHeader);
    if (m_pos + needed > m_gapEnd && !MoveIdx1Ahead(needed)) {
        // The disk refused the room: the idx1 ahead, grown in its own room,
        // still lists every chunk.
        UpdateIdx1();
        return false;
    }
    ByteBuilder idx1;
    idx1.PutChunk(kIdx1, m_idx1.data(), static_cast<size_t>(idx1Bytes));
    idx1.Put(JunkUpTo(m_pos + 8 + idx1Bytes, m_gapEnd));
    const ULONGLONG end = m_pos + 8 + idx1Bytes;
    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    const DWORD riffSize = static_cast<DWORD>(end - m_riffPos - 8);
    if (!WriteAt(m_pos + 8, idx1.Bytes().data() + 8, static_cast<DWORD>(idx1.Size() - 8)) ||
        !WriteAt(m_pos, idx1.Bytes().data(), 8) ||
        !WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize) ||
        !WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize)) {
        return false; // each step left an idx1 past the movie list
    }
    m_firstBlockFrames = static_cast<DWORD>(m_streams[0].units);
    m_idx1Written = true;
    m_idx1.clear();
    m_idx1.shrink_to_fit();
    return Truncate(end);
}

// AVI 1.0: the idx1 appended after the data, the sizes written last.
bool CAviWriter::CloseAvi10Block() {
    bool complete = true;
    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    complete = WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize) && complete;

    m_firstBlockFrames = static_cast<DWORD>(m_streams[0].units);
    const ULONGLONG at = m_pos;
    const ChunkHeader header{kIdx1, static_cast<DWORD>(m_idx1.size() * sizeof(Idx1Entry))};
    if (Append(&header, sizeof header) &&
        (m_idx1.empty() ||
         Append(m_idx1.data(), static_cast<DWORD>(m_idx1.size() * sizeof(Idx1Entry))))) {
        m_idx1Written = true;
    } else {
        Truncate(at);
        m_idx1Failed = true;
        complete = false;
    }
    m_idx1.clear();
    m_idx1.shrink_to_fit();

    const DWORD riffSize = static_cast<DWORD>(m_pos - m_riffPos - 8);
    m_blockOpen = false;
    return WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize) && complete;
}

// An AVIX block opens with its standard indexes' room before its movie
// list, all past the file's last RIFF until the super indexes list it.
bool CAviWriter::StartAvixBlock() {
    const ULONGLONG riffAt = m_pos;
    ByteBuilder start;
    start.Put(ListHeader{kRiff, 0, kAvix});
    std::vector<ULONGLONG> indexAt;
    for (const StreamState& state : m_streams) {
        indexAt.push_back(riffAt + start.Size());
        const std::vector<BYTE> room = StandardIndexRoom(state);
        start.Put(room.data(), room.size());
    }
    const ULONGLONG moviAt = riffAt + start.Size();
    start.Put(ListHeader{kList, 4, kMovi});
    const DWORD riffSize = static_cast<DWORD>(start.Size() - 8);
    std::memcpy(start.Bytes().data() + 4, &riffSize, sizeof riffSize);
    for (const ULONGLONG at : indexAt) {
        std::memcpy(start.Bytes().data() + (at - riffAt) + 8 +
                        offsetof(StandardIndexHeader, qwBaseOffset),
                    &moviAt, sizeof moviAt);
    }
    if (!Append(start.Bytes().data(), static_cast<DWORD>(start.Size()))) {
        Truncate(riffAt);
        return false;
    }
    for (size_t n = 0; n < m_streams.size(); ++n) {
        StreamState& state = m_streams[n];
        state.indexPos = indexAt[n];
        state.blockIndex.clear();
        state.blockIndexOnDisk = 0;
        state.blockUnits = 0;
        state.superIndex.push_back(
            {indexAt[n], static_cast<DWORD>(StandardIndexRoomBytes(state)), 0});
    }
    m_riffPos = riffAt;
    m_moviPos = moviAt;
    ++m_riffBlocks;
    m_blockOpen = true;
    return true;
}

bool CAviWriter::Close() {
    if (!IsOpen()) {
        return false;
    }
    // A block already closed (a new one could not be started) stays as is.
    bool complete = true;
    if (m_blockOpen) {
        complete = m_settings.openDml ? CloseOpenDmlBlock() : CloseAvi10Block();
    }
    complete = WriteHeader() && complete;
    if (!m_stoppedForTest && !FlushFileBuffers(m_file.Get()) && m_error == 0) {
        complete = false;
    }
    m_file.Reset();
    return complete;
}

std::vector<BYTE> CAviWriter::BuildHeader() const {
    ByteBuilder out;
    const size_t hdrl = out.BeginList(kHdrl);
    out.PutRecordChunk(kAvih, MainHeaderRecord());
    for (size_t n = 0; n < m_streams.size(); ++n) {
        const size_t strl = out.BeginList(kStrl);
        out.PutRecordChunk(kStrh, StreamHeaderRecord(n));
        out.PutChunk(kStrf, StreamFormat(n));
        if (m_settings.openDml) {
            PutSuperIndex(out, m_streams[n].chunkId, m_streams[n].superIndex,
                          m_settings.superIndexEntries);
        }
        out.EndList(strl);
    }
    if (m_settings.openDml) {
        PutExtendedHeader(out, static_cast<DWORD>(m_streams[0].units));
    }
    out.EndList(hdrl);
    PutInfoList(out, m_settings.info);
    // With OpenDML the standard indexes' room comes between this and the
    // JUNK before the movie list (WriteOpenDmlFirstBlockStart).
    if (!m_settings.openDml) {
        PutJunkUpToMovie(out, sizeof(ListHeader));
    }
    return std::move(out.Bytes());
}

MainHeader CAviWriter::MainHeaderRecord() const {
    MainHeader main{};
    main.dwMicroSecPerFrame = MicroSecPerFrame();
    const ULONGLONG videoBytesPerSec =
        static_cast<ULONGLONG>(m_streams[0].maxChunk) * 1000000ULL / MicroSecPerFrame();
    const DWORD audioBytesPerSec = m_streams.size() > 1 ? Audio().nAvgBytesPerSec : 0;
    main.dwMaxBytesPerSec =
        static_cast<DWORD>(std::min<ULONGLONG>(videoBytesPerSec + audioBytesPerSec, 0xFFFFFFFFULL));
    main.dwFlags = kAvifHasIndex | kAvifIsInterleaved | kAvifWasCaptureFile |
                   (m_settings.openDml ? kAvifTrustCkType : 0);
    // In AVI 1.0, until the idx1 is written, a reader finds the chunks by
    // walking the movie list (see Checkpoint); with OpenDML it is always there.
    if (m_idx1Failed || (!m_settings.openDml && m_riffBlocks == 1 && !m_idx1Written)) {
        main.dwFlags &= ~kAvifHasIndex;
    }
    const bool firstBlockClosed = m_riffBlocks > 1 || m_idx1Written;
    main.dwTotalFrames =
        firstBlockClosed ? m_firstBlockFrames : static_cast<DWORD>(m_streams[0].units);
    main.dwStreams = static_cast<DWORD>(m_streams.size());
    main.dwSuggestedBufferSize = m_maxChunk + 8;
    main.dwWidth = static_cast<DWORD>(Video().biWidth);
    main.dwHeight = static_cast<DWORD>(std::abs(Video().biHeight));
    return main;
}

StreamHeader CAviWriter::StreamHeaderRecord(size_t stream) const {
    const StreamState& state = m_streams[stream];
    StreamHeader strh{};
    strh.dwQuality = 0xFFFFFFFF;
    strh.dwLength = static_cast<DWORD>(state.units);
    strh.dwSuggestedBufferSize = state.maxChunk;
    if (stream == 0) {
        const bool rateGiven = m_settings.frameRate != 0 && m_settings.frameScale != 0;
        const DWORD rate = rateGiven ? m_settings.frameRate : 1000000;
        const DWORD scale = rateGiven ? m_settings.frameScale : m_settings.microSecPerFrame;
        const DWORD divisor = std::gcd(rate, scale);
        strh.fccType = kVids;
        strh.fccHandler = m_settings.videoHandler != 0 ? m_settings.videoHandler
                          : IsUncompressed(Video())    ? kDib
                                                       : Video().biCompression;
        strh.dwScale = scale / divisor;
        strh.dwRate = rate / divisor;
        strh.rcFrame = {0, 0, static_cast<SHORT>(Video().biWidth),
                        static_cast<SHORT>(std::abs(Video().biHeight))};
    } else {
        strh.fccType = kAuds;
        strh.dwScale = Audio().nBlockAlign;
        strh.dwRate = Audio().nAvgBytesPerSec;
        strh.dwSampleSize = Audio().nBlockAlign;
    }
    return strh;
}

// The frame period of the rate given, to the nearest microsecond, or the one
// given.
DWORD CAviWriter::MicroSecPerFrame() const {
    if (m_settings.frameRate == 0 || m_settings.frameScale == 0) {
        return m_settings.microSecPerFrame;
    }
    const ULONGLONG period =
        (static_cast<ULONGLONG>(m_settings.frameScale) * 1000000ULL + m_settings.frameRate / 2) /
        m_settings.frameRate;
    return static_cast<DWORD>(std::min<ULONGLONG>(period, 0xFFFFFFFFULL));
}

// PCM formats are stored as the 16-byte PCMWAVEFORMAT; others with their
// extra bytes.
std::span<const BYTE> CAviWriter::StreamFormat(size_t stream) const {
    if (stream == 0) {
        return m_settings.videoFormat;
    }
    const size_t bytes =
        Audio().wFormatTag == WAVE_FORMAT_PCM
            ? sizeof(PCMWAVEFORMAT)
            : std::min(m_settings.audioFormat.size(), sizeof(WAVEFORMATEX) + Audio().cbSize);
    return std::span<const BYTE>(m_settings.audioFormat).first(bytes);
}

const BITMAPINFOHEADER& CAviWriter::Video() const {
    return *reinterpret_cast<const BITMAPINFOHEADER*>(m_settings.videoFormat.data());
}

const WAVEFORMATEX& CAviWriter::Audio() const {
    return *reinterpret_cast<const WAVEFORMATEX*>(m_settings.audioFormat.data());
}

bool CAviWriter::Checkpoint() {
    if (!IsOpen() || !m_blockOpen) {
        return false;
    }
    if (!m_settings.openDml) {
        return Checkpoint10();
    }
    if (m_error != 0) {
        return false;
    }
    // The indexes first, the counts in the header after them: at any moment
    // a reader finds no more units counted than indexed.
    const bool written = (!InFirstOpenDmlBlock() || UpdateIdx1()) && UpdateStandardIndexes() &&
                         (InFirstOpenDmlBlock() || WriteBlockSizes()) && WriteHeader();
    return written || Fail(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
}

// AVI 1.0 has no index before Close: the header says so, and readers walk
// the movie list. Its size goes in before the counts, each size by itself: a
// kill within the header's write leaves counts no larger than the chunks the
// list holds (AVIFile, walking, takes the header's lengths for granted and
// reads past what it found).
bool CAviWriter::Checkpoint10() {
    const DWORD riffSize = static_cast<DWORD>(m_pos - m_riffPos - 8);
    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    const std::vector<BYTE> header = BuildHeader();
    return WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize) &&
           WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize) &&
           WriteAt(sizeof(ListHeader), header.data(), static_cast<DWORD>(header.size()));
}

// With OpenDML the header (a few hundred KiB with the super indexes) is
// written where it changed since: the counts, the super indexes' entries.
bool CAviWriter::WriteHeader() {
    std::vector<BYTE> header = BuildHeader();
    if (!m_settings.openDml || m_headerOnDisk.size() != header.size()) {
        if (!WriteAt(sizeof(ListHeader), header.data(), static_cast<DWORD>(header.size()))) {
            return false;
        }
        m_headerOnDisk = std::move(header);
        return true;
    }
    // Each run of changed bytes by itself, the last first: a super index's
    // new entry goes in before the count that takes it in, and a killed
    // write leaves no count ahead of what it counts.
    size_t end = header.size();
    while (end > 0) {
        if (header[end - 1] == m_headerOnDisk[end - 1]) {
            --end;
            continue;
        }
        size_t at = end - 1;
        while (at > 0 && header[at - 1] != m_headerOnDisk[at - 1]) {
            --at;
        }
        if (!WriteAt(sizeof(ListHeader) + at, header.data() + at, static_cast<DWORD>(end - at))) {
            return false;
        }
        std::copy(header.begin() + at, header.begin() + end, m_headerOnDisk.begin() + at);
        end = at;
    }
    return true;
}

bool CAviWriter::WriteAt(ULONGLONG pos, const void* data, DWORD size) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(pos);
    const bool ok =
        SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) && WriteFileBytes(data, size);
    const DWORD error = GetLastError();
    to.QuadPart = static_cast<LONGLONG>(m_pos);
    SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN);
    SetLastError(error);
    return ok;
}

bool CAviWriter::Append(const void* data, DWORD size) {
    if (!WriteFileBytes(data, size)) {
        return false;
    }
    m_pos += size;
    return true;
}

// Every byte the writer puts in the file passes here.
bool CAviWriter::WriteFileBytes(const void* data, DWORD size) {
    if (m_stoppedForTest) {
        return true;
    }
    // A kill stops the writer between writes or within a longer one; a
    // header or size field, written by itself, is whole or not there.
    DWORD toWrite = size;
    if (m_writeBudget < size) {
        toWrite = size <= sizeof(ChunkHeader) ? 0 : static_cast<DWORD>(m_writeBudget);
        m_stoppedForTest = true;
    }
    m_writeBudget -= toWrite;
    DWORD written = 0;
    if (!WriteFile(m_file.Get(), data, toWrite, &written, nullptr)) {
        return false;
    }
    m_bytesWritten += written;
    if (written != toWrite) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return true;
}

void CAviWriter::StopWritingAfterForTest(ULONGLONG bytes) {
    m_writeBudget = bytes;
}

bool CAviWriter::Truncate(ULONGLONG pos) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(pos);
    m_pos = pos;
    if (!SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN)) {
        return false;
    }
    return m_stoppedForTest || SetEndOfFile(m_file.Get());
}

bool CAviWriter::Fail(DWORD error) {
    if (m_error == 0) {
        m_error = error;
    }
    return false;
}

std::string AviErrorText(DWORD error) {
    switch (error) {
    case kAviErrorVideoFormat:
        return "The video format's size or depth is one no frame can have";
    case kAviErrorSuperIndexFull:
        return "The capture file holds as many parts (RIFF blocks) as its index has room for";
    case kAviErrorStreamLength:
        return "A stream of the capture file reached the largest length an AVI file can count "
               "(4294967295 frames or sound blocks)";
    case kAviErrorChunkTooLarge:
        return "A frame or sound buffer is larger than a part (RIFF block) of an AVI file";
    default:
        break;
    }
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    std::string result = text;
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == '.' || result.back() == ' ')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(error) : result;
}
