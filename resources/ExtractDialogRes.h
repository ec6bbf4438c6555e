// Resource identifiers of ExtractDialog.rc: the extract dialog.
#pragma once

#define IDD_EXTRACTDIALOG          131
#define IDC_EXTRACT_TREE           1000
#define IDC_EXTRACT_CLIENT         1004
#define IDC_EXTRACT_LABEL          1005
#define IDC_EXTRACT_OBJECT         1006
#define IDC_EXTRACT_PATH           1007
#define IDC_EXTRACT_NAME           1008
#define IDC_EXTRACT_GROUP          1009
#define IDC_EXTRACT_RESULTLIST     1019
#define IDC_EXTRACT_RESULTLABEL    1023
