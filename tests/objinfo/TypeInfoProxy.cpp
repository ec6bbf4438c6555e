#include "TypeInfoProxy.h"

#include "server/core/Except.h"

int CTypeInfoProxy::s_nLiveProxies = 0;

CTypeInfoProxy::CTypeInfoProxy(ITypeInfo* pReal) : m_pReal(pReal)
{
    m_pReal->AddRef();
}

CTypeInfoProxy::~CTypeInfoProxy()
{
    if (m_bIsRef)
        --s_nLiveProxies;
    m_pReal->Release();
}

STDMETHODIMP CTypeInfoProxy::QueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ITypeInfo)) {
        *ppv = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTypeInfoProxy::AddRef()
{
    return (ULONG)++m_nRefs;
}

STDMETHODIMP_(ULONG) CTypeInfoProxy::Release()
{
    const LONG n = --m_nRefs;
    if (n == 0)
        delete this;
    return (ULONG)n;
}

STDMETHODIMP CTypeInfoProxy::GetTypeAttr(TYPEATTR** pp)
{
    if (m_bFailTypeAttr) {
        *pp = nullptr;
        return E_OUTOFMEMORY;
    }
    HRESULT hr = m_pReal->GetTypeAttr(pp);
    if (SUCCEEDED(hr))
        ++m_nTypeAttrs;
    return hr;
}

STDMETHODIMP CTypeInfoProxy::GetTypeComp(ITypeComp** pp) { return m_pReal->GetTypeComp(pp); }

STDMETHODIMP CTypeInfoProxy::GetFuncDesc(UINT index, FUNCDESC** pp)
{
    if ((int)index == m_nFailFuncDesc) {
        *pp = nullptr;
        return TYPE_E_BADMODULEKIND;
    }
    HRESULT hr = m_pReal->GetFuncDesc(index, pp);
    if (SUCCEEDED(hr))
        ++m_nFuncDescs;
    return hr;
}

STDMETHODIMP CTypeInfoProxy::GetVarDesc(UINT index, VARDESC** pp)
{
    if ((int)index == m_nFailVarDesc) {
        *pp = nullptr;
        return TYPE_E_BADMODULEKIND;
    }
    HRESULT hr = m_pReal->GetVarDesc(index, pp);
    if (SUCCEEDED(hr))
        ++m_nVarDescs;
    return hr;
}

STDMETHODIMP CTypeInfoProxy::GetNames(MEMBERID memid, BSTR* rg, UINT cMax, UINT* pc)
{
    return m_pReal->GetNames(memid, rg, cMax, pc);
}

STDMETHODIMP CTypeInfoProxy::GetRefTypeOfImplType(UINT index, HREFTYPE* p)
{
    return m_pReal->GetRefTypeOfImplType(index, p);
}

STDMETHODIMP CTypeInfoProxy::GetImplTypeFlags(UINT index, INT* p) { return m_pReal->GetImplTypeFlags(index, p); }

STDMETHODIMP CTypeInfoProxy::GetIDsOfNames(LPOLESTR* rg, UINT c, MEMBERID* p) { return m_pReal->GetIDsOfNames(rg, c, p); }

STDMETHODIMP CTypeInfoProxy::Invoke(PVOID pv, MEMBERID memid, WORD w, DISPPARAMS* pdp, VARIANT* pr, EXCEPINFO* pe,
                                    UINT* pu)
{
    return m_pReal->Invoke(pv, memid, w, pdp, pr, pe, pu);
}

STDMETHODIMP CTypeInfoProxy::GetDocumentation(MEMBERID memid, BSTR* pName, BSTR* pDoc, DWORD* pCtx, BSTR* pFile)
{
    if (m_bThrowAllDoc || (memid != MEMBERID_NIL && m_bThrowMemberDoc))
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    if (memid == MEMBERID_NIL && m_bFailDocumentation)
        return TYPE_E_ELEMENTNOTFOUND;
    return m_pReal->GetDocumentation(memid, pName, pDoc, pCtx, pFile);
}

STDMETHODIMP CTypeInfoProxy::GetDllEntry(MEMBERID memid, INVOKEKIND k, BSTR* pDll, BSTR* pName, WORD* pw)
{
    return m_pReal->GetDllEntry(memid, k, pDll, pName, pw);
}

STDMETHODIMP CTypeInfoProxy::GetRefTypeInfo(HREFTYPE h, ITypeInfo** pp)
{
    ITypeInfo* pRef = nullptr;
    HRESULT hr = m_pReal->GetRefTypeInfo(h, &pRef);
    if (FAILED(hr)) {
        *pp = nullptr;
        return hr;
    }
    auto* pProxy = new CTypeInfoProxy(pRef);
    pRef->Release();
    pProxy->m_bIsRef = true;
    ++s_nLiveProxies;
    pProxy->m_bThrowAllDoc = m_bRefsThrow;
    *pp = pProxy;
    return S_OK;
}

STDMETHODIMP CTypeInfoProxy::AddressOfMember(MEMBERID memid, INVOKEKIND k, PVOID* pp)
{
    return m_pReal->AddressOfMember(memid, k, pp);
}

STDMETHODIMP CTypeInfoProxy::CreateInstance(IUnknown* pOuter, REFIID riid, PVOID* pp)
{
    return m_pReal->CreateInstance(pOuter, riid, pp);
}

STDMETHODIMP CTypeInfoProxy::GetMops(MEMBERID memid, BSTR* p) { return m_pReal->GetMops(memid, p); }

STDMETHODIMP CTypeInfoProxy::GetContainingTypeLib(ITypeLib** pp, UINT* pi) { return m_pReal->GetContainingTypeLib(pp, pi); }

STDMETHODIMP_(void) CTypeInfoProxy::ReleaseTypeAttr(TYPEATTR* p)
{
    --m_nTypeAttrs;
    m_pReal->ReleaseTypeAttr(p);
}

STDMETHODIMP_(void) CTypeInfoProxy::ReleaseFuncDesc(FUNCDESC* p)
{
    --m_nFuncDescs;
    m_pReal->ReleaseFuncDesc(p);
}

STDMETHODIMP_(void) CTypeInfoProxy::ReleaseVarDesc(VARDESC* p)
{
    --m_nVarDescs;
    m_pReal->ReleaseVarDesc(p);
}
