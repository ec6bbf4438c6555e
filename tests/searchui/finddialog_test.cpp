// The find dialog on the real log thread, opened by the log window's
// command and driven by its controls' messages: conditions typed, stored and
// loaded as the selection moves; checks; rebuilds that keep or reset the
// conditions; the options packed into the set; the target list; OK with
// nothing, some or all conditions valid; the find request run by the log
// frame; allocation failures during a rebuild.
#include "finddialog_util.h"

#include "logwindows/LogTreeDoc.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

class FindDialogEditTest : public FindDialogTest {
protected:
    void SetUp() override {
        FindDialogTest::SetUp();
        m_pCall = AddCall(L"call", 1, {{L"a", L"LONG", L"12"}, {L"b", L"BSTR", L"abc"}, {L"c", L"VARIANT_BOOL", L"True"}});
        ToggleInView(Member(m_pCall, 0));
        ToggleInView(Member(m_pCall, 1));
        ASSERT_NE(nullptr, OpenDialog());
        m_hA = ItemNamed(L" a = 12");
        m_hB = ItemNamed(L" b = abc");
        ASSERT_NE(nullptr, m_hA);
        ASSERT_NE(nullptr, m_hB);
    }
    CSearchCondition* ConditionOf(HTREEITEM h) {
        CSearchCondition* p = nullptr;
        m_host->OnLog([&] { p = m_pDlg->FindItemCondition(h); });
        return p;
    }
    // Member a: "12" with "=" and And; member b: "abc" with "* (find) *",
    // case-sensitive, Or; both checked with the space bar.
    void TypeTwoConditions() {
        Select(m_hA);
        Key(VK_SPACE);
        Type(IDC_FIND_VALUE1, L"12");
        PickOperator(IDC_FIND_OPERATOR1, SOP_EQUAL);
        Select(m_hB);
        Key(VK_SPACE);
        Type(IDC_FIND_VALUE1, L"abc");
        PickOperator(IDC_FIND_OPERATOR1, SOP_CONTAINS);
        Click(IDC_FIND_CASE1);
        Click(IDC_FIND_OR);
        Select(m_hA);  // stores b
    }
    CLogNode* m_pCall = nullptr;
    HTREEITEM m_hA = nullptr;
    HTREEITEM m_hB = nullptr;
};

TEST_F(FindDialogEditTest, TheMemberTreeShowsGroupsAndCheckableMembers) {
    const std::vector<HTREEITEM> items = Items();
    ASSERT_EQ(3u, items.size());
    EXPECT_EQ(L"Client = 1   call", ItemText(items[0]));
    EXPECT_EQ(FIND_IMAGE_FIXED, Image(items[0]));
    EXPECT_EQ(L"(LONG) a = 12", ItemText(items[1]));
    EXPECT_EQ(FIND_IMAGE_UNCHECKED, Image(items[1]));
    // The group never toggles; the first visible item is selected and the
    // editing controls stay disabled for it.
    Select(items[0]);
    Key(VK_SPACE);
    EXPECT_EQ(FIND_IMAGE_FIXED, Image(items[0]));
    EXPECT_FALSE(Enabled(IDC_FIND_VALUE1));
    EXPECT_FALSE(Enabled(IDC_FIND_COLORLIST));
}

