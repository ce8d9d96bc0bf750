// Resource identifiers of the installer: string table, dialog templates and
// their controls, bitmaps and icons. Plain #defines so that the resource
// compiler reads this file too.
#pragma once

// --- bitmaps and icons ---
#define IDB_PICTURE 102
#define IDB_LOGO 103
#define IDI_PACKAGE 951
// The class icon is the named resource "SetupIcon".

// --- dialog templates ---
#define IDD_DESTINATION 900
#define IDD_INSERT_DISK 901
#define IDD_RESTART 904
#define IDD_STATUS 909
#define IDD_PORT 911
#define IDD_PREVIOUS_VERSION 913

// --- main window ---
#define IDC_STATUS_LABEL 999

// --- dialog 900: destination ---
#define IDC_DEST_EDIT 105
#define IDC_DEST_TEXT1 166
#define IDC_DEST_TEXT2 167
#define IDC_DEST_LINE 4

// --- dialog 901: insert disk ---
#define IDC_DISK_PROMPT 106
#define IDC_DISK_EDIT 109

// --- dialog 904: restart ---
#define IDC_RESTART_TEXT 114
#define IDC_RESTART_WINDOWS 110
#define IDC_EXIT_SETUP 111

// --- dialog 909: progress (installer ids) ---
#define IDC_STATUS_LINE1 107
#define IDC_STATUS_LINE2 108
#define IDC_STATUS_BAR 104

// --- dialog 911: port ---
#define IDC_PORT_CONNECT 123
#define IDC_PORT_LPT1 124
#define IDC_PORT_LPT2 125
#define IDC_PORT_LPT3 126
#define IDC_PORT_TEXT 127
#define IDC_PORT_LINE 128
#define IDC_PORT_GROUP 303
#define IDC_PORT_SHADOW_RIGHT 308
#define IDC_PORT_SHADOW_BOTTOM 309

// --- dialog 913: previous version ---
#define IDC_PREV_TEXT 127
#define IDC_PREV_DELETE 147
#define IDC_PREV_EXIT 148

// --- string table ---
#define IDS_PERCENT_DLL_FAILED 1000
#define IDS_NO_MEMORY 1001
#define IDS_SCRIPT_FAILED 1002
#define IDS_DRIVE_TOO_FULL 1003
#define IDS_DIR_NOT_CREATED 1004
#define IDS_CANCEL_QUESTION 1005
#define IDS_NOT_INSTALLED 1006
#define IDS_GROUP_ADDED 1009
#define IDS_GROUP_NOT_ADDED 1010
#define IDS_CANNOT_CREATE_FILE 1012
#define IDS_NO_PARALLEL_PORT 1015
#define IDS_INI_MODIFIED 1016
#define IDS_INI_BACKUP_FAILED 1018
#define IDS_INI_WRITE_FAILED 1019
#define IDS_SETTINGS_FAILED 1023
#define IDS_WINDOWS_TOO_OLD 1025
#define IDS_SELECT_PORT 1033
#define IDS_CREATING_TREE 1034
#define IDS_COPY_FILES 1035
#define IDS_WELCOME 1036
#define IDS_SET_UP 1037
#define IDS_FOLLOW 1038
#define IDS_PROMPT 1039
#define IDS_DEST_TEXT1 1040
#define IDS_DEST_TEXT2 1041
#define IDS_INSERT_DISK 1042
#define IDS_RESTART 1043
#define IDS_CHECK_WINDOWS 1044
#define IDS_CHECK_CPU 1045
#define IDS_CHECK_RAM 1047
#define IDS_WRITE_INI 1049
#define IDS_ADD_GROUP 1050
#define IDS_WINDOWS_DRIVE_FULL 1055
#define IDS_TITLE_SETUP 1060
#define IDS_TITLE_ERROR 1061
#define IDS_TITLE_WARNING 1062
// Text 1066, the offer to remove a previous version, is not in this package.
#define IDS_PREVIOUS_VERSION 1066
#define IDS_USAGE 1070
#define IDS_LOG_FAILED 1071
#define IDS_PORT_UNUSABLE 1072
#define IDS_COMPANION_RUNNING 1080
#define IDS_PREVIOUS_NOT_ENDED 1081
#define IDS_SCRIPT_OUTSIDE 1082
#define IDS_ANOTHER_RUN 1083
