// The system's font and colour dialogs.
#pragma once
#include "framework/Wnd.h"
#include <commdlg.h>

class CFontDialog {
public:
    // lplfInitial: the font shown first, and where OK writes the choice.
    explicit CFontDialog(LOGFONTW* lplfInitial = nullptr, DWORD dwFlags = CF_SCREENFONTS,
                         HDC hdcPrinter = nullptr, CWnd* pParentWnd = nullptr);
    // IDOK (and *lplfInitial written) or IDCANCEL.
    INT_PTR DoModal();
    void GetCurrentFont(LOGFONTW* lplf) const { *lplf = m_lf; }
    COLORREF GetColor() const { return m_cf.rgbColors; }

    CHOOSEFONTW m_cf{};
    LOGFONTW m_lf{};
private:
    LOGFONTW* m_plfTarget;
    CWnd* m_pParentWnd;
};

class CColorDialog {
public:
    explicit CColorDialog(COLORREF clrInit = 0, DWORD dwFlags = 0, CWnd* pParentWnd = nullptr);
    INT_PTR DoModal();   // IDOK or IDCANCEL
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF clr) { m_cc.rgbResult = clr; }

    CHOOSECOLORW m_cc{};
    static COLORREF* GetSavedCustomColors();  // the 16 custom colours of the process
private:
    CWnd* m_pParentWnd;
};
