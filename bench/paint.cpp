// Paint benchmark: what one page of the paged tree view costs to paint, with
// the check boxes drawn by the view (one blit each from a strip of the check
// images, the control keeping their room) against the control drawing them
// from the check image list itself, the way it did before. Both ways in turns
// on the same page, enabled (as between calls and at a break) and disabled
// (as while clients trace, when a painting page holds every hand-over that
// comes meanwhile).
//
// A real tree frame and view on this thread, shown, with 300 call lines of
// the pools (each with four members, one an object of two) and every other
// call line checked; a page of about 35 rows. The figures are the medians of
// the paints of each kind, and each kind's ratio of the view's way to the
// control's (the floor here is the old way: lower is better).
//
//   bench_paint.exe [paints per kind, default 60]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/support/LogNodes.h"
#include "bench/support/Timing.h"
#include "framework/App.h"
#include "logwindows/TreeDocEx.h"
#include "logwindows/TreeFrameEx.h"
#include "logwindows/TreeViewEx.h"
#include "server/core/LogNode.h"
#include "server/settings/AppSettings.h"

namespace {

class CBenchApp : public CWinApp {
public:
    CBenchApp() : CWinApp(L"Zavetra") {}
};
CBenchApp theApp;

}  // namespace

// The paged view with nothing marked and nobody told of checks.
class CPaintView : public CTreeViewEx {
    DECLARE_DYNCREATE(CPaintView)
public:
    void OnCheckChanged() override {}
    CBrush* IsMarkedItem(HTREEITEM) override { return nullptr; }
};
IMPLEMENT_DYNCREATE(CPaintView, CTreeViewEx)

namespace {

void Drain() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

// A call line of four members, expanded, with the object's two members shown.
CLogNode* CallLine(CLogNode* pPrev, DWORD nKey, bool bChecked) {
    CLogNode* pCall = AllocNode();
    pCall->m_pEntry->m_name = L"after load";
    pCall->m_pEntry->SetKind(LOGK_CALL);
    pCall->m_pEntry->SetClientId(1);
    pCall->m_pEntry->m_key = nKey;
    pCall->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
    CLogNode* obj = Member(pCall, nullptr, L"dict", L"IDispatch*", L"IDictionary", LOGK_OBJECT, 0x1000);
    Member(obj, Member(obj, nullptr, L"Count", L"LONG", L"2, 0x00000002", LOGK_MEMBER, 0), L"CompareMode", L"LONG",
           L"0, 0x00000000", LOGK_MEMBER, 0);
    CLogNode* m = Member(pCall, obj, L"count", L"LONG", L"2, 0x00000002", LOGK_MEMBER, 0);
    m = Member(pCall, m, L"when", L"DATE", L"12/10/2026 3:22:27 PM", LOGK_MEMBER, 0);
    Member(pCall, m, L"label", L"BSTR", L"some text", LOGK_MEMBER, 0);
    pCall->NodeSetExpanded(0, TRUE);
    obj->NodeSetExpanded(0, TRUE);
    if (bChecked)
        for (CLogNode* p = pCall; p; p = p == pCall ? p->m_pChildren : p->m_pNext) p->NodeSetChecked(0, TRUE);
    if (pPrev) {
        pPrev->m_pNext = pCall;
        pCall->m_pBack = pPrev;
    }
    return pCall;
}

}  // namespace

int main(int argc, char** argv) {
    const int nPaints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), SW_SHOW);

    auto* pDoc = new CTreeDocEx;
    CCreateContext ctx;
    ctx.m_pNewViewClass = RUNTIME_CLASS(CPaintView);
    ctx.m_pCurrentDoc = pDoc;
    auto* pFrame = new CTreeFrameEx;
    if (!pFrame->Create(nullptr, L"Paint benchmark", WS_OVERLAPPEDWINDOW, RECT{0, 0, 800, 640}, nullptr, nullptr, 0,
                        &ctx)) {
        std::fprintf(stderr, "cannot create the tree frame\n");
        return 1;
    }
    pFrame->InitialUpdateFrame(pDoc, TRUE);
    pFrame->SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    auto* pView = dynamic_cast<CPaintView*>(pFrame->GetActiveView());
    if (!pView) {
        std::fprintf(stderr, "the frame has no view\n");
        return 1;
    }
    pView->SetScrollBarDialog(pFrame->GetScrollBarDialog());

    CLogNode* pFirst = nullptr;
    CLogNode* pLast = nullptr;
    const int nCalls = 300;
    for (int i = 0; i < nCalls; ++i) {
        pLast = CallLine(pLast, 1000u * i, i % 2 == 0);
        if (!pFirst) pFirst = pLast;
    }
    pDoc->m_pFirstNode = pFirst;
    pDoc->m_pLastNode = pLast;
    pDoc->m_nNodeCount = nCalls;
    pView->ResetTree();
    pView->SetTotalRows(pView->CountRows(pFirst));
    pView->ScrollToTop();
    pView->UpdateScrollBar();
    Drain();

    CTreeCtrl& tree = pView->GetTreeCtrl();
    HIMAGELIST hRoom = tree.GetImageList(TVSIL_NORMAL);
    HIMAGELIST hChecks = CAppSettings::Get().CheckImageList.GetSafeHandle();
    // One paint of the whole page, the way asked for: the view's (its empty
    // list on the control) or the control's (the check image list on it).
    auto Paint = [&](bool bView) {
        tree.SetImageList(bView ? hRoom : hChecks, TVSIL_NORMAL);
        ::UpdateWindow(tree.m_hWnd);
        const double t0 = Now();
        ::RedrawWindow(tree.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return Now() - t0;
    };
    struct CKind {
        const char* name;
        BOOL bEnabled;
        std::vector<double> view, control;
    } kinds[] = {{"enabled", TRUE, {}, {}}, {"disabled", FALSE, {}, {}}};
    for (int i = -5; i < nPaints; ++i)
        for (CKind& k : kinds) {
            pView->EnableWindow(k.bEnabled);
            const double v = Paint(true), c = Paint(false);
            if (i >= 0) {
                k.view.push_back(v);
                k.control.push_back(c);
            }
        }
    tree.SetImageList(hRoom, TVSIL_NORMAL);
    const int nRows = static_cast<int>(tree.GetVisibleCount());

    std::vector<std::pair<std::string, double>> figures;
    for (const CKind& k : kinds) {
        const double v = Median(k.view), c = Median(k.control);
        std::fprintf(stderr, "%-8s page of %d rows: the view draws the boxes %8.1f us, the control %8.1f us\n", k.name,
                     nRows, v * 1e6, c * 1e6);
        figures.emplace_back(std::string("paint_view_") + k.name + "_s", v);
        figures.emplace_back(std::string("paint_control_") + k.name + "_s", c);
        figures.emplace_back(std::string("paint_") + k.name + "_ratio", c > 0 ? v / c : 0);
    }
    figures.emplace_back("paint_page_rows", nRows);
    pFrame->DestroyWindow();
    Drain();
    ReleaseNodePools();
    for (const auto& [name, value] : figures) std::printf("%s=%.9g\n", name.c_str(), value);
    return 0;
}