TEST_F(FindDialogEditTest, ConditionsAreStoredAndLoadedAsTheSelectionMoves) {
    TypeTwoConditions();
    // a is shown again as typed.
    EXPECT_EQ(L"12", Text(IDC_FIND_VALUE1));
    EXPECT_EQ(L"=", Text(IDC_FIND_OPERATOR1));
    EXPECT_TRUE(Checked(IDC_FIND_AND));
    EXPECT_FALSE(Checked(IDC_FIND_OR));
    EXPECT_EQ(L"Numeric", Text(IDC_FIND_TYPE1));
    EXPECT_FALSE(Enabled(IDC_FIND_CASE1));
    EXPECT_EQ(L"Null", Text(IDC_FIND_TYPE2));
    Select(m_hB);
    EXPECT_EQ(L"abc", Text(IDC_FIND_VALUE1));
    EXPECT_EQ(L"* (find) *", Text(IDC_FIND_OPERATOR1));
    EXPECT_TRUE(Checked(IDC_FIND_CASE1));
    EXPECT_TRUE(Checked(IDC_FIND_OR));
    EXPECT_FALSE(Checked(IDC_FIND_AND));
    EXPECT_EQ(L"String", Text(IDC_FIND_TYPE1));
    EXPECT_TRUE(Enabled(IDC_FIND_CASE1));

    CSearchCondition* pA = ConditionOf(m_hA);
    CSearchCondition* pB = ConditionOf(m_hB);
    ASSERT_NE(nullptr, pA);
    ASSERT_NE(nullptr, pB);
    EXPECT_EQ(SCF_ENABLED | SCF_AND | (SOP_EQUAL << SCF_OP1_SHIFT), pA->m_flags);
    EXPECT_EQ(SCF_ENABLED | SCF_CASE1 | (1u << SCF_COLOR_SHIFT) | (SOP_CONTAINS << SCF_OP1_SHIFT), pB->m_flags);
    // The recent finds hold the stored texts, newest first.
    EXPECT_EQ(0, CAppSettings::Get().FindRecentFind(L"12"));
    EXPECT_EQ(1, CAppSettings::Get().FindRecentFind(L"abc"));

    // Unchecking keeps the condition and its texts; checking again shows them.
    Key(VK_SPACE);
    EXPECT_FALSE(pB->IsEnabled());
    EXPECT_FALSE(Enabled(IDC_FIND_VALUE1));
    Select(m_hA);
    Select(m_hB);
    Key(VK_SPACE);
    EXPECT_EQ(L"abc", Text(IDC_FIND_VALUE1));
    EXPECT_TRUE(Enabled(IDC_FIND_VALUE1));
    EXPECT_EQ(1, pB->ColorIndex());
}

TEST_F(FindDialogEditTest, TheTypeIndicatorAndTheQuoteToggleFollowTheText) {
    Select(m_hA);
    Key(VK_SPACE);
    const struct {
        LPCWSTR pszText;
        int nOperator;
        LPCWSTR pszType;
        bool bCase;
        bool bWarn;  // member a is an integer
    } cases[] = {
        {L"12", SOP_EQUAL, L"Numeric", false, false},
        {L"0x1F", SOP_EQUAL, L"Hexadecimal", false, false},
        {L"1.5", SOP_LESS, L"Numeric", false, false},
        {L"True", SOP_EQUAL, L"Boolean", false, true},
        {L"", SOP_EQUAL, L"Null", false, true},
        {L"12", SOP_BEGINS, L"String", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "text \"" << std::string(c.pszText, c.pszText + wcslen(c.pszText)) << "\"");
        Type(IDC_FIND_VALUE1, c.pszText);
        PickOperator(IDC_FIND_OPERATOR1, c.nOperator);
        EXPECT_EQ(c.pszType, Text(IDC_FIND_TYPE1));
        EXPECT_EQ(c.bCase, Enabled(IDC_FIND_CASE1));
        BOOL bWarn = FALSE;
        m_host->OnLog([&] { bWarn = m_pDlg->IsValueMismatch(m_pDlg->m_cboValue1, TRUE); });
        EXPECT_EQ(c.bWarn, bWarn != FALSE);
    }
    // An empty comparison 2 is no mismatch.
    BOOL bWarn2 = TRUE;
    m_host->OnLog([&] { bWarn2 = m_pDlg->IsValueMismatch(m_pDlg->m_cboValue2, FALSE); });
    EXPECT_FALSE(bWarn2);

    const struct {
        LPCWSTR pszBefore, pszAfter;
    } quotes[] = {{L"abc", L"\"abc\""}, {L"\"abc\"", L"abc"}, {L"", L"\"\""}, {L"\"\"", L""}, {L"\"\"abc", L"abc"}};
    PickOperator(IDC_FIND_OPERATOR1, SOP_EQUAL);
    for (const auto& q : quotes) {
        Type(IDC_FIND_VALUE1, q.pszBefore);
        Click(IDC_FIND_QUOTE1);
        EXPECT_EQ(q.pszAfter, Text(IDC_FIND_VALUE1));
    }
    Type(IDC_FIND_VALUE1, L"12");
    Click(IDC_FIND_QUOTE1);
    EXPECT_EQ(L"String", Text(IDC_FIND_TYPE1));
}

