// The log view on the real log thread: new call lines (rows, last page,
// loaded items within the page bound), emptying, the held call's selection,
// member loads that find their item by its node, markable objects, one popup
// per right click, and the dialog commands through their slots.
#include <gtest/gtest.h>

#include "logwin_host.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "logwindows/VertScrollBar.h"
#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "server/settings/AppSettings.h"

namespace {

class LogViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_nClients = 1;
        m_host = std::make_unique<LogHost>();
        ASSERT_NE(nullptr, m_host->LogFrame());
        m_hLog = m_host->LogWnd();
        m_pView = m_host->LogView();
        m_hTree = m_pView->m_hWnd;
        m_nOldExpand = CAppSettings::Get().Settings.TreeViewExpand;
        m_host->OnLog([&] { m_host->LogFrame()->SetMainWnd(m_rec.Hwnd()); });
        ::MoveWindow(m_hLog, 0, 0, 500, 360, TRUE);
        m_host->OnLog([&] { m_nVisible = m_pView->VisibleCount(); });
    }
    void TearDown() override {
        CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
        g_nClients = 0;
        m_host.reset();
    }

    // A call handed over as the main frame hands it. The log thread lets a
    // call go on before it records it for the view: the view is read once
    // it has done that too.
    CLogNode* Add(int nMembers, bool bBreak = false, bool bObjects = false) {
        m_pLast = LinkAfter(m_pLast, MakeCall(L"call", 1, m_nKey += 10, bBreak, nMembers, bObjects));
        ::SendMessageW(m_hLog, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_pLast), 0);
        m_host->OnLog([] {});
        return m_pLast;
    }
    // A call that the main frame refused: linked into the master list, never handed over.
    CLogNode* Refuse(int nMembers) {
        m_pLast = LinkAfter(m_pLast, MakeCall(L"refused", 2, m_nKey += 10, false, nMembers));
        return m_pLast;
    }
    void WaitCaughtUp() { ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 3000)); }
    void Key(UINT vk, int n = 1) {
        for (int i = 0; i < n; ++i) ::SendMessageW(m_hTree, WM_KEYDOWN, vk, 0);
    }
    void Command(UINT id) { ::SendMessageW(m_hLog, WM_COMMAND, id, 0); }
    // What the window shows against the log; empty when it is right.
    std::string Page(bool bAtEnd) {
        std::string s;
        m_host->OnLog([&] { s = CheckShownPage(bAtEnd); });
        return s;
    }
    std::string CheckShownPage(bool bAtEnd);
    HTREEITEM ItemOf(CLogNode* pNode) {
        HTREEITEM h = nullptr;
        m_host->OnLog([&] { h = m_pView->FindItemOfNode(pNode); });
        return h;
    }
    CLogNode* NodeOf(HTREEITEM h) {
        CLogNode* p = nullptr;
        m_host->OnLog([&] { p = m_pView->NodeOfItem(h); });
        return p;
    }

    std::unique_ptr<LogHost> m_host;
    Recorder m_rec;
    HWND m_hLog = nullptr;
    HWND m_hTree = nullptr;
    CLogTreeView* m_pView = nullptr;
    CLogNode* m_pLast = nullptr;
    DWORD m_nKey = 0;
    int m_nOldExpand = 0;
    int m_nVisible = 0;
};

// ---- the page the window shows ------------------------------------------------------

int TopRowsOf(const CLogNode* p) { return 1 + (p->NodeIsExpanded(0) ? NodeCountExpandedRows(p, 0) : 0); }

// The log's rows in display order, from the document's first call line to its last.
std::vector<CLogNode*> LogRows(const CLogTreeDoc* pDoc) {
    std::vector<CLogNode*> rows;
    std::function<void(CLogNode*)> add = [&](CLogNode* p) {
        rows.push_back(p);
        if (p->NodeIsExpanded(0))
            for (CLogNode* c = p->m_pChildren; c; c = c->m_pNext) add(c);
    };
    for (CLogNode* p = pDoc->m_pFirstNode; p; p = p->m_pNext) {
        add(p);
        if (p == pDoc->m_pLastNode) break;
    }
    return rows;
}

