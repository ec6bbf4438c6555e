// The roots of the framework: CObject with its runtime class (a factory
// record), CCmdTarget (a receiver of commands) and CCmdUI (the state of one
// command's user-interface item), and the framework's standard ids.
#pragma once
#include <windows.h>

// Standard ids and messages of the framework.
constexpr UINT AFX_IDS_APP_TITLE       = 0xE000;  // 57344: the application's title string
constexpr UINT AFX_IDW_PANE_FIRST      = 0xE900;  // the view of a frame
constexpr UINT AFX_IDW_STATUS_BAR      = 0xE801;  // the status bar of a frame
constexpr UINT AFX_IDW_TOOLBAR         = 0xE800;  // the first toolbar of a frame
constexpr UINT ID_VIEW_TOOLBAR         = 0xE800;  // shows or hides the frame's toolbar
constexpr UINT ID_VIEW_STATUS_BAR      = 0xE801;  // shows or hides the frame's status bar
constexpr UINT ID_SEPARATOR            = 0;       // a status-bar pane without id
constexpr UINT WM_IDLEUPDATECMDUI      = 0x0363;  // wParam TRUE: update command states now
constexpr UINT WM_INITIALUPDATE        = 0x0364;  // sent to views by InitialUpdateFrame
constexpr UINT WM_KICKIDLE             = 0x036A;  // a message that only wakes the idle loop

// Codes of CCmdTarget::OnCmdMsg: a command (menu, accelerator, button click:
// BN_CLICKED is 0 too), an update request, or any other control notification
// code as it came with WM_COMMAND.
constexpr int CN_COMMAND            = 0;
constexpr int CN_UPDATE_COMMAND_UI  = -1;

class CObject;

// A class's factory record: its name, how to make one, its base.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();  // null for classes that cannot be made by name
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    bool IsDerivedFrom(const CRuntimeClass* base) const {
        for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
            if (c == base) return true;
        return false;
    }
};

#define RUNTIME_CLASS(cls) (cls::GetThisClass())

// In the class: DECLARE_DYNAMIC(cls) or DECLARE_DYNCREATE(cls) (made by name,
// needs a default constructor). In one .cpp: IMPLEMENT_DYNAMIC(cls, base) or
// IMPLEMENT_DYNCREATE(cls, base).
#define DECLARE_DYNAMIC(cls) \
public: \
    static const CRuntimeClass* GetThisClass(); \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(cls) \
    DECLARE_DYNAMIC(cls) \
    static CObject* CreateObject();

#define IMPLEMENT_RUNTIMECLASS_(cls, base, factory) \
    const CRuntimeClass* cls::GetThisClass() { \
        static const CRuntimeClass rc{#cls, factory, base::GetThisClass()}; \
        return &rc; \
    } \
    const CRuntimeClass* cls::GetRuntimeClass() const { return cls::GetThisClass(); }

#define IMPLEMENT_DYNAMIC(cls, base) IMPLEMENT_RUNTIMECLASS_(cls, base, nullptr)
#define IMPLEMENT_DYNCREATE(cls, base) \
    CObject* cls::CreateObject() { return new cls; } \
    IMPLEMENT_RUNTIMECLASS_(cls, base, &cls::CreateObject)

class CObject {
public:
    virtual ~CObject() = default;
    static const CRuntimeClass* GetThisClass();
    virtual const CRuntimeClass* GetRuntimeClass() const;
    bool IsKindOf(const CRuntimeClass* c) const { return GetRuntimeClass()->IsDerivedFrom(c); }
protected:
    CObject() = default;
};

class CCmdTarget;

// The state of one user-interface item of a command (a menu item, a toolbar
// button, a status-bar pane, a control). Bars derive their own kinds.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;        // index of the item in its menu or bar
    UINT m_nIndexMax = 0;
    HMENU m_hMenu = nullptr;  // set for a menu item
    HWND m_hWndOther = nullptr;  // set for a control or the bar that holds the item
    bool m_bEnableChanged = false;
    bool m_bContinueRouting = false;

    virtual ~CCmdUI() = default;
    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);   // 0 clear, 1 checked, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCWSTR lpszText);
    // An update handler that wants the next target asked as well.
    void ContinueRouting() { m_bContinueRouting = true; }

    // Asks `target` (and its route) for the item's state; true when someone answered.
    bool DoUpdate(CCmdTarget* target);
};

// A receiver of commands. OnCmdMsg is the route: frames, views and documents
// override it to pass a command on; a class overrides OnCmd and OnUpdateCmd
// for its own handlers, one switch on the id each, returning true when handled.
class CCmdTarget : public CObject {
public:
    // nCode: CN_COMMAND, CN_UPDATE_COMMAND_UI (pExtra is the CCmdUI*), or a
    // control notification code. pHandlerInfo is unused (null).
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

protected:
    virtual bool OnCmd(UINT nID, int nCode) { return false; }
    virtual bool OnUpdateCmd(CCmdUI* pCmdUI) { return false; }
};
