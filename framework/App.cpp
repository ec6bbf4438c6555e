// Threads, the application object, the command line and message boxes.
#include "framework/App.h"
#include "framework/DocView.h"
#include <shellapi.h>
#include <algorithm>

namespace {

CWinApp* g_pApp = nullptr;
thread_local CWinThread* t_pThread = nullptr;
thread_local std::vector<CFrameWnd*> t_frames;

constexpr wchar_t kMsgWndClass[] = L"ZvThreadMessages";

LRESULT CALLBACK ThreadMsgWndProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(h, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* t = reinterpret_cast<CWinThread*>(::GetWindowLongPtrW(h, 0));
    if (t && m >= WM_USER) {
        try {
            if (t->OnThreadMessage(m, wp, lp)) return 0;
        } catch (...) {
            MSG msg{h, m, wp, lp, 0, {}};
            try { t->ProcessWndProcException(std::current_exception(), &msg); } catch (...) {}
            return 0;
        }
    }
    return ::DefWindowProcW(h, m, wp, lp);
}

bool EqualNoCase(LPCWSTR a, LPCWSTR b) {
    for (;; ++a, ++b) {
        wchar_t x = *a, y = *b;
        if (x >= L'A' && x <= L'Z') x = x - L'A' + L'a';
        if (y >= L'A' && y <= L'Z') y = y - L'A' + L'a';
        if (x != y) return false;
        if (!x) return true;
    }
}

std::wstring Narrow2Wide(const char* s) {
    if (!s) return {};
    int n = ::MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(n, L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s, -1, w.data(), n);
    w.resize(n - 1);
    return w;
}

// A thread that runs one function.
class CWorkerThread : public CWinThread {
public:
    CWorkerThread(UINT (*fn)(LPVOID), LPVOID param) : m_fn(fn), m_param(param) {}
    BOOL InitInstance() override { return TRUE; }
    int Run() override { return static_cast<int>(m_fn(m_param)); }
private:
    UINT (*m_fn)(LPVOID);
    LPVOID m_param;
};

}  // namespace

// --- CWinThread --------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::CWinThread() = default;

CWinThread::~CWinThread() {
    if (m_hThread) ::CloseHandle(m_hThread);
    if (t_pThread == this) t_pThread = nullptr;
}

std::vector<CFrameWnd*>& CWinThread::ThreadFrames() { return t_frames; }

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (m_hThread) return FALSE;
    // Always start suspended, so that the handle and id are stored before the thread runs.
    DWORD id = 0;
    HANDLE h = ::CreateThread(lpSecurityAttrs, nStackSize, ThreadEntry, this, CREATE_SUSPENDED, &id);
    if (!h) return FALSE;
    m_hThread = h;
    m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED)) ::ResumeThread(h);
    return TRUE;
}

DWORD WINAPI CWinThread::ThreadEntry(LPVOID p) {
    auto* t = static_cast<CWinThread*>(p);
    t_pThread = t;
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue
    int code = 0;
    try {
        t->CreateMessageWindow();
        if (t->InitInstance()) {
            code = t->Run();
        } else {
            if (t->m_pMainWnd && t->m_pMainWnd->m_hWnd) t->m_pMainWnd->DestroyWindow();
            code = t->ExitInstance();
        }
    } catch (...) {
        try { t->ProcessWndProcException(std::current_exception(), nullptr); } catch (...) {}
        code = -1;
    }
    t->DestroyMessageWindow();
    t_pThread = nullptr;
    if (t->m_bAutoDelete) delete t;
    return static_cast<DWORD>(code);
}

