#include "logwin_host.h"

#include <commctrl.h>


#include "resources/resource.h"
#include "server/app/ZavetraView.h"
#include "server/core/Messages.h"
#include "resources/LogWindowRes.h"
#include "framework/ToolBar.h"
#include <algorithm>

namespace {

const UINT kRunMessage = ::RegisterWindowMessageW(L"ZvTestRunOnThread");

LRESULT CALLBACK RunHook(int nCode, WPARAM wParam, LPARAM lParam) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && cwp->message == kRunMessage && cwp->lParam == 0x5a5a)
        (*reinterpret_cast<const std::function<void()>*>(cwp->wParam))();
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace

void RunOnThreadOf(HWND hWnd, const std::function<void()>& f) {
    DWORD tid = ::GetWindowThreadProcessId(hWnd, nullptr);
    if (tid == ::GetCurrentThreadId()) {
        f();
        return;
    }
    HHOOK hook = ::SetWindowsHookExW(WH_CALLWNDPROC, RunHook, nullptr, tid);
    ::SendMessageW(hWnd, kRunMessage, reinterpret_cast<WPARAM>(&f), 0x5a5a);
    ::UnhookWindowsHookEx(hook);
}

void PumpFor(DWORD ms) {
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

LogHost::LogHost() {
    m_pTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZavetraDoc), RUNTIME_CLASS(CMainFrame),
                                         RUNTIME_CLASS(CZavetraView));
    m_pDoc = dynamic_cast<CZavetraDoc*>(m_pTemplate->OpenDocumentFile(nullptr));
    m_pFrame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    m_hWnd = m_pFrame ? m_pFrame->m_hWnd : nullptr;
}

void LogHost::Close() {
    if (m_hWnd && ::IsWindow(m_hWnd)) ::SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    m_hWnd = nullptr;
    PumpFor(0);
}

LogHost::~LogHost() {
    Close();
    delete m_pTemplate;
    PumpFor(0);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    if (CWinApp* app = AfxGetApp()) app->m_pMainWnd = nullptr;
}

Recorder::Recorder() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZvTestRecorder";
        wc.cbWndExtra = sizeof(void*);
        return ::RegisterClassExW(&wc);
    }();
    (void)atom;
    m_hWnd = ::CreateWindowExW(0, L"ZvTestRecorder", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    ::SetWindowLongPtrW(m_hWnd, 0, reinterpret_cast<LONG_PTR>(this));
}

Recorder::~Recorder() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK Recorder::Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m >= WM_APP && m < 0xC000) {
        if (auto* self = reinterpret_cast<Recorder*>(::GetWindowLongPtrW(h, 0))) {
            self->m_msgs.push_back(MSG{h, m, wp, lp, 0, {}});
            return 0;
        }
    }
    return ::DefWindowProcW(h, m, wp, lp);
}

std::vector<UINT> Recorder::Take() {
    PumpFor(0);
    std::vector<UINT> ids;
    for (const MSG& m : m_msgs) ids.push_back(m.message);
    m_msgs.clear();
    return ids;
}

CLogNode* MakeCall(LPCWSTR pszLabel, int nClient, DWORD nKey, bool bBreak, int nMembers, bool bObjects) {
    CLogNode* pCall = AllocNode();
    pCall->m_pEntry->m_name = pszLabel;
    pCall->m_pEntry->SetKind(LOGK_CALL);
    pCall->m_pEntry->SetClientId(nClient);
    pCall->m_pEntry->m_key = nKey;
    if (bBreak) pCall->m_pEntry->SetFlags(LOGF_BREAK);
    std::vector<CLogNode*> members;
    for (int i = 0; i < nMembers; ++i) {
        CLogNode* pMember = AllocNode();
        wchar_t name[16];
        wsprintfW(name, L"m%d", i);
        pMember->m_pEntry->m_name = name;
        pMember->m_pEntry->m_type = bObjects ? L"VT_DISPATCH" : L"VT_I4";
        pMember->m_pEntry->m_value = bObjects ? L"Object" : L"1";
        if (bObjects) {
            pMember->m_pEntry->SetKind(LOGK_OBJECT);
            pMember->m_pEntry->m_key = 0x1000 + i;
            pMember->m_pEntry->SetFlags(LOGF_LOADABLE);
        }
        members.push_back(pMember);
    }
    LinkMembers(pCall, members);
    if (nMembers) pCall->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
    return pCall;
}

