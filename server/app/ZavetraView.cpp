#include "server/app/ZavetraView.h"
#include "framework/CommonDialogs.h"
#include "framework/Frame.h"
#include "server/app/AboutDlg.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"
#include "resources/MainFormRes.h"
#include <shellapi.h>
#include <climits>
#include <new>
#include <string>

IMPLEMENT_DYNCREATE(CZavetraView, CFormView)

CZavetraView::CZavetraView() : CFormView(IDD_MAINFORM) {
    m_listHighlight.m_nBaseItems = 0;
    m_listHighlight.m_nItemHeight = 0;
}

CZavetraView::~CZavetraView() {
    // The edits and spins are only attached: let them go without touching
    // their windows; the list gives its window back its own procedure.
    m_editNestLevel.Detach();
    m_spinNestLevel.Detach();
    m_editArrayRange.Detach();
    m_spinArrayRange.Detach();
    m_editTreeViewExpand.Detach();
    m_spinTreeViewExpand.Detach();
}

void CZavetraView::DoDataExchange() {
    if (m_editNestLevel.m_hWnd) return;
    m_editNestLevel.Attach(GetDlgItem(IDC_MAIN_NESTLEVEL));
    m_spinNestLevel.Attach(GetDlgItem(IDC_MAIN_NESTLEVEL_SPIN));
    m_editArrayRange.Attach(GetDlgItem(IDC_MAIN_ARRAYRANGE));
    m_spinArrayRange.Attach(GetDlgItem(IDC_MAIN_ARRAYRANGE_SPIN));
    m_editTreeViewExpand.Attach(GetDlgItem(IDC_MAIN_TREEEXPAND));
    m_spinTreeViewExpand.Attach(GetDlgItem(IDC_MAIN_TREEEXPAND_SPIN));
    m_listHighlight.SubclassDlgItem(IDC_MAIN_HIGHLIGHT, this);
}

void CZavetraView::OnInitialUpdate() {
    CFormView::OnInitialUpdate();
    DoDataExchange();

    if (CFrameWnd* pFrame = GetParentFrame()) {
        pFrame->RecalcLayout();
        ResizeParentToFit(TRUE);
    }

    CAppSettings::SettingsSection& s = CAppSettings::Get().Settings;
    // Each text runs its edit's filter at once, so a stored value that the
    // filter does not accept is replaced by the nearest bound here.
    CBstr text;
    text.SetInt(s.NestLevel);
    m_editNestLevel.SetWindowText(text);
    text.SetInt(s.ArrayRange);
    m_editArrayRange.SetWindowText(text);
    text.SetInt(s.TreeViewExpand);
    m_editTreeViewExpand.SetWindowText(text);

    int lo = 0, hi = 0;
    EffectiveBounds(s.NestLevel_Max, s.NestLevel_Min, lo, hi);
    m_spinNestLevel.SetRange32(lo, hi);
    EffectiveBounds(s.ArrayRange_Max, s.ArrayRange_Min, lo, hi);
    m_spinArrayRange.SetRange32(lo, hi);
    EffectiveBounds(s.TreeViewExpand_Max, s.TreeViewExpand_Min, lo, hi);
    m_spinTreeViewExpand.SetRange32(lo, hi);

    FillColorList();
}

void CZavetraView::FillColorList() {
    m_listHighlight.ResetContent();
    m_listHighlight.FitItems(SETTINGS_HIGHLIGHTS);
    for (int i = 0; i < SETTINGS_HIGHLIGHTS; ++i) {
        const int n = m_listHighlight.AddString(L"");
        if (n >= 0) m_listHighlight.SetItemData(n, static_cast<DWORD_PTR>(i));
    }
    m_listHighlight.SetCurSel(0);
}

LRESULT CZavetraView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The form keeps the size of its template: no scroll sizes, no scroll bars.
    if (message == WM_SIZE) return DefWindowProc(message, wParam, lParam);
    return CFormView::WindowProc(message, wParam, lParam);
}

