#pragma once

// Resource ids: every template and string id is a base id plus the offset
// of the language (languages.def).

#define IDI_PROGRAM 101

// Controls the program never addresses (icons, fixed texts, frames).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_WELCOME 102
#define IDD_PROXY 103
#define IDD_READY 104
#define IDD_PROGRESS 105
#define IDD_FOLDER 106
#define IDD_FINISH 107

#define IDC_PROXY_NONE 1001
#define IDC_PROXY_USE 1002
#define IDC_PROXY_HOST 1003
#define IDC_PROXY_PORT 1004
#define IDC_FILE_PROGRESS 1005
#define IDC_STATUS 1006
#define IDC_BYTES 1008
#define IDC_BROWSE 1009
#define IDC_FOLDER_PATH 1010
#define IDC_EXISTING_NOTICE 1011
#define IDC_TOTAL_PROGRESS 1012
#define IDC_REBOOT_NOW 1014

#define IDS_BROWSE_TITLE 1
#define IDS_STATUS_FIRST 2   // status s uses IDS_STATUS_FIRST + s
#define IDS_CANCEL_QUESTION 10
#define IDS_UPDATING_CONFIGURATION 11
#define IDS_FINISHED_WITH_ERRORS 12
#define IDS_RESTART_NEEDED 13
#define IDS_REBOOT_NOW 14
#define IDS_FINISHED_OK 15
// The checks of a signed distribution; the mismatch text has a "%s" for the file.
#define IDS_LIST_NOT_SIGNED 16
#define IDS_COMPONENT_MISMATCH 17
#define IDS_LIST_OLDER 18
#define IDS_CHECKS_UNAVAILABLE 19
