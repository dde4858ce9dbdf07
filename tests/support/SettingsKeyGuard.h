#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Saves the values of HKCU "Software\Mirovanta\Brindlecove" (or its absence)
// and puts them back, removing what the test added.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;
    void WriteDword(const char* name, DWORD value) const;

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool m_parentExisted = false;
    bool m_keyExisted = false;
    std::vector<Value> m_values;
};
