#include "framework/DocTemplate.h"

#include "framework/WinApp.h"

IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)

CDocTemplate::CDocTemplate(UINT nIDResource, const CRuntimeClass* pDocClass,
                           const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass), m_strDocStrings(AfxLoadString(nIDResource)) {}

bool CDocTemplate::GetDocString(std::string& rString, DocStringIndex index) const {
    size_t start = 0;
    for (int i = 0; i < int(index); ++i) {
        start = m_strDocStrings.find('\n', start);
        if (start == std::string::npos) {
            rString.clear();
            return false;
        }
        ++start;
    }
    const size_t end = m_strDocStrings.find('\n', start);
    rString = m_strDocStrings.substr(start, end == std::string::npos ? end : end - start);
    return !rString.empty();
}
