#include "shell/VidrakeDoc.h"

IMPLEMENT_DYNCREATE(CVidrakeDoc, CDocument)

BEGIN_MESSAGE_MAP(CVidrakeDoc, CDocument)
END_MESSAGE_MAP()

void CVidrakeDoc::Serialize(CArchive&) {
    // A capture window keeps no data of its own.
}

bool CVidrakeDoc::OnNewDocument() {
    return CDocument::OnNewDocument();
}
