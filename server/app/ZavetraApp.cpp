#include "server/app/ZavetraApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "framework/DocView.h"
#include "resources/resource.h"
#include "server/app/MainFrm.h"
#include "server/app/ZavetraDoc.h"
#include "server/app/ZavetraView.h"
#include "server/app/ZavetraModule.h"

namespace {
// Exit codes of a start that InitInstance ends.
constexpr int kExitRegistryFailed = 1;
constexpr int kExitStartFailed = 2;
}  // namespace

CZavetraApp::CZavetraApp() : CWinApp(nullptr) {}

BOOL CZavetraApp::InitInstance() {
    BOOL bRun = StartUp();
    m_bEndedAtStart = !bRun;
    return bRun;
}

BOOL CZavetraApp::StartUp() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    CWinApp::InitInstance();

    // OLE for the main thread: the single-threaded apartment that receives
    // every client call.
    if (FAILED(OleInitialize(nullptr))) {
        AfxMessageBox(IDS_OLE_INIT_FAILED);
        m_nInitExitCode = kExitStartFailed;
        return FALSE;
    }
    m_bOleInitialized = true;

    SetRegistryKey(L"Brisquane");
    LoadStdProfileSettings(0);

    auto* pTemplate = new CSingleDocTemplate(IDR_MAINFRAME, RUNTIME_CLASS(CZavetraDoc),
                                             RUNTIME_CLASS(CMainFrame), RUNTIME_CLASS(CZavetraView));
    AddDocTemplate(pTemplate);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);

    // The class object is offered in every mode.
    if (FAILED(g_ZavetraModule.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE))) {
        m_nInitExitCode = kExitStartFailed;
        return FALSE;
    }
    m_bClassObjectsRegistered = true;

    if (cmdInfo.m_bRunEmbedded || cmdInfo.m_bRunAutomated) {
        // Started by COM: no window; the process lives for its objects.
        g_ZavetraModule.SetUserControl(false);
        return TRUE;
    }

    // Registration ends silently; only the exit code tells how it went.
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::AppUnregister) {
        HRESULT hrAppId = g_ZavetraModule.UpdateRegistryAppId(FALSE);
        HRESULT hrServer = g_ZavetraModule.UnregisterServer(TRUE);
        m_nInitExitCode = (SUCCEEDED(hrAppId) && SUCCEEDED(hrServer)) ? 0 : kExitRegistryFailed;
        return FALSE;
    }
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::AppRegister) {
        HRESULT hr = g_ZavetraModule.UpdateRegistryAppId(TRUE);
        if (SUCCEEDED(hr)) hr = g_ZavetraModule.RegisterServer(TRUE);
        m_nInitExitCode = SUCCEEDED(hr) ? 0 : kExitRegistryFailed;
        return FALSE;
    }

    if (!ProcessShellCommand(cmdInfo) || !m_pMainWnd) {
        m_nInitExitCode = kExitStartFailed;
        return FALSE;
    }
    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

BOOL CZavetraApp::PumpMessage() {
    if (!m_bClosing) return CWinApp::PumpMessage();

    // After the main window has closed: poll, and end after ten empty polls
    // 100 ms apart, even while clients still hold objects.
    MSG& msg = m_msgCur;
    bool found = ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    for (int nSleeps = 0; !found && nSleeps < 10; ++nSleeps) {
        ::Sleep(100);
        found = ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE;
    }
    if (!found || msg.message == WM_QUIT) return FALSE;
    if (msg.message == WM_KICKIDLE) return TRUE;
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return TRUE;
}

BOOL CZavetraApp::CanExitApp() { return g_ZavetraModule.GetLockCount() == 0; }

int CZavetraApp::ExitInstance() {
    if (m_bClassObjectsRegistered) {
        g_ZavetraModule.RevokeClassObjects();
        m_bClassObjectsRegistered = false;
    }
    int nCode = CWinApp::ExitInstance();
    g_ZavetraModule.Term();
    if (m_bOleInitialized) {
        OleUninitialize();
        m_bOleInitialized = false;
    }
    // A start that ended in InitInstance (registration included) gives its own code.
    return m_bEndedAtStart ? m_nInitExitCode : nCode;
}
