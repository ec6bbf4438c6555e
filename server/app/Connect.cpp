#include "server/app/Connect.h"

#include "framework/App.h"
#include "server/capture/TypeCache.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"

namespace {

// The calling thread's main window: the main frame in an instance that the
// user started, none in one started by COM.
HWND MainWindow() {
    CWnd* pWnd = AfxGetMainWnd();
    HWND hWnd = pWnd ? pWnd->GetSafeHwnd() : nullptr;
    return (hWnd && ::IsWindow(hWnd)) ? hWnd : nullptr;
}

}  // namespace

HRESULT CConnect::FinalConstruct() {
    m_nClientId = InterlockedIncrement(&g_nClientId);
    UINT nCode;
    if (m_nClientId > 255) {
        nCode = ZV_ERR_TOO_MANY_CLIENTS;
    } else {
        CClientTypes::Connected(static_cast<UINT>(m_nClientId));
        m_nStartTime = GetTickCount64();
        HWND hWnd = MainWindow();
        nCode = hWnd ? static_cast<UINT>(::SendMessageW(hWnd, UM_CLIENT_CONNECT, 0, 0))
                     : static_cast<UINT>(ZV_ERR_NOT_RUNNING);
    }
    if (nCode == ZV_OK) return S_OK;
    CExcept e(nCode);
    e.Report();
    return e.ToHResult();
}

void CConnect::FinalRelease() {
    if (m_nClientId > 255) return;
    CClientTypes::Disconnected(static_cast<UINT>(m_nClientId));   // its types go with it
    if (HWND hWnd = MainWindow()) ::SendMessageW(hWnd, UM_CLIENT_DISCONNECT, 0, 0);
}

HRESULT CConnect::DoTrace(BSTR Label, BOOL bBreak, VARIANT* pObjectArray) {
    ULONGLONG t0 = GetTickCount64();
    UINT nCode;
    try {
        CLogNode* pNode = AllocNode();
        CLogEntry* pEntry = pNode->m_pEntry;
        pEntry->m_key = static_cast<DWORD>(static_cast<DWORD>(t0) - static_cast<DWORD>(m_nStartTime));
        pEntry->m_flags = (LOGK_CALL << LOGF_KIND_SHIFT) | (static_cast<DWORD>(m_nClientId) & LOGF_CLIENT_MASK) |
                          (bBreak ? static_cast<DWORD>(LOGF_BREAK) : 0u);
        pEntry->m_name = static_cast<LPCOLESTR>(Label);
        HWND hWnd = MainWindow();
        nCode = hWnd ? static_cast<UINT>(::SendMessageW(hWnd, UM_TRACE, reinterpret_cast<WPARAM>(pNode),
                                                        reinterpret_cast<LPARAM>(pObjectArray)))
                     : static_cast<UINT>(ZV_ERR_NOT_RUNNING);
    } catch (CExcept& e) {
        e.Report();
        return e.ToHResult();
    }
    m_nStartTime += GetTickCount64() - t0;
    return nCode == ZV_OK ? S_OK : CExcept(nCode).ToHResult();
}

STDMETHODIMP CConnect::Trace(BSTR Label, LONG Break, VARIANT ObjectArray) {
    return DoTrace(Label, Break != 0, &ObjectArray);
}

STDMETHODIMP CConnect::Tr(BSTR Label, VARIANT ObjectArray) { return DoTrace(Label, FALSE, &ObjectArray); }

STDMETHODIMP CConnect::Br(BSTR Label, VARIANT ObjectArray) { return DoTrace(Label, TRUE, &ObjectArray); }
