// COM objects: IDispatch over the type library, the class factory with
// aggregation, FinalConstruct/FinalRelease and the module's lock count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Zavetra_h.h"
#include "framework/com/ComObject.h"
#include "framework/com/Dispatch.h"

namespace {

// What the test objects saw.
struct Calls {
    std::vector<std::wstring> log;
    int finalConstructs = 0;
    int finalReleases = 0;
    HRESULT finalConstructResult = S_OK;
    HRESULT traceResult = S_OK;
};
Calls g_calls;

std::wstring VariantText(const VARIANT& v) {
    VARIANT t;
    VariantInit(&t);
    if (V_VT(&v) & VT_ARRAY) return L"array";
    if (FAILED(VariantChangeType(&t, const_cast<VARIANT*>(&v), VARIANT_ALPHABOOL, VT_BSTR))) return L"?";
    std::wstring s = V_BSTR(&t);
    VariantClear(&t);
    return s;
}

class CTestConnect : public CComObjectRootEx<CComSingleThreadModel>,
                     public CComCoClass<CTestConnect, &CLSID_Connect>,
                     public IDispatchImpl<IConnect, &IID_IConnect, &LIBID_ZavetraLib, 1, 0> {
public:
    BEGIN_COM_MAP(CTestConnect)
        COM_INTERFACE_ENTRY(IConnect)
        COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    HRESULT FinalConstruct() {
        ++g_calls.finalConstructs;
        // An AddRef/Release pair here must not destroy the object.
        IUnknown* p = GetUnknown();
        p->AddRef();
        p->Release();
        return g_calls.finalConstructResult;
    }
    void FinalRelease() { ++g_calls.finalReleases; }

    STDMETHOD(Trace)(BSTR Label, LONG Break, VARIANT ObjectArray) override {
        g_calls.log.push_back(L"Trace(" + std::wstring(Label ? Label : L"<null>") + L"," +
                              std::to_wstring(Break) + L"," + VariantText(ObjectArray) + L")");
        return g_calls.traceResult;
    }
    STDMETHOD(Tr)(BSTR Label, VARIANT ObjectArray) override {
        g_calls.log.push_back(L"Tr(" + std::wstring(Label ? Label : L"<null>") + L"," +
                              VariantText(ObjectArray) + L")");
        return S_OK;
    }
    STDMETHOD(Br)(BSTR Label, VARIANT ObjectArray) override {
        g_calls.log.push_back(L"Br(" + std::wstring(Label ? Label : L"<null>") + L"," +
                              VariantText(ObjectArray) + L")");
        return S_OK;
    }
};

// A minimal aggregating object: it owns the inner unknown and hands out
// IConnect through it.
class COuter : public IUnknown {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** ppv) override {
        if (InlineIsEqualGUID(riid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        if (inner) return inner->QueryInterface(riid, ppv);
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    LONG refs = 1;
    IUnknown* inner = nullptr;
};

CAtlMfcModule* TestModule() {
    static CAtlMfcModule module(LIBID_ZavetraLib, 0, L"");
    return &module;
}

class ComObjects : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls = Calls();
        module = TestModule();
        module->SetUserControl(true);
        baseLocks = module->GetLockCount();
    }
    void TearDown() override {
        module->SetUserControl(true);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    IClassFactory* Factory() {
        IClassFactory* cf = nullptr;
        EXPECT_EQ(S_OK, CTestConnect::CreateClassObject(IID_IClassFactory, reinterpret_cast<void**>(&cf)));
        return cf;
    }
    CAtlMfcModule* module = nullptr;
    LONG baseLocks = 0;
};

TEST_F(ComObjects, DispatchReachesTheVtableMethods) {
    IClassFactory* cf = Factory();
    IDispatch* disp = nullptr;
    ASSERT_EQ(S_OK, cf->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&disp)));
    cf->Release();

