// The About box: the application icon, the product name and version, OK.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr);
};
