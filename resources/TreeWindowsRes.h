// Resource identifiers of TreeWindows.rc.
#pragma once

// The external scroll bar of a tree frame: a child dialog with one vertical
// scroll bar.
#define IDD_VERTSCROLLBAR     139
#define IDC_VERTSCROLLBAR     1056

// The match-count pane of a tree frame's status bar.
#define ID_INDICATOR_SEARCH   59144
