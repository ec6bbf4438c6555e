// The main frame with its clients and its log thread: the main window
// hidden while clients are connected, forced stops, the log window closed
// inside and outside a call, and the log thread's start and stop.
#include "mainframe_test.h"

namespace {
// ---------------------------------------------------------------------------
// Clients and the main window.

TEST_F(MainFrameTest, MainWindowHidesWhileClientsAreConnected) {
    MainFrameHost host;
    HWND h = host.Hwnd();
    ASSERT_TRUE(::IsWindowVisible(h));
    EXPECT_EQ(0u, host.Connect());
    EXPECT_EQ(1, g_nClients);
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_EQ(0u, host.Connect());
    EXPECT_EQ(2, g_nClients);
    EXPECT_EQ(2, FakeLog::Get().Count(UM_CONNECTED));

    EXPECT_EQ(0u, host.Trace(L"call"));
    EXPECT_FALSE(FakeLog::Get().mainVisibleAtAddEntry);

    host.Disconnect();
    EXPECT_EQ(1, g_nClients);
    EXPECT_FALSE(::IsWindowVisible(h));
    host.Disconnect();
    EXPECT_EQ(0, g_nClients);
    EXPECT_TRUE(::IsWindowVisible(h));
    EXPECT_EQ(2, FakeLog::Get().Count(UM_DISCONNECTED));

    // A disconnect with nobody counted leaves the count at 0.
    host.Disconnect();
    EXPECT_EQ(0, g_nClients);
}

// A forced stop during a held call shows the window and zeroes the count;
// the next call that goes on hides it again and counts one client.
TEST_F(MainFrameTest, ForcedStopShowsWindowUntilNextCallGoesOn) {
    MainFrameHost host;
    HWND h = host.Hwnd();
    host.Connect();
    host.Connect();
    // The second Stop on the log side.
    FakeLog::Get().onAddEntry = [](HWND hm, CLogNode*) {
        g_bForcedStop = 1;
        PostToMain(hm, UM_FORCED_STOP);
    };
    EXPECT_EQ(3u, host.Trace(L"held"));
    EXPECT_TRUE(boxes.TakeTexts().empty());
    EXPECT_EQ(0, g_nClients);
    EXPECT_EQ(0, g_bForcedStop);
    EXPECT_TRUE(::IsWindowVisible(h));

    FakeLog::Get().onAddEntry = nullptr;   // continue
    EXPECT_EQ(0u, host.Trace(L"next"));
    EXPECT_EQ(1, g_nClients);
    EXPECT_FALSE(::IsWindowVisible(h));
}

// A second Stop outside a call: the count is zeroed and the window shown.
TEST_F(MainFrameTest, ForcedStopOutsideACall) {
    MainFrameHost host;
    host.Connect();
    host.Connect();
    host.Frame()->SetTraceState(CMainFrame::STATE_STOPPED);
    g_bForcedStop = 1;
    PostToMain(host.Hwnd(), UM_FORCED_STOP);
    PumpMessages();
    EXPECT_EQ(0, g_nClients);
    EXPECT_EQ(0, g_bForcedStop);
    EXPECT_TRUE(::IsWindowVisible(host.Hwnd()));
    EXPECT_EQ(0, host.Frame()->GetTraceState());
    EXPECT_EQ(1, FakeLog::Get().Count(UM_DISCONNECTED));
}

// The log window closed outside a call: the log thread ends, the log is
// emptied and the ids start again; the next client gets a new log thread.
TEST_F(MainFrameTest, LogWindowClosedOutsideACallThenNewClientRestarts) {
    MainFrameHost host;
    host.Connect();
    EXPECT_EQ(0u, host.Trace(L"call"));
    g_nClientId = 7;
    CloseLogWindowOutsideCall(host);
    EXPECT_EQ(nullptr, host.Frame()->GetLogThread());
    EXPECT_EQ(1, FakeLog::Get().threadsDeleted.load());
    EXPECT_EQ(nullptr, host.Doc()->GetHead());
    EXPECT_EQ(0, g_nClientId);
    EXPECT_EQ(1, g_nClients);   // left as it is
    EXPECT_EQ(4u, host.Trace(L"refused"));

    EXPECT_EQ(0u, host.Connect());
    EXPECT_EQ(2, FakeLog::Get().threadsStarted.load());
    EXPECT_EQ(0, host.Frame()->GetTraceState());
    EXPECT_EQ(1, g_nClients);   // counted anew after the restart
    EXPECT_EQ(0u, host.Trace(L"accepted"));
}

// The log window closed during a call: the call ends with 4; the log stays
// until the last client leaves, which stops the thread and empties it.
TEST_F(MainFrameTest, LogWindowClosedDuringCallThenLastClientLeaves) {
    MainFrameHost host;
    host.Connect();
    FakeLog::Get().onAddEntry = [](HWND, CLogNode*) { ::DestroyWindow(FakeLog::Get().hLogWindow); };
    EXPECT_EQ(4u, host.Trace(L"held"));
    EXPECT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());
    EXPECT_NE(nullptr, host.Doc()->GetHead());
    EXPECT_NE(nullptr, host.Frame()->GetLogThread());
    host.Disconnect();
    EXPECT_EQ(nullptr, host.Frame()->GetLogThread());
    EXPECT_EQ(nullptr, host.Doc()->GetHead());
    EXPECT_EQ(0, FakeLog::Get().Count(UM_DISCONNECTED));
}

