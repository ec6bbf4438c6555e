// Threads and the application object.
//
// CWinThread is a thread with a message loop: Run pumps messages
// (PumpMessage, overridable) and calls OnIdle when the queue is empty; OnIdle
// updates the command states of the thread's frames (their bars) and of its
// main window. Thread messages reach OnThreadMessage from the thread's own
// loop: PostThreadMessage of this class posts them to the thread's
// message-only window, where they also survive modal loops (message boxes,
// dialogs, menus); a message posted with ::PostThreadMessage (no window)
// reaches the same hook from the framework's loop only.
//
// CWinApp is the main thread's object: one per process, defined by the
// executable (a test defines its own in its main); AfxWinMain runs it.
#pragma once
#include "framework/Wnd.h"
#include "framework/Handle.h"
#include <exception>
#include <memory>
#include <string>
#include <vector>

class CDocTemplate;
class CDocument;

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    ~CWinThread() override;

    CWnd* m_pMainWnd = nullptr;      // the thread's main window: closing it ends the loop
    bool m_bAutoDelete = true;       // delete the object when the thread ends
    HANDLE m_hThread = nullptr;      // owned; closed by the destructor
    DWORD m_nThreadID = 0;
    MSG m_msgCur{};                  // the message PumpMessage took last

    // Starts the thread (flags: CREATE_SUSPENDED or 0; stack size 0 = default).
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0,
                      LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
    BOOL SetThreadPriority(int nPriority) { return ::SetThreadPriority(m_hThread, nPriority); }
    int GetThreadPriority() const { return ::GetThreadPriority(m_hThread); }
    DWORD ResumeThread() { return ::ResumeThread(m_hThread); }
    DWORD SuspendThread() { return ::SuspendThread(m_hThread); }
    operator HANDLE() const { return m_hThread; }

    // Posts a thread message to this thread's message-only window (or, before
    // it exists, to the thread's queue). WM_QUIT always goes to the queue.
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND GetMessageWindow() const { return m_hMsgWnd; }

    virtual CWnd* GetMainWnd() { return m_pMainWnd; }

    // --- overridables ------------------------------------------------------
    virtual BOOL InitInstance() { return FALSE; }   // TRUE: run the loop
    virtual int ExitInstance();                     // the thread's exit code
    virtual int Run();
    // Takes one message into m_msgCur and handles it (PreTranslateMessage,
    // then translate and dispatch; WM_KICKIDLE is only taken). FALSE at
    // WM_QUIT. An override must leave its message in m_msgCur too: Run
    // decides from it whether idle processing is due again.
    virtual BOOL PumpMessage();
    virtual BOOL OnIdle(LONG lCount);               // TRUE: call again
    virtual BOOL IsIdleMessage(MSG* pMsg);
    // Thread messages (hwnd null, or sent to the message-only window): true
    // when handled.
    virtual bool OnThreadMessage(UINT message, WPARAM wParam, LPARAM lParam) { return false; }
    // Thread messages first, then the window of the message and its parents.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // An exception caught at a trampoline (window, dialog or thread procedure).
    // pMsg: the message being handled (null for the thread procedure). Returns
    // the result for the window procedure. The default shows the exception's
    // text in a message box and returns -1 for WM_CREATE, 0 otherwise.
    virtual LRESULT ProcessWndProcException(std::exception_ptr e, const MSG* pMsg);

    // Makes this thread's message-only window (the framework does this at the
    // start of a thread; call it once for the main thread before thread
    // messages are posted to it; AfxWinMain does).
    BOOL CreateMessageWindow();
    void DestroyMessageWindow();

    // Frames of this thread, in the order made (the idle update walks them).
    static std::vector<CFrameWnd*>& ThreadFrames();

private:
    static DWORD WINAPI ThreadEntry(LPVOID p);
    HWND m_hMsgWnd = nullptr;
    friend struct WndInternals;
};

// The thread object of the calling thread (the application on the main
// thread; null on threads the framework did not start).
CWinThread* AfxGetThread();
// The calling thread's main window, or null.
CWnd* AfxGetMainWnd();

