#pragma once

// The device settings key, open for the life of the object: the one reader
// and writer of its REG_DWORD values for the program, the library and the
// device. Opening never creates the key.

#include "contract/SettingsStore.h"
#include "base/Handle.h"

#include <windows.h>

#include <optional>

class [[nodiscard]] CSettingsKey {
public:
    // Not open: every read gives nothing and every write fails.
    CSettingsKey() = default;

    // The sub-key below the root path under HKEY_CURRENT_USER, opened for
    // the access asked; the root path is opened for reading only, so that a
    // key the user may read but not write still gives its values.
    static CSettingsKey Open(REGSAM access, const char* lpszRootPath = settings_store::kRootPath,
                             const char* lpszSubKey = settings_store::kSubKey) {
        HKEY hRoot = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, lpszRootPath, 0, KEY_READ, &hRoot) != ERROR_SUCCESS)
            return {};
        const UniqueRegKey root(hRoot);
        HKEY hKey = nullptr;
        if (RegOpenKeyExA(root.Get(), lpszSubKey, 0, access, &hKey) != ERROR_SUCCESS)
            return {};
        return CSettingsKey(UniqueRegKey(hKey));
    }

    explicit operator bool() const { return bool(m_key); }

    // The stored value; nothing when it is missing, not REG_DWORD, or longer
    // than 4 bytes.
    [[nodiscard]] std::optional<DWORD> ReadDword(const char* lpszName) const {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (!m_key ||
            RegQueryValueExA(m_key.Get(), lpszName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                             &size) != ERROR_SUCCESS ||
            type != REG_DWORD)
            return std::nullopt;
        return value;
    }

    // Stores the value as REG_DWORD; false when the key is not open or
    // refuses the write.
    bool WriteDword(const char* lpszName, DWORD dwValue) const {
        return m_key && RegSetValueExA(m_key.Get(), lpszName, 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&dwValue),
                                       sizeof dwValue) == ERROR_SUCCESS;
    }

private:
    explicit CSettingsKey(UniqueRegKey key) : m_key(std::move(key)) {}

    UniqueRegKey m_key;
};