TEST_F(FindDialogEditTest, ColoursGoToTheLeastUsedAndAllSelectTogglesEveryMember) {
    Select(m_hA);
    Key(VK_SPACE);
    EXPECT_EQ(0, ConditionOf(m_hA)->ColorIndex());
    // While a condition is enabled the grouping boxes are locked.
    EXPECT_TRUE(Checked(IDC_FIND_ALLSELECT));
    EXPECT_FALSE(Enabled(IDC_FIND_CLIENT));
    EXPECT_FALSE(Enabled(IDC_FIND_NAME));
    // A colour picked in the list goes to the selected member's condition.
    HWND hColors = ::GetDlgItem(m_hDlg, IDC_FIND_COLORLIST);
    ::SendMessageW(hColors, LB_SETCURSEL, 5, 0);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_FIND_COLORLIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hColors));
    EXPECT_EQ(5, ConditionOf(m_hA)->ColorIndex());

    Click(IDC_FIND_ALLSELECT);  // unchecks all
    EXPECT_EQ(FIND_IMAGE_UNCHECKED, Image(m_hA));
    EXPECT_FALSE(ConditionOf(m_hA)->IsEnabled());
    EXPECT_TRUE(Enabled(IDC_FIND_CLIENT));
    Click(IDC_FIND_ALLSELECT);  // checks all
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(m_hA));
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(m_hB));
    EXPECT_EQ(5, ConditionOf(m_hA)->ColorIndex());
    EXPECT_EQ(0, ConditionOf(m_hB)->ColorIndex());
    EXPECT_TRUE(Enabled(IDC_FIND_VALUE1));
}

TEST_F(FindDialogEditTest, HidingOrMinimizingKeepsTheConditionsAndOnlyAnOptionChangeResetsThem) {
    TypeTwoConditions();
    ::ShowWindow(m_hDlg, SW_HIDE);
    ::ShowWindow(m_hDlg, SW_SHOW);
    ::ShowWindow(m_host->LogWnd(), SW_MINIMIZE);
    PumpFor(50);
    ::ShowWindow(m_host->LogWnd(), SW_RESTORE);
    PumpFor(50);
    ASSERT_EQ(3u, Items().size());
    m_hA = ItemNamed(L" a = 12");
    m_hB = ItemNamed(L" b = abc");
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(m_hA));
    ASSERT_NE(nullptr, ConditionOf(m_hB));
    EXPECT_STREQ(L"abc", ConditionOf(m_hB)->m_text1);

    // Option changes rebuild with fresh conditions (the boxes unlock once
    // nothing is checked).
    Click(IDC_FIND_ALLSELECT);
    Click(IDC_FIND_NAME);
    size_t nConditions = 99;
    m_host->OnLog([&] { nConditions = m_pDlg->m_pConditions->m_conditions.size(); });
    EXPECT_EQ(0u, nConditions);
    EXPECT_EQ(TakePosted().size(), 0u);
}

TEST_F(FindDialogEditTest, ACheckChangeInTheViewKeepsTheConditionsOfMembersStillThere) {
    TypeTwoConditions();
    Select(m_hB);
    ToggleInView(Member(m_pCall, 2));  // c joins
    ASSERT_EQ(4u, Items().size());
    HTREEITEM hB = ItemNamed(L" b = abc");
    EXPECT_EQ(hB, TreeView_GetSelection(m_hTree));
    EXPECT_EQ(L"abc", Text(IDC_FIND_VALUE1));
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(ItemNamed(L" a = 12")));
    EXPECT_EQ(FIND_IMAGE_UNCHECKED, Image(ItemNamed(L" c = True")));

    ToggleInView(Member(m_pCall, 1));  // b goes
    ASSERT_EQ(3u, Items().size());
    EXPECT_EQ(nullptr, ItemNamed(L" b = abc"));
    EXPECT_EQ(Items()[0], TreeView_GetSelection(m_hTree));
    size_t nConditions = 0;
    m_host->OnLog([&] { nConditions = m_pDlg->m_pConditions->m_conditions.size(); });
    EXPECT_EQ(1u, nConditions);
}

