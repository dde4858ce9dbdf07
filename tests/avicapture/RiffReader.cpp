#include "RiffReader.h"

#include <cstdio>
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
