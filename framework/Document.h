#pragma once

#include "framework/CmdTarget.h"

#include <string>

class CArchive;
class CDocTemplate;
class CView;

// A document: the data that the views of one frame show.
class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
public:
    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const char* lpszTitle);
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const char* lpszPathName);

    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    void SetDocTemplate(CDocTemplate* pTemplate) { m_pDocTemplate = pTemplate; }

    // Reads or writes the document's data; documents without data leave it empty.
    virtual void Serialize(CArchive&) {}
    // A new, empty document.
    virtual bool OnNewDocument();
    // The document of an existing file: the file must be readable.
    virtual bool OnOpenDocument(const char* lpszPathName);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    // The first view of the document, or null.
    CView* GetFirstView() const { return m_pFirstView; }
    void AddView(CView* pView);
    void RemoveView(CView* pView);

protected:
    DECLARE_MESSAGE_MAP()

private:
    std::string m_strTitle;
    std::string m_strPathName;
    CDocTemplate* m_pDocTemplate = nullptr;
    CView* m_pFirstView = nullptr;
    bool m_bModified = false;
};
