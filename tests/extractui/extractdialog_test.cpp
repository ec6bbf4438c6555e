// The extract dialog on the real log window: the preview by each grouping,
// Path and Name, Object off, the result-view list, OK and what it hands to
// the log frame, Cancel, and the options kept between openings.
#include "dialog_host.h"

#include <algorithm>

#include "common/WindowShot.h"

#include "resources/ExtractDialogRes.h"
#include "resources/LogWindowRes.h"
#include "search/dialogs/ExtractDialog.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

class ExtractDialogTest : public DialogHostTest {
protected:
    void SetUp() override {
        DialogHostTest::SetUp();
        if (HasFatalFailure()) return;
        m_pA = AddCall(L"load", 1, {{L"x", L"1", {}}, {L"y", L"2", {}}});
        m_pB = AddCall(L"save", 2, {{L"x", L"3", {}}, {L"z", L"4", {}}});
        m_pC = AddCall(L"load", 2, {{L"y", L"5", {}}, {L"o", L"Object", {{L"p", L"6", {}}, {L"q", L"7", {}}}}});
    }

    void CheckMembers() {
        for (CLogNode* p : {Member(m_pA, {L"x"}), Member(m_pB, {L"x"}), Member(m_pB, {L"z"}),
                            Member(m_pC, {L"y"}), Member(m_pC, {L"o", L"p"})})
            ToggleInView(p);
    }

    void Open() {
        Command(ID_EXTRACT_DIALOG);
        m_host->OnLog([&] { m_pDlg = m_pView->GetExtractDialog(); });
        ASSERT_NE(nullptr, m_pDlg);
        m_hDlg = m_pDlg->m_hWnd;
        m_hTree = ::GetDlgItem(m_hDlg, IDC_EXTRACT_TREE);
        ASSERT_TRUE(::IsWindowVisible(m_hDlg));
    }

    // The option boxes set, then one click on Object (which refreshes).
    void SetOptions(bool bClient, bool bLabel, bool bObject, bool bPath) {
        m_host->OnLog([&] {
            SetCheck(m_hDlg, IDC_EXTRACT_CLIENT, bClient);
            SetCheck(m_hDlg, IDC_EXTRACT_LABEL, bLabel);
            SetCheck(m_hDlg, IDC_EXTRACT_OBJECT, !bObject);
            SetCheck(m_hDlg, IDC_EXTRACT_PATH, bPath);
            SetCheck(m_hDlg, IDC_EXTRACT_NAME, !bPath);
        });
        Click(m_hDlg, IDC_EXTRACT_OBJECT);
    }

    void SelectResultView(int nRow) {
        m_host->OnLog([&] { ::SendDlgItemMessageW(m_hDlg, IDC_EXTRACT_RESULTLIST, LB_SETCURSEL, nRow, 0); });
    }

    std::wstring Preview() {
        std::wstring s;
        m_host->OnLog([&] { s = TreeText(m_hTree); });
        return s;
    }

    // The item data of every item of the preview, all levels.
    std::vector<LPARAM> ItemData() {
        std::vector<LPARAM> data;
        m_host->OnLog([&] { CollectItemData(TreeView_GetRoot(m_hTree), data); });
        return data;
    }

    void CollectItemData(HTREEITEM hFirst, std::vector<LPARAM>& data) {
        for (HTREEITEM h = hFirst; h; h = TreeView_GetNextSibling(m_hTree, h)) {
            TVITEMW item{};
            item.mask = TVIF_PARAM | TVIF_HANDLE;
            item.hItem = h;
            TreeView_GetItem(m_hTree, &item);
            data.push_back(item.lParam);
            CollectItemData(TreeView_GetChild(m_hTree, h), data);
        }
    }

    CLogNode* m_pA = nullptr;
    CLogNode* m_pB = nullptr;
    CLogNode* m_pC = nullptr;
    CExtractDialog* m_pDlg = nullptr;
    HWND m_hDlg = nullptr;
    HWND m_hTree = nullptr;
};