TEST_F(FindDialogTest, WithClientCheckedAConditionMovesOnlyToItsOwnClientsGroup) {
    CLogNode* p1 = AddCall(L"call", 1, {{L"a", L"LONG", L"1"}});
    CLogNode* p3 = AddCall(L"call", 3, {{L"a", L"LONG", L"3"}});
    ToggleInView(Member(p3, 0));
    ASSERT_NE(nullptr, OpenDialog());
    HTREEITEM hA3 = ItemNamed(L" a = 3");
    ASSERT_NE(nullptr, hA3);
    Select(hA3);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"3");
    Select(Items()[0]);  // stores the text
    Select(hA3);
    ToggleInView(Member(p1, 0));  // client 1's group comes first now
    ASSERT_EQ(4u, Items().size());
    EXPECT_EQ(FIND_IMAGE_UNCHECKED, Image(ItemNamed(L" a = 1")));
    EXPECT_EQ(FIND_IMAGE_CHECKED, Image(ItemNamed(L" a = 3")));
    EXPECT_EQ(L"3", Text(IDC_FIND_VALUE1));
}

// --- options, target and OK -------------------------------------------------------

TEST_F(FindDialogEditTest, OkPacksTheOptionsIntoTheSet) {
    SetSwallowFind(true);
    Select(m_hA);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"12");
    PickOperator(IDC_FIND_OPERATOR1, SOP_EQUAL);
    const struct {
        bool bCurrent;
        int nListPos;
        bool bMatch;
        DWORD expected;
    } cases[] = {
        {true, 0, true, SSO_CLIENT | SSO_LABEL | SSO_OBJECT | SSO_PATH | SSO_OWN_WINDOW | SSO_MATCH_OBJECTS},
        {false, 2, true, SSO_CLIENT | SSO_LABEL | SSO_OBJECT | SSO_PATH | (3 << SSO_VIEW_SHIFT) | SSO_MATCH_OBJECTS},
        {false, 6, false, SSO_CLIENT | SSO_LABEL | SSO_OBJECT | SSO_PATH | (7 << SSO_VIEW_SHIFT)},
    };
    HWND hList = ::GetDlgItem(m_hDlg, IDC_FIND_RESULTLIST);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "list position " << c.nListPos);
        Click(c.bCurrent ? IDC_FIND_CURRENTVIEW : IDC_FIND_RESULTVIEW);
        EXPECT_EQ(!c.bCurrent, Enabled(IDC_FIND_RESULTLIST));
        EXPECT_EQ(!c.bCurrent, Enabled(IDC_FIND_MATCHOBJECTS));
        ::SendMessageW(hList, LB_SETCURSEL, c.nListPos, 0);
        if (!c.bCurrent) Click(c.bMatch ? IDC_FIND_MATCHOBJECTS : IDC_FIND_SEARCHOBJECTS);
        Click(IDOK);
        const std::vector<Posted> posted = TakePosted();
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ(UM_FIND, posted[0].message);
        EXPECT_EQ(reinterpret_cast<WPARAM>(m_pDlg->m_pConditions), posted[0].wParam);
        EXPECT_EQ(c.expected, posted[0].options);
    }
    // A double click in the list acts as OK.
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_FIND_RESULTLIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(hList));
    EXPECT_EQ(1u, TakePosted().size());
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));
}

