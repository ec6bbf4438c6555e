// The tree frame, document and test view of the tree-window tests.
#include "TreeFixture.h"
#include <algorithm>
#include <sstream>

IMPLEMENT_DYNCREATE(CTestTreeView, CTreeViewEx)

void PumpMessages(DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(1);
    } while (::GetTickCount64() < end);
}

CViewHarness::CViewHarness() {
    m_pDoc = new CTreeDocEx;
    CCreateContext ctx;
    ctx.m_pNewViewClass = RUNTIME_CLASS(CTestTreeView);
    ctx.m_pCurrentDoc = m_pDoc;
    m_pFrame = new CTreeFrameEx;
    RECT rc{40, 40, 640, 520};
    if (!m_pFrame->Create(nullptr, L"Tree test", WS_OVERLAPPEDWINDOW, rc, nullptr, nullptr, 0, &ctx)) {
        m_pFrame = nullptr;
        ADD_FAILURE() << "the tree frame was not created";
        return;
    }
    // Hidden, so that nothing paints; the views get their initial update all the same.
    m_pFrame->InitialUpdateFrame(m_pDoc, FALSE);
    m_pFrame->SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    m_pView = dynamic_cast<CTestTreeView*>(m_pFrame->GetActiveView());
    if (!m_pView) {
        ADD_FAILURE() << "the frame has no tree view";
        return;
    }
    m_pView->SetScrollBarDialog(m_pFrame->GetScrollBarDialog());
}

CViewHarness::~CViewHarness() {
    if (m_pFrame && m_pFrame->m_hWnd) m_pFrame->DestroyWindow();  // the document goes with its last view
    else delete m_pDoc;
}

void CViewHarness::SetPageSize(int nRows) {
    const int h = Tree().GetItemHeight();
    RECT client, frame;
    m_pView->GetClientRect(&client);
    m_pFrame->GetWindowRect(&frame);
    const int want = nRows * h + h / 2;
    const int delta = want - (client.bottom - client.top);
    m_pFrame->MoveWindow(frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top + delta, TRUE);
    ASSERT_EQ(nRows, m_pView->VisibleCount());
}

void CViewHarness::Load(const CTestLog& log) {
    m_pDoc->m_pFirstNode = log.First();
    m_pDoc->m_pLastNode = log.Last();
    m_pDoc->m_nNodeCount = static_cast<int>(log.calls.size());
    m_pView->ResetTree();
    m_pView->SetTotalRows(m_pView->CountRows(log.First()));
    m_pView->ScrollToTop();
    m_pView->UpdateScrollBar();
}

std::vector<CLogNode*> CViewHarness::LoadedRows() const {
    std::vector<CLogNode*> rows;
    for (HTREEITEM h = Tree().GetRootItem(); h; h = Tree().GetNextVisibleItem(h)) rows.push_back(m_pView->NodeOfItem(h));
    return rows;
}

HTREEITEM CViewHarness::ItemOfNode(CLogNode* n) const {
    for (HTREEITEM h = Tree().GetRootItem(); h; h = Tree().GetNextVisibleItem(h))
        if (m_pView->NodeOfItem(h) == n) return h;
    return nullptr;
}

namespace {

bool PointWithFlag(const CTreeCtrl& tc, HTREEITEM h, UINT flag, POINT* pt) {
    RECT rc;
    if (!tc.GetItemRect(h, &rc, TRUE)) return false;
    const int y = (rc.top + rc.bottom) / 2;
    for (int x = rc.left - 1; x >= 0; --x) {
        UINT flags = 0;
        if (tc.HitTest(POINT{x, y}, &flags) == h && (flags & flag)) {
            *pt = POINT{x, y};
            return true;
        }
    }
    return false;
}

}  // namespace

bool CViewHarness::ButtonPoint(HTREEITEM h, POINT* pt) const { return PointWithFlag(Tree(), h, TVHT_ONITEMBUTTON, pt); }
bool CViewHarness::IconPoint(HTREEITEM h, POINT* pt) const { return PointWithFlag(Tree(), h, TVHT_ONITEMICON, pt); }

