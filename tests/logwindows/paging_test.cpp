// The page of the paged tree view against a real tree control: sequences of
// steps run at the top, in the middle and at the end of logs of a few, 1,000
// and 100,000 call lines, and of logs with one call line of very many
// members, with pages of 1, 5 and 20 rows. After every step the
// row arithmetic must match the log, the loaded items must be a gap-free run
// of top-level nodes around the visible page, and the caret must be where the
// step leaves it.
#include "TreeFixture.h"
#include "server/core/Except.h"
#include "server/settings/AppSettings.h"
#include <algorithm>
#include <map>
#include <sstream>
#include <tuple>

namespace {

enum class Op {
    LineUp, LineDown, PageUp, PageDown,     // external scroll bar commands
    BarLineDown,                            // the same through the scroll-bar dialog and the frame
    ThumbBy, ThumbTo,                       // drag: arg rows from the pushed position / arg per mille of the range
    Wheel,                                  // arg wheel delta
    Key,                                    // arg virtual key
    ClickButton,                            // the expand button of the caret's item
    Resize,                                 // arg rows more (or fewer) in the page
    Append,                                 // a new call line; arg 1 expanded
    Top, Bottom                             // SB_TOP, SB_BOTTOM
};

// Top and Bottom: the first or last row, unless the command had nothing to
// move (already at the top; the rest of the log fits on the page).
enum class Caret { Keep, Next, Prev, First, Last, OnPage, Expand, Collapse, Top, Bottom };

struct Step {
    Op op;
    int arg;
    Caret caret;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

const Sequence kSequences[] = {
    {"lines", {{Op::LineDown, 0, Caret::Keep}, {Op::LineDown, 0, Caret::Keep}, {Op::LineUp, 0, Caret::Keep},
               {Op::LineUp, 0, Caret::Keep}, {Op::LineUp, 0, Caret::Keep}, {Op::BarLineDown, 0, Caret::Keep}}},
    {"pages", {{Op::PageDown, 0, Caret::Keep}, {Op::PageDown, 0, Caret::Keep}, {Op::PageUp, 0, Caret::Keep},
               {Op::PageDown, 0, Caret::Keep}, {Op::PageUp, 0, Caret::Keep}, {Op::PageUp, 0, Caret::Keep}}},
    {"thumb", {{Op::ThumbBy, 1, Caret::Keep}, {Op::ThumbBy, -2, Caret::Keep}, {Op::ThumbBy, 60, Caret::Keep},
               {Op::ThumbTo, 333, Caret::Keep}, {Op::ThumbTo, 0, Caret::Keep}, {Op::ThumbTo, 1000, Caret::Keep},
               {Op::ThumbBy, -45, Caret::Keep}}},
    {"wheel", {{Op::Wheel, -120, Caret::Keep}, {Op::Wheel, 240, Caret::Keep}, {Op::Wheel, -1200, Caret::Keep},
               {Op::Wheel, 100, Caret::Keep}, {Op::Wheel, 1200, Caret::Keep}}},
    {"keys", {{Op::Key, VK_DOWN, Caret::Next}, {Op::Key, VK_DOWN, Caret::Next}, {Op::Key, VK_UP, Caret::Prev},
              {Op::Key, VK_NEXT, Caret::OnPage}, {Op::Key, VK_PRIOR, Caret::OnPage}, {Op::Key, VK_END, Caret::Last},
              {Op::Key, VK_UP, Caret::Prev}, {Op::Key, VK_HOME, Caret::First}, {Op::Key, 'A', Caret::Keep},
              {Op::Key, VK_TAB, Caret::Keep}}},
    {"keys off the page", {{Op::ThumbTo, 500, Caret::Keep}, {Op::Key, VK_DOWN, Caret::Next},
                           {Op::ThumbTo, 0, Caret::Keep}, {Op::Key, VK_UP, Caret::Prev},
                           {Op::ThumbTo, 1000, Caret::Keep}, {Op::Key, VK_NEXT, Caret::OnPage},
                           {Op::ThumbTo, 0, Caret::Keep}, {Op::Key, VK_BACK, Caret::OnPage},
                           {Op::ThumbBy, 50, Caret::Keep}, {Op::Key, VK_RIGHT, Caret::Expand},
                           {Op::ThumbBy, -50, Caret::Keep}, {Op::Key, VK_LEFT, Caret::Collapse}}},
    {"expand and collapse", {{Op::Key, VK_RIGHT, Caret::Expand}, {Op::Key, VK_DOWN, Caret::Next},
                             {Op::Key, VK_RIGHT, Caret::Expand}, {Op::Key, VK_RIGHT, Caret::Expand},
                             {Op::Key, VK_LEFT, Caret::Collapse}, {Op::Key, VK_LEFT, Caret::Collapse},
                             {Op::ClickButton, 0, Caret::Keep}, {Op::ClickButton, 0, Caret::Keep}}},
    {"resize", {{Op::Resize, 3, Caret::Keep}, {Op::LineDown, 0, Caret::Keep}, {Op::Resize, -3, Caret::Keep},
                {Op::PageDown, 0, Caret::Keep}}},
    {"appended calls", {{Op::Append, 0, Caret::Keep}, {Op::Append, 1, Caret::Keep}, {Op::Bottom, 0, Caret::Bottom},
                        {Op::Append, 1, Caret::Keep}, {Op::LineDown, 0, Caret::Keep}, {Op::Top, 0, Caret::Top}}},
};

enum class Where { Top, Middle, End };
const char* WhereName(Where w) { return w == Where::Top ? "top" : w == Where::Middle ? "middle" : "end"; }

// The logs are built once: the pools keep them for the whole run.
CTestLog& SharedLog(int nCalls, int nWideAt = -1, int nWideMembers = 0) {
    static std::map<std::tuple<int, int, int>, CTestLog> logs;
    const auto key = std::make_tuple(nCalls, nWideAt, nWideMembers);
    auto it = logs.find(key);
    if (it == logs.end()) it = logs.emplace(key, MakeLog(nCalls, nWideAt, nWideMembers)).first;
    return it->second;
}

class PagingTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_exceptions.clear();
        CAppSettings::Get().WheelScrollLines = 3;
        m_h = std::make_unique<CViewHarness>();
        ASSERT_NE(nullptr, m_h->m_pView);
    }
    void TearDown() override {
        m_h.reset();
        EXPECT_TRUE(g_exceptions.empty()) << "a handler raised: " << std::string(g_exceptions.front().begin(), g_exceptions.front().end());
    }

