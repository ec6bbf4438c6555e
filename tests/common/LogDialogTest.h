// What the tests of the log view's dialogs stand on: the real log window
// (the log-window test host) whose frame reports to a recorder, calls handed
// over as the main frame does, and the dialogs' controls driven by their own
// messages on the log thread. A fixture puts its spies on the log side and
// resets the settings of its dialog through the hooks.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <vector>

#include "logwindows/logwin_host.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

class LogDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_nClients = 1;
        m_host = std::make_unique<LogHost>();
        ASSERT_NE(nullptr, m_host->LogFrame());
        CAppSettings& s = CAppSettings::Get();
        m_nOldExpand = s.Settings.TreeViewExpand;
        s.Settings.TreeViewExpand = 3;
        // The main frame has loaded what the last test's frame saved.
        ResetDialogSettings(s);
        m_pView = m_host->LogView();
        m_host->OnLog([&] {
            m_host->LogFrame()->SetMainWnd(m_rec.Hwnd());
            AttachSpies();
        });
        ::MoveWindow(m_host->LogWnd(), 0, 0, 500, 400, TRUE);
    }

    void TearDown() override
    {
        if (m_host) m_host->OnLog([&] { DetachSpies(); });
        CAppSettings::Get().Settings.TreeViewExpand = m_nOldExpand;
        m_host.reset();
        g_nClients = 0;
    }

    // The saved options and places of the fixture's dialog put back to
    // their defaults before the log window opens.
    virtual void ResetDialogSettings(CAppSettings&) {}
    // On the log thread: the spies put on and taken off the log side.
    virtual void AttachSpies() {}
    virtual void DetachSpies() {}

    // A call line of client nClient with the member nodes below it, handed
    // over as the main frame does.
    CLogNode* AddCallWithMembers(LPCWSTR pszLabel, int nClient, const std::vector<CLogNode*>& members)
    {
        CLogNode* pCall = MakeCall(pszLabel, nClient, m_nKey += 10, false, 0);
        LinkMembers(pCall, members);
        if (!members.empty()) pCall->m_pEntry->SetFlags(LOGF_MEMBER_TREE);
        m_pLast = LinkAfter(m_pLast, pCall);
        ::SendMessageW(m_host->LogWnd(), UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_pLast), 0);
        return pCall;
    }

    // The log view's check box of a node toggled as a click does.
    void ToggleInView(CLogNode* pNode)
    {
        m_host->OnLog([&] {
            HTREEITEM h = m_pView->FindItemOfNode(pNode);
            ASSERT_NE(nullptr, h);
            m_pView->ToggleCheck(h);
        });
    }

    // BM_CLICK on the dialog's control, on the log thread.
    void Click(HWND hDlg, int nID)
    {
        HWND h = ::GetDlgItem(hDlg, nID);
        m_host->OnLog([&] { ::SendMessageW(h, BM_CLICK, 0, 0); });
    }

    // A key pressed on hFocus as the dialog's message loop passes it on
    // (through IsDialogMessage), on the log thread.
    void Key(HWND hDlg, HWND hFocus, UINT vk)
    {
        m_host->OnLog([&] {
            ::SetFocus(hFocus);
            MSG msg{hFocus, WM_KEYDOWN, vk, 1};
            if (!::IsDialogMessageW(hDlg, &msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            MSG up{hFocus, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001)};
            ::IsDialogMessageW(hDlg, &up);
        });
    }

    bool Checked(HWND hDlg, int nID) const { return ::IsDlgButtonChecked(hDlg, nID) == BST_CHECKED; }
    bool Enabled(HWND hDlg, int nID) const { return ::IsWindowEnabled(::GetDlgItem(hDlg, nID)) != FALSE; }

    // What a spy kept on the log thread since the last call (after what is
    // on its way has arrived).
    template <class T>
    std::vector<T> TakeFromLog(std::vector<T>& kept)
    {
        PumpFor(50);
        std::vector<T> r;
        m_host->OnLog([&] {
            r = kept;
            kept.clear();
        });
        return r;
    }

    std::unique_ptr<LogHost> m_host;
    Recorder m_rec;
    CLogTreeView* m_pView = nullptr;
    CLogNode* m_pLast = nullptr;
    DWORD m_nKey = 0;
    int m_nOldExpand = 0;
};
