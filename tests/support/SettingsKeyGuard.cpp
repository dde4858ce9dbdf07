#include "SettingsKeyGuard.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kParentPath = "Software\\Mirovanta";
constexpr const char* kKeyPath = "Software\\Mirovanta\\Brindlecove";

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

} // namespace

SettingsKeyGuard::SettingsKeyGuard()
    : m_parentExisted(KeyExists(kParentPath)), m_keyExisted(KeyExists(kKeyPath)) {
    HKEY key = nullptr;
    if (!m_keyExisted ||
        RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameLength = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        Value value{std::string(name, nameLength), type, std::vector<BYTE>(size)};
        RegQueryValueExA(key, value.name.c_str(), nullptr, nullptr, value.data.data(), &size);
        m_values.push_back(std::move(value));
    }
    RegCloseKey(key);
}

SettingsKeyGuard::~SettingsKeyGuard() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kKeyPath);
    if (m_keyExisted) {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) == ERROR_SUCCESS) {
            for (const Value& v : m_values) {
                RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(),
                               static_cast<DWORD>(v.data.size()));
            }
            RegCloseKey(key);
        }
    } else if (!m_parentExisted) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kParentPath);
    }
}

void SettingsKeyGuard::WriteDword(const char* name, DWORD value) const {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}
