// The frame base of the log window and of the result windows: a status bar
// whose pane 1 shows the number of matches of the last find, the docking of
// the toolbar that the derived frame makes, and the external scroll bar
// (CVertScrollBar) laid over the view's right edge, whose commands it relays
// to the active view.
#pragma once
#include "framework/Frame.h"

class CVertScrollBar;

class CTreeFrameEx : public CFrameWnd {
    DECLARE_DYNCREATE(CTreeFrameEx)
public:
    CTreeFrameEx();
    ~CTreeFrameEx() override;

    // Pane 1: "Number of matched = %d", or empty for a negative count.
    // Throws CExcept 11 when the text cannot be had.
    void SetMatchCount(int nCount);

    CVertScrollBar* GetScrollBarDialog() const { return m_pScrollBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }

    // The scroll-bar dialog, then the view.
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // A derived frame's WM_CREATE makes its toolbar (and points m_pToolBar
    // at it) and then calls this: the framework frame, the status bar with
    // its two panes, the toolbar at the top. 0, or -1 to fail the creation.
    int OnCreate(LPCREATESTRUCT lpcs);
    // Lays the scroll-bar dialog over the view's right strip.
    void OnSize(UINT nType, int cx, int cy);
    // UM_SCROLLBAR: OnScrollCommand of the active view; 0.
    LRESULT OnScrollBarCommand(WPARAM wParam, LPARAM lParam);

    CStatusBar m_wndStatusBar;
    CControlBar* m_pToolBar = nullptr;     // the derived frame's toolbar, docked at the top
    CVertScrollBar* m_pScrollBar = nullptr;  // deletes itself with its window
};
