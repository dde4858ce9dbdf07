#include "framework/MultiDocTemplate.h"

#include "framework/CreateContext.h"
#include "framework/Document.h"
#include "framework/MDIChildWnd.h"
#include "framework/MDIFrameWnd.h"
#include "framework/WinApp.h"

#include <algorithm>

IMPLEMENT_DYNAMIC(CMultiDocTemplate, CDocTemplate)

CMultiDocTemplate::CMultiDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                                     const CRuntimeClass* pFrameClass,
                                     const CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass),
      m_hMenuShared(LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource))) {}

CMultiDocTemplate::~CMultiDocTemplate() {
    // Frames still open are destroyed first; their objects are freed here.
    for (OpenDocument& open : m_open) {
        if (open.frame)
            open.frame->m_pDocTemplate = nullptr;
    }
    m_open.clear();
    // A menu still shown by a window goes with that window.
    for (HWND hWnd = GetTopWindow(nullptr); hWnd != nullptr; hWnd = GetWindow(hWnd, GW_HWNDNEXT)) {
        if (GetMenu(hWnd) == m_hMenuShared.Get() &&
            GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId())
            m_hMenuShared.Release();
    }
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const char* lpszPathName) {
    auto* mainFrame = DynamicDowncast<CMDIFrameWnd>(AfxGetMainWnd());
    std::unique_ptr<CDocument> document = CreateObjectAs<CDocument>(m_pDocClass);
    std::unique_ptr<CMDIChildWnd> frame = CreateObjectAs<CMDIChildWnd>(m_pFrameClass);
    if (mainFrame == nullptr || !document || !frame)
        return nullptr;
    CDocument* pDocument = document.get();
    CMDIChildWnd* pFrame = frame.get();
    pDocument->SetDocTemplate(this);
    pFrame->m_hMenuShared = m_hMenuShared.Get();
    pFrame->m_pDocTemplate = this;
    m_open.push_back({std::move(document), std::move(frame)});

    CCreateContext context;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pCurrentDoc = pDocument;
    context.m_pNewDocTemplate = this;
    // A frame whose creation fails has already been freed by its window's end.
    if (!pFrame->CreateChild(m_nIDResource, WS_CHILD | WS_OVERLAPPEDWINDOW, mainFrame, &context))
        return nullptr;

    if (lpszPathName == nullptr) {
        std::string base;
        if (!GetDocString(base, docName))
            base = "Untitled";
        pDocument->SetTitle((base + std::to_string(++m_nUntitledCount)).c_str());
        if (!pDocument->OnNewDocument()) {
            pFrame->DestroyWindow();
            return nullptr;
        }
    } else {
        if (!pDocument->OnOpenDocument(lpszPathName)) {
            pFrame->DestroyWindow();
            return nullptr;
        }
        pDocument->SetPathName(lpszPathName);
    }
    pFrame->InitialUpdateFrame(true);
    return pDocument;
}

void CMultiDocTemplate::OnFrameDestroyed(CMDIChildWnd* pFrame) {
    Close(pFrame);
}

void CMultiDocTemplate::Close(CMDIChildWnd* pFrame) {
    auto it = std::find_if(m_open.begin(), m_open.end(), [pFrame](const OpenDocument& open) {
        return open.frame.get() == pFrame;
    });
    if (it == m_open.end())
        return;
    // Moved out first, so that the list is consistent while they are freed.
    OpenDocument closing = std::move(*it);
    m_open.erase(it);
}
