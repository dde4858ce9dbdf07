#pragma once

#include "framework/MDIChildWnd.h"

// The frame of one capture window: a plain rectangle without border or
// caption, centred in the MDI client area.
class CChildFrame : public CMDIChildWnd {
    DECLARE_DYNCREATE(CChildFrame)
protected:
    DECLARE_MESSAGE_MAP()
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnWindowPosChanging(WINDOWPOS*) { Default(); }
};
