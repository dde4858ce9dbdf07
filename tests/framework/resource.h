#pragma once

// Resources of the framework's test program.
#define IDD_EXCHANGE 100
#define IDC_FLOAT 1001
#define IDC_INT 1002
#define IDC_UINT 1003
#define IDC_CHECK 1004
#define IDC_TEXT 1005

#define IDR_TESTFRAME 200
#define ID_CMD_VIEW 32770
#define ID_CMD_DOC 32771
#define ID_CMD_FRAME 32772
#define ID_CMD_APP 32773
#define ID_CMD_NONE 32774
#define ID_CMD_DISABLED 32775
#define ID_CMD_RANGE_FIRST 32780
#define ID_CMD_RANGE_LAST 32789

#define IDS_GREETING 300

// The property sheet's pages: a number field checked to 1..10 when its page
// is left, and a page with nothing to check.
#define IDD_PAGE_NUMBER 110
#define IDD_PAGE_PLAIN 111
#define IDC_PAGE_NUMBER 1101

// The test library's dialog.
#define IDD_LIBRARY 400
