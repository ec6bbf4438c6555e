// The counting wrappers of the trace benchmark.
#include "bench/support/CountingObjects.h"

#include "bench/support/BenchUnknown.h"

#include <ocidl.h>

#include <cstdio>

namespace counting {

// Not in the import libraries of the cross compiler.
const IID kIidDispatchEx = {0xa6ef9860, 0xc720, 0x11d0, {0x93, 0x37, 0x00, 0xa0, 0xc9, 0x0d, 0xca, 0xa9}};

std::string IidName(REFIID riid) {
    static const struct { const IID* piid; const char* name; } known[] = {
        {&IID_IUnknown, "IUnknown"},       {&IID_IDispatch, "IDispatch"},
        {&kIidDispatchEx, "IDispatchEx"}, {&IID_IEnumVARIANT, "IEnumVARIANT"},
        {&IID_ITypeInfo, "ITypeInfo"},     {&IID_ITypeInfo2, "ITypeInfo2"},
        {&IID_IMarshal, "IMarshal"},       {&IID_IStdMarshalInfo, "IStdMarshalInfo"},
        {&IID_IExternalConnection, "IExternalConnection"}, {&IID_IProvideClassInfo, "IProvideClassInfo"},
        {&IID_INoMarshal, "INoMarshal"},   {&IID_IAgileObject, "IAgileObject"},
        {&IID_IMarshal2, "IMarshal2"},     {&IID_IRpcOptions, "IRpcOptions"},
        {&IID_IClientSecurity, "IClientSecurity"}, {&IID_IConnectionPointContainer, "IConnectionPointContainer"},
    };
    for (const auto& k : known)
        if (riid == *k.piid) return k.name;
    wchar_t buf[64];
    StringFromGUID2(riid, buf, 64);
    char out[64];
    WideCharToMultiByte(CP_ACP, 0, buf, -1, out, 64, nullptr, nullptr);
    return out;
}

// Counted under "<interface>::<method>".
#define ZV_COUNT(what) (++(*m_pCounts)[what])

// A counting wrapper T of the interface I (id *piid) of an inner object,
// which it holds a reference to; T::kName names the interface in the counts.
template <class T, class I, const IID* piid>
class CCounting : public CBenchUnknown<T, I, piid> {
public:
    CCounting(I* p, CCallCounts* c) : m_p(p), m_pCounts(c) { m_p->AddRef(); }
    ~CCounting() { m_p->Release(); }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        ZV_COUNT(std::string(T::kName) + "::QueryInterface " + IidName(riid));
        return CBenchUnknown<T, I, piid>::QueryInterface(riid, ppv);
    }

protected:
    // What an inner call handed out in p, in a counting wrapper W that
    // takes p's reference over; hr passes through. (The inner call is made
    // before, not in the argument list: p must be read after it.)
    template <class W, class J>
    HRESULT HandOut(HRESULT hr, J* p, J** pp) {
        *pp = SUCCEEDED(hr) && p ? new W(p, m_pCounts) : nullptr;
        if (p) p->Release();
        return hr;
    }

    I* m_p;
    CCallCounts* m_pCounts;
};

class CEnum final : public CCounting<CEnum, IEnumVARIANT, &IID_IEnumVARIANT> {
public:
    static constexpr const char* kName = "IEnumVARIANT";
    using CCounting::CCounting;
    STDMETHODIMP Next(ULONG celt, VARIANT* rgVar, ULONG* pFetched) override {
        ZV_COUNT("IEnumVARIANT::Next");
        return m_p->Next(celt, rgVar, pFetched);
    }
    STDMETHODIMP Skip(ULONG celt) override {
        ZV_COUNT("IEnumVARIANT::Skip");
        return m_p->Skip(celt);
    }
    STDMETHODIMP Reset() override {
        ZV_COUNT("IEnumVARIANT::Reset");
        return m_p->Reset();
    }
    STDMETHODIMP Clone(IEnumVARIANT** pp) override {
        ZV_COUNT("IEnumVARIANT::Clone");
        IEnumVARIANT* p = nullptr;
        const HRESULT hr = m_p->Clone(&p);
        return HandOut<CEnum>(hr, p, pp);
    }
};

