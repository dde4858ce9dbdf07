#pragma once

// Resource and command ids of the framework, shared by the framework's code
// and every module's resource script (which includes framework/framework.rc).

// Strings the application supplies.
#define AFX_IDS_APP_TITLE 0xE000   // the application's title
#define AFX_IDS_IDLEMESSAGE 0xE001 // the status bar's idle text

// Standard commands.
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_FILE_CLOSE 0xE102
#define ID_FILE_SAVE 0xE103
#define ID_FILE_SAVE_AS 0xE104
#define ID_FILE_MRU_FILE1 0xE110
#define ID_FILE_MRU_FILE4 0xE113
#define ID_EDIT_COPY 0xE122
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141
#define ID_VIEW_TOOLBAR 0xE800
#define ID_VIEW_STATUS_BAR 0xE801

// Status bar indicators; their strings are the indicator texts.
#define ID_SEPARATOR 0
#define ID_INDICATOR_CAPS 0xE6F0
#define ID_INDICATOR_NUM 0xE6F1
#define ID_INDICATOR_SCRL 0xE6F2

// Data exchange prompts.
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_REAL 0xF111
#define AFX_IDP_PARSE_INT_RANGE 0xF112
#define AFX_IDP_PARSE_REAL_RANGE 0xF113
#define AFX_IDP_PARSE_UINT 0xF114
