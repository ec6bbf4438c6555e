// The toolbar of a frame and popup menus.
//
// CToolBar is a control bar over the common toolbar control. LoadToolBar
// takes the toolbar resource (type RT_TOOLBAR: version 1, button width and
// height, count, then the command ids, 0 for a separator) and the bitmap of
// the same id, whose images stand side by side in button order (separators
// have none). Tooltips and status-bar prompts come from the string of each
// command id: "<prompt>\n<tooltip>". The frame asks the bar at idle to update
// its buttons' enabled and checked states through the command route.
#pragma once
#include "framework/Frame.h"
#include <vector>

#ifndef RT_TOOLBAR
#define RT_TOOLBAR MAKEINTRESOURCEW(241)
#endif

// Bar styles of a toolbar (the bar's own style word).
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800L;
constexpr DWORD CBRS_GRIPPER       = 0x00400000L;
constexpr DWORD CBRS_TOOLTIPS      = 0x0010L;
constexpr DWORD CBRS_FLYBY         = 0x0020L;
constexpr DWORD CBRS_SIZE_DYNAMIC  = 0x0400L;
constexpr DWORD CBRS_ALIGN_LEFT    = 0x2000L;
constexpr DWORD CBRS_ALIGN_RIGHT   = 0x8000L;
constexpr DWORD CBRS_ALIGN_ANY     = 0xF000L;

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar() = default;
    ~CToolBar() override;

    // dwCtrlStyle: TBSTYLE_ styles of the control; dwStyle: window styles and
    // CBRS_ bar styles; rcBorders is not used (the control draws its own edges).
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                  RECT rcBorders = RECT{0, 0, 0, 0}, UINT nID = AFX_IDW_TOOLBAR);
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT nID = AFX_IDW_TOOLBAR) {
        return CreateEx(pParentWnd, 0, dwStyle, RECT{0, 0, 0, 0}, nID);
    }
    // Buttons and images of toolbar resource nIDResource (FALSE when either is missing).
    BOOL LoadToolBar(UINT nIDResource);

    int GetCount() const;
    UINT GetItemID(int nIndex) const;   // 0 for a separator
    int CommandToIndex(UINT nIDFind) const;
    BOOL EnableButton(UINT nID, BOOL bEnable);
    BOOL IsButtonEnabled(UINT nID) const;
    BOOL IsButtonChecked(UINT nID) const;
    SIZE GetButtonSize() const { return m_sizeButton; }
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }

    void LayoutInFrame(RECT& rcRemaining) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    SIZE m_sizeButton{16, 15};
    DWORD m_dwDockStyle = 0;
    HIMAGELIST m_hImages = nullptr;  // owned
};

// The prompt (field 0) or the tooltip (field 1) of a command's string.
std::wstring AfxCommandPrompt(UINT nID, int nField);

// Shows the popup menu hMenu at (x, y) (screen coordinates) and sends the
// chosen command as WM_COMMAND to pOwner, whose route then handles it.
// Items are taken as they are: the caller sets their states before.
BOOL AfxTrackPopupMenu(HMENU hMenu, UINT nFlags, int x, int y, CWnd* pOwner);
