// The move dialog on the real log view after a find: its rows, colours and
// tips, the all-select box, the four moves with some conditions unticked,
// and the rows across hiding and a new find.
#include "dialog_host.h"

#include <algorithm>
#include <tuple>

#include "common/WindowShot.h"

#include "resources/LogWindowRes.h"
#include "resources/MoveDialogRes.h"
#include "search/SearchCondition.h"
#include "search/dialogs/MoveFindDialog.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

std::string Show(const RECT& rc) {
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom);
}

struct CondSpec {
    CLogNode* pNode;
    LPCWSTR pszText;
    int nColor;
};

class MoveDialogTest : public DialogHostTest {
protected:
    void SetUp() override {
        DialogHostTest::SetUp();
        if (HasFatalFailure()) return;
        m_pL1 = AddCall(L"v1.0", 1, {{L"a", L"1", {}}, {L"b", L"1", {}}});
        m_pL2 = AddCall(L"v1.0", 1, {{L"a", L"1", {}}, {L"b", L"2", {}}});
        m_pL3 = AddCall(L"v1.0", 1, {{L"a", L"1", {}}, {L"b", L"1", {}}});
    }

    // A find in the log window's own document, as its frame runs one.
    int Find(DWORD options, const std::vector<CondSpec>& conds) {
        int n = -1;
        m_host->OnLog([&] {
            CSearchConditionSet src;
            src.m_options = options | SSO_OWN_WINDOW | SSO_PATH;
            for (const CondSpec& c : conds) {
                CSearchCondition* p = src.GetOrCreateCondition(c.pNode);
                p->SetComparison1(c.pszText, SOP_EQUAL, FALSE);
                p->m_flags |= SCF_ENABLED;
                p->SetColorIndex(c.nColor);
            }
            n = m_host->LogDoc()->RunFind(&src);
        });
        return n;
    }

    int FindAandB(DWORD options = SSO_LABEL) {
        return Find(options, {{Member(m_pL1, {L"a"}), L"1", 2}, {Member(m_pL1, {L"b"}), L"1", 5}});
    }

    void Open() {
        Command(ID_MOVE_DIALOG);
        m_host->OnLog([&] { m_pDlg = m_pView->GetMoveDialog(); });
        ASSERT_NE(nullptr, m_pDlg);
        m_hDlg = m_pDlg->m_hWnd;
        m_hList = ::GetDlgItem(m_hDlg, IDC_MOVE_HITLIST);
        ASSERT_TRUE(::IsWindowVisible(m_hDlg));
    }

    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> rows;
        m_host->OnLog([&] {
            const int n = ListView_GetItemCount(m_hList);
            for (int i = 0; i < n; ++i) {
                wchar_t buf[64] = {};
                ListView_GetItemText(m_hList, i, 0, buf, 64);
                rows.push_back(std::wstring(ListView_GetCheckState(m_hList, i) ? L"+" : L"-") + buf);
            }
        });
        return rows;
    }

    int RowOf(LPCWSTR pszText) {
        int r = -1;
        m_host->OnLog([&] {
            LVFINDINFOW fi{};
            fi.flags = LVFI_STRING;
            fi.psz = pszText;
            r = ListView_FindItem(m_hList, -1, &fi);
        });
        return r;
    }

    void Tick(LPCWSTR pszText, bool bCheck) {
        const int i = RowOf(pszText);
        ASSERT_GE(i, 0);
        m_host->OnLog([&] { ListView_SetCheckState(m_hList, i, bCheck); });
    }

    CLogNode* RowNode(int i) {
        LVITEMW item{};
        m_host->OnLog([&] {
            item.mask = LVIF_PARAM;
            item.iItem = i;
            ListView_GetItem(m_hList, &item);
        });
        return reinterpret_cast<CLogNode*>(item.lParam);
    }

    // The view's caret after the moves it was sent have run.
    CLogNode* Caret() {
        PumpFor(50);
        CLogNode* p = nullptr;
        m_host->OnLog([&] { p = m_pView->GetCaretNode(); });
        return p;
    }

    // The tip the dialog gives row i in a buffer of cch characters.
    std::wstring Tip(int i, int cch, wchar_t* pAfter = nullptr) {
        wchar_t buf[128];
        std::fill(std::begin(buf), std::end(buf), L'X');
        NMLVGETINFOTIPW tip{};
        tip.hdr.hwndFrom = m_hList;
        tip.hdr.idFrom = IDC_MOVE_HITLIST;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = buf;
        tip.cchTextMax = cch;
        tip.iItem = i;
        m_host->OnLog([&] { ::SendMessageW(m_hDlg, WM_NOTIFY, IDC_MOVE_HITLIST, reinterpret_cast<LPARAM>(&tip)); });
        if (pAfter) *pAfter = buf[cch];
        return std::wstring(buf, std::find(buf, buf + cch, L'\0'));
    }

    CLogNode* m_pL1 = nullptr;
    CLogNode* m_pL2 = nullptr;
    CLogNode* m_pL3 = nullptr;
    CMoveFindDialog* m_pDlg = nullptr;
    HWND m_hDlg = nullptr;
    HWND m_hList = nullptr;
};

