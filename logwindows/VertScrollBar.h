// The external vertical scroll bar of a tree frame: a small child dialog
// (resource 139) laid over the right edge of the tree view. It stands for
// the whole document, while the view's tree control holds only a page of it.
// Its scroll messages are relayed to the frame as UM_SCROLLBAR (code,
// address of m_ScrollInfo), which the frame hands to its active view.
//
// The dialog creates its window in its constructor and deletes itself when
// its window is destroyed (with the frame).
#pragma once
#include "framework/Dialog.h"
#include "framework/Controls.h"

class CVertScrollBar : public CDialog {
    DECLARE_DYNAMIC(CVertScrollBar)
public:
    // Creates the dialog as a modeless child of the frame at once; when that
    // fails, m_hWnd is null and the creator deletes the object.
    explicit CVertScrollBar(CWnd* pParentFrame);
    ~CVertScrollBar() override;

    CScrollBar m_wndScrollBar;   // control 1056
    SCROLLINFO m_ScrollInfo;     // filled at every scroll message; read by the view

    BOOL OnInitDialog() override;
    // Enter and Escape on the bar do not close it: it lives as long as its frame.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    // Binds control 1056 to m_wndScrollBar.
    void DoDataExchange();
    // Deletes the object, except when the window fails while the constructor
    // still runs: the creator then finds no window and deletes the object.
    void PostNcDestroy() override {
        if (!m_bConstructing) delete this;
    }
    bool m_bConstructing = true;
    // Reads the bar's whole scroll information and posts UM_SCROLLBAR to the parent frame.
    void OnVScroll(UINT nSBCode, UINT nPos, HWND hScrollBar);
};
