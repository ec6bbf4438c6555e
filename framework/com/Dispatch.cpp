#include "framework/com/Dispatch.h"

#include "framework/com/Module.h"

namespace {
CComTypeInfoHolder* g_pHolders = nullptr;  // every holder that has loaded its type information
}

HRESULT CComTypeInfoHolder::EnsureLoaded() {
    if (m_pInfo) return S_OK;
    ITypeLib* pLib = nullptr;
    HRESULT hr = LoadRegTypeLib(*m_plibid, m_wMajor, m_wMinor, LOCALE_NEUTRAL, &pLib);
    if (FAILED(hr)) {
        std::wstring path = CAtlMfcModule::GetModulePath();
        hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &pLib);
        if (SUCCEEDED(hr)) {
            // The resource must hold the library asked for.
            TLIBATTR* attr = nullptr;
            if (SUCCEEDED(pLib->GetLibAttr(&attr))) {
                if (!InlineIsEqualGUID(attr->guid, *m_plibid)) hr = TYPE_E_LIBNOTREGISTERED;
                pLib->ReleaseTLibAttr(attr);
            }
            if (FAILED(hr)) {
                pLib->Release();
                pLib = nullptr;
            }
        }
    }
    if (FAILED(hr)) return hr;
    ITypeInfo* pInfo = nullptr;
    hr = pLib->GetTypeInfoOfGuid(*m_piid, &pInfo);
    pLib->Release();
    if (FAILED(hr)) return hr;
    // A dual interface is described as a dispinterface; its vtable side is
    // the interface that implements it (reference -1).
    ITypeInfo* pVtbl = nullptr;
    HREFTYPE href = 0;
    if (SUCCEEDED(pInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &href)) &&
        SUCCEEDED(pInfo->GetRefTypeInfo(href, &pVtbl))) {
    } else {
        pVtbl = pInfo;
        pVtbl->AddRef();
    }
    m_pInfo = pInfo;
    m_pVtblInfo = pVtbl;
    if (!m_bListed) {
        m_pNext = g_pHolders;
        g_pHolders = this;
        m_bListed = true;
    }
    return S_OK;
}

void CComTypeInfoHolder::Release() {
    if (m_pVtblInfo) m_pVtblInfo->Release();
    if (m_pInfo) m_pInfo->Release();
    m_pVtblInfo = nullptr;
    m_pInfo = nullptr;
}

void CComTypeInfoHolder::ReleaseAll() {
    for (CComTypeInfoHolder* p = g_pHolders; p; p = p->m_pNext) p->Release();
}

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT itinfo, LCID, ITypeInfo** pptinfo) {
    if (!pptinfo) return E_POINTER;
    *pptinfo = nullptr;
    if (itinfo != 0) return DISP_E_BADINDEX;
    HRESULT hr = EnsureLoaded();
    if (FAILED(hr)) return hr;
    m_pInfo->AddRef();
    *pptinfo = m_pInfo;
    return S_OK;
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT cNames, LCID,
                                          DISPID* dispids) {
    if (!InlineIsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !dispids) return E_POINTER;
    HRESULT hr = EnsureLoaded();
    if (FAILED(hr)) return hr;
    return DispGetIDsOfNames(m_pInfo, names, cNames, dispids);
}

HRESULT CComTypeInfoHolder::Invoke(void* pThis, DISPID dispid, REFIID riid, LCID, WORD wFlags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo,
                                   UINT* argerr) {
    if (!InlineIsEqualGUID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!params) return E_POINTER;
    HRESULT hr = EnsureLoaded();
    if (FAILED(hr)) return hr;
    return DispInvoke(pThis, m_pVtblInfo, dispid, wFlags, params, result, excepinfo, argerr);
}
