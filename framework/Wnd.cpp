// The window core: binding objects to windows, the three trampolines
// (window procedure of the framework's classes, subclass procedure of bound
// controls, dialog procedure), reflection of child notifications.
#include "framework/Wnd.h"
#include "framework/App.h"
#include "framework/Frame.h"
#include <commctrl.h>
#include <mutex>
#include <set>
#include <unordered_map>

namespace {

constexpr wchar_t kClassPrefix[] = L"ZvWnd:";

thread_local MSG t_msgCur{};          // the message of the innermost WindowProc
thread_local CWnd* t_pWndInit = nullptr;  // the object whose window is being created
thread_local bool t_bDlgDefault = false;  // a dialog's DefWindowProc was reached

bool IsFrameworkClass(LPCWSTR name) {
    if (!name || IS_INTRESOURCE(name)) return false;
    return wcsncmp(name, kClassPrefix, wcslen(kClassPrefix)) == 0;
}

// The bound windows of the process: the object of each and, for a
// subclassed control, the procedure it had before. Every message of a
// subclassed control and every notification a parent offers its child
// looks here, so it is a hash table read under a shared lock: a window
// property or the common controls' subclass chain would cost a round trip
// to the window server per message under Wine.
class CBoundWindows {
public:
    struct Entry {
        CWnd* pWnd = nullptr;        // null: unbound, the procedure only passes messages on
        WNDPROC pfnSuper = nullptr;  // subclassed: the procedure before ours
    };
    static CBoundWindows& Get() {
        // Never destroyed: windows may still get messages while the process ends.
        static CBoundWindows* s_pTable = new CBoundWindows;
        return *s_pTable;
    }
    bool Find(HWND h, Entry& e) {
        ::AcquireSRWLockShared(&m_lock);
        auto it = m_map.find(h);
        const bool bFound = it != m_map.end();
        if (bFound) e = it->second;
        ::ReleaseSRWLockShared(&m_lock);
        return bFound;
    }
    void Set(HWND h, const Entry& e) {
        ::AcquireSRWLockExclusive(&m_lock);
        try {
            m_map[h] = e;
        } catch (...) {
            ::ReleaseSRWLockExclusive(&m_lock);
            throw;
        }
        ::ReleaseSRWLockExclusive(&m_lock);
    }
    void ClearObject(HWND h) {
        ::AcquireSRWLockExclusive(&m_lock);
        if (auto it = m_map.find(h); it != m_map.end()) it->second.pWnd = nullptr;
        ::ReleaseSRWLockExclusive(&m_lock);
    }
    void Erase(HWND h) {
        ::AcquireSRWLockExclusive(&m_lock);
        m_map.erase(h);
        ::ReleaseSRWLockExclusive(&m_lock);
    }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
    std::unordered_map<HWND, Entry> m_map;
};

}  // namespace

// Access to the private parts of CWnd and CWinThread for the trampolines.
struct WndInternals {
    static LRESULT CALLBACK WndProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    static INT_PTR CALLBACK DlgProc(HWND, UINT, WPARAM, LPARAM);

    static void Bind(CWnd* w, HWND h, CWnd::Binding kind, WNDPROC pfnSuper = nullptr) {
        CBoundWindows::Get().Set(h, CBoundWindows::Entry{w, pfnSuper});
        w->m_hWnd = h;
        w->m_binding = kind;
        if (kind == CWnd::Binding::Own) ::SetWindowLongPtrW(h, 0, reinterpret_cast<LONG_PTR>(w));
        if (kind == CWnd::Binding::Dialog) ::SetWindowLongPtrW(h, DWLP_USER, reinterpret_cast<LONG_PTR>(w));
    }

