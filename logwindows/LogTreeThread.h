// The log thread: the user-interface thread that owns every tree window of
// the program (the log window, up to seven result windows, the
// object-information window and, through their views, the find, extract and
// move dialogs). The main frame makes it suspended, gives it its window and
// resumes it; the thread makes its log window at once and tells the main
// frame with UM_LOGVIEW_CREATED, then serves the thread messages below until
// UM_LOGTHREAD_QUIT.
//
// The thread keeps its own document templates, outside the application's
// list; its main-window pointer stays empty, so closing the log window (or
// any other) never ends the thread. Thread messages go to the thread's
// message-only window, so they are also served while a message box, a menu
// or a move or size loop runs on the thread.
//
// Windows that later parts of the program provide plug in through the slots
// below, filled at start-up by the code that provides them (one Register...
// function each). While a slot is null the thread and the views behave as if
// the window or dialog could not be made: a result window that cannot be
// opened is reported with code 13, an object-information record that no
// window takes is freed, a dialog command does nothing.
#pragma once
#include <windows.h>

#include "framework/App.h"
#include "framework/DocView.h"
#include "server/core/CheckedRoots.h"

class CObjInfo;
class CLogNode;
class CLogTreeDoc;
class CLogTreeFrame;
class CLogTreeThread;
class CTreeDocEx;
class CTreeFrameEx;
class CTreeViewEx;
class CExtractDialog;
class CFindDialog;
class CMoveFindDialog;
class CSearchConditionSet;

// --- plug-in slots -------------------------------------------------------------

// The object-information window (resource 145).
struct CObjInfoWindowSlot {
    CRuntimeClass* pDocClass;    // CObjInfoDoc
    CRuntimeClass* pFrameClass;  // CObjInfoFrame
    CRuntimeClass* pViewClass;   // CObjInfoItemView
    // Links the record at the head of the document's record list and
    // sends update hint 1 with the record to the document's views.
    void (*pfnAddRecord)(CDocument* pDoc, CObjInfo* pInfo);
    // Frees a record that no window could take.
    void (*pfnFreeRecord)(CObjInfo* pInfo);
};

// The result windows (resource 132). The document class derives from
// CTreeDocEx, the frame class from CTreeFrameEx, the view class from
// CTreeViewEx. The frame posts UM_RESULTVIEW_CLOSED (view index, 0) to its
// thread when it is destroyed.
struct CResultWindowSlot {
    CRuntimeClass* pDocClass;    // CResultTreeDoc
    CRuntimeClass* pFrameClass;  // CResultTreeFrame
    CRuntimeClass* pViewClass;   // CResultTreeView
    // CResultTreeDoc::SetTree: the document takes over the tree of bare
    // nodes (null empties the window).
    void (*pfnSetTree)(CTreeDocEx* pDoc, CLogNode* pTree);
    // CResultTreeDoc::BuildFromFind: a find of the chain from pFirst into the
    // document; the number of matches. May throw CExcept.
    int (*pfnBuildFromFind)(CTreeDocEx* pDoc, CLogNode* pFirst, CSearchConditionSet* pSet);
    // CResultTreeView::PrimeTreeCtrl, run once after the window is made.
    void (*pfnPrimeTreeCtrl)(CTreeViewEx* pView);
};

// The modeless dialogs of a tree view. Each create function makes the dialog
// with the view as its parent and its window at once (the dialog owns itself
// and deletes itself with its window), and may throw CExcept or
// std::bad_alloc; the show functions take a ShowWindow code; the destroy
// functions destroy the dialog's window. A dialog tells its owner when the
// user closes it: UM_EXTRACTDIALOG_CLOSED and UM_FINDDIALOG_CLOSED to the
// view's frame, UM_MOVEDIALOG_CLOSED to the view.
struct CExtractDialogSlot {
    CExtractDialog* (*pfnCreate)(CTreeViewEx* pView, CCheckedRootSet* pSource);
    void (*pfnShow)(CExtractDialog* pDialog, int nCmdShow);
    void (*pfnRefreshTree)(CExtractDialog* pDialog);   // the checked roots changed
    void (*pfnApplyFont)(CExtractDialog* pDialog);     // re-read the ExtractDialog font
    void (*pfnDestroy)(CExtractDialog* pDialog);
};

struct CFindDialogSlot {
    CFindDialog* (*pfnCreate)(CTreeViewEx* pView, CCheckedRootSet* pSource);
    void (*pfnShow)(CFindDialog* pDialog, int nCmdShow);
    // Rebuilds the member tree from the checked roots; nMode 0 keeps the conditions.
    void (*pfnRebuildTree)(CFindDialog* pDialog, int nMode);
    void (*pfnApplyFont)(CFindDialog* pDialog);        // re-read the FindDialog font
    void (*pfnRepaint)(CFindDialog* pDialog);          // highlight colours changed
    void (*pfnDestroy)(CFindDialog* pDialog);
};

