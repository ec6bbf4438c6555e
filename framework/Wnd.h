// CWnd: the C++ object of one window.
//
// A window made by Create/CreateEx of a framework class is bound to its object
// at WM_NCCREATE (`this` travels in lpCreateParams); an existing window (a
// control of a dialog) is bound by SubclassWindow/SubclassDlgItem, the object
// riding in the subclass data; a dialog is bound at WM_INITDIALOG. Every
// message then reaches the virtual WindowProc, which derived classes override
// with one switch (message -> handler) and a fall-through to the base class;
// CWnd::WindowProc ends in DefWindowProc, the right default for the kind of
// window (original procedure of a subclassed control, ::DefWindowProc, or the
// dialog manager's default).
//
// Notifications of a child (WM_COMMAND from a control, WM_NOTIFY,
// WM_DRAWITEM, WM_MEASUREITEM, WM_COMPAREITEM, WM_DELETEITEM, WM_CTLCOLOR*,
// scroll messages of a scroll bar, WM_VKEYTOITEM/WM_CHARTOITEM) are first
// offered to the child's own object (OnChildNotify), then handled by the
// parent (OnCommand, OnNotify, or the default).
//
// Exceptions: every trampoline catches what escapes a handler, hands it to
// CWinThread::ProcessWndProcException of the calling thread and returns what
// that gives (a safe default: -1 for WM_CREATE, 0 otherwise).
#pragma once
#include "framework/Object.h"
#include <string>

