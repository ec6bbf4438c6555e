// Frame windows, control bars and the status bar.
#include "framework/Frame.h"
#include "framework/App.h"
#include "framework/DocView.h"
#include <algorithm>

// --- CControlBar ---------------------------------------------------------------

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

CControlBar::~CControlBar() { DetachFromFrame(); }

void CControlBar::AttachToFrame(CWnd* pParentWnd) {
    DetachFromFrame();
    m_pFrame = dynamic_cast<CFrameWnd*>(pParentWnd);
    if (m_pFrame) m_pFrame->AddControlBar(this);
}

void CControlBar::DetachFromFrame() {
    if (m_pFrame) m_pFrame->RemoveControlBar(this);
    m_pFrame = nullptr;
}

void CControlBar::LayoutInFrame(RECT& rc) {
    RECT wr;
    GetWindowRect(&wr);
    const int h = wr.bottom - wr.top;
    const int w = rc.right - rc.left;
    if (m_dwBarStyle & CBRS_ALIGN_TOP) {
        ::MoveWindow(m_hWnd, rc.left, rc.top, w, h, TRUE);
        rc.top += h;
    } else {
        ::MoveWindow(m_hWnd, rc.left, rc.bottom - h, w, h, TRUE);
        rc.bottom -= h;
    }
    if (rc.bottom < rc.top) rc.bottom = rc.top;
}

LRESULT CControlBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCDESTROY) DetachFromFrame();
    return CWnd::WindowProc(message, wParam, lParam);
}

// --- CStatusBar --------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

namespace {

class CStatusCmdUI : public CCmdUI {
public:
    explicit CStatusCmdUI(CStatusBar* bar) : m_pBar(bar) {}
    void Enable(BOOL bOn) override {
        m_bEnableChanged = true;
        if (!bOn) m_pBar->SetPaneText(m_nIndex, L"");
    }
    void SetCheck(int nCheck) override {
        UINT id, style;
        int cx;
        m_pBar->GetPaneInfo(m_nIndex, id, style, cx);
        UINT next = nCheck ? (style | SBPS_POPOUT) : (style & ~SBPS_POPOUT);
        if (next != style) m_pBar->SetPaneInfo(m_nIndex, id, next, cx);
    }
    void SetText(LPCWSTR lpszText) override { m_pBar->SetPaneText(m_nIndex, lpszText); }
private:
    CStatusBar* m_pBar;
};

}  // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    if (!pParentWnd || !pParentWnd->m_hWnd) return FALSE;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    m_dwBarStyle = dwStyle & (CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM);
    if (!m_dwBarStyle) m_dwBarStyle = CBRS_ALIGN_BOTTOM;
    DWORD style = (dwStyle & ~(CBRS_ALIGN_TOP | CBRS_ALIGN_BOTTOM)) | WS_CHILD;
    if (pParentWnd->GetStyle() & WS_THICKFRAME) style |= SBARS_SIZEGRIP;
    if (!CreateEx(0, STATUSCLASSNAMEW, nullptr, style, 0, 0, 0, 0, pParentWnd->m_hWnd,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID))))
        return FALSE;
    AttachToFrame(pParentWnd);
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    if (!IsWindow() || nIDCount < 0 || (nIDCount && !lpIDArray)) return FALSE;
    m_panes.clear();
    HDC hdc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(hdc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    std::vector<std::wstring> texts;
    for (int i = 0; i < nIDCount; ++i) {
        Pane p{lpIDArray[i], SBPS_NORMAL, 100};
        std::wstring text;
        if (p.nID == ID_SEPARATOR) {
            if (i == 0) { p.nStyle = SBPS_STRETCH | SBPS_NOBORDERS; p.cxWidth = 0; }
        } else {
            text = AfxLoadString(p.nID);
            SIZE sz{};
            ::GetTextExtentPoint32W(hdc, text.c_str(), static_cast<int>(text.size()), &sz);
            p.cxWidth = sz.cx + 2 * ::GetSystemMetrics(SM_CXEDGE) + 8;
        }
        m_panes.push_back(p);
        texts.push_back(text);
    }
    if (old) ::SelectObject(hdc, old);
    ::ReleaseDC(m_hWnd, hdc);
    UpdateParts();
    for (int i = 0; i < nIDCount; ++i) SetPaneText(i, texts[i].c_str());
    return TRUE;
}