struct CMoveDialogSlot {
    // Bound to the document's active condition set.
    CMoveFindDialog* (*pfnCreate)(CTreeViewEx* pView, CSearchConditionSet* pActive);
    void (*pfnShow)(CMoveFindDialog* pDialog, int nCmdShow);
    void (*pfnFillHitList)(CMoveFindDialog* pDialog);  // the found-node map changed
    void (*pfnApplyFont)(CMoveFindDialog* pDialog);    // re-read the MoveFindDialog font
    void (*pfnRepaint)(CMoveFindDialog* pDialog);
    void (*pfnDestroy)(CMoveFindDialog* pDialog);
};

// A document template of the log thread: it tells the thread when its
// document goes (with the window), so that the thread never keeps a pointer
// to a destroyed frame or document.
class CLogThreadTemplate : public CSingleDocTemplate {
    DECLARE_DYNAMIC(CLogThreadTemplate)
public:
    CLogThreadTemplate(CLogTreeThread* pThread, UINT nIDResource, const CRuntimeClass* pDocClass,
                       const CRuntimeClass* pFrameClass, const CRuntimeClass* pViewClass);
    void RemoveDocument(CDocument* pDoc) override;
    bool IsOpen() const { return m_pOnlyDoc != nullptr; }

private:
    CLogTreeThread* m_pThread;
};

class CLogTreeThread : public CWinThread {
    DECLARE_DYNCREATE(CLogTreeThread)
public:
    static constexpr int RESULT_VIEWS = 7;

    // Plug-in slots (null: no such window or dialog).
    static const CObjInfoWindowSlot* s_pObjInfoWindow;
    static const CResultWindowSlot* s_pResultWindow;
    static const CExtractDialogSlot* s_pExtractDialog;
    static const CFindDialogSlot* s_pFindDialog;
    static const CMoveDialogSlot* s_pMoveDialog;

    // Frees an object-information record that no window took (null: the
    // record is left alone). Set at start-up with the builder that makes them.
    static void (*s_pfnFreeUnshownRecord)(CObjInfo* pInfo);

    // The main frame's factory: the thread created suspended at below-normal
    // priority, given hMainWnd; null when it cannot be made.
    static CWinThread* CreateForMainFrame(HWND hMainWnd);

    CLogTreeThread();
    ~CLogTreeThread() override;

    // Makes the log window; posts UM_LOGVIEW_CREATED (log frame or 0) to
    // m_hMainWnd exactly once. TRUE when the window exists.
    BOOL InitInstance() override;
    int ExitInstance() override;
    bool OnThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // A new document and frame of the template, initialised and visible.
    // FALSE (and nothing left over) when any step fails.
    BOOL CreateDocFrame(CSingleDocTemplate* pTemplate, CFrameWnd*& pFrame, CDocument*& pDoc);
    // Result window n (1..7) raised or made; FALSE when it is not open
    // afterwards. Throws CExcept 11 when the title's string cannot be had.
    BOOL OpenResultView(int n);
    // Closes every open result window; their documents forget their trees
    // first (the pools are about to go as a whole).
    void CloseResultViews();
    // The object-information window raised or made.
    BOOL OpenObjInfoView();

    // Whether result window n is open (its template has a document).
    bool IsResultViewOpen(int n) const;
    bool IsObjInfoViewOpen() const;

    // --- thread-message handlers -------------------------------------------
    void OnQuit(WPARAM wParam, LPARAM lParam);
    void OnShowExtractResult(WPARAM wParam, LPARAM lParam);
    void OnCloseResultViews(WPARAM wParam, LPARAM lParam);
    void OnRequestReleaseMemory(WPARAM wParam, LPARAM lParam);
    void OnFindToResult(WPARAM wParam, LPARAM lParam);
    void OnResultViewDestroyed(WPARAM wParam, LPARAM lParam);
    void OnResultFontChanged(WPARAM wParam, LPARAM lParam);
    void OnObjInfoFontChanged(WPARAM wParam, LPARAM lParam);
    void OnDialogFontChanged(WPARAM wParam, LPARAM lParam);
    void OnHighlightChanged(WPARAM wParam, LPARAM lParam);
    void OnObjectInfo(WPARAM wParam, LPARAM lParam);
    void OnObjInfoViewDestroyed(WPARAM wParam, LPARAM lParam);

    // The log thread of the calling thread (null on other threads).
    static CLogTreeThread* Current();

    CLogThreadTemplate* m_pLogTemplate = nullptr;
    CLogTreeFrame* m_pLogFrame = nullptr;
    CLogTreeDoc* m_pLogDoc = nullptr;
    CLogThreadTemplate* m_pResultTemplate[RESULT_VIEWS] = {};
    CTreeFrameEx* m_pResultFrame[RESULT_VIEWS] = {};
    CTreeDocEx* m_pResultDoc[RESULT_VIEWS] = {};
    CLogThreadTemplate* m_pObjInfoTemplate = nullptr;
    CFrameWnd* m_pObjInfoFrame = nullptr;
    CDocument* m_pObjInfoDoc = nullptr;
    HWND m_hMainWnd = nullptr;  // the main frame's window; set before the thread runs

private:
    friend class CLogThreadTemplate;
    // A template's document is gone: the frame and document fields that
    // pointed into that window become null.
    void OnTemplateEmptied(CLogThreadTemplate* pTemplate);
    // Posts to the main frame.
    void PostToMain(UINT message, WPARAM wParam, LPARAM lParam) const;
    void UpdateResultViews(LPARAM lHint);
};
