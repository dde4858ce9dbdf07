#pragma once

#include "framework/CmdTarget.h"
#include "framework/RecentFileList.h"

#include <memory>
#include <vector>

class CDocTemplate;
class CDocument;

// The application's document templates and recent-file list, with the
// standard New, Open and recent-file commands.
class CDocManager : public CCmdTarget {
    DECLARE_DYNAMIC(CDocManager)
public:
    void AddDocTemplate(std::unique_ptr<CDocTemplate> pTemplate);
    CDocTemplate* GetTemplate(size_t index) const;
    // Reads the recent-file list of nMaxMRU entries from the program's profile.
    void LoadStdProfileSettings(int nMaxMRU = 4);
    CRecentFileList* GetRecentFileList() const { return m_pRecentFileList.get(); }

    CDocument* OpenDocumentFile(const char* lpszPathName);
    void OnFileNew();
    void OnFileOpen();

protected:
    DECLARE_MESSAGE_MAP()
    void OnOpenRecentFile(UINT nID);
    void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

private:
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
    std::unique_ptr<CRecentFileList> m_pRecentFileList;
};