void CStatusBar::UpdateParts() {
    if (!IsWindow()) return;
    if (m_panes.empty()) {
        int all = -1;
        SendMessage(SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&all));
        return;
    }
    RECT rc;
    GetClientRect(&rc);
    int fixed = 0, stretch = 0;
    for (const Pane& p : m_panes) {
        if (p.nStyle & SBPS_STRETCH) ++stretch; else fixed += p.cxWidth;
    }
    int grip = (GetStyle() & SBARS_SIZEGRIP) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
    int spare = std::max(0, static_cast<int>(rc.right - rc.left) - fixed - grip);
    std::vector<int> rights;
    int x = 0;
    for (const Pane& p : m_panes) {
        x += (p.nStyle & SBPS_STRETCH) ? spare / std::max(1, stretch) : p.cxWidth;
        rights.push_back(x);
    }
    rights.back() = -1;
    SendMessage(SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCWSTR lpszNewText, BOOL) {
    if (!IsWindow() || nIndex < 0 || (!m_panes.empty() && nIndex >= static_cast<int>(m_panes.size())))
        return FALSE;
    UINT style = m_panes.empty() ? 0 : (m_panes[nIndex].nStyle & (SBT_NOBORDERS | SBT_POPOUT));
    return SendMessage(SB_SETTEXTW, static_cast<WPARAM>(nIndex) | style,
                       reinterpret_cast<LPARAM>(lpszNewText ? lpszNewText : L"")) != 0;
}

std::wstring CStatusBar::GetPaneText(int nIndex) const {
    if (!IsWindow() || nIndex < 0) return {};
    int len = LOWORD(SendMessage(SB_GETTEXTLENGTHW, nIndex));
    std::wstring s(len + 1, L'\0');
    SendMessage(SB_GETTEXTW, nIndex, reinterpret_cast<LPARAM>(s.data()));
    s.resize(wcslen(s.c_str()));
    return s;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth) {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) return;
    std::wstring text = GetPaneText(nIndex);
    m_panes[nIndex] = Pane{nID, nStyle, cxWidth};
    UpdateParts();
    SetPaneText(nIndex, text.c_str());
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const {
    if (nIndex < 0 || nIndex >= static_cast<int>(m_panes.size())) { nID = 0; nStyle = 0; cxWidth = 0; return; }
    nID = m_panes[nIndex].nID;
    nStyle = m_panes[nIndex].nStyle;
    cxWidth = m_panes[nIndex].cxWidth;
}

int CStatusBar::CommandToIndex(UINT nIDFind) const {
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].nID == nIDFind) return static_cast<int>(i);
    return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const {
    return (nIndex >= 0 && nIndex < static_cast<int>(m_panes.size())) ? m_panes[nIndex].nID : 0;
}

void CStatusBar::LayoutInFrame(RECT& rc) {
    if (!IsWindow()) return;
    SendMessage(WM_SIZE, 0, 0);  // the control places itself at its parent's edge
    RECT wr;
    GetWindowRect(&wr);
    const int h = wr.bottom - wr.top;
    if (m_dwBarStyle & CBRS_ALIGN_TOP) {
        ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, h, TRUE);
        rc.top += h;
    } else {
        rc.bottom -= h;
    }
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    UpdateParts();
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL) {
    for (size_t i = 0; i < m_panes.size(); ++i) {
        if (m_panes[i].nID == ID_SEPARATOR) continue;
        CStatusCmdUI ui(this);
        ui.m_nID = m_panes[i].nID;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_nIndexMax = static_cast<UINT>(m_panes.size());
        ui.m_hWndOther = m_hWnd;
        ui.DoUpdate(pTarget);
    }
}

