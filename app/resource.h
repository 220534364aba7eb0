// Resource and control ids of the program, typed here once: the resource scripts, the code
// and the tests include this file. Only preprocessor lines (windres reads it too) and
// nothing of the program, so every program folder may include it, as it does app/globals.h.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_ABOUTBOX 100
#define IDD_COMMAND_PANEL 142 // also the panel's bar id
#define IDD_ADD_ROWS 145
#define IDD_PORT_SETTINGS 147

// The program's own commands; the panel's buttons and its speed slider carry them too.
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

// Add-rows dialog controls.
#define IDC_ADD_TO_END 59151
#define IDC_COUNT 59152
#define IDC_POSITION 59154

// Port settings dialog controls.
#define IDC_LPT1 1002
#define IDC_LPT2 1003
#define IDC_LPT3 1004
#define IDC_LPT1_ADDRESS 1009
#define IDC_LPT2_ADDRESS 1010
#define IDC_LPT3_ADDRESS 1011

// Icons of the panel's buttons.
#define IDI_STOP 130
#define IDI_ADD_ROWS 131
#define IDI_DELETE_ROW 132
#define IDI_SETTINGS 133
#define IDI_NEW 134
#define IDI_OPEN 135
#define IDI_START 138
#define IDI_SAVE 140
#define IDI_ABOUT 141

// The column-resize cursor the grid library loads from the program by this id.
#define IDC_GRID_RESIZE 134

// The sample schedule.ini (release/schedule.ini), written to the working folder when missing.
#define IDR_SCHEDULE_SAMPLE 150

// The show driver's notification-area menu.
#define ID_TRAY_PLAY 32801
#define ID_TRAY_STOP 32802
#define ID_TRAY_SCHEDULE 32803
#define ID_TRAY_OUTPUTS 32804
