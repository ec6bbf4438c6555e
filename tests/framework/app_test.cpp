// The application object: settings in the registry, the command line, and
// user-interface threads.
#include "TestApp.h"
#include "framework_test_res.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstring>

TEST(App, NameComesFromTheTitleStringAndSettingsLiveUnderTheRegistryKey) {
    EXPECT_STREQ(L"Zavetra", theApp.m_pszAppName);
    EXPECT_STREQ(L"Brisquane", theApp.m_pszRegistryKey);
    EXPECT_EQ(&theApp, AfxGetApp());
    EXPECT_EQ(&theApp, AfxGetThread());
}

TEST(Profile, RoundTripsUnderTheApplicationKey) {
    const wchar_t* section = L"FrameworkTest";
    theApp.WriteProfileString(section, nullptr, nullptr);  // start from an empty section

    // Missing values give the defaults.
    EXPECT_EQ(77u, theApp.GetProfileInt(section, L"Number", 77));
    EXPECT_EQ(L"dflt", theApp.GetProfileString(section, L"Text", L"dflt"));
    BYTE* data = reinterpret_cast<BYTE*>(1);
    UINT bytes = 99;
    EXPECT_FALSE(theApp.GetProfileBinary(section, L"Blob", &data, &bytes));
    EXPECT_EQ(nullptr, data);
    EXPECT_EQ(0u, bytes);

    ASSERT_TRUE(theApp.WriteProfileInt(section, L"Number", -5));
    ASSERT_TRUE(theApp.WriteProfileString(section, L"Text", L"hello"));
    const BYTE blob[] = {1, 2, 0, 255, 7};
    ASSERT_TRUE(theApp.WriteProfileBinary(section, L"Blob", blob, sizeof(blob)));

    EXPECT_EQ(-5, static_cast<int>(theApp.GetProfileInt(section, L"Number", 0)));
    EXPECT_EQ(L"hello", theApp.GetProfileString(section, L"Text"));
    ASSERT_TRUE(theApp.GetProfileBinary(section, L"Blob", &data, &bytes));
    ASSERT_EQ(sizeof(blob), bytes);
    EXPECT_EQ(0, memcmp(blob, data, bytes));
    delete[] data;

    // The values are where other programs look for them, with the registry's own types.
    const wchar_t* key = L"Software\\Brisquane\\Zavetra\\FrameworkTest";
    DWORD number = 0, size = sizeof(number);
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_CURRENT_USER, key, L"Number", RRF_RT_REG_DWORD, nullptr, &number, &size));
    EXPECT_EQ(static_cast<DWORD>(-5), number);
    BYTE raw[16];
    size = sizeof(raw);
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_CURRENT_USER, key, L"Blob", RRF_RT_REG_BINARY, nullptr, raw, &size));
    EXPECT_EQ(sizeof(blob), size);

    // A value of another type counts as missing.
    EXPECT_EQ(3u, theApp.GetProfileInt(section, L"Text", 3));
    EXPECT_FALSE(theApp.GetProfileBinary(section, L"Number", &data, &bytes));

    // Removing a value and the whole section.
    EXPECT_TRUE(theApp.WriteProfileString(section, L"Text", nullptr));
    EXPECT_EQ(L"gone", theApp.GetProfileString(section, L"Text", L"gone"));
    EXPECT_TRUE(theApp.WriteProfileString(section, nullptr, nullptr));
    EXPECT_EQ(1u, theApp.GetProfileInt(section, L"Number", 1));
}