std::string CheckPage(const CViewHarness& h, const CTestLog& log) {
    CTestTreeView* v = h.m_pView;
    CTreeCtrl& tc = h.Tree();
    const int view = v->GetViewIndex();
    const int page = v->VisibleCount();
    std::ostringstream out;
    const int total = TotalRowsOf(log, view);
    if (v->GetTotalRows() != total) out << "total rows " << v->GetTotalRows() << ", the log has " << total << "; ";
    HTREEITEM hFirst = tc.GetFirstVisibleItem();
    if (log.calls.empty()) {
        if (hFirst || v->GetFirstRow() != 0) out << "an empty log shows something; ";
        return out.str();
    }
    if (!hFirst) return out.str() + "no first visible item";
    const int row = RowOf(log, v->NodeOfItem(hFirst), view);
    if (v->GetFirstRow() != row) out << "first row " << v->GetFirstRow() << ", the first visible item is on row " << row << "; ";
    const SCROLLINFO& si = v->GetPushedScrollInfo();
    if (si.nPos != v->GetFirstRow() || si.nMax != std::max(0, total - 1) || static_cast<int>(si.nPage) != page)
        out << "scroll bar " << si.nPos << "/" << si.nMax << "/" << si.nPage << "; ";
    // The root items: consecutive top-level nodes of the log.
    CLogNode* prev = nullptr;
    for (HTREEITEM r = tc.GetRootItem(); r; r = tc.GetNextSiblingItem(r)) {
        CLogNode* n = v->NodeOfItem(r);
        if (prev && prev->m_pNext != n) { out << "a gap in the root items; "; break; }
        prev = n;
    }
    // Rows loaded around the first visible item, and what the log has there.
    // A wide call line may hold a run of its children that begins later:
    // its line then stands alone above them.
    const std::vector<CLogNode*> rows = h.LoadedRows();
    HTREEITEM hRoot = tc.GetRootItem();
    HTREEITEM hFirstChild = tc.GetChildItem(hRoot);
    const int skip = (hFirstChild && (tc.GetItemState(hRoot, TVIS_EXPANDED) & TVIS_EXPANDED) &&
                      v->NodeOfItem(hFirstChild) != v->NodeOfItem(hRoot)->m_pChildren) ? 1 : 0;
    const int at = static_cast<int>(std::find(rows.begin(), rows.end(), v->NodeOfItem(hFirst)) - rows.begin());
    if (at < skip) out << "the page starts at a wide call line whose first children are not loaded; ";
    const int above = at - skip, below = static_cast<int>(rows.size()) - at - 1;
    const int nRun = static_cast<int>(rows.size()) - skip;
    const int firstLoadedRow = RowOf(log, rows[std::min<size_t>(skip, rows.size() - 1)], view);
    if (firstLoadedRow + nRun > total || RowOf(log, rows.back(), view) != firstLoadedRow + nRun - 1)
        out << "the loaded rows are not a run of the log; ";
    if (static_cast<int>(rows.size()) > 8 * page + 60) out << rows.size() << " rows loaded for a page of " << page << "; ";
    const int availAbove = row, availBelow = total - row - 1;
    if (above < std::min(page + 1, availAbove)) out << above << " rows above, want " << page + 1 << "; ";
    if (below < std::min(2 * page, availBelow)) out << below << " rows below, want " << 2 * page << "; ";
    const int rowsFirstRoot = TopRows(v->NodeOfItem(tc.GetRootItem()), view);
    const int rowsLastRoot = TopRows(prev, view);
    // Above, the pages may be kept from the start of the first visible
    // item's own top-level node (the bottom of the log keeps two pages
    // above the last call line).
    CLogNode* firstRoot = FindEntryRoot(v->NodeOfItem(hFirst));
    const int aboveRoot = above - (row - RowOf(log, firstRoot, view));
    if (aboveRoot - rowsFirstRoot >= 3 * page + 1 && firstRoot != v->NodeOfItem(tc.GetRootItem()))
        out << "a root item wholly above the pages (" << above << " rows above); ";
    if (below - rowsLastRoot >= 3 * page + 1) out << "a root item wholly below the pages (" << below << " rows below); ";
    // The caret: shown selected when its item is loaded.
    HTREEITEM hSel = tc.GetSelectedItem();
    HTREEITEM hCaret = v->FindItemOfNode(v->GetCaretNode());
    if (hCaret && hSel != hCaret) out << "the caret's item is loaded but not selected; ";
    if (!hCaret && hSel) out << "an item is selected while the caret is not loaded; ";
    if (!v->IsWindowVisible() && h.m_pFrame->IsWindowVisible()) out << "the view stayed hidden; ";
    return out.str();
}