TEST_F(MoveDialogTest, TheFourMovesGoToTheHitsOfTheTickedConditionsOnly) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-a", L"-b"}));
    CLogNode* a1 = Member(m_pL1, {L"a"});
    CLogNode* a2 = Member(m_pL2, {L"a"});
    CLogNode* a3 = Member(m_pL3, {L"a"});
    CLogNode* b1 = Member(m_pL1, {L"b"});
    CLogNode* b3 = Member(m_pL3, {L"b"});
    struct Step {
        bool bA, bB;
        int nButton;
        CLogNode* pExpected;
    };
    const Step steps[] = {
        // b alone: L2's b (2) is no hit.
        {false, true, IDC_MOVE_TOP, b1},
        {false, true, IDC_MOVE_NEXT, b3},
        {false, true, IDC_MOVE_NEXT, b3},
        {false, true, IDC_MOVE_PREV, b1},
        {false, true, IDC_MOVE_BOTTOM, b3},
        // a alone.
        {true, false, IDC_MOVE_PREV, a3},
        {true, false, IDC_MOVE_PREV, a2},
        {true, false, IDC_MOVE_TOP, a1},
        {true, false, IDC_MOVE_NEXT, a2},
        {true, false, IDC_MOVE_BOTTOM, a3},
        // Both.
        {true, true, IDC_MOVE_TOP, a1},
        {true, true, IDC_MOVE_NEXT, b1},
        {true, true, IDC_MOVE_NEXT, a2},
        {true, true, IDC_MOVE_BOTTOM, b3},
        // None: every mark cleared, the selection stays.
        {false, false, IDC_MOVE_PREV, b3},
        {false, false, IDC_MOVE_NEXT, b3},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i);
        Tick(L"a", s.bA);
        Tick(L"b", s.bB);
        Click(m_hDlg, s.nButton);
        EXPECT_EQ(Caret(), s.pExpected);
        m_host->OnLog([&] {
            CSearchConditionSet& set = m_host->LogDoc()->m_ActiveConditions;
            EXPECT_EQ(set.FindCondition(RowNode(RowOf(L"a")))->IsMarked() != 0, s.bA);
            EXPECT_EQ(set.FindCondition(RowNode(RowOf(L"b")))->IsMarked() != 0, s.bB);
        });
    }
    // What the view was sent: 0 Next, 1 Prev, 2 Top, 3 Bottom.
    std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(posted.size(), std::size(steps));
    for (size_t i = 0; i < posted.size(); ++i) {
        const int n = steps[i].nButton;
        EXPECT_EQ(posted[i].message, UM_MOVE_HIT);
        EXPECT_EQ(posted[i].wParam, WPARAM(n == IDC_MOVE_NEXT ? 0 : n == IDC_MOVE_PREV ? 1 : n == IDC_MOVE_TOP ? 2 : 3));
        EXPECT_EQ(posted[i].lParam, 0);
    }
}

TEST_F(MoveDialogTest, KeysOfTheButtonsMoveAndEscapeTellsTheView) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    Tick(L"b", true);
    Key(m_hDlg, ::GetDlgItem(m_hDlg, IDC_MOVE_BOTTOM), VK_SPACE);
    EXPECT_EQ(Caret(), Member(m_pL3, {L"b"}));
    Key(m_hDlg, m_hList, VK_ESCAPE);
    std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, UM_MOVE_HIT);
    EXPECT_EQ(posted[0].wParam, 3u);
    EXPECT_EQ(posted[1].message, UM_MOVEDIALOG_CLOSED);
    EXPECT_FALSE(::IsWindow(m_hDlg));
    m_host->OnLog([&] { EXPECT_EQ(nullptr, m_pView->GetMoveDialog()); });
}

TEST_F(MoveDialogTest, AllSelectBoxFollowsTheRowsAndSetsThemAll) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    EXPECT_FALSE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    Tick(L"b", true);
    EXPECT_TRUE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    Tick(L"b", false);
    EXPECT_FALSE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    Click(m_hDlg, IDC_MOVE_ALLSELECT);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"+a", L"+b"}));
    Click(m_hDlg, IDC_MOVE_ALLSELECT);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-a", L"-b"}));
}