TEST(CommandLine, SwitchesInAnyCaseAfterSlashOrDashAndTheFirstDocument) {
    using C = CCommandLineInfo;
    struct Row { const wchar_t* line; int command; bool embedded, automated, perUser; const wchar_t* file; };
    const Row rows[] = {
        {L"Zavetra.exe", C::FileNew, false, false, false, L""},
        {L"Zavetra.exe /Embedding", C::FileNothing, true, false, false, L""},
        {L"Zavetra.exe -EMBEDDING", C::FileNothing, true, false, false, L""},
        {L"Zavetra.exe /automation", C::FileNothing, false, true, false, L""},
        {L"Zavetra.exe /Register", C::AppRegister, false, false, false, L""},
        {L"Zavetra.exe -rEgSeRvEr", C::AppRegister, false, false, false, L""},
        {L"Zavetra.exe /RegisterPerUser", C::AppRegister, false, false, true, L""},
        {L"Zavetra.exe /regserverperuser", C::AppRegister, false, false, true, L""},
        {L"Zavetra.exe /Unregister", C::AppUnregister, false, false, false, L""},
        {L"Zavetra.exe -UNREGSERVER", C::AppUnregister, false, false, false, L""},
        {L"Zavetra.exe /UnregisterPerUser", C::AppUnregister, false, false, true, L""},
        {L"Zavetra.exe -UnregServerPerUser", C::AppUnregister, false, false, true, L""},
        {L"Zavetra.exe first.doc second.doc", C::FileOpen, false, false, false, L"first.doc"},
        {L"Zavetra.exe \"C:\\a b\\c.doc\" /unknown", C::FileOpen, false, false, false, L"C:\\a b\\c.doc"},
        {L"Zavetra.exe /Embedding x.doc", C::FileNothing, true, false, false, L"x.doc"},
        {L"Zavetra.exe /Regserver x.doc", C::AppRegister, false, false, false, L"x.doc"},
        {L"Zavetra.exe /Registerx", C::FileNew, false, false, false, L""},
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        const Row& r = rows[i];
        C info;
        AfxParseCommandLine(r.line, info);
        EXPECT_EQ(r.command, info.m_nShellCommand) << "row " << i;
        EXPECT_EQ(r.embedded, info.m_bRunEmbedded) << "row " << i;
        EXPECT_EQ(r.automated, info.m_bRunAutomated) << "row " << i;
        EXPECT_EQ(r.perUser, info.m_bRegisterPerUser) << "row " << i;
        EXPECT_EQ(std::wstring(r.file), info.m_strFileName) << "row " << i;
    }
}

TEST(CommandLine, ShellCommandsThatOpenNothingOrRegister) {
    CCommandLineInfo nothing;
    nothing.m_nShellCommand = CCommandLineInfo::FileNothing;
    EXPECT_TRUE(theApp.ProcessShellCommand(nothing));
    CCommandLineInfo reg;
    reg.m_nShellCommand = CCommandLineInfo::AppRegister;
    EXPECT_FALSE(theApp.ProcessShellCommand(reg));
}

namespace {

constexpr UINT TM_PING = WM_APP + 5;
constexpr UINT TM_QUIT = WM_APP + 6;

// A user-interface thread that shows a message box while it starts.
class CBoxThread : public CWinThread {
    DECLARE_DYNCREATE(CBoxThread)
public:
    CBoxThread() { m_bAutoDelete = false; }
    int m_nGiven = 0;                 // set by the creator before it resumes the thread
    int m_nSeenAtStart = -1;
    std::atomic<int> m_nPings{0};
    WPARAM m_lastPing = 0;
    CWinThread* m_pSelf = nullptr;
    CWnd* m_pMainSeen = reinterpret_cast<CWnd*>(1);
    HANDLE m_hPinged = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~CBoxThread() override { ::CloseHandle(m_hPinged); }

    BOOL InitInstance() override {
        m_nSeenAtStart = m_nGiven;
        m_pSelf = AfxGetThread();
        m_pMainSeen = AfxGetMainWnd();
        AfxMessageBox(L"thread box");
        return TRUE;
    }
    bool OnThreadMessage(UINT message, WPARAM wParam, LPARAM) override {
        switch (message) {
        case TM_PING:
            m_lastPing = wParam;
            ++m_nPings;
            ::SetEvent(m_hPinged);
            return true;
        case TM_QUIT:
            ::PostQuitMessage(3);
            return true;
        }
        return false;
    }
};
IMPLEMENT_DYNCREATE(CBoxThread, CWinThread)

}  // namespace

TEST(Thread, CreatedSuspendedThenResumedAndServedWhileAMessageBoxRuns) {
    auto* t = static_cast<CBoxThread*>(
        AfxBeginThread(RUNTIME_CLASS(CBoxThread), THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED));
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, t->GetThreadPriority());
    t->m_nGiven = 42;
    EXPECT_EQ(1u, t->ResumeThread());  // it was suspended, once

    HWND box = FindThreadDialog(t->m_nThreadID);
    ASSERT_NE(nullptr, box);
    wchar_t caption[64] = {};
    ::GetWindowTextW(box, caption, 64);
    EXPECT_STREQ(L"Zavetra", caption);
    EXPECT_EQ(42, t->m_nSeenAtStart);
    EXPECT_EQ(t, t->m_pSelf);
    EXPECT_EQ(nullptr, t->m_pMainSeen);

    // A thread message reaches the thread while its message box runs its own loop.
    ASSERT_TRUE(t->PostThreadMessage(TM_PING, 7, 0));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hPinged, 5000));
    EXPECT_EQ(7u, t->m_lastPing);
    EXPECT_TRUE(::IsWindow(box));

    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // In the thread's own loop, a message without a window reaches the same hook.
    ASSERT_TRUE(::PostThreadMessageW(t->m_nThreadID, TM_PING, 8, 0));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hPinged, 5000));
    EXPECT_EQ(8u, t->m_lastPing);

    ASSERT_TRUE(t->PostThreadMessage(TM_QUIT, 0, 0));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 5000));
    DWORD code = 0;
    ::GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(3u, code);
    delete t;  // not auto-deleting: the creator deletes it after the end
}