bool CZavetraView::OnCmd(UINT nID, int nCode) {
    if (nCode == EN_CHANGE) {
        switch (nID) {
        case IDC_MAIN_NESTLEVEL:   OnEnChangeNestLevel(); return true;
        case IDC_MAIN_ARRAYRANGE:  OnEnChangeArrayRange(); return true;
        case IDC_MAIN_TREEEXPAND:  OnEnChangeTreeViewExpand(); return true;
        }
        return CFormView::OnCmd(nID, nCode);
    }
    if (nCode == LBN_DBLCLK && nID == IDC_MAIN_HIGHLIGHT) {
        OnLbnDblclkHighlight();
        return true;
    }
    if (nCode == BN_CLICKED) {
        switch (nID) {
        case IDC_MAIN_FONT_LOGVIEW:    OnBnClickedLogView(); return true;
        case IDC_MAIN_FONT_RESULTVIEW: OnBnClickedResultView(); return true;
        case IDC_MAIN_FONT_OBJINFO:    OnBnClickedObjInfoView(); return true;
        case IDC_MAIN_FONT_EXTRACT:    OnBnClickedExtractDialog(); return true;
        case IDC_MAIN_FONT_FIND:
        case IDC_MAIN_FONT_MOVING:     OnBnClickedFindDialog(); return true;
        case IDC_MAIN_CHANGE:          OnBnClickedChange(); return true;
        case IDC_MAIN_WARNING:         OnBnClickedWarning(); return true;
        case IDC_MAIN_OBJINFO_COLOR:   OnBnClickedObjInfo(); return true;
        case IDC_MAIN_QUIT:            OnBnClickedQuit(); return true;
        case IDC_MAIN_VER:             OnBnClickedVer(); return true;
        case IDC_MAIN_HELP:            OnHelp(); return true;
        }
    }
    return CFormView::OnCmd(nID, nCode);
}

// --- number edits ------------------------------------------------------------

void CZavetraView::EffectiveBounds(int nMax, int nMin, int& nLow, int& nHigh) {
    nHigh = nMax < 0 ? INT_MAX : nMax;
    nLow = nMin < 0 ? 0 : nMin;
    if (nLow > nHigh) nLow = nHigh;
}

