#include "shell/ChildFrame.h"

IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

BEGIN_MESSAGE_MAP(CChildFrame, CMDIChildWnd)
ON_WM_CREATE()
ON_WM_WINDOWPOSCHANGING()
END_MESSAGE_MAP()

bool CChildFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    cs.style &= ~LONG(WS_THICKFRAME | WS_DLGFRAME | WS_BORDER);
    return CMDIChildWnd::PreCreateWindow(cs);
}

int CChildFrame::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (CMDIChildWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    CenterWindow();
    return 0;
}
