// The types kept per client: wrapping objects count every call that the
// capture makes into a client's objects, by kind, for the first and the
// later calls of one client, and the records stay the same call for call.
#include "TestObjects.h"
#include <cstdio>
#include <map>
#include <string>
#include "server/capture/ObjTable.h"
#include "server/capture/TypeCache.h"

namespace {

// Counts by method name; wrappers by the object they wrap, so that an
// object keeps one identity (one key) across calls.
struct CWrapWorld {
    std::map<std::string, int> counts;
    std::map<IUnknown*, IUnknown*> wrappers;   // real -> wrapper (one reference held)
    void Count(const char* psz) { ++counts[psz]; }
    IDispatch* WrapDisp(IDispatch* pReal);
    ITypeInfo* WrapInfo(ITypeInfo* pReal, bool bSelfBase = false);
    IEnumVARIANT* WrapEnum(IEnumVARIANT* pReal);
    void WrapValue(VARIANT* p)
    {
        if (p->vt == VT_DISPATCH && p->pdispVal) {
            IDispatch* w = WrapDisp(p->pdispVal);
            p->pdispVal->Release();
            p->pdispVal = w;
        }
    }
    ~CWrapWorld()
    {
        for (auto& kv : wrappers)
            kv.second->Release();
    }
    // The calls that reach the client (reference counting and the release
    // of descriptions stay in the caller's process).
    int Remote() const
    {
        int n = 0;
        for (auto& kv : counts)
            if (kv.first != "AddRef" && kv.first != "Release" && kv.first.rfind("Release", 0) != 0)
                n += kv.second;
        return n;
    }
    int Of(const char* psz) const
    {
        auto it = counts.find(psz);
        return it == counts.end() ? 0 : it->second;
    }
    std::string Text() const
    {
        std::string s;
        for (auto& kv : counts)
            if (kv.first != "AddRef" && kv.first != "Release")
                s += kv.first + "=" + std::to_string(kv.second) + " ";
        return s;
    }
};

template <class I>
struct CWrapBase : I {
    CWrapWorld& world;
    I* pReal;
    LONG cRef = 1;
    CWrapBase(CWrapWorld& w, I* p) : world(w), pReal(p) { pReal->AddRef(); }
    virtual ~CWrapBase() { pReal->Release(); }
    STDMETHODIMP_(ULONG) AddRef() override { world.Count("AddRef"); return (ULONG)++cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        world.Count("Release");
        const LONG n = --cRef;
        if (n == 0)
            delete this;
        return (ULONG)n;
    }
};

struct CWrapInfo : CWrapBase<ITypeInfo> {
    bool bSelfBase;
    bool bNoLibrary = false;   // as a script engine's type of one script object
    CWrapInfo(CWrapWorld& w, ITypeInfo* p, bool bSelf) : CWrapBase(w, p), bSelfBase(bSelf) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        world.Count("QueryInterface");
        if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
            *ppv = static_cast<ITypeInfo*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP GetTypeAttr(TYPEATTR** pp) override { world.Count("GetTypeAttr"); return pReal->GetTypeAttr(pp); }
    STDMETHODIMP GetTypeComp(ITypeComp** pp) override { world.Count("GetTypeComp"); return pReal->GetTypeComp(pp); }
    STDMETHODIMP GetFuncDesc(UINT i, FUNCDESC** pp) override { world.Count("GetFuncDesc"); return pReal->GetFuncDesc(i, pp); }
    STDMETHODIMP GetVarDesc(UINT i, VARDESC** pp) override { world.Count("GetVarDesc"); return pReal->GetVarDesc(i, pp); }
    STDMETHODIMP GetNames(MEMBERID id, BSTR* p, UINT c, UINT* pc) override
    {
        world.Count("GetNames");
        return pReal->GetNames(id, p, c, pc);
    }
    STDMETHODIMP GetRefTypeOfImplType(UINT i, HREFTYPE* p) override
    {
        world.Count("GetRefTypeOfImplType");
        if (bSelfBase) {
            *p = 0x5e1f;
            return S_OK;
        }
        return pReal->GetRefTypeOfImplType(i, p);
    }
    STDMETHODIMP GetImplTypeFlags(UINT i, INT* p) override { world.Count("GetImplTypeFlags"); return pReal->GetImplTypeFlags(i, p); }
    STDMETHODIMP GetIDsOfNames(LPOLESTR* n, UINT c, MEMBERID* p) override
    {
        world.Count("ITypeInfo::GetIDsOfNames");
        return pReal->GetIDsOfNames(n, c, p);
    }
    STDMETHODIMP Invoke(PVOID pv, MEMBERID id, WORD f, DISPPARAMS* dp, VARIANT* r, EXCEPINFO* e, UINT* a) override
    {
        world.Count("ITypeInfo::Invoke");
        return pReal->Invoke(pv, id, f, dp, r, e, a);
    }
    STDMETHODIMP GetDocumentation(MEMBERID id, BSTR* a, BSTR* b, DWORD* c, BSTR* d) override
    {
        world.Count("GetDocumentation");
        return pReal->GetDocumentation(id, a, b, c, d);
    }
    STDMETHODIMP GetDllEntry(MEMBERID id, INVOKEKIND k, BSTR* a, BSTR* b, WORD* c) override
    {
        world.Count("GetDllEntry");
        return pReal->GetDllEntry(id, k, a, b, c);
    }
    STDMETHODIMP GetRefTypeInfo(HREFTYPE h, ITypeInfo** pp) override
    {
        world.Count("GetRefTypeInfo");
        if (bSelfBase) {
            AddRef();
            *pp = this;
            return S_OK;
        }
        ITypeInfo* p = nullptr;
        HRESULT hr = pReal->GetRefTypeInfo(h, &p);
        *pp = nullptr;
        if (SUCCEEDED(hr) && p) {
            *pp = world.WrapInfo(p);
            p->Release();
        }
        return hr;
    }
    STDMETHODIMP AddressOfMember(MEMBERID id, INVOKEKIND k, PVOID* p) override
    {
        world.Count("AddressOfMember");
        return pReal->AddressOfMember(id, k, p);
    }
    STDMETHODIMP CreateInstance(IUnknown* o, REFIID r, PVOID* p) override
    {
        world.Count("CreateInstance");
        return pReal->CreateInstance(o, r, p);
    }
    STDMETHODIMP GetMops(MEMBERID id, BSTR* p) override { world.Count("GetMops"); return pReal->GetMops(id, p); }
    STDMETHODIMP GetContainingTypeLib(ITypeLib** pp, UINT* pi) override
    {
        world.Count("GetContainingTypeLib");
        if (bNoLibrary) {
            *pp = nullptr;
            return E_NOTIMPL;
        }
        return pReal->GetContainingTypeLib(pp, pi);
    }
    STDMETHODIMP_(void) ReleaseTypeAttr(TYPEATTR* p) override { world.Count("ReleaseTypeAttr"); pReal->ReleaseTypeAttr(p); }
    STDMETHODIMP_(void) ReleaseFuncDesc(FUNCDESC* p) override { world.Count("ReleaseFuncDesc"); pReal->ReleaseFuncDesc(p); }
    STDMETHODIMP_(void) ReleaseVarDesc(VARDESC* p) override { world.Count("ReleaseVarDesc"); pReal->ReleaseVarDesc(p); }
};

struct CWrapEnum : CWrapBase<IEnumVARIANT> {
    using CWrapBase::CWrapBase;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        world.Count("QueryInterface");
        if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
            *ppv = static_cast<IEnumVARIANT*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP Next(ULONG c, VARIANT* v, ULONG* pc) override
    {
        world.Count("Next");
        HRESULT hr = pReal->Next(c, v, pc);
        if (hr == S_OK)
            for (ULONG i = 0; i < c; ++i)
                world.WrapValue(&v[i]);
        return hr;
    }
    STDMETHODIMP Skip(ULONG c) override { world.Count("Skip"); return pReal->Skip(c); }
    STDMETHODIMP Reset() override { world.Count("Reset"); return pReal->Reset(); }
    STDMETHODIMP Clone(IEnumVARIANT** pp) override { world.Count("Clone"); *pp = nullptr; return E_NOTIMPL; }
};

struct CWrapDisp : CWrapBase<IDispatch> {
    using CWrapBase::CWrapBase;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        world.Count("QueryInterface");
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* p) override { world.Count("GetTypeInfoCount"); return pReal->GetTypeInfoCount(p); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID lcid, ITypeInfo** pp) override
    {
        world.Count("GetTypeInfo");
        ITypeInfo* p = nullptr;
        HRESULT hr = pReal->GetTypeInfo(i, lcid, &p);
        *pp = nullptr;
        if (SUCCEEDED(hr) && p) {
            *pp = world.WrapInfo(p);
            p->Release();
        }
        return hr;
    }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* p) override
    {
        world.Count("GetIDsOfNames");
        return pReal->GetIDsOfNames(r, n, c, l, p);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID r, LCID l, WORD f, DISPPARAMS* dp, VARIANT* res, EXCEPINFO* e,
                        UINT* a) override
    {
        world.Count("Invoke");
        HRESULT hr = pReal->Invoke(id, r, l, f, dp, res, e, a);
        if (SUCCEEDED(hr) && res) {
            if (id == DISPID_NEWENUM && (res->vt == VT_UNKNOWN || res->vt == VT_DISPATCH) && res->punkVal) {
                IEnumVARIANT* pEnum = nullptr;
                if (SUCCEEDED(res->punkVal->QueryInterface(IID_IEnumVARIANT, (void**)&pEnum))) {
                    res->punkVal->Release();
                    res->vt = VT_UNKNOWN;
                    res->punkVal = world.WrapEnum(pEnum);
                    pEnum->Release();
                }
            } else {
                world.WrapValue(res);
            }
        }
        return hr;
    }
};