BOOL CWinThread::CreateMessageWindow() {
    if (m_hMsgWnd) return TRUE;
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = ThreadMsgWndProc;
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kMsgWndClass;
        return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    m_hMsgWnd = ::CreateWindowExW(0, kMsgWndClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    if (!m_nThreadID) m_nThreadID = ::GetCurrentThreadId();
    return m_hMsgWnd != nullptr;
}

void CWinThread::DestroyMessageWindow() {
    if (m_hMsgWnd) {
        ::SetWindowLongPtrW(m_hMsgWnd, 0, 0);
        ::DestroyWindow(m_hMsgWnd);
        m_hMsgWnd = nullptr;
    }
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = m_hMsgWnd;
    if (message != WM_QUIT && h) return ::PostMessageW(h, message, wParam, lParam);
    return m_nThreadID ? ::PostThreadMessageW(m_nThreadID, message, wParam, lParam) : FALSE;
}

int CWinThread::ExitInstance() {
    return m_msgCur.message == WM_QUIT ? static_cast<int>(m_msgCur.wParam) : 0;
}

int CWinThread::Run() {
    bool bIdle = true;
    LONG lIdleCount = 0;
    for (;;) {
        MSG peek;
        while (bIdle && !::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(lIdleCount++)) bIdle = false;
        }
        do {
            if (!PumpMessage()) return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                bIdle = true;
                lIdleCount = 0;
            }
        } while (::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

BOOL CWinThread::PumpMessage() {
    BOOL got = ::GetMessageW(&m_msgCur, nullptr, 0, 0);
    if (got == 0) return FALSE;   // WM_QUIT
    if (got == -1) return TRUE;   // nothing taken
    if (m_msgCur.message != WM_KICKIDLE && !PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageW(&m_msgCur);
    }
    return TRUE;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg) {
    static thread_local POINT ptLast{-1, -1};
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
        if (pMsg->pt.x == ptLast.x && pMsg->pt.y == ptLast.y) return FALSE;
        ptLast = pMsg->pt;
        return TRUE;
    }
    // Painting and the caret's blink timer do not change any command state.
    return pMsg->message != WM_PAINT && pMsg->message != 0x0118;
}

BOOL CWinThread::OnIdle(LONG lCount) {
    if (lCount <= 0) {
        // Copy: an update may create or destroy frames.
        std::vector<CFrameWnd*> frames = t_frames;
        for (CFrameWnd* f : frames) {
            if (std::find(t_frames.begin(), t_frames.end(), f) == t_frames.end()) continue;
            if (f->m_hWnd && ::IsWindowVisible(f->m_hWnd)) ::SendMessageW(f->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
        }
    }
    return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
    if (!pMsg->hwnd) return OnThreadMessage(pMsg->message, pMsg->wParam, pMsg->lParam) ? TRUE : FALSE;
    for (HWND h = pMsg->hwnd; h;) {
        if (CWnd* w = CWnd::FromHandle(h); w && w->PreTranslateMessage(pMsg)) return TRUE;
        if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
        h = ::GetParent(h);
    }
    return FALSE;
}

LRESULT CWinThread::ProcessWndProcException(std::exception_ptr e, const MSG* pMsg) {
    std::wstring text = L"An unexpected error occurred.";
    try {
        if (e) std::rethrow_exception(e);
    } catch (const std::exception& x) {
        std::wstring what = Narrow2Wide(x.what());
        if (!what.empty()) text += L"\n" + what;
    } catch (...) {
    }
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
    if (pMsg && pMsg->message == WM_CREATE) return -1;
    return 0;
}

CWinThread* AfxGetThread() { return t_pThread; }

CWnd* AfxGetMainWnd() {
    CWinThread* t = AfxGetThread();
    return t ? t->GetMainWnd() : nullptr;
}

// Creates the thread of a new thread object suspended, sets its priority and
// resumes it unless the caller asked for it suspended; deletes the object
// when the thread cannot be created.
static CWinThread* StartThreadObject(CWinThread* t, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (!t->CreateThread(CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        delete t;
        return nullptr;
    }
    t->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED)) t->ResumeThread();
    return t;
}

CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (!pThreadClass) return nullptr;
    CObject* obj = pThreadClass->CreateObject();
    auto* t = dynamic_cast<CWinThread*>(obj);
    if (!t) {
        delete obj;
        return nullptr;
    }
    return StartThreadObject(t, nPriority, nStackSize, dwCreateFlags, lpSecurityAttrs);
}

CWinThread* AfxBeginThread(UINT (*pfnThreadProc)(LPVOID), LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (!pfnThreadProc) return nullptr;
    auto* t = new CWorkerThread(pfnThreadProc, pParam);
    return StartThreadObject(t, nPriority, nStackSize, dwCreateFlags, lpSecurityAttrs);
}

// --- command line ------------------------------------------------------------

void CCommandLineInfo::ParseParam(LPCWSTR pszParam, BOOL bFlag, BOOL bLast) {
    if (bFlag) {
        struct Switch { LPCWSTR name; int command; bool perUser; };
        static const Switch kRegistration[] = {
            {L"Register", AppRegister, false},          {L"Regserver", AppRegister, false},
            {L"RegisterPerUser", AppRegister, true},    {L"RegserverPerUser", AppRegister, true},
            {L"Unregister", AppUnregister, false},      {L"Unregserver", AppUnregister, false},
            {L"UnregisterPerUser", AppUnregister, true}, {L"UnregserverPerUser", AppUnregister, true},
        };
        if (EqualNoCase(pszParam, L"Embedding")) {
            m_bRunEmbedded = true;
            m_bShowSplash = false;
            m_nShellCommand = FileNothing;
        } else if (EqualNoCase(pszParam, L"Automation")) {
            m_bRunAutomated = true;
            m_bShowSplash = false;
            m_nShellCommand = FileNothing;
        } else {
            for (const Switch& s : kRegistration) {
                if (EqualNoCase(pszParam, s.name)) {
                    m_nShellCommand = s.command;
                    m_bRegisterPerUser = s.perUser;
                    break;
                }
            }
        }
    } else if (m_strFileName.empty()) {
        m_strFileName = pszParam;
    }
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.empty()) m_nShellCommand = FileOpen;
}

void AfxParseCommandLine(LPCWSTR pszCommandLine, CCommandLineInfo& info) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(pszCommandLine && *pszCommandLine ? pszCommandLine : L"x", &argc);
    if (!argv) return;
    for (int i = 1; i < argc; ++i) {
        LPCWSTR p = argv[i];
        const bool flag = (p[0] == L'/' || p[0] == L'-');
        info.ParseParam(flag ? p + 1 : p, flag, i == argc - 1);
    }
    ::LocalFree(argv);
}