// A memory-error state with the log window gone: the last client leaving
// does not make the frame ready without a log window (nobody would let the
// next call go); the next client starts a new log.
TEST_F(MainFrameTest, MemoryStateWithoutLogWindowWaitsForNewLog) {
    MainFrameHost host;
    host.Connect();
    FakeLog::Get().onAddEntry = [](HWND, CLogNode*) { ::DestroyWindow(FakeLog::Get().hLogWindow); };
    EXPECT_EQ(4u, host.Trace(L"held"));
    PostToMain(host.Hwnd(), UM_ERROR_REPORT, 9);   // a late report
    PumpMessages();
    EXPECT_EQ(CMainFrame::STATE_MEMORY, host.Frame()->GetTraceState());
    boxes.TakeTexts();
    host.Disconnect();
    EXPECT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());
    EXPECT_EQ(4u, host.Trace(L"refused"));
    FakeLog::Get().onAddEntry = nullptr;
    EXPECT_EQ(0u, host.Connect());
    EXPECT_EQ(0u, host.Trace(L"accepted"));
}

// A close message from a log window that is already gone (a call found the
// window gone and returned 4 without waiting; or its thread had ended too, so
// that the stop before the next log could not post its quit) acts on no log
// thread that is started after it: neither through the main loop nor in a
// call's wait.
TEST_F(MainFrameTest, StaleCloseMessageLeavesALaterLogThreadAlone) {
    struct {
        const char* name;
        bool bThreadEnded;
        bool bMainLoopFirst;
    } const kCases[] = {
        {"main loop", false, true},
        {"wait loop", false, false},
        {"thread ended, main loop", true, true},
        {"thread ended, wait loop", true, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        FakeLog::Get().Reset();
        ResetGlobals();
        MainFrameHost host;
        ASSERT_EQ(0u, host.Connect());
        CWinThread* pOld = host.Frame()->GetLogThread();
        pOld->PostThreadMessage(c.bThreadEnded ? FAKE_CLOSE_AND_END : FAKE_CLOSE_LOGWINDOW, 0, 0);
        for (ULONGLONG end = ::GetTickCount64() + 5000; FakeLog::Get().hLogWindow && ::GetTickCount64() < end;)
            ::Sleep(5);
        if (c.bThreadEnded) {
            ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pOld->m_hThread, 5000));
            // Nothing can be posted to it any more.
            EXPECT_FALSE(pOld->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0));
        }
        EXPECT_EQ(4u, host.Trace(L"gone"));
        MSG msg;
        ASSERT_TRUE(::PeekMessageW(&msg, host.Hwnd(), UM_LOGVIEW_CLOSED, UM_LOGVIEW_CLOSED, PM_NOREMOVE));

        EXPECT_EQ(0u, host.Connect());   // a new log thread
        CWinThread* pNew = host.Frame()->GetLogThread();
        ASSERT_EQ(2, FakeLog::Get().threadsStarted.load());
        if (c.bMainLoopFirst) PumpMessages(50);
        EXPECT_EQ(0u, host.Trace(L"accepted"));
        EXPECT_EQ(pNew, host.Frame()->GetLogThread());
        EXPECT_EQ(CMainFrame::STATE_READY, host.Frame()->GetTraceState());
        EXPECT_EQ(1, FakeLog::Get().threadsDeleted.load());
        EXPECT_EQ(c.bThreadEnded ? 0 : 1, FakeLog::Get().Count(UM_LOGTHREAD_QUIT));
        EXPECT_TRUE(boxes.TakeTexts().empty());
    }
}

