// The resource ids of the window "Выходы" (outputs_window.rc).
#pragma once

#define IDD_TAVO_OUTPUTS 100

#define IDC_OUTPUT_LIST 1001
#define IDC_PROTOCOL 1002
#define IDC_BAUD 1003
#define IDC_DTR 1004
#define IDC_SERIAL_PROBLEM 1005
#define IDC_TARGET 1006
#define IDC_UNIVERSE 1007
#define IDC_CHANNEL 1008
#define IDC_LEVEL 1009
#define IDC_NET_PROBLEM 1010
#define IDC_SETTINGS_FILE 1011
#define IDC_CHECK_SUMMARY 1012
#define IDC_CHECK 1013
#define IDC_BRIDGE 1014
#define IDC_BRIDGE_PROBLEM 1015
#define IDC_ENVIRONMENT 1016
#define IDC_NET_GROUP 1017
