/* Resource ids of the program. Plain defines: the resource compiler reads
   this file too. */
#pragma once

#define IDR_MAINFRAME 128 /* frame menu, accelerators, icon, toolbar, title string, memory bar */
#define IDD_ABOUTBOX 100
#define IDR_TRANSFER_CLIP 130
#define IDD_SAVE_DIRECTORY 132
#define IDD_UPLOAD 133
#define IDD_DOWNLOAD 134
#define IDB_SPLASH 135
#define IDD_RESCUE 136
#define IDD_CONVERTING 137
#define IDD_CONVERSION 138

#define IDC_MEMORY_COMBO 1000
#define IDC_PROGRESS 1013
#define IDC_ANIMATION 1045
#define IDC_TRANSFER_TEXT 1046
#define IDC_BITRATE 1050
#define IDC_SPEECH 1051
#define IDC_REENCODE 1052
#define IDC_AS_IS 1053
#define IDC_STRIP_TAGS 1054
#define IDC_NAME_FROM_TAGS 1055

#define ID_REFRESH_DIRECTORY 32774
#define ID_INITIALIZE_RIO 32775
#define ID_UPLOAD_FILE 32776
#define ID_REMOVE_FILE 32777
#define ID_DOWNLOAD_FILE 32778
#define ID_RESCUE_SONGS 32779
#define ID_VERIFY_UPLOAD 32780
#define ID_CONVERSION 32781

#define ID_PANE_SONGS 200
#define ID_PANE_MEMORY 201
#define ID_PANE_FREE 202
#define ID_PANE_USED 203
#define IDC_STATUS_PROGRESS 2004

#define IDC_LINK_WEB 1001
#define IDC_LINK_NEWS 1002
#define IDC_LINK_SUPPORT 1003
#define IDC_LINK_DEVELOPMENT 1004
