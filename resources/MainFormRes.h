// Resource identifiers of MainForm.rc: the main settings form.
#pragma once

#define IDD_MAINFORM              101

#define IDC_MAIN_NESTLEVEL        1012
#define IDC_MAIN_NESTLEVEL_SPIN   1013
#define IDC_MAIN_ARRAYRANGE       1014
#define IDC_MAIN_ARRAYRANGE_SPIN  1015
#define IDC_MAIN_TREEEXPAND       1016
#define IDC_MAIN_TREEEXPAND_SPIN  1017
#define IDC_MAIN_FONT_LOGVIEW     1018
#define IDC_MAIN_FONT_EXTRACT     1019
#define IDC_MAIN_FONT_RESULTVIEW  1020
#define IDC_MAIN_FONT_FIND        1021
#define IDC_MAIN_HIGHLIGHT        1022
#define IDC_MAIN_FONT_MOVING      1023
#define IDC_MAIN_FONT_OBJINFO     1024
#define IDC_MAIN_QUIT             1049
#define IDC_MAIN_CHANGE           1050
#define IDC_MAIN_WARNING          1051
#define IDC_MAIN_VER              1052
#define IDC_MAIN_HELP             1053
#define IDC_MAIN_OBJINFO_COLOR    1054
#define IDC_MAIN_GROUP_FONT       1057
#define IDC_MAIN_GROUP_HIGHLIGHT  1058
#define IDC_MAIN_GROUP_COLOR      1059
