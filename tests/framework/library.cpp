// A library with a dialog of its own, for the test of dialogs that come from
// a library's resources.
#include "resource.h"

#include "framework/Dialog.h"
#include "framework/WinApp.h"

namespace {

class CLibraryApp : public CWinApp {};
CLibraryApp theLibraryApp;

class CLibraryDialog : public CDialog {
public:
    CLibraryDialog(char* caption, int size)
        : CDialog(IDD_LIBRARY), m_caption(caption), m_size(size) {}

protected:
    bool OnInitDialog() override {
        ::GetWindowTextA(m_hWnd, m_caption, m_size);
        PostMessage(WM_COMMAND, IDOK);
        return true;
    }

private:
    char* m_caption;
    int m_size;
};

} // namespace

extern "C" INT_PTR WINAPI RunLibraryDialog(char* caption, int size) {
    CLibraryDialog dialog(caption, size);
    return dialog.DoModal();
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    return AfxDllMain(hInstance, dwReason);
}
