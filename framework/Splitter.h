// A static splitter window: one row of panes side by side, separated by bars
// that the user drags with the mouse.
//
// Geometry (client coordinates): the inside rectangle is the client area less
// a border of m_cxBorder on every side. Column c's pane starts at its left
// edge x(c) and is as wide as the column; its bar follows one pixel later
// (m_cxSplitter wide), and the next pane starts two pixels after the bar.
// Every pane gets a sunken border of two pixels drawn around it; the last
// column takes what is left.
//
// A drag starts with a left button press on a bar (StartTracking, which takes
// the mouse capture and the keyboard focus); the bar follows the pointer as
// an inverted tracker rectangle within the tracking limits; releasing the
// button or Return accepts it (StopTracking(TRUE): the column takes the
// width the tracker shows), Escape or the loss of the capture cancels it.
#pragma once
#include "framework/Wnd.h"
#include "framework/Gdi.h"
#include <vector>

class CCreateContext;

class CSplitterWnd : public CWnd {
    DECLARE_DYNAMIC(CSplitterWnd)
public:
    enum ESplitType { splitBox, splitBar, splitIntersection, splitBorder };
    // Hit codes: the split boxes and one code per bar.
    enum {
        noHit = 0,
        vSplitterBox = 1,
        hSplitterBox = 2,
        bothSplitterBox = 3,
        vSplitterBar1 = 101,
        vSplitterBar15 = 115,
        hSplitterBar1 = 201,   // the bar right of column 0
        hSplitterBar15 = 215,
        splitterIntersection1 = 301
    };

    CSplitterWnd() = default;
    ~CSplitterWnd() override = default;

    // A splitter of one row (nRows must be 1) and nCols columns (2 to 16).
    BOOL CreateStatic(CWnd* pParentWnd, int nRows, int nCols,
                      DWORD dwStyle = WS_CHILD | WS_VISIBLE, UINT nID = AFX_IDW_PANE_FIRST);
    // Makes the pane at (row, col) from pViewClass for the document of
    // pContext; the column's width becomes sizeInit.cx. The view owns itself.
    virtual BOOL CreateView(int row, int col, const CRuntimeClass* pViewClass, SIZE sizeInit,
                            CCreateContext* pContext);

    int GetRowCount() const { return m_nRows; }
    int GetColumnCount() const { return static_cast<int>(m_cols.size()); }
    int IdFromRowCol(int row, int col) const { return AFX_IDW_PANE_FIRST + row * 16 + col; }
    CWnd* GetPane(int row, int col) const;
    // The column's width as laid out now and its minimum.
    void GetColumnInfo(int col, int& cxCur, int& cxMin) const;
    // The width the column should get at the next RecalcLayout.
    void SetColumnInfo(int col, int cxIdeal, int cxMin);

    virtual void RecalcLayout();
    // The client area less the splitter's own border.
    void GetInsideRect(RECT& rect) const;
    // The hit code of a client point.
    virtual int HitTest(POINT pt) const;

    // Draws one part (pDC may not be null): a bar or box is filled in the
    // face colour, a border is a sunken edge of two pixels.
    virtual void OnDrawSplitter(CDC* pDC, ESplitType nType, const RECT& rect);
    // Draws every bar and every pane border.
    virtual void DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside);
    virtual void StartTracking(int ht);
    virtual void StopTracking(BOOL bAccept);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void OnPaint();
    void OnSize();
    BOOL OnSetCursor(UINT nHitTest);
    void OnLButtonDown(UINT nFlags, POINT point);
    void OnLButtonUp(UINT nFlags, POINT point);
    void OnMouseMove(UINT nFlags, POINT point);
    void OnKeyDown(UINT nChar);
    void OnCaptureChanged(HWND hWndNew);
    // Inverts the tracker rectangle on the screen (drawn, then erased by a
    // second call). A splitter that moves its panes during the drag and
    // draws the bar itself shows no tracker: it overrides this with nothing.
    virtual void OnInvertTracker(const RECT& rect);
    // The bar right of column col, in client coordinates.
    RECT GetColumnBarRect(int col) const;
    int GetColumnLeft(int col) const;

    struct CRowColInfo {
        int nMinSize = 0;
        int nIdealSize = 0;
        int nCurSize = 0;
    };

    int m_cxSplitter = 4;      // width of a bar
    int m_cxBorder = 2;        // the splitter's border and each pane's
    int m_nRows = 0;
    std::vector<CRowColInfo> m_cols;

    // The tracking state of a drag.
    BOOL m_bTracking = FALSE;
    int m_htTrack = noHit;
    POINT m_ptTrackOffset{};   // from the pointer to the tracker's top-left corner
    RECT m_rectLimit{};        // the tracker's left edge stays within left..right
    RECT m_rectTracker{};      // where the bar is shown during the drag
    HWND m_hWndFocusBefore = nullptr;
};