// --- CWinApp -----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

CWinApp::CWinApp(LPCWSTR lpszAppName) {
    if (!g_pApp) g_pApp = this;
    t_pThread = this;
    m_bAutoDelete = false;
    m_nThreadID = ::GetCurrentThreadId();
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &m_hThread,
                      0, FALSE, DUPLICATE_SAME_ACCESS);
    m_hInstance = ::GetModuleHandleW(nullptr);

    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    const wchar_t* base = wcsrchr(path, L'\\');
    m_strExeName = base ? base + 1 : path;
    if (auto dot = m_strExeName.rfind(L'.'); dot != std::wstring::npos) m_strExeName.resize(dot);
    m_pszExeName = m_strExeName.c_str();

    m_strAppName = lpszAppName ? lpszAppName : AfxLoadString(AFX_IDS_APP_TITLE);
    if (m_strAppName.empty()) m_strAppName = m_strExeName;
    m_pszAppName = m_strAppName.c_str();
    m_pszProfileName = m_pszAppName;
}

CWinApp::~CWinApp() {
    for (CDocTemplate* t : m_templates) delete t;
    m_templates.clear();
    if (g_pApp == this) g_pApp = nullptr;
}

CWinApp* AfxGetApp() { return g_pApp; }

int CWinApp::ExitInstance() { return CWinThread::ExitInstance(); }

int CWinApp::Run() { return CWinThread::Run(); }

BOOL CWinApp::OnIdle(LONG lCount) {
    if (lCount <= 0) CWinThread::OnIdle(lCount);
    return lCount < 1;
}

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey) {
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : L"";
    m_pszRegistryKey = m_strRegistryKey.empty() ? nullptr : m_strRegistryKey.c_str();
    m_pszProfileName = m_pszAppName;
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey) {
    std::wstring key = AfxLoadString(nIDRegistryKey);
    SetRegistryKey(key.c_str());
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate) {
    if (pTemplate && std::find(m_templates.begin(), m_templates.end(), pTemplate) == m_templates.end())
        m_templates.push_back(pTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo) {
    AfxParseCommandLine(::GetCommandLineW(), rCmdInfo);
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo) {
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(rCmdInfo.m_strFileName.c_str()) != nullptr && m_pMainWnd != nullptr;
    case CCommandLineInfo::FileNothing:
        return TRUE;
    default:
        return FALSE;
    }
}

void CWinApp::OnFileNew() {
    if (!m_templates.empty()) m_templates.front()->OpenDocumentFile(nullptr);
}

CDocument* CWinApp::OpenDocumentFile(LPCWSTR lpszFileName) {
    return m_templates.empty() ? nullptr : m_templates.front()->OpenDocumentFile(lpszFileName);
}

void CWinApp::CloseAllDocuments(BOOL bEndSession) {
    std::vector<CDocTemplate*> templates = m_templates;
    for (CDocTemplate* t : templates) t->CloseAllDocuments(bEndSession);
}

BOOL CWinApp::SaveAllModified() {
    for (CDocTemplate* t : m_templates)
        if (!t->SaveAllModified()) return FALSE;
    return TRUE;
}

BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE, LPWSTR, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app) return FALSE;
    if (hInstance) app->m_hInstance = hInstance;
    app->m_nCmdShow = nCmdShow;
    return app->CreateMessageWindow();
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    int code = -1;
    try {
        if (!AfxWinInit(hInstance, hPrevInstance, lpCmdLine, nCmdShow)) return -1;
        if (!app->InitInstance()) {
            if (app->m_pMainWnd && app->m_pMainWnd->m_hWnd) app->m_pMainWnd->DestroyWindow();
            code = app->ExitInstance();
        } else {
            code = app->Run();
        }
    } catch (...) {
        try { app->ProcessWndProcException(std::current_exception(), nullptr); } catch (...) {}
    }
    app->DestroyMessageWindow();
    return code;
}

// --- message boxes -------------------------------------------------------------

HWND AfxGetSafeOwner(HWND hWndParent) {
    HWND h = hWndParent;
    if (!h) {
        CWnd* main = AfxGetMainWnd();
        h = (main && main->m_hWnd) ? main->m_hWnd : ::GetActiveWindow();
    }
    if (!h) return nullptr;
    // The top-level window, then its last active popup (a modal dialog above it).
    HWND top = ::GetAncestor(h, GA_ROOT);
    if (top) h = top;
    HWND popup = ::GetLastActivePopup(h);
    return popup ? popup : h;
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT) {
    CWinApp* app = AfxGetApp();
    LPCWSTR caption = (app && app->m_pszAppName) ? app->m_pszAppName : L"";
    return ::MessageBoxW(AfxGetSafeOwner(nullptr), lpszText ? lpszText : L"", caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT) {
    std::wstring text = AfxLoadString(nIDPrompt);
    return AfxMessageBox(text.c_str(), nType, 0);
}
