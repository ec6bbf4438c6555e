// IDispatch implemented over a type library: the dispatch side of a dual
// interface is served by the interface's own type information.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

// The type information of one interface of a type library, loaded on first
// use: from the registration of the library (LoadRegTypeLib) or, when it is
// not registered, from the executable's own TYPELIB resource 1.
class CComTypeInfoHolder {
public:
    CComTypeInfoHolder(const IID* piid, const GUID* plibid, WORD wMajor, WORD wMinor)
        : m_piid(piid), m_plibid(plibid), m_wMajor(wMajor), m_wMinor(wMinor) {}
    CComTypeInfoHolder(const CComTypeInfoHolder&) = delete;
    CComTypeInfoHolder& operator=(const CComTypeInfoHolder&) = delete;

    HRESULT GetTypeInfo(UINT itinfo, LCID lcid, ITypeInfo** pptinfo);
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT cNames, LCID lcid, DISPID* dispids);
    // pThis: the interface pointer whose vtable the type information describes.
    HRESULT Invoke(void* pThis, DISPID dispid, REFIID riid, LCID lcid, WORD wFlags,
                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepinfo, UINT* argerr);

    // Releases the cached type information of every holder (done at exit).
    static void ReleaseAll();

private:
    HRESULT EnsureLoaded();
    void Release();

    const IID* m_piid;
    const GUID* m_plibid;
    WORD m_wMajor;
    WORD m_wMinor;
    ITypeInfo* m_pInfo = nullptr;      // as the library describes the interface (dispatch side of a dual)
    ITypeInfo* m_pVtblInfo = nullptr;  // its vtable side (the same for a plain dispinterface)
    CComTypeInfoHolder* m_pNext = nullptr;
    bool m_bListed = false;
};

template <class I, const IID* piid, const GUID* plibid, WORD wMajor = 1, WORD wMinor = 0>
class IDispatchImpl : public I {
public:
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 1;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT itinfo, LCID lcid, ITypeInfo** pptinfo) override {
        return Holder().GetTypeInfo(itinfo, lcid, pptinfo);
    }
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT cNames, LCID lcid,
                             DISPID* dispids) override {
        return Holder().GetIDsOfNames(riid, names, cNames, lcid, dispids);
    }
    STDMETHOD(Invoke)(DISPID dispid, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* excepinfo, UINT* argerr) override {
        return Holder().Invoke(static_cast<I*>(this), dispid, riid, lcid, wFlags, params, result,
                               excepinfo, argerr);
    }

    static CComTypeInfoHolder& Holder() {
        static CComTypeInfoHolder holder(piid, plibid, wMajor, wMinor);
        return holder;
    }
};
