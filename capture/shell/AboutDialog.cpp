#include "shell/AboutDialog.h"

#include "resources/resource.h"

IMPLEMENT_DYNAMIC(CAboutDialog, CDialog)

CAboutDialog::CAboutDialog(CWnd* pParentWnd) : CDialog(IDD_ABOUTBOX, pParentWnd) {}