class CFrameWnd;
class CCreateContext;

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // Destroys a window this object created; a subclassed window is given back
    // its own procedure and left alive.
    ~CWnd() override;

    // The object bound to a window of this process, or null.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd) { return FromHandle(hWnd); }

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }

    // --- creation -------------------------------------------------------
    // lpszClassName null: the framework's own class. A system class ("LISTBOX",
    // WC_TREEVIEW...) is created and then subclassed, so its object sees every
    // message after CreateWindowEx returns.
    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  CCreateContext* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
    // May change the CREATESTRUCT before the window is made; FALSE cancels.
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual BOOL DestroyWindow();

    // Binds an existing window of this thread to this object.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    // Only holds the handle (no binding, no ownership): the wrapper then just
    // sends messages to it.
    BOOL Attach(HWND hWnd);
    HWND Detach();

    // --- messages ---------------------------------------------------------
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default for this kind of window.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default for the message being handled now.
    LRESULT Default();
    // WM_COMMAND: the control's object first, then OnCmdMsg (menu and
    // accelerator commands arrive as CN_COMMAND). TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY after the control's own object did not take it.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // A notification reflected from the parent to this control's object.
    // Return TRUE with *pResult to stop it there.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Offered every message of the thread's loop that is meant for this window
    // or its children, before it is translated and dispatched.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Called after the window is gone (WM_NCDESTROY); objects that own
    // themselves delete themselves here.
    virtual void PostNcDestroy() {}

    // --- helpers ----------------------------------------------------------
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE) const;

    BOOL ShowWindow(int nCmdShow) const { return ::ShowWindow(m_hWnd, nCmdShow); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) const { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
    BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
    BOOL UpdateWindow() const { return ::UpdateWindow(m_hWnd); }
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE) const { ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    void MoveWindow(const RECT& rc, BOOL bRepaint = TRUE) const { MoveWindow(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, bRepaint); }
    BOOL SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) const { return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags); }
    void GetWindowRect(RECT* pRect) const { ::GetWindowRect(m_hWnd, pRect); }
    void GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }
    void ScreenToClient(RECT* pRect) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(pRect), 2); }
    void ClientToScreen(RECT* pRect) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(pRect), 2); }
    void ScreenToClient(POINT* pPoint) const { ::ScreenToClient(m_hWnd, pPoint); }
    void ClientToScreen(POINT* pPoint) const { ::ClientToScreen(m_hWnd, pPoint); }
    BOOL GetWindowPlacement(WINDOWPLACEMENT* pwp) const { pwp->length = sizeof(*pwp); return ::GetWindowPlacement(m_hWnd, pwp); }
    BOOL SetWindowPlacement(const WINDOWPLACEMENT* pwp) const { return ::SetWindowPlacement(m_hWnd, pwp); }
    void SetWindowText(LPCWSTR lpszString) const { ::SetWindowTextW(m_hWnd, lpszString); }
    std::wstring GetWindowText() const;
    int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
    void SetFont(HFONT hFont, BOOL bRedraw = TRUE) const { SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void Invalidate(BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, bErase); }
    void InvalidateRect(const RECT* pRect, BOOL bErase = TRUE) const { ::InvalidateRect(m_hWnd, pRect, bErase); }
    BOOL RedrawWindow(const RECT* pRect = nullptr, HRGN hRgn = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE) const { return ::RedrawWindow(m_hWnd, pRect, hRgn, flags); }
    void SetRedraw(BOOL bRedraw = TRUE) const { SendMessage(WM_SETREDRAW, bRedraw); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    BOOL SetForegroundWindow() const { return ::SetForegroundWindow(m_hWnd); }
    HWND SetActiveWindow() const { return ::SetActiveWindow(m_hWnd); }
    void BringWindowToTop() const { ::BringWindowToTop(m_hWnd); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) const { return static_cast<int>(::SetWindowLongPtrW(m_hWnd, GWLP_ID, nID)); }
    void SetDlgItemText(int nID, LPCWSTR lpszString) const { ::SetDlgItemTextW(m_hWnd, nID, lpszString); }
    std::wstring GetDlgItemText(int nID) const;
    void SetDlgItemInt(int nID, UINT nValue, BOOL bSigned = TRUE) const { ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned); }
    UINT GetDlgItemInt(int nID, BOOL* lpTrans = nullptr, BOOL bSigned = TRUE) const { return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned); }
    void CheckDlgButton(int nID, UINT nCheck) const { ::CheckDlgButton(m_hWnd, nID, nCheck); }
    UINT IsDlgButtonChecked(int nID) const { return ::IsDlgButtonChecked(m_hWnd, nID); }
    HWND GetParentHwnd() const { return ::GetParent(m_hWnd); }
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    HWND GetOwnerHwnd() const { return ::GetWindow(m_hWnd, GW_OWNER); }
    // The frame window that holds this window (the nearest CFrameWnd parent).
    CFrameWnd* GetParentFrame() const;
    // The top-level frame of this window (itself when it is one).
    CFrameWnd* GetTopLevelFrame() const;
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) const;
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0) const;
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    BOOL SetMenu(HMENU hMenu) const { return ::SetMenu(m_hWnd, hMenu); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon) const { return reinterpret_cast<HICON>(SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon))); }
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse) const { return ::SetTimer(m_hWnd, nIDEvent, nElapse, nullptr); }
    BOOL KillTimer(UINT_PTR nIDEvent) const { return ::KillTimer(m_hWnd, nIDEvent); }
    HWND SetCapture() const { return ::SetCapture(m_hWnd); }
    BOOL IsChild(HWND hWnd) const { return ::IsChild(m_hWnd, hWnd); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // The message being handled by this thread's innermost WindowProc.
    static const MSG* GetCurrentMessage();

    // *pFlag becomes true when the framework is about to call PostNcDestroy
    // (after which a self-owning object is gone). A failed Create/CreateEx
    // also ends in PostNcDestroy, so a failed creation of a frame, view or
    // self-deleting dialog has already deleted the object. Null stops watching.
    void WatchDestruction(bool* pFlag) { m_pbDestroyed = pFlag; }

protected:
    // Children's notifications: gives the child's object the first say.
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Dialog-based windows (CDialog, CFormView): create a modeless dialog from
    // a template, bound to this object at WM_INITDIALOG.
    BOOL CreateDlgIndirect(const DLGTEMPLATE* pTemplate, HWND hWndParent);
    INT_PTR RunModalDlgIndirect(const DLGTEMPLATE* pTemplate, HWND hWndOwner);

    // How this object is bound to its window.
    enum class Binding : unsigned char { None, Own, Subclassed, Dialog, Attached };
    Binding m_binding = Binding::None;
    bool m_bOwnsWindow = false;      // made by Create/CreateEx
    // Set to true by the framework just before PostNcDestroy (which may delete
    // the object); creators that need to know watch it.
    bool* m_pbDestroyed = nullptr;

    friend struct WndInternals;
};

// Registers (once) a framework window class with the given class style,
// cursor, background and icon; returns its name. Windows of the class are
// created by CWnd::Create/CreateEx.
LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                            HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);

// The module that holds the resources (the executable).
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// A string resource as a std::wstring (empty when there is none).
std::wstring AfxLoadString(UINT nID);
