#pragma once

#include "framework/CmdTarget.h"

// A document: the data that the views of one frame show.
class CDocument : public CCmdTarget {
    DECLARE_DYNAMIC(CDocument)
protected:
    DECLARE_MESSAGE_MAP()
};
