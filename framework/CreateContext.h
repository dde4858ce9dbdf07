#pragma once

struct CRuntimeClass;
class CDocument;
class CDocTemplate;

// What a frame needs to create its view: the view's class and the document
// the view shows. Passed from the document template to the new frame.
struct CCreateContext {
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
};
