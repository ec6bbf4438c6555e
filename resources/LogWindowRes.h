// Resource identifiers of LogWindow.rc: the log window (menu, accelerators,
// toolbar, icon 131), its object popup menu (142) and its commands.
#pragma once

#define IDR_LOGWINDOW            131
#define IDR_LOGTREE_POPUP        142

// Trace menu.
#define ID_TRACE_BREAK           32773
#define ID_TRACE_STOP            32774
#define ID_TRACE_RESTART         32775
#define ID_TRACE_STEPOVER        32776
#define ID_TRACE_RELEASEMEMORY   32777
// Extract menu.
#define ID_EXTRACT_DIALOG        32780
#define ID_UNCHECK_ALL           32786
#define ID_FIND_DIALOG           32793
#define ID_FIND_NEXT             32800
#define ID_FIND_PREVIOUS         32801
#define ID_MOVE_DIALOG           32803
#define ID_CLEAR_FIND_RESULTS    32808
// Object popup and Tool menu.
#define ID_POPUP_OBJECTINFO      32824
#define ID_TOOL_OBJECTINFO       32835

// The framework's View commands.
#define ID_VIEW_TOOLBAR_CMD      0xE800
#define ID_VIEW_STATUS_BAR_CMD   0xE801
