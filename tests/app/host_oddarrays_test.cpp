// Arrays whose VARIANT declares another element type than the array holds,
// handed over by an early-bound client in another process (this executable
// started with --odd-array-client): the marshalled array keeps what it holds,
// the VARIANT what it declared. Each call must return S_OK, the server must
// go on, and a disagreeing array must read as element-type errors. An object
// behind such an array is neither read nor kept.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Zavetra_h.h"

#include "ScriptHost.h"
#include "common/Variants.h"
#include "mainframe_fakes.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/settings/AppSettings.h"

namespace {

// Declared against held element types; "objects" and "same" name what the
// server must show.
struct OddArray {
    const char* label;
    VARTYPE real;
    VARTYPE declared;
    const wchar_t* type;   // the element nodes' type text ("SCODE": the element-type error), or
                           // null: not checked
};

const OddArray kOddArrays[] = {
    {"R8 as objects", VT_R8, VT_DISPATCH, L"SCODE"},
    {"BSTR as objects", VT_BSTR, VT_DISPATCH, L"SCODE"},
    // What the hand-over of an object array itself leaves on the object (the
    // platform's marshaller may keep references of its own), and what the
    // marshalled array says it holds, are the platform's.
    {"UNKNOWN as UNKNOWN", VT_UNKNOWN, VT_UNKNOWN, nullptr},
    {"UNKNOWN as objects", VT_UNKNOWN, VT_DISPATCH, L"SCODE"},
    {"I4 as R4", VT_I4, VT_R4, L"SCODE"},
    {"I4 as R8", VT_I4, VT_R8, L"SCODE"},
    {"UI1 as VARIANT", VT_UI1, VT_VARIANT, L"SCODE"},
    {"I4 as I4", VT_I4, VT_I4, L"LONG"},
    {"BSTR as BSTR", VT_BSTR, VT_BSTR, L"BSTR"},
};

// The client's object behind an array of VT_UNKNOWN: it could be read as an
// object, and counts its references and every attempt to read it.
class CCountedObject final : public IDispatch {
public:
    LONG Refs() const { return m_cRef; }
    LONG Reads() const { return m_nReads; }
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (InlineIsEqualGUID(riid, IID_IDispatch)) ++m_nReads;
        if (InlineIsEqualGUID(riid, IID_IUnknown) || InlineIsEqualGUID(riid, IID_IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_cRef)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(::InterlockedDecrement(&m_cRef)); }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        ++m_nReads;
        if (pctinfo) *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        ++m_nReads;
        if (pp) *pp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        ++m_nReads;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        ++m_nReads;
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    LONG m_cRef = 1;
    LONG m_nReads = 0;
};

// An array of two elements of type vt, each 7 (or "s", or the object).
SAFEARRAY* MakeHeld(VARTYPE vt, IUnknown* pObject = nullptr) {
    SAFEARRAY* psa = ::SafeArrayCreateVector(vt, 0, 2);
    for (LONG i = 0; i < 2; ++i) {
        void* p = nullptr;
        ::SafeArrayPtrOfIndex(psa, &i, &p);
        switch (vt) {
        case VT_R8: *static_cast<double*>(p) = 7.0; break;
        case VT_BSTR: *static_cast<BSTR*>(p) = ::SysAllocString(L"s"); break;
        case VT_UI1: *static_cast<BYTE*>(p) = 7; break;
        case VT_UNKNOWN:
            *static_cast<IUnknown**>(p) = pObject;
            pObject->AddRef();
            break;
        default: *static_cast<LONG*>(p) = 7; break;
        }
    }
    return psa;
}

std::string Narrow(const std::wstring& s) {
    std::string r;
    for (wchar_t c : s) r += c < 128 ? static_cast<char>(c) : '?';
    return r;
}

}  // namespace

