// The tree document (finds, level and hit expansion) and the tree frame (the
// match-count pane, the external scroll bar over the view's right edge).
#include "TreeFixture.h"
#include "search/SearchCondition.h"
#include "server/settings/AppSettings.h"

namespace {

CLogNode* Obj(CLogNode* call) { return call->m_pChildren->m_pNext; }
CLogNode* Arr(CLogNode* call) { return Obj(call)->m_pChildren->m_pNext; }

std::wstring ExpandedNames(const CLogNode* chain, int view) {
    std::wstring s;
    for (const CLogNode* n = chain; n; n = n->m_pNext) {
        if (n->NodeIsExpanded(view)) s += std::wstring(s.empty() ? L"" : L" ") + n->m_pEntry->m_name.m_str;
        std::wstring below = ExpandedNames(n->m_pChildren, view);
        if (!below.empty()) s += (s.empty() ? L"" : L" ") + below;
    }
    return s;
}

TEST(TreeDoc, ExpandLevelsMarksTheGivenNumberOfLevels) {
    struct Row { int levels; const wchar_t* expanded; };
    const Row rows[] = {
        {2, L"call 0 a obj b call 1 a obj b"},  // call lines and their children: three levels show
        {1, L"call 0 call 1"},
        {3, L"call 0 a obj x arr y b call 1 a obj x arr y b"},
        {0, L""},
        {-1, L""},                      // a negative depth expands nothing either
    };
    for (const Row& r : rows) {
        CTestLog log = MakeLog(2);
        CTreeDocEx doc;
        doc.ExpandLevels(log.First(), r.levels);
        EXPECT_EQ(r.expanded, ExpandedNames(log.First(), 0)) << r.levels << " levels";
    }
    CTreeDocEx doc;
    doc.ExpandLevels(nullptr, 2);  // a null chain does nothing
}

TEST(TreeDoc, ExpandFindHitsOpensThePathToEveryHitInItsOwnView) {
    CTestLog log = MakeLog(3);
    CTreeDocEx doc;
    doc.SetViewIndex(3);
    CSearchCondition cond;
    CLogNode* deep = Arr(log.calls[0])->m_pChildren->m_pNext;  // [1] of call 0
    CLogNode* top = log.calls[1]->m_pChildren;                   // a of call 1
    AddFoundNode(doc.m_FoundNodes, deep, &cond);
    AddFoundNode(doc.m_FoundNodes, top, &cond);
    doc.m_FoundNodes[log.calls[2]] = nullptr;  // a trace root alone is not climbed from
    doc.ExpandFindHits();
    EXPECT_EQ(L"call 0 obj arr call 1", ExpandedNames(log.First(), 3));
    EXPECT_EQ(L"", ExpandedNames(log.First(), 0)) << "the log window's state is its own";
    CTreeDocEx empty;
    empty.ExpandFindHits();
}

TEST(TreeDoc, RunFindHighlightsExpandsAndTellsTheViews) {
    CViewHarness h;
    ASSERT_NE(nullptr, h.m_pView);
    CTestLog log = MakeLog(4);
    h.Load(log);
    CTreeDocEx* doc = h.m_pDoc;
    doc->m_pFirstNode = log.First();
    doc->m_pLastNode = log.Last();

    // A condition on "x" of the first call that holds for every call: x = "text".
    CSearchConditionSet set;
    CSearchCondition* c = set.GetOrCreateCondition(Obj(log.calls[0])->m_pChildren);
    c->SetComparison1(L"text", SOP_EQUAL, FALSE);
    c->m_flags |= SCF_ENABLED;
    h.m_pView->m_hints.clear();
    const int n = doc->RunFind(&set);
    EXPECT_EQ(4, n);
    for (CLogNode* call : log.calls) {
        EXPECT_TRUE(IsFoundNode(doc->m_FoundNodes, Obj(call)->m_pChildren, FALSE));
        EXPECT_TRUE(call->NodeIsExpanded(0));
        EXPECT_TRUE(Obj(call)->NodeIsExpanded(0));
        EXPECT_FALSE(Arr(call)->NodeIsExpanded(0));
    }
    ASSERT_EQ(1u, h.m_pView->m_hints.size());
    EXPECT_EQ(1, h.m_pView->m_hints[0].first);
    EXPECT_EQ(reinterpret_cast<CObject*>(&doc->m_FoundNodes), h.m_pView->m_hints[0].second);
    EXPECT_EQ(1, doc->m_ActiveConditions.CountEnabled()) << "the active set is a copy";

    // A find that matches nothing: an empty map, nothing expanded, hint 1 all the same.
    SetExpansionPattern(log, 0);
    for (CLogNode* call : log.calls) call->NodeSetExpanded(0, FALSE);
    c->SetComparison1(L"nothing like it", SOP_EQUAL, FALSE);
    h.m_pView->m_hints.clear();
    EXPECT_EQ(0, doc->RunFind(&set));
    EXPECT_TRUE(doc->m_FoundNodes.empty());
    EXPECT_EQ(L"obj arr", ExpandedNames(log.First(), 0));  // the pattern's own bits only
    ASSERT_EQ(1u, h.m_pView->m_hints.size());
    EXPECT_EQ(1, h.m_pView->m_hints[0].first);
}

TEST(TreeFrame, MatchCountPane) {
    CViewHarness h;
    ASSERT_NE(nullptr, h.m_pFrame);
    CStatusBar& bar = h.m_pFrame->GetStatusBar();
    EXPECT_EQ(L"Search", bar.GetPaneText(1));
    h.m_pFrame->SetMatchCount(0);
    EXPECT_EQ(L"Number of matched = 0", bar.GetPaneText(1));
    h.m_pFrame->SetMatchCount(1234);
    EXPECT_EQ(L"Number of matched = 1234", bar.GetPaneText(1));
    h.m_pFrame->SetMatchCount(-1);
    EXPECT_EQ(L"", bar.GetPaneText(1));
}

TEST(TreeFrame, ScrollBarLiesOverTheViewsRightEdge) {
    CViewHarness h;
    ASSERT_NE(nullptr, h.m_pView);
    CVertScrollBar* dlg = h.m_pFrame->GetScrollBarDialog();
    ASSERT_NE(nullptr, dlg);
    ASSERT_EQ(dlg, h.m_pView->GetScrollBarDialog());
    for (int width : {500, 320, 700}) {
        RECT f;
        h.m_pFrame->GetWindowRect(&f);
        h.m_pFrame->MoveWindow(f.left, f.top, width, 300 + width / 4, TRUE);
        RECT view, bar, sb;
        h.m_pView->GetWindowRect(&view);
        dlg->GetWindowRect(&bar);
        dlg->m_wndScrollBar.GetWindowRect(&sb);
        EXPECT_EQ(20, bar.right - bar.left) << width;
        EXPECT_EQ(view.right - 18, bar.left) << width;
        EXPECT_EQ(view.top + 2, bar.top) << width;
        EXPECT_EQ(view.bottom - 2, bar.bottom) << width;
        EXPECT_EQ(17, sb.right - sb.left) << width;
        EXPECT_EQ(bar.left, sb.left) << width;
        EXPECT_EQ(bar.bottom - bar.top, sb.bottom - sb.top) << width;
    }
    // The view leaves a 16-pixel strip free for it.
    RECT client, window;
    h.m_pView->GetClientRect(&client);
    h.m_pView->GetWindowRect(&window);
    EXPECT_FALSE(h.m_pView->GetStyle() & WS_VSCROLL);
    EXPECT_GE((window.right - window.left) - client.right, 16);

    // The view's range reaches the bar's control.
    CTestLog log = MakeLog(100);
    h.Load(log);
    SCROLLINFO si{};
    ASSERT_TRUE(dlg->m_wndScrollBar.GetScrollInfo(&si, SIF_ALL));
    EXPECT_EQ(h.m_pView->GetTotalRows() - 1, si.nMax);
    EXPECT_EQ(static_cast<UINT>(h.m_pView->VisibleCount()), si.nPage);
    EXPECT_EQ(0, si.nPos);

    // Enter and Escape reach the bar's dialog as commands and do not close it.
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(dlg->IsWindow());

    // A frame without an active view leaves the bar where it is.
    RECT before;
    dlg->GetWindowRect(&before);
    h.m_pFrame->SetActiveView(nullptr, FALSE);
    RECT f;
    h.m_pFrame->GetWindowRect(&f);
    h.m_pFrame->MoveWindow(f.left, f.top, 450, 380, TRUE);
    RECT after;
    dlg->GetWindowRect(&after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

}  // namespace
