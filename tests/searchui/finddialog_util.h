// What the find-dialog tests stand on: the real log window with calls of
// typed members, the find dialog opened by the log view's command, a spy on
// what the dialog posts to its owner frame, a message-box answerer, and the
// dialog's controls driven by their own messages on the log thread.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "common/BoxAnswerer.h"
#include "common/LogDialogTest.h"
#include "resources/FindDialogRes.h"
#include "search/dialogs/FindDialog.h"

// Armed, the countdown'th operator new of the process throws std::bad_alloc.
void FailAllocationAfter(int n);
// Armed, the countdown'th string allocation of the program fails.
void FailStringAfter(int n);
// While set, UM_FIND is recorded but not passed on to the log frame.
void SetSwallowFind(bool bSwallow);

struct MemberSpec {
    LPCWSTR pszName;
    LPCWSTR pszType;
    LPCWSTR pszValue;
};

// What the dialog posted to its owner frame (the options word is read when
// UM_FIND arrives).
struct Posted {
    UINT message;
    WPARAM wParam;
    DWORD options;
};

class FindDialogTest : public LogDialogTest {
protected:
    void TearDown() override;
    void ResetDialogSettings(CAppSettings& s) override;
    void AttachSpies() override;
    void DetachSpies() override;

    // A call line of client nClient with the members, handed over as the main frame does.
    CLogNode* AddCall(LPCWSTR pszLabel, int nClient, std::initializer_list<MemberSpec> members);
    CLogNode* Member(CLogNode* pCall, int n) const;
    // The find dialog opened by the log view's command.
    CFindDialog* OpenDialog();

    // --- the dialog, driven on the log thread ----------------------------------------
    std::vector<HTREEITEM> Items() const;
    std::wstring ItemText(HTREEITEM h) const;
    int Image(HTREEITEM h) const;
    HTREEITEM ItemNamed(LPCWSTR pszText) const;   // first item whose text contains the text
    void Select(HTREEITEM h);
    void Key(UINT vk, HWND hTarget = nullptr);     // through IsDialogMessage (default: the tree)
    void Type(int nID, LPCWSTR pszText);           // value box text with CBN_EDITCHANGE
    void PickOperator(int nID, int nOperator);     // operator box item with CBN_SELCHANGE
    void Click(int nID);                           // BM_CLICK on the control
    std::wstring Text(int nID) const;
    bool Checked(int nID) const { return LogDialogTest::Checked(m_hDlg, nID); }
    bool Enabled(int nID) const { return LogDialogTest::Enabled(m_hDlg, nID); }
    std::vector<Posted> TakePosted();

    CFindDialog* m_pDlg = nullptr;
    HWND m_hDlg = nullptr;
    HWND m_hTree = nullptr;
};
