// Resource identifiers of trevalin: the dialog template, its controls, icons and logo.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_MAINDLG 129
#define IDB_LOGO 2001
#define IDI_STAGE 3001

#define IDC_FINISH 1000
#define IDC_STAGE_ACTIVE 1001
#define IDC_STAGE_REMOVE 1002
#define IDC_STAGE_FILES 1003
#define IDC_PROGRESS 1004
#define IDC_INFO_GROUP 1005
#define IDC_RESULT 1006
#define IDC_RESULT_GROUP 1007
