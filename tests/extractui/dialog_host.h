// What the extract and move dialog tests stand on: the real log window with
// calls of named members, a spy on what reaches the log frame and the log
// view, the dialogs' controls driven by their own messages on the log
// thread, and a capture of a window to a bitmap file.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "common/LogDialogTest.h"

struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A member of a test call: name, type, value and its own members.
struct MemberSpec {
    LPCWSTR pszName;
    LPCWSTR pszValue;
    std::vector<MemberSpec> children;
};

class DialogHostTest : public LogDialogTest {
protected:
    void ResetDialogSettings(CAppSettings& s) override;
    void AttachSpies() override;
    void DetachSpies() override;

    // A call line of client nClient with the members, handed over as the main frame does.
    CLogNode* AddCall(LPCWSTR pszLabel, int nClient, const std::vector<MemberSpec>& members);
    // The member reached from the call by names ("o", "p": o's member p).
    static CLogNode* Member(CLogNode* pCall, std::initializer_list<LPCWSTR> path);
    // The command of the log view (ID_EXTRACT_DIALOG, ID_MOVE_DIALOG) sent to the log frame.
    void Command(UINT nID);

    void SetCheck(HWND hDlg, int nID, bool bCheck) {
        ::SendDlgItemMessageW(hDlg, nID, BM_SETCHECK, bCheck ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    // What reached the log frame (UM_EXTRACT_*) and the log view (UM_MOVE*)
    // since the last call; an extracted list is kept, not passed on.
    std::vector<Posted> TakePosted();
};

// The tree control's items as "text[child,child]" in order, all levels.
std::wstring TreeText(HWND hTree);
// A regrouped chain as "text[child,child]": lists or search trees (in order).
std::wstring ChainText(const CLogNode* pChain, bool bSearchTrees);

// Saves the window's screen image as a 24-bit bitmap file when the folder
// ZV_SHOT_DIR names exists; false when there is none to save to.
bool SaveWindowBitmap(HWND hWnd, LPCWSTR pszName);