    UINT count = 0;
    EXPECT_EQ(S_OK, disp->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    ITypeInfo* ti = nullptr;
    ASSERT_EQ(S_OK, disp->GetTypeInfo(0, LOCALE_USER_DEFAULT, &ti));
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, ti->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr));
    EXPECT_STREQ(L"IConnect", name);
    SysFreeString(name);
    ti->Release();
    EXPECT_EQ(DISP_E_BADINDEX, disp->GetTypeInfo(1, 0, &ti));

    struct { const wchar_t* name; DISPID id; } names[] = {{L"Trace", 1}, {L"tr", 2}, {L"BR", 3}};
    for (auto& n : names) {
        LPOLESTR s = const_cast<LPOLESTR>(n.name);
        DISPID id = 0;
        EXPECT_EQ(S_OK, disp->GetIDsOfNames(IID_NULL, &s, 1, 0, &id)) << n.name;
        EXPECT_EQ(n.id, id) << n.name;
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Nope");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, disp->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id));

    // Trace("lbl", "7", 42): arguments go in reverse order; the text "7" is
    // coerced to the LONG parameter.
    VARIANT args[3];
    for (auto& a : args) VariantInit(&a);
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = 42;
    V_VT(&args[1]) = VT_BSTR;
    V_BSTR(&args[1]) = SysAllocString(L"7");
    V_VT(&args[2]) = VT_BSTR;
    V_BSTR(&args[2]) = SysAllocString(L"lbl");
    DISPPARAMS dp = {args, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, disp->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
    dp.cArgs = 2;  // Tr("7", 42) and Br("7", 42)
    EXPECT_EQ(S_OK, disp->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
    EXPECT_EQ(S_OK, disp->Invoke(3, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
    ASSERT_EQ(3u, g_calls.log.size());
    EXPECT_EQ(L"Trace(lbl,7,42)", g_calls.log[0]);
    EXPECT_EQ(L"Tr(7,42)", g_calls.log[1]);
    EXPECT_EQ(L"Br(7,42)", g_calls.log[2]);

    // A wrong argument count, an unknown member, a foreign riid.
    dp.cArgs = 1;
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, disp->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
    dp.cArgs = 3;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, disp->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, disp->Invoke(1, IID_IConnect, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr));

    // A failing method reaches the caller as an exception with its HRESULT.
    g_calls.traceResult = RPC_E_DISCONNECTED;
    EXCEPINFO ei = {};
    HRESULT hr = disp->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &dp, &result, &ei, nullptr);
    EXPECT_TRUE(hr == DISP_E_EXCEPTION || hr == RPC_E_DISCONNECTED) << std::hex << hr;
    if (hr == DISP_E_EXCEPTION) {
        EXPECT_EQ(RPC_E_DISCONNECTED, ei.scode);
    }
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrDescription);
    SysFreeString(ei.bstrHelpFile);

    for (auto& a : args) VariantClear(&a);
    EXPECT_EQ(0u, disp->Release());
    EXPECT_EQ(1, g_calls.finalReleases);
}

TEST_F(ComObjects, EveryLiveObjectLocksTheModule) {
    IClassFactory* cf = Factory();
    IConnect* a = nullptr;
    IConnect* b = nullptr;
    ASSERT_EQ(S_OK, cf->CreateInstance(nullptr, IID_IConnect, reinterpret_cast<void**>(&a)));
    EXPECT_EQ(baseLocks + 1, module->GetLockCount());
    ASSERT_EQ(S_OK, cf->CreateInstance(nullptr, IID_IConnect, reinterpret_cast<void**>(&b)));
    EXPECT_EQ(baseLocks + 2, module->GetLockCount());
    EXPECT_EQ(S_OK, cf->LockServer(TRUE));
    EXPECT_EQ(baseLocks + 3, module->GetLockCount());
    EXPECT_EQ(S_OK, cf->LockServer(FALSE));
    a->AddRef();
    a->Release();
    EXPECT_EQ(baseLocks + 2, module->GetLockCount());
    a->Release();
    b->Release();
    EXPECT_EQ(baseLocks, module->GetLockCount());
    cf->Release();
    EXPECT_EQ(2, g_calls.finalReleases);

    // A user-started process goes on when the count falls to 0.
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ComObjects, ProcessStartedByComQuitsWhenTheLastObjectGoes) {
    module->SetUserControl(false);
    IConnect* a = nullptr;
    ASSERT_EQ(S_OK, CTestConnect::CreateInstance(nullptr, &a));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    a->Release();
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ComObjects, RefusedObjectRunsFinalReleaseBeforeCreationReturns) {
    g_calls.finalConstructResult = RPC_E_DISCONNECTED;
    IClassFactory* cf = Factory();
    IConnect* p = reinterpret_cast<IConnect*>(0x1);
    EXPECT_EQ(RPC_E_DISCONNECTED, cf->CreateInstance(nullptr, IID_IConnect, reinterpret_cast<void**>(&p)));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(1, g_calls.finalConstructs);
    EXPECT_EQ(1, g_calls.finalReleases);
    EXPECT_EQ(baseLocks, module->GetLockCount());

    // Refused as an aggregate too.
    COuter outer;
    IUnknown* inner = nullptr;
    EXPECT_EQ(RPC_E_DISCONNECTED, cf->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
    EXPECT_EQ(nullptr, inner);
    EXPECT_EQ(2, g_calls.finalReleases);
    EXPECT_EQ(baseLocks, module->GetLockCount());
    EXPECT_EQ(1, outer.refs);
    cf->Release();
}

TEST_F(ComObjects, ClassFactoryAggregatesUnderAnOuterUnknown) {
    IClassFactory* cf = Factory();
    COuter outer;
    IUnknown* p = nullptr;
    // An aggregating client may ask only for IUnknown.
    EXPECT_EQ(CLASS_E_NOAGGREGATION, cf->CreateInstance(&outer, IID_IConnect, reinterpret_cast<void**>(&p)));
    EXPECT_EQ(nullptr, p);

    ASSERT_EQ(S_OK, cf->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&outer.inner)));
    cf->Release();
    EXPECT_EQ(baseLocks + 1, module->GetLockCount());

    // The inner unknown answers for itself ...
    IUnknown* innerAgain = nullptr;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&innerAgain)));
    EXPECT_EQ(outer.inner, innerAgain);
    innerAgain->Release();

    // ... while its interfaces count on and answer for the outer object.
    IConnect* conn = nullptr;
    ASSERT_EQ(S_OK, outer.QueryInterface(IID_IConnect, reinterpret_cast<void**>(&conn)));
    EXPECT_EQ(2, outer.refs);
    IUnknown* viaConn = nullptr;
    ASSERT_EQ(S_OK, conn->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaConn)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), viaConn);
    EXPECT_EQ(3, outer.refs);
    viaConn->Release();
    EXPECT_EQ(S_OK, conn->Tr(nullptr, VARIANT{}));
    ASSERT_EQ(1u, g_calls.log.size());
    EXPECT_EQ(L"Tr(<null>,)", g_calls.log[0]);
    conn->Release();
    EXPECT_EQ(1, outer.refs);
    EXPECT_EQ(0, g_calls.finalReleases);

    // Releasing the inner unknown destroys the aggregated object.
    EXPECT_EQ(0u, outer.inner->Release());
    outer.inner = nullptr;
    EXPECT_EQ(1, g_calls.finalReleases);
    EXPECT_EQ(baseLocks, module->GetLockCount());
}

TEST_F(ComObjects, RegisteredClassObjectServesLocalServerCreation) {
    module->SetObjectMap(ComObjectEntry<CTestConnect>(0));
    ASSERT_EQ(S_OK, module->RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE));
    IConnect* p = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect,
                                     reinterpret_cast<void**>(&p)));
    BSTR label = SysAllocString(L"x");
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, p->Br(label, v));
    SysFreeString(label);
    p->Release();
    ASSERT_EQ(1u, g_calls.log.size());
    EXPECT_EQ(L"Br(x,)", g_calls.log[0]);
    EXPECT_EQ(S_OK, module->RevokeClassObjects());
    EXPECT_TRUE(FAILED(CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect,
                                        reinterpret_cast<void**>(&p))));
}

}  // namespace
