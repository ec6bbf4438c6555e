// The log thread: its start (one UM_LOGVIEW_CREATED, a visible empty log
// window with its menu and toolbar), its end, thread messages during a modal
// loop, Release Memory in its three steps, result windows that cannot be
// opened, and window slots that follow the windows' destruction.
#include <gtest/gtest.h>

#include "logwin_host.h"

#include <commctrl.h>

#include "resources/LogWindowRes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"
#include "server/core/NodeAlgo.h"
#include "search/SearchCondition.h"
#include "server/settings/AppSettings.h"
#include <memory>

namespace {

// A log thread started as the main frame starts it, reporting to a recorder.
class ThreadOnRecorder {
public:
    ThreadOnRecorder() {
        m_pThread = dynamic_cast<CLogTreeThread*>(CLogTreeThread::CreateForMainFrame(m_rec.Hwnd()));
        if (!m_pThread) return;
        m_nPriority = m_pThread->GetThreadPriority();
        m_pThread->ResumeThread();
        PumpUntil([&] { return !m_rec.m_msgs.empty(); });
    }
    ~ThreadOnRecorder() { Quit(); }
    DWORD Quit() {
        DWORD code = 0xFFFF;
        if (!m_pThread) return code;
        m_pThread->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0);
        ::WaitForSingleObject(m_pThread->m_hThread, 10000);
        ::GetExitCodeThread(m_pThread->m_hThread, &code);
        delete m_pThread;
        m_pThread = nullptr;
        return code;
    }
    Recorder m_rec;
    CLogTreeThread* m_pThread = nullptr;
    int m_nPriority = 0;
};

TEST(LogThreadTest, StartMakesOneVisibleEmptyLogWindowAndQuitEndsTheThread) {
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, t.m_nPriority);
    PumpFor(200);
    ASSERT_EQ(1u, t.m_rec.m_msgs.size());
    const MSG created = t.m_rec.m_msgs[0];
    EXPECT_EQ(UM_LOGVIEW_CREATED, created.message);
    CLogTreeFrame* pFrame = t.m_pThread->m_pLogFrame;
    ASSERT_NE(nullptr, pFrame);
    HWND hLog = pFrame->m_hWnd;
    EXPECT_EQ(reinterpret_cast<WPARAM>(hLog), created.wParam);
    EXPECT_TRUE(::IsWindowVisible(hLog));
    wchar_t title[32] = {};
    ::GetWindowTextW(hLog, title, 32);
    EXPECT_STREQ(L"LogView", title);
    EXPECT_EQ(0, ItemCount(pFrame->GetLogView()->m_hWnd));
    EXPECT_EQ(0, pFrame->GetLogView()->GetViewIndex());
    EXPECT_NE(nullptr, pFrame->GetLogView()->GetScrollBarDialog());
    // Not the thread's main window: closing it must not end the thread.
    EXPECT_EQ(nullptr, t.m_pThread->m_pMainWnd);

    // Menu 131 with its four menus, toolbar 131 with 13 buttons and 4 separators.
    EXPECT_EQ(4, ::GetMenuItemCount(::GetMenu(hLog)));
    HWND hBar = pFrame->GetToolBar().m_hWnd;
    EXPECT_EQ(17, static_cast<int>(::SendMessageW(hBar, TB_BUTTONCOUNT, 0, 0)));
    EXPECT_EQ(0, static_cast<int>(::SendMessageW(hBar, TB_COMMANDTOINDEX, ID_TRACE_STOP, 0)));
    EXPECT_EQ(16, static_cast<int>(::SendMessageW(hBar, TB_COMMANDTOINDEX, ID_TOOL_OBJECTINFO, 0)));

    // The user closes the log window: the thread goes on.
    t.m_rec.m_msgs.clear();
    ::SendMessageW(hLog, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hLog));
    EXPECT_EQ(nullptr, t.m_pThread->m_pLogFrame);
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(t.m_pThread->m_hThread, 100));
    EXPECT_EQ(std::vector<UINT>{UM_LOGVIEW_CLOSED}, t.m_rec.Take());

    EXPECT_EQ(0u, t.Quit());
}

