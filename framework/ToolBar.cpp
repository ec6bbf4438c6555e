// The toolbar bar and popup menus.
#include "framework/ToolBar.h"
#include "framework/App.h"
#include <algorithm>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

namespace {

// A button's state set through the command route.
class CToolCmdUI : public CCmdUI {
public:
    explicit CToolCmdUI(CToolBar* bar) : m_pBar(bar) {}
    void Enable(BOOL bOn) override {
        m_bEnableChanged = true;
        m_pBar->EnableButton(m_nID, bOn);
    }
    void SetCheck(int nCheck) override {
        m_pBar->SendMessage(TB_CHECKBUTTON, m_nID, MAKELPARAM(nCheck ? TRUE : FALSE, 0));
    }
    void SetText(LPCWSTR) override {}

private:
    CToolBar* m_pBar;
};

// The image colour that stands for "no image here" in toolbar bitmaps.
constexpr COLORREF kMaskColor = RGB(255, 0, 255);

}  // namespace

std::wstring AfxCommandPrompt(UINT nID, int nField) {
    std::wstring s = AfxLoadString(nID);
    size_t nl = s.find(L'\n');
    if (nField == 0) return nl == std::wstring::npos ? s : s.substr(0, nl);
    return nl == std::wstring::npos ? std::wstring() : s.substr(nl + 1);
}

BOOL AfxTrackPopupMenu(HMENU hMenu, UINT nFlags, int x, int y, CWnd* pOwner) {
    if (!hMenu || !pOwner || !pOwner->m_hWnd) return FALSE;
    // The command comes back as the result, so that it reaches the owner
    // even when the menu's own WM_COMMAND would go astray.
    UINT nCmd = static_cast<UINT>(::TrackPopupMenu(hMenu, nFlags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0,
                                                   pOwner->m_hWnd, nullptr));
    if (nCmd == 0) return FALSE;
    ::SendMessageW(pOwner->m_hWnd, WM_COMMAND, MAKEWPARAM(nCmd, 0), 0);
    return TRUE;
}

CToolBar::~CToolBar() {
    if (m_hWnd) DestroyWindow();
    if (m_hImages) ::ImageList_Destroy(m_hImages);
}

BOOL CToolBar::CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle, DWORD dwStyle, RECT, UINT nID) {
    if (!pParentWnd || !pParentWnd->m_hWnd) return FALSE;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    const DWORD barBits = CBRS_ALIGN_ANY | CBRS_BORDER_BOTTOM | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY |
                          CBRS_SIZE_DYNAMIC;
    m_dwBarStyle = dwStyle & barBits;
    if (!(m_dwBarStyle & CBRS_ALIGN_ANY)) m_dwBarStyle |= CBRS_ALIGN_TOP;
    DWORD style = (dwStyle & ~barBits & 0xFFFF0000u) | WS_CHILD | (dwCtrlStyle & 0xFFFF) | CCS_NODIVIDER |
                  CCS_NOPARENTALIGN | CCS_NORESIZE;
    if (m_dwBarStyle & CBRS_TOOLTIPS) style |= TBSTYLE_TOOLTIPS;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 0, 0, pParentWnd->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID))))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    AttachToFrame(pParentWnd);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT nIDResource) {
    if (!IsWindow()) return FALSE;
    HINSTANCE hInst = AfxGetResourceHandle();
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDResource), RT_TOOLBAR);
    if (!hRes) return FALSE;
    HGLOBAL hGlobal = ::LoadResource(hInst, hRes);
    const auto* data = static_cast<const WORD*>(hGlobal ? ::LockResource(hGlobal) : nullptr);
    const DWORD cb = ::SizeofResource(hInst, hRes);
    if (!data || cb < 8 || data[0] != 1 || 8u + 2u * data[3] > cb) return FALSE;
    const int cx = data[1], cy = data[2], count = data[3];
    const WORD* ids = data + 4;

    HBITMAP hBmp = static_cast<HBITMAP>(::LoadImageW(hInst, MAKEINTRESOURCEW(nIDResource), IMAGE_BITMAP, 0, 0,
                                                     LR_CREATEDIBSECTION));
    if (!hBmp) return FALSE;
    HIMAGELIST hImages = ::ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, count, 0);
    if (!hImages) {
        ::DeleteObject(hBmp);
        return FALSE;
    }
    ::ImageList_AddMasked(hImages, hBmp, kMaskColor);
    ::DeleteObject(hBmp);

    // Buttons already there go first (a second load replaces them).
    while (SendMessage(TB_BUTTONCOUNT, 0, 0) > 0) SendMessage(TB_DELETEBUTTON, 0, 0);
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(hImages));
    if (m_hImages) ::ImageList_Destroy(m_hImages);
    m_hImages = hImages;
    m_sizeButton = SIZE{cx, cy};

    std::vector<TBBUTTON> buttons(count);
    int image = 0;
    for (int i = 0; i < count; ++i) {
        TBBUTTON& b = buttons[i];
        b = TBBUTTON{};
        if (ids[i] == 0) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = 6;
        } else {
            b.iBitmap = image++;
            b.idCommand = ids[i];
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON;
            b.iString = -1;
        }
    }
    if (count && !SendMessage(TB_ADDBUTTONSW, count, reinterpret_cast<LPARAM>(buttons.data()))) return FALSE;
    SendMessage(TB_AUTOSIZE, 0, 0);
    if (m_pFrame) m_pFrame->RecalcLayout();
    return TRUE;
}