// ---------------------------------------------------------------------------
// The log thread's start and stop.

TEST_F(MainFrameTest, NoLogThreadShowsCode21AndOpensAllTheSame) {
    MainFrameHost host(false);
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(std::vector<std::wstring>{kBox21}, boxes.TakeTexts());
    EXPECT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());
    EXPECT_TRUE(::IsWindowVisible(host.Hwnd()));
    // A client is refused with 21 (its own box is CConnect's) and not counted.
    EXPECT_EQ(21u, host.Connect());
    EXPECT_EQ(0, g_nClients);
    EXPECT_TRUE(boxes.TakeTexts().empty());
    EXPECT_TRUE(::IsWindowVisible(host.Hwnd()));
}

TEST_F(MainFrameTest, LogThreadWithoutLogWindowShowsCode22) {
    FakeLog::Get().bFailLogWindow = true;
    MainFrameHost host;
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(std::vector<std::wstring>{kBox22}, boxes.TakeTexts());
    EXPECT_EQ(CMainFrame::STATE_NO_LOGWINDOW, host.Frame()->GetTraceState());
    EXPECT_EQ(nullptr, host.Frame()->GetLogThread());
    EXPECT_EQ(1, FakeLog::Get().threadsDeleted.load());
    EXPECT_EQ(22u, host.Connect());
    FakeLog::Get().bFailLogWindow = false;
    EXPECT_EQ(0u, host.Connect());
    EXPECT_EQ(0, host.Frame()->GetTraceState());
}

// The log window exists before the frame's creation ends; closing the main
// window ends the log thread, marks the application as closing and deletes
// the thread object after the thread.
TEST_F(MainFrameTest, StartAndClose) {
    MainFrameHost host;
    EXPECT_EQ(1, FakeLog::Get().threadsStarted.load());
    EXPECT_EQ(host.Frame()->GetLogFrameWnd(), FakeLog::Get().hLogWindow.load());
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, host.Frame()->GetLogThread()->GetThreadPriority());
    EXPECT_EQ(nullptr, host.Frame()->GetMenu());
    EXPECT_EQ(1, host.Frame()->GetStatusBar().GetCount());
    EXPECT_FALSE(theApp.m_bClosing);
    host.Close();
    EXPECT_EQ(1, FakeLog::Get().Count(UM_LOGTHREAD_QUIT));
    EXPECT_EQ(1, FakeLog::Get().threadsDeleted.load());
    EXPECT_TRUE(theApp.m_bClosing);
    EXPECT_TRUE(boxes.TakeTexts().empty());
}