TEST_F(FindDialogEditTest, OkWithNothingSomeOrAllConditionsValid) {
    SetSwallowFind(true);
    // Nothing checked.
    {
        BoxAnswerer box(IDOK);
        Click(IDOK);
        ASSERT_EQ(1u, box.Texts().size());
        EXPECT_EQ(L"Search condition is not specified.", box.Texts()[0]);
        EXPECT_TRUE(TakePosted().empty());
    }
    // a valid, b checked without a value: one wrong condition.
    Select(m_hA);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"12");
    PickOperator(IDC_FIND_OPERATOR1, SOP_EQUAL);
    Select(m_hB);
    Key(VK_SPACE);
    for (int nAnswer : {IDNO, IDYES}) {
        SCOPED_TRACE(nAnswer == IDYES ? "Yes" : "No");
        BoxAnswerer box(nAnswer);
        Click(IDOK);
        ASSERT_EQ(1u, box.Texts().size());
        EXPECT_EQ(L"Wrong search condition = 1.\nDo you want to continue ?", box.Texts()[0]);
        EXPECT_TRUE(ConditionOf(m_hB)->m_flags & SCF_INVALID);
        EXPECT_FALSE(ConditionOf(m_hA)->m_flags & SCF_INVALID);
        EXPECT_EQ(nAnswer == IDYES ? 1u : 0u, TakePosted().size());
    }
    // A stored valid condition clears the mark; then OK posts at once.
    Type(IDC_FIND_VALUE1, L"abc");
    PickOperator(IDC_FIND_OPERATOR1, SOP_CONTAINS);
    {
        BoxAnswerer box(IDOK);
        Click(IDOK);
        EXPECT_FALSE(ConditionOf(m_hB)->m_flags & SCF_INVALID);
        const std::vector<Posted> posted = TakePosted();
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ(UM_FIND, posted[0].message);
        EXPECT_TRUE(box.Texts().empty());
    }
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));
    // Escape closes the dialog and tells the frame.
    Key(VK_ESCAPE);
    // The view has let go of it before the object went.
    m_host->OnLog([&] { EXPECT_EQ(nullptr, m_pView->GetFindDialog()); });
    const std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(1u, posted.size());
    EXPECT_EQ(UM_FINDDIALOG_CLOSED, posted[0].message);
    EXPECT_FALSE(::IsWindow(m_hDlg));
    EXPECT_EQ(nullptr, m_pView->GetFindDialog());
}

TEST_F(FindDialogTest, TheTargetListLeavesOutTheDialogsOwnWindowAndAlwaysHasASelection) {
    ResultSlotScope results;
    AddCall(L"call", 1, {{L"a", L"LONG", L"12"}});
    const struct {
        int nView;
        DWORD saved;
        std::vector<int> listed;
        int nSelected;       // list position shown
        DWORD savedBack;     // position bits written at close
    } cases[] = {
        {0, DLGOPT_DEFAULT, {1, 2, 3, 4, 5, 6, 7}, 0, 0x00},
        {2, DLGOPT_DEFAULT | (1 << DLGOPT_ROW_SHIFT), {1, 3, 4, 5, 6, 7}, 1, 0x10},
        {2, DLGOPT_DEFAULT | DLGOPT_ROW_MASK, {1, 3, 4, 5, 6, 7}, 0, 0x00},  // 15: out of range
        {0, DLGOPT_DEFAULT | (6 << DLGOPT_ROW_SHIFT), {1, 2, 3, 4, 5, 6, 7}, 6, 0x60},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "view " << c.nView << " saved " << std::hex << c.saved);
        CAppSettings::Get().Common.FindDialog[c.nView] = c.saved;
        CFindDialog* p = nullptr;
        m_host->OnLog([&] {
            CTreeViewEx* pView = m_pView;
            if (c.nView) {
                ASSERT_TRUE(m_host->Thread()->OpenResultView(c.nView));
                pView = dynamic_cast<CTreeViewEx*>(m_host->Thread()->m_pResultFrame[c.nView - 1]->GetActiveView());
            }
            ASSERT_NE(nullptr, pView);
            p = CLogTreeThread::s_pFindDialog->pfnCreate(pView, &pView->GetDocument()->m_CheckedRoots);
        });
        ASSERT_NE(nullptr, p);
        HWND hList = ::GetDlgItem(p->m_hWnd, IDC_FIND_RESULTLIST);
        std::vector<int> listed;
        const int n = static_cast<int>(::SendMessageW(hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) listed.push_back(static_cast<int>(::SendMessageW(hList, LB_GETITEMDATA, i, 0)));
        EXPECT_EQ(c.listed, listed);
        EXPECT_EQ(c.nSelected, ::SendMessageW(hList, LB_GETCURSEL, 0, 0));
        wchar_t caption[64] = {};
        ::GetWindowTextW(p->m_hWnd, caption, 64);
        EXPECT_STREQ(c.nView ? L"Find (ResultView 2)" : L"Find", caption);
        // OK to a result window names a listed window, never the dialog's own.
        m_host->OnLog([&] {
            p->m_radResultView.SetCheck(BST_CHECKED);
            p->m_radCurrentView.SetCheck(BST_UNCHECKED);
            p->StoreOptions();
        });
        const int nTarget = static_cast<int>((p->m_pConditions->m_options & SSO_VIEW_MASK) >> SSO_VIEW_SHIFT);
        EXPECT_EQ(c.listed[c.nSelected], nTarget);
        m_host->OnLog([&] { p->DestroyWindow(); });
        EXPECT_EQ(c.savedBack, CAppSettings::Get().Common.FindDialog[c.nView] & DLGOPT_ROW_MASK);
    }
}

