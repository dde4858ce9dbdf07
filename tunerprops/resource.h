#pragma once
// Resource ids of the configuration library: dialog templates of the pages,
// their controls and the Drawing page's strings.

// Dialog templates.
#define IDD_VIDEO_SOURCE 106
#define IDD_COLOR 107
#define IDD_VIDEO_FORMAT 108
#define IDD_DRAWING 109
#define IDD_CREDITS 134

// Every control of the pages lies in this range.
#define IDC_FIRST_CONTROL 1009
#define IDC_LAST_CONTROL 1072

// Video Source page.
#define IDC_TUNER 1009
#define IDC_COMPOSITE 1010
#define IDC_SVIDEO 1011
#define IDC_CONNECTOR_GROUP 1012
#define IDC_NTSC 1013
#define IDC_PAL 1014
#define IDC_PAL_M 1015
#define IDC_PAL_N 1016
#define IDC_SECAM 1017
#define IDC_STANDARD_GROUP 1018
#define IDC_CHANNEL_SPIN 1019
#define IDC_NTSC_JAPAN 1020
#define IDC_CHANNEL 1021
#define IDC_AIR 1022
#define IDC_CABLE 1023
#define IDC_CHANNEL_GROUP 1024
#define IDC_STEREO 1026
#define IDC_SAP 1027
#define IDC_SOURCE_DEFAULT 1028
#define IDC_MUTE 1029
#define IDC_SOUND_GROUP 1049
#define IDC_SWITCH 1071
#define IDC_PAL_NC 1072

// Color page.
#define IDC_CONTRAST_SLIDER 1030
#define IDC_SATURATION_SLIDER 1031
#define IDC_CONTRAST 1032
#define IDC_SATURATION 1033
#define IDC_HUE 1034
#define IDC_HUE_SLIDER 1035
#define IDC_COLOR_GROUP 1036
#define IDC_COLOR_DEFAULT 1037
#define IDC_BRIGHTNESS_SLIDER 1047
#define IDC_BRIGHTNESS 1048

// Video Format page.
#define IDC_LARGE 1039
#define IDC_MEDIUM 1038
#define IDC_SMALL 1040
#define IDC_SIZE_GROUP 1059
#define IDC_RGB15 1060
#define IDC_RGB24 1061
#define IDC_RGB32 1062
#define IDC_FORMAT_GROUP 1063
#define IDC_YUY2 1064
#define IDC_FORMAT_DEFAULT 1028

// Drawing page.
#define IDC_USE_DIRECT_DRAW 1045
#define IDC_USE_GDI 1046
#define IDC_CAPABILITIES 1068
#define IDC_FAVOR_OVERLAYS 1070
#define IDC_FAVOR_OFFSCREEN 1071
#define IDC_DRAWING_DEFAULT 1037

// Strings of the Drawing page's capability summary.
#define IDS_DD_CAPABLE 1
#define IDS_DD_NOT_AVAILABLE 2
#define IDS_OVERLAYS_SUPPORTED 3
#define IDS_RGB15 4
#define IDS_RGB24 5
#define IDS_RGB32 6
#define IDS_YUY2 7
#define IDS_LIST_SEPARATOR 8
#define IDS_LIST_END 9
#define IDS_OSP_SUPPORTED 10
#define IDS_OSP_NOT_SUPPORTED 11
#define IDS_NONE 12
