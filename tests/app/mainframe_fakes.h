// What the main frame's tests stand on: a stand-in log side (a log thread
// with its own log window that answers the main frame's sends and records
// everything it is told), the real main frame with its document and form
// opened through a template, and a watcher that closes the program's
// message boxes and keeps their texts.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "framework/App.h"
#include "framework/DocView.h"
#include "server/app/MainFrm.h"
#include "server/app/ZavetraDoc.h"
#include "server/core/LogNode.h"

// A message the stand-in log side received: on its log window (bThread
// false) or as a thread message.
struct FakeLogEvent {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool bThread;
};

// Everything the stand-in log side knows, shared by its threads.
class FakeLog {
public:
    static FakeLog& Get();

    // Called on the log thread for each UM_ADD_ENTRY with the main window
    // and the call's node; by default it posts UM_CONTINUE.
    std::function<void(HWND hMain, CLogNode* pNode)> onAddEntry;
    // What the log window answers to UM_ADD_ENTRY.
    LRESULT addEntryResult = 0;
    // The next log thread makes no log window (posts UM_LOGVIEW_CREATED with 0).
    bool bFailLogWindow = false;

    void Reset();
    void Record(const FakeLogEvent& e);
    std::vector<FakeLogEvent> Events() const;
    int Count(UINT message) const;
    // The last event of that message; false when there is none.
    bool Last(UINT message, FakeLogEvent* pEvent) const;
    // Waits until Count(message) >= n (or the timeout).
    bool WaitForCount(UINT message, int n, DWORD ms = 5000) const;

    std::atomic<int> threadsStarted{0};
    std::atomic<int> threadsDeleted{0};
    std::atomic<HWND> hLogWindow{nullptr};
    // Whether the main window was visible at the last UM_ADD_ENTRY.
    std::atomic<bool> mainVisibleAtAddEntry{false};

private:
    mutable std::mutex m_mutex;
    std::vector<FakeLogEvent> m_events;
};

// The stand-in log thread.
class CFakeLogThread : public CWinThread {
    DECLARE_DYNCREATE(CFakeLogThread)
public:
    CFakeLogThread();
    ~CFakeLogThread() override;
    BOOL InitInstance() override;
    bool OnThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND m_hMainWnd = nullptr;
    HWND m_hLogWnd = nullptr;
};

// A thread message to the stand-in: destroy the log window (as the user
// closing it), which posts UM_LOGVIEW_CLOSED to the main window.
constexpr UINT FAKE_CLOSE_LOGWINDOW = WM_APP + 0x200;
// The same, and then the log thread ends on its own, untold.
constexpr UINT FAKE_CLOSE_AND_END = WM_APP + 0x201;

// The factory the main frame is given in these tests.
CWinThread* CreateFakeLogThread(HWND hMainWnd);

// Posts a message to the main window from the log side's point of view.
void PostToMain(HWND hMain, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Dispatches everything queued for this thread (as the main loop would),
// for at least ms milliseconds.
void PumpMessages(DWORD ms = 0);

// The real main window: template, document, frame and form. The log side is
// the stand-in unless bWithLog is false (then no log thread can be made).
class MainFrameHost {
public:
    explicit MainFrameHost(bool bWithLog = true);
    ~MainFrameHost();
    MainFrameHost(const MainFrameHost&) = delete;
    MainFrameHost& operator=(const MainFrameHost&) = delete;

    CMainFrame* Frame() const { return m_pFrame; }
    CZavetraDoc* Doc() const { return m_pDoc; }
    HWND Hwnd() const { return m_hWnd; }
    bool IsOpen() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // A call as CConnect makes it: a call node with the label, sent with UM_TRACE.
    UINT Trace(LPCWSTR pszLabel, const VARIANT* pArgs = nullptr, bool bBreak = false);
    UINT Connect();
    UINT Disconnect();
    // Closes the main window (WM_CLOSE) and lets everything that follows run.
    void Close();

private:
    CSingleDocTemplate* m_pTemplate = nullptr;
    CZavetraDoc* m_pDoc = nullptr;
    CMainFrame* m_pFrame = nullptr;
    HWND m_hWnd = nullptr;
};

// Closes every message box captioned "Zavetra" that this process shows and
// keeps its text; from construction to destruction.
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<std::wstring> Texts() const;
    // The texts seen since the last call.
    std::vector<std::wstring> TakeTexts();
    // Waits for at least n texts since the last TakeTexts.
    bool WaitForTexts(size_t n, DWORD ms = 10000) const;

private:
    static DWORD WINAPI Run(LPVOID p);
    void Scan();
    HANDLE m_hThread = nullptr;
    std::atomic<bool> m_bStop{false};
    mutable std::mutex m_mutex;
    std::vector<std::wstring> m_texts;
    std::vector<HWND> m_seen;
};

// Sets the globals of the main thread as a fresh process has them.
void ResetGlobals();