TEST_F(ExtractDialogTest, PreviewGroupsTheCheckedMembersByTheChosenBoxes) {
    CheckMembers();
    Open();
    struct Case {
        bool bClient, bLabel, bPath;
        LPCWSTR pszPreview;
    };
    const Case cases[] = {
        {true, false, true,
         L"Client = 1[(LONG) x],"
         L"Client = 2[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) x,(LONG) y,(LONG) z]"},
        {false, true, true,
         L"load[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) x,(LONG) y],save[(LONG) x,(LONG) z]"},
        {true, true, true,
         L"Client = 1   load[(LONG) x],Client = 2   save[(LONG) x,(LONG) z],"
         L"Client = 2   load[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) y]"},
        {false, false, true, L"[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) x,(LONG) y,(LONG) z]"},
        // Name: a member comes straight under its group, without the object it lies in.
        {false, false, false, L"[(LONG) p,(LONG) x,(LONG) y,(LONG) z]"},
        {true, false, false, L"Client = 1[(LONG) x],Client = 2[(LONG) p,(LONG) x,(LONG) y,(LONG) z]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "client " << c.bClient << " label " << c.bLabel << " path " << c.bPath);
        SetOptions(c.bClient, c.bLabel, true, c.bPath);
        EXPECT_EQ(Preview(), c.pszPreview);
    }
    EXPECT_TRUE(TakePosted().empty());
}

TEST_F(ExtractDialogTest, ObjectOffTakesOnlyWholeCallLinesAndDisablesPathAndName) {
    ToggleInView(Member(m_pA, {L"x"}));
    ToggleInView(m_pB);   // the whole call line
    Open();
    SetOptions(true, false, false, true);
    EXPECT_FALSE(Enabled(m_hDlg, IDC_EXTRACT_PATH));
    EXPECT_FALSE(Enabled(m_hDlg, IDC_EXTRACT_NAME));
    EXPECT_EQ(Preview(), L"Client = 2");
    Click(m_hDlg, IDC_EXTRACT_OBJECT);
    EXPECT_TRUE(Enabled(m_hDlg, IDC_EXTRACT_PATH));
    EXPECT_TRUE(Enabled(m_hDlg, IDC_EXTRACT_NAME));
}

TEST_F(ExtractDialogTest, PreviewFollowsTheChecksOfTheLogView) {
    Open();
    EXPECT_EQ(Preview(), L"");
    ToggleInView(Member(m_pA, {L"y"}));
    EXPECT_EQ(Preview(), L"Client = 1   load[(LONG) y]");
    ToggleInView(Member(m_pA, {L"y"}));
    EXPECT_EQ(Preview(), L"");
}

TEST_F(ExtractDialogTest, OkPostsTheRegroupedListWithTheResultViewAndFlagsAndKeepsShowingIt) {
    CheckMembers();
    Open();
    struct Case {
        bool bClient, bLabel, bObject, bPath;
        int nRow;
        LPARAM lParam;
        LPCWSTR pszList;
    };
    const Case cases[] = {
        {true, false, true, false, 3, 0x50004,
         L"Client = 1[(LONG) x],Client = 2[(LONG) p,(LONG) x,(LONG) y,(LONG) z]"},
        {false, true, true, true, 0, 0xA0001 | 0x40000,
         L"load[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) x,(LONG) y],save[(LONG) x,(LONG) z]"},
        {false, false, true, true, 6, 0xC0007, L"[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) x,(LONG) y,(LONG) z]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.nRow);
        SetOptions(c.bClient, c.bLabel, c.bObject, c.bPath);
        SelectResultView(c.nRow);
        const std::wstring shown = Preview();
        ASSERT_NE(shown, L"");
        for (LPARAM d : ItemData()) ASSERT_NE(d, 0);
        Click(m_hDlg, IDOK);
        std::vector<Posted> posted = TakePosted();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].message, UM_EXTRACT_OK);
        EXPECT_EQ(posted[0].lParam, c.lParam);
        // Every level below the groups is a search tree for the merge.
        EXPECT_EQ(ChainText(reinterpret_cast<CLogNode*>(posted[0].wParam), true), c.pszList);
        // The nodes are the receiver's: the tree still shows them, but no
        // item refers to them any more.
        EXPECT_EQ(Preview(), shown);
        const std::vector<LPARAM> data = ItemData();
        EXPECT_FALSE(data.empty());
        for (LPARAM d : data) EXPECT_EQ(d, 0);
        m_host->OnLog([&] { EXPECT_EQ(nullptr, m_pDlg->GetPreview()); });
        EXPECT_TRUE(::IsWindowVisible(m_hDlg));
    }
}

TEST_F(ExtractDialogTest, SecondOkAndDoubleClickAndEnterEachPostANewList) {
    CheckMembers();
    Open();
    Click(m_hDlg, IDOK);
    Click(m_hDlg, IDOK);
    HWND hList = ::GetDlgItem(m_hDlg, IDC_EXTRACT_RESULTLIST);
    m_host->OnLog([&] {
        ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDC_EXTRACT_RESULTLIST, LBN_DBLCLK),
                       reinterpret_cast<LPARAM>(hList));
    });
    Key(m_hDlg, hList, VK_RETURN);
    std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(posted.size(), 4u);
    for (size_t i = 0; i < posted.size(); ++i) {
        EXPECT_EQ(posted[i].message, UM_EXTRACT_OK);
        EXPECT_EQ(posted[i].lParam, 0xF0001);   // the default options, result view 1
        for (size_t j = 0; j < i; ++j) EXPECT_NE(posted[i].wParam, posted[j].wParam);
    }
}

