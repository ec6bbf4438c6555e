// The main window and the hub of the main thread: it owns the log thread,
// admits and dismisses clients, has the main document capture every client
// call, hands the call to the log window and holds it in its own wait loop
// until the log window lets it go, stops it or fails. It keeps the trace
// state, forwards setting changes from the main form to the log thread and
// hides itself while clients are connected. It owns the settings store:
// loaded when the frame is made, written when it is destroyed.
#pragma once

#include <windows.h>

#include "framework/App.h"
#include "framework/Frame.h"
#include "server/core/Except.h"
#include "server/settings/AppSettings.h"

class CZavetraDoc;
class CObjRecord;
class CObjInfo;
class CLogNode;

class CMainFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    // The trace state: how later calls and clients are treated.
    enum : int {
        STATE_READY = 0,         // a log window exists and accepts calls
        STATE_STOPPED = 1,       // the user stopped tracing: calls get 2
        STATE_NO_LOGWINDOW = 2,  // calls get 4; a new client restarts the log thread
        STATE_MEMORY = 3,        // after code 9: calls get 5, new clients 9
        STATE_MEMORY_NODE = 4,   // after code 10: calls get 6, new clients 10
        STATE_MEMORY_BSTR = 5,   // after code 11: calls get 7, new clients 11
        STATE_FATAL = 6          // after code 23: calls get 23
    };

    // Makes the log thread: a thread object whose thread is created suspended
    // and that has been given hMainWnd, the window to which it posts
    // UM_LOGVIEW_CREATED once (with its log frame, or 0) and its requests.
    // Null when it cannot be made. The main frame sets it to below-normal
    // priority, resumes it, waits for UM_LOGVIEW_CREATED, ends it with
    // UM_LOGTHREAD_QUIT and deletes the object after the thread has ended
    // (so it must not delete itself). While this is null no log thread can
    // be started (code 21).
    using LogThreadFactory = CWinThread* (*)(HWND hMainWnd);
    static LogThreadFactory s_pfnCreateLogThread;

    // Builds the object information of a dispatch record of the held call
    // (null when there is none) and frees one that could not be handed over.
    // While this is null every object-information request is answered with 0.
    struct ObjInfoBuilder {
        CObjInfo* (*pfnBuild)(CObjRecord* pRecord);
        void (*pfnFree)(CObjInfo* pInfo);
    };
    static const ObjInfoBuilder* s_pObjInfoBuilder;

    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // The frame's own making, then the menu of the resource goes again.
    BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int GetTraceState() const { return m_nState; }
    // For tests and diagnostics: puts the frame into a state directly.
    void SetTraceState(int nState) { m_nState = nState; }
    CWinThread* GetLogThread() const { return m_pLogThread; }
    HWND GetLogFrameWnd() const { return m_hLogFrame; }
    // Calls handed to the running log window so far (what its request to
    // release the memory must name).
    WPARAM GetHandedCalls() const { return m_nHandedCalls; }
    CAppSettings& GetSettings() { return m_settings; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }

    // --- message handlers ----------------------------------------------------
    int OnCreate(LPCREATESTRUCT lpcs);
    void OnClose();
    void OnDestroy();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    LRESULT OnClientConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnClientDisconnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnTrace(WPARAM wParam, LPARAM lParam);
    LRESULT OnLogViewCreated(WPARAM wParam, LPARAM lParam);
    LRESULT OnReleaseMemory(WPARAM wParam, LPARAM lParam);
    LRESULT OnLogViewClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnErrorReport(WPARAM wParam, LPARAM lParam);
    LRESULT OnStopRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnForcedStop(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtractRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnLogFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnResultFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnObjInfoFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtractFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnDialogFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnColorChanged(WPARAM wParam, LPARAM lParam);

    // --- internal operations -------------------------------------------------
    // 0, 21 (no log thread could be made) or 22 (it made no log window).
    UINT StartLogThread();
    // Ends the log thread and deletes its object; state 2. FALSE when the
    // thread could not be told to end and still runs: its object is then
    // kept (and the state left), so that a later stop can try again.
    BOOL StopLogThread();
    // A thread message to the log thread, tried up to 10 times 1 ms apart.
    BOOL PostToLogThread(UINT message, WPARAM wParam, LPARAM lParam);
    // The wait loop of a held call; returns the call's code.
    UINT WaitForLogView();
    // Sets the state that the code leaves and shows its message.
    void HandleError(const CExcept& e);

    CZavetraDoc* GetDocument();

private:
    // The code a call gets in a state other than ready.
    static UINT RefusalCode(int nState);
    // Serves an object-information request of the held call.
    void ServeObjInfoRequest(WPARAM wParam);
    // Waits until a thread has ended, letting sent messages through meanwhile.
    static void WaitForThreadEnd(HANDLE hThread);
    // The state a count of 0 clients leaves (ready, or no log window when the
    // log window is gone).
    int IdleState() const;
    void RemoveMenu();
    void ShowMainWindow();
    void HideMainWindow();
    // Empties the master list and starts the client ids again; releases the
    // node pools and the current table only when no call is inside this
    // frame (see m_nCallDepth), else when the outermost call has ended.
    void ClearLog();
    // The call of OnTrace inside its depth count.
    LRESULT TraceCall(CZavetraDoc* pDoc, WPARAM wParam, LPARAM lParam);
    // The pools of an emptying that came inside a call, once no call is left
    // (pCall: the outermost call, which has just ended).
    void ReleaseKeptPools(CLogNode* pCall);
    // Drops close messages still queued from log windows of earlier threads.
    void DropStaleLogViewClosed();

    CWinThread* m_pLogThread = nullptr;  // owned
    HWND m_hLogFrame = nullptr;
    int m_nState = STATE_NO_LOGWINDOW;
    CStatusBar m_wndStatusBar;
    CAppSettings m_settings;
    CZavetraDoc* m_pCreatedDoc = nullptr;  // the document the frame was made for
    // Calls inside OnTrace, and wait loops reading a held call's objects.
    // While a call's capture, member load or object information calls out
    // to a client's objects, or its table releases them, COM may deliver
    // another client's call, creation or release to this thread: these
    // handlers then run nested inside the first call.
    int m_nCallDepth = 0;
    int m_nReadDepth = 0;
    // An emptying of the log came inside a call: the pools go when it ends,
    // unless a log window has been shown a call since.
    bool m_bReleasePending = false;
    bool m_bShownSinceEmptying = false;
    WPARAM m_nHandedCalls = 0;  // UM_ADD_ENTRY sent to the running log window
    // UM_DISCONNECTED's wParam: whether the master list is whole.
    WPARAM DisconnectFlags() const;
};
