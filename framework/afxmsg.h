// The framework's private messages, standard ids and control-bar styles.
#pragma once
#include <windows.h>

// Private messages between frames, bars and views.
constexpr UINT WM_SIZEPARENT = 0x0361;       // lParam: SizeParentParams*; bars take their slice
constexpr UINT WM_SETMESSAGESTRING = 0x0362; // wParam: string id, or lParam: text; to the frame
constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;  // wParam: disable commands without handler
constexpr UINT WM_INITIALUPDATE = 0x0364;    // to a view, once its document is ready
constexpr UINT WM_POPMESSAGESTRING = 0x0375; // restore the idle text of the status bar
// From a bar's command update to a control that keeps a logical enabled state of its own
// (wParam: enable); a control that answers non-zero stays a live, enabled window.
constexpr UINT WM_SETLOGICALENABLE = 0x037E;

// Passed with WM_SIZEPARENT: the bars shrink `rect`, the remainder goes to the view.
struct SizeParentParams {
    HDWP hdwp;      // null: only measure
    RECT rect;      // what is still free
    SIZE sizeTotal; // accumulated size of the bars, when measuring
    BOOL stretch;
};

// Standard command ids.
constexpr UINT ID_SEPARATOR = 0;
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_CLOSE = 57602;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_FILE_SAVE_AS = 57604;
constexpr UINT ID_FILE_MRU_FILE1 = 57616;
constexpr UINT ID_FILE_MRU_FILE4 = 57619;
constexpr UINT ID_FILE_MRU_FILE16 = 57631;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_HELP_FINDER = 57680;
constexpr UINT ID_HELP = 57670;
constexpr UINT ID_EDIT_CLEAR = 57632;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_INDICATOR_EXT = 59136;
constexpr UINT ID_INDICATOR_CAPS = 59137;
constexpr UINT ID_INDICATOR_NUM = 59138;
constexpr UINT ID_INDICATOR_SCRL = 59139;
constexpr UINT ID_INDICATOR_OVR = 59140;
constexpr UINT ID_INDICATOR_REC = 59141;

// Standard strings.
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;
constexpr UINT AFX_IDS_OPENFILE = 61440;
constexpr UINT AFX_IDS_SAVEFILE = 61441;
constexpr UINT AFX_IDS_ALLFILTER = 61442;
constexpr UINT AFX_IDP_ASK_TO_SAVE = 61699;
constexpr UINT AFX_IDP_ALREADY_RUNNING = 61700; // the program's own use of the framework range

// Standard child-window ids of a frame.
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;    // 59392
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801; // 59393
constexpr UINT AFX_IDW_DIALOGBAR = 0xE805;
constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;
constexpr UINT AFX_IDW_DOCKBAR_FLOAT = 0xE81F;
constexpr UINT AFX_IDW_CONTROLBAR_FIRST = 0xE800;
constexpr UINT AFX_IDW_CONTROLBAR_LAST = 0xE8FF;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900; // the view

// Control-bar styles (low word of the bar's own style, kept by the bar).
constexpr DWORD CBRS_FLOATING = 0x0001;
constexpr DWORD CBRS_SIZE_FIXED = 0x0002;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0004;
constexpr DWORD CBRS_HIDE_INPLACE = 0x0008;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_FLOAT_MULTI = 0x0040;
constexpr DWORD CBRS_BORDER_3D = 0x0080;
constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
constexpr DWORD CBRS_BORDER_ANY = 0x0F00;
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_ORIENT_HORZ = CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM;
constexpr DWORD CBRS_ORIENT_VERT = CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD CBRS_LEFT = CBRS_ALIGN_LEFT | CBRS_BORDER_RIGHT;
constexpr DWORD CBRS_RIGHT = CBRS_ALIGN_RIGHT | CBRS_BORDER_LEFT;
constexpr DWORD CBRS_GRIPPER = 0x00400000;
