#pragma once

#include "framework/Dialog.h"

// The About box (dialog 100).
class CAboutDialog : public CDialog {
    DECLARE_DYNAMIC(CAboutDialog)
public:
    explicit CAboutDialog(CWnd* pParentWnd = nullptr);
};
