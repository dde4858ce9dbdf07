#pragma once

#include "framework/Document.h"

// The document of a capture window. It holds nothing and is never
// modified, so closing a capture window never asks to save.
class CVidrakeDoc : public CDocument {
    DECLARE_DYNCREATE(CVidrakeDoc)
public:
    void Serialize(CArchive& ar) override;
    bool OnNewDocument() override;

protected:
    DECLARE_MESSAGE_MAP()
};
