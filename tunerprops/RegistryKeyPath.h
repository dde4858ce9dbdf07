#pragma once

#include "contract/SettingsKey.h"

#include <windows.h>

// Names one registry key below HKEY_CURRENT_USER as a root path and a sub-key
// name. Every read and write opens the key and closes it again. The layout is
// part of the settings record that the driver sees (see CDeviceSettings).
class CRegistryKeyPath {
public:
    static constexpr size_t kNameLength = 260;

    // Copies both names; the thread's last error tells the outcome: 0, or
    // ERROR_INVALID_NAME (sub-key too long or missing; the sub-key is then
    // empty), or ERROR_INVALID_PARAMETER (root path too long or missing).
    CRegistryKeyPath(const char* lpszRootPath, const char* lpszSubKey);

    // Forgets the sub-key: every later open fails.
    void Clear();
    // The sub-key opened for the access asked, or null; never creates
    // anything. Reads ask to read only, so that a key the user may read but
    // not write still gives its values.
    CSettingsKey OpenKey(REGSAM samDesired = KEY_ALL_ACCESS) const;
    // Creates the root path and the sub-key (or opens them when they exist).
    BOOL CreateKey() const;
    // The REG_DWORD value, or 0 when it is missing, of another type or longer.
    DWORD ReadDword(const char* lpszValueName) const;
    // Stores a REG_DWORD value in the existing key; FALSE when the key is
    // missing or may not be written.
    BOOL WriteDword(const char* lpszValueName, DWORD dwValue) const;

    char m_szRootPath[kNameLength];
    char m_szSubKey[kNameLength];
    BYTE m_reserved[16];
};

static_assert(sizeof(CRegistryKeyPath) == 536);
