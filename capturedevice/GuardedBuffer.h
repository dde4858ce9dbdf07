#pragma once
// A buffer that ends where readable memory ends: the page after its last byte
// is inaccessible, so that whoever reads past it faults at once instead of
// reading whatever lies beyond, as with a card's buffers, which end where the
// driver's allocation ends.

#include <windows.h>

#include <span>

class CGuardedBuffer {
public:
    CGuardedBuffer() = default;
    ~CGuardedBuffer();
    CGuardedBuffer(const CGuardedBuffer&) = delete;
    CGuardedBuffer& operator=(const CGuardedBuffer&) = delete;

    // Makes the buffer `bytes` long (its old contents go); false when the
    // memory cannot be had, leaving it empty.
    bool Allocate(DWORD bytes);
    std::span<BYTE> Bytes() const { return {m_data, m_bytes}; }
    BYTE* Data() const { return m_data; }

private:
    void Release();

    void* m_base = nullptr;
    BYTE* m_data = nullptr;
    DWORD m_bytes = 0;
};
