// Log window benchmark: the real log thread and log window fed call lines in
// process, as the main frame hands them over (UM_ADD_ENTRY, synchronously),
// at 1,000 and at 1,000,000 calls. Each call line is built as the capture
// builds one: a call node with four members, one of them an object with two
// members of its own, the call expanded two levels (TreeViewExpand 2).
//
// Measured at each size: the time per appended call (the last 1,000 calls),
// per page scroll (page up from the end, then page down), per thumb jump to
// the middle and to the end, and the process memory per call line. Goal:
// every time at 1,000,000 calls at most twice the time at 1,000. The
// appending stops once the bound (below) has passed, after 1,000 more timed
// calls: the output gives the size reached.
//
// Then one call line of 1,000 and one of 100,000 name/value pairs (captured
// in process from an ObjectArray, as the main frame captures one), behind a
// few hundred ordinary calls: the hand-over of the wide call itself, the
// hand-over of a client's next call once the log thread's catch-up has had
// its time to begin (0.4 s later), and the longest of the calls after it
// (one every few milliseconds for half a second); then, once the client has
// gone, a thumb jump into the middle of the wide line and page moves (ten
// Page Down, ten Page Up) inside its rows. Goal: the 100,000 case at most
// twice the 1,000 case. Bounded: the hand-overs and the page moves each
// give up once the bound (default 30 s) has passed with the log thread still
// busy; the figure that waited is then the time waited so far, what comes
// after it is not measured, and the output says so.
//
//   bench_logsize.exe [large size, default 1000000] [wide pairs, default 100000] [bound s, default 30]
#define PSAPI_VERSION 2
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <vector>
#include <cstdlib>
#include <algorithm>

#include "bench/support/Capture.h"
#include "bench/support/LogNodes.h"
#include "bench/support/Timing.h"
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
    int nCalls;   // the calls appended: fewer than asked when the bound ended the appending
};

void Scroll(HWND hLog, UINT nCode, int nTrack = 0) {
    SCROLLINFO si{sizeof(si), SIF_ALL};
    si.nTrackPos = nTrack;
    si.nPos = nTrack;
    ::SendMessageW(hLog, UM_SCROLLBAR, nCode, reinterpret_cast<LPARAM>(&si));
}

// The log thread and its frame, as the main frame starts them; hDrop stands
// for the main frame's window.
struct CLogSide {
    HWND hDrop = nullptr;
    CLogTreeThread* pThread = nullptr;
    CLogTreeFrame* pFrame = nullptr;
    HWND hLog = nullptr;
};

bool StartLog(CLogSide& s) {
    s.hDrop = ::CreateWindowExW(0, L"ZvBenchDrop", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
    s.pThread = dynamic_cast<CLogTreeThread*>(CLogTreeThread::CreateForMainFrame(s.hDrop));
    if (!s.pThread) return false;
    s.pThread->ResumeThread();
    while (!s.pThread->m_pLogFrame || !::IsWindowVisible(s.pThread->m_pLogFrame->m_hWnd)) ::Sleep(10);
    Drain();
    s.pFrame = s.pThread->m_pLogFrame;
    s.hLog = s.pFrame->m_hWnd;
    ::MoveWindow(s.hLog, 0, 0, 800, 600, TRUE);
    return true;
}

void StopLog(CLogSide& s) {
    s.pThread->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0);
    ::WaitForSingleObject(s.pThread->m_hThread, INFINITE);
    delete s.pThread;
    ::DestroyWindow(s.hDrop);
    Drain();
    ReleaseNodePools();
}