// The prompt of a command: the first field of its string.
static std::wstring AfxCommandPromptText(UINT nID) {
    std::wstring s = nID ? AfxLoadString(nID) : std::wstring();
    return s.substr(0, s.find(L'\n'));
}

// --- CFrameWnd -------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd() {
    auto& frames = CWinThread::ThreadFrames();
    frames.erase(std::remove(frames.begin(), frames.end(), this), frames.end());
    for (CControlBar* bar : m_bars) bar->m_pFrame = nullptr;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext) {
    m_nIDResource = nIDResource;
    std::wstring strings = AfxLoadString(nIDResource);
    m_strTitle = strings.substr(0, strings.find(L'\n'));
    HINSTANCE hInst = AfxGetResourceHandle();
    HMENU hMenu = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDResource), RT_MENU)
                      ? ::LoadMenuW(hInst, MAKEINTRESOURCEW(nIDResource)) : nullptr;
    HACCEL hAccel = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDResource), RT_ACCELERATOR)
                        ? ::LoadAcceleratorsW(hInst, MAKEINTRESOURCEW(nIDResource)) : nullptr;
    m_hAccelTable = hAccel;
    m_pCreateContext = pContext;
    if (!CreateEx(0, nullptr, m_strTitle.c_str(), dwDefaultStyle, rectDefault, pParentWnd, 0, pContext)) {
        // The frame is gone with its failed window; only the menu is ours to free.
        if (hMenu) ::DestroyMenu(hMenu);
        return FALSE;
    }
    m_pCreateContext = nullptr;
    if (hMenu) ::SetMenu(m_hWnd, hMenu);  // destroyed with the window
    if (::FindResourceW(hInst, MAKEINTRESOURCEW(nIDResource), RT_GROUP_ICON)) {
        HICON big = static_cast<HICON>(::LoadImageW(hInst, MAKEINTRESOURCEW(nIDResource), IMAGE_ICON,
                                                    ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), LR_SHARED));
        HICON small = static_cast<HICON>(::LoadImageW(hInst, MAKEINTRESOURCEW(nIDResource), IMAGE_ICON,
                                                      ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        if (big) SetIcon(big, TRUE);
        if (small) SetIcon(small, FALSE);
    }
    return TRUE;
}

BOOL CFrameWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCWSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext) {
    HMENU hMenu = lpszMenuName ? ::LoadMenuW(AfxGetResourceHandle(), lpszMenuName) : nullptr;
    m_pCreateContext = pContext;
    if (!lpszWindowName) lpszWindowName = m_strTitle.c_str();
    else m_strTitle = lpszWindowName;
    int x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    if (rect.left == CW_USEDEFAULT) x = y = cx = cy = CW_USEDEFAULT;
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, cx, cy,
                  pParentWnd ? pParentWnd->m_hWnd : nullptr, hMenu, pContext)) {
        if (hMenu) ::DestroyMenu(hMenu);
        return FALSE;
    }
    m_pCreateContext = nullptr;
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (cs.style & FWS_ADDTOTITLE) cs.style |= FWS_PREFIXTITLE;
    return cs.lpszClass != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs) {
    auto& frames = CWinThread::ThreadFrames();
    if (std::find(frames.begin(), frames.end(), this) == frames.end()) frames.push_back(this);
    if (!OnCreateClient(lpcs, m_pCreateContext)) return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext) {
    if (pContext && pContext->m_pNewViewClass) return CreateView(pContext, AFX_IDW_PANE_FIRST) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID) {
    if (!pContext || !pContext->m_pNewViewClass) return nullptr;
    CObject* obj = pContext->m_pNewViewClass->CreateObject();
    auto* view = dynamic_cast<CWnd*>(obj);
    if (!view) {
        delete obj;
        return nullptr;
    }
    RECT rc{0, 0, 0, 0};
    // A failed creation has deleted the view (it owns itself).
    if (!view->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, rc, this, nID, pContext)) return nullptr;
    return view;
}

