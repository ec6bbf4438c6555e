// Resource identifiers of FindDialog.rc.
#pragma once

#define IDD_FINDDIALOG            133

#define IDC_FIND_CLIENT           1004
#define IDC_FIND_LABEL            1005
#define IDC_FIND_OBJECT           1006
#define IDC_FIND_PATH             1007
#define IDC_FIND_NAME             1008
#define IDC_FIND_EXTRACT_GROUP    1009
#define IDC_FIND_RESULTLIST       1019
#define IDC_FIND_COLORLIST        1020
#define IDC_FIND_OPERATOR1        1029
#define IDC_FIND_CURRENTVIEW      1030
#define IDC_FIND_RESULTVIEW       1031
#define IDC_FIND_OPERATOR2        1032
#define IDC_FIND_AND              1033
#define IDC_FIND_OR               1034
#define IDC_FIND_MATCHOBJECTS     1035
#define IDC_FIND_HIGHLIGHT_LABEL  1036
#define IDC_FIND_SEARCHOBJECTS    1037
#define IDC_FIND_TREE             1038
#define IDC_FIND_ALLSELECT        1039
#define IDC_FIND_TYPE1            1040
#define IDC_FIND_TYPE2            1041
#define IDC_FIND_DISPLAY_LABEL    1042
#define IDC_FIND_CASE1            1043
#define IDC_FIND_CASE2            1044
#define IDC_FIND_WINDOW_GROUP     1045
#define IDC_FIND_CONDITION_GROUP  1046
#define IDC_FIND_VALUE1_LABEL     1047
#define IDC_FIND_VALUE2_LABEL     1048
#define IDC_FIND_QUOTE1           1049
#define IDC_FIND_QUOTE2           1050
#define IDC_FIND_VALUE1           1051
#define IDC_FIND_VALUE2           1052
