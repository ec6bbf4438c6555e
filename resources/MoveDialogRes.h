// Resource identifiers of MoveDialog.rc: the move dialog of the tree views.
#pragma once

#define IDD_MOVEDIALOG             135
#define IDC_MOVE_ALLSELECT         1039
#define IDC_MOVE_NEXT              1049
#define IDC_MOVE_TOP               1050
#define IDC_MOVE_PREV              1051
#define IDC_MOVE_BOTTOM            1053
#define IDC_MOVE_HITLIST           1054