void CFrameWnd::RecalcLayout(BOOL) {
    if (m_bInRecalcLayout || !m_hWnd) return;
    m_bInRecalcLayout = true;
    RECT rc;
    GetClientRect(&rc);
    std::vector<CControlBar*> bars = m_bars;
    for (CControlBar* bar : bars)
        if (bar->m_hWnd && (bar->GetStyle() & WS_VISIBLE)) bar->LayoutInFrame(rc);
    if (HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST))
        ::MoveWindow(pane, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    m_bInRecalcLayout = false;
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL bNotify) {
    CView* old = m_pViewActive;
    if (old == pViewNew) return;
    m_pViewActive = pViewNew;
    if (bNotify) {
        if (old) old->OnActivateView(FALSE, pViewNew, old);
        if (pViewNew) pViewNew->OnActivateView(TRUE, pViewNew, old);
    }
}

CDocument* CFrameWnd::GetActiveDocument() {
    return m_pViewActive ? m_pViewActive->GetDocument() : nullptr;
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible) {
    CView* view = nullptr;
    if (!m_pViewActive) {
        view = dynamic_cast<CView*>(FromHandle(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST)));
        if (view) SetActiveView(view, FALSE);
    }
    RecalcLayout();
    if (bMakeVisible) {
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
        int nCmdShow = -1;
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == this && app->m_nCmdShow != -1) {
            nCmdShow = app->m_nCmdShow;
            app->m_nCmdShow = -1;
        }
        ActivateFrame(nCmdShow);
        if (view) view->OnActivateView(TRUE, view, view);
    }
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow) {
    if (nCmdShow == -1) {
        if (!IsWindowVisible()) nCmdShow = SW_SHOWNORMAL;
        else if (IsIconic()) nCmdShow = SW_RESTORE;
    }
    if (nCmdShow != -1) ShowWindow(nCmdShow);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle) {
    if (!m_hWnd) return;
    const DWORD style = GetStyle();
    CDocument* doc = GetActiveDocument();
    std::wstring title = m_strTitle;
    if (bAddToTitle && (style & FWS_ADDTOTITLE) && doc && !doc->GetTitle().empty()) {
        title = (style & FWS_PREFIXTITLE) ? doc->GetTitle() + L" - " + m_strTitle
                                          : m_strTitle + L" - " + doc->GetTitle();
    }
    if (GetWindowText() != title) SetWindowText(title.c_str());
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    std::vector<CControlBar*> bars = m_bars;
    for (CControlBar* bar : bars) {
        if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end()) continue;
        if (bar->m_hWnd && bar->IsWindowVisible()) bar->OnUpdateCmdUI(this, TRUE);
    }
}

void CFrameWnd::AddControlBar(CControlBar* pBar) {
    if (pBar && std::find(m_bars.begin(), m_bars.end(), pBar) == m_bars.end()) m_bars.push_back(pBar);
}

void CFrameWnd::RemoveControlBar(CControlBar* pBar) {
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), pBar), m_bars.end());
}