template <class W, class I>
I* Wrap(CWrapWorld& w, I* pReal, W* (*make)(CWrapWorld&, I*))
{
    auto it = w.wrappers.find(pReal);
    if (it != w.wrappers.end()) {
        it->second->AddRef();
        return static_cast<I*>(static_cast<W*>(it->second));
    }
    W* p = make(w, pReal);
    w.wrappers[pReal] = p;   // the world's reference
    p->AddRef();
    return p;
}

IDispatch* CWrapWorld::WrapDisp(IDispatch* pReal)
{
    return Wrap<CWrapDisp, IDispatch>(*this, pReal, [](CWrapWorld& w, IDispatch* p) { return new CWrapDisp(w, p); });
}

ITypeInfo* CWrapWorld::WrapInfo(ITypeInfo* pReal, bool bSelfBase)
{
    auto it = wrappers.find(pReal);
    if (it != wrappers.end()) {
        it->second->AddRef();
        return static_cast<CWrapInfo*>(it->second);
    }
    CWrapInfo* p = new CWrapInfo(*this, pReal, bSelfBase);
    wrappers[pReal] = p;
    p->AddRef();
    return p;
}

IEnumVARIANT* CWrapWorld::WrapEnum(IEnumVARIANT* pReal)
{
    // A fresh enumerator for every answer: its position is its own.
    return new CWrapEnum(*this, pReal);
}

