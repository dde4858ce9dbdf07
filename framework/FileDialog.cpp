#include "framework/FileDialog.h"

#include "framework/WinApp.h"

#include <commdlg.h>

CFileDialog::CFileDialog(bool bOpenFileDialog, const char* lpszDefExt, const char* lpszFileName,
                         DWORD dwFlags, const char* lpszFilter, CWnd* pParentWnd)
    : m_bOpenFileDialog(bOpenFileDialog), m_strFilter(lpszFilter ? lpszFilter : ""),
      m_strDefExt(lpszDefExt ? lpszDefExt : "") {
    // The platform wants the pairs separated by nulls.
    for (char& c : m_strFilter) {
        if (c == '|')
            c = '\0';
    }
    if (lpszFileName != nullptr)
        lstrcpynA(m_szFileName, lpszFileName, MAX_PATH);
    m_ofn.lStructSize = sizeof m_ofn;
    CWnd* parent = pParentWnd ? pParentWnd : AfxGetMainWnd();
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetResourceHandle();
    m_ofn.lpstrFilter = m_strFilter.empty() ? nullptr : m_strFilter.c_str();
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.lpstrDefExt = m_strDefExt.empty() ? nullptr : m_strDefExt.c_str();
    m_ofn.Flags = dwFlags | OFN_EXPLORER | OFN_ENABLESIZING;
}

INT_PTR CFileDialog::DoModal() {
    const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}
