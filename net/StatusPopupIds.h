// Resource ids of the status popup's template, text and background. The
// popup owns them; the program's resource script takes them from here.
#pragma once
#define IDD_STATUS_POPUP         110
#define IDB_STATUS_BACKGROUND    147
#define IDC_STATUS_TEXT          1032
