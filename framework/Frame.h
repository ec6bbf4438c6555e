// Frame windows and their control bars.
//
// A frame holds its bars (status bar, toolbars) and one view, the child with
// id AFX_IDW_PANE_FIRST; RecalcLayout gives each visible bar its place (top
// bars from the top, bottom bars from the bottom) and the view the rest.
// Commands reaching a frame are routed: active view (which passes them to
// its document) -> the frame itself -> the application.
#pragma once
#include "framework/Wnd.h"
#include <commctrl.h>
#include <string>
#include <vector>

class CDocument;
class CDocTemplate;
class CView;
class CFrameWnd;

// FWS_ styles of a frame (kept in the low word of its window style).
constexpr DWORD FWS_ADDTOTITLE  = 0x00008000L;  // the title gets " - <document title>"
constexpr DWORD FWS_PREFIXTITLE = 0x00004000L;  // "<document title> - <title>" instead

// Bar styles (a bar's own style word, not its window style).
constexpr DWORD CBRS_ALIGN_TOP    = 0x1000L;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x4000L;
constexpr DWORD CBRS_TOP          = CBRS_ALIGN_TOP;
constexpr DWORD CBRS_BOTTOM       = CBRS_ALIGN_BOTTOM;

// Status-bar pane styles.
constexpr UINT SBPS_NORMAL   = 0x0000;
constexpr UINT SBPS_NOBORDERS = SBT_NOBORDERS;
constexpr UINT SBPS_POPOUT   = SBT_POPOUT;
constexpr UINT SBPS_DISABLED = 0x04000000;
constexpr UINT SBPS_STRETCH  = 0x08000000;  // the pane takes the width left over

// What a frame needs to make its view: the view's class and the document.
class CCreateContext {
public:
    const CRuntimeClass* m_pNewViewClass = nullptr;
    CDocument* m_pCurrentDoc = nullptr;
    CDocTemplate* m_pNewDocTemplate = nullptr;
    CView* m_pLastView = nullptr;
    CFrameWnd* m_pCurrentFrame = nullptr;
};

// A bar docked at one edge of its frame. The frame keeps a list of its bars
// for layout and for the idle update of their items' command states.
class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    ~CControlBar() override;
    DWORD GetBarStyle() const { return m_dwBarStyle; }
    void SetBarStyle(DWORD dwStyle) { m_dwBarStyle = dwStyle; }
    CFrameWnd* GetDockingFrame() const { return m_pFrame; }

    // Takes the bar's place in `rcRemaining` (client coordinates of the frame)
    // and moves the bar there; the default puts it at its edge with its current height.
    virtual void LayoutInFrame(RECT& rcRemaining);
    // Updates the command states of the bar's items with `pTarget` as the route.
    virtual void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CControlBar() = default;
    // Registers the bar with its parent frame (call after the window exists).
    void AttachToFrame(CWnd* pParentWnd);
    void DetachFromFrame();
    DWORD m_dwBarStyle = 0;
    CFrameWnd* m_pFrame = nullptr;
    friend class CFrameWnd;
};

class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar() = default;
    // dwStyle: window styles and CBRS_ bar styles together.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    // One pane per id; ID_SEPARATOR panes have no text of their own (the first
    // pane, when a separator, stretches); other panes are as wide as the
    // string resource of their id.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    BOOL SetPaneText(int nIndex, LPCWSTR lpszNewText, BOOL bUpdate = TRUE);
    std::wstring GetPaneText(int nIndex) const;
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    int GetCount() const { return static_cast<int>(m_panes.size()); }

    void LayoutInFrame(RECT& rcRemaining) override;
    void OnUpdateCmdUI(CFrameWnd* pTarget, BOOL bDisableIfNoHndler) override;

private:
    struct Pane { UINT nID; UINT nStyle; int cxWidth; };
    void UpdateParts();
    std::vector<Pane> m_panes;
};

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Makes the frame from resource nIDResource: the title is the first field
    // of the string of that id, the icon, menu and accelerators of that id
    // are used when present. The context names the view to create.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = nullptr, CCreateContext* pContext = nullptr);
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                const RECT& rect = rectDefault, CWnd* pParentWnd = nullptr, LPCWSTR lpszMenuName = nullptr,
                DWORD dwExStyle = 0, CCreateContext* pContext = nullptr);
    static const RECT rectDefault;  // CW_USEDEFAULT position and size

    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    // Makes the view (pContext->m_pNewViewClass) as the pane child.
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    virtual void RecalcLayout(BOOL bNotify = TRUE);
    CView* GetActiveView() const { return m_pViewActive; }
    virtual void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    // First showing: the active view is chosen, every view gets
    // OnInitialUpdate, the frame is shown and its title set.
    virtual void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    virtual void ActivateFrame(int nCmdShow = -1);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    const std::wstring& GetTitle() const { return m_strTitle; }
    void SetTitle(LPCWSTR lpszTitle) { m_strTitle = lpszTitle ? lpszTitle : L""; }

    // Command states of the bars' items (sent as WM_IDLEUPDATECMDUI at idle).
    virtual void OnIdleUpdateCmdUI();
    const std::vector<CControlBar*>& GetControlBars() const { return m_bars; }
    void AddControlBar(CControlBar* pBar);
    void RemoveControlBar(CControlBar* pBar);
    void SetMessageText(LPCWSTR lpszText);  // pane 0 of the status bar
    // Docking: bars stay at the edge their style names; these record the wish.
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }
    void DockControlBar(CControlBar* pBar) { AddControlBar(pBar); RecalcLayout(); }
    // The bar with the child id (AFX_IDW_TOOLBAR, AFX_IDW_STATUS_BAR), or null.
    CControlBar* GetControlBar(UINT nID) const;
    void ShowControlBar(CControlBar* pBar, BOOL bShow, BOOL bDelay = FALSE);

    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
    // An accelerator runs its command only when the command's update handler
    // (if any) leaves it enabled.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override { delete this; }  // a frame owns itself

    HACCEL m_hAccelTable = nullptr;
    UINT m_nIDResource = 0;

protected:
    // Handlers of the frame's own messages; a derived frame that takes the
    // message itself calls these for the base behaviour.
    int OnCreate(LPCREATESTRUCT lpcs);
    // Asks the document, then destroys the frame: the main window closes all
    // documents of the application; a document's last frame closes the document.
    void OnClose();
    void OnDestroy();
    void OnSize(UINT nType, int cx, int cy);
    void OnSetFocus(HWND hOldWnd);
    void OnInitMenuPopup(HMENU hMenu, UINT nIndex, BOOL bSysMenu);

    std::wstring m_strTitle;
    CView* m_pViewActive = nullptr;
    CCreateContext* m_pCreateContext = nullptr;  // valid during creation only
    std::vector<CControlBar*> m_bars;
    bool m_bInRecalcLayout = false;
    DWORD m_dwDockStyle = 0;
    // The frame's own commands: View Toolbar and View Status Bar.
    bool OnCmd(UINT nID, int nCode) override;
    bool OnUpdateCmd(CCmdUI* pCmdUI) override;
    void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    friend class CView;
};