// A log thread that cannot be told to end (its quit message cannot be
// posted) while it still runs: its object is not deleted under it, the
// failure is shown, and the log is not released behind its back.
namespace stuck {
HANDLE g_hRelease = nullptr;
DWORD WINAPI Body(LPVOID) {
    ::WaitForSingleObject(g_hRelease, INFINITE);   // no message queue ever
    return 0;
}
CWinThread* g_pThread = nullptr;
CWinThread* Create(HWND hMainWnd) {
    auto* pThread = new CWinThread;
    pThread->m_bAutoDelete = false;
    pThread->m_hThread = ::CreateThread(nullptr, 0, Body, nullptr, CREATE_SUSPENDED, &pThread->m_nThreadID);
    // Its log window, as far as the main frame can tell.
    static HWND s_hLog = nullptr;
    if (!s_hLog)
        s_hLog = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::PostMessageW(hMainWnd, UM_LOGVIEW_CREATED, reinterpret_cast<WPARAM>(s_hLog), 0);
    g_pThread = pThread;
    return pThread;
}
}  // namespace stuck

TEST_F(MainFrameTest, StuckLogThreadIsNotDeletedWhileItRuns) {
    stuck::g_hRelease = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    boxes.TakeTexts();
    {
        CMainFrame::s_pfnCreateLogThread = &stuck::Create;
        // A frame whose log thread is the stuck one from the start.
        auto* pTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZavetraDoc),
                                                 RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CZavetraView));
        ASSERT_NE(nullptr, pTemplate->OpenDocumentFile(nullptr));
        auto* pFrame = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
        ASSERT_NE(nullptr, pFrame);
        EXPECT_EQ(0, pFrame->GetTraceState());
        CWinThread* pStuck = stuck::g_pThread;
        ASSERT_EQ(pStuck, pFrame->GetLogThread());

        // A call in the log (refused while stopped, so that nobody has to answer it).
        pFrame->SetTraceState(CMainFrame::STATE_STOPPED);
        CLogNode* pNode = AllocNode();
        VARIANT empty;
        ::VariantInit(&empty);
        EXPECT_EQ(2, ::SendMessageW(pFrame->m_hWnd, UM_TRACE, reinterpret_cast<WPARAM>(pNode),
                                    reinterpret_cast<LPARAM>(&empty)));
        ASSERT_EQ(pNode, pFrame->GetDocument()->GetHead());

        // The last client leaving in state 2 would stop the thread and empty
        // the log: the thread cannot be told, so both stay.
        g_nClients = 1;
        pFrame->SetTraceState(CMainFrame::STATE_NO_LOGWINDOW);
        ::SendMessageW(pFrame->m_hWnd, UM_CLIENT_DISCONNECT, 0, 0);
        EXPECT_EQ(std::vector<std::wstring>{kBox12}, boxes.TakeTexts());
        EXPECT_EQ(pStuck, pFrame->GetLogThread());
        EXPECT_EQ(pNode, pFrame->GetDocument()->GetHead());
        // A new client is refused rather than given a second log thread.
        EXPECT_EQ(12u, static_cast<UINT>(::SendMessageW(pFrame->m_hWnd, UM_CLIENT_CONNECT, 0, 0)));

        // Closing the main window: shown, and the object and the pools
        // under the thread's windows survive the frame and its document.
        ::SendMessageW(pFrame->m_hWnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(std::vector<std::wstring>{kBox12}, boxes.TakeTexts());
        EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(pStuck->m_hThread, 0));
        EXPECT_GT(GetNodePoolState().nNodeBlocks, 0) << "the node pools were released under the log thread";
        ::SetEvent(stuck::g_hRelease);
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pStuck->m_hThread, 5000));
        delete pStuck;
        delete pTemplate;
        ReleaseNodePools();
        CMainFrame::s_pfnCreateLogThread = nullptr;
        PumpMessages();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    ::CloseHandle(stuck::g_hRelease);
}

}  // namespace