TEST_F(ExtractDialogTest, NothingCheckedOkPostsNothing) {
    Open();
    Click(m_hDlg, IDOK);
    EXPECT_TRUE(TakePosted().empty());
}

// A saved list position beyond the seven numbers (a hand-edited setting)
// selects the first, and OK extracts into result view 1.
TEST_F(ExtractDialogTest, ASavedPositionOutOfRangeSelectsTheFirstResultView) {
    CAppSettings::Get().Common.ExtractDialog =
        DLGOPT_CLIENT | DLGOPT_LABEL | DLGOPT_OBJECT | DLGOPT_PATH | (9u << DLGOPT_ROW_SHIFT);
    CheckMembers();
    Open();
    EXPECT_EQ(::SendDlgItemMessageW(m_hDlg, IDC_EXTRACT_RESULTLIST, LB_GETCURSEL, 0, 0), 0);
    Click(m_hDlg, IDOK);
    std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, UM_EXTRACT_OK);
    EXPECT_EQ(posted[0].lParam, 0xF0001);
}

TEST_F(ExtractDialogTest, EscapeTellsTheFrameAndTheOptionsAndPlaceComeBack) {
    CheckMembers();
    Open();
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_CLIENT));
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_LABEL));
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_OBJECT));
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_PATH));
    EXPECT_EQ(::SendDlgItemMessageW(m_hDlg, IDC_EXTRACT_RESULTLIST, LB_GETCURSEL, 0, 0), 0);
    SetOptions(false, true, true, false);
    SelectResultView(5);
    ::MoveWindow(m_hDlg, 40, 30, 700, 600, TRUE);
    Key(m_hDlg, m_hTree, VK_ESCAPE);
    std::vector<Posted> posted = TakePosted();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, UM_EXTRACTDIALOG_CLOSED);
    EXPECT_FALSE(::IsWindow(m_hDlg));
    m_host->OnLog([&] { EXPECT_EQ(nullptr, m_pView->GetExtractDialog()); });
    // Bits 16 and 17 of the default are gone.
    EXPECT_EQ(CAppSettings::Get().Common.ExtractDialog, DLGOPT_LABEL | DLGOPT_OBJECT | (5u << DLGOPT_ROW_SHIFT));

    Open();
    EXPECT_FALSE(Checked(m_hDlg, IDC_EXTRACT_CLIENT));
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_LABEL));
    EXPECT_TRUE(Checked(m_hDlg, IDC_EXTRACT_NAME));
    EXPECT_EQ(::SendDlgItemMessageW(m_hDlg, IDC_EXTRACT_RESULTLIST, LB_GETCURSEL, 0, 0), 5);
    RECT rc;
    ::GetWindowRect(m_hDlg, &rc);
    EXPECT_EQ(rc.left, 40);
    EXPECT_EQ(rc.top, 30);
    EXPECT_EQ(rc.right - rc.left, 700);
    EXPECT_EQ(rc.bottom - rc.top, 600);
}