    static void Unbind(CWnd* w) {
        HWND h = w->m_hWnd;
        if (!h) return;
        switch (w->m_binding) {
        case CWnd::Binding::Own:
            ::SetWindowLongPtrW(h, 0, 0);
            CBoundWindows::Get().Erase(h);
            break;
        case CWnd::Binding::Dialog:
            ::SetWindowLongPtrW(h, DWLP_USER, 0);
            CBoundWindows::Get().Erase(h);
            break;
        case CWnd::Binding::Subclassed: {
            // The control gets its procedure back, unless a later subclass
            // sits on ours: ours then stays and passes every message on.
            CBoundWindows::Entry e;
            if (reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC)) == &SubclassProc &&
                CBoundWindows::Get().Find(h, e)) {
                ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(e.pfnSuper));
                CBoundWindows::Get().Erase(h);
            } else {
                CBoundWindows::Get().ClearObject(h);
            }
            break;
        }
        default: break;
        }
        Forget(w);
    }

    // The object no longer stands for a window.
    static void Forget(CWnd* w) {
        w->m_hWnd = nullptr;
        w->m_binding = CWnd::Binding::None;
        w->m_bOwnsWindow = false;
    }

    // Runs one message through the object's WindowProc with the one catch,
    // and retires the object after WM_NCDESTROY.
    static LRESULT Dispatch(CWnd* w, HWND h, UINT m, WPARAM wp, LPARAM lp) {
        const MSG saved = t_msgCur;
        t_msgCur = MSG{h, m, wp, lp, 0, {}};
        LRESULT r = 0;
        try {
            r = w->WindowProc(m, wp, lp);
        } catch (...) {
            r = ReportException(std::current_exception(), &t_msgCur);
            if (m == WM_PAINT) ::ValidateRect(h, nullptr);
        }
        t_msgCur = saved;
        if (m == WM_NCDESTROY) {
            Retire(w, h);
            CBoundWindows::Get().Erase(h);  // the handle may come again for another window
        }
        return r;
    }

    static void Retire(CWnd* w, HWND h) {
        if (w->m_hWnd != h) return;  // already unbound inside the handler
        Unbind(w);
        if (CWinThread* t = AfxGetThread(); t && t->m_pMainWnd == w) {
            t->m_pMainWnd = nullptr;
            CWinApp* app = AfxGetApp();
            if (t != app || (app && app->CanExitApp())) ::PostQuitMessage(0);
        }
        if (w->m_pbDestroyed) {
            *w->m_pbDestroyed = true;
            w->m_pbDestroyed = nullptr;
        }
        try {
            w->PostNcDestroy();
        } catch (...) {
            ReportException(std::current_exception(), nullptr);
        }
    }

    static LRESULT ReportException(std::exception_ptr e, const MSG* msg) {
        CWinThread* t = AfxGetThread();
        if (!t) t = AfxGetApp();
        if (t) {
            try {
                return t->ProcessWndProcException(e, msg);
            } catch (...) {
                // The report itself failed: fall back to the safe default.
            }
        }
        return (msg && msg->message == WM_CREATE) ? -1 : 0;
    }

    static bool& DlgDefault() { return t_bDlgDefault; }
    static void MarkOwned(CWnd* w) { w->m_bOwnsWindow = true; }
};

LRESULT CALLBACK WndInternals::WndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* w = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(h, 0));
    if (!w) {
        if (m == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            if (cs->lpCreateParams && cs->lpCreateParams == t_pWndInit) {
                w = t_pWndInit;
                t_pWndInit = nullptr;
                Bind(w, h, CWnd::Binding::Own);
            }
        }
        if (!w) return ::DefWindowProcW(h, m, wp, lp);
    }
    return Dispatch(w, h, m, wp, lp);
}

LRESULT CALLBACK WndInternals::SubclassProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    CBoundWindows::Entry e;
    if (!CBoundWindows::Get().Find(h, e) || !e.pfnSuper) return ::DefWindowProcW(h, m, wp, lp);
    if (e.pWnd && e.pWnd->m_hWnd == h) return Dispatch(e.pWnd, h, m, wp, lp);
    const LRESULT r = ::CallWindowProcW(e.pfnSuper, h, m, wp, lp);
    if (m == WM_NCDESTROY) CBoundWindows::Get().Erase(h);
    return r;
}