// The client process.
int RunOddArrayClient() {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    IConnect* c = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect, reinterpret_cast<void**>(&c));
    printf("create=%08lX\n", static_cast<unsigned long>(hr));
    if (SUCCEEDED(hr)) {
        for (const OddArray& a : kOddArrays) {
            SAFEARRAY* pairs = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
            VARIANT* e = static_cast<VARIANT*>(pairs->pvData);
            e[0] = VStr(L"arr");
            e[1].vt = static_cast<VARTYPE>(VT_ARRAY | a.declared);
            // Each its own object; never deleted, whatever the platform kept.
            auto* pObject = new CCountedObject;
            e[1].parray = MakeHeld(a.real, pObject);
            VARIANT arg = VArray(pairs);
            BSTR label = ::SysAllocString(std::wstring(a.label, a.label + strlen(a.label)).c_str());
            const LONG nRefs = pObject->Refs();
            const HRESULT hrCall = c->Tr(label, arg);
            printf("%s=%08lX", a.label, static_cast<unsigned long>(hrCall));
            if (a.real == VT_UNKNOWN) printf(" refs%+ld reads=%ld", pObject->Refs() - nRefs, pObject->Reads());
            printf("\n");
            ::SysFreeString(label);
            // The client's own array, whatever it declared, is destroyed as it was made.
            SAFEARRAY* held = e[1].parray;
            e[1].vt = VT_EMPTY;
            ::SafeArrayDestroy(held);
            ::VariantClear(&arg);
        }
        // ObjectArray itself: objects declared over numbers.
        VARIANT odd;
        ::VariantInit(&odd);
        odd.vt = VT_ARRAY | VT_DISPATCH;
        odd.parray = MakeHeld(VT_R8);
        BSTR label = ::SysAllocString(L"pairs as objects");
        printf("pairs as objects=%08lX\n", static_cast<unsigned long>(c->Tr(label, odd)));
        ::SysFreeString(label);
        ::SafeArrayDestroy(odd.parray);
        printf("released=%lu\n", static_cast<unsigned long>(c->Release()));
    }
    fflush(stdout);
    ::CoUninitialize();
    return 0;
}

namespace {

class OddArrayTest : public ScriptHostTest {};

TEST_F(OddArrayTest, DeclaredElementTypesAreCheckedAgainstTheMarshalledArray) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ClientRun run = RunClient(L"\"" + std::wstring(self) + L"\" --odd-array-client",
                              ScriptFolder(L"zv_host") + L"\\oddarrays.out", 60000);
    ASSERT_TRUE(run.started);
    SCOPED_TRACE(run.output);
    ASSERT_TRUE(run.ended);
    std::vector<std::string> lines = TextLines(run.output);
    // What the agreeing object array's hand-over left on its object: " refs+N reads=0".
    std::string kept;
    for (const std::string& l : lines)
        if (l.rfind("UNKNOWN as UNKNOWN=", 0) == 0 && l.find(" refs") != std::string::npos)
            kept = l.substr(l.find(" refs"));
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(" reads=0", kept.substr(kept.rfind(' '))) << "the object behind an agreeing array was read";
    std::vector<std::string> want = {"create=00000000"};
    for (const OddArray& a : kOddArrays)
        want.push_back(std::string(a.label) + "=00000000" + (a.real == VT_UNKNOWN ? kept : ""));
    want.push_back("pairs as objects=00000000");
    want.push_back("released=0");
    // The disagreeing array's object: not read, and left with no more
    // references than the agreeing one's.
    EXPECT_EQ(want, lines);
    EXPECT_TRUE(host->IsOpen());
    EXPECT_TRUE(boxes.TakeTexts().empty());

    const CLogNode* p = host->Doc()->GetHead();
    for (const OddArray& a : kOddArrays) {
        SCOPED_TRACE(a.label);
        ASSERT_NE(nullptr, p);
        EXPECT_EQ(a.label, Narrow(p->m_pEntry->m_name.m_str));
        const CLogNode* pArr = p->m_pChildren;
        ASSERT_NE(nullptr, pArr);
        EXPECT_EQ(static_cast<DWORD>(LOGK_ARRAY), pArr->m_pEntry->Kind());
        int n = 0;
        for (const CLogNode* q = pArr->m_pChildren; q; q = q->m_pNext, ++n) {
            if (!a.type) continue;
            EXPECT_STREQ(a.type, q->m_pEntry->m_type.m_str);
            if (wcscmp(a.type, L"SCODE") == 0) {
                EXPECT_EQ(0u, std::wstring(q->m_pEntry->m_value.m_str).find(L"0x80020008, "));
            }
        }
        EXPECT_EQ(2, n);
        p = p->m_pNext;
    }
    ASSERT_NE(nullptr, p);
    EXPECT_STREQ(L"pairs as objects", p->m_pEntry->m_name.m_str);
    ASSERT_NE(nullptr, p->m_pChildren);
    EXPECT_STREQ(L"SCODE", p->m_pChildren->m_pEntry->m_type.m_str);
    EXPECT_EQ(nullptr, p->m_pNext);
}

}  // namespace
