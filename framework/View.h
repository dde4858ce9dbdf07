#pragma once

#include "framework/Wnd.h"

class CDocument;

// A view: a child window that shows a document inside a frame.
class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* pDocument) { m_pDocument = pDocument; }

    // The view itself, then its document.
    bool OnCmdMsg(const CommandMessage& command) override;

protected:
    DECLARE_MESSAGE_MAP()
    CDocument* m_pDocument = nullptr;
};