TEST_F(MoveDialogTest, HidingAndRestoringKeepsTheRowChecksWithTheMarks) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    Tick(L"b", true);
    Click(m_hDlg, IDC_MOVE_NEXT);
    m_host->OnLog([&] {
        ::ShowWindow(m_hDlg, SW_HIDE);
        ::ShowWindow(m_hDlg, SW_SHOW);
    });
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-a", L"+b"}));
    EXPECT_TRUE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    Click(m_hDlg, IDC_MOVE_TOP);
    EXPECT_EQ(Caret(), Member(m_pL1, {L"b"}));
}

TEST_F(MoveDialogTest, RowsHoldOnlyTheNodesOfTheLatestFind) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    Tick(L"a", true);
    Click(m_hDlg, IDC_MOVE_NEXT);
    // The next find frees the old skeleton and makes a new one.
    ASSERT_EQ(Find(SSO_LABEL, {{Member(m_pL1, {L"b"}), L"2", 3}}), 1);
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-b"}));
    m_host->OnLog([&] {
        const CConditionMap& map = m_host->LogDoc()->m_ActiveConditions.m_conditions;
        ASSERT_EQ(map.size(), 1u);
        EXPECT_EQ(RowNode(0), map.begin()->first);
    });
    Tick(L"b", true);
    Click(m_hDlg, IDC_MOVE_TOP);
    EXPECT_EQ(Caret(), Member(m_pL2, {L"b"}));
    // Clear Find Results empties the list; the moves still reach the view.
    m_host->OnLog([&] { ::SendMessageW(m_host->LogWnd(), WM_COMMAND, ID_CLEAR_FIND_RESULTS, 0); });
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    Click(m_hDlg, IDC_MOVE_TOP);
    EXPECT_EQ(Caret(), m_pL1);
    Click(m_hDlg, IDC_MOVE_BOTTOM);
    EXPECT_EQ(Caret(), Member(m_pL3, {L"b"}));
    Click(m_hDlg, IDC_MOVE_PREV);
    EXPECT_EQ(Caret(), Member(m_pL3, {L"b"}));
    EXPECT_EQ(TakePosted().back().message, UM_MOVE_HIT);
}

TEST_F(MoveDialogTest, ARowNeverStaysSelected) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    m_host->OnLog([&] { ListView_SetItemState(m_hList, 1, LVIS_SELECTED, LVIS_SELECTED); });
    m_host->OnLog([&] { EXPECT_EQ(ListView_GetSelectedCount(m_hList), 0u); });
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-a", L"-b"}));
}

TEST_F(MoveDialogTest, TheViewForgetsTheDialogBeforeItsObjectGoes) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    // No message of the thread runs between the close and the check: a
    // pointer kept until a posted message arrived would point at a deleted
    // dialog here, and a second Move command would restore it.
    m_host->OnLog([&] {
        ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_EQ(nullptr, m_pView->GetMoveDialog());
    });
    EXPECT_FALSE(::IsWindow(m_hDlg));
    Open();
}

TEST_F(MoveDialogTest, ThePlaceOfTheLogViewsDialogComesBackAndFontChangesReachTheList) {
    CAppSettings& s = CAppSettings::Get();
    s.Window.MoveFindDialog[3] = RECT{300, 200, 600, 500};   // result view 3's, not the log view's
    ASSERT_EQ(FindAandB(), 5);
    Open();
    RECT rc;
    ::GetWindowRect(m_hDlg, &rc);
    EXPECT_NE(rc.left, 300);
    ::MoveWindow(m_hDlg, 50, 60, 320, 280, TRUE);
    Key(m_hDlg, m_hList, VK_ESCAPE);
    EXPECT_FALSE(::IsWindow(m_hDlg));
    EXPECT_EQ(Show(s.Window.MoveFindDialog[0]), Show(RECT{50, 60, 370, 340}));
    EXPECT_EQ(Show(s.Window.MoveFindDialog[3]), Show(RECT{300, 200, 600, 500}));
    Open();
    ::GetWindowRect(m_hDlg, &rc);
    EXPECT_EQ(Show(rc), Show(RECT{50, 60, 370, 340}));
    // The list follows at once; the buttons keep to the right edge.
    RECT top;
    ::GetWindowRect(::GetDlgItem(m_hDlg, IDC_MOVE_TOP), &top);
    EXPECT_EQ(rc.right - top.left, 69);
    RECT list;
    ::GetWindowRect(m_hList, &list);
    EXPECT_EQ(Show(list), Show(RECT{rc.left + 15, rc.top + 58, rc.right - 80, rc.bottom - 14}));

    const LOGFONTW old = s.Font.MoveFindDialog;
    s.Font.MoveFindDialog.lfHeight = -23;
    m_host->OnLog([&] { m_host->LogDoc()->UpdateAllViews(nullptr, HINT_DIALOG_FONT, nullptr); });
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(m_hList, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -23);
    s.Font.MoveFindDialog = old;
}

