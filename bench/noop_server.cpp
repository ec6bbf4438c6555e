// The floor of the trace benchmark: a local server of the same interface as
// Zavetra.Connect (IConnect of the Zavetra type library, its dispatch side
// served by the same type-information code) whose methods do nothing. A call
// on it costs what an empty cross-process call with the same arguments costs.
// A call with the hand-over label (NoopServer.h) also hands itself over to a
// second thread of the server, as Zavetra's main frame does, and no more.
//
//   bench_noop_server.exe /RegServer     registers the class (HKEY_CLASSES_ROOT)
//   bench_noop_server.exe /UnregServer   removes it
//   bench_noop_server.exe                serves until it is ended
//   bench_noop_server.exe -Embedding     started by COM: ends with its last object
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <cwchar>
#include <memory>
#include <string>

#include "Zavetra_h.h"
#include "bench/support/BenchUnknown.h"
#include "bench/support/HandOver.h"
#include "bench/support/NoopServer.h"
#include "framework/com/Dispatch.h"

namespace {

LONG g_nObjects = 0;
bool g_bEmbedded = false;
DWORD g_dwMainThread = 0;
std::unique_ptr<CHandOver> g_pHandOver;   // the main thread's, made at the first call that asks

bool AsksForHandOver(BSTR label) {
    const size_t n = wcslen(kNoopHandOverLabel);
    return label && SysStringLen(label) >= n && wcsncmp(label, kNoopHandOverLabel, n) == 0;
}

class CNoopConnect final : public CBenchUnknown<CNoopConnect, IDispatchImpl<IConnect, &IID_IConnect, &LIBID_ZavetraLib>,
                                                &IID_IDispatch, &IID_IConnect> {
public:
    CNoopConnect() { ++g_nObjects; }
    ~CNoopConnect() {
        if (--g_nObjects == 0 && g_bEmbedded) PostThreadMessageW(g_dwMainThread, WM_QUIT, 0, 0);
    }
    STDMETHODIMP Trace(BSTR, LONG, VARIANT) override { return S_OK; }
    STDMETHODIMP Tr(BSTR label, VARIANT) override {
        if (AsksForHandOver(label)) {
            if (!g_pHandOver) g_pHandOver = std::make_unique<CHandOver>();
            g_pHandOver->RoundTrip();
        }
        return S_OK;
    }
    STDMETHODIMP Br(BSTR, VARIANT) override { return S_OK; }
};

class CNoopFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (pOuter) return CLASS_E_NOAGGREGATION;
        auto* p = new CNoopConnect;
        HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

std::wstring GuidText(REFGUID g) {
    wchar_t buf[64];
    StringFromGUID2(g, buf, 64);
    return buf;
}

bool SetKey(const std::wstring& path, const std::wstring& value) {
    HKEY hk;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hk, nullptr))
        return false;
    LONG lr = RegSetValueExW(hk, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hk);
    return lr == ERROR_SUCCESS;
}

int Register() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const std::wstring cls = L"CLSID\\" + GuidText(CLSID_NoopConnect);
    bool ok = SetKey(kNoopProgId, L"No-op Connect") && SetKey(std::wstring(kNoopProgId) + L"\\CLSID", GuidText(CLSID_NoopConnect)) &&
              SetKey(cls, L"No-op Connect") && SetKey(cls + L"\\ProgID", kNoopProgId) &&
              SetKey(cls + L"\\LocalServer32", L"\"" + std::wstring(exe) + L"\"");
    return ok ? 0 : 1;
}

int Unregister() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, kNoopProgId);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + GuidText(CLSID_NoopConnect)).c_str());
    return 0;
}

bool HasSwitch(const wchar_t* cmd, const wchar_t* name) {
    for (const wchar_t* p = cmd; (p = wcspbrk(p, L"/-")) != nullptr; ++p)
        if (!_wcsnicmp(p + 1, name, wcslen(name))) return true;
    return false;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR cmd, int) {
    if (HasSwitch(cmd, L"UnregServer")) return Unregister();
    if (HasSwitch(cmd, L"RegServer")) return Register();
    g_bEmbedded = HasSwitch(cmd, L"Embedding") || HasSwitch(cmd, L"Automation");
    g_dwMainThread = GetCurrentThreadId();
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    static CNoopFactory factory;
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(CLSID_NoopConnect, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
        CoUninitialize();
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoRevokeClassObject(cookie);
    g_pHandOver.reset();
    CComTypeInfoHolder::ReleaseAll();
    CoUninitialize();
    return 0;
}
