// Log window benchmark: the real log thread and log window fed call lines in
// process, as the main frame hands them over (UM_ADD_ENTRY, synchronously),
// at 1,000 and at 1,000,000 calls. Each call line is built as the capture
// builds one: a call node with four members, one of them an object with two
// members of its own, the call expanded two levels (TreeViewExpand 2).
//
// Measured at each size: the time per appended call (the last 1,000 calls),
// per page scroll (page up from the end, then page down), per thumb jump to
// the middle and to the end, and the process memory per call line. Goal:
// every time at 1,000,000 calls at most twice the time at 1,000.
//
//   bench_logsize.exe [large size, default 1000000]
#define PSAPI_VERSION 2
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>

#include "framework/App.h"
#include "logwindows/LogTreeFrame.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/LogTreeView.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

class CBenchApp : public CWinApp {
public:
    CBenchApp() : CWinApp(L"Zavetra") {}
};
CBenchApp theApp;

double Now() {
    static LARGE_INTEGER f = [] {
        LARGE_INTEGER x;
        ::QueryPerformanceFrequency(&x);
        return x;
    }();
    LARGE_INTEGER c;
    ::QueryPerformanceCounter(&c);
    return double(c.QuadPart) / double(f.QuadPart);
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof(pmc);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PagefileUsage;
}

// Takes what the log frame posts to the "main frame" and drops it.
LRESULT CALLBACK DropProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return m >= WM_APP ? 0 : ::DefWindowProcW(h, m, w, l);
}

void Drain() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

CLogNode* Member(CLogNode* pParent, CLogNode* pPrev, LPCWSTR name, LPCWSTR type, LPCWSTR value, DWORD kind,
                 DWORD_PTR key) {
    CLogNode* p = AllocNode();
    p->m_pEntry->m_name = name;
    p->m_pEntry->m_type = type;
    p->m_pEntry->m_value = value;
    p->m_pEntry->SetKind(kind);
    p->m_pEntry->m_key = key;
    if (pPrev) {
        pPrev->m_pNext = p;
        p->m_pBack = pPrev;
    } else {
        pParent->m_pChildren = p;
        p->m_pBack = pParent;
    }
    return p;
}

// One call line with its argument tree, linked behind pPrev.
CLogNode* MakeCall(CLogNode* pPrev, DWORD nKey) {
    CLogNode* pCall = AllocNode();
    CLogEntry* e = pCall->m_pEntry;
    e->m_name = L"after load";
    e->SetKind(LOGK_CALL);
    e->SetClientId(1);
    e->m_key = nKey;
    CLogNode* m = Member(pCall, nullptr, L"dict", L"IDispatch*", L"IDictionary", LOGK_OBJECT, 0x1000);
    CLogNode* c = Member(m, nullptr, L"Count", L"LONG", L"2, 0x00000002", LOGK_MEMBER, 0);
    Member(m, c, L"CompareMode", L"LONG", L"0, 0x00000000", LOGK_MEMBER, 0);
    m = Member(pCall, m, L"count", L"LONG", L"2, 0x00000002", LOGK_MEMBER, 0);
    m = Member(pCall, m, L"when", L"DATE", L"12/10/2026 3:22:27 PM", LOGK_MEMBER, 0);
    Member(pCall, m, L"label", L"BSTR", L"some text", LOGK_MEMBER, 0);
    e->SetFlags(LOGF_MEMBER_TREE);
    if (pPrev) {
        pPrev->m_pNext = pCall;
        pCall->m_pBack = pPrev;
    }
    return pCall;
}

struct Figures {
    double append, pageUp, pageDown, thumbMiddle, thumbEnd, bytesPerCall;
};

void Scroll(HWND hLog, UINT nCode, int nTrack = 0) {
    SCROLLINFO si{sizeof(si), SIF_ALL};
    si.nTrackPos = nTrack;
    si.nPos = nTrack;
    ::SendMessageW(hLog, UM_SCROLLBAR, nCode, reinterpret_cast<LPARAM>(&si));
}

