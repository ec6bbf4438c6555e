// A type information that passes every call to a real one, counts what it
// hands out and can fail or throw at chosen places: for the faults that a
// real library does not show on request.
#pragma once
#include <windows.h>
#include <oleauto.h>

class CTypeInfoProxy : public ITypeInfo {
public:
    // pReal is held for the proxy's life.
    explicit CTypeInfoProxy(ITypeInfo* pReal);

    bool m_bFailTypeAttr = false;         // GetTypeAttr fails
    bool m_bFailDocumentation = false;    // GetDocumentation of MEMBERID_NIL fails
    bool m_bThrowMemberDoc = false;       // GetDocumentation of a member throws CExcept 11
    bool m_bThrowAllDoc = false;          // every GetDocumentation throws CExcept 11
    bool m_bRefsThrow = false;            // so does that of the types it refers to
    int m_nFailFuncDesc = -1;             // GetFuncDesc of this index fails
    int m_nFailVarDesc = -1;              // GetVarDesc of this index fails

    LONG m_nRefs = 1;
    int m_nFuncDescs = 0;   // handed out and not yet given back
    int m_nVarDescs = 0;
    int m_nTypeAttrs = 0;
    static int s_nLiveProxies;   // referenced-type proxies still alive

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // ITypeInfo
    STDMETHODIMP GetTypeAttr(TYPEATTR** ppTypeAttr) override;
    STDMETHODIMP GetTypeComp(ITypeComp** ppTComp) override;
    STDMETHODIMP GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) override;
    STDMETHODIMP GetVarDesc(UINT index, VARDESC** ppVarDesc) override;
    STDMETHODIMP GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames, UINT* pcNames) override;
    STDMETHODIMP GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) override;
    STDMETHODIMP GetImplTypeFlags(UINT index, INT* pImplTypeFlags) override;
    STDMETHODIMP GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) override;
    STDMETHODIMP Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
    STDMETHODIMP GetDocumentation(MEMBERID memid, BSTR* pBstrName, BSTR* pBstrDocString,
                                  DWORD* pdwHelpContext, BSTR* pBstrHelpFile) override;
    STDMETHODIMP GetDllEntry(MEMBERID memid, INVOKEKIND invKind, BSTR* pBstrDllName, BSTR* pBstrName,
                             WORD* pwOrdinal) override;
    STDMETHODIMP GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) override;
    STDMETHODIMP AddressOfMember(MEMBERID memid, INVOKEKIND invKind, PVOID* ppv) override;
    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, PVOID* ppvObj) override;
    STDMETHODIMP GetMops(MEMBERID memid, BSTR* pBstrMops) override;
    STDMETHODIMP GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) override;
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* pTypeAttr) override;
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* pFuncDesc) override;
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* pVarDesc) override;

private:
    virtual ~CTypeInfoProxy();
    ITypeInfo* m_pReal;
    bool m_bIsRef = false;
};
