// The frame of the log window. The main frame hands it every call line
// synchronously (UM_ADD_ENTRY); the frame decides at once whether the call
// goes on or is held at a break, records the call in the log document and
// shows it. Its Trace commands (Stop, Break, ReStart, StepOver, Release
// Memory) drive three flags and answer the main frame's wait loop with
// posted messages. The log view is enabled exactly while no client is
// connected or a call is held.
#pragma once
#include "framework/ToolBar.h"
#include "logwindows/TreeFrameEx.h"

class CLogNode;
class CLogTreeDoc;
class CLogTreeView;
class CSearchConditionSet;

class CLogTreeFrame : public CTreeFrameEx {
    DECLARE_DYNCREATE(CLogTreeFrame)
public:
    CLogTreeFrame();
    ~CLogTreeFrame() override;

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetMainWnd(HWND hMainWnd) { m_hMainWnd = hMainWnd; }
    HWND GetMainWnd() const { return m_hMainWnd; }
    bool IsStopRequested() const { return m_bStopRequested; }
    bool IsPaused() const { return m_bPaused; }
    bool IsBreakRequested() const { return m_bBreakRequested; }
    CToolBar& GetToolBar() { return m_wndToolBar; }
    // For tests and diagnostics: puts the trace state directly.
    void SetTraceFlags(bool bStop, bool bPaused, bool bBreak) {
        m_bStopRequested = bStop;
        m_bPaused = bPaused;
        m_bBreakRequested = bBreak;
    }
    CLogTreeDoc* GetLogDoc();
    CLogTreeView* GetLogView();

    // --- message handlers ----------------------------------------------------
    LRESULT OnAddEntry(WPARAM wParam, LPARAM lParam);
    LRESULT OnClientConnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnClientDisconnect(WPARAM wParam, LPARAM lParam);
    LRESULT OnObjectExpanded(WPARAM wParam, LPARAM lParam);
    LRESULT OnLogFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtractFontChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnErrorReport(WPARAM wParam, LPARAM lParam);
    LRESULT OnExpandRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnObjectInfoRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtractRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnExtractDialogClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnFindDialogClosed(WPARAM wParam, LPARAM lParam);
    LRESULT OnFindRequest(WPARAM wParam, LPARAM lParam);
    int OnCreate(LPCREATESTRUCT lpcs);
    void OnDestroy();

    // --- commands --------------------------------------------------------------
    void OnStop();
    void OnBreak();
    void OnRestart();
    void OnStepping();
    void OnReleaseMemory();
    void OnClearFindResults();

    // The toolbar's buttons set at once from the flags and g_nClients.
    void UpdateToolButtons();
    // Whether the call of pNode is to be held; sets the paused flag.
    BOOL CheckBreak(CLogNode* pNode);
    // The view rule: the view (and the external scroll bar with it) is
    // enabled exactly when no client is connected or a call is held.
    void ApplyViewRule();
    // Whether Release Memory may run now: no client is connected, not even
    // one that a forced stop has stopped counting.
    static bool CanReleaseMemory();

    // The find request and Clear Find Results of a tree frame (the result
    // frames run them too).
    static void RunFindRequest(CTreeFrameEx* pFrame, CSearchConditionSet* pSet);
    static void ClearFindResults(CTreeFrameEx* pFrame);

protected:
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;

private:
    void PostToMain(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void UpdateLogViews(LPARAM lHint, CObject* pHint = nullptr);

    CToolBar m_wndToolBar;
    HWND m_hMainWnd = nullptr;
    bool m_bStopRequested = false;
    bool m_bPaused = false;
    bool m_bBreakRequested = false;
    WPARAM m_nHandedCalls = 0;  // UM_ADD_ENTRY received
};