std::string LogViewTest::CheckShownPage(bool bAtEnd) {
    std::ostringstream out;
    CLogTreeDoc* pDoc = m_host->LogDoc();
    CTreeCtrl& tc = m_pView->GetTreeCtrl();
    const std::vector<CLogNode*> rows = LogRows(pDoc);
    const int total = static_cast<int>(rows.size());
    const int v = m_pView->VisibleCount();
    auto rowOf = [&](CLogNode* p) {
        auto it = std::find(rows.begin(), rows.end(), p);
        return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
    };
    if (m_pView->GetTotalRows() != total) out << "total rows " << m_pView->GetTotalRows() << ", the log has " << total << "; ";
    const SCROLLINFO& si = m_pView->GetPushedScrollInfo();
    if (si.nMax != std::max(0, total - 1) || si.nPos != m_pView->GetFirstRow())
        out << "scroll bar " << si.nPos << "/" << si.nMax << " for first row " << m_pView->GetFirstRow() << "; ";
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    if (!total) return out.str() + (hFirst ? "an empty log shows items; " : "");
    if (!hFirst) return out.str() + "no first visible item";
    const int first = rowOf(m_pView->NodeOfItem(hFirst));
    if (first != m_pView->GetFirstRow()) out << "the first visible item is on row " << first << ", first row " << m_pView->GetFirstRow() << "; ";
    // The window's lines, read from the control: filled to its bottom when
    // the log has the rows, each the log's next row.
    RECT rcClient{};
    ::GetClientRect(m_hTree, &rcClient);
    int nShown = 0;
    HTREEITEM hLastShown = nullptr;
    for (HTREEITEM h = hFirst; h && nShown < v; h = tc.GetNextVisibleItem(h), ++nShown) {
        if (rowOf(m_pView->NodeOfItem(h)) != first + nShown) {
            out << "line " << nShown << " shows row " << rowOf(m_pView->NodeOfItem(h)) << "; ";
            break;
        }
        hLastShown = h;
    }
    if (nShown < std::min(v, total - first)) out << nShown << " lines shown, room for " << v << "; ";
    if (hLastShown) {
        RECT rc{};
        tc.GetItemRect(hLastShown, &rc, FALSE);
        if (rc.bottom > rcClient.bottom || (nShown == v && rcClient.bottom - rc.bottom >= rc.bottom - rc.top))
            out << "the last line is at " << rc.top << ".." << rc.bottom << " of " << rcClient.bottom << "; ";
        if (bAtEnd && m_pView->NodeOfItem(hLastShown) != rows.back()) out << "the window does not end with the log's last row; ";
    }
    // The root items: a run of the log's call lines without gaps, within the page bounds.
    CLogNode* pPrev = nullptr;
    HTREEITEM hRoot = tc.GetRootItem(), hLastRoot = nullptr;
    for (HTREEITEM h = hRoot; h; h = tc.GetNextSiblingItem(h)) {
        CLogNode* p = m_pView->NodeOfItem(h);
        if (pPrev && pPrev->m_pNext != p) { out << "a gap in the root items; "; break; }
        pPrev = p;
        hLastRoot = h;
    }
    if (hRoot) {
        const int firstRootRow = rowOf(m_pView->NodeOfItem(hRoot));
        const int lastOfFirstRoot = firstRootRow + TopRowsOf(m_pView->NodeOfItem(hRoot)) - 1;
        const int lastRootRow = rowOf(m_pView->NodeOfItem(hLastRoot));
        const int lastRow = rowOf(m_pView->NodeOfItem(tc.GetLastVisibleItem()));
        // A call line of many members may hold a run of its children that
        // begins later: the loaded rows are a run of the log from there.
        HTREEITEM hRunStart = hRoot;
        if (HTREEITEM c = tc.GetChildItem(hRoot);
            c && (tc.GetItemState(hRoot, TVIS_EXPANDED) & TVIS_EXPANDED) &&
            m_pView->NodeOfItem(c) != m_pView->NodeOfItem(hRoot)->m_pChildren)
            hRunStart = c;
        const int firstLoadedRow = rowOf(m_pView->NodeOfItem(hRunStart));
        int nLoaded = 0;
        for (HTREEITEM h = hRunStart; h; h = tc.GetNextVisibleItem(h), ++nLoaded) {
            if (rowOf(m_pView->NodeOfItem(h)) != firstLoadedRow + nLoaded) {
                out << "the loaded rows are not a run of the log at row " << firstLoadedRow + nLoaded << "; ";
                break;
            }
        }
        if (nLoaded > 8 * v + 60) out << nLoaded << " rows loaded for a page of " << v << "; ";
        if (firstLoadedRow > std::max(0, first - (v + 1))) out << "rows above: from " << firstLoadedRow << " for first " << first << "; ";
        if (lastRow < std::min(total - 1, first + 2 * v + 1)) out << "rows below: to " << lastRow << " for first " << first << "; ";
        // End and Home keep two pages from the first visible item's own call line.
        const int firstOfFirstVisibleRoot = rowOf(FindEntryRoot(m_pView->NodeOfItem(hFirst)));
        if (lastOfFirstRoot < std::min(first - (v + 1), firstOfFirstVisibleRoot - (2 * v + 1)))
            out << "a root item wholly above the page bounds; ";
        if (lastRootRow > first + 2 * v + 1) out << "a root item wholly below the page bounds; ";
    }
    return out.str();
}

