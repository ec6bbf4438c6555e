#include "server/core/Except.h"
#include "framework/App.h"

CExceptInfo ExceptInfo(UINT nCode)
{
    const UINT EXCL = MB_ICONEXCLAMATION, STOP = MB_ICONHAND;
    switch (nCode) {
    case 0:  return { nullptr, 0, S_OK };
    case 2:  return { nullptr, 0, RPC_E_DISCONNECTED };
    case 3:  return { L"Forced stop", EXCL, RPC_E_DISCONNECTED };
    case 4:  return { nullptr, 0, RPC_E_DISCONNECTED };
    case 5:
    case 6:
    case 7:  return { nullptr, 0, E_OUTOFMEMORY };
    case 9:  return { L"Memory Allocation Error", EXCL, E_OUTOFMEMORY };
    case 10: return { L"Memory Allocation Error (Node)", EXCL, E_OUTOFMEMORY };
    case 11: return { L"Memory Allocation Error (BSTR)", EXCL, E_OUTOFMEMORY };
    case 12: return { L"Error(Failed) Destroy_LogThread", EXCL, RPC_E_DISCONNECTED };
    case 13: return { L"Error(Failed) CreateResultView", EXCL, E_FAIL };
    case 14: return { L"Error(Failed) Insert_ResultTreeItem", EXCL, E_FAIL };
    case 15: return { L"Error(Failed) Insert_DialogTreeItem", EXCL, E_FAIL };
    case 16: return { L"Error(Failed) Insert_ObjInfoTreeItem", EXCL, E_FAIL };
    case 17: return { L"Error(Failed) Insert_ObjInfoListItem", EXCL, E_FAIL };
    case 19: return { L"Orvanesk (window) is not running", STOP, RPC_E_DISCONNECTED };
    case 20: return { L"The number of clients exceeds the maximum limit.\nRelease the memory.", STOP, RPC_E_DISCONNECTED };
    case 21: return { L"Error(Fatal) BeginThread.\nterminate procee.", STOP, E_UNEXPECTED };
    case 22: return { L"Error(Fatal) CreateLogView.\nterminate procee", STOP, E_UNEXPECTED };
    case 23: return { L"Error(Fatal) Insert_TreeItem\nterminate procee", STOP, RPC_E_DISCONNECTED };
    default: return { L"UnKnown Error", nCode < 19 ? EXCL : STOP, E_FAIL };
    }
}

void CExcept::Report() const
{
    CExceptInfo info = ExceptInfo(m_nCode);
    if (info.pszText)
        AfxMessageBox(info.pszText, MB_OK | info.nIcon);
}

HRESULT CExcept::ToHResult() const
{
    return ExceptInfo(m_nCode).hr;
}