TEST_F(FindDialogTest, ClosingAndReopeningRestoresTheOptionsAndTheRectangle) {
    AddCall(L"call", 1, {{L"a", L"LONG", L"12"}});
    ASSERT_NE(nullptr, OpenDialog());
    EXPECT_TRUE(Checked(IDC_FIND_CLIENT));
    EXPECT_TRUE(Checked(IDC_FIND_LABEL));
    EXPECT_TRUE(Checked(IDC_FIND_PATH));
    EXPECT_TRUE(Checked(IDC_FIND_CURRENTVIEW));
    EXPECT_TRUE(Checked(IDC_FIND_MATCHOBJECTS));
    EXPECT_TRUE(Checked(IDC_FIND_OBJECT));
    EXPECT_FALSE(Enabled(IDC_FIND_OBJECT));
    Click(IDC_FIND_LABEL);
    Click(IDC_FIND_NAME);
    Click(IDC_FIND_RESULTVIEW);
    Click(IDC_FIND_SEARCHOBJECTS);
    ::SendMessageW(::GetDlgItem(m_hDlg, IDC_FIND_RESULTLIST), LB_SETCURSEL, 4, 0);
    ::MoveWindow(m_hDlg, 40, 30, 820, 520, TRUE);
    Click(IDCANCEL);
    PumpFor(50);
    EXPECT_FALSE(::IsWindow(m_hDlg));
    EXPECT_EQ(DLGOPT_CLIENT | (4 << DLGOPT_ROW_SHIFT), CAppSettings::Get().Common.FindDialog[0]);

    ASSERT_NE(nullptr, OpenDialog());
    EXPECT_TRUE(Checked(IDC_FIND_CLIENT));
    EXPECT_FALSE(Checked(IDC_FIND_LABEL));
    EXPECT_TRUE(Checked(IDC_FIND_NAME));
    EXPECT_TRUE(Checked(IDC_FIND_RESULTVIEW));
    EXPECT_TRUE(Checked(IDC_FIND_SEARCHOBJECTS));
    EXPECT_TRUE(Checked(IDC_FIND_OBJECT));
    EXPECT_EQ(4, ::SendMessageW(::GetDlgItem(m_hDlg, IDC_FIND_RESULTLIST), LB_GETCURSEL, 0, 0));
    RECT rc{};
    ::GetWindowRect(m_hDlg, &rc);
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(30, rc.top);
    EXPECT_EQ(860, rc.right);
    EXPECT_EQ(550, rc.bottom);
    // The right-hand block keeps 400 pixels from the right edge; the tree stretches.
    RECT rcOK{}, rcTree{};
    ::GetWindowRect(::GetDlgItem(m_hDlg, IDOK), &rcOK);
    ::GetWindowRect(m_hTree, &rcTree);
    EXPECT_EQ(rc.right - 400, rcOK.left);
    EXPECT_EQ(rc.right - 420, rcTree.right);
    EXPECT_EQ(rc.bottom - 35, rcTree.bottom);
}

