#pragma once

#include "framework/FileDialog.h"

// The file dialog of the view's file commands, on a path buffer of
// kPathLength characters that it starts on and fills. The Open dialog takes
// a file that does not exist yet (the next capture makes it); a Save As
// dialog asks before it replaces a file, which may be an hour's clip.
class CCaptureFileDialog : public CFileDialog {
public:
    static constexpr int kPathLength = 260;

    CCaptureFileDialog(bool bOpen, const char* lpszDefExt, const char* lpszFilter, char* path);

    // IDOK with the path filled in, the default extension added to a name
    // without one; else IDCANCEL.
    INT_PTR DoModal();

private:
    const char* m_lpszDefExt;
};
