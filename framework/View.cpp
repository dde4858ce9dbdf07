#include "framework/View.h"

#include "framework/Document.h"

IMPLEMENT_DYNAMIC(CView, CWnd)

BEGIN_MESSAGE_MAP(CView, CWnd)
END_MESSAGE_MAP()

bool CView::OnCmdMsg(const CommandMessage& command) {
    if (CWnd::OnCmdMsg(command))
        return true;
    return m_pDocument != nullptr && m_pDocument->OnCmdMsg(command);
}
