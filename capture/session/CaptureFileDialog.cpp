#include "session/CaptureFileDialog.h"

#include <cstring>
#include <string_view>

CCaptureFileDialog::CCaptureFileDialog(bool bOpen, const char* lpszDefExt, const char* lpszFilter,
                                       char* path)
    : CFileDialog(bOpen, lpszDefExt, nullptr,
                  bOpen ? OFN_HIDEREADONLY : OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, lpszFilter),
      m_lpszDefExt(lpszDefExt) {
    m_ofn.lpstrFile = path;
    m_ofn.nMaxFile = kPathLength;
}

INT_PTR CCaptureFileDialog::DoModal() {
    if (CFileDialog::DoModal() != IDOK)
        return IDCANCEL;
    // Some dialogs add the default extension to the name of an existing file only.
    char* path = m_ofn.lpstrFile;
    const std::string_view chosen(path);
    const size_t name = chosen.find_last_of("\\/:") + 1;
    if (chosen.find('.', name) == std::string_view::npos &&
        chosen.size() + 1 + std::strlen(m_lpszDefExt) < size_t(kPathLength)) {
        lstrcatA(path, ".");
        lstrcatA(path, m_lpszDefExt);
    }
    return IDOK;
}
