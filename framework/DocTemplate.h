#pragma once

#include "framework/CmdTarget.h"

#include <string>

class CDocument;
class CMDIChildWnd;

// What ties a document class to its frame and view classes and to the
// resources of one id: the menu, the icon and the document string.
class CDocTemplate : public CCmdTarget {
    DECLARE_DYNAMIC(CDocTemplate)
public:
    // Fields of the document string, separated by line breaks.
    enum DocStringIndex {
        windowTitle,
        docName,     // base of untitled names
        fileNewName, // the type's name
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName,
    };

    CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass, const CRuntimeClass* pFrameClass,
                 const CRuntimeClass* pViewClass);

    UINT GetResourceId() const { return m_nIDResource; }
    bool GetDocString(std::string& rString, DocStringIndex index) const;

    // A new document (null path) or the document of a file, with its frame
    // and view; null when any of them could not be made.
    virtual CDocument* OpenDocumentFile(const char* lpszPathName) = 0;
    // The frame's window is gone: the frame and its document are freed.
    virtual void OnFrameDestroyed(CMDIChildWnd* pFrame) = 0;

protected:
    UINT m_nIDResource;
    const CRuntimeClass* m_pDocClass;
    const CRuntimeClass* m_pFrameClass;
    const CRuntimeClass* m_pViewClass;
    std::string m_strDocStrings;
};