int CZavetraView::FilterNumber(LPCWSTR pszText, int nMax, int nMin, CBstr& rText) {
    if (!pszText) pszText = L"";
    std::wstring digits;
    bool bRemoved = false;
    try {
        for (LPCWSTR p = pszText; *p; ++p) {
            if (*p >= L'0' && *p <= L'9') digits.push_back(*p);
            else bRemoved = true;
        }
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
    if (bRemoved) {
        rText = digits.c_str();
        return -1;
    }

    // The number of the digits, held above INT_MAX once it gets that large;
    // the empty text is 0.
    long long nValue = 0;
    for (wchar_t c : digits) {
        nValue = nValue * 10 + (c - L'0');
        if (nValue > INT_MAX) { nValue = static_cast<long long>(INT_MAX) + 1; break; }
    }

    int lo = 0, hi = 0;
    EffectiveBounds(nMax, nMin, lo, hi);
    if (nValue < lo) {
        rText.SetInt(lo);
        return -1;
    }
    if (nValue > hi) {
        rText.SetInt(hi);
        return -1;
    }
    return static_cast<int>(nValue);
}

int CZavetraView::FilterNumberText(const CEdit& edit, int nMax, int nMin, CBstr& rText) const {
    std::wstring text;
    try {
        text = edit.GetWindowText();
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
    return FilterNumber(text.c_str(), nMax, nMin, rText);
}

void CZavetraView::OnNumberChange(CEdit& edit, int& nValue, int nMax, int nMin) {
    if (!edit.m_hWnd) return;   // a notification while the form is being made
    CBstr text;
    const int n = FilterNumberText(edit, nMax, nMin, text);
    if (n >= 0) {
        nValue = n;
        return;
    }
    // The corrected text raises a new change, which the filter accepts.
    edit.SetWindowText(text);
}

void CZavetraView::OnEnChangeNestLevel() {
    CAppSettings::SettingsSection& s = CAppSettings::Get().Settings;
    OnNumberChange(m_editNestLevel, s.NestLevel, s.NestLevel_Max, s.NestLevel_Min);
}

void CZavetraView::OnEnChangeArrayRange() {
    CAppSettings::SettingsSection& s = CAppSettings::Get().Settings;
    OnNumberChange(m_editArrayRange, s.ArrayRange, s.ArrayRange_Max, s.ArrayRange_Min);
}

void CZavetraView::OnEnChangeTreeViewExpand() {
    CAppSettings::SettingsSection& s = CAppSettings::Get().Settings;
    OnNumberChange(m_editTreeViewExpand, s.TreeViewExpand, s.TreeViewExpand_Max, s.TreeViewExpand_Min);
}

// --- fonts -------------------------------------------------------------------

void CZavetraView::EditFont(LOGFONTW& lf, UINT nMessage) {
    CFontDialog dlg(&lf, CF_SCREENFONTS | CF_NOVERTFONTS, nullptr, this);
    if (dlg.DoModal() == IDOK) PostToFrame(nMessage);
}

void CZavetraView::OnBnClickedLogView() {
    EditFont(CAppSettings::Get().Font.LogView, UM_LOGVIEW_FONT_CHANGED);
}

void CZavetraView::OnBnClickedResultView() {
    EditFont(CAppSettings::Get().Font.ResultView, UM_RESULTVIEW_FONT_CHANGED);
}

void CZavetraView::OnBnClickedObjInfoView() {
    EditFont(CAppSettings::Get().Font.ObjInfoWindow, UM_OBJINFO_FONT_CHANGED);
}

void CZavetraView::OnBnClickedExtractDialog() {
    EditFont(CAppSettings::Get().Font.ExtractDialog, UM_EXTRACTDIALOG_FONT_CHANGED);
}

void CZavetraView::OnBnClickedFindDialog() {
    EditFont(CAppSettings::Get().Font.FindDialog, UM_FINDDIALOG_FONT_CHANGED);
}

// --- colours -----------------------------------------------------------------

void CZavetraView::OnBnClickedChange() {
    CAppSettings& settings = CAppSettings::Get();
    const int nSel = m_listHighlight.GetCurSel();
    DWORD_PTR nIndex = SETTINGS_HIGHLIGHTS;
    if (nSel >= 0) nIndex = m_listHighlight.GetItemData(nSel);
    const COLORREF clrInit = nIndex < SETTINGS_HIGHLIGHTS ? settings.Font.Highlight[nIndex] : RGB(0, 0, 0);

    CColorDialog dlg(clrInit, CC_FULLOPEN, this);
    if (dlg.DoModal() != IDOK) return;
    if (nIndex < SETTINGS_HIGHLIGHTS) settings.Font.Highlight[nIndex] = dlg.GetColor();
    m_listHighlight.Invalidate(FALSE);
    PostToFrame(UM_COLORS_CHANGED);
}

void CZavetraView::OnLbnDblclkHighlight() {
    OnBnClickedChange();
}

void CZavetraView::OnBnClickedWarning() {
    CAppSettings& settings = CAppSettings::Get();
    CColorDialog dlg(settings.Font.Color[0], CC_FULLOPEN, this);
    if (dlg.DoModal() != IDOK) return;
    settings.Font.Color[0] = dlg.GetColor();
    CAppSettings::ReplaceBrush(settings.WarningBrush, settings.Font.Color[0]);
    PostToFrame(UM_COLORS_CHANGED);
}

void CZavetraView::OnBnClickedObjInfo() {
    CAppSettings& settings = CAppSettings::Get();
    CColorDialog dlg(settings.Font.Color[1], CC_FULLOPEN, this);
    if (dlg.DoModal() != IDOK) return;
    settings.Font.Color[1] = dlg.GetColor();
    // No message: the log view takes the new brush at its next paint.
    CAppSettings::ReplaceBrush(settings.ObjInfoBrush, settings.Font.Color[1]);
}

// --- Quit, About, Help ------------------------------------------------------

void CZavetraView::OnBnClickedQuit() {
    PostToFrame(WM_CLOSE);
}

void CZavetraView::OnBnClickedVer() {
    CAboutDlg dlg(this);
    dlg.DoModal();
}

void CZavetraView::OnHelp() {
    WCHAR szPath[MAX_PATH];
    const DWORD n = ::GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;   // failed, or the path did not fit
    std::wstring path;
    try {
        path.assign(szPath, n);
        const size_t slash = path.rfind(L'\\');
        path.erase(slash == std::wstring::npos ? 0 : slash + 1);
        path += L"Help.pdf";
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
    // A missing document or viewer shows nothing.
    ::ShellExecuteW(m_hWnd, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CZavetraView::PostToFrame(UINT nMessage) const {
    HWND hFrame = nullptr;
    if (CFrameWnd* pFrame = GetParentFrame()) hFrame = pFrame->m_hWnd;
    if (!hFrame) hFrame = GetParentHwnd();
    if (hFrame) ::PostMessageW(hFrame, nMessage, 0, 0);
}
