#include "framework/RecentFileList.h"

#include "framework/CmdUI.h"

#include <windows.h>

#include <algorithm>

CRecentFileList::CRecentFileList(UINT nStartID, const char* lpszSection,
                                 const char* lpszEntryFormat, int nSize,
                                 const char* lpszProfileFile)
    : m_nStartID(nStartID), m_strSection(lpszSection), m_strEntryFormat(lpszEntryFormat),
      m_nSize(nSize), m_strProfileFile(lpszProfileFile) {}

std::string CRecentFileList::DefaultProfileName() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    if (size_t slash = name.find_last_of("\\/"); slash != std::string::npos)
        name.erase(0, slash + 1);
    if (size_t dot = name.rfind('.'); dot != std::string::npos)
        name.erase(dot);
    // A bare file name: the profile lives in the Windows folder.
    return name + ".INI";
}

void CRecentFileList::Add(const char* lpszPathName) {
    if (lpszPathName == nullptr || *lpszPathName == '\0')
        return;
    const std::string path = lpszPathName;
    auto same = [&path](const std::string& entry) {
        return lstrcmpiA(entry.c_str(), path.c_str()) == 0;
    };
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), same), m_entries.end());
    m_entries.insert(m_entries.begin(), path);
    if (int(m_entries.size()) > m_nSize)
        m_entries.resize(size_t(m_nSize));
    WriteList();
}

void CRecentFileList::ReadList() {
    m_entries.clear();
    for (int i = 0; i < m_nSize; ++i) {
        char key[32];
        wsprintfA(key, m_strEntryFormat.c_str(), i + 1);
        char value[MAX_PATH] = {};
        GetPrivateProfileStringA(m_strSection.c_str(), key, "", value, MAX_PATH,
                                 m_strProfileFile.c_str());
        if (value[0] != '\0')
            m_entries.emplace_back(value);
    }
}

void CRecentFileList::WriteList() const {
    for (int i = 0; i < m_nSize; ++i) {
        char key[32];
        wsprintfA(key, m_strEntryFormat.c_str(), i + 1);
        const char* value = size_t(i) < m_entries.size() ? m_entries[size_t(i)].c_str() : nullptr;
        WritePrivateProfileStringA(m_strSection.c_str(), key, value, m_strProfileFile.c_str());
    }
}

void CRecentFileList::UpdateMenu(CCmdUI* pCmdUI) const {
    HMENU menu = pCmdUI->m_hMenu;
    if (menu == nullptr) {
        pCmdUI->Enable(!m_entries.empty());
        return;
    }
    // The list's items, or the placeholder, sit where this item is.
    const UINT position = pCmdUI->m_nIndex;
    for (int i = 0; i < m_nSize; ++i)
        DeleteMenu(menu, m_nStartID + UINT(i), MF_BYCOMMAND);
    if (m_entries.empty()) {
        InsertMenuA(menu, position, MF_BYPOSITION | MF_STRING | MF_GRAYED, m_nStartID,
                    "Recent File");
        return;
    }
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::string text = "&" + std::to_string(i + 1) + " " + m_entries[i];
        InsertMenuA(menu, position + UINT(i), MF_BYPOSITION | MF_STRING, m_nStartID + UINT(i),
                    text.c_str());
    }
}
