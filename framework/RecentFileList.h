#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CCmdUI;

// The most recently used files, newest first, kept in the program's
// profile file (section and key format given) and shown in a menu in
// place of the item whose command is the list's first.
class CRecentFileList {
public:
    CRecentFileList(UINT nStartID, const char* lpszSection, const char* lpszEntryFormat, int nSize,
                    const char* lpszProfileFile);

    int GetSize() const { return m_nSize; }
    const std::vector<std::string>& Entries() const { return m_entries; }
    // Puts the file first; a file already listed moves up.
    void Add(const char* lpszPathName);
    void ReadList();
    void WriteList() const;
    // Replaces the menu's list items (or its placeholder) with the entries.
    void UpdateMenu(CCmdUI* pCmdUI) const;

    // The profile file of the running program: its executable's name with ".INI".
    static std::string DefaultProfileName();

private:
    UINT m_nStartID;
    std::string m_strSection;
    std::string m_strEntryFormat;
    int m_nSize;
    std::string m_strProfileFile;
    std::vector<std::string> m_entries;
};
