#pragma once

#include "framework/Wnd.h"

class CDocument;
struct CCreateContext;

// A view: a child window that shows a document inside a frame.
class CView : public CWnd {
    DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CDocument* pDocument) { m_pDocument = pDocument; }

    // Creates the view's window in its frame, for the context's document.
    bool CreateView(CWnd* pParentFrame, UINT nID, CCreateContext* pContext);
    // Called once the frame holding the view is complete.
    virtual void OnInitialUpdate() {}
    // Called by the frame after it moved to a monitor of another scale and
    // laid itself out again, on its active view.
    virtual void OnParentDpiChanged(UINT /*nDpi*/) {}

    // The view itself, then its document.
    bool OnCmdMsg(const CommandMessage& command) override;

protected:
    DECLARE_MESSAGE_MAP()
    // Paints the view; WM_PAINT calls it between BeginPaint and EndPaint.
    virtual void OnDraw(HDC) {}
    void OnPaint();

    CDocument* m_pDocument = nullptr;
};
