#pragma once
// On-disk records of the AVI files the device writes: RIFF chunk headers, the
// main and stream headers, the legacy idx1 index and the OpenDML extension
// (super index 'indx', standard indexes 'ix##', extended header 'dmlh').
// All little-endian and packed as on disk; the same on 32- and 64-bit builds.

#include <windows.h>

#include <cstddef>

namespace avi {

constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
    return static_cast<DWORD>(static_cast<BYTE>(a)) |
           (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

constexpr DWORD kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr DWORD kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr DWORD kJunk = MakeFourCC('J', 'U', 'N', 'K');
constexpr DWORD kAvi = MakeFourCC('A', 'V', 'I', ' ');
constexpr DWORD kAvix = MakeFourCC('A', 'V', 'I', 'X');
constexpr DWORD kHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr DWORD kAvih = MakeFourCC('a', 'v', 'i', 'h');
constexpr DWORD kStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr DWORD kStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr DWORD kStrf = MakeFourCC('s', 't', 'r', 'f');
constexpr DWORD kIndx = MakeFourCC('i', 'n', 'd', 'x');
constexpr DWORD kOdml = MakeFourCC('o', 'd', 'm', 'l');
constexpr DWORD kDmlh = MakeFourCC('d', 'm', 'l', 'h');
constexpr DWORD kInfo = MakeFourCC('I', 'N', 'F', 'O');
constexpr DWORD kMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr DWORD kIdx1 = MakeFourCC('i', 'd', 'x', '1');
constexpr DWORD kVids = MakeFourCC('v', 'i', 'd', 's');
constexpr DWORD kAuds = MakeFourCC('a', 'u', 'd', 's');
constexpr DWORD kDib = MakeFourCC('D', 'I', 'B', ' ');

// Chunk ids of stream `n` (0..9): '0ndb' uncompressed frames, '0ndc' compressed
// frames, '0nwb' audio, 'ix0n' the stream's standard index.
constexpr DWORD StreamChunkId(int stream, char a, char b) {
    return MakeFourCC('0', static_cast<char>('0' + stream), a, b);
}
constexpr DWORD StandardIndexId(int stream) {
    return MakeFourCC('i', 'x', '0', static_cast<char>('0' + stream));
}

// avih flags.
constexpr DWORD kAvifHasIndex = 0x00000010;
constexpr DWORD kAvifIsInterleaved = 0x00000100;
constexpr DWORD kAvifTrustCkType = 0x00000800;
constexpr DWORD kAvifWasCaptureFile = 0x00010000;
// idx1 entry flag.
constexpr DWORD kAviifKeyFrame = 0x00000010;
// Standard index entry size flag: set when the chunk is not a key frame.
constexpr DWORD kStdIndexDeltaFrame = 0x80000000;
// bIndexType of OpenDML indexes.
constexpr BYTE kIndexOfIndexes = 0x00;
constexpr BYTE kIndexOfChunks = 0x01;

#pragma pack(push, 1)

struct ChunkHeader {
    DWORD fcc;
    DWORD size; // bytes after this header, without the pad byte
};

struct ListHeader {
    DWORD fcc;  // 'RIFF' or 'LIST'
    DWORD size; // bytes after this field: the list type and the contents
    DWORD type;
};

struct MainHeader { // 'avih'
    DWORD dwMicroSecPerFrame;
    DWORD dwMaxBytesPerSec;
    DWORD dwPaddingGranularity;
    DWORD dwFlags;
    DWORD dwTotalFrames; // frames in the first RIFF block only
    DWORD dwInitialFrames;
    DWORD dwStreams;
    DWORD dwSuggestedBufferSize;
    DWORD dwWidth;
    DWORD dwHeight;
    DWORD dwReserved[4];
};

struct StreamHeader { // 'strh'
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwInitialFrames;
    DWORD dwScale;
    DWORD dwRate; // dwRate / dwScale = units per second
    DWORD dwStart;
    DWORD dwLength; // in units, over all RIFF blocks
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    struct {
        SHORT left, top, right, bottom;
    } rcFrame;
};

struct Idx1Entry {
    DWORD ckid;
    DWORD dwFlags;
    DWORD dwChunkOffset; // from the 'movi' list type field to the chunk header
    DWORD dwChunkLength;
};

struct SuperIndexHeader { // 'indx' after its ChunkHeader
    WORD wLongsPerEntry;
    BYTE bIndexSubType;
    BYTE bIndexType;
    DWORD nEntriesInUse;
    DWORD dwChunkId;
    DWORD dwReserved[3];
};

struct SuperIndexEntry {
    ULONGLONG qwOffset; // file position of an 'ix##' chunk header
    DWORD dwSize;       // that chunk's size with its header
    DWORD dwDuration;   // stream units it covers
};

struct StandardIndexHeader { // 'ix##' after its ChunkHeader
    WORD wLongsPerEntry;
    BYTE bIndexSubType;
    BYTE bIndexType;
    DWORD nEntriesInUse;
    DWORD dwChunkId;
    ULONGLONG qwBaseOffset;
    DWORD dwReserved;
};

struct StandardIndexEntry {
    DWORD dwOffset; // from qwBaseOffset to the chunk's data
    DWORD dwSize;   // data size; kStdIndexDeltaFrame set for non-key frames
};

struct ExtendedHeader {  // 'dmlh'
    DWORD dwGrandFrames; // video frames over all RIFF blocks
    DWORD dwFuture[61];
};

#pragma pack(pop)

static_assert(sizeof(ChunkHeader) == 8);
static_assert(sizeof(ListHeader) == 12);
static_assert(sizeof(MainHeader) == 56);
static_assert(sizeof(StreamHeader) == 56);
static_assert(offsetof(StreamHeader, dwLength) == 32);
static_assert(offsetof(StreamHeader, rcFrame) == 48);
static_assert(sizeof(Idx1Entry) == 16);
static_assert(sizeof(SuperIndexHeader) == 24);
static_assert(sizeof(SuperIndexEntry) == 16);
static_assert(sizeof(StandardIndexHeader) == 24);
static_assert(offsetof(StandardIndexHeader, qwBaseOffset) == 12);
static_assert(sizeof(StandardIndexEntry) == 8);
static_assert(sizeof(ExtendedHeader) == 248);

} // namespace avi