TEST(LogThreadTest, QuitClosesTheLogWindowWhichSavesItsRectangleAndSaysSo) {
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    HWND hLog = t.m_pThread->m_pLogFrame->m_hWnd;
    ::MoveWindow(hLog, 40, 50, 400, 300, TRUE);
    t.m_rec.Take();
    EXPECT_EQ(0u, t.Quit());
    EXPECT_FALSE(::IsWindow(hLog));
    EXPECT_EQ(std::vector<UINT>{UM_LOGVIEW_CLOSED}, t.m_rec.Take());
    const RECT& rc = CAppSettings::Get().Window.LogView;
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(440, rc.right);
    EXPECT_EQ(350, rc.bottom);
    CAppSettings::Get().Window.LogView = RECT{};
}

TEST(LogThreadTest, ThreadMessagesAreServedWhileAMenuRunsItsLoop) {
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    HWND hLog = t.m_pThread->m_pLogFrame->m_hWnd;
    t.m_rec.Take();
    // Opens the Trace menu: the log thread sits in the menu's own loop.
    ::PostMessageW(hLog, WM_SYSCOMMAND, SC_KEYMENU, 't');
    GUITHREADINFO gti{sizeof(gti)};
    ASSERT_TRUE(PumpUntil([&] {
        return ::GetGUIThreadInfo(t.m_pThread->m_nThreadID, &gti) && (gti.flags & GUI_INMENUMODE);
    }));
    t.m_pThread->PostThreadMessage(UM_REQUEST_RELEASE_MEMORY, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !t.m_rec.m_msgs.empty(); }, 3000));
    EXPECT_TRUE(::GetGUIThreadInfo(t.m_pThread->m_nThreadID, &gti) && (gti.flags & GUI_INMENUMODE));
    EXPECT_EQ(std::vector<UINT>{UM_RELEASE_MEMORY}, t.m_rec.Take());
    RunOnThreadOf(hLog, [] { ::EndMenu(); });
}

TEST(LogThreadTest, AResultWindowThatCannotBeOpenedIsReportedAndItsTreeReturned) {
    BoxCloser boxes;
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    struct Case {
        bool bSlot;
        int n;
    };
    const Case cases[] = {{false, 2}, {true, 0}, {true, 8}};
    size_t nBoxes = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "slot " << c.bSlot << ", view " << c.n);
        std::unique_ptr<ResultSlotScope> slot(c.bSlot ? new ResultSlotScope : nullptr);
        CLogNode* pCall = MakeCall(L"x", 1, 1, false, 2);
        CLogNode* pTree = NodeShareTree(pCall);
        const int nFreeBefore = GetNodePoolState().nReturnedNodes;
        t.m_pThread->PostThreadMessage(UM_SHOW_EXTRACT, reinterpret_cast<WPARAM>(pTree), c.n);
        ASSERT_TRUE(boxes.WaitFor(++nBoxes));
        EXPECT_EQ(L"Error(Failed) CreateResultView", boxes.Texts().back());
        EXPECT_EQ(nFreeBefore + 3, GetNodePoolState().nReturnedNodes);
        EXPECT_EQ(0, ResultSlotScope::s_nSetTree);
    }
    // A find into a result window without one: the same report.
    CSearchConditionSet set;
    set.m_options = 3u << SSO_VIEW_SHIFT;
    t.m_pThread->PostThreadMessage(UM_FIND_TO_RESULTVIEW, reinterpret_cast<WPARAM>(&set), 0);
    ASSERT_TRUE(boxes.WaitFor(++nBoxes));
    EXPECT_EQ(L"Error(Failed) CreateResultView", boxes.Texts().back());
}

