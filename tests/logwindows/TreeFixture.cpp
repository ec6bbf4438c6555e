// The tree frame, document and test view of the tree-window tests.
#include "TreeFixture.h"

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
    m_pFrame->InitialUpdateFrame(m_pDoc, FALSE);
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