void CFrameWnd::SetMessageText(LPCWSTR lpszText) {
    if (auto* bar = dynamic_cast<CStatusBar*>(FromHandle(::GetDlgItem(m_hWnd, AFX_IDW_STATUS_BAR))))
        bar->SetPaneText(0, lpszText);
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
    if (CView* view = m_pViewActive; view && view->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) const {
    for (CControlBar* bar : m_bars)
        if (bar->m_hWnd && static_cast<UINT>(::GetDlgCtrlID(bar->m_hWnd)) == nID) return bar;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL) {
    if (!pBar || !pBar->m_hWnd) return;
    pBar->ShowWindow(bShow ? SW_SHOW : SW_HIDE);
    RecalcLayout();
}

bool CFrameWnd::OnCmd(UINT nID, int nCode) {
    if (nCode != CN_COMMAND || (nID != ID_VIEW_TOOLBAR && nID != ID_VIEW_STATUS_BAR)) return false;
    CControlBar* bar = GetControlBar(nID == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : AFX_IDW_STATUS_BAR);
    if (!bar) return false;
    ShowControlBar(bar, (bar->GetStyle() & WS_VISIBLE) == 0);
    return true;
}

bool CFrameWnd::OnUpdateCmd(CCmdUI* pCmdUI) {
    if (pCmdUI->m_nID != ID_VIEW_TOOLBAR && pCmdUI->m_nID != ID_VIEW_STATUS_BAR) return false;
    CControlBar* bar = GetControlBar(pCmdUI->m_nID == ID_VIEW_TOOLBAR ? AFX_IDW_TOOLBAR : AFX_IDW_STATUS_BAR);
    if (!bar) return false;
    pCmdUI->SetCheck((bar->GetStyle() & WS_VISIBLE) ? 1 : 0);
    return true;
}

namespace {
// Records what the update route says about one command.
class CProbeCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override { m_bEnableChanged = true; m_bEnabled = bOn != FALSE; }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCWSTR) override {}
    bool m_bEnabled = true;
};
}  // namespace

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Menus show their items' states when they open; an accelerator is
    // checked here, as it comes.
    if (lParam == 0 && HIWORD(wParam) == 1) {
        CProbeCmdUI probe;
        probe.m_nID = LOWORD(wParam);
        if (probe.DoUpdate(this) && !probe.m_bEnabled) return TRUE;  // disabled: not run
    }
    return CWnd::OnCommand(wParam, lParam);
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU) {
    if (nFlags == 0xFFFF) SetMessageText(L"");  // the menu closed
    else if (!(nFlags & (MF_POPUP | MF_SEPARATOR))) SetMessageText(AfxCommandPromptText(nItemID).c_str());
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (m_hAccelTable && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::TranslateAcceleratorW(m_hWnd, m_hAccelTable, pMsg);
    return FALSE;
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:          return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
    case WM_CLOSE:           OnClose(); return 0;
    case WM_DESTROY:         OnDestroy(); break;
    case WM_SIZE:            OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_SETFOCUS:        OnSetFocus(reinterpret_cast<HWND>(wParam)); return 0;
    case WM_INITMENUPOPUP:   OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_IDLEUPDATECMDUI: OnIdleUpdateCmdUI(); return 0;
    case WM_MENUSELECT:      OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam)); return 0;
    case WM_NCDESTROY: {
        auto& frames = CWinThread::ThreadFrames();
        frames.erase(std::remove(frames.begin(), frames.end(), this), frames.end());
        break;
    }
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CFrameWnd::OnClose() {
    CDocument* doc = GetActiveDocument();
    if (doc && !doc->CanCloseFrame(this)) return;
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this) {
        if (!doc && !app->SaveAllModified()) return;
        app->CloseAllDocuments(FALSE);
        if (app->m_pMainWnd == nullptr) return;  // closing the documents destroyed this frame
    }
    if (doc && doc->m_bAutoDelete) {
        // The document's last frame closes the document (and with it this frame).
        bool otherFrame = false;
        for (CView* v : doc->GetViews())
            if (v->GetParentFrame() != this) otherFrame = true;
        if (!otherFrame) {
            doc->OnCloseDocument();
            return;
        }
    }
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    m_pViewActive = nullptr;
}

void CFrameWnd::OnSize(UINT nType, int, int) {
    if (nType != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(HWND) {
    if (m_pViewActive && m_pViewActive->m_hWnd) m_pViewActive->SetFocus();
    else Default();
}

void CFrameWnd::OnInitMenuPopup(HMENU hMenu, UINT, BOOL bSysMenu) {
    if (bSysMenu || !hMenu) return;
    const int count = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(hMenu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or submenu
        CCmdUI ui;
        ui.m_hMenu = hMenu;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_nIndexMax = static_cast<UINT>(count);
        ui.m_nID = id;
        ui.DoUpdate(this);
    }
}