bool Run(int nCalls, double dBound, Figures& f) {
    CLogSide side;
    if (!StartLog(side)) return false;
    CLogTreeFrame* pFrame = side.pFrame;
    HWND hLog = side.hLog;
    g_nClients = 1;  // a client runs: the view takes no input meanwhile

    const SIZE_T before = PrivateBytes();
    CLogNode* pLast = nullptr;
    const int nTimed = nCalls < 1000 ? nCalls : 1000;
    double t0 = 0;
    const double tStart = Now();
    for (int i = 0; i < nCalls; ++i) {
        // Past the bound the log ends at this size, after the timed calls.
        if (i < nCalls - nTimed && (i & 1023) == 0 && Now() - tStart > dBound) nCalls = i + nTimed;
        if (i == nCalls - nTimed) t0 = Now();
        pLast = MakeCall(pLast, static_cast<DWORD>(i));
        ::SendMessageW(hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(pLast), 0);
        if ((i & 255) == 255) Drain();
    }
    f.append = (Now() - t0) / nTimed;
    Drain();
    f.bytesPerCall = double(PrivateBytes() - before) / nCalls;
    f.nCalls = nCalls;

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

    StopLog(side);
    return true;
}

// ---- one call line of many pairs --------------------------------------------------

// The hand-over as the main frame makes it: UM_ADD_ENTRY sent, then the wait
// for the frame's posted answer. Gives up once msLimit has passed (the log
// thread is still busy then); returns the time waited.
double HandOver(const CLogSide& s, CLogNode* pNode, DWORD msLimit, bool& bTimedOut) {
    const double t0 = Now();
    DWORD_PTR r = 0;
    if (!::SendMessageTimeoutW(s.hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(pNode), 0, SMTO_NORMAL, msLimit, &r)) {
        bTimedOut = true;
        return Now() - t0;
    }
    for (;;) {
        MSG msg;
        if (::PeekMessageW(&msg, s.hDrop, UM_CONTINUE, UM_CONTINUE, PM_REMOVE)) break;
        const double waited = Now() - t0;
        if (waited * 1000 >= msLimit) {
            bTimedOut = true;
            return waited;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, msLimit - static_cast<DWORD>(waited * 1000), QS_POSTMESSAGE);
    }
    return Now() - t0;
}

struct WideFigures {
    double handOver = 0;      // the wide call's own hand-over
    double nextFirst = 0;     // the next call's, once the log thread has begun to show the wide one
    double nextMax = 0;       // the longest hand-over of the calls after it
    double nextMedian = 0;
    double pageMove = -1;     // per Page Down or Page Up inside the wide line; -1: not measured
    double thumbInto = -1;    // the thumb jump into the wide line's middle
    int nNext = 0;
    int nMoves = 0;           // page moves made within the bound
    bool bTimedOut = false;
};

// A scroll-bar command sent as the external bar sends it, given up at the
// deadline (the log thread is still busy then).
bool ScrollBounded(HWND hLog, UINT nCode, int nTrack, double deadline) {
    SCROLLINFO si{sizeof(si), SIF_ALL};
    si.nTrackPos = nTrack;
    si.nPos = nTrack;
    const double ms = std::max((deadline - Now()) * 1000, 1.0);
    DWORD_PTR r = 0;
    return ::SendMessageTimeoutW(hLog, UM_SCROLLBAR, nCode, reinterpret_cast<LPARAM>(&si), SMTO_NORMAL,
                                 static_cast<UINT>(ms), &r) != 0;
}

// A call line whose ObjectArray holds nPairs name/value pairs, captured as
// the main frame captures it (NestLevel 4, ArrayRange 100).
CLogNode* MakeWideCall(CLogNode* pPrev, DWORD nKey, size_t nPairs) {
    CLogNode* pCall = AllocNode();
    CLogEntry* e = pCall->m_pEntry;
    e->m_name = L"wide";
    e->SetKind(LOGK_CALL);
    e->SetClientId(1);
    e->m_key = nKey;
    VARIANT arg = MakeWidePairs(nPairs);
    CCapture c = CaptureArguments(arg, 4, 100);
    VariantClear(&arg);
    pCall->m_pChildren = c.pTree;
    if (c.pTree) c.pTree->m_pBack = pCall;
    EndCapture(c, false);
    e->SetFlags(LOGF_MEMBER_TREE);
    pPrev->m_pNext = pCall;
    pCall->m_pBack = pPrev;
    return pCall;
}