// The whole tree as text, one line per node with its depth, kind and load bits.
void TreeText(const CLogNode* p, int nDepth, std::wstring& s)
{
    for (; p; p = p->m_pNext) {
        s += std::to_wstring(nDepth) + L" " + ChainText(p).substr(0, ChainText(p).find(L'\n'));
        if (p->m_pEntry)
            s += L" " + std::to_wstring(p->m_pEntry->m_flags & 0x1FFF) + L" " +
                 std::to_wstring((unsigned long long)p->m_pEntry->m_key);
        s += L"\n";
        TreeText(p->m_pChildren, nDepth + 1, s);
    }
}

struct CRun {
    std::wstring text;
    std::map<std::string, int> counts;
    int nRemote;
    std::string summary;
};

// One call of client nClient: Tr "x", Array("d", pDisp).
CRun CaptureCall(CWrapWorld& w, IDispatch* pDisp, UINT nClient)
{
    w.counts.clear();
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0] = VStr(L"d");
    e[1] = VDisp(pDisp);
    pDisp->AddRef();
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    CRun run;
    {
        CObjTable table(nClient);
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        TreeText(pTree, 1, run.text);
        FreeNodeTree(pTree);
    }
    SafeArrayDestroy(psa);
    run.counts = w.counts;
    run.nRemote = w.Remote();
    run.summary = w.Text();
    return run;
}

IDispatch* MakeDictionary(int nItems)
{
    CLSID clsid;
    IDispatch* pDict = nullptr;
    if (FAILED(CLSIDFromProgID(L"Scripting.Dictionary", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, (void**)&pDict)))
        return nullptr;
    LPOLESTR add = const_cast<LPOLESTR>(L"Add");
    DISPID idAdd;
    pDict->GetIDsOfNames(IID_NULL, &add, 1, 0, &idAdd);
    for (int i = 0; i < nItems; ++i) {
        VARIANT args[2];   // reverse order: item, key
        args[1] = VStr((L"k" + std::to_wstring(i)).c_str());
        args[0] = VStr(L"v");
        DISPPARAMS dp = { args, nullptr, 2, 0 };
        pDict->Invoke(idAdd, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr);
        VariantClear(&args[0]);
        VariantClear(&args[1]);
    }
    return pDict;
}

const char* const kWalkCalls[] = { "GetFuncDesc", "GetVarDesc", "GetNames", "GetDocumentation",
                                   "GetRefTypeOfImplType", "GetRefTypeInfo" };

} // namespace

