// Resource ids of the program. Only preprocessor lines: windres reads this file too.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100

// The program's own commands.
#define ID_CMD_SPEED 59143
#define ID_CMD_ADD_ROWS 59145
#define ID_INDICATOR_ROW 59146
#define ID_CMD_DELETE_ROW 59147
#define ID_CMD_START 59148
#define ID_CMD_STOP 59149
#define ID_CMD_SETTINGS 59150

// Messages of the string table.
#define IDS_NO_ROWS_TO_DELETE 59151
#define IDP_ALREADY_RUNNING 61700

// Standard command ids used in the resources (the framework's values).
#define ID_FILE_NEW_RC 57600
#define ID_FILE_OPEN_RC 57601
#define ID_FILE_SAVE_RC 57603
#define ID_FILE_MRU_FILE1_RC 57616
#define ID_APP_ABOUT_RC 57664
#define ID_APP_EXIT_RC 57665
#define ID_HELP_RC 57670

// About box controls.
#define IDC_ABOUT_ICON 1001