TEST(LogThreadTest, AnExtractOpensResultWindowNAndRaisesItTheSecondTime) {
    ResultSlotScope slot;
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    CLogTreeThread* pThread = t.m_pThread;
    CAppSettings::Get().Window.ResultView[4] = RECT{30, 40, 330, 240};
    pThread->PostThreadMessage(UM_SHOW_EXTRACT, 0, 5);
    ASSERT_TRUE(PumpUntil([&] { return ResultSlotScope::s_nSetTree == 1; }));
    HWND hResult = nullptr;
    RunOnThreadOf(pThread->m_pLogFrame->m_hWnd, [&] {
        ASSERT_TRUE(pThread->IsResultViewOpen(5));
        hResult = pThread->m_pResultFrame[4]->m_hWnd;
    });
    wchar_t title[32] = {};
    ::GetWindowTextW(hResult, title, 32);
    EXPECT_STREQ(L"ResultView 5", title);
    RECT rc{};
    ::GetWindowRect(hResult, &rc);
    EXPECT_EQ(30, rc.left);
    EXPECT_EQ(240, rc.bottom);
    EXPECT_EQ(5, pThread->m_pResultDoc[4]->GetViewIndex());

    ::MoveWindow(hResult, 60, 70, 300, 200, TRUE);
    pThread->PostThreadMessage(UM_SHOW_EXTRACT, 0, 5);
    ASSERT_TRUE(PumpUntil([&] { return ResultSlotScope::s_nSetTree == 2; }));
    RunOnThreadOf(hResult, [&] { EXPECT_EQ(hResult, pThread->m_pResultFrame[4]->m_hWnd); });
    ::GetWindowRect(hResult, &rc);
    EXPECT_EQ(60, rc.left);  // raised as it was
    CAppSettings::Get().Window.ResultView[4] = RECT{};
}

TEST(LogThreadTest, AResultWindowsSlotEmptiesWithTheWindowNotWithItsLateMessage) {
    ResultSlotScope slot;
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    CLogTreeThread* pThread = t.m_pThread;
    pThread->PostThreadMessage(UM_SHOW_EXTRACT, 0, 3);
    ASSERT_TRUE(PumpUntil([&] { return ResultSlotScope::s_nSetTree == 1; }));
    HWND hLog = pThread->m_pLogFrame->m_hWnd;
    HWND hNew = nullptr;
    RunOnThreadOf(hLog, [&] {
        CLogThreadTemplate* pTemplate = pThread->m_pResultTemplate[2];
        pThread->m_pResultFrame[2]->DestroyWindow();
        // Gone at once, though UM_RESULTVIEW_CLOSED is still queued.
        EXPECT_EQ(nullptr, pThread->m_pResultFrame[2]);
        EXPECT_EQ(nullptr, pThread->m_pResultDoc[2]);
        EXPECT_FALSE(pThread->IsResultViewOpen(3));
        // Opening it again before that message arrives makes a new window
        // (no stale frame is raised) on the same template.
        ASSERT_TRUE(pThread->OpenResultView(3));
        EXPECT_EQ(pTemplate, pThread->m_pResultTemplate[2]);
        hNew = pThread->m_pResultFrame[2]->m_hWnd;
    });
    PumpFor(200);
    // The late message of the first window leaves the second one alone.
    RunOnThreadOf(hLog, [&] {
        EXPECT_TRUE(pThread->IsResultViewOpen(3));
        EXPECT_NE(nullptr, pThread->m_pResultTemplate[2]);
    });
    EXPECT_TRUE(::IsWindow(hNew));
    // Its own closing empties the slot and deletes the template.
    ::SendMessageW(hNew, WM_CLOSE, 0, 0);
    PumpFor(200);
    RunOnThreadOf(hLog, [&] { EXPECT_EQ(nullptr, pThread->m_pResultTemplate[2]); });
}

