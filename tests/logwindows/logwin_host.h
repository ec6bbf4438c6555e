// What the log-window tests stand on: the real main frame with its document
// (which starts the real log thread and waits for its log window), a way to
// run code on the log thread, a recorder window that stands for the main
// frame where a test wants to see what the log side posts, and call nodes
// built as the capture builds them.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "common/BoxAnswerer.h"
#include "framework/DocView.h"
#include "logwindows/LogTreeDoc.h"
#include "logwindows/LogTreeFrame.h"
#include "logwindows/LogTreeThread.h"
#include "logwindows/LogTreeView.h"
#include "server/app/MainFrm.h"
#include "server/app/ZavetraDoc.h"
#include "server/core/LogNode.h"

// Runs f on the thread of hWnd (inside a message sent to that window) and
// returns when it has run.
void RunOnThreadOf(HWND hWnd, const std::function<void()>& f);

// Dispatches what is queued for this thread for at least ms milliseconds.
void PumpFor(DWORD ms = 0);

// The real main window and document, with the real log thread.
class LogHost {
public:
    LogHost();
    ~LogHost();
    LogHost(const LogHost&) = delete;
    LogHost& operator=(const LogHost&) = delete;

    CMainFrame* Main() const { return m_pFrame; }
    CZavetraDoc* Doc() const { return m_pDoc; }
    CLogTreeThread* Thread() const { return dynamic_cast<CLogTreeThread*>(m_pFrame->GetLogThread()); }
    HWND LogWnd() const { return m_pFrame->GetLogFrameWnd(); }
    CLogTreeFrame* LogFrame() const { return Thread() ? Thread()->m_pLogFrame : nullptr; }
    CLogTreeView* LogView() const { return LogFrame() ? LogFrame()->GetLogView() : nullptr; }
    CLogTreeDoc* LogDoc() const { return Thread() ? Thread()->m_pLogDoc : nullptr; }
    // Runs f on the log thread.
    void OnLog(const std::function<void()>& f) const { RunOnThreadOf(LogWnd(), f); }
    void Close();

private:
    CSingleDocTemplate* m_pTemplate = nullptr;
    CZavetraDoc* m_pDoc = nullptr;
    CMainFrame* m_pFrame = nullptr;
    HWND m_hWnd = nullptr;
};

// A message-only window on the test thread that keeps every message posted
// or sent to it.
class Recorder {
public:
    Recorder();
    ~Recorder();
    HWND Hwnd() const { return m_hWnd; }
    // The messages received so far (after pumping this thread).
    std::vector<UINT> Take();
    std::vector<MSG> m_msgs;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_hWnd = nullptr;
};

// A call line as the capture makes it: label, client id, elapsed key and
// break bit, kind 1; with nMembers member nodes below it (each an object
// with a key when bObjects).
CLogNode* MakeCall(LPCWSTR pszLabel, int nClient, DWORD nKey, bool bBreak, int nMembers = 0,
                   bool bObjects = false);
// Links the call behind pPrev (the master list's order) and returns it.
CLogNode* LinkAfter(CLogNode* pPrev, CLogNode* pCall);
// Makes the nodes, in order, the chain of members below pParent.
void LinkMembers(CLogNode* pParent, const std::vector<CLogNode*>& members);

// The texts of the items of a tree control in display order (expanded items only).
std::vector<HTREEITEM> VisibleItems(HWND hTree);
int ItemCount(HWND hTree);
// The text of a tree control's item.
std::wstring ItemTextOf(HWND hTree, HTREEITEM h);

// Closes every message box captioned "Zavetra" this process shows and keeps
// its text; from construction to destruction.
class BoxCloser : public BoxAnswerer {
public:
    BoxCloser() : BoxAnswerer(IDOK) {}
    // Pumps this thread until n texts have been kept (or the timeout).
    bool WaitFor(size_t n, DWORD ms = 5000);
};

// Pumps this thread until pred() holds (or the timeout).
bool PumpUntil(const std::function<bool()>& pred, DWORD ms = 5000);

// A result window made of the bases only, plugged into the result slot while
// a test holds a ResultSlotScope (bTestWindow false: no result window at
// all); the slot found before comes back with the scope's end. Its frame
// posts UM_RESULTVIEW_CLOSED (view index) to its thread when destroyed;
// SetTree takes the tree as the chain.
class ResultSlotScope {
public:
    explicit ResultSlotScope(bool bTestWindow = true);
    ~ResultSlotScope();
    static int s_nSetTree;

private:
    const CResultWindowSlot* m_pOld;
};