INT_PTR CALLBACK WndInternals::DlgProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    CWnd* w = nullptr;
    if (m == WM_INITDIALOG && lp && reinterpret_cast<CWnd*>(lp)->m_hWnd == nullptr) {
        w = reinterpret_cast<CWnd*>(lp);
        Bind(w, h, CWnd::Binding::Dialog);
    } else {
        w = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(h, DWLP_USER));
    }
    if (!w) return FALSE;
    const bool savedDefault = t_bDlgDefault;
    t_bDlgDefault = false;
    LRESULT r = Dispatch(w, h, m, wp, lp);
    const bool defaulted = t_bDlgDefault;
    t_bDlgDefault = savedDefault;
    if (defaulted) return FALSE;  // the dialog manager's default handles it
    switch (m) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM: case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(r);
    default:
        if (::IsWindow(h)) ::SetWindowLongPtrW(h, DWLP_MSGRESULT, r);
        return TRUE;
    }
}

// --- class registration ----------------------------------------------------

LPCWSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
    static std::mutex lock;
    static std::set<std::wstring> names;  // the names stay valid for the process
    wchar_t buf[128];
    swprintf(buf, 128, L"%ls%x:%p:%p:%p", kClassPrefix, nClassStyle,
             static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    std::lock_guard<std::mutex> guard(lock);
    auto it = names.find(buf);
    if (it != names.end()) return it->c_str();
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = nClassStyle;
    wc.lpfnWndProc = WndInternals::WndProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.hIcon = hIcon;
    wc.lpszClassName = buf;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
    return names.insert(buf).first->c_str();
}

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* app = AfxGetApp();
    return (app && app->m_hInstance) ? app->m_hInstance : ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

std::wstring AfxLoadString(UINT nID) {
    const wchar_t* p = nullptr;
    int n = ::LoadStringW(AfxGetResourceHandle(), nID, reinterpret_cast<LPWSTR>(&p), 0);
    return (n > 0 && p) ? std::wstring(p, n) : std::wstring();
}

// --- CWnd ----------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::~CWnd() {
    if (!m_hWnd) return;
    HWND h = m_hWnd;
    const bool owns = m_bOwnsWindow;
    if (m_binding == Binding::Attached) {
        m_hWnd = nullptr;
        return;
    }
    // Unbind first: the window's last messages must not reach a half-destroyed object.
    WndInternals::Unbind(this);
    if (owns && ::IsWindow(h)) ::DestroyWindow(h);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    CBoundWindows::Entry e;
    return hWnd && CBoundWindows::Get().Find(hWnd, e) ? e.pWnd : nullptr;
}