TEST_F(LogViewTest, NewCallLinesAddTheirRowsShowTheLastPageAndStayWithinThePageBound) {
    struct Case {
        int nExpand;
        int nMembers;
        int nRowsPerCall;
    };
    const Case cases[] = {{0, 3, 1}, {2, 3, 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "TreeViewExpand " << c.nExpand);
        m_host->OnLog([&] { m_host->LogDoc()->ClearLog(); });
        CAppSettings::Get().Settings.TreeViewExpand = c.nExpand;
        ASSERT_GT(m_nVisible, 3);
        // Whole calls: the bound above the first visible one, the page, and
        // the two calls that straddle them.
        const int nRootBound = (2 * m_nVisible + 1) / c.nRowsPerCall + 3;
        for (int i = 1; i <= 150; ++i) {
            CLogNode* pCall = Add(c.nMembers);
            const int nTotal = i * c.nRowsPerCall;
            ASSERT_EQ(nTotal, m_pView->GetTotalRows()) << "call " << i;
            const int nPage = static_cast<int>(m_pView->GetPushedScrollInfo().nPage);
            ASSERT_EQ(std::max(0, nTotal - nPage), m_pView->GetFirstRow()) << "call " << i;
            // The items follow by themselves.
            ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000)) << "call " << i;
            int nRoots = 0;
            for (HTREEITEM h = TreeView_GetRoot(m_hTree); h; h = TreeView_GetNextSibling(m_hTree, h)) ++nRoots;
            ASSERT_LE(nRoots, nRootBound) << "call " << i;
            ASSERT_EQ(nRoots * (1 + c.nMembers), ItemCount(m_hTree)) << "call " << i;
            // The newest row is on the page.
            HTREEITEM hLast = TreeView_GetLastVisible(m_hTree);
            CLogNode* pLastRow = c.nExpand ? NodeLastDescendant(pCall) : pCall;
            ASSERT_EQ(pLastRow, NodeOf(hLast)) << "call " << i;
            RECT rc{}, rcClient{};
            ASSERT_TRUE(TreeView_GetItemRect(m_hTree, hLast, &rc, TRUE));
            ::GetClientRect(m_hTree, &rcClient);
            ASSERT_LE(rc.bottom, rcClient.bottom) << "call " << i;
            ASSERT_GE(rc.top, 0) << "call " << i;
        }
        EXPECT_EQ(150, m_host->LogDoc()->m_nNodeCount);
        EXPECT_EQ(m_pLast, m_host->LogDoc()->m_pLastNode);
    }
}