CLogNode* LinkAfter(CLogNode* pPrev, CLogNode* pCall) {
    if (pPrev) {
        pPrev->m_pNext = pCall;
        pCall->m_pBack = pPrev;
    }
    return pCall;
}

void LinkMembers(CLogNode* pParent, const std::vector<CLogNode*>& members) {
    CLogNode* pPrev = nullptr;
    for (CLogNode* p : members) {
        if (pPrev) {
            pPrev->m_pNext = p;
            p->m_pBack = pPrev;
        } else {
            pParent->m_pChildren = p;
            p->m_pBack = pParent;
        }
        pPrev = p;
    }
}

std::vector<HTREEITEM> VisibleItems(HWND hTree) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM h = TreeView_GetRoot(hTree); h; h = TreeView_GetNextVisible(hTree, h)) items.push_back(h);
    return items;
}

int ItemCount(HWND hTree) { return static_cast<int>(TreeView_GetCount(hTree)); }

std::wstring ItemTextOf(HWND hTree, HTREEITEM h) {
    wchar_t buf[256] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = h;
    it.pszText = buf;
    it.cchTextMax = 256;
    ::SendMessageW(hTree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return buf;
}

bool BoxCloser::WaitFor(size_t n, DWORD ms) {
    return PumpUntil([&] { return Texts().size() >= n; }, ms);
}

bool PumpUntil(const std::function<bool()>& pred, DWORD ms) {
    ULONGLONG end = ::GetTickCount64() + ms;
    while (!pred()) {
        if (::GetTickCount64() > end) return false;
        PumpFor(5);
    }
    return true;
}

// --- a result window of the bases -------------------------------------------------

namespace {

class CTestResultDoc : public CTreeDocEx {
    DECLARE_DYNCREATE(CTestResultDoc)
};
IMPLEMENT_DYNCREATE(CTestResultDoc, CTreeDocEx)

class CTestResultFrame : public CTreeFrameEx {
    DECLARE_DYNCREATE(CTestResultFrame)
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            if (!m_wndToolBar.CreateEx(this) || !m_wndToolBar.LoadToolBar(IDR_LOGWINDOW)) return -1;
            m_pToolBar = &m_wndToolBar;
            return OnCreate(reinterpret_cast<LPCREATESTRUCT>(lParam));
        }
        if (message == WM_DESTROY) {
            int n = 0;
            if (auto* pDoc = dynamic_cast<CTreeDocEx*>(GetActiveDocument())) n = pDoc->GetViewIndex();
            if (CWinThread* t = AfxGetThread()) t->PostThreadMessage(UM_RESULTVIEW_CLOSED, n, 0);
        }
        return CTreeFrameEx::WindowProc(message, wParam, lParam);
    }
    CToolBar m_wndToolBar;
};
IMPLEMENT_DYNCREATE(CTestResultFrame, CTreeFrameEx)

class CTestResultView : public CTreeViewEx {
    DECLARE_DYNCREATE(CTestResultView)
public:
    void OnCheckChanged() override {}
    CBrush* IsMarkedItem(HTREEITEM) override { return nullptr; }
};
IMPLEMENT_DYNCREATE(CTestResultView, CTreeViewEx)

void TestSetTree(CTreeDocEx* pDoc, CLogNode* pTree) {
    ++ResultSlotScope::s_nSetTree;
    pDoc->m_pFirstNode = pTree;
    pDoc->m_pLastNode = pTree;
    pDoc->m_nNodeCount = pTree ? 1 : 0;
}

const CResultWindowSlot kTestResultSlot = {
    const_cast<CRuntimeClass*>(RUNTIME_CLASS(CTestResultDoc)),
    const_cast<CRuntimeClass*>(RUNTIME_CLASS(CTestResultFrame)),
    const_cast<CRuntimeClass*>(RUNTIME_CLASS(CTestResultView)),
    &TestSetTree,
    nullptr,
    nullptr,
};

}  // namespace

int ResultSlotScope::s_nSetTree = 0;

ResultSlotScope::ResultSlotScope(bool bTestWindow) : m_pOld(CLogTreeThread::s_pResultWindow) {
    s_nSetTree = 0;
    CLogTreeThread::s_pResultWindow = bTestWindow ? &kTestResultSlot : nullptr;
}

ResultSlotScope::~ResultSlotScope() { CLogTreeThread::s_pResultWindow = m_pOld; }
