#include "capturefile/AviWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <type_traits>

using namespace avi;

namespace {

// The first movie data starts on a sector-friendly boundary.
constexpr size_t kMoviAlignment = 2048;
// RIFF sizes are signed in many readers.
constexpr ULONGLONG kMaxRiffBlockBytes = 0x7FFFFFFFULL;
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

// JUNK up to the boundary where the movie list's contents begin; the header
// follows the 12-byte RIFF header and precedes the 12-byte LIST.
void PutJunkUpToMovie(ByteBuilder& out) {
    const size_t end = sizeof(ListHeader) + out.Size() + sizeof(ChunkHeader) + sizeof(ListHeader);
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
    AddStreams();
    ReserveIndexes();
    if (!CreateFileAt(path)) {
        return Fail(GetLastError());
    }
    if (!WriteFirstBlockStart()) {
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
    m_settings = settings;
    m_settings.riffBlockBytes =
        std::clamp(m_settings.riffBlockBytes, kMinRiffBlockBytes, kMaxRiffBlockBytes);
    m_settings.superIndexEntries = std::max<DWORD>(m_settings.superIndexEntries, 1);
    m_fileLimit = m_settings.maxFileBytes;
    if (!m_settings.openDml && (m_fileLimit == 0 || m_fileLimit > kMaxAvi1FileBytes)) {
        m_fileLimit = kMaxAvi1FileBytes;
    }
}

bool CAviWriter::SettingsValid() const {
    if (m_settings.videoFormat.size() < sizeof(BITMAPINFOHEADER) ||
        m_settings.microSecPerFrame == 0) {
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

// Room in the indexes for the frames (and as many audio chunks) of a full
// block, so that they do not grow while capturing.
void CAviWriter::ReserveIndexes() {
    const ULONGLONG blockBytes = m_settings.openDml ? m_settings.riffBlockBytes : m_fileLimit;
    const ULONGLONG entries =
        std::min(blockBytes / (sizeof(ChunkHeader) + std::max<DWORD>(Video().biSizeImage, 1024)),
                 kMaxReservedIndexEntries);
    if (m_settings.openDml) {
        for (StreamState& state : m_streams) {
            state.blockIndex.reserve(entries);
        }
    }
    m_idx1.reserve(entries * m_streams.size());
}

bool CAviWriter::CreateFileAt(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    m_directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    m_file.Reset(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return bool(m_file);
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

BYTE* CAviWriter::CopyToChunkBuffer(const BYTE* data, DWORD size) {
    if (m_chunkBuffer.size() < size + kChunkRoom) {
        m_chunkBuffer.resize(size + kChunkRoom);
    }
    BYTE* chunkData = m_chunkBuffer.data() + kChunkHeaderRoom;
    if (size != 0) {
        std::memcpy(chunkData, data, size);
    }
    return chunkData;
}

bool CAviWriter::WriteChunk(size_t stream, BYTE* data, DWORD size, bool keyFrame) {
    if (!IsOpen() || m_error != 0) {
        return false;
    }
    const ULONGLONG chunkBytes = sizeof(ChunkHeader) + static_cast<ULONGLONG>(size) + (size & 1);
    if (!MakeRoomFor(chunkBytes)) {
        return false;
    }
    if (m_settings.checkFreeSpace && !EnoughFreeSpace(chunkBytes)) {
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
    if (!Append(chunk, static_cast<DWORD>(chunkBytes))) {
        // Cut the partial chunk off: the file ends with the last whole chunk.
        const DWORD error = GetLastError();
        Truncate(start);
        return Fail(error ? error : ERROR_WRITE_FAULT);
    }

    IndexChunk(state, start, size, keyFrame);
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
    const DWORD units = &state == &m_streams[0] ? 1 : size / Audio().nBlockAlign;
    state.units += units;
    state.blockUnits += units;
    state.maxChunk = std::max(state.maxChunk, size);
    m_maxChunk = std::max(m_maxChunk, size);
}

ULONGLONG CAviWriter::ClosingBytes(ULONGLONG extraChunks) const {
    ULONGLONG bytes = 0;
    for (const StreamState& state : m_streams) {
        const ULONGLONG entries = state.blockIndex.size() + extraChunks;
        if (m_settings.openDml && entries != 0) {
            bytes += sizeof(ChunkHeader) + sizeof(StandardIndexHeader) +
                     entries * sizeof(StandardIndexEntry);
        }
    }
    if (m_riffBlocks == 1 && !m_idx1Written) {
        bytes += sizeof(ChunkHeader) + (m_idx1.size() + extraChunks) * sizeof(Idx1Entry);
    }
    return bytes;
}

bool CAviWriter::MakeRoomFor(ULONGLONG chunkBytes) {
    if (m_fileLimit != 0 && m_pos + GrowthWith(chunkBytes) > m_fileLimit) {
        return Fail(ERROR_FILE_TOO_LARGE);
    }
    const bool blockHasChunks =
        std::any_of(m_streams.begin(), m_streams.end(),
                    [](const StreamState& state) { return !state.blockIndex.empty(); });
    if (!m_settings.openDml || !blockHasChunks ||
        m_pos - m_riffPos + chunkBytes + ClosingBytes(1) <= m_settings.riffBlockBytes) {
        return true;
    }
    // The current block and the next one each need a super index entry.
    if (m_streams[0].superIndex.size() + 2 > m_settings.superIndexEntries) {
        return Fail(ERROR_FILE_TOO_LARGE);
    }
    if (!CloseRiffBlock() || !WriteHeader() || !StartAvixBlock()) {
        return Fail(GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
    }
    return true;
}

// The chunk, everything Close appends after it, and with OpenDML the headers
// of a new RIFF block that the chunk may open.
ULONGLONG CAviWriter::GrowthWith(ULONGLONG chunkBytes) const {
    return chunkBytes + ClosingBytes(1) + (m_settings.openDml ? 2 * sizeof(ListHeader) : 0);
}

bool CAviWriter::EnoughFreeSpace(ULONGLONG chunkBytes) {
    const ULONGLONG needed = GrowthWith(chunkBytes) + m_settings.freeSpaceReserve;
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

bool CAviWriter::CloseRiffBlock() {
    bool complete = true;
    for (StreamState& state : m_streams) {
        if (state.blockIndex.empty()) {
            continue;
        }
        ByteBuilder index;
        const DWORD entries = static_cast<DWORD>(state.blockIndex.size());
        index.Put(
            ChunkHeader{state.indexId, static_cast<DWORD>(sizeof(StandardIndexHeader) +
                                                          entries * sizeof(StandardIndexEntry))});
        index.Put(StandardIndexHeader{2, 0, kIndexOfChunks, entries, state.chunkId, m_moviPos, 0});
        index.Put(state.blockIndex.data(), entries * sizeof(StandardIndexEntry));
        const ULONGLONG at = m_pos;
        if (Append(index.Bytes().data(), static_cast<DWORD>(index.Size()))) {
            state.superIndex.push_back({at, static_cast<DWORD>(index.Size()), state.blockUnits});
        } else {
            Truncate(at);
            complete = false;
        }
        state.blockIndex.clear();
        state.blockUnits = 0;
    }

    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    complete = WriteAt(m_moviPos + 4, &moviSize, sizeof moviSize) && complete;

    if (m_riffBlocks == 1) {
        m_firstBlockFrames = m_streams[0].units;
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
    }

    const DWORD riffSize = static_cast<DWORD>(m_pos - m_riffPos - 8);
    m_blockOpen = false;
    return WriteAt(m_riffPos + 4, &riffSize, sizeof riffSize) && complete;
}

bool CAviWriter::StartAvixBlock() {
    const ULONGLONG riffAt = m_pos;
    const ListHeader riff{kRiff, 0, kAvix};
    const ListHeader movi{kList, 0, kMovi};
    if (!Append(&riff, sizeof riff)) {
        return false;
    }
    const ULONGLONG moviAt = m_pos;
    if (!Append(&movi, sizeof movi)) {
        Truncate(riffAt);
        return false;
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
    bool complete = m_blockOpen ? CloseRiffBlock() : true;
    complete = WriteHeader() && complete;
    if (!FlushFileBuffers(m_file.Get()) && m_error == 0) {
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
        PutExtendedHeader(out, m_streams[0].units);
    }
    out.EndList(hdrl);
    PutInfoList(out, m_settings.info);
    PutJunkUpToMovie(out);
    return std::move(out.Bytes());
}

MainHeader CAviWriter::MainHeaderRecord() const {
    MainHeader main{};
    main.dwMicroSecPerFrame = m_settings.microSecPerFrame;
    const ULONGLONG videoBytesPerSec =
        static_cast<ULONGLONG>(m_streams[0].maxChunk) * 1000000ULL / m_settings.microSecPerFrame;
    const DWORD audioBytesPerSec = m_streams.size() > 1 ? Audio().nAvgBytesPerSec : 0;
    main.dwMaxBytesPerSec =
        static_cast<DWORD>(std::min<ULONGLONG>(videoBytesPerSec + audioBytesPerSec, 0xFFFFFFFFULL));
    main.dwFlags = kAvifHasIndex | kAvifIsInterleaved | kAvifWasCaptureFile |
                   (m_settings.openDml ? kAvifTrustCkType : 0);
    // Until the first block's idx1 is written, a reader finds the chunks by
    // walking the movie list (see Checkpoint).
    if (m_idx1Failed || (m_riffBlocks == 1 && !m_idx1Written)) {
        main.dwFlags &= ~kAvifHasIndex;
    }
    const bool firstBlockClosed = m_riffBlocks > 1 || m_idx1Written;
    main.dwTotalFrames = firstBlockClosed ? m_firstBlockFrames : m_streams[0].units;
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
    strh.dwLength = state.units;
    strh.dwSuggestedBufferSize = state.maxChunk;
    if (stream == 0) {
        const DWORD divisor = std::gcd<DWORD, DWORD>(m_settings.microSecPerFrame, 1000000);
        strh.fccType = kVids;
        strh.fccHandler = m_settings.videoHandler != 0 ? m_settings.videoHandler
                          : IsUncompressed(Video())    ? kDib
                                                       : Video().biCompression;
        strh.dwScale = m_settings.microSecPerFrame / divisor;
        strh.dwRate = 1000000 / divisor;
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
    const DWORD riffSize = static_cast<DWORD>(m_pos - m_riffPos - 8);
    const DWORD moviSize = static_cast<DWORD>(m_pos - m_moviPos - 8);
    if (m_riffBlocks > 1) {
        // The open AVIX block's sizes in one write, then the counts.
        const DWORD sizes[4] = {riffSize, kAvix, kList, moviSize};
        return WriteAt(m_riffPos + 4, sizes, sizeof sizes) && WriteHeader();
    }
    // The RIFF size, the header with its counts and the movie list's size are
    // one run of bytes: written in one call, a reader sees all or none.
    const std::vector<BYTE> header = BuildHeader();
    std::vector<BYTE> run(8 + header.size() + 8);
    std::memcpy(run.data(), &riffSize, 4);
    std::memcpy(run.data() + 4, &kAvi, 4);
    std::memcpy(run.data() + 8, header.data(), header.size());
    std::memcpy(run.data() + 8 + header.size(), &kList, 4);
    std::memcpy(run.data() + 12 + header.size(), &moviSize, 4);
    return WriteAt(4, run.data(), static_cast<DWORD>(run.size()));
}

bool CAviWriter::WriteHeader() {
    const std::vector<BYTE> header = BuildHeader();
    return WriteAt(sizeof(ListHeader), header.data(), static_cast<DWORD>(header.size()));
}

bool CAviWriter::WriteAt(ULONGLONG pos, const void* data, DWORD size) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(pos);
    DWORD written = 0;
    const bool ok = SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) &&
                    WriteFile(m_file.Get(), data, size, &written, nullptr) && written == size;
    const DWORD error = GetLastError();
    to.QuadPart = static_cast<LONGLONG>(m_pos);
    SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN);
    SetLastError(error);
    return ok;
}

bool CAviWriter::Append(const void* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(m_file.Get(), data, size, &written, nullptr)) {
        return false;
    }
    if (written != size) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    m_pos += size;
    return true;
}

bool CAviWriter::Truncate(ULONGLONG pos) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(pos);
    m_pos = pos;
    return SetFilePointerEx(m_file.Get(), to, nullptr, FILE_BEGIN) && SetEndOfFile(m_file.Get());
}

bool CAviWriter::Fail(DWORD error) {
    if (m_error == 0) {
        m_error = error;
    }
    return false;
}

std::string AviErrorText(DWORD error) {
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
