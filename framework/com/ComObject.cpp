#include "framework/com/ComObject.h"

HRESULT ComInternalQueryInterface(void* pThis, const CComInterfaceEntry* entries, REFIID riid,
                                  void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!entries || !entries->piid) return E_NOINTERFACE;
    BYTE* base = static_cast<BYTE*>(pThis);
    if (InlineIsEqualGUID(riid, IID_IUnknown)) {
        auto* p = reinterpret_cast<IUnknown*>(base + entries->offset);
        p->AddRef();
        *ppv = p;
        return S_OK;
    }
    for (const CComInterfaceEntry* e = entries; e->piid; ++e) {
        if (InlineIsEqualGUID(riid, *e->piid)) {
            auto* p = reinterpret_cast<IUnknown*>(base + e->offset);
            p->AddRef();
            *ppv = p;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

STDMETHODIMP CComClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (InlineIsEqualGUID(riid, IID_IUnknown) || InlineIsEqualGUID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CComClassFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_cRef)); }

STDMETHODIMP_(ULONG) CComClassFactory::Release() {
    LONG n = InterlockedDecrement(&m_cRef);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP CComClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter) {
        // An aggregating client must ask for the inner unknown.
        if (!InlineIsEqualGUID(riid, IID_IUnknown) || !m_createAggregated) return CLASS_E_NOAGGREGATION;
        return m_createAggregated(pUnkOuter, riid, ppv);
    }
    return m_create(nullptr, riid, ppv);
}

STDMETHODIMP CComClassFactory::LockServer(BOOL fLock) {
    if (fLock) ComModuleLock();
    else ComModuleUnlock();
    return S_OK;
}
