#include "framework/View.h"

#include "framework/CreateContext.h"
#include "framework/Document.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
ON_WM_PAINT()
END_MESSAGE_MAP()

bool CView::CreateView(CWnd* pParentFrame, UINT nID, CCreateContext* pContext) {
    if (pContext != nullptr && pContext->m_pCurrentDoc != nullptr)
        pContext->m_pCurrentDoc->AddView(this);
    const RECT empty{0, 0, 0, 0};
    return CreateEx(0, nullptr, nullptr, WS_CHILD | WS_VISIBLE, empty, pParentFrame, nID, pContext);
}

bool CView::OnCmdMsg(const CommandMessage& command) {
    if (CWnd::OnCmdMsg(command))
        return true;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(command);
}

void CView::OnPaint() {
    PAINTSTRUCT ps{};
    HDC hdc = BeginPaint(m_hWnd, &ps);
    OnDraw(hdc);
    EndPaint(m_hWnd, &ps);
}