bool RunWide(size_t nPairs, double dBound, WideFigures& f) {
    CLogSide side;
    if (!StartLog(side)) return false;
    CLogTreeView* pView = side.pFrame->GetLogView();
    g_nClients = 1;
    const DWORD msBound = static_cast<DWORD>(dBound * 1000);
    double tStart = Now();
    auto left = [&] {
        const double ms = (dBound - (Now() - tStart)) * 1000;
        return static_cast<DWORD>(std::max(ms, 1.0));
    };
    // A few hundred ordinary calls before it.
    CLogNode* pLast = nullptr;
    DWORD nKey = 0;
    for (int i = 0; i < 300; ++i) {
        pLast = MakeCall(pLast, nKey++);
        HandOver(side, pLast, msBound, f.bTimedOut);
    }
    ::Sleep(300);  // the catch-up of those calls
    Drain();
    const int nRowsBefore = pView->GetTotalRows();
    pLast = MakeWideCall(pLast, nKey++, nPairs);
    tStart = Now();
    f.handOver = HandOver(side, pLast, left(), f.bTimedOut);
    // The log thread's catch-up timer fires meanwhile, with the wide call the
    // last of the log; then a client's next calls, one every few
    // milliseconds for half a second.
    ::Sleep(400);
    std::vector<double> next;
    const double tNext = Now();
    while (!f.bTimedOut && Now() - tNext < 0.5) {
        pLast = MakeCall(pLast, nKey++);
        next.push_back(HandOver(side, pLast, left(), f.bTimedOut));
        ::Sleep(3);
    }
    f.nNext = static_cast<int>(next.size());
    if (!next.empty()) {
        f.nextFirst = next.front();
        f.nextMax = *std::max_element(next.begin(), next.end());
        f.nextMedian = Median(next);
    }
    if (f.bTimedOut) return true;   // the log thread is still at work: left to the process's end
    Drain();

    // The user pages through the wide line once the client has gone.
    g_nClients = 0;
    ::SendMessageW(side.hLog, UM_DISCONNECTED, 0, 0);
    const int nMiddle = nRowsBefore + 1 + static_cast<int>(nPairs / 2);
    const double deadline = Now() + dBound;
    double t0 = Now();
    if (!ScrollBounded(side.hLog, SB_THUMBTRACK, nMiddle, deadline) ||
        !ScrollBounded(side.hLog, SB_THUMBPOSITION, nMiddle, deadline)) {
        f.thumbInto = Now() - t0;
        f.bTimedOut = true;
        return true;
    }
    f.thumbInto = Now() - t0;
    // Ten pages down and ten up, as many as the bound allows.
    t0 = Now();
    for (int i = 0; i < 20; ++i) {
        if (!ScrollBounded(side.hLog, i < 10 ? SB_PAGEDOWN : SB_PAGEUP, 0, deadline)) {
            f.bTimedOut = true;
            break;
        }
        ++f.nMoves;
        if (Now() >= deadline) break;
    }
    if (f.nMoves) f.pageMove = (Now() - t0) / f.nMoves;
    if (f.bTimedOut) return true;
    Drain();
    StopLog(side);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int nLarge = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const size_t nWide = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
    const double dBound = argc > 3 ? std::atof(argv[3]) : 30;
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
        if (!Run(sizes[k], dBound, f[k])) {
            std::fprintf(stderr, "cannot start the log thread\n");
            return 1;
        }
    }
    std::printf("calls       append us   page up us  page dn us  thumb mid us  thumb end us  bytes/call\n");
    for (int k = 0; k < 2; ++k)
        std::printf("%9d  %10.1f  %10.1f  %10.1f  %12.1f  %12.1f  %10.0f\n", f[k].nCalls, f[k].append * 1e6,
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
    std::printf("calls_large=%d\n", f[1].nCalls);
    if (f[1].nCalls < nLarge)
        std::printf("note: the appending reached %d of %d calls within the bound of %.0f s; the large figures are "
                    "for %d calls\n", f[1].nCalls, nLarge, dBound, f[1].nCalls);
    std::fflush(stdout);

    // One wide call line, small then large; the large one is bounded.
    const size_t wide[2] = {1000, nWide};
    WideFigures w[2]{};
    for (int k = 0; k < 2; ++k) {
        if (!RunWide(wide[k], dBound, w[k])) {
            std::fprintf(stderr, "cannot start the log thread\n");
            return 1;
        }
        if (w[k].bTimedOut) break;
    }
    std::printf("\npairs      hand-over us  next first us  next max us  next med us  next calls  thumb into us  "
                "page move us  moves\n");
    for (int k = 0; k < 2; ++k)
        std::printf("%9zu  %12.1f  %13.1f  %11.1f  %11.1f  %10d  %13.1f  %12.1f  %5d%s\n", wide[k],
                    w[k].handOver * 1e6, w[k].nextFirst * 1e6, w[k].nextMax * 1e6, w[k].nextMedian * 1e6, w[k].nNext,
                    w[k].thumbInto * 1e6, w[k].pageMove * 1e6, w[k].nMoves,
                    w[k].bTimedOut ? "  (bounded: the log thread was still busy)" : "");
    const char* wnames[2] = {"1k", "large"};
    for (int k = 0; k < 2; ++k) {
        std::printf("wide_pairs_%s=%zu\n", wnames[k], wide[k]);
        std::printf("wide_handover_%s_s=%.9f\n", wnames[k], w[k].handOver);
        std::printf("wide_next_handover_first_%s_s=%.9f\n", wnames[k], w[k].nextFirst);
        std::printf("wide_next_handover_max_%s_s=%.9f\n", wnames[k], w[k].nextMax);
        std::printf("wide_next_handover_median_%s_s=%.9f\n", wnames[k], w[k].nextMedian);
        std::printf("wide_next_calls_%s=%d\n", wnames[k], w[k].nNext);
        std::printf("wide_thumb_into_%s_s=%.9f\n", wnames[k], w[k].thumbInto);
        std::printf("wide_page_move_%s_s=%.9f\n", wnames[k], w[k].pageMove);
        std::printf("wide_page_moves_%s=%d\n", wnames[k], w[k].nMoves);
        std::printf("wide_timed_out_%s=%d\n", wnames[k], w[k].bTimedOut ? 1 : 0);
    }
    auto ratio = [](double a, double b) { return a > 0 && b > 0 ? b / a : -1.0; };
    // The hand-over that matters is the one that waits longest, the wide
    // call's own or a later one.
    const double hand0 = std::max(w[0].handOver, w[0].nextMax);
    const double hand1 = std::max(w[1].handOver, w[1].nextMax);
    std::printf("wide_handover_worst_ratio=%.2f\n", ratio(hand0, hand1));
    std::printf("wide_page_move_ratio=%.2f\n", w[1].pageMove < 0 ? -1.0 : ratio(w[0].pageMove, w[1].pageMove));
    std::printf("wide_thumb_into_ratio=%.2f\n", w[1].thumbInto < 0 ? -1.0 : ratio(w[0].thumbInto, w[1].thumbInto));
    for (int k = 0; k < 2; ++k)
        if (w[k].bTimedOut)
            std::printf("note: the %zu-pair call line kept the log thread busy beyond the bound of %.0f s: the figure "
                        "that waited is the time waited until then (at least); what came after it was not measured "
                        "(-1, or the page moves made before the bound)\n",
                        wide[k], dBound);
    std::fflush(stdout);
    // A log thread still busy is not waited for.
    if (w[0].bTimedOut || w[1].bTimedOut) ::ExitProcess(0);
    return 0;
}