class TypeCache : public CaptureTest {
protected:
    void TearDown() override
    {
        CClientTypes::ForgetAll();
        CaptureTest::TearDown();
    }
};

// Per shape: the first call of a client walks the type, its later calls do
// not; everything else is read again, and the records are the same as those
// of a call that keeps nothing.
TEST_F(TypeCache, LaterCallsOfAClientSkipTheTypeWalk)
{
    ITypeInfo* pDerived = TestTypeInfo(IID_ITestDerived);
    ASSERT_NE(nullptr, pDerived);
    CTestDisp lib(pDerived);
    for (DISPID id = 30; id <= 33; ++id)
        lib.OnLong(id, id);
    lib.OnObject(34, nullptr);
    IDispatch* pDict1 = MakeDictionary(1);
    IDispatch* pDict100 = MakeDictionary(100);
    ASSERT_NE(nullptr, pDict1);
    ASSERT_NE(nullptr, pDict100);
    struct {
        const char* label;
        IDispatch* pReal;
        int nNext;   // Next calls in every call: one per item and the one that ends
    } shapes[] = {
        { "dictionary of 1", pDict1, 2 },
        { "dictionary of 100", pDict100, 100 },   // the item limit ends it
        { "test library object", &lib, 0 },
    };
    const UINT nClient = 7;
    for (auto& sh : shapes) {
        SCOPED_TRACE(sh.label);
        CWrapWorld w;
        IDispatch* pDisp = w.WrapDisp(sh.pReal);
        CRun plain = CaptureCall(w, pDisp, 0);   // a table of no client: walks every time
        CClientTypes::Connected(nClient);
        CRun first = CaptureCall(w, pDisp, nClient);
        CRun later = CaptureCall(w, pDisp, nClient);
        CRun again = CaptureCall(w, pDisp, nClient);
        printf("[ counts ] %s, keeping nothing: %d calls (%s)\n", sh.label, plain.nRemote, plain.summary.c_str());
        printf("[ counts ] %s, first call: %d calls (%s)\n", sh.label, first.nRemote, first.summary.c_str());
        printf("[ counts ] %s, later call: %d calls (%s)\n", sh.label, later.nRemote, later.summary.c_str());
        EXPECT_EQ(plain.text, first.text);
        EXPECT_EQ(plain.text, later.text);
        EXPECT_FALSE(later.text.empty());
        for (const char* k : kWalkCalls) {
            EXPECT_EQ(0, later.counts[k]) << k;
            EXPECT_EQ(plain.counts[k], first.counts[k]) << k;
        }
        EXPECT_GT(first.counts["GetFuncDesc"], 0);
        EXPECT_EQ(plain.counts["Invoke"], later.counts["Invoke"]);
        EXPECT_EQ(sh.nNext, later.counts["Next"]);
        EXPECT_EQ(plain.counts["Next"], later.counts["Next"]);
        EXPECT_EQ(plain.counts["GetTypeInfo"], later.counts["GetTypeInfo"]);
        EXPECT_EQ(later.summary, again.summary);
        EXPECT_EQ(1u, CClientTypes::TypeCount(nClient));

        // Gone with the client: its next life walks again.
        CClientTypes::Disconnected(nClient);
        EXPECT_EQ(0u, CClientTypes::TypeCount(nClient));
        CClientTypes::Connected(nClient);
        CRun reborn = CaptureCall(w, pDisp, nClient);
        EXPECT_EQ(first.summary, reborn.summary);
        // Release Memory and the emptied log drop every client's types.
        CClientTypes::ForgetAll();
        CRun emptied = CaptureCall(w, pDisp, nClient);
        EXPECT_EQ(first.summary, emptied.summary);
        CClientTypes::Disconnected(nClient);
        pDisp->Release();
    }
    pDict1->Release();
    pDict100->Release();
    EXPECT_EQ(1, lib.Refs());
    pDerived->Release();
}