// What the window shows through the view's own new-call path: the end of the
// log after a run of calls, at a break, after the user scrolled away and
// calls came again, with calls refused in between or at the end, and after
// End; every call in the loaded run, within the page bounds.
TEST_F(LogViewTest, TheWindowShowsTheEndOfTheLogAfterRunsOfCallsBreaksScrollsAndRefusedCalls) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    enum class Op { Calls, Wide, Break, Keys, Restart, StepOver, Refused, ClientLeft, Idle };
    struct Step {
        Op op;
        int n;
        UINT vk;
        bool bAtEnd;
    };
    struct Sequence {
        const char* name;
        std::vector<Step> steps;
    };
    const Sequence sequences[] = {
        {"a run of calls, then a break", {{Op::Calls, 30, 0, true}, {Op::Break, 3, 0, true}}},
        {"scrolled up at a break, ReStart, one more call",
         {{Op::Calls, 40, 0, true}, {Op::Break, 3, 0, true}, {Op::Keys, 3, VK_PRIOR, false},
          {Op::Restart, 0, 0, false}, {Op::Calls, 1, 0, true}}},
        {"scrolled up at a break, StepOver holds the next call",
         {{Op::Calls, 40, 0, true}, {Op::Break, 3, 0, true}, {Op::Keys, 3, VK_PRIOR, false},
          {Op::StepOver, 0, 0, false}, {Op::Break, 2, 0, true}, {Op::Restart, 0, 0, true}, {Op::Calls, 5, 0, true}}},
        {"an idle log scrolled up, then a new client's calls",
         {{Op::Calls, 40, 0, true}, {Op::Idle, 0, 0, true}, {Op::Keys, 2, VK_PRIOR, false},
          {Op::Calls, 6, 0, true}}},
        {"calls refused between two handed ones",
         {{Op::Calls, 20, 0, true}, {Op::Refused, 5, 0, true}, {Op::Calls, 1, 0, true},
          {Op::Idle, 0, 0, true}, {Op::Keys, 1, VK_HOME, false}, {Op::Keys, 1, VK_END, true}}},
        {"calls refused at the end, then their client leaves",
         {{Op::Calls, 20, 0, true}, {Op::Refused, 7, 0, true}, {Op::ClientLeft, 0, 0, true},
          {Op::Keys, 4, VK_PRIOR, false}, {Op::Keys, 1, VK_END, true}}},
        {"End after scrolling to the top", {{Op::Calls, 60, 0, true}, {Op::Idle, 0, 0, true},
                                            {Op::Keys, 1, VK_HOME, false}, {Op::Keys, 1, VK_END, true}}},
        {"a call of many members, paged into, then more calls",
         {{Op::Calls, 20, 0, true}, {Op::Wide, 3000, 0, true}, {Op::Calls, 5, 0, true}, {Op::Idle, 0, 0, true},
          {Op::Keys, 5, VK_PRIOR, false}, {Op::Keys, 3, VK_UP, false}, {Op::Calls, 3, 0, true},
          {Op::Idle, 0, 0, true}, {Op::Keys, 1, VK_HOME, false}, {Op::Keys, 30, VK_NEXT, false},
          {Op::Keys, 1, VK_END, true}}},
        {"a held call of many members",
         {{Op::Calls, 10, 0, true}, {Op::Break, 3000, 0, true}, {Op::Keys, 4, VK_PRIOR, false},
          {Op::Keys, 2, VK_BACK, false}, {Op::Restart, 0, 0, false}, {Op::Calls, 2, 0, true}}},
    };
    for (const Sequence& seq : sequences) {
        SCOPED_TRACE(seq.name);
        m_host->OnLog([&] { m_host->LogDoc()->ClearLog(); });
        g_nClients = 1;
        ::SendMessageW(m_hLog, UM_DISCONNECTED, 0, 0);  // no flags left from the sequence before
        int nStep = 0;
        for (const Step& step : seq.steps) {
            SCOPED_TRACE(testing::Message() << "step " << ++nStep);
            switch (step.op) {
            case Op::Calls:
                g_nClients = 1;
                for (int i = 0; i < step.n; ++i) Add(3);
                break;
            case Op::Wide:
                g_nClients = 1;
                Add(step.n);
                break;
            case Op::Break: {
                CLogNode* pHeld = Add(step.n, true);
                // Held: on the page and selected when the hand-over returns.
                EXPECT_EQ("", Page(true));
                EXPECT_EQ(NodeLastDescendant(pHeld), NodeOf(TreeView_GetSelection(m_hTree)));
                break;
            }
            case Op::Keys: Key(step.vk, step.n); break;
            case Op::Restart: Command(ID_TRACE_RESTART); break;
            case Op::StepOver: Command(ID_TRACE_STEPOVER); break;
            case Op::Refused:
                for (int i = 0; i < step.n; ++i) Refuse(2);
                break;
            case Op::ClientLeft:
                g_nClients = 0;
                ::SendMessageW(m_hLog, UM_DISCONNECTED, DISCONNECT_LIST_COMPLETE, 0);
                break;
            case Op::Idle:
                g_nClients = 0;
                ::SendMessageW(m_hLog, UM_DISCONNECTED, 0, 0);
                break;
            }
            WaitCaughtUp();
            EXPECT_EQ("", Page(step.bAtEnd));
        }
        g_nClients = 1;
    }
}

