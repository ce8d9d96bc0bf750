// Resource identifiers of the uninstaller (tldesetup.rc).
#pragma once

// Bitmaps of the backdrop.
#define IDB_DESETUP_PICTURE 12  // 200 by 200, centred under the banner
#define IDB_DESETUP_BANNER 13   // 165 by 81, top left

// Progress dialog and its controls.
#define IDD_DESETUP_STATUS 500
#define IDC_DESETUP_BAR 100
#define IDC_DESETUP_LINE1 103
#define IDC_DESETUP_LINE2 104

// Status line of the main window.
#define IDC_STATUS_LINE 999

// String table.
#define IDS_NO_PERCENT_DLL 1000
#define IDS_NO_MEMORY 1001
#define IDS_NO_SCRIPT 1002
#define IDS_CANCEL_QUESTION 1005
#define IDS_NOT_REMOVED_CLEANLY 1006
#define IDS_REMOVED 1009
#define IDS_GROUP_NOT_DELETED 1010
#define IDS_INI_NOT_RESTORED 1019
#define IDS_CONFIRM 1036
#define IDS_NOT_REMOVED 1037
#define IDS_NOTHING_TO_REMOVE 1038
#define IDS_STATUS_RESTORE_INI 1039
#define IDS_STATUS_REMOVE_BACKUPS 1040
#define IDS_STATUS_REMOVE_GROUP 1041
#define IDS_REMOVING_FILES 1042
#define IDS_REMOVING_DIRS 1043
#define IDS_BANNER_TITLE 1044
#define IDS_BANNER_PURPOSE 1045
#define IDS_BANNER_STEPS 1046
#define IDS_DELETE_UNINSTALLER 1047
#define IDS_TITLE 1050
#define IDS_ERROR 1051
#define IDS_WARNING 1052