TEST(LogThreadTest, ObjectInformationWithoutItsWindowFreesTheRecord) {
    ThreadOnRecorder t;
    ASSERT_NE(nullptr, t.m_pThread);
    static int s_nFreed = 0;
    static CObjInfo* s_pFreed = nullptr;
    s_nFreed = 0;
    auto* const pOld = CLogTreeThread::s_pfnFreeUnshownRecord;
    CLogTreeThread::s_pfnFreeUnshownRecord = [](CObjInfo* p) {
        ++s_nFreed;
        s_pFreed = p;
    };
    auto* pRecord = reinterpret_cast<CObjInfo*>(static_cast<UINT_PTR>(0x1234));
    t.m_pThread->PostThreadMessage(UM_SHOW_OBJINFO, 0, 0);  // null: nothing at all
    t.m_pThread->PostThreadMessage(UM_SHOW_OBJINFO, reinterpret_cast<WPARAM>(pRecord), 0);
    EXPECT_TRUE(PumpUntil([] { return s_nFreed > 0; }));
    PumpFor(100);
    EXPECT_EQ(1, s_nFreed);
    EXPECT_EQ(pRecord, s_pFreed);
    EXPECT_EQ(nullptr, t.m_pThread->m_pObjInfoFrame);
    CLogTreeThread::s_pfnFreeUnshownRecord = pOld;
}

// Release Memory with the real main frame: the result windows close and
// the log empties at once, and only then are the pools released.
TEST(LogThreadTest, ReleaseMemoryClosesResultWindowsAndEmptiesTheLogBeforeThePoolsGo) {
    ResultSlotScope slot;
    g_nClients = 0;
    LogHost host;
    ASSERT_NE(nullptr, host.LogFrame());
    CMainFrame* pMain = host.Main();
    ASSERT_EQ(0u, ::SendMessageW(pMain->m_hWnd, UM_CLIENT_CONNECT, 0, 0));
    for (int i = 0; i < 3; ++i) {
        CLogNode* pCall = MakeCall(L"call", 1, 10 * i, false, 2);
        VARIANT empty;
        ::VariantInit(&empty);
        EXPECT_EQ(0, ::SendMessageW(pMain->m_hWnd, UM_TRACE, reinterpret_cast<WPARAM>(pCall),
                                    reinterpret_cast<LPARAM>(&empty)));
    }
    ::SendMessageW(pMain->m_hWnd, UM_CLIENT_DISCONNECT, 0, 0);
    ASSERT_NE(nullptr, host.Doc()->GetHead());
    CLogTreeThread* pThread = host.Thread();
    pThread->PostThreadMessage(UM_SHOW_EXTRACT, reinterpret_cast<WPARAM>(NodeShareTree(host.Doc()->GetHead())), 2);
    ASSERT_TRUE(PumpUntil([] { return ResultSlotScope::s_nSetTree == 1; }));
    HWND hLog = host.LogWnd();
    CLogTreeView* pView = host.LogView();
    EXPECT_EQ(3, host.LogDoc()->m_nNodeCount);

    ::SendMessageW(hLog, WM_COMMAND, ID_TRACE_RELEASEMEMORY, 0);
    // Steps 1 and 2 are done before the command returns.
    RunOnThreadOf(hLog, [&] {
        EXPECT_FALSE(pThread->IsResultViewOpen(2));
        EXPECT_EQ(nullptr, host.LogDoc()->m_pFirstNode);
        EXPECT_EQ(0, host.LogDoc()->m_nNodeCount);
        EXPECT_EQ(0, pView->GetTotalRows());
        EXPECT_EQ(0, ItemCount(pView->m_hWnd));
    });
    // Step 3 reaches the main frame through the thread.
    EXPECT_TRUE(PumpUntil([&] { return host.Doc()->GetHead() == nullptr; }));
    EXPECT_EQ(0, GetNodePoolState().nNodeBlocks);
    EXPECT_EQ(0, g_nClientId);
    EXPECT_EQ(CMainFrame::STATE_READY, pMain->GetTraceState());
}

}  // namespace
