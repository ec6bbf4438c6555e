#include "mainframe_fakes.h"

#include <algorithm>

#include "resources/resource.h"
#include "server/app/ZavetraView.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"

// --- the record of the stand-in log side --------------------------------------

FakeLog& FakeLog::Get() {
    static FakeLog log;
    return log;
}

void FakeLog::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
    onAddEntry = nullptr;
    addEntryResult = 0;
    bFailLogWindow = false;
    mainVisibleAtAddEntry = false;
    threadsStarted = 0;
    threadsDeleted = 0;
}

void FakeLog::Record(const FakeLogEvent& e) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.push_back(e);
}

std::vector<FakeLogEvent> FakeLog::Events() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

int FakeLog::Count(UINT message) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                          [&](const FakeLogEvent& e) { return e.message == message; }));
}

bool FakeLog::Last(UINT message, FakeLogEvent* pEvent) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (it->message == message) {
            *pEvent = *it;
            return true;
        }
    }
    return false;
}

bool FakeLog::WaitForCount(UINT message, int n, DWORD ms) const {
    ULONGLONG end = ::GetTickCount64() + ms;
    while (Count(message) < n) {
        if (::GetTickCount64() > end) return false;
        ::Sleep(5);
    }
    return true;
}

// --- the stand-in log thread and its log window -------------------------------

namespace {

constexpr wchar_t kFakeLogClass[] = L"ZvTestFakeLogFrame";

LRESULT CALLBACK FakeLogWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pThread = reinterpret_cast<CFakeLogThread*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    FakeLog& log = FakeLog::Get();
    switch (message) {
    case WM_NCCREATE:
        ::SetWindowLongPtrW(hWnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        break;
    case UM_ADD_ENTRY: {
        log.Record({message, wParam, lParam, false});
        HWND hMain = pThread ? pThread->m_hMainWnd : nullptr;
        log.mainVisibleAtAddEntry = hMain && ::IsWindowVisible(hMain);
        if (log.onAddEntry) log.onAddEntry(hMain, reinterpret_cast<CLogNode*>(wParam));
        else PostToMain(hMain, UM_CONTINUE);
        return log.addEntryResult;
    }
    case UM_CONNECTED:
    case UM_DISCONNECTED:
    case UM_MEMBERS_LOADED:
    case UM_UPDATE_LOGVIEW_FONT:
    case UM_UPDATE_EXTRACTDIALOG_FONT:
        log.Record({message, wParam, lParam, false});
        return 0;
    case WM_DESTROY:
        // As the real log frame: the main frame learns that its log window is gone.
        if (pThread) {
            pThread->m_hLogWnd = nullptr;
            PostToMain(pThread->m_hMainWnd, UM_LOGVIEW_CLOSED);
        }
        log.hLogWindow = nullptr;
        break;
    }
    return ::DefWindowProcW(hWnd, message, wParam, lParam);
}

}  // namespace

IMPLEMENT_DYNCREATE(CFakeLogThread, CWinThread)

CFakeLogThread::CFakeLogThread() { m_bAutoDelete = false; }

CFakeLogThread::~CFakeLogThread() { ++FakeLog::Get().threadsDeleted; }

BOOL CFakeLogThread::InitInstance() {
    FakeLog& log = FakeLog::Get();
    ++log.threadsStarted;
    if (log.bFailLogWindow) {
        PostToMain(m_hMainWnd, UM_LOGVIEW_CREATED, 0);
        return FALSE;
    }
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = FakeLogWndProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kFakeLogClass;
        return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    m_hLogWnd = ::CreateWindowExW(0, kFakeLogClass, L"LogView", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), this);
    log.hLogWindow = m_hLogWnd;
    PostToMain(m_hMainWnd, UM_LOGVIEW_CREATED, reinterpret_cast<WPARAM>(m_hLogWnd));
    return m_hLogWnd != nullptr;
}

bool CFakeLogThread::OnThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    FakeLog::Get().Record({message, wParam, lParam, true});
    switch (message) {
    case UM_LOGTHREAD_QUIT:
        if (m_hLogWnd) ::DestroyWindow(m_hLogWnd);
        ::PostQuitMessage(0);
        return true;
    case FAKE_CLOSE_LOGWINDOW:
        if (m_hLogWnd) ::DestroyWindow(m_hLogWnd);
        return true;
    case FAKE_CLOSE_AND_END:
        if (m_hLogWnd) ::DestroyWindow(m_hLogWnd);
        ::PostQuitMessage(0);
        return true;
    }
    return message >= WM_APP;
}

CWinThread* CreateFakeLogThread(HWND hMainWnd) {
    // At normal priority: lowering it is the main frame's business.
    auto* pThread = dynamic_cast<CFakeLogThread*>(
        AfxBeginThread(RUNTIME_CLASS(CFakeLogThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!pThread) return nullptr;
    pThread->m_hMainWnd = hMainWnd;
    return pThread;
}

void PostToMain(HWND hMain, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hMain) ::PostMessageW(hMain, message, wParam, lParam);
}

void PumpMessages(DWORD ms) {
    ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (::GetTickCount64() >= end) return;
        ::Sleep(5);
    }
}