class CTypeInfo final : public CCounting<CTypeInfo, ITypeInfo, &IID_ITypeInfo> {
public:
    static constexpr const char* kName = "ITypeInfo";
    using CCounting::CCounting;
    STDMETHODIMP GetTypeAttr(TYPEATTR** pp) override { ZV_COUNT("ITypeInfo::GetTypeAttr"); return m_p->GetTypeAttr(pp); }
    STDMETHODIMP GetTypeComp(ITypeComp** pp) override { ZV_COUNT("ITypeInfo::GetTypeComp"); return m_p->GetTypeComp(pp); }
    STDMETHODIMP GetFuncDesc(UINT i, FUNCDESC** pp) override { ZV_COUNT("ITypeInfo::GetFuncDesc"); return m_p->GetFuncDesc(i, pp); }
    STDMETHODIMP GetVarDesc(UINT i, VARDESC** pp) override { ZV_COUNT("ITypeInfo::GetVarDesc"); return m_p->GetVarDesc(i, pp); }
    STDMETHODIMP GetNames(MEMBERID id, BSTR* names, UINT max, UINT* pn) override {
        ZV_COUNT("ITypeInfo::GetNames");
        return m_p->GetNames(id, names, max, pn);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT i, HREFTYPE* p) override {
        ZV_COUNT("ITypeInfo::GetRefTypeOfImplType");
        return m_p->GetRefTypeOfImplType(i, p);
    }
    STDMETHODIMP GetImplTypeFlags(UINT i, INT* p) override {
        ZV_COUNT("ITypeInfo::GetImplTypeFlags");
        return m_p->GetImplTypeFlags(i, p);
    }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* names, UINT n, MEMBERID* ids) override {
        ZV_COUNT("ITypeInfo::GetIDsOfNames");
        return m_p->GetIDsOfNames(names, n, ids);
    }
    STDMETHODIMP Invoke(PVOID pv, MEMBERID id, WORD f, DISPPARAMS* dp, VARIANT* r, EXCEPINFO* e, UINT* a) override {
        ZV_COUNT("ITypeInfo::Invoke");
        return m_p->Invoke(pv, id, f, dp, r, e, a);
    }
    STDMETHODIMP GetDocumentation(MEMBERID id, BSTR* n, BSTR* d, DWORD* c, BSTR* h) override {
        ZV_COUNT("ITypeInfo::GetDocumentation");
        return m_p->GetDocumentation(id, n, d, c, h);
    }
    STDMETHODIMP GetDllEntry(MEMBERID id, INVOKEKIND k, BSTR* d, BSTR* n, WORD* o) override {
        ZV_COUNT("ITypeInfo::GetDllEntry");
        return m_p->GetDllEntry(id, k, d, n, o);
    }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE h, ITypeInfo** pp) override {
        ZV_COUNT("ITypeInfo::GetRefTypeInfo");
        ITypeInfo* p = nullptr;
        const HRESULT hr = m_p->GetRefTypeInfo(h, &p);
        return HandOut<CTypeInfo>(hr, p, pp);
    }
    STDMETHODIMP AddressOfMember(MEMBERID id, INVOKEKIND k, PVOID* pp) override {
        ZV_COUNT("ITypeInfo::AddressOfMember");
        return m_p->AddressOfMember(id, k, pp);
    }
    STDMETHODIMP CreateInstance(IUnknown* o, REFIID riid, PVOID* pp) override {
        ZV_COUNT("ITypeInfo::CreateInstance");
        return m_p->CreateInstance(o, riid, pp);
    }
    STDMETHODIMP GetMops(MEMBERID id, BSTR* p) override { ZV_COUNT("ITypeInfo::GetMops"); return m_p->GetMops(id, p); }
    STDMETHODIMP GetContainingTypeLib(ITypeLib** pp, UINT* pi) override {
        ZV_COUNT("ITypeInfo::GetContainingTypeLib");
        return m_p->GetContainingTypeLib(pp, pi);
    }
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* p) override { ZV_COUNT("ITypeInfo::ReleaseTypeAttr"); m_p->ReleaseTypeAttr(p); }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* p) override { ZV_COUNT("ITypeInfo::ReleaseFuncDesc"); m_p->ReleaseFuncDesc(p); }
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* p) override { ZV_COUNT("ITypeInfo::ReleaseVarDesc"); m_p->ReleaseVarDesc(p); }
};