// Release Memory while clients still trace (a forced stop counts none) does
// nothing: the pools stay under the calls they hand over. With none left it
// empties the view, and the calls that come next are shown.
TEST_F(LogViewTest, ReleaseMemoryWaitsForTheLastClientAndTheViewShowsTheCallsThatComeNext) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    for (int i = 0; i < 20; ++i) Add(3);
    WaitCaughtUp();
    g_nClients = 0;        // after a forced stop
    g_nLiveClients = 2;    // while two clients still trace
    ::SendMessageW(m_hLog, UM_DISCONNECTED, 0, 0);
    m_host->OnLog([&] { m_host->LogFrame()->UpdateToolButtons(); });
    HWND hToolBar = m_host->LogFrame()->GetToolBar().m_hWnd;
    EXPECT_FALSE(::SendMessageW(hToolBar, TB_ISBUTTONENABLED, ID_TRACE_RELEASEMEMORY, 0));
    Command(ID_TRACE_RELEASEMEMORY);
    PumpFor(50);
    EXPECT_EQ(20, m_host->LogDoc()->m_nNodeCount);
    EXPECT_EQ("", Page(true));
    for (int i = 0; i < 5; ++i) Add(3);
    WaitCaughtUp();
    EXPECT_EQ("", Page(true));

    g_nLiveClients = 0;
    m_host->OnLog([&] { m_host->LogFrame()->UpdateToolButtons(); });
    EXPECT_TRUE(::SendMessageW(hToolBar, TB_ISBUTTONENABLED, ID_TRACE_RELEASEMEMORY, 0));
    Command(ID_TRACE_RELEASEMEMORY);
    EXPECT_EQ(0, m_host->LogDoc()->m_nNodeCount);
    EXPECT_EQ(0, ItemCount(m_hTree));
    g_nClients = 1;
    CLogNode* pFirst = Add(3);
    for (int i = 0; i < 24; ++i) Add(3);
    WaitCaughtUp();
    EXPECT_EQ(pFirst, m_host->LogDoc()->m_pFirstNode);
    EXPECT_EQ("", Page(true));
}

// One vertical bar on the window: the external one. The control's own stays
// hidden through runs of calls, a break, paging and painting, and the strip
// it would take is the external bar's.
TEST_F(LogViewTest, OnlyTheExternalVerticalBarShows) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    ::SetWindowPos(m_hLog, nullptr, 40, 40, 500, 400, SWP_NOZORDER | SWP_SHOWWINDOW);
    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        PumpFor(100);
        m_host->OnLog([] {});  // the log thread has painted what was queued
        EXPECT_FALSE(::GetWindowLongW(m_hTree, GWL_STYLE) & WS_VSCROLL);
        SCROLLBARINFO sbi{sizeof(sbi)};
        ASSERT_TRUE(::GetScrollBarInfo(m_hTree, OBJID_VSCROLL, &sbi));
        EXPECT_TRUE(sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE);
        RECT rw{}, rc{};
        ::GetWindowRect(m_hTree, &rw);
        ::GetClientRect(m_hTree, &rc);
        // The frame of the control, the strip and nothing more (no room for a bar of its own).
        EXPECT_LE(rw.right - rw.left - rc.right, 16 + 2 * ::GetSystemMetrics(SM_CXEDGE));
        EXPECT_GE(rw.right - rw.left - rc.right, 16);
        HWND hBar = m_host->LogFrame()->GetScrollBarDialog()->m_wndScrollBar.m_hWnd;
        EXPECT_TRUE(::IsWindowVisible(hBar));
        // Usable exactly when the view is; an enabled bar stands for the log's rows.
        ASSERT_EQ(::IsWindowEnabled(m_hTree), ::IsWindowEnabled(hBar));
        if (!::IsWindowEnabled(hBar)) return;
        SCROLLINFO si{sizeof(si), SIF_ALL};
        ::GetScrollInfo(hBar, SB_CTL, &si);
        EXPECT_EQ(m_pView->GetTotalRows() - 1, si.nMax);
        EXPECT_EQ(m_pView->GetFirstRow(), si.nPos);
    };
    for (int i = 0; i < 100; ++i) Add(3);
    WaitCaughtUp();
    check("after a run of calls, the client still tracing");
    Add(3, true);
    check("at a break");
    Key(VK_PRIOR, 3);
    check("after paging up");
    ::RedrawWindow(m_hLog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    check("after a repaint");
    Command(ID_TRACE_RESTART);
    for (int i = 0; i < 50; ++i) Add(3);
    WaitCaughtUp();
    check("after more calls");
    g_nClients = 0;
    ::SendMessageW(m_hLog, UM_DISCONNECTED, DISCONNECT_LIST_COMPLETE, 0);
    WaitCaughtUp();
    ASSERT_TRUE(::IsWindowEnabled(m_hTree));
    check("once the client has gone");
    g_nClients = 1;
}

