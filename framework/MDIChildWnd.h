#pragma once

#include "framework/FrameWnd.h"
#include "framework/View.h"

#include <memory>

class CDocTemplate;
class CMDIFrameWnd;
struct CCreateContext;

// A child frame in the MDI client area, holding one view. Its menu (the
// template's shared menu) replaces the main window's while it is active.
class CMDIChildWnd : public CFrameWnd {
    DECLARE_DYNCREATE(CMDIChildWnd)
public:
    HMENU m_hMenuShared = nullptr;
    // Told when the frame's window is gone, so that it can free the frame.
    CDocTemplate* m_pDocTemplate = nullptr;

    // Creates the frame in the MDI frame's client area; the context names
    // the view to create in it.
    bool CreateChild(UINT nIDResource, DWORD dwStyle, CMDIFrameWnd* pParentWnd,
                     CCreateContext* pContext);
    bool LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_CHILD | WS_OVERLAPPEDWINDOW,
                   CWnd* pParentWnd = nullptr) override;
    // Shows the frame, makes it active and gives its view the initial update.
    void InitialUpdateFrame(bool bMakeVisible = true);

    CMDIFrameWnd* GetMDIFrame() const;
    void MDIActivate();
    void MDIDestroy();
    // Through the MDI client, as the user's Close does.
    bool DestroyWindow() override;

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnSetFocus(CWnd* pOldWnd);
    LRESULT OnMDIActivate(WPARAM wParam, LPARAM lParam);
    void PostNcDestroy() override;

private:
    CCreateContext* m_pCreateContext = nullptr;
    HWND m_hWndMDIFrame = nullptr;
    std::unique_ptr<CView> m_pView;
};
