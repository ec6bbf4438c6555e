// DECIMAL values that cannot be turned into text, handed over by a C++
// client in another process (this executable started with
// --decimal-client): directly, by reference and as a getter's result. Each
// call must return S_OK and get its call line with every other member, the
// invalid value recorded as an error value, and the server must serve the
// call that follows.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Zavetra_h.h"

#include "ScriptHost.h"
#include "common/Variants.h"
#include "mainframe_fakes.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"

namespace {

DECIMAL MakeDecimal(BYTE scale, BYTE sign) {
    DECIMAL d = {};
    d.scale = scale;
    d.sign = sign;
    d.Lo32 = 125;
    return d;
}

// How the client hands the value over.
enum class Form { Value, Reference, Getter };

struct DecimalCall {
    const char* label;
    Form form;
    BYTE scale;
    BYTE sign;
    const wchar_t* text;   // what a valid one reads as; null: invalid
};

const DecimalCall kCalls[] = {
    {"valid", Form::Value, 1, 0, L"12.5"},
    {"scale 255", Form::Value, 255, 0, nullptr},
    {"scale 29", Form::Value, 29, 0, nullptr},
    {"sign 1", Form::Value, 1, 1, nullptr},
    {"by reference", Form::Reference, 255, 0, nullptr},
    {"getter", Form::Getter, 255, 0, nullptr},
};

// Member ids of the client object's getters.
enum : DISPID { ID_Amount = 1, ID_Good = 2 };

// A dispatch type with the getters Amount and Good, built at run time.
ITypeInfo* MakeAmountType() {
    ICreateTypeLib2* pLib = nullptr;
#ifdef _WIN64
    const SYSKIND sys = SYS_WIN64;
#else
    const SYSKIND sys = SYS_WIN32;
#endif
    if (FAILED(::CreateTypeLib2(sys, L"amount.tlb", &pLib))) return nullptr;
    ICreateTypeInfo* pCreate = nullptr;
    if (FAILED(pLib->CreateTypeInfo(const_cast<LPOLESTR>(L"DAmount"), TKIND_DISPATCH, &pCreate))) {
        pLib->Release();
        return nullptr;
    }
    bool ok = true;
    const struct {
        const wchar_t* name;
        DISPID id;
    } getters[] = {{L"Amount", ID_Amount}, {L"Good", ID_Good}};
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC fd = {};
        fd.memid = getters[i].id;
        fd.funckind = FUNC_DISPATCH;
        fd.invkind = INVOKE_PROPERTYGET;
        fd.callconv = CC_STDCALL;
        fd.elemdescFunc.tdesc.vt = VT_VARIANT;
        LPOLESTR name = const_cast<LPOLESTR>(getters[i].name);
        ok = ok && SUCCEEDED(pCreate->AddFuncDesc(i, &fd)) && SUCCEEDED(pCreate->SetFuncAndParamNames(i, &name, 1));
    }
    ITypeInfo* pInfo = nullptr;
    if (ok && SUCCEEDED(pCreate->LayOut())) pCreate->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&pInfo));
    pCreate->Release();
    pLib->Release();
    return pInfo;
}

// The client's object: Amount reads as the DECIMAL, Good as 7.
class CAmountObject final : public IDispatch {
public:
    CAmountObject(ITypeInfo* pInfo, const DECIMAL& d) : m_pInfo(pInfo), m_amount(d) {
        if (m_pInfo) m_pInfo->AddRef();
    }
    ~CAmountObject() {
        if (m_pInfo) m_pInfo->Release();
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (InlineIsEqualGUID(riid, IID_IUnknown) || InlineIsEqualGUID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_cRef)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&m_cRef);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = m_pInfo ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        if (!pp) return E_POINTER;
        *pp = m_pInfo;
        if (!m_pInfo) return E_NOTIMPL;
        m_pInfo->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pResult, EXCEPINFO*,
                        UINT*) override {
        if (!(wFlags & DISPATCH_PROPERTYGET) || !pResult) return DISP_E_MEMBERNOTFOUND;
        if (id == ID_Amount) {
            pResult->decVal = m_amount;
            pResult->vt = VT_DECIMAL;
            return S_OK;
        }
        if (id == ID_Good) {
            *pResult = VLong(7);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    LONG m_cRef = 1;
    ITypeInfo* m_pInfo;
    DECIMAL m_amount;
};

std::wstring Wide(const char* psz) { return std::wstring(psz, psz + strlen(psz)); }

std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

}  // namespace

// The client process.
int RunDecimalClient() {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    IConnect* c = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect, reinterpret_cast<void**>(&c));
    printf("create=%08lX\n", static_cast<unsigned long>(hr));
    ITypeInfo* pInfo = MakeAmountType();
    printf("type=%s\n", pInfo ? "made" : "none");
    if (SUCCEEDED(hr)) {
        for (const DecimalCall& call : kCalls) {
            DECIMAL held = MakeDecimal(call.scale, call.sign);
            SAFEARRAY* pairs = nullptr;
            if (call.form == Form::Getter) {
                pairs = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
                VARIANT* e = static_cast<VARIANT*>(pairs->pvData);
                e[0] = VStr(L"o");
                e[1] = VDisp(new CAmountObject(pInfo, held));   // the array's reference
            } else {
                pairs = ::SafeArrayCreateVector(VT_VARIANT, 0, 6);
                VARIANT* e = static_cast<VARIANT*>(pairs->pvData);
                e[0] = VStr(L"before");
                e[1] = VLong(1);
                e[2] = VStr(L"d");
                if (call.form == Form::Reference) {
                    e[3].vt = VT_DECIMAL | VT_BYREF;
                    e[3].pdecVal = &held;
                } else {
                    e[3].decVal = held;
                    e[3].vt = VT_DECIMAL;
                }
                e[4] = VStr(L"after");
                e[5] = VStr(L"x");
            }
            VARIANT arg = VArray(pairs);
            BSTR label = ::SysAllocString(Wide(call.label).c_str());
            printf("%s=%08lX\n", call.label, static_cast<unsigned long>(c->Tr(label, arg)));
            ::SysFreeString(label);
            ::VariantClear(&arg);

            // The next call is served as ever.
            SAFEARRAY* next = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
            static_cast<VARIANT*>(next->pvData)[0] = VStr(L"n");
            static_cast<VARIANT*>(next->pvData)[1] = VLong(1);
            VARIANT nextArg = VArray(next);
            label = ::SysAllocString((Wide(call.label) + L" after").c_str());
            printf("%s after=%08lX\n", call.label, static_cast<unsigned long>(c->Tr(label, nextArg)));
            ::SysFreeString(label);
            ::VariantClear(&nextArg);
        }
        printf("released=%lu\n", static_cast<unsigned long>(c->Release()));
    }
    if (pInfo) pInfo->Release();
    fflush(stdout);
    ::CoUninitialize();
    return 0;
}