const MSG* CWnd::GetCurrentMessage() { return &t_msgCur; }

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return cs.lpszClass != nullptr;
}

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    const RECT& rect, CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
    int x = rect.left, y = rect.top, cx = rect.right - rect.left, cy = rect.bottom - rect.top;
    if (rect.left == CW_USEDEFAULT) x = y = cx = cy = CW_USEDEFAULT;
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, x, y, cx, cy,
                    pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    CCreateContext* pContext) {
    if (m_hWnd) return FALSE;
    // Watch our own end: a failed creation may have deleted this object.
    bool gone = false;
    const bool localWatch = (m_pbDestroyed == nullptr);
    bool* watch = localWatch ? (m_pbDestroyed = &gone) : m_pbDestroyed;
    auto fail = [&]() -> BOOL {
        *watch = true;
        m_pbDestroyed = nullptr;
        PostNcDestroy();  // may delete this
        return FALSE;
    };

    CREATESTRUCTW cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = x; cs.y = y; cs.cx = nWidth; cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = this;
    if (!PreCreateWindow(cs)) return fail();

    const bool own = IsFrameworkClass(cs.lpszClass);
    CWnd* const savedInit = t_pWndInit;
    if (own) t_pWndInit = this;
    HWND h = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                               cs.hwndParent, cs.hMenu, cs.hInstance, this);
    t_pWndInit = savedInit;
    if (*watch) {
        // The window was bound and destroyed again (OnCreate failed): PostNcDestroy has run.
        if (h && ::IsWindow(h)) ::DestroyWindow(h);
        return FALSE;
    }
    if (!h) {
        if (m_hWnd) WndInternals::Unbind(this);
        return fail();
    }
    if (!own && !SubclassWindow(h)) {
        ::DestroyWindow(h);
        return fail();
    }
    m_bOwnsWindow = true;
    if (localWatch) m_pbDestroyed = nullptr;
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    HWND h = m_hWnd;
    if (m_binding == Binding::Attached) m_hWnd = nullptr;
    return ::DestroyWindow(h);
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !hWnd || FromHandle(hWnd)) return FALSE;
    // Only a window of this process can be subclassed.
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != ::GetCurrentProcessId()) return FALSE;
    // The table knows the control's procedure before the first message reaches ours.
    auto pfnSuper = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    if (!pfnSuper) return FALSE;
    WndInternals::Bind(this, hWnd, Binding::Subclassed, pfnSuper);
    ::SetLastError(0);
    if (!::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndInternals::SubclassProc)) &&
        ::GetLastError() != 0) {
        CBoundWindows::Get().Erase(hWnd);
        WndInternals::Forget(this);
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, nID)) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_binding != Binding::Subclassed) return nullptr;
    HWND h = m_hWnd;
    WndInternals::Unbind(this);
    return h;
}

BOOL CWnd::Attach(HWND hWnd) {
    if (m_hWnd || !hWnd) return FALSE;
    m_hWnd = hWnd;
    m_binding = Binding::Attached;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND h = m_hWnd;
    if (m_binding == Binding::Attached) {
        m_hWnd = nullptr;
        m_binding = Binding::None;
    } else if (m_binding == Binding::Subclassed) {
        UnsubclassWindow();
    } else if (h) {
        WndInternals::Unbind(this);
    }
    return h;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT r = 0;
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY:
        if (ReflectChildNotify(message, wParam, lParam, &r)) return r;
        if (OnNotify(wParam, lParam, &r)) return r;
        break;
    case WM_DRAWITEM: case WM_MEASUREITEM: case WM_COMPAREITEM: case WM_DELETEITEM:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        if (ReflectChildNotify(message, wParam, lParam, &r)) return r;
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (m_binding) {
    case Binding::Subclassed: {
        // The control's own procedure, as the table of bound windows keeps it.
        CBoundWindows::Entry e;
        if (!CBoundWindows::Get().Find(m_hWnd, e) || !e.pfnSuper)
            return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
        return ::CallWindowProcW(e.pfnSuper, m_hWnd, message, wParam, lParam);
    }
    case Binding::Dialog:
        WndInternals::DlgDefault() = true;
        return 0;
    default:
        return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
    }
}

LRESULT CWnd::Default() {
    return DefWindowProc(t_msgCur.message, t_msgCur.wParam, t_msgCur.lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    HWND hCtl = reinterpret_cast<HWND>(lParam);
    if (hCtl) {
        LRESULT r = 0;
        if (ReflectChildNotify(WM_COMMAND, wParam, lParam, &r)) return TRUE;
    } else {
        nCode = CN_COMMAND;  // a menu item (0) or an accelerator (1)
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    HWND hChild = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_VKEYTOITEM: case WM_CHARTOITEM: case WM_HSCROLL: case WM_VSCROLL:
    case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC:
        hChild = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        hChild = lParam ? reinterpret_cast<NMHDR*>(lParam)->hwndFrom : nullptr;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis && dis->CtlType != ODT_MENU) hChild = dis->hwndItem;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis && mis->CtlType != ODT_MENU) hChild = ::GetDlgItem(m_hWnd, mis->CtlID);
        break;
    }
    case WM_COMPAREITEM: {
        auto* cis = reinterpret_cast<COMPAREITEMSTRUCT*>(lParam);
        if (cis) hChild = cis->hwndItem;
        break;
    }
    case WM_DELETEITEM: {
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(lParam);
        if (dis) hChild = dis->hwndItem;
        break;
    }
    default:
        return FALSE;
    }
    if (!hChild || hChild == m_hWnd) return FALSE;
    CWnd* child = FromHandle(hChild);
    if (!child || child == this) return FALSE;
    return child->OnChildNotify(message, wParam, lParam, pResult);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep) const {
    for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
        ::SendMessageW(h, message, wParam, lParam);
        if (bDeep && ::GetWindow(h, GW_CHILD)) {
            CWnd tmp;
            tmp.Attach(h);
            tmp.SendMessageToDescendants(message, wParam, lParam, TRUE);
            tmp.Detach();
        }
    }
}

