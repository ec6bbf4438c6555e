// Client objects for the capture tests: an IDispatch whose members are
// handlers by member id and whose type information comes from the test type
// library or is built at run time, an enumerator over VARIANTs, SAFEARRAY
// helpers, and a fixture that checks the node pools are left clean.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <functional>
#include <map>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "common/Variants.h"   // VLong, VStr, VDisp
#include "server/core/LogNode.h"
#include "CaptureTest_h.h"   // the test types (built from CaptureTest.idl)

// Counts its references; Invoke dispatches by member id to handlers.
class CTestDisp : public IDispatch {
public:
    using Handler = std::function<HRESULT(VARIANT* pResult)>;
    explicit CTestDisp(ITypeInfo* pInfo);   // pInfo may be null (GetTypeInfo fails)
    virtual ~CTestDisp();

    // Member read with wFlags (DISPATCH_PROPERTYGET and/or DISPATCH_METHOD).
    void On(DISPID id, Handler h, WORD wFlags = DISPATCH_PROPERTYGET);
    void OnLong(DISPID id, LONG n);
    void OnString(DISPID id, LPCWSTR psz);
    void OnObject(DISPID id, IDispatch* pDisp);   // returns it with a reference
    void OnFail(DISPID id, HRESULT hr);
    // GetIDsOfNames answers for these names when there is no type information.
    void Name(LPCWSTR psz, DISPID id) { m_names[psz] = id; }

    LONG Refs() const { return m_cRef; }
    int Invokes(DISPID id) const;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                               DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                        DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                        UINT* puArgErr) override;

private:
    struct CMember {
        Handler h;
        WORD wFlags;
    };
    LONG m_cRef = 1;
    ITypeInfo* m_pInfo;
    std::map<DISPID, CMember> m_members;
    std::map<DISPID, int> m_invokes;
    std::map<std::wstring, DISPID> m_names;
};

// An enumerator over copies of VARIANTs; counts its references.
class CTestEnum : public IEnumVARIANT {
public:
    explicit CTestEnum(const std::vector<VARIANT>& items);   // copies them
    virtual ~CTestEnum();
    LONG Refs() const { return m_cRef; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** ppEnum) override;

    int m_nNextCalls = 0;
    std::function<void(int nCall)> m_onNext;   // called before each Next answers
private:
    LONG m_cRef = 1;
    std::vector<VARIANT> m_items;
    size_t m_nPos = 0;
};

// Type information of the embedded test library (resource 2), by interface name.
ITypeInfo* TestTypeInfo(const GUID& guid);

// A dispatch type built at run time, for names no IDL can spell.
struct CDynMember {
    bool bVariable;        // else a property getter
    LPCWSTR pszName;
    MEMBERID memid;
    WORD wFuncFlags = 0;   // getters
    std::vector<USHORT> paramFlags;   // getters: one entry per parameter
    INVOKEKIND invkind = INVOKE_PROPERTYGET;
};
// pGuid: the type's GUID (none when null).
ITypeInfo* MakeDynamicTypeInfo(const std::vector<CDynMember>& members, const GUID* pGuid = nullptr);

// SAFEARRAY of VARIANTs with the given (declared order) bounds.
SAFEARRAY* MakeVariantArray(const std::vector<std::pair<ULONG, LONG>>& bounds);
// Element (declared order indexes) of a VARIANT array.
VARIANT* ArrayAt(SAFEARRAY* psa, const std::vector<LONG>& idx);

// Texts of a chain, "name|type|value" per node, joined by "\n".
std::wstring ChainText(const CLogNode* pChain);
std::wstring Names(const CLogNode* pChain);   // names joined by ","
const CLogNode* Child(const CLogNode* pChain, LPCWSTR pszName);   // by exact name
int ChainLength(const CLogNode* pChain);

// Checks that every node came back to the pools and releases them after each
// test; resets the forced-stop flag.
class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

std::string Narrow(const std::wstring& s);
