#include "server/app/AboutDlg.h"

#include "resources/resource.h"

CAboutDlg::CAboutDlg(CWnd* pParent) : CDialog(IDD_ABOUTBOX, pParent) {}