bool Run(int nCalls, Figures& f) {
    HWND hDrop = ::CreateWindowExW(0, L"ZvBenchDrop", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
    auto* pThread = dynamic_cast<CLogTreeThread*>(CLogTreeThread::CreateForMainFrame(hDrop));
    if (!pThread) return false;
    pThread->ResumeThread();
    while (!pThread->m_pLogFrame || !::IsWindowVisible(pThread->m_pLogFrame->m_hWnd)) ::Sleep(10);
    Drain();
    CLogTreeFrame* pFrame = pThread->m_pLogFrame;
    HWND hLog = pFrame->m_hWnd;
    ::MoveWindow(hLog, 0, 0, 800, 600, TRUE);
    g_nClients = 1;  // a client runs: the view takes no input meanwhile

    const SIZE_T before = PrivateBytes();
    CLogNode* pLast = nullptr;
    const int nTimed = nCalls < 1000 ? nCalls : 1000;
    double t0 = 0;
    for (int i = 0; i < nCalls; ++i) {
        if (i == nCalls - nTimed) t0 = Now();
        pLast = MakeCall(pLast, static_cast<DWORD>(i));
        ::SendMessageW(hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(pLast), 0);
        if ((i & 255) == 255) Drain();
    }
    f.append = (Now() - t0) / nTimed;
    Drain();
    f.bytesPerCall = double(PrivateBytes() - before) / nCalls;

    // The user looks through the log once the client has gone.
    g_nClients = 0;
    ::SendMessageW(hLog, UM_DISCONNECTED, 0, 0);
    const int nPages = 100;
    t0 = Now();
    for (int i = 0; i < nPages; ++i) Scroll(hLog, SB_PAGEUP);
    f.pageUp = (Now() - t0) / nPages;
    t0 = Now();
    for (int i = 0; i < nPages; ++i) Scroll(hLog, SB_PAGEDOWN);
    f.pageDown = (Now() - t0) / nPages;

    const int nTotal = pFrame->GetLogView()->GetTotalRows();
    const int nJumps = 20;
    double tMiddle = 0, tEnd = 0;
    for (int i = 0; i < nJumps; ++i) {
        t0 = Now();
        Scroll(hLog, SB_THUMBTRACK, nTotal / 2);
        Scroll(hLog, SB_THUMBPOSITION, nTotal / 2);
        tMiddle += Now() - t0;
        t0 = Now();
        Scroll(hLog, SB_THUMBTRACK, nTotal - 1);
        Scroll(hLog, SB_THUMBPOSITION, nTotal - 1);
        tEnd += Now() - t0;
    }
    f.thumbMiddle = tMiddle / nJumps;
    f.thumbEnd = tEnd / nJumps;
    Drain();

    pThread->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0);
    ::WaitForSingleObject(pThread->m_hThread, INFINITE);
    delete pThread;
    ::DestroyWindow(hDrop);
    Drain();
    ReleaseNodePools();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int nLarge = argc > 1 ? std::atoi(argv[1]) : 1000000;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), SW_SHOW);
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = DropProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZvBenchDrop";
    ::RegisterClassExW(&wc);
    CAppSettings::Get().Settings.TreeViewExpand = 2;

    const int sizes[2] = {1000, nLarge};
    Figures f[2]{};
    for (int k = 0; k < 2; ++k) {
        if (!Run(sizes[k], f[k])) {
            std::fprintf(stderr, "cannot start the log thread\n");
            return 1;
        }
    }
    std::printf("calls       append us   page up us  page dn us  thumb mid us  thumb end us  bytes/call\n");
    for (int k = 0; k < 2; ++k)
        std::printf("%9d  %10.1f  %10.1f  %10.1f  %12.1f  %12.1f  %10.0f\n", sizes[k], f[k].append * 1e6,
                    f[k].pageUp * 1e6, f[k].pageDown * 1e6, f[k].thumbMiddle * 1e6, f[k].thumbEnd * 1e6,
                    f[k].bytesPerCall);
    const char* names[2] = {"1k", "large"};
    for (int k = 0; k < 2; ++k) {
        std::printf("append_%s_s=%.9f\n", names[k], f[k].append);
        std::printf("page_up_%s_s=%.9f\n", names[k], f[k].pageUp);
        std::printf("page_down_%s_s=%.9f\n", names[k], f[k].pageDown);
        std::printf("thumb_middle_%s_s=%.9f\n", names[k], f[k].thumbMiddle);
        std::printf("thumb_end_%s_s=%.9f\n", names[k], f[k].thumbEnd);
        std::printf("memory_per_call_%s_bytes=%.0f\n", names[k], f[k].bytesPerCall);
    }
    std::printf("append_ratio=%.2f\n", f[1].append / f[0].append);
    std::printf("page_up_ratio=%.2f\n", f[1].pageUp / f[0].pageUp);
    std::printf("page_down_ratio=%.2f\n", f[1].pageDown / f[0].pageDown);
    std::printf("thumb_middle_ratio=%.2f\n", f[1].thumbMiddle / f[0].thumbMiddle);
    std::printf("thumb_end_ratio=%.2f\n", f[1].thumbEnd / f[0].thumbEnd);
    return 0;
}
