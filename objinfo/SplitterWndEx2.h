// The splitter of the object-information window: one row, the member tree
// left and the data view right. While its bar is dragged it moves both panes
// with the pointer (drawing the bar and the pane borders itself) and tells
// the data view, whose lists hide their scroll bars meanwhile.
#pragma once
#include "framework/Splitter.h"

class CObjInfoDataView;

class CSplitterWndEx2 : public CSplitterWnd {
    DECLARE_DYNAMIC(CSplitterWndEx2)
public:
    CSplitterWndEx2() = default;
    ~CSplitterWndEx2() override = default;

    void OnDrawSplitter(CDC* pDC, ESplitType nType, const RECT& rect) override;
    void DrawAllSplitBars(CDC* pDC, int cxInside, int cyInside) override;
    void StartTracking(int ht) override;
    void StopTracking(BOOL bAccept) override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // The drag's state, for the window's tests.
    BOOL IsTracking() const { return m_bTracking; }
    const RECT& GetTrackerRect() const { return m_rectTracker; }

private:
    void OnMouseMove(UINT nFlags, POINT point);
    void OnKeyDown(UINT nChar);
    // No inverted tracker: the bar is drawn where it is dragged.
    void OnInvertTracker(const RECT&) override {}
    // Moves both panes to the bar at tracker and draws bar and borders.
    void LiveResize(const RECT& tracker);
    CObjInfoDataView* DataView() const;
};
