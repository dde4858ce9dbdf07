#include "framework/DocManager.h"

#include "framework/CmdUI.h"
#include "framework/DocTemplate.h"
#include "framework/FileDialog.h"
#include "framework/FrameworkResource.h"

IMPLEMENT_DYNAMIC(CDocManager, CCmdTarget)

BEGIN_MESSAGE_MAP(CDocManager, CCmdTarget)
ON_COMMAND(ID_FILE_NEW, OnFileNew)
ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
ON_COMMAND_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, OnOpenRecentFile)
ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

void CDocManager::AddDocTemplate(std::unique_ptr<CDocTemplate> pTemplate) {
    if (pTemplate)
        m_templates.push_back(std::move(pTemplate));
}

CDocTemplate* CDocManager::GetTemplate(size_t index) const {
    return index < m_templates.size() ? m_templates[index].get() : nullptr;
}

void CDocManager::LoadStdProfileSettings(int nMaxMRU) {
    m_pRecentFileList =
        std::make_unique<CRecentFileList>(ID_FILE_MRU_FILE1, "Recent File List", "File%d", nMaxMRU,
                                          CRecentFileList::DefaultProfileName().c_str());
    m_pRecentFileList->ReadList();
}

CDocument* CDocManager::OpenDocumentFile(const char* lpszPathName) {
    if (m_templates.empty())
        return nullptr;
    CDocument* document = m_templates.front()->OpenDocumentFile(lpszPathName);
    if (document != nullptr && lpszPathName != nullptr && m_pRecentFileList)
        m_pRecentFileList->Add(lpszPathName);
    return document;
}

void CDocManager::OnFileNew() {
    OpenDocumentFile(nullptr);
}

void CDocManager::OnFileOpen() {
    CFileDialog dialog(true, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                       "All Files (*.*)|*.*||");
    if (dialog.DoModal() == IDOK)
        OpenDocumentFile(dialog.GetPathName().c_str());
}

void CDocManager::OnOpenRecentFile(UINT nID) {
    if (!m_pRecentFileList)
        return;
    const size_t index = nID - ID_FILE_MRU_FILE1;
    const auto& entries = m_pRecentFileList->Entries();
    if (index < entries.size()) {
        const std::string path = entries[index];
        OpenDocumentFile(path.c_str());
    }
}

void CDocManager::OnUpdateRecentFileMenu(CCmdUI* pCmdUI) {
    if (m_pRecentFileList)
        m_pRecentFileList->UpdateMenu(pCmdUI);
    else
        pCmdUI->Enable(false);
}
