#include "RiffReader.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

const RiffChunk* RiffChunk::Find(DWORD chunkId, DWORD type) const {
    for (const RiffChunk& child : children) {
        if (child.id == chunkId && (type == 0 || child.listType == type)) {
            return &child;
        }
    }
    return nullptr;
}

std::vector<const RiffChunk*> RiffChunk::FindAll(DWORD chunkId, DWORD type) const {
    std::vector<const RiffChunk*> found;
    for (const RiffChunk& child : children) {
        if (child.id == chunkId && (type == 0 || child.listType == type)) {
            found.push_back(&child);
        }
    }
    return found;
}

RiffFile::RiffFile(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        m_problem = "cannot open " + path;
        return;
    }
    BYTE buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        m_bytes.insert(m_bytes.end(), buffer, buffer + got);
    }
    fclose(file);
    m_ok = Parse(0, m_bytes.size(), m_blocks, 0);
    for (const RiffChunk& block : m_blocks) {
        if (block.id != Fcc("RIFF")) {
            m_ok = false;
            m_problem = "top-level chunk that is not a RIFF block";
        }
    }
}

bool RiffFile::Parse(size_t begin, size_t end, std::vector<RiffChunk>& out, int depth) {
    size_t pos = begin;
    while (pos + 8 <= end) {
        RiffChunk chunk;
        chunk.headerPos = pos;
        chunk.id = At<DWORD>(pos);
        chunk.size = At<DWORD>(pos + 4);
        const size_t dataEnd = pos + 8 + chunk.size;
        if (dataEnd > end) {
            m_problem = "chunk at " + std::to_string(pos) + " runs past its parent";
            return false;
        }
        if ((chunk.id == Fcc("RIFF") || chunk.id == Fcc("LIST")) && depth < 4) {
            chunk.listType = At<DWORD>(pos + 8);
            chunk.dataPos = pos + 12;
            if (!Parse(chunk.dataPos, dataEnd, chunk.children, depth + 1)) {
                return false;
            }
        } else {
            chunk.dataPos = pos + 8;
        }
        const size_t next = dataEnd + (chunk.size & 1);
        out.push_back(std::move(chunk));
        pos = next;
    }
    if (pos != end && pos != end + 1) { // a last pad byte may lie outside
        m_problem = "trailing bytes at " + std::to_string(pos);
        return false;
    }
    return true;
}

namespace {

// The chunks of a list's contents from `begin` to `end`, read by their sizes;
// stops at the first that runs past `end`.
std::vector<RiffChunk> Children(const RiffFile& file, size_t begin, size_t end) {
    std::vector<RiffChunk> chunks;
    for (size_t pos = begin; pos + 8 <= end;) {
        RiffChunk chunk;
        chunk.headerPos = pos;
        chunk.id = file.At<DWORD>(pos);
        chunk.size = file.At<DWORD>(pos + 4);
        const bool list = chunk.id == Fcc("LIST") || chunk.id == Fcc("RIFF");
        chunk.listType = list ? file.At<DWORD>(pos + 8) : 0;
        chunk.dataPos = pos + (list ? 12 : 8);
        const size_t next = pos + 8 + chunk.size + (chunk.size & 1);
        if (pos + 8 + chunk.size > end) {
            break;
        }
        chunks.push_back(chunk);
        pos = next;
    }
    return chunks;
}

void CheckEntry(const RiffFile& file, AviIndexes& out, const char* index, DWORD chunkId,
                const IndexedChunk& entry) {
    if (entry.dataPos < 8 || entry.dataPos + entry.size > file.Bytes().size() ||
        file.At<DWORD>(entry.dataPos - 8) != chunkId ||
        file.At<DWORD>(entry.dataPos - 4) != entry.size) {
        out.badEntries.push_back(std::string(index) + " entry at " + std::to_string(entry.dataPos));
    }
}

void ReadStandardIndexes(const RiffFile& file, const RiffChunk& indx, AviIndexes& out,
                         AviStreamIndexes& stream) {
    const DWORD entries = file.At<DWORD>(indx.dataPos + 4);
    for (DWORD e = 0; e < entries; ++e) {
        const size_t entry = indx.dataPos + 24 + e * 16;
        const size_t ix = static_cast<size_t>(file.At<ULONGLONG>(entry));
        stream.blockDurations.push_back(file.At<DWORD>(entry + 12));
        if (file.At<DWORD>(ix + 16) != stream.chunkId ||
            file.At<DWORD>(ix + 4) + 8 != file.At<DWORD>(entry + 8)) {
            out.badEntries.push_back("super index entry " + std::to_string(e));
            continue;
        }
        const DWORD inUse = file.At<DWORD>(ix + 12);
        const ULONGLONG base = file.At<ULONGLONG>(ix + 20);
        for (DWORD i = 0; i < inUse && 32 + i * 8 + 8 <= file.At<DWORD>(ix + 4) + 8; ++i) {
            const DWORD size = file.At<DWORD>(ix + 36 + i * 8);
            IndexedChunk chunk{static_cast<size_t>(base + file.At<DWORD>(ix + 32 + i * 8)),
                               size & 0x7FFFFFFF, (size & 0x80000000) == 0};
            CheckEntry(file, out, "standard index", stream.chunkId, chunk);
            stream.odml.push_back(chunk);
        }
    }
}

void ReadIdx1(const RiffFile& file, const RiffChunk& idx1, size_t moviType, AviIndexes& out) {
    for (DWORD e = 0; e < idx1.size / 16; ++e) {
        const size_t at = idx1.dataPos + e * 16;
        const DWORD id = file.At<DWORD>(at);
        const size_t stream = ((id & 0xFF) - '0') * 10 + ((id >> 8 & 0xFF) - '0');
        if (stream >= out.streams.size()) {
            continue; // no stream's: readers pass over it
        }
        IndexedChunk chunk{moviType + file.At<DWORD>(at + 8) + 8, file.At<DWORD>(at + 12),
                           (file.At<DWORD>(at + 4) & 0x10) != 0};
        CheckEntry(file, out, "idx1", out.streams[stream].chunkId, chunk);
        out.streams[stream].idx1.push_back(chunk);
    }
}

} // namespace