class CDisp final : public CCounting<CDisp, IDispatch, &IID_IDispatch> {
public:
    static constexpr const char* kName = "IDispatch";
    using CCounting::CCounting;
    STDMETHODIMP GetTypeInfoCount(UINT* p) override { ZV_COUNT("IDispatch::GetTypeInfoCount"); return m_p->GetTypeInfoCount(p); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID lcid, ITypeInfo** pp) override {
        ZV_COUNT("IDispatch::GetTypeInfo");
        ITypeInfo* p = nullptr;
        const HRESULT hr = m_p->GetTypeInfo(i, lcid, &p);
        return HandOut<CTypeInfo>(hr, p, pp);
    }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT n, LCID lcid, DISPID* ids) override {
        ZV_COUNT("IDispatch::GetIDsOfNames");
        return m_p->GetIDsOfNames(riid, names, n, lcid, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD f, DISPPARAMS* dp, VARIANT* r, EXCEPINFO* e,
                        UINT* a) override {
        ZV_COUNT("IDispatch::Invoke " + MemberName(id));
        HRESULT hr = m_p->Invoke(id, riid, lcid, f, dp, r, e, a);
        if (SUCCEEDED(hr) && r && (V_VT(r) == VT_UNKNOWN || V_VT(r) == VT_DISPATCH) && V_UNKNOWN(r)) {
            // What the object hands out is counted too.
            IUnknown* pUnk = V_UNKNOWN(r);
            IEnumVARIANT* pEnum = nullptr;
            IDispatch* pDisp = nullptr;
            if (id == DISPID_NEWENUM && SUCCEEDED(pUnk->QueryInterface(IID_IEnumVARIANT, (void**)&pEnum))) {
                pUnk->Release();
                V_VT(r) = VT_UNKNOWN;
                V_UNKNOWN(r) = new CEnum(pEnum, m_pCounts);
                pEnum->Release();
            } else if (V_VT(r) == VT_DISPATCH && SUCCEEDED(pUnk->QueryInterface(IID_IDispatch, (void**)&pDisp))) {
                pUnk->Release();
                V_DISPATCH(r) = new CDisp(pDisp, m_pCounts);
                pDisp->Release();
            }
        }
        return hr;
    }

private:
    std::string MemberName(DISPID id) {
        if (id == DISPID_NEWENUM) return "_NewEnum";
        if (id == DISPID_VALUE) return "(value)";
        ITypeInfo* pInfo = nullptr;
        std::string name = std::to_string(id);
        if (SUCCEEDED(m_p->GetTypeInfo(0, 0, &pInfo)) && pInfo) {
            BSTR b = nullptr;
            if (SUCCEEDED(pInfo->GetDocumentation(id, &b, nullptr, nullptr, nullptr)) && b) {
                char out[128];
                WideCharToMultiByte(CP_ACP, 0, b, -1, out, 128, nullptr, nullptr);
                name = out;
                SysFreeString(b);
            }
            pInfo->Release();
        }
        return name;
    }
};

#undef ZV_COUNT

}  // namespace counting

IDispatch* WrapCounting(IDispatch* pInner, CCallCounts* pCounts) { return new counting::CDisp(pInner, pCounts); }
