// Resource and control IDs of the updater, shared by the resource script and the program.
//
// Control IDs and text IDs are separate numbering spaces that share some numbers:
// 40011 is IDC_LABEL_FW3 and IDS_ERR_NOTIFY_REGISTER, 40015 IDC_VERSION_FW3 and IDS_WRONG_MODE.
#pragma once

// Dialog template
#define IDD_MAIN 110

// Raw data: the firmware image the updater carries
#define IDR_FIRMWARE 119

// Bitmap: the header picture
#define IDB_HEADER 121

// Icon group: the application icon
#define IDI_APP 123

// Controls of IDD_MAIN (the "Beenden" button is IDCANCEL)
#define IDC_STATIC (-1)
#define IDC_UPDATE 1002
#define IDC_LABEL_FW2 1005
#define IDC_STATUS_TEXT 40004
#define IDC_VERSIONS_GROUP 40007
#define IDC_LABEL_FW1 40010
#define IDC_LABEL_FW3 40011
#define IDC_VERSION_FW1 40013
#define IDC_VERSION_FW2 40014
#define IDC_VERSION_FW3 40015

// Texts of the string table
#define IDS_READY 40000
#define IDS_INSTRUCTIONS 40001
#define IDS_UPDATE_FAILED 40002
#define IDS_ERR_SET_ADDRESS 40008
#define IDS_ERR_WRITE_BLOCK 40009
#define IDS_ERR_NOTIFY_REGISTER 40011
#define IDS_APP_ERROR 40012
#define IDS_WRONG_MODE 40015
#define IDS_NO_UNIT 40017
#define IDS_DISCONNECTED 40020
#define IDS_UNIT_GONE 40022
#define IDS_CONFIRM_OLDER 40023
#define IDS_NEWER_FOUND 40025
#define IDS_ERR_WRITE_ACCESS 40027
#define IDS_ERR_ERASE 40028
#define IDS_WRITING 40029
#define IDS_ABORTED 40030
#define IDS_SUCCESS 40032
#define IDS_SYSTEM_ERROR_CODE 40036
