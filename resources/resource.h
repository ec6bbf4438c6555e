// Resource identifiers of Zavetra.rc.
#pragma once

#define IDS_OLE_INIT_FAILED   100
#define IDR_MAINFRAME         128
#define IDR_LOGVIEW           131
#define IDR_RESULTVIEW        132
#define IDR_OBJINFOVIEW       145
#define IDD_ABOUTBOX          100
#define IDR_APPID             103
#define IDR_CONNECT           104
#define IDS_APP_TITLE         57344

#define ID_APP_EXIT           0xE141

#define IDC_ABOUT_ICON        1000
#define IDC_ABOUT_TEXT        1001
