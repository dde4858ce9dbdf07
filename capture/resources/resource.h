#pragma once

// Resource ids and command ids of the capture program. The standard
// commands (New, Open, Copy, About, Exit, toolbar and status bar) are the
// framework's (framework/FrameworkResource.h).

#define IDR_MAINFRAME 2
#define IDR_VIDEOCAPTURE 3
#define IDD_ABOUTBOX 100

// The toolbar's images at 150%, 200% and 250% (those at 100% are bitmap 2).
#define IDB_TOOLBAR_150 150
#define IDB_TOOLBAR_200 151
#define IDB_TOOLBAR_250 152

// Commands of the capture window.
#define ID_OPTIONS_OVERLAY 32770
#define ID_OPTIONS_PREVIEW 32771
#define ID_OPTIONS_VIDEOFORMAT 32772
#define ID_OPTIONS_VIDEOSOURCE 32773
#define ID_OPTIONS_VIDEODISPLAY 32774
#define ID_CAPTURE_VIDEO 32778
#define ID_CAPTURE_SETUP 32795
#define ID_VIEW_PLAYBACK 32798
#define ID_FILE_SAVESINGLEFRAME 32799
#define ID_CAPTURE_SINGLEFRAME 32800
#define ID_OPTIONS_VIDEOCOMPRESSION 32801

// Driver items of the Options menu: driver n has id ID_DRIVER_FIRST + n.
#define ID_DRIVER_FIRST 200
#define ID_DRIVER_LAST 209
#define IDS_CAPTURE_DRIVER 200

// The Capture Setup dialog.
#define IDD_CAPTURESETUP 101
#define IDC_CAPTUREAUDIO 102
#define IDC_USEDOSBUFFERS 104
#define IDC_FRAMERATE 107
#define IDC_VIDEOBUFFERS_LABEL 108
#define IDC_VIDEOBUFFERS 109
#define IDC_SETAUDIOFORMAT 112
#define IDC_AUDIOFORMAT 113
#define IDC_DISABLEWRITECACHE 114
#define IDC_ENABLETIMELIMIT 115
#define IDC_SECONDS_LABEL 116
#define IDC_TIMELIMIT 117
#define IDC_PLATFORMWRITER 123
#define IDC_SOUNDINSTEP 124

// The Video Format dialog.
#define IDD_VIDEOFORMAT 106
#define IDC_IMAGEFORMAT 118
#define IDC_IMAGESIZE 119
#define IDC_SIZE_QUARTER 120
#define IDC_SIZE_HALF 121
#define IDC_SIZE_FULL 122

// The status bar's panes while a capture runs; each string is the widest
// text its pane shows, measured in the bar's font at the display's scale.
#define ID_INDICATOR_CAPTURE_FRAMES 0xE710
#define ID_INDICATOR_CAPTURE_DROPPED 0xE711
#define ID_INDICATOR_CAPTURE_TIME 0xE712
#define ID_INDICATOR_CAPTURE_RATE 0xE713
#define ID_INDICATOR_CAPTURE_FREE 0xE714
#define ID_INDICATOR_CAPTURE_LEFT 0xE715
#define ID_INDICATOR_CAPTURE_SKIPPED 0xE716
#define ID_INDICATOR_CAPTURE_CLOCK 0xE717
