// Resource ids of the launcher. The numbers are fixed: settings, tests and
// the templates rely on them.
#pragma once
#include "../net/StatusPopupIds.h"

// Dialogs
#define IDD_ABOUTBOX             100
#define IDD_LAUNCHER_DIALOG      102
#define IDD_OPTIONS              127
#define IDD_SERVER_OPTIONS       133

// Icons
#define IDI_APP                  128
#define IDI_REFRESH              142
#define IDI_DOWNLOAD             144
#define IDI_OPTIONS              156
#define IDI_LAUNCH               157
#define IDI_TEAMSPEAK            158
#define IDI_DOWNLOADS            160
#define IDI_WEBSITE              161
#define IDI_SPECTATE             162
#define IDI_DRIVE                172

// Bitmaps
#define IDB_BACKGROUND           141
#define IDB_TABS                 154
#define IDB_DEFAULT_BANNER       161

// Controls of the main window
#define IDC_UNZIP_TEST           1000
#define IDC_TRACKS_LIST          1001
#define IDC_MODS_LIST            1002
#define IDC_SIMS_LIST            1003
#define IDC_EVENT_LIST           1004
#define IDC_DOWNLOAD_TRACKS      1005
#define IDC_CARS_LIST            1006
#define IDC_DOWNLOAD_CARS        1007
#define IDC_DOWNLOAD_MODS        1008
#define IDC_GRD_SERVERS          1012
#define IDC_SETUPS_LIST          1014
#define IDC_DOWNLOAD_SETUPS      1015
#define IDC_REFRESH              1016
#define IDC_OPTIONS              1017
#define IDC_LAUNCH               1018
#define IDC_TEAMSPEAK            1019
#define IDC_DOWNLOADS_TOGGLE     1020
#define IDC_WEBSITE              1021
#define IDC_SIM_FOLDER           1023
#define IDC_HIDDEN_STATIC        1024
#define IDC_DOWNLOAD_TABS        1034
#define IDC_SELECT_ALL           1036
#define IDC_STATUS_ANCHOR        1040
#define IDC_LEGEND_RED           1048
#define IDC_LEGEND_GRAY          1049
#define IDC_LEGEND_BOLD          1050
#define IDC_DOWNLOAD_SIMS        1051
#define IDC_SEPARATOR            1058
#define IDC_SPECTATOR            1062
#define IDC_TIME_ZONE            1071

// Menus
#define IDR_LIST_MENU            135

// Commands of the download lists' right-click menu
#define ID_MARK_CURRENT          32771
#define ID_LIST_DOWNLOAD         32772
#define ID_COPY_SHORTCUT         32773
#define ID_LIST_REMOVE           32776
#define ID_VERIFY_FILES          32781

#define IDR_EVENT_MENU           164

// Commands of the event list's right-click menu
#define ID_DOWNLOAD_ITEMS        32774
#define ID_DOWNLOAD_AND_LAUNCH   32775
#define ID_SERVER_INFO           32777
#define ID_SERIES_PAGE           32778
#define ID_ASSIGN_PROFILE        32779
#define ID_COPY_JOIN_LINK        32780
#define ID_VERIFY_ITEMS          32782

// Select Profile dialog
#define IDD_SELECT_PROFILE       173
#define IDC_PROFILE_CHOICE       1052

// System menu command of the About box
#define IDM_ABOUTBOX             0x0010

// Version, shown in the title and compared by the update check
#define ZANT_VERSION_TEXT        "1.8"
#define ZANT_FILE_VERSION        1,8,3,0
#define ZANT_FILE_VERSION_TEXT   "1.8.3.0"

// Controls of the Options dialog. Ids need only be unique within their
// dialog: some numbers are also main-window controls.
#define IDC_OPT_DELETE_FILES     1033
#define IDC_OPT_HIGH_PRIORITY    1034
#define IDC_OPT_FULLPROC         1035
#define IDC_OPT_VIRTUAL_MIRRORS  1036
#define IDC_OPT_TEMP_CARS        1037
#define IDC_OPT_PROFILE          1052
#define IDC_OPT_VIDEO_SETTINGS   1053
#define IDC_OPT_BOOKMARK         1055
#define IDC_OPT_RESET_DEFAULTS   1056
#define IDC_OPT_FRAME_RATE       1057
#define IDC_OPT_REAR_VIEW        1058
#define IDC_OPT_4GB_EXE          1061
#define IDC_OPT_SPECTATOR        1062

// Controls of the server Options dialog
#define IDC_SRV_PORT               1009
#define IDC_SRV_CAUTION_LAPS       1020
#define IDC_SRV_PRACTICE_START     1063
#define IDC_SRV_DELAY_AFTER_RACE   1064
#define IDC_SRV_MUST_BE_STOPPED    1065
#define IDC_SRV_ALLOW_SPECTATORS   1066
#define IDC_SRV_SPECTATOR_CHAT     1067
#define IDC_SRV_PRIVATE_QUALIFYING 1068
#define IDC_SRV_IMPOUND            1069
