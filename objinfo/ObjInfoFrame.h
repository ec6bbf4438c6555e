// The frame of the object-information window: a status bar and a splitter
// with the member tree on the left and the data view on the right. It keeps
// its rectangle and the left pane's width in the settings when it goes, and
// tells its thread (UM_OBJINFO_CLOSED) that it is gone.
#pragma once
#include "framework/Frame.h"
#include "objinfo/SplitterWndEx2.h"

class CObjInfoItemView;
class CObjInfoDataView;

// The left pane's width when none was saved.
constexpr int OBJINFO_DEFAULT_PANE_WIDTH = 150;

class CObjInfoFrame : public CFrameWnd {
    DECLARE_DYNCREATE(CObjInfoFrame)
public:
    CObjInfoFrame() = default;
    ~CObjInfoFrame() override = default;

    // The frame of the template without its menu: menu 145 is never shown.
    BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr) override;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    CSplitterWndEx2& Splitter() { return m_wndSplitter; }
    CObjInfoItemView* ItemView() const { return m_pItemView; }
    CObjInfoDataView* DataView() const { return m_pDataView; }

private:
    int OnCreate(LPCREATESTRUCT lpcs);
    void OnSizeMove(BOOL bBegin);
    void OnDestroy();
    void OnErrorReport(UINT nCode);

    CStatusBar m_wndStatusBar;
    CSplitterWndEx2 m_wndSplitter;
    CObjInfoItemView* m_pItemView = nullptr;
    CObjInfoDataView* m_pDataView = nullptr;
};
