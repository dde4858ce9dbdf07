#pragma once

#include <windows.h>

#include <string>

class CWnd;

// The common file dialog (open or save). The filter lists pairs of a
// description and a pattern separated by '|', ending with "||".
class CFileDialog {
public:
    CFileDialog(bool bOpenFileDialog, const char* lpszDefExt = nullptr,
                const char* lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                const char* lpszFilter = nullptr, CWnd* pParentWnd = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK with a file chosen, else IDCANCEL.
    INT_PTR DoModal();
    std::string GetPathName() const { return m_szFileName; }

    OPENFILENAMEA m_ofn{};

private:
    bool m_bOpenFileDialog;
    std::string m_strFilter;
    std::string m_strDefExt;
    char m_szFileName[MAX_PATH] = {};
};