namespace {

std::wstring Name(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_name) : L"<none>"; }
std::wstring Type(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_type) : L"<none>"; }
std::wstring Value(const CLogNode* p) { return p && p->m_pEntry ? std::wstring(p->m_pEntry->m_value) : L"<none>"; }

const CLogNode* Child(const CLogNode* p, const std::wstring& name) {
    for (const CLogNode* c = p ? p->m_pChildren : nullptr; c; c = c->m_pNext)
        if (Name(c) == name) return c;
    return nullptr;
}

std::vector<std::wstring> ChildNames(const CLogNode* p) {
    std::vector<std::wstring> names;
    for (const CLogNode* c = p ? p->m_pChildren : nullptr; c; c = c->m_pNext) names.push_back(Name(c));
    return names;
}

// The value node of one call: a valid DECIMAL by its text, an invalid one as
// the element-type error.
void ExpectDecimal(const CLogNode* p, const wchar_t* pszText, const wchar_t* pszValidType) {
    ASSERT_NE(nullptr, p);
    if (pszText) {
        EXPECT_EQ(pszValidType, Type(p));
        EXPECT_EQ(pszText, Value(p));
    } else {
        EXPECT_EQ(L"SCODE", Type(p));
        EXPECT_EQ(0u, Value(p).find(L"0x80020008, ")) << Narrow(Value(p));
    }
    EXPECT_EQ(static_cast<DWORD>(LOGK_MEMBER), p->m_pEntry->Kind());
}

class DecimalHostTest : public ScriptHostTest {};

TEST_F(DecimalHostTest, InvalidDecimalsFromAnotherProcessKeepTheirCallLines) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ClientRun run = RunClient(L"\"" + std::wstring(self) + L"\" --decimal-client",
                              ScriptFolder(L"zv_host") + L"\\decimal.out", 60000);
    ASSERT_TRUE(run.started);
    SCOPED_TRACE(run.output);
    ASSERT_TRUE(run.ended);

    // Every call returned S_OK to the client.
    std::vector<std::string> want = {"create=00000000", "type=made"};
    std::vector<std::wstring> labels;
    for (const DecimalCall& call : kCalls) {
        want.push_back(std::string(call.label) + "=00000000");
        want.push_back(std::string(call.label) + " after=00000000");
        labels.push_back(Wide(call.label));
        labels.push_back(Wide(call.label) + L" after");
    }
    want.push_back("released=0");
    EXPECT_EQ(want, TextLines(run.output));

    // The server goes on, and nothing was reported.
    EXPECT_TRUE(host->IsOpen());
    EXPECT_TRUE(boxes.TakeTexts().empty());
    EXPECT_EQ(static_cast<int>(labels.size()), FakeLog::Get().Count(UM_ADD_ENTRY));

    // One call line per call, in order, with all its members.
    std::vector<const CLogNode*> lines;
    std::vector<std::wstring> seen;
    for (const CLogNode* p = host->Doc()->GetHead(); p; p = p->m_pNext) {
        lines.push_back(p);
        seen.push_back(Name(p));
    }
    ASSERT_EQ(labels, seen);
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(Narrow(seen[i]));
        const CLogNode* pCall = lines[i];
        if (i % 2 == 1) {
            EXPECT_EQ(std::vector<std::wstring>{L"n"}, ChildNames(pCall));
            continue;
        }
        const DecimalCall& call = kCalls[i / 2];
        if (call.form == Form::Getter) {
            ASSERT_EQ(std::vector<std::wstring>{L"o"}, ChildNames(pCall));
            const CLogNode* pObj = Child(pCall, L"o");
            EXPECT_EQ(static_cast<DWORD>(LOGK_OBJECT), pObj->m_pEntry->Kind());
            EXPECT_EQ((std::vector<std::wstring>{L"Amount", L"Good"}), ChildNames(pObj));
            ExpectDecimal(Child(pObj, L"Amount"), call.text, L"DECIMAL");
            EXPECT_EQ(L"7, 0x00000007", Value(Child(pObj, L"Good")));
        } else {
            EXPECT_EQ((std::vector<std::wstring>{L"before", L"d", L"after"}), ChildNames(pCall));
            EXPECT_EQ(L"1, 0x00000001", Value(Child(pCall, L"before")));
            ExpectDecimal(Child(pCall, L"d"), call.text, call.form == Form::Reference ? L"DECIMAL*" : L"DECIMAL");
            EXPECT_EQ(L"x", Value(Child(pCall, L"after")));
        }
    }
}

}  // namespace