TEST_F(FindDialogTest, AFontChangeReachesTheMemberTreeAndKeepsItsItems) {
    AddCall(L"call", 1, {{L"a", L"LONG", L"12"}, {L"b", L"BSTR", L"x"}});
    ASSERT_NE(nullptr, OpenDialog());
    const std::vector<HTREEITEM> before = Items();
    const int nOldHeight = static_cast<int>(::SendMessageW(m_hTree, TVM_GETITEMHEIGHT, 0, 0));
    CAppSettings& s = CAppSettings::Get();
    const LOGFONTW old = s.Font.FindDialog;
    s.Font.FindDialog.lfHeight = -23;
    m_host->OnLog([&] { m_host->LogDoc()->UpdateAllViews(nullptr, HINT_DIALOG_FONT, nullptr); });
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(m_hTree, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(-23, lf.lfHeight);
    EXPECT_GT(static_cast<int>(::SendMessageW(m_hTree, TVM_GETITEMHEIGHT, 0, 0)), nOldHeight);
    EXPECT_EQ(before, Items());
    s.Font.FindDialog = old;
}

TEST_F(FindDialogTest, OpeningAValueBoxListsTheRecentFindsAndKeepsTheText) {
    AddCall(L"call", 1, {{L"a", L"LONG", L"12"}});
    CAppSettings::Get().AddRecentFind(L"older");
    CAppSettings::Get().AddRecentFind(L"newer");
    ASSERT_NE(nullptr, OpenDialog());
    Type(IDC_FIND_VALUE2, L"typing");
    HWND hBox = ::GetDlgItem(m_hDlg, IDC_FIND_VALUE2);
    ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_FIND_VALUE2, CBN_DROPDOWN), reinterpret_cast<LPARAM>(hBox));
    wchar_t buf[64] = {};
    ::SendMessageW(hBox, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(L"newer", buf);
    ::SendMessageW(hBox, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(L"older", buf);
    EXPECT_EQ(L"typing", Text(IDC_FIND_VALUE2));
}

// --- the find request ------------------------------------------------------------

class FindRequestTest : public FindDialogTest {
protected:
    void SetUp() override {
        FindDialogTest::SetUp();
        m_pCalls[0] = AddCall(L"call", 1, {{L"a", L"LONG", L"12"}, {L"b", L"BSTR", L"x"}});
        m_pCalls[1] = AddCall(L"call", 1, {{L"a", L"LONG", L"13"}, {L"b", L"BSTR", L"y"}});
        m_pCalls[2] = AddCall(L"call", 1, {{L"a", L"LONG", L"12"}, {L"b", L"BSTR", L"z"}});
        ToggleInView(Member(m_pCalls[0], 0));
        ASSERT_NE(nullptr, OpenDialog());
        Select(ItemNamed(L" a = 12"));
        Key(VK_SPACE);
        Type(IDC_FIND_VALUE1, L"12");
        PickOperator(IDC_FIND_OPERATOR1, SOP_EQUAL);
    }
    std::wstring StatusText() {
        std::wstring s;
        m_host->OnLog([&] { s = m_host->LogFrame()->GetStatusBar().GetPaneText(1); });
        return s;
    }
    bool IsHit(CLogNode* p) {
        bool b = false;
        m_host->OnLog([&] { b = IsFoundNode(m_host->LogDoc()->m_FoundNodes, p, FALSE); });
        return b;
    }
    CLogNode* m_pCalls[3] = {};
};

TEST_F(FindRequestTest, TheLogFrameRunsTheFindAndMarksTheHits) {
    Click(IDOK);
    ASSERT_TRUE(PumpUntil([&] { return StatusText() == L"Number of matched = 2"; }, 3000));
    EXPECT_TRUE(IsHit(Member(m_pCalls[0], 0)));
    EXPECT_FALSE(IsHit(Member(m_pCalls[1], 0)));
    EXPECT_TRUE(IsHit(Member(m_pCalls[2], 0)));
    EXPECT_FALSE(IsHit(Member(m_pCalls[2], 1)));
    // The hits are drawn in the condition's colour in the log view.
    bool bColoured = false;
    m_host->OnLog([&] {
        CFoundNodeMap* pMap = m_pView->GetFoundNodes();
        bColoured = pMap && pMap->count(Member(m_pCalls[2], 0)) == 1;
    });
    EXPECT_TRUE(bColoured);
}

TEST_F(FindRequestTest, TheHandedOverSetStaysAsItWasUntilTheFindHasRun) {
    // A rebuild with a reset and a hide right behind OK, before the frame
    // has taken UM_FIND: the find still runs on the conditions of the OK.
    m_host->OnLog([&] {
        ::SendMessageW(::GetDlgItem(m_hDlg, IDOK), BM_CLICK, 0, 0);
        CLogTreeThread::s_pFindDialog->pfnRebuildTree(m_pDlg, 1);
        ::ShowWindow(m_hDlg, SW_HIDE);
    });
    ASSERT_TRUE(PumpUntil([&] { return StatusText() == L"Number of matched = 2"; }, 3000));
    EXPECT_TRUE(IsHit(Member(m_pCalls[2], 0)));
    // The rebuild that waited has run since.
    ASSERT_TRUE(PumpUntil([&] {
        size_t n = 1;
        m_host->OnLog([&] { n = m_pDlg->m_pConditions->m_conditions.size(); });
        return n == 0;
    }, 3000));
}

// Nodes handed out of the pools and not given back.
int NodesInUse() {
    const CNodePoolState st = GetNodePoolState();
    return st.nNodeBlocks * NODE_BLOCK_SIZE - st.nFreshNodes - st.nFreeNodes - st.nReturnedNodes;
}

TEST_F(FindRequestTest, AFailedAllocationDuringARebuildLeavesTheDialogConsistent) {
    int nInUse = -1;
    m_host->OnLog([&] { nInUse = NodesInUse(); });
    for (bool bReset : {false, true}) {
        for (int n = 1; n < 200; ++n) {
            SCOPED_TRACE(testing::Message() << (bReset ? "reset" : "keep") << ", allocation " << n);
            CSearchConditionSet* pBefore = nullptr;
            CLogNode* pTreeBefore = nullptr;
            int nEnabledAfter = -1;
            CSearchConditionSet* pAfter = nullptr;
            CLogNode* pTreeAfter = nullptr;
            m_host->OnLog([&] {
                pBefore = m_pDlg->m_pConditions;
                pTreeBefore = m_pDlg->m_pMemberTree;
                FailAllocationAfter(n);
                m_pDlg->RebuildTree(bReset);
                FailAllocationAfter(0);
                pAfter = m_pDlg->m_pConditions;
                pTreeAfter = m_pDlg->m_pMemberTree;
                nEnabledAfter = pAfter ? pAfter->CountEnabled() : -1;
            });
            const std::vector<Posted> posted = TakePosted();
            ASSERT_NE(nullptr, pAfter);
            // Whatever failed, the half-built tree went back to the pools.
            m_host->OnLog([&] { EXPECT_EQ(nInUse, NodesInUse()); });
            if (pTreeAfter != pTreeBefore) {
                // The new tree is in place (a later failure, if any, came
                // after it): the conditions went over or were reset.
                EXPECT_EQ(bReset ? 0 : 1, nEnabledAfter);
                break;
            }
            ASSERT_FALSE(posted.empty());
            EXPECT_EQ(UM_FIND_ERROR, posted[0].message);
            // Nothing was given up: the old set with its condition, the old
            // tree and its items.
            EXPECT_EQ(pBefore, pAfter);
            EXPECT_EQ(1, nEnabledAfter);
            EXPECT_EQ(2u, Items().size());
        }
    }
}

}  // namespace

