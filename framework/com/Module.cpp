#include "framework/com/Module.h"

#include "framework/com/Dispatch.h"
#include "framework/com/RegScript.h"

namespace {
CAtlMfcModule* g_pModule = nullptr;
}

CAtlMfcModule::CAtlMfcModule(const GUID& libid, UINT nAppIdResId, std::wstring appId)
    : m_libid(libid),
      m_nAppIdResId(nAppIdResId),
      m_appId(std::move(appId)),
      m_dwMainThreadId(GetCurrentThreadId()),
      m_pPrevModule(g_pModule) {
    g_pModule = this;
}

CAtlMfcModule::~CAtlMfcModule() {
    if (g_pModule == this) g_pModule = m_pPrevModule;
}

CAtlMfcModule* CAtlMfcModule::GetModule() { return g_pModule; }

void ComModuleLock() {
    if (g_pModule) g_pModule->Lock();
}

void ComModuleUnlock() {
    if (g_pModule) g_pModule->Unlock();
}

HRESULT CAtlMfcModule::RegisterClassObjects(DWORD dwClsContext, DWORD dwFlags) {
    CComObjectMapEntry& e = m_entry;
    if (!e.pclsid || !e.pfnCreateClassObject) return S_OK;
    if (e.pClassObject) return S_OK;
    IUnknown* pCF = nullptr;
    HRESULT hr = e.pfnCreateClassObject(IID_IUnknown, reinterpret_cast<void**>(&pCF));
    if (FAILED(hr)) return hr;
    hr = CoRegisterClassObject(*e.pclsid, pCF, dwClsContext, dwFlags, &e.dwRegister);
    if (FAILED(hr)) {
        pCF->Release();
        e.dwRegister = 0;
        return hr;
    }
    e.pClassObject = pCF;
    return S_OK;
}

HRESULT CAtlMfcModule::RevokeClassObjects() {
    CComObjectMapEntry& e = m_entry;
    if (!e.pClassObject) return S_OK;
    HRESULT hr = CoRevokeClassObject(e.dwRegister);
    e.pClassObject->Release();
    e.pClassObject = nullptr;
    e.dwRegister = 0;
    return hr;
}

LONG CAtlMfcModule::Lock() { return ++m_nLockCnt; }

LONG CAtlMfcModule::Unlock() {
    LONG n = --m_nLockCnt;
    if (n == 0 && !m_bUserControl) {
        // Nobody but COM wanted this process: end its message loop.
        if (GetCurrentThreadId() == m_dwMainThreadId) PostQuitMessage(0);
        else PostThreadMessageW(m_dwMainThreadId, WM_QUIT, 0, 0);
    }
    return n;
}

std::wstring CAtlMfcModule::GetModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        if (path.size() >= 32768) return std::wstring();
        path.resize(path.size() * 2);
    }
}

CRegReplacements CAtlMfcModule::GetCommonReplacements() const {
    CRegReplacements r;
    r.emplace_back(L"MODULE", L"\"" + GetModulePath() + L"\"");
    r.emplace_back(L"APPID", L"");
    return r;
}

HRESULT CAtlMfcModule::UpdateRegistryFromResource(UINT nResId, BOOL bRegister,
                                                  const CRegReplacements& extra) {
    CRegObject ro;
    for (const auto& [n, v] : GetCommonReplacements()) ro.AddReplacement(n, v);
    for (const auto& [n, v] : extra) ro.AddReplacement(n, v);
    HMODULE hModule = GetModuleHandleW(nullptr);
    return bRegister ? ro.ResourceRegister(hModule, nResId) : ro.ResourceUnregister(hModule, nResId);
}

HRESULT CAtlMfcModule::UpdateRegistryAppId(BOOL bRegister) {
    if (!m_nAppIdResId) return S_OK;
    return UpdateRegistryFromResource(m_nAppIdResId, bRegister, {{L"APPID", m_appId}});
}

HRESULT CAtlMfcModule::RegisterServer(BOOL bRegTypeLib) {
    HRESULT hr = S_OK;
    if (m_entry.nRegistryResId) hr = UpdateRegistryFromResource(m_entry.nRegistryResId, TRUE);
    if (SUCCEEDED(hr) && bRegTypeLib) hr = RegisterTypeLib();
    return hr;
}

HRESULT CAtlMfcModule::UnregisterServer(BOOL bUnRegTypeLib) {
    HRESULT hr = S_OK;
    if (m_entry.nRegistryResId) hr = UpdateRegistryFromResource(m_entry.nRegistryResId, FALSE);
    if (bUnRegTypeLib) {
        HRESULT hr2 = UnRegisterTypeLib();
        if (SUCCEEDED(hr)) hr = hr2;
    }
    return hr;
}

HRESULT CAtlMfcModule::RegisterTypeLib() {
    std::wstring path = GetModulePath();
    ITypeLib* pLib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &pLib);
    if (FAILED(hr)) return hr;
    hr = ::RegisterTypeLib(pLib, path.data(), nullptr);
    pLib->Release();
    return hr;
}

HRESULT CAtlMfcModule::UnRegisterTypeLib() {
    // The library of the resource says which version and platform it is.
    std::wstring path = GetModulePath();
    ITypeLib* pLib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &pLib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = pLib->GetLibAttr(&attr);
    if (SUCCEEDED(hr)) {
        // A library that is not registered needs no removal.
        wchar_t guid[40] = {};
        StringFromGUID2(attr->guid, guid, 40);
        wchar_t key[96];
        wsprintfW(key, L"TypeLib\\%s\\%x.%x", guid, attr->wMajorVerNum, attr->wMinorVerNum);
        HKEY hk = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &hk) != ERROR_SUCCESS) {
            pLib->ReleaseTLibAttr(attr);
            pLib->Release();
            return S_OK;
        }
        RegCloseKey(hk);
        hr = ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid,
                                 attr->syskind);
        pLib->ReleaseTLibAttr(attr);
    }
    pLib->Release();
    return hr;
}

void CAtlMfcModule::Term() { CComTypeInfoHolder::ReleaseAll(); }
