// The frame of a result window: the tree frame base with its own toolbar
// (resource 132) and the Release Log command. Its find dialog's requests run
// as in the log frame; its errors (of the view, the find dialog and the
// shared commands) are shown by the frame itself, which then closes.
#pragma once
#include "framework/ToolBar.h"
#include "logwindows/TreeFrameEx.h"

class CResultTreeDoc;

class CResultTreeFrame : public CTreeFrameEx {
    DECLARE_DYNCREATE(CResultTreeFrame)
public:
    CResultTreeFrame();
    ~CResultTreeFrame() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CResultTreeDoc* GetResultDoc();
    CToolBar& GetToolBar() { return m_wndToolBar; }

    int OnCreate(LPCREATESTRUCT lpcs);
    void OnDestroy();
    // Reports the code (23 as 14) and closes the window. An error that comes
    // while the report is shown (its message box runs a message loop) finds
    // the window closing and is dropped.
    LRESULT OnTreeError(WPARAM wParam, LPARAM lParam);
    void OnReleaseLog();

protected:
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;

private:
    CToolBar m_wndToolBar;
    bool m_bClosingOnError = false;
};