TEST_F(LogViewTest, AHeldCallSelectsItsLastRow) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    Add(2);
    CLogNode* pHeld = Add(3, true);
    HTREEITEM hSel = TreeView_GetSelection(m_hTree);
    EXPECT_EQ(NodeLastDescendant(pHeld), NodeOf(hSel));
    EXPECT_EQ(NodeLastDescendant(pHeld), m_pView->GetCaretNode());
    EXPECT_TRUE(::IsWindowEnabled(m_hTree));
}

// Calls that come faster than the view shows them: the items follow with no
// input at all, within a bounded time even while the calls keep coming, as
// whole calls in log order ending at the newest; a held call is shown at once.
TEST_F(LogViewTest, NewCallsAreShownWithoutInputWithinBoundedTimeAndAHeldCallAtOnce) {
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    const int nRowsPerCall = 4;
    const int nRootBound = (2 * m_nVisible + 1) / nRowsPerCall + 3;
    auto checkPage = [&](CLogNode* pNewest) {
        int nRoots = 0;
        CLogNode* pExpected = nullptr;
        for (HTREEITEM h = TreeView_GetRoot(m_hTree); h; h = TreeView_GetNextSibling(m_hTree, h)) {
            CLogNode* p = NodeOf(h);
            if (pExpected) {
                ASSERT_EQ(pExpected, p) << "root " << nRoots;
            }
            pExpected = p->m_pNext;
            ++nRoots;
        }
        ASSERT_LE(nRoots, nRootBound);
        ASSERT_GT(nRoots, m_nVisible / nRowsPerCall);
        ASSERT_EQ(nRoots * nRowsPerCall, ItemCount(m_hTree));
        ASSERT_EQ(NodeLastDescendant(pNewest), NodeOf(TreeView_GetLastVisible(m_hTree)));
    };

    // A burst, then nothing touches the view: it catches up by itself.
    for (int i = 0; i < 60; ++i) Add(3);
    ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000));
    EXPECT_EQ(60 * nRowsPerCall, m_pView->GetTotalRows());
    checkPage(m_pLast);

    // A stream with no pause: no call waits for its items beyond the bound.
    const ULONGLONG nBound = CLogTreeView::kMaxPendingMs + 100;
    ULONGLONG nLongest = 0;
    for (const ULONGLONG t0 = ::GetTickCount64(); ::GetTickCount64() - t0 < 700;) {
        Add(3);
        if (m_pView->AreCallsWaiting()) nLongest = std::max(nLongest, ::GetTickCount64() - m_pView->PendingSince());
    }
    EXPECT_LE(nLongest, nBound);
    ASSERT_TRUE(PumpUntil([&] { return !m_pView->IsCatchUpPending(); }, 2000));
    checkPage(m_pLast);

    // A call held at a break is on the page and selected when the hand-over returns.
    Add(3);
    CLogNode* pHeld = Add(3, true);
    EXPECT_FALSE(m_pView->IsCatchUpPending());
    EXPECT_EQ(NodeLastDescendant(pHeld), NodeOf(TreeView_GetSelection(m_hTree)));
    checkPage(pHeld);
}

TEST_F(LogViewTest, MembersAreAskedForOnlyForTheHeldCallAndLandOnTheNodesItemFoundAgain) {
    CAppSettings::Get().Settings.TreeViewExpand = 0;
    CLogNode* pOld = Add(2, false, true);
    CLogNode* pHeld = Add(2, true, true);
    m_rec.Take();

    // Opening the older call asks nothing; opening the held one asks once.
    ::SendMessageW(m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(ItemOf(pOld)));
    PumpFor(50);
    EXPECT_TRUE(m_rec.Take().empty());
    HTREEITEM hAsked = ItemOf(pHeld);
    ::SendMessageW(m_hTree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hAsked));
    PumpFor(50);
    ASSERT_EQ(1u, m_rec.m_msgs.size());
    EXPECT_EQ(UM_LOAD_MEMBERS, m_rec.m_msgs[0].message);
    EXPECT_EQ(reinterpret_cast<WPARAM>(pHeld), m_rec.m_msgs[0].wParam);
    m_rec.m_msgs.clear();

    // Meanwhile the page is built again: the item that asked is gone.
    m_host->OnLog([&] {
        m_pView->GetTreeCtrl().DeleteAllItems();
        m_pView->LoadRootItem(pOld);
        m_pView->LoadRootItem(pHeld);
    });
    m_rec.Take();
    // The main thread loads the members (as the capture does) and answers.
    for (CLogNode* pMember = pHeld->m_pChildren; pMember; pMember = pMember->m_pNext) {
        CLogNode* pChild = AllocNode();
        pChild->m_pEntry->m_name = L"Name";
        pChild->m_pEntry->m_type = L"VT_BSTR";
        pMember->m_pChildren = pChild;
        pChild->m_pBack = pMember;
        pMember->m_pEntry->ClearFlags(LOGF_NOT_LOADED);
    }
    ::PostMessageW(m_hLog, UM_MEMBERS_LOADED, reinterpret_cast<WPARAM>(pHeld), reinterpret_cast<LPARAM>(hAsked));
    PumpFor(100);
    HTREEITEM hNow = ItemOf(pHeld);
    ASSERT_NE(nullptr, hNow);
    HTREEITEM hMember = TreeView_GetChild(m_hTree, hNow);
    ASSERT_NE(nullptr, hMember);
    HTREEITEM hGrandChild = TreeView_GetChild(m_hTree, hMember);
    ASSERT_NE(nullptr, hGrandChild);
    EXPECT_EQ(pHeld->m_pChildren->m_pChildren, NodeOf(hGrandChild));
}