namespace {

// A thread whose loop uses a pump of its own (polling, as an application may
// do), with a frame whose status pane is updated at idle.
class CPollingThread : public CWinThread {
    DECLARE_DYNCREATE(CPollingThread)
public:
    CPollingThread() { m_bAutoDelete = false; }
    HANDLE m_hUpdated = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> m_nPumped{0};
    ~CPollingThread() override { ::CloseHandle(m_hUpdated); }

    class CPaneFrame : public CFrameWnd {
    public:
        CStatusBar bar;
        HANDLE updated = nullptr;
    protected:
        bool OnUpdateCmd(CCmdUI* ui) override {
            if (ui->m_nID != IDS_FWTEST_PANE) return false;
            ui->SetText(L"updated");
            ::SetEvent(updated);
            return true;
        }
    };

    BOOL InitInstance() override {
        auto* f = new CPaneFrame;
        f->updated = m_hUpdated;
        if (!f->Create(nullptr, L"polling", WS_OVERLAPPEDWINDOW | WS_VISIBLE)) return FALSE;
        static const UINT panes[] = {ID_SEPARATOR, IDS_FWTEST_PANE};
        f->bar.Create(f);
        f->bar.SetIndicators(panes, 2);
        m_pMainWnd = f;
        return TRUE;
    }
    BOOL PumpMessage() override {
        ++m_nPumped;
        for (;;) {
            if (::PeekMessageW(&m_msgCur, nullptr, 0, 0, PM_REMOVE)) {
                if (m_msgCur.message == WM_QUIT) return FALSE;
                if (m_msgCur.message != WM_KICKIDLE && !PreTranslateMessage(&m_msgCur)) {
                    ::TranslateMessage(&m_msgCur);
                    ::DispatchMessageW(&m_msgCur);
                }
                return TRUE;
            }
            ::Sleep(10);
        }
    }
};
IMPLEMENT_DYNCREATE(CPollingThread, CWinThread)

}  // namespace

TEST(Thread, IdleUpdateRunsWithAnOverriddenPumpAndClosingTheMainWindowEndsTheLoop) {
    auto* t = static_cast<CPollingThread*>(AfxBeginThread(RUNTIME_CLASS(CPollingThread)));
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hUpdated, 5000));
    EXPECT_GT(t->m_nPumped.load(), 0);
    // Closing the thread's main window posts the quit message of its loop.
    HWND main = nullptr;
    for (int i = 0; i < 100 && !main; ++i) {
        main = t->m_pMainWnd ? t->m_pMainWnd->m_hWnd : nullptr;
        if (!main) ::Sleep(10);
    }
    ASSERT_NE(nullptr, main);
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 5000));
    EXPECT_FALSE(::IsWindow(main));
    delete t;
}

namespace {

class CThrowingThread : public CWinThread {
    DECLARE_DYNCREATE(CThrowingThread)
public:
    CThrowingThread() { m_bAutoDelete = false; }
    std::wstring m_caught;
    BOOL InitInstance() override { throw std::runtime_error("start failed"); }
    LRESULT ProcessWndProcException(std::exception_ptr e, const MSG*) override {
        try { std::rethrow_exception(e); } catch (const std::exception& x) { m_caught = L"caught"; }
        return 0;
    }
};
IMPLEMENT_DYNCREATE(CThrowingThread, CWinThread)

}  // namespace

TEST(Thread, ExceptionInTheThreadIsCaughtAtItsEntry) {
    auto* t = static_cast<CThrowingThread*>(AfxBeginThread(RUNTIME_CLASS(CThrowingThread)));
    ASSERT_NE(nullptr, t);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t->m_hThread, 5000));
    DWORD code = 0;
    ::GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(static_cast<DWORD>(-1), code);
    EXPECT_EQ(L"caught", t->m_caught);
    delete t;
}
