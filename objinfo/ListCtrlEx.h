// The report list of the object-information data view: hides its scroll
// bars on request (while the window is moved, sized or split), erases only
// what lies outside its rows, draws heading rows (item data 0) on a pale
// yellow background, and hands context-menu and copy requests to its parent
// (UM_LIST_CONTEXTMENU, UM_LIST_COPY with the list's window in wParam).
#pragma once
#include "framework/ListCtrl.h"

// Background of heading rows.
constexpr COLORREF OBJINFO_HEADING_BKCOLOR = 0xCCF2FF;

class CListCtrlEx : public CListCtrl {
    DECLARE_DYNAMIC(CListCtrlEx)
public:
    CListCtrlEx() = default;
    ~CListCtrlEx() override = default;

    // Set while the splitter bar of the window is dragged.
    bool m_bTracking = false;
    // Set while the frame is moved or sized (and on the declaration list
    // while the data view updates it).
    bool m_bSizeMove = false;

    // Fills, in the window colour, the client area outside the rows below
    // the header: all of it when there are no rows; nothing when the last row
    // is scrolled out of view.
    void PaintOutsideRows();
    // True when the list has more rows than fit on its page.
    bool HasMoreRowsThanPage() const { return GetItemCount() > GetCountPerPage(); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

protected:
    bool OnCmd(UINT nID, int nCode) override;

private:
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    void OnSize();
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& cd);
    void OnContextMenu(POINT point);
    void OnCopy();
    void OnKeyDown(UINT nChar);

    bool m_bHidingBars = false;  // inside the hiding of the scroll bars
};