TEST_F(LogViewTest, OnlyObjectsOfTheHeldCallAreMarkable) {
    CAppSettings::Get().Settings.TreeViewExpand = 1;
    CLogNode* pOld = Add(1, false, true);
    CLogNode* pHeld = Add(3, true, true);
    CLogNode* pArray = pHeld->m_pChildren->m_pNext;
    pArray->m_pEntry->SetKind(LOGK_ARRAY);
    CLogNode* pNoKey = pArray->m_pNext;
    pNoKey->m_pEntry->m_key = 0;
    struct Case {
        const char* what;
        CLogNode* pNode;
        bool bPaused;
        bool bMarkable;
    };
    const Case cases[] = {
        {"object of the held call", pHeld->m_pChildren, true, true},
        {"same, not paused", pHeld->m_pChildren, false, false},
        {"object of an older call", pOld->m_pChildren, true, false},
        {"array of the held call", pArray, true, false},
        {"object without key", pNoKey, true, false},
        {"the held call line", pHeld, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_host->OnLog([&] {
            m_host->LogFrame()->SetTraceFlags(false, c.bPaused, false);
            EXPECT_EQ(c.bMarkable, m_pView->IsMarkableObject(c.pNode) != FALSE);
            HTREEITEM h = m_pView->FindItemOfNode(c.pNode);
            ASSERT_NE(nullptr, h);
            EXPECT_EQ(c.bMarkable, m_pView->IsMarkedItem(h) == &CAppSettings::Get().ObjInfoBrush);
            // Ctrl+I runs only for a markable object.
            m_pView->SelectCaretItem(h);
        });
        m_rec.Take();
        ::SendMessageW(m_hLog, WM_COMMAND, MAKEWPARAM(ID_TOOL_OBJECTINFO, 1), 0);
        PumpFor(20);
        std::vector<UINT> expected;
        if (c.bMarkable) expected.push_back(UM_OBJINFO_REQUEST);
        EXPECT_EQ(expected, m_rec.Take());
    }
}

int g_nPopups = 0;
BOOL CountPopup(HMENU hMenu, UINT, int, int, CWnd*) {
    ++g_nPopups;
    return ::GetMenuItemID(hMenu, 0) == ID_POPUP_OBJECTINFO;
}

TEST_F(LogViewTest, OneRightClickOnAnObjectOpensOnePopup) {
    CAppSettings::Get().Settings.TreeViewExpand = 1;
    CLogNode* pHeld = Add(1, true, true);
    auto* const pOld = CLogTreeView::s_pfnTrackPopup;
    CLogTreeView::s_pfnTrackPopup = &CountPopup;
    g_nPopups = 0;
    HTREEITEM hItem = ItemOf(pHeld->m_pChildren);
    RECT rc{};
    ASSERT_TRUE(TreeView_GetItemRect(m_hTree, hItem, &rc, TRUE));
    const LPARAM pt = MAKELPARAM(rc.left + 4, (rc.top + rc.bottom) / 2);
    POINT screen{rc.left + 4, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(m_hTree, &screen);
    ::SetCursorPos(screen.x, screen.y);
    // The control follows the button with its own loop until the button is
    // up. Both go from the log thread itself: from here, the thread could take
    // the posted button-up before the sent button-down, and the loop would
    // wait for ever.
    m_host->OnLog([&] {
        ::PostMessageW(m_hTree, WM_RBUTTONUP, 0, pt);
        ::SendMessageW(m_hTree, WM_RBUTTONDOWN, MK_RBUTTON, pt);
    });
    PumpFor(200);
    EXPECT_EQ(1, g_nPopups);
    EXPECT_EQ(hItem, TreeView_GetSelection(m_hTree));
    // The keyboard's context menu opens it at the item.
    ::SendMessageW(m_hTree, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hTree), -1);
    EXPECT_EQ(2, g_nPopups);
    CLogTreeView::s_pfnTrackPopup = pOld;
}

// Dialogs through their slots: fakes that record what the view asks.
std::vector<std::string> g_dialogLog;
CExtractDialog* MakeExtract(CTreeViewEx*, CCheckedRootSet*) {
    g_dialogLog.push_back("make extract");
    return reinterpret_cast<CExtractDialog*>(static_cast<UINT_PTR>(0x10));
}
CFindDialog* MakeFind(CTreeViewEx*, CCheckedRootSet*) {
    g_dialogLog.push_back("make find");
    return reinterpret_cast<CFindDialog*>(static_cast<UINT_PTR>(0x20));
}
CMoveFindDialog* MakeMove(CTreeViewEx*, CSearchConditionSet*) {
    g_dialogLog.push_back("make move");
    return reinterpret_cast<CMoveFindDialog*>(static_cast<UINT_PTR>(0x30));
}
template <class T>
void Show(T*, int n) {
    g_dialogLog.push_back(n == SW_RESTORE ? "restore" : "show");
}
void DestroyExtract(CExtractDialog*) { g_dialogLog.push_back("destroy extract"); }
void DestroyFind(CFindDialog*) { g_dialogLog.push_back("destroy find"); }
void DestroyMove(CMoveFindDialog*) { g_dialogLog.push_back("destroy move"); }

const CExtractDialogSlot kExtract = {&MakeExtract, &Show<CExtractDialog>, nullptr, nullptr, &DestroyExtract};
const CFindDialogSlot kFind = {&MakeFind, &Show<CFindDialog>, nullptr, nullptr, nullptr, &DestroyFind};
const CMoveDialogSlot kMove = {&MakeMove, &Show<CMoveFindDialog>, nullptr, nullptr, nullptr, &DestroyMove};

TEST_F(LogViewTest, DialogCommandsOpenOneDialogEachAndReleaseMemoryEmptiesTheViewAndDestroysThem) {
    // Without slots the commands do nothing.
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_FIND_DIALOG, 0);
    EXPECT_EQ(nullptr, m_pView->GetExtractDialog());
    EXPECT_EQ(nullptr, m_pView->GetFindDialog());

    CLogTreeThread::s_pExtractDialog = &kExtract;
    CLogTreeThread::s_pFindDialog = &kFind;
    CLogTreeThread::s_pMoveDialog = &kMove;
    g_dialogLog.clear();
    CAppSettings::Get().Settings.TreeViewExpand = 2;
    for (int i = 0; i < 30; ++i) Add(2);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_EXTRACT_DIALOG, 0);
    ::SendMessageW(m_hLog, WM_COMMAND, ID_FIND_DIALOG, 0);
    m_host->OnLog([&] { m_pView->SendMessage(WM_COMMAND, ID_MOVE_DIALOG, 0); });
    const std::vector<std::string> opened = {"make extract", "show", "restore", "make find", "show",
                                             "make move", "show"};
    EXPECT_EQ(opened, g_dialogLog);
    g_dialogLog.clear();

    g_nClients = 0;
    ::SendMessageW(m_hLog, WM_COMMAND, ID_TRACE_RELEASEMEMORY, 0);
    const std::vector<std::string> destroyed = {"destroy extract", "destroy find", "destroy move"};
    EXPECT_EQ(destroyed, g_dialogLog);
    EXPECT_EQ(nullptr, m_pView->GetExtractDialog());
    EXPECT_EQ(nullptr, m_pView->GetFindDialog());
    EXPECT_EQ(nullptr, m_pView->GetMoveDialog());
    EXPECT_EQ(0, m_pView->GetTotalRows());
    EXPECT_EQ(0, m_pView->GetFirstRow());
    EXPECT_EQ(0, ItemCount(m_hTree));
    EXPECT_EQ(0, m_pView->GetPushedScrollInfo().nMax);
    CLogTreeThread::s_pExtractDialog = nullptr;
    CLogTreeThread::s_pFindDialog = nullptr;
    CLogTreeThread::s_pMoveDialog = nullptr;
}

}  // namespace