TEST_F(ExtractDialogTest, TheViewForgetsTheDialogBeforeItsObjectGoes) {
    Open();
    m_host->OnLog([&] {
        ::SendMessageW(m_hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        EXPECT_EQ(nullptr, m_pView->GetExtractDialog());
    });
    EXPECT_FALSE(::IsWindow(m_hDlg));
    Open();
}

TEST_F(ExtractDialogTest, ResizeKeepsOkAtTheBottomLeftAndTheTreeAboveTheOptions) {
    Open();
    for (SIZE size : {SIZE{700, 600}, SIZE{900, 500}}) {
        ::MoveWindow(m_hDlg, 20, 10, size.cx, size.cy, TRUE);
        RECT w, ok, tree;
        ::GetWindowRect(m_hDlg, &w);
        ::GetWindowRect(::GetDlgItem(m_hDlg, IDOK), &ok);
        ::GetWindowRect(m_hTree, &tree);
        EXPECT_EQ(ok.left - w.left, 40);
        EXPECT_EQ(w.bottom - ok.bottom, 40);
        EXPECT_EQ(w.bottom - tree.bottom, 190);
        EXPECT_EQ(w.right - tree.right, 15);
    }
}

TEST_F(ExtractDialogTest, AFontChangeReachesThePreviewTree) {
    Open();
    CAppSettings& s = CAppSettings::Get();
    const LOGFONTW old = s.Font.ExtractDialog;
    s.Font.ExtractDialog.lfHeight = -21;
    m_host->OnLog([&] { m_host->LogDoc()->UpdateAllViews(nullptr, HINT_EXTRACT_FONT, nullptr); });
    LOGFONTW lf{};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(m_hTree, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    EXPECT_EQ(lf.lfHeight, -21);
    s.Font.ExtractDialog = old;
}

TEST_F(ExtractDialogTest, ClearingTheLogDestroysTheDialogWithoutAClosingMessage) {
    CheckMembers();
    Open();
    m_host->OnLog([&] { m_host->LogDoc()->UpdateAllViews(nullptr, HINT_CLEAR, nullptr); });
    EXPECT_FALSE(::IsWindow(m_hDlg));
    EXPECT_TRUE(TakePosted().empty());
    m_host->OnLog([&] { EXPECT_EQ(nullptr, m_pView->GetExtractDialog()); });
}

// The dialog as the user sees it after opening with the default options:
// the boxes and the result-view list, and every preview item drawn as text
// on the window colour. With ZV_SHOT_DIR set the picture is also saved there
// (tools/dialogshots runs it) for checking by eye.
TEST_F(ExtractDialogTest, Screenshot) {
    CheckMembers();
    Open();
    ::SetWindowPos(m_hDlg, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
    m_host->OnLog([&] { ::RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); });
    PumpFor(300);

    EXPECT_EQ(Preview(), L"Client = 1   load[(LONG) x],Client = 2   save[(LONG) x,(LONG) z],"
                         L"Client = 2   load[(VT_DISPATCH) (Object) o[(LONG) p],(LONG) y]");
    for (int nID : {IDC_EXTRACT_CLIENT, IDC_EXTRACT_LABEL, IDC_EXTRACT_OBJECT, IDC_EXTRACT_PATH})
        EXPECT_TRUE(Checked(m_hDlg, nID)) << nID;
    EXPECT_FALSE(Checked(m_hDlg, IDC_EXTRACT_NAME));
    for (int nID : {IDC_EXTRACT_PATH, IDC_EXTRACT_NAME, IDC_EXTRACT_RESULTLIST, IDOK, IDCANCEL})
        EXPECT_TRUE(Enabled(m_hDlg, nID)) << nID;
    std::wstring numbers;
    m_host->OnLog([&] {
        HWND hList = ::GetDlgItem(m_hDlg, IDC_EXTRACT_RESULTLIST);
        const int n = static_cast<int>(::SendMessageW(hList, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t buf[8] = {};
            ::SendMessageW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
            numbers += buf;
        }
    });
    EXPECT_EQ(numbers, L"1234567");
    EXPECT_EQ(::SendDlgItemMessageW(m_hDlg, IDC_EXTRACT_RESULTLIST, LB_GETCURSEL, 0, 0), 0);

    // Each of the nine items is on screen: its text in the tree's text
    // colour (or, for the selected one, the selection's), on its background.
    const WindowPixels px = GrabWindow(m_hDlg);
    ASSERT_FALSE(px.rgb.empty());
    int nItems = 0;
    m_host->OnLog([&] {
        const COLORREF clrText = ::GetSysColor(COLOR_WINDOWTEXT), clrBack = ::GetSysColor(COLOR_WINDOW);
        for (HTREEITEM h = TreeView_GetRoot(m_hTree); h; h = TreeView_GetNextVisible(m_hTree, h)) {
            ++nItems;
            RECT rc{};
            ASSERT_TRUE(TreeView_GetItemRect(m_hTree, h, &rc, TRUE)) << nItems;
            ::MapWindowPoints(m_hTree, nullptr, reinterpret_cast<POINT*>(&rc), 2);
            const std::vector<COLORREF> pixels = PixelsIn(px, rc);
            ASSERT_FALSE(pixels.empty()) << nItems;
            const bool bSelected = (TreeView_GetItemState(m_hTree, h, TVIS_SELECTED) & TVIS_SELECTED) != 0;
            const COLORREF fore = bSelected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : clrText;
            const COLORREF back = bSelected ? ::GetSysColor(COLOR_HIGHLIGHT) : clrBack;
            const auto nBack = std::count(pixels.begin(), pixels.end(), back);
            const auto nFore = std::count(pixels.begin(), pixels.end(), fore);
            EXPECT_GT(nBack * 2, static_cast<long long>(pixels.size())) << "item " << nItems;
            EXPECT_GT(nFore, 0) << "item " << nItems;
        }
    });
    EXPECT_EQ(nItems, 9);
    SaveWindowBitmap(m_hDlg, L"extract-dialog");
}

}  // namespace