    std::string Check(const CTestLog& log) const { return CheckPage(*m_h, log); }

    // Runs one step; fills the caret the step should leave.
    CLogNode* Run(CTestLog& log, const Step& s) {
        CTestTreeView* v = m_h->m_pView;
        CTreeCtrl& tc = m_h->Tree();
        const int view = v->GetViewIndex();
        CLogNode* caret = v->GetCaretNode();
        CLogNode* expect = caret;
        switch (s.caret) {
        case Caret::Keep: break;
        case Caret::Next: if (CLogNode* n = NextRow(log, caret, view)) expect = n; break;
        case Caret::Prev: if (CLogNode* p = PrevRow(log, caret, view)) expect = p; break;
        case Caret::First: expect = log.First(); break;
        case Caret::Last: expect = LastRowBelow(log.Last(), view); break;
        case Caret::Top: if (v->GetFirstRow() != 0) expect = log.First(); break;
        case Caret::Bottom:
            if (v->GetTotalRows() - v->GetFirstRow() > v->VisibleCount()) expect = LastRowBelow(log.Last(), view);
            break;
        case Caret::OnPage: expect = nullptr; break;
        case Caret::Expand:
            if (caret && Expanded(caret, view) && caret->m_pChildren) expect = caret->m_pChildren;
            break;
        case Caret::Collapse:
            if (caret && !(Expanded(caret, view) && caret->m_pChildren) && ParentOf(caret)) expect = ParentOf(caret);
            break;
        }
        const SCROLLINFO pushed = v->GetPushedScrollInfo();
        SCROLLINFO si = pushed;
        const int range = std::max(0, v->GetTotalRows() - v->VisibleCount());
        switch (s.op) {
        case Op::LineUp: v->OnScrollCommand(SB_LINEUP, &si); break;
        case Op::LineDown: v->OnScrollCommand(SB_LINEDOWN, &si); break;
        case Op::PageUp: v->OnScrollCommand(SB_PAGEUP, &si); break;
        case Op::PageDown: v->OnScrollCommand(SB_PAGEDOWN, &si); break;
        case Op::Top: v->OnScrollCommand(SB_TOP, &si); break;
        case Op::Bottom: v->OnScrollCommand(SB_BOTTOM, &si); break;
        case Op::BarLineDown: {
            CVertScrollBar* bar = m_h->m_pFrame->GetScrollBarDialog();
            bar->SendMessage(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(bar->m_wndScrollBar.m_hWnd));
            PumpMessages(20);
            break;
        }
        case Op::ThumbBy:
        case Op::ThumbTo: {
            const int target = s.op == Op::ThumbBy ? pushed.nPos + s.arg * std::max(1, v->VisibleCount())
                                                   : static_cast<int>(static_cast<long long>(range) * s.arg / 1000);
            si.nTrackPos = std::clamp(target, 0, range);
            m_nThumbTarget = si.nTrackPos;
            v->OnScrollCommand(SB_THUMBTRACK, &si);
            v->OnScrollCommand(SB_THUMBPOSITION, &si);
            v->OnScrollCommand(SB_ENDSCROLL, &si);
            break;
        }
        case Op::Wheel: {
            POINT pt{10, 10};
            v->ClientToScreen(&pt);
            v->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(s.arg))), MAKELPARAM(pt.x, pt.y));
            break;
        }
        case Op::Key: v->SendMessage(WM_KEYDOWN, s.arg, 1); break;
        case Op::ClickButton: {
            HTREEITEM h = tc.GetSelectedItem();
            while (h && !tc.GetChildItem(h)) h = tc.GetParentItem(h);
            POINT pt;
            if (h && m_h->ButtonPoint(h, &pt)) {
                v->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
                v->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
                expect = v->NodeOfItem(h);
            }
            break;
        }
        case Op::Resize: m_h->SetPageSize(v->VisibleCount() + s.arg); break;
        case Op::Append: {
            CLogNode* c = MakeCall(static_cast<int>(log.calls.size()));
            c->NodeSetExpanded(view, s.arg != 0);
            const bool bShowsEnd = v->LastRootTraceNode() == log.Last();
            log.Append(c);
            m_h->m_pDoc->m_pLastNode = c;
            ++m_h->m_pDoc->m_nNodeCount;
            v->SetTotalRows(v->GetTotalRows() + TopRows(c, view));
            if (bShowsEnd) v->KeepPagesBelow(tc.GetFirstVisibleItem(), 2);
            v->UpdateScrollBar();
            break;
        }
        }
        return expect;
    }

    // Expected first row of the simple moves; -1 when the step does not say.
    int ExpectedFirstRow(const Step& s, int before, int total, int page) const {
        const int max = std::max(0, total - page);
        const int pageStep = std::max(1, page - 1);
        switch (s.op) {
        case Op::LineUp: return std::clamp(before - 1, 0, max);
        case Op::LineDown: case Op::BarLineDown: return std::clamp(before + 1, 0, max);
        case Op::PageUp: return std::clamp(before - pageStep, 0, max);
        case Op::PageDown: return std::clamp(before + pageStep, 0, max);
        case Op::Wheel: return std::clamp(before - (s.arg / 120) * 3, 0, max);
        case Op::ThumbBy: case Op::ThumbTo: return m_nThumbTarget;  // a jump lands on its row
        case Op::Top: return 0;
        case Op::Bottom: return max;
        default: return -1;
        }
    }

    void RunAll(int nCalls, int nWideAt = -1, int nWideMembers = 0) {
        for (int page : {1, 5, 20}) {
            for (Where where : {Where::Top, Where::Middle, Where::End}) {
                for (const Sequence& seq : kSequences) {
                    CTestLog& log = SharedLog(nCalls, nWideAt, nWideMembers);
                    const size_t nBase = log.calls.size();
                    SetExpansionPattern(log, 0);
                    m_h->SetPageSize(page);
                    m_h->Load(log);
                    CTestTreeView* v = m_h->m_pView;
                    if (where == Where::Middle) {
                        SCROLLINFO si = v->GetPushedScrollInfo();
                        si.nTrackPos = std::max(0, v->GetTotalRows() - page) / 2;
                        v->OnScrollCommand(SB_THUMBTRACK, &si);
                        v->OnScrollCommand(SB_THUMBPOSITION, &si);
                        v->SetCaretNode(v->NodeOfItem(m_h->Tree().GetFirstVisibleItem()));
                        v->ReselectCaret();
                    } else if (where == Where::End) {
                        v->SendMessage(WM_KEYDOWN, VK_END, 1);
                    }
                    std::string context = std::string(seq.name) + " at the " + WhereName(where) + " of " +
                                          std::to_string(nCalls) + " calls, page " + std::to_string(page);
                    if (nWideAt >= 0)
                        context += ", call " + std::to_string(nWideAt) + " with " + std::to_string(nWideMembers) + " more members";
                    std::string fault = Check(log);
                    ASSERT_EQ("", fault) << context << ", before the first step";
                    int index = 0;
                    for (const Step& s : seq.steps) {
                        ++index;
                        const int before = v->GetFirstRow();
                        CLogNode* expect = Run(log, s);
                        fault = Check(log);
                        const int want = ExpectedFirstRow(s, before, v->GetTotalRows(), v->VisibleCount());
                        if (want >= 0 && v->GetFirstRow() != want)
                            fault += "first row " + std::to_string(v->GetFirstRow()) + ", want " + std::to_string(want) + "; ";
                        if (s.caret == Caret::OnPage) {
                            HTREEITEM hSel = m_h->Tree().GetSelectedItem();
                            RECT rc;
                            if (!hSel || !m_h->Tree().GetItemRect(hSel, &rc, FALSE) || v->NodeOfItem(hSel) != v->GetCaretNode())
                                fault += "the caret is not on the page; ";
                        } else if (v->GetCaretNode() != expect) {
                            fault += "the caret is not where the step leaves it; ";
                        }
                        ASSERT_EQ("", fault) << context << ", step " << index;
                    }
                    // Appended calls go again, so that every run sees the same log.
                    while (log.calls.size() > nBase) {
                        log.calls.pop_back();
                        log.calls.back()->m_pNext = nullptr;
                    }
                    ASSERT_TRUE(g_exceptions.empty()) << context;
                }
            }
        }
    }

    std::unique_ptr<CViewHarness> m_h;
    int m_nThumbTarget = 0;
};

TEST_F(PagingTest, AFewCallLines) { RunAll(3); }
TEST_F(PagingTest, AThousandCallLines) { RunAll(1000); }
TEST_F(PagingTest, AHundredThousandCallLines) { RunAll(100000); }
// One call line of many members in the middle of the log, expanded and
// collapsed, and as its last.
TEST_F(PagingTest, ACallLineOfVeryManyMembersInTheMiddle) { RunAll(40, 21, 1500); }
TEST_F(PagingTest, ACollapsedCallLineOfVeryManyMembers) { RunAll(40, 22, 1500); }
TEST_F(PagingTest, ACallLineOfVeryManyMembersAtTheEnd) { RunAll(10, 9, 1500); }

}  // namespace
