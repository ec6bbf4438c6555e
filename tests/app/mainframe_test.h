// The main frame's test fixture: a fresh state for each test, the texts of
// the message boxes, and waiting for a trace state.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <vector>
#include "mainframe_fakes.h"
#include "resources/resource.h"
#include "server/app/ZavetraView.h"
#include "server/app/ZavetraApp.h"
#include "server/capture/ObjTable.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

inline constexpr wchar_t kBox3[] = L"Forced stop";
inline constexpr wchar_t kBox9[] = L"Memory Allocation Error";
inline constexpr wchar_t kBox10[] = L"Memory Allocation Error (Node)";
inline constexpr wchar_t kBox11[] = L"Memory Allocation Error (BSTR)";
inline constexpr wchar_t kBox12[] = L"Error(Failed) Destroy_LogThread";
inline constexpr wchar_t kBox13[] = L"Error(Failed) CreateResultView";
inline constexpr wchar_t kBox21[] = L"Error(Fatal) BeginThread.\nterminate procee.";
inline constexpr wchar_t kBox22[] = L"Error(Fatal) CreateLogView.\nterminate procee";
inline constexpr wchar_t kBox23[] = L"Error(Fatal) Insert_TreeItem\nterminate procee";

inline std::wstring Joined(const std::vector<std::wstring>& texts) {
    std::wstring s;
    for (const auto& t : texts) s += (s.empty() ? L"" : L" | ") + t;
    return s;
}

// Pumps until the frame is in the state (or the timeout).
inline bool PumpUntilState(CMainFrame* pFrame, int nState, DWORD ms = 5000) {
    ULONGLONG end = ::GetTickCount64() + ms;
    while (pFrame->GetTraceState() != nState) {
        if (::GetTickCount64() > end) return false;
        PumpMessages(5);
    }
    return true;
}

// The user closes the stand-in log window outside a call.
inline void CloseLogWindowOutsideCall(MainFrameHost& host) {
    ASSERT_NE(nullptr, host.Frame()->GetLogThread());
    host.Frame()->GetLogThread()->PostThreadMessage(FAKE_CLOSE_LOGWINDOW, 0, 0);
    ASSERT_TRUE(PumpUntilState(host.Frame(), CMainFrame::STATE_NO_LOGWINDOW));
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        theApp.m_bClosing = false;
        FakeLog::Get().Reset();
        CMainFrame::s_pObjInfoBuilder = nullptr;
    }
    void TearDown() override {
        CMainFrame::s_pObjInfoBuilder = nullptr;
        FakeLog::Get().Reset();
        theApp.m_bClosing = false;
        ResetGlobals();
    }
    BoxWatcher boxes;
};
