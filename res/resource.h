#pragma once

// Resource ids shared by the resource script and the program.
#include "../framework/FrameworkStrings.h"

#define IDI_SONORIX 128
#define IDR_MAIN_MENU 129
#define IDR_ACCELERATORS 130
#define IDD_ABOUT 131
#define IDD_MAIN 132

#define IDC_VERSION_TEXT 1000
#define IDC_RUN 1001
#define IDC_KEEP_TIME 1002
#define IDC_FILE_NAME 1003
#define IDC_BROWSE 1004

#define IDS_NO_FILE_NAME 6001
#define IDS_REPAIRED 6002
#define IDS_ALREADY_VALID 6003
#define IDS_FILE_ERROR 6004
#define IDS_UNSUPPORTED 6005

// Carried for programs that exchange numbers; this one never loads them.
#define IDS_FRAMEWORK_INVALID_INT 25089
#define IDS_FRAMEWORK_INVALID_UINT 25090
#define IDS_FRAMEWORK_INVALID_REAL 25091

#define IDM_ABOUT 40001
#define IDM_EXIT 40002
#define IDM_HELP 40003
