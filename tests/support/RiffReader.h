#pragma once
// Reads a RIFF file back into a tree of chunks, so that tests can check what
// a writer put on disk without trusting the writer's own bookkeeping.

#include <windows.h>

#include <string>
#include <vector>

struct RiffChunk {
    DWORD id = 0;       // chunk id, or 'RIFF' / 'LIST'
    DWORD listType = 0; // for RIFF and LIST: the list's type
    size_t headerPos = 0;
    size_t dataPos = 0; // first byte after the header (after the type for lists)
    DWORD size = 0;     // the size field
    std::vector<RiffChunk> children;

    // The first child chunk (or list of `type`) with this id, or null.
    const RiffChunk* Find(DWORD chunkId, DWORD type = 0) const;
    std::vector<const RiffChunk*> FindAll(DWORD chunkId, DWORD type = 0) const;
};

class RiffFile {
public:
    // Reads and parses the whole file; Ok() tells whether it was well formed
    // (every size within its parent, every top-level block a RIFF).
    explicit RiffFile(const std::string& path);
    bool Ok() const { return m_ok; }
    const std::string& Problem() const { return m_problem; }
    const std::vector<BYTE>& Bytes() const { return m_bytes; }
    const std::vector<RiffChunk>& Blocks() const { return m_blocks; }
    // Whether the bytes from `begin` to `end` are well-formed chunks, lists
    // within lists (the first block of a file that was killed, say).
    bool WellFormed(size_t begin, size_t end) {
        std::vector<RiffChunk> chunks;
        return Parse(begin, end, chunks, 1);
    }

    template <typename T> T At(size_t pos) const {
        T value{};
        if (pos + sizeof(T) <= m_bytes.size()) {
            memcpy(&value, m_bytes.data() + pos, sizeof(T));
        }
        return value;
    }

private:
    bool Parse(size_t begin, size_t end, std::vector<RiffChunk>& out, int depth);

    std::vector<BYTE> m_bytes;
    std::vector<RiffChunk> m_blocks;
    bool m_ok = false;
    std::string m_problem;
};

constexpr DWORD Fcc(const char (&text)[5]) {
    return static_cast<DWORD>(static_cast<BYTE>(text[0])) |
           (static_cast<DWORD>(static_cast<BYTE>(text[1])) << 8) |
           (static_cast<DWORD>(static_cast<BYTE>(text[2])) << 16) |
           (static_cast<DWORD>(static_cast<BYTE>(text[3])) << 24);
}

// What a reader that trusts the indexes finds in an AVI file, read from the
// index structures alone (never by walking the movie lists): the first
// block's idx1, and each stream's super index with its standard indexes.
// Works on a file cut off anywhere (a killed capture): trailing bytes past
// the RIFF blocks are not looked at.
struct IndexedChunk {
    size_t dataPos = 0; // absolute file position of the chunk's data
    DWORD size = 0;
    bool keyFrame = false;
};

struct AviStreamIndexes {
    DWORD chunkId = 0;
    DWORD length = 0;                  // strh dwLength
    std::vector<IndexedChunk> odml;    // through 'indx' and 'ix##', in order
    std::vector<DWORD> blockDurations; // the super index's dwDuration per entry
    std::vector<IndexedChunk> idx1;    // the stream's idx1 entries
};

struct AviIndexes {
    bool ok = false;
    std::string problem;
    DWORD totalFrames = 0; // avih dwTotalFrames
    DWORD flags = 0;       // avih dwFlags
    DWORD grandFrames = 0; // dmlh dwGrandFrames
    size_t riffEnd = 0;    // end of the first RIFF block
    size_t moviEnd = 0;    // end of the first movie list
    std::vector<AviStreamIndexes> streams;
    // Every listed chunk lies within its block, has the stream's id and
    // the size listed.
    std::vector<std::string> badEntries;
};

AviIndexes ReadAviIndexes(const RiffFile& file);
