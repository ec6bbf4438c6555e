// Resource ids of the framework tests (kept clear of the program's own).
#pragma once
#define IDD_FWTEST_DIALOG   9001
#define IDD_FWTEST_FORM     9002
#define IDR_FWTEST_DOC      9010
#define IDS_FWTEST_PANE     9020
#define IDC_FWTEST_LIST     9101
#define IDC_FWTEST_EDIT     9102
#define IDC_FWTEST_BUTTON   9201
#define IDC_FWTEST_FORMEDIT 9202