void ResetGlobals() {
    g_nClients = 0;
    g_nLiveClients = 0;
    g_bForcedStop = 0;
    g_nClientId = 0;
}

// --- the real main window -------------------------------------------------------

MainFrameHost::MainFrameHost(bool bWithLog) {
    CMainFrame::s_pfnCreateLogThread = bWithLog ? &CreateFakeLogThread : nullptr;
    m_pTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZavetraDoc), RUNTIME_CLASS(CMainFrame),
                                         RUNTIME_CLASS(CZavetraView));
    m_pDoc = dynamic_cast<CZavetraDoc*>(m_pTemplate->OpenDocumentFile(nullptr));
    CWnd* pMain = AfxGetMainWnd();
    m_pFrame = dynamic_cast<CMainFrame*>(pMain);
    m_hWnd = m_pFrame ? m_pFrame->m_hWnd : nullptr;
}

MainFrameHost::~MainFrameHost() {
    Close();
    delete m_pTemplate;
    CMainFrame::s_pfnCreateLogThread = nullptr;
    // The last main window going posts the quit message: it is not the tests'.
    PumpMessages();
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ResetGlobals();
}

void MainFrameHost::Close() {
    if (IsOpen()) ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    if (IsOpen()) ::DestroyWindow(m_hWnd);
    m_pFrame = nullptr;
    m_pDoc = nullptr;
    m_hWnd = nullptr;
}

UINT MainFrameHost::Trace(LPCWSTR pszLabel, const VARIANT* pArgs, bool bBreak) {
    VARIANT empty;
    ::VariantInit(&empty);
    CLogNode* pNode = AllocNode();
    pNode->m_pEntry->m_name = pszLabel;
    pNode->m_pEntry->SetKind(LOGK_CALL);
    pNode->m_pEntry->SetClientId(1);
    if (bBreak) pNode->m_pEntry->SetFlags(LOGF_BREAK);
    return static_cast<UINT>(::SendMessageW(m_hWnd, UM_TRACE, reinterpret_cast<WPARAM>(pNode),
                                            reinterpret_cast<LPARAM>(pArgs ? pArgs : &empty)));
}

UINT MainFrameHost::Connect() { return static_cast<UINT>(::SendMessageW(m_hWnd, UM_CLIENT_CONNECT, 0, 0)); }

UINT MainFrameHost::Disconnect() { return static_cast<UINT>(::SendMessageW(m_hWnd, UM_CLIENT_DISCONNECT, 0, 0)); }

// --- the message-box watcher ----------------------------------------------------

BoxWatcher::BoxWatcher() { m_hThread = ::CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr); }

BoxWatcher::~BoxWatcher() {
    m_bStop = true;
    if (m_hThread) {
        ::WaitForSingleObject(m_hThread, 5000);
        ::CloseHandle(m_hThread);
    }
}

DWORD WINAPI BoxWatcher::Run(LPVOID p) {
    auto* self = static_cast<BoxWatcher*>(p);
    while (!self->m_bStop) {
        self->Scan();
        ::Sleep(20);
    }
    return 0;
}

namespace {
struct BoxScan {
    std::vector<HWND> boxes;
};

BOOL CALLBACK CollectBoxes(HWND hWnd, LPARAM lParam) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != ::GetCurrentProcessId() || !::IsWindowVisible(hWnd)) return TRUE;
    wchar_t cls[32] = {}, caption[64] = {};
    ::GetClassNameW(hWnd, cls, 32);
    ::GetWindowTextW(hWnd, caption, 64);
    if (wcscmp(cls, L"#32770") == 0 && wcscmp(caption, L"Zavetra") == 0)
        reinterpret_cast<BoxScan*>(lParam)->boxes.push_back(hWnd);
    return TRUE;
}
}  // namespace

void BoxWatcher::Scan() {
    BoxScan scan;
    ::EnumWindows(CollectBoxes, reinterpret_cast<LPARAM>(&scan));
    for (HWND hBox : scan.boxes) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (std::find(m_seen.begin(), m_seen.end(), hBox) != m_seen.end()) continue;
            m_seen.push_back(hBox);
        }
        wchar_t text[512] = {};
        ::GetDlgItemTextW(hBox, 0xFFFF, text, 512);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_texts.push_back(text);
        }
        ::PostMessageW(hBox, WM_COMMAND, IDOK, 0);
    }
    // Forget boxes that are gone, so that a reused handle counts again.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_seen.erase(std::remove_if(m_seen.begin(), m_seen.end(), [](HWND h) { return !::IsWindow(h); }),
                 m_seen.end());
}

std::vector<std::wstring> BoxWatcher::Texts() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts;
}

std::vector<std::wstring> BoxWatcher::TakeTexts() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::wstring> texts;
    texts.swap(m_texts);
    return texts;
}

bool BoxWatcher::WaitForTexts(size_t n, DWORD ms) const {
    ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_texts.size() >= n) return true;
        }
        if (::GetTickCount64() > end) return false;
        ::Sleep(10);
    }
}