AviIndexes ReadAviIndexes(const RiffFile& file) {
    AviIndexes out;
    const size_t size = file.Bytes().size();
    if (size < 12 || file.At<DWORD>(0) != Fcc("RIFF") || file.At<DWORD>(8) != Fcc("AVI ")) {
        out.problem = "no RIFF AVI";
        return out;
    }
    out.riffEnd = std::min<size_t>(8 + file.At<DWORD>(4), size);
    const std::vector<RiffChunk> top = Children(file, 12, out.riffEnd);
    const RiffChunk* hdrl = nullptr;
    const RiffChunk* movi = nullptr;
    const RiffChunk* idx1 = nullptr;
    for (const RiffChunk& chunk : top) {
        if (chunk.id == Fcc("LIST") && chunk.listType == Fcc("hdrl")) {
            hdrl = &chunk;
        } else if (chunk.id == Fcc("LIST") && chunk.listType == Fcc("movi")) {
            movi = &chunk;
        } else if (chunk.id == Fcc("idx1") && movi != nullptr && idx1 == nullptr) {
            idx1 = &chunk; // the first past the movie list, as readers take it
        }
    }
    if (hdrl == nullptr || movi == nullptr) {
        out.problem = "no hdrl or movi list in the first block";
        return out;
    }
    out.moviEnd = movi->headerPos + 8 + movi->size;
    for (const RiffChunk& chunk : Children(file, hdrl->dataPos, hdrl->headerPos + 8 + hdrl->size)) {
        if (chunk.id == Fcc("avih")) {
            out.flags = file.At<DWORD>(chunk.dataPos + 12);
            out.totalFrames = file.At<DWORD>(chunk.dataPos + 16);
        } else if (chunk.id == Fcc("LIST") && chunk.listType == Fcc("odml")) {
            out.grandFrames = file.At<DWORD>(chunk.dataPos + 8);
        } else if (chunk.id == Fcc("LIST") && chunk.listType == Fcc("strl")) {
            AviStreamIndexes stream;
            for (const RiffChunk& part :
                 Children(file, chunk.dataPos, chunk.headerPos + 8 + chunk.size)) {
                if (part.id == Fcc("strh")) {
                    stream.length = file.At<DWORD>(part.dataPos + 32);
                } else if (part.id == Fcc("indx")) {
                    stream.chunkId = file.At<DWORD>(part.dataPos + 8);
                    ReadStandardIndexes(file, part, out, stream);
                }
            }
            out.streams.push_back(std::move(stream));
        }
    }
    if (idx1 != nullptr) {
        ReadIdx1(file, *idx1, movi->dataPos - 4, out);
    }
    out.ok = true;
    return out;
}