int CToolBar::GetCount() const {
    return IsWindow() ? static_cast<int>(SendMessage(TB_BUTTONCOUNT, 0, 0)) : 0;
}

UINT CToolBar::GetItemID(int nIndex) const {
    TBBUTTON b{};
    if (!IsWindow() || !SendMessage(TB_GETBUTTON, nIndex, reinterpret_cast<LPARAM>(&b))) return 0;
    return (b.fsStyle & BTNS_SEP) ? 0 : static_cast<UINT>(b.idCommand);
}

int CToolBar::CommandToIndex(UINT nIDFind) const {
    return IsWindow() ? static_cast<int>(SendMessage(TB_COMMANDTOINDEX, nIDFind, 0)) : -1;
}

BOOL CToolBar::EnableButton(UINT nID, BOOL bEnable) {
    return IsWindow() && SendMessage(TB_ENABLEBUTTON, nID, MAKELPARAM(bEnable ? TRUE : FALSE, 0)) != 0;
}

BOOL CToolBar::IsButtonEnabled(UINT nID) const {
    return IsWindow() && SendMessage(TB_ISBUTTONENABLED, nID, 0) != 0;
}

BOOL CToolBar::IsButtonChecked(UINT nID) const {
    return IsWindow() && SendMessage(TB_ISBUTTONCHECKED, nID, 0) != 0;
}

void CToolBar::LayoutInFrame(RECT& rc) {
    if (!IsWindow()) return;
    // The control's own height for its buttons, the frame's width.
    RECT rcButton{};
    int h = 0;
    const int n = GetCount();
    if (n > 0 && SendMessage(TB_GETITEMRECT, n - 1, reinterpret_cast<LPARAM>(&rcButton))) h = rcButton.bottom;
    if (h <= 0) h = m_sizeButton.cy + 7;
    h += (m_dwBarStyle & CBRS_BORDER_BOTTOM) ? 4 : 2;
    const int w = rc.right - rc.left;
    if (m_dwBarStyle & CBRS_ALIGN_BOTTOM) {
        ::MoveWindow(m_hWnd, rc.left, rc.bottom - h, w, h, TRUE);
        rc.bottom -= h;
    } else {
        ::MoveWindow(m_hWnd, rc.left, rc.top, w, h, TRUE);
        rc.top += h;
    }
    if (rc.bottom < rc.top) rc.bottom = rc.top;
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* pTarget, BOOL) {
    const int n = GetCount();
    for (int i = 0; i < n; ++i) {
        const UINT id = GetItemID(i);
        if (id == 0) continue;
        CToolCmdUI ui(this);
        ui.m_nID = id;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_nIndexMax = static_cast<UINT>(n);
        ui.m_hWndOther = m_hWnd;
        ui.DoUpdate(pTarget);
    }
}

BOOL CToolBar::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    // Fly-by prompts: the hot button's prompt in the frame's message pane.
    if (message == WM_NOTIFY && (m_dwBarStyle & CBRS_FLYBY) && m_pFrame) {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->code == TBN_HOTITEMCHANGE) {
            auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
            m_pFrame->SetMessageText((hot->dwFlags & HICF_LEAVING) ? L"" : AfxCommandPrompt(hot->idNew, 0).c_str());
            *pResult = 0;
            return TRUE;
        }
    }
    return FALSE;
}

LRESULT CToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        // The tooltip asks the toolbar for a button's text.
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (info->hdr.code == TTN_GETDISPINFOW) {
            std::wstring tip = AfxCommandPrompt(static_cast<UINT>(info->hdr.idFrom), 1);
            lstrcpynW(info->szText, tip.c_str(), static_cast<int>(std::size(info->szText)));
            info->lpszText = info->szText;
            info->hinst = nullptr;
            return 0;
        }
        break;
    }
    case WM_NCDESTROY:
        if (m_hImages) {
            LRESULT r = CControlBar::WindowProc(message, wParam, lParam);
            ::ImageList_Destroy(m_hImages);
            m_hImages = nullptr;
            return r;
        }
        break;
    }
    return CControlBar::WindowProc(message, wParam, lParam);
}
