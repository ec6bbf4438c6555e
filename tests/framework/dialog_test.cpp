// Modal and modeless dialogs, message boxes and the common dialogs.
#include "TestApp.h"
#include "framework_test_res.h"
#include <gtest/gtest.h>

namespace {

class CHeightList : public CListBox {
public:
    std::vector<UINT> measured;
    void MeasureItem(LPMEASUREITEMSTRUCT mis) override {
        measured.push_back(mis->itemID);
        mis->itemHeight = 11 + mis->itemID;
    }
};

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(IDD_FWTEST_DIALOG) {}
    CHeightList m_list;
    bool m_bOk = false;
    bool* m_pDeleted = nullptr;
    int m_nHeight1 = 0;

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_list.SubclassDlgItem(IDC_FWTEST_LIST, this);
        m_list.AddString(L"a");
        m_list.AddString(L"b");
        m_nHeight1 = m_list.GetItemHeight(1);
        if (IsModal()) PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    void OnOK() override {
        m_bOk = true;
        CDialog::OnOK();
    }
    void PostNcDestroy() override {
        if (m_pDeleted) {  // the modeless kind owns itself
            *m_pDeleted = true;
            delete this;
        }
    }
};

}  // namespace

TEST(Dialog, ModalDialogEndsWithAPostedOk) {
    CTestDialog dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(dlg.m_bOk);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    // The list of the dialog was measured through the dialog's reflection.
    EXPECT_EQ((std::vector<UINT>{0, 1}), dlg.m_list.measured);
    EXPECT_EQ(12, dlg.m_nHeight1);
}

TEST(Dialog, ModelessDialogDeletesItselfWhenClosed) {
    bool deleted = false;
    auto* dlg = new CTestDialog;
    dlg->m_pDeleted = &deleted;
    ASSERT_TRUE(dlg->Create(IDD_FWTEST_DIALOG));
    HWND h = dlg->m_hWnd;
    EXPECT_TRUE(::IsWindow(h));
    EXPECT_FALSE(dlg->IsModal());
    EXPECT_EQ(L"Framework Test Dialog", dlg->GetWindowText());
    ::SendMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(deleted);
    EXPECT_FALSE(::IsWindow(h));
}

TEST(Dialog, DialogKeysOfAModelessDialogGoThroughPreTranslation) {
    bool deleted = false;
    auto* dlg = new CTestDialog;
    dlg->m_pDeleted = &deleted;
    ASSERT_TRUE(dlg->Create(IDD_FWTEST_DIALOG));
    HWND h = dlg->m_hWnd;
    // Escape in the edit becomes IDCANCEL through IsDialogMessage, which closes the dialog.
    MSG esc{::GetDlgItem(h, IDC_FWTEST_EDIT), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(theApp.PreTranslateMessage(&esc));
    PumpUntil([&] { return deleted; }, 2000);
    EXPECT_TRUE(deleted);
}

TEST(MessageBox, CaptionIsTheApplicationTitleAndOwnerTheMainWindow) {
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, L"main", WS_OVERLAPPEDWINDOW));
    theApp.m_pMainWnd = frame;
    {
        DialogCloser closer(::GetCurrentThreadId(), IDOK);
        EXPECT_EQ(IDOK, AfxMessageBox(L"hello", MB_OKCANCEL));
        EXPECT_EQ(L"Zavetra", closer.Caption());
        EXPECT_EQ(L"hello", closer.Text());
        EXPECT_EQ(frame->m_hWnd, closer.Owner());
    }
    EXPECT_EQ(frame, AfxGetMainWnd());
    EXPECT_EQ(frame, AfxGetThread()->GetMainWnd());
    frame->DestroyWindow();  // the frame deletes itself and leaves the thread without a main window
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    // CanExitApp() is FALSE here: no quit message was posted.
    MSG msg;
    EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST(CommonDialogs, FontDialogWritesTheFontOnlyOnOk) {
    struct Row { UINT command; INT_PTR result; bool written; };
    const Row rows[] = {{IDCANCEL, IDCANCEL, false}, {IDOK, IDOK, true}};
    for (const Row& row : rows) {
        LOGFONTW lf{};
        lf.lfHeight = -13;
        lf.lfWeight = 123;  // no font has this weight: the dialog's answer replaces it
        wcscpy(lf.lfFaceName, L"Tahoma");
        CFontDialog dlg(&lf, CF_SCREENFONTS | CF_NOVERTFONTS);
        DialogCloser closer(::GetCurrentThreadId(), row.command);
        EXPECT_EQ(row.result, dlg.DoModal()) << row.command;
        EXPECT_TRUE(closer.Found());
        EXPECT_EQ(row.written, lf.lfWeight != 123) << row.command;
        if (row.written) {
            EXPECT_NE(L'\0', lf.lfFaceName[0]);
        }
    }
}

TEST(CommonDialogs, ColorDialogStartsWithTheGivenColour) {
    CColorDialog dlg(RGB(10, 20, 30), CC_FULLOPEN);
    DialogCloser closer(::GetCurrentThreadId(), IDOK);
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_TRUE(closer.Found());
    EXPECT_EQ(RGB(10, 20, 30), dlg.GetColor());

    CColorDialog cancelled(RGB(1, 2, 3), CC_FULLOPEN);
    DialogCloser closer2(::GetCurrentThreadId(), IDCANCEL);
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
}