// Starts a thread of `pThreadClass` (a class with DECLARE_DYNCREATE deriving
// from CWinThread): makes the object, creates the thread suspended, sets its
// priority, and resumes it unless dwCreateFlags has CREATE_SUSPENDED. Null on
// failure (the object is then deleted).
CWinThread* AfxBeginThread(const CRuntimeClass* pThreadClass,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// A worker thread without a message loop object.
CWinThread* AfxBeginThread(UINT (*pfnThreadProc)(LPVOID), LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

// The command line, parsed: switches begin with "/" or "-" and are compared
// without regard to case; the first other argument names a document.
class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };

    int m_nShellCommand = FileNew;
    bool m_bRunEmbedded = false;      // /Embedding
    bool m_bRunAutomated = false;     // /Automation
    bool m_bRegisterPerUser = false;  // the PerUser forms of register and unregister
    bool m_bShowSplash = true;
    std::wstring m_strFileName;

    virtual ~CCommandLineInfo() = default;
    // One argument: the text after the "/" or "-" when bFlag, else the argument.
    virtual void ParseParam(LPCWSTR pszParam, BOOL bFlag, BOOL bLast);
};

// Parses a whole command line (the first word is the program, as in
// GetCommandLineW()) into `info`.
void AfxParseCommandLine(LPCWSTR pszCommandLine, CCommandLineInfo& info);

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    // lpszAppName null: the name is string AFX_IDS_APP_TITLE (57344), or the
    // executable's name when there is no such string.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCWSTR m_pszAppName = nullptr;       // title of message boxes, profile name
    LPCWSTR m_pszRegistryKey = nullptr;   // Software\<key>\... ; null until SetRegistryKey
    LPCWSTR m_pszProfileName = nullptr;
    LPCWSTR m_pszExeName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    BOOL InitInstance() override { return TRUE; }
    int ExitInstance() override;
    int Run() override;
    BOOL OnIdle(LONG lCount) override;
    // FALSE keeps the process alive after its main window is destroyed (the
    // quit message is then not posted); the COM module overrides this.
    virtual BOOL CanExitApp() { return TRUE; }

    // --- settings ----------------------------------------------------------
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);
    void LoadStdProfileSettings(UINT nMaxMRU = 4) {}
    // HKEY_CURRENT_USER\Software\<registry key>\<app name>, created when missing.
    UniqueHKey GetAppRegistryKey() const;
    UniqueHKey GetSectionKey(LPCWSTR lpszSection) const;
    // "value not found" gives the default (FALSE/null for the binary form).
    UINT GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue) const;
    std::wstring GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault = nullptr) const;
    // lpszValue null deletes the value; lpszEntry null deletes the section.
    BOOL WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue) const;
    // *ppData is new BYTE[*pBytes] (the caller frees it with delete[]).
    BOOL GetProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, BYTE** ppData, UINT* pBytes) const;
    BOOL WriteProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, const void* pData, UINT nBytes) const;

    // --- documents -----------------------------------------------------------
    // The application owns the templates added here and deletes them at exit.
    void AddDocTemplate(CDocTemplate* pTemplate);
    const std::vector<CDocTemplate*>& GetDocTemplates() const { return m_templates; }
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    // FileNew and FileOpen make the document and its frame (FALSE when that
    // fails or no main window results); FileNothing gives TRUE; AppRegister
    // and AppUnregister give FALSE (the application registers itself).
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    virtual void OnFileNew();
    virtual CDocument* OpenDocumentFile(LPCWSTR lpszFileName);
    void CloseAllDocuments(BOOL bEndSession);
    BOOL SaveAllModified();

private:
    std::wstring m_strAppName, m_strRegistryKey, m_strExeName;
    std::vector<CDocTemplate*> m_templates;
};

// The one application object of the process (null before it is made).
CWinApp* AfxGetApp();
// Sets the instance handle and makes the main thread's message-only window.
BOOL AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
// The usual entry: AfxWinInit, InitInstance, then Run (or ExitInstance when
// InitInstance gives FALSE); returns the exit code. Call it from wWinMain.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);

// A message box captioned with the application's title, owned by the
// calling thread's main window (or its active popup), else by the thread's
// active window.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
// The owner a modal window of the calling thread should have (may be null).
HWND AfxGetSafeOwner(HWND hWndParent = nullptr);
