#include "GuardedBuffer.h"

CGuardedBuffer::~CGuardedBuffer() {
    Release();
}

void CGuardedBuffer::Release() {
    if (m_base != nullptr) {
        VirtualFree(m_base, 0, MEM_RELEASE);
    }
    m_base = nullptr;
    m_data = nullptr;
    m_bytes = 0;
}

bool CGuardedBuffer::Allocate(DWORD bytes) {
    Release();
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const SIZE_T page = system.dwPageSize;
    const SIZE_T pages = (static_cast<SIZE_T>(bytes) + page - 1) / page;
    if (pages > (~static_cast<SIZE_T>(0)) / page - 1) {
        return false;
    }
    const SIZE_T readable = pages * page;
    m_base = VirtualAlloc(nullptr, readable + page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (m_base == nullptr) {
        return false;
    }
    BYTE* base = static_cast<BYTE*>(m_base);
    DWORD old = 0;
    if (!VirtualProtect(base + readable, page, PAGE_NOACCESS, &old)) {
        Release();
        return false;
    }
    m_data = base + readable - bytes;
    m_bytes = bytes;
    return true;
}
