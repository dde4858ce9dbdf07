#include "tunerprops/RegistryKeyPath.h"

#include <cstring>

namespace {
// Copies a name that fits with its terminating NUL; false otherwise.
bool CopyName(char (&target)[CRegistryKeyPath::kNameLength], const char* source) {
    if (source == nullptr)
        return false;
    const size_t length = strnlen(source, CRegistryKeyPath::kNameLength);
    if (length >= CRegistryKeyPath::kNameLength)
        return false;
    std::memcpy(target, source, length + 1);
    return true;
}
} // namespace

CRegistryKeyPath::CRegistryKeyPath(const char* lpszRootPath, const char* lpszSubKey) {
    std::memset(m_szRootPath, 0, sizeof m_szRootPath);
    std::memset(m_szSubKey, 0, sizeof m_szSubKey);
    std::memset(m_reserved, 0, sizeof m_reserved);
    if (!CopyName(m_szSubKey, lpszSubKey)) {
        std::memset(m_szSubKey, 0, sizeof m_szSubKey);
        SetLastError(ERROR_INVALID_NAME);
    } else if (CopyName(m_szRootPath, lpszRootPath)) {
        SetLastError(ERROR_SUCCESS);
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
    }
}

void CRegistryKeyPath::Clear() {
    std::memset(m_szSubKey, 0, sizeof m_szSubKey);
    std::memset(m_reserved, 0, sizeof m_reserved);
}

CSettingsKey CRegistryKeyPath::OpenKey(REGSAM samDesired) const {
    if (m_szSubKey[0] == '\0')
        return {};
    return CSettingsKey::Open(samDesired, m_szRootPath, m_szSubKey);
}

BOOL CRegistryKeyPath::CreateKey() const {
    HKEY hRoot = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, m_szRootPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &hRoot, nullptr) != ERROR_SUCCESS)
        return FALSE;
    const UniqueRegKey root(hRoot);
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(root.Get(), m_szSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return FALSE;
    const UniqueRegKey key(hKey);
    return TRUE;
}

DWORD CRegistryKeyPath::ReadDword(const char* lpszValueName) const {
    // The name as the 260 characters a value name may have.
    char name[kNameLength] = {};
    if (lpszValueName != nullptr)
        lstrcpynA(name, lpszValueName, int(kNameLength));
    return OpenKey(KEY_QUERY_VALUE).ReadDword(name).value_or(0);
}

BOOL CRegistryKeyPath::WriteDword(const char* lpszValueName, DWORD dwValue) const {
    return OpenKey(KEY_SET_VALUE).WriteDword(lpszValueName, dwValue);
}
