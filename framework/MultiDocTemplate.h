#pragma once

#include "framework/DocTemplate.h"
#include "base/Handle.h"

#include <memory>
#include <vector>

class CMDIFrameWnd;

// A template whose documents each open in a child frame of the MDI main
// window; all its frames share one menu (the template's resource).
class CMultiDocTemplate : public CDocTemplate {
    DECLARE_DYNAMIC(CMultiDocTemplate)
public:
    CMultiDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                      const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass);
    ~CMultiDocTemplate() override;

    HMENU GetSharedMenu() const { return m_hMenuShared.Get(); }
    size_t GetDocumentCount() const { return m_open.size(); }

    CDocument* OpenDocumentFile(const char* lpszPathName) override;
    void OnFrameDestroyed(CMDIChildWnd* pFrame) override;

private:
    struct OpenDocument {
        std::unique_ptr<CDocument> document;
        std::unique_ptr<CMDIChildWnd> frame;
    };
    std::vector<OpenDocument> m_open;
    UniqueMenu m_hMenuShared;
    int m_nUntitledCount = 0;
    void Close(CMDIChildWnd* pFrame);
};