namespace {

TEST_F(FindDialogEditTest, AFailureWhileTheSelectionMovesIsReportedAndTheDialogGoesOn) {
    Select(m_hA);
    Key(VK_SPACE);
    Type(IDC_FIND_VALUE1, L"12");
    Select(m_hB);
    Key(VK_SPACE);
    BoxAnswerer box(IDOK);  // an exception let through would end in a message box
    int nFailures = 0;
    for (int n = 1; n < 100; ++n) {
        SCOPED_TRACE(testing::Message() << "allocation " << n);
        m_host->OnLog([&] {
            FailStringAfter(n);
            ::SendMessageW(m_hTree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(n % 2 ? m_hA : m_hB));
            FailStringAfter(0);
        });
        const std::vector<Posted> posted = TakePosted();
        if (posted.empty()) continue;
        ++nFailures;
        ASSERT_EQ(1u, posted.size());
        EXPECT_EQ(UM_FIND_ERROR, posted[0].message);
        EXPECT_EQ(static_cast<WPARAM>(ZV_ERR_MEMORY_BSTR), posted[0].wParam);
        ASSERT_TRUE(::IsWindow(m_hDlg));
    }
    EXPECT_GT(nFailures, 0);
    EXPECT_TRUE(box.Texts().empty());
    // The dialog still stores and loads.
    Select(m_hA);
    Type(IDC_FIND_VALUE1, L"13");
    Select(m_hB);
    Select(m_hA);
    EXPECT_EQ(L"13", Text(IDC_FIND_VALUE1));
}

}  // namespace
