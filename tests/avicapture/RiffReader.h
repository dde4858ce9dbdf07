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