std::wstring CWnd::GetWindowText() const {
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring s(n > 0 ? n + 1 : 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, s.data(), static_cast<int>(s.size()));
    s.resize(got > 0 ? got : 0);
    return s;
}

std::wstring CWnd::GetDlgItemText(int nID) const {
    HWND h = ::GetDlgItem(m_hWnd, nID);
    if (!h) return {};
    int n = ::GetWindowTextLengthW(h);
    std::wstring s(n > 0 ? n + 1 : 1, L'\0');
    int got = ::GetWindowTextW(h, s.data(), static_cast<int>(s.size()));
    s.resize(got > 0 ? got : 0);
    return s;
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
        if (auto* f = dynamic_cast<CFrameWnd*>(FromHandle(h))) return f;
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

CFrameWnd* CWnd::GetTopLevelFrame() const {
    CFrameWnd* top = dynamic_cast<CFrameWnd*>(const_cast<CWnd*>(this));
    if (!top) top = GetParentFrame();
    while (top) {
        CFrameWnd* up = top->GetParentFrame();
        if (!up) break;
        top = up;
    }
    return top;
}

// Changes the style word at nIndex (GWL_STYLE or GWL_EXSTYLE); with nFlags the
// frame is recalculated through SetWindowPos. FALSE when nothing changed.
static BOOL ModifyStyleWord(HWND hWnd, int nIndex, DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hWnd, nIndex));
    DWORD next = (style & ~dwRemove) | dwAdd;
    if (next == style) return FALSE;
    ::SetWindowLongPtrW(hWnd, nIndex, static_cast<LONG_PTR>(next));
    if (nFlags) ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) const {
    return ModifyStyleWord(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags) const {
    return ModifyStyleWord(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::CreateDlgIndirect(const DLGTEMPLATE* pTemplate, HWND hWndParent) {
    if (m_hWnd || !pTemplate) return FALSE;
    bool gone = false;
    const bool localWatch = (m_pbDestroyed == nullptr);
    bool* watch = localWatch ? (m_pbDestroyed = &gone) : m_pbDestroyed;
    HWND h = ::CreateDialogIndirectParamW(AfxGetResourceHandle(), pTemplate, hWndParent,
                                          WndInternals::DlgProc, reinterpret_cast<LPARAM>(this));
    if (*watch) return FALSE;  // destroyed during creation; PostNcDestroy has run
    if (!h) {
        if (m_hWnd) WndInternals::Unbind(this);
        *watch = true;
        m_pbDestroyed = nullptr;
        PostNcDestroy();  // as for any failed creation; may delete this
        return FALSE;
    }
    if (!m_hWnd) WndInternals::Bind(this, h, Binding::Dialog);  // no WM_INITDIALOG came
    m_bOwnsWindow = true;
    if (localWatch) m_pbDestroyed = nullptr;
    return TRUE;
}

INT_PTR CWnd::RunModalDlgIndirect(const DLGTEMPLATE* pTemplate, HWND hWndOwner) {
    if (m_hWnd || !pTemplate) return -1;
    return ::DialogBoxIndirectParamW(AfxGetResourceHandle(), pTemplate, hWndOwner,
                                     WndInternals::DlgProc, reinterpret_cast<LPARAM>(this));
}
