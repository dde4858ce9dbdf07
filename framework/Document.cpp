#include "framework/Document.h"

#include "base/Handle.h"
#include "framework/View.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
END_MESSAGE_MAP()

void CDocument::SetTitle(const char* lpszTitle) {
    m_strTitle = lpszTitle ? lpszTitle : "";
}

void CDocument::SetPathName(const char* lpszPathName) {
    m_strPathName = lpszPathName ? lpszPathName : "";
    const size_t slash = m_strPathName.find_last_of("\\/:");
    SetTitle(m_strPathName.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
}

bool CDocument::OnNewDocument() {
    m_strPathName.clear();
    m_bModified = false;
    return true;
}

bool CDocument::OnOpenDocument(const char* lpszPathName) {
    UniqueFile file(CreateFileA(lpszPathName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        AfxMessageBox("Failed to open document.", MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    m_bModified = false;
    return true;
}

void CDocument::AddView(CView* pView) {
    if (m_pFirstView == nullptr)
        m_pFirstView = pView;
    pView->SetDocument(this);
}

void CDocument::RemoveView(CView* pView) {
    if (m_pFirstView == pView)
        m_pFirstView = nullptr;
}