// What a kept type is known by: a type without a GUID is walked in every
// call; two client objects that hold one id (ids repeat after the log was
// emptied under connected clients) share nothing.
TEST_F(TypeCache, TypesWithoutGuidAndSharedIdsAreWalkedEveryTime)
{
    ITypeInfo* pDyn = MakeDynamicTypeInfo({ { false, L"Value", 1 } });
    ASSERT_NE(nullptr, pDyn);
    CTestDisp dyn(pDyn);
    dyn.OnLong(1, 5);
    ITypeInfo* pDerived = TestTypeInfo(IID_ITestDerived);
    CTestDisp lib(pDerived);
    lib.OnObject(34, nullptr);
    CWrapWorld w;
    IDispatch* pDyn1 = w.WrapDisp(&dyn);
    IDispatch* pLib1 = w.WrapDisp(&lib);
    const UINT nClient = 9;
    CClientTypes::Connected(nClient);
    CaptureCall(w, pDyn1, nClient);
    EXPECT_GT(CaptureCall(w, pDyn1, nClient).counts["GetFuncDesc"], 0) << "no GUID: walked again";
    EXPECT_EQ(0u, CClientTypes::TypeCount(nClient));

    CClientTypes::Connected(nClient);   // a second object with the same id
    CaptureCall(w, pLib1, nClient);
    EXPECT_GT(CaptureCall(w, pLib1, nClient).counts["GetFuncDesc"], 0) << "a shared id keeps nothing";
    CClientTypes::Disconnected(nClient);
    CaptureCall(w, pLib1, nClient);
    EXPECT_EQ(0, CaptureCall(w, pLib1, nClient).counts["GetFuncDesc"]) << "one holder again";
    CClientTypes::Disconnected(nClient);
    pDyn1->Release();
    pLib1->Release();
    pDyn->Release();
    pDerived->Release();
}

// Script engines give every script object a type of one GUID, with that
// object's own members and no type library: such types are walked anew.
TEST_F(TypeCache, TypesOfOneGuidOutsideATypeLibraryAreNotKept)
{
    static const GUID kShared = { 0x6c1c3b7a, 0x2e1f, 0x4c55, { 0x9a, 0x55, 0x0b, 0x7c, 0x1b, 0x1d, 0x0a, 0x7f } };
    ITypeInfo* pA = MakeDynamicTypeInfo({ { true, L"alpha", 1 } }, &kShared);
    ITypeInfo* pB = MakeDynamicTypeInfo({ { true, L"beta", 1 } }, &kShared);
    ASSERT_NE(nullptr, pA);
    ASSERT_NE(nullptr, pB);
    CWrapWorld w;
    ITypeInfo* pWrapA = w.WrapInfo(pA);
    ITypeInfo* pWrapB = w.WrapInfo(pB);
    static_cast<CWrapInfo*>(pWrapA)->bNoLibrary = true;
    static_cast<CWrapInfo*>(pWrapB)->bNoLibrary = true;
    CTestDisp a(pWrapA), b(pWrapB);
    a.OnLong(1, 1);
    b.OnLong(1, 2);
    const UINT nClient = 11;
    CClientTypes::Connected(nClient);
    CRun runA = CaptureCall(w, &a, nClient);
    CRun runB = CaptureCall(w, &b, nClient);
    EXPECT_NE(std::wstring::npos, runA.text.find(L"alpha|"));
    EXPECT_NE(std::wstring::npos, runB.text.find(L"beta|")) << "its own members, not those of the first";
    EXPECT_EQ(0u, CClientTypes::TypeCount(nClient));
    EXPECT_EQ(0, CaptureCall(w, &b, nClient).counts["GetContainingTypeLib"]) << "asked once per key";
    CClientTypes::Disconnected(nClient);
    pWrapA->Release();
    pWrapB->Release();
    pA->Release();
    pB->Release();
}

// A type that names itself as its base: the walk ends where it began and
// every reference that GetRefTypeInfo handed out comes back.
TEST_F(TypeCache, BaseTypeWalkBackToItselfGivesBackItsReferences)
{
    ITypeInfo* pDerived = TestTypeInfo(IID_ITestDerived);
    ASSERT_NE(nullptr, pDerived);
    CWrapWorld w;
    ITypeInfo* pSelf = w.WrapInfo(pDerived, true);
    CTestDisp obj(pSelf);
    for (DISPID id = 30; id <= 33; ++id)
        obj.OnLong(id, id);
    obj.OnObject(34, nullptr);
    CWrapInfo* pWrap = static_cast<CWrapInfo*>(pSelf);
    const LONG refs = pWrap->cRef;
    {
        CObjTable table;
        VARIANT v = VDisp(&obj);
        table.RegisterValue(&v, FALSE);
        CObjRecord* pRec = table.FindOrCreateDispatch((DWORD_PTR)(IDispatch*)&obj, 100);
        ASSERT_NE(nullptr, pRec);
        EXPECT_EQ(L"DerivedValue,Next,Twin", Names(pRec->m_pMembers));
        EXPECT_EQ(2, w.Of("GetRefTypeInfo")) << "one step per kind of member, then it ends";
    }
    EXPECT_EQ(refs, pWrap->cRef);
    pSelf->Release();
    pDerived->Release();
}
