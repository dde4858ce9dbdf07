#pragma once

// Owning wrappers for the platform's handles, for every folder of the tree:
// move-only, released once. A borrowed handle is passed as the plain type.

#include <windows.h>

#include <utility>

template <class Traits> class [[nodiscard]] UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : m_handle(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : m_handle(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return m_handle; }
    explicit operator bool() const { return Traits::IsValid(m_handle); }

    // Gives up ownership without releasing the handle.
    Handle Release() { return std::exchange(m_handle, Traits::Invalid()); }
    void Reset(Handle handle = Traits::Invalid()) {
        Handle old = std::exchange(m_handle, handle);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }

private:
    Handle m_handle = Traits::Invalid();
};

namespace handle_traits {

template <class H, auto CloseFunction> struct NullIsInvalid {
    using Handle = H;
    static constexpr Handle Invalid() { return nullptr; }
    static bool IsValid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { CloseFunction(h); }
};

struct File {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};

inline void DeleteGdiObject(HGDIOBJ h) {
    DeleteObject(h);
}
inline void FreeGlobal(HGLOBAL h) {
    GlobalFree(h);
}
inline void CloseKey(HKEY h) {
    RegCloseKey(h);
}

} // namespace handle_traits

using CBrush = UniqueHandle<handle_traits::NullIsInvalid<HBRUSH, handle_traits::DeleteGdiObject>>;
using CFontHandle =
    UniqueHandle<handle_traits::NullIsInvalid<HFONT, handle_traits::DeleteGdiObject>>;
using CBitmapHandle =
    UniqueHandle<handle_traits::NullIsInvalid<HBITMAP, handle_traits::DeleteGdiObject>>;
using UniqueKernelHandle = UniqueHandle<handle_traits::NullIsInvalid<HANDLE, CloseHandle>>;
using UniqueFile = UniqueHandle<handle_traits::File>;
using UniqueRegKey = UniqueHandle<handle_traits::NullIsInvalid<HKEY, handle_traits::CloseKey>>;
using UniqueGlobal = UniqueHandle<handle_traits::NullIsInvalid<HGLOBAL, handle_traits::FreeGlobal>>;
using UniqueModule = UniqueHandle<handle_traits::NullIsInvalid<HMODULE, FreeLibrary>>;
using UniqueHook = UniqueHandle<handle_traits::NullIsInvalid<HHOOK, UnhookWindowsHookEx>>;
using UniqueMenu = UniqueHandle<handle_traits::NullIsInvalid<HMENU, DestroyMenu>>;

// An export of a loaded module as the function type it has, or null; by way
// of void (*)(), which converts to any function type without a warning.
template <class Function> Function ProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Locks movable global memory for the life of the object.
template <class T = void> class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL memory)
        : m_memory(memory), m_p(static_cast<T*>(GlobalLock(memory))) {}
    ~CGlobalLock() {
        if (m_p != nullptr) {
            GlobalUnlock(m_memory);
        }
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    T* Get() const { return m_p; }

private:
    HGLOBAL m_memory;
    T* m_p;
};

// Keeps the clipboard open for the life of the object.
class CClipboardOpen {
public:
    explicit CClipboardOpen(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboardOpen() {
        if (m_open) {
            CloseClipboard();
        }
    }
    CClipboardOpen(const CClipboardOpen&) = delete;
    CClipboardOpen& operator=(const CClipboardOpen&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

// Selects a GDI object into a DC and selects the previous one back at the end.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_old != nullptr && m_old != HGDI_ERROR) {
            SelectObject(m_dc, m_old);
        }
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};