// At the template's size the sizing frame and the status bar would cover
// the lowest button; with a saved place the window keeps it exactly.
TEST_F(MoveDialogTest, WithoutASavedPlaceEveryButtonClearsTheStatusBar) {
    CAppSettings::Get().Window.MoveFindDialog[0] = RECT{};
    Open();
    RECT bottom, bar;
    ::GetWindowRect(::GetDlgItem(m_hDlg, IDC_MOVE_BOTTOM), &bottom);
    HWND hBar = ::FindWindowExW(m_hDlg, nullptr, STATUSCLASSNAMEW, nullptr);
    ASSERT_NE(nullptr, hBar);
    ::GetWindowRect(hBar, &bar);
    EXPECT_LE(bottom.bottom, bar.top);
}

TEST_F(MoveDialogTest, TipsTellWhereTheMemberLiesCutToTheBuffer) {
    struct Case {
        DWORD options;
        LPCWSTR pszTip;
    };
    const Case cases[] = {
        // The full stop in the label stays; the one before the path is blanked.
        {SSO_LABEL, L"Label = v1.0\n a"},
        {SSO_CLIENT, L"Client = 1   \n a"},
        {SSO_CLIENT | SSO_LABEL, L"Client = 1   Label = v1.0\n a"},
        {0, L" a"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "options " << c.options);
        ASSERT_EQ(FindAandB(c.options), 5);
        if (!m_pDlg) Open();
        const int i = RowOf(L"a");
        EXPECT_EQ(Tip(i, 64), c.pszTip);
        // A buffer too short: cut and terminated inside it.
        wchar_t after = 0;
        EXPECT_EQ(Tip(i, 6, &after), std::wstring(c.pszTip).substr(0, 5));
        EXPECT_EQ(after, L'X');
    }
}

TEST_F(MoveDialogTest, RowsAreDrawnOnTheHighlightOfTheirCondition) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    for (auto [pszRow, nColor] : {std::pair{L"a", 2}, std::pair{L"b", 5}}) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr.hwndFrom = m_hList;
        draw.nmcd.hdr.idFrom = IDC_MOVE_HITLIST;
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.lItemlParam = reinterpret_cast<LPARAM>(RowNode(RowOf(pszRow)));
        LRESULT r = 0;
        m_host->OnLog([&] {
            ::SendMessageW(m_hDlg, WM_NOTIFY, IDC_MOVE_HITLIST, reinterpret_cast<LPARAM>(&draw));
            r = ::GetWindowLongPtrW(m_hDlg, DWLP_MSGRESULT);
        });
        EXPECT_EQ(r, CDRF_NEWFONT);
        EXPECT_EQ(draw.clrTextBk, CAppSettings::Get().Font.Highlight[nColor]);
    }
}

// The dialog as the user sees it with one of its two rows ticked: the rows
// and their checks, the all-select box, the buttons, and each row's text on
// the highlight colour of its condition. With ZV_SHOT_DIR set the picture is
// also saved there (tools/dialogshots runs it) for checking by eye.
TEST_F(MoveDialogTest, Screenshot) {
    ASSERT_EQ(FindAandB(), 5);
    Open();
    Tick(L"b", true);
    ::SetWindowPos(m_hDlg, HWND_TOP, 10, 10, 260, 240, 0);
    m_host->OnLog([&] { ::RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); });
    PumpFor(300);

    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"-a", L"+b"}));
    EXPECT_TRUE(Checked(m_hDlg, IDC_MOVE_ALLSELECT));
    for (int nID : {IDC_MOVE_TOP, IDC_MOVE_PREV, IDC_MOVE_NEXT, IDC_MOVE_BOTTOM})
        EXPECT_TRUE(Enabled(m_hDlg, nID)) << nID;

    const CAppSettings& st = CAppSettings::Get();
    ASSERT_NE(st.Font.Highlight[2], st.Font.Highlight[5]);
    const WindowPixels px = GrabWindow(m_hDlg);
    ASSERT_FALSE(px.rgb.empty());
    for (auto [pszRow, nColor, nOther] : {std::tuple{L"a", 2, 5}, std::tuple{L"b", 5, 2}}) {
        const int i = RowOf(pszRow);
        RECT rc{};
        m_host->OnLog([&] { ListView_GetItemRect(m_hList, i, &rc, LVIR_LABEL); });
        ::MapWindowPoints(m_hList, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        const std::vector<COLORREF> pixels = PixelsIn(px, rc);
        ASSERT_FALSE(pixels.empty()) << pszRow;
        EXPECT_GT(std::count(pixels.begin(), pixels.end(), st.Font.Highlight[nColor]), 0) << pszRow;
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), st.Font.Highlight[nOther]), 0) << pszRow;
    }
    SaveWindowBitmap(m_hDlg, L"move-dialog");
}

}  // namespace
