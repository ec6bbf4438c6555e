#include "TestObjects.h"
#include "server/core/Globals.h"


// ---- CTestDisp ---------------------------------------------------------------

CTestDisp::CTestDisp(ITypeInfo* pInfo) : m_pInfo(pInfo)
{
    if (m_pInfo)
        m_pInfo->AddRef();
}

CTestDisp::~CTestDisp()
{
    if (m_pInfo)
        m_pInfo->Release();
}

void CTestDisp::On(DISPID id, Handler h, WORD wFlags)
{
    m_members[id] = { std::move(h), wFlags };
}

void CTestDisp::OnLong(DISPID id, LONG n)
{
    On(id, [n](VARIANT* p) { p->vt = VT_I4; p->lVal = n; return S_OK; });
}

void CTestDisp::OnString(DISPID id, LPCWSTR psz)
{
    std::wstring s = psz;
    On(id, [s](VARIANT* p) { p->vt = VT_BSTR; p->bstrVal = SysAllocString(s.c_str()); return S_OK; });
}

void CTestDisp::OnObject(DISPID id, IDispatch* pDisp)
{
    On(id, [pDisp](VARIANT* p) {
        p->vt = VT_DISPATCH;
        p->pdispVal = pDisp;
        if (pDisp)
            pDisp->AddRef();
        return S_OK;
    });
}

void CTestDisp::OnFail(DISPID id, HRESULT hr)
{
    On(id, [hr](VARIANT*) { return hr; });
}

int CTestDisp::Invokes(DISPID id) const
{
    auto it = m_invokes.find(id);
    return it == m_invokes.end() ? 0 : it->second;
}

STDMETHODIMP CTestDisp::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTestDisp::AddRef() { return (ULONG)++m_cRef; }

STDMETHODIMP_(ULONG) CTestDisp::Release()
{
    // The tests own the objects; a count below 1 is an over-release they check.
    return (ULONG)--m_cRef;
}

STDMETHODIMP CTestDisp::GetTypeInfoCount(UINT* pctinfo)
{
    *pctinfo = m_pInfo ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CTestDisp::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo)
{
    *ppTInfo = nullptr;
    if (!m_pInfo || iTInfo != 0)
        return DISP_E_BADINDEX;
    m_pInfo->AddRef();
    *ppTInfo = m_pInfo;
    return S_OK;
}

STDMETHODIMP CTestDisp::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (cNames != 1)
        return E_INVALIDARG;
    auto it = m_names.find(rgszNames[0]);
    if (it != m_names.end()) {
        rgDispId[0] = it->second;
        return S_OK;
    }
    if (m_pInfo)
        return m_pInfo->GetIDsOfNames(rgszNames, cNames, rgDispId);
    rgDispId[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CTestDisp::Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS* pParams,
                               VARIANT* pResult, EXCEPINFO*, UINT*)
{
    ++m_invokes[id];
    auto it = m_members.find(id);
    if (it == m_members.end() || (it->second.wFlags & wFlags) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (pParams == nullptr || pParams->cArgs != 0 || pResult == nullptr)
        return DISP_E_BADPARAMCOUNT;
    return it->second.h(pResult);
}

// ---- CTestEnum ---------------------------------------------------------------

CTestEnum::CTestEnum(const std::vector<VARIANT>& items)
{
    for (const VARIANT& v : items) {
        VARIANT c;
        VariantInit(&c);
        VariantCopy(&c, const_cast<VARIANT*>(&v));
        m_items.push_back(c);
    }
}

CTestEnum::~CTestEnum()
{
    for (VARIANT& v : m_items)
        VariantClear(&v);
}

STDMETHODIMP CTestEnum::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
        *ppv = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTestEnum::AddRef() { return (ULONG)++m_cRef; }
STDMETHODIMP_(ULONG) CTestEnum::Release() { return (ULONG)--m_cRef; }

STDMETHODIMP CTestEnum::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched)
{
    ++m_nNextCalls;
    if (m_onNext)
        m_onNext(m_nNextCalls);
    ULONG n = 0;
    while (n < celt && m_nPos < m_items.size()) {
        VariantInit(&rgVar[n]);
        VariantCopy(&rgVar[n], &m_items[m_nPos]);
        ++n;
        ++m_nPos;
    }
    if (pCeltFetched)
        *pCeltFetched = n;
    return n == celt ? S_OK : S_FALSE;
}

STDMETHODIMP CTestEnum::Skip(ULONG celt)
{
    m_nPos += celt;
    return m_nPos <= m_items.size() ? S_OK : S_FALSE;
}

STDMETHODIMP CTestEnum::Reset()
{
    m_nPos = 0;
    return S_OK;
}

STDMETHODIMP CTestEnum::Clone(IEnumVARIANT** ppEnum)
{
    *ppEnum = nullptr;
    return E_NOTIMPL;
}

// ---- type information ----------------------------------------------------------

ITypeInfo* TestTypeInfo(const GUID& guid)
{
    static ITypeLib* s_pLib = nullptr;
    if (!s_pLib) {
        WCHAR path[MAX_PATH + 8];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wcscat(path, L"\\2");
        HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &s_pLib);
        if (FAILED(hr))
            return nullptr;
    }
    ITypeInfo* pInfo = nullptr;
    if (FAILED(s_pLib->GetTypeInfoOfGuid(guid, &pInfo)))
        return nullptr;
    return pInfo;
}

ITypeInfo* MakeDynamicTypeInfo(const std::vector<CDynMember>& members, const GUID* pGuid)
{
    ICreateTypeLib2* pLib = nullptr;
#ifdef _WIN64
    const SYSKIND sys = SYS_WIN64;
#else
    const SYSKIND sys = SYS_WIN32;
#endif
    if (FAILED(CreateTypeLib2(sys, L"dynamic.tlb", &pLib)))
        return nullptr;
    ICreateTypeInfo* pCreate = nullptr;
    if (FAILED(pLib->CreateTypeInfo(const_cast<LPOLESTR>(L"DDynamic"), TKIND_DISPATCH, &pCreate))) {
        pLib->Release();
        return nullptr;
    }
    UINT nVar = 0, nFunc = 0;
    bool ok = pGuid == nullptr || SUCCEEDED(pCreate->SetGuid(*pGuid));
    for (const CDynMember& m : members) {
        if (m.bVariable) {
            VARDESC vd = {};
            vd.memid = m.memid;
            vd.varkind = VAR_DISPATCH;
            vd.elemdescVar.tdesc.vt = VT_VARIANT;
            ok = ok && SUCCEEDED(pCreate->AddVarDesc(nVar, &vd)) &&
                 SUCCEEDED(pCreate->SetVarName(nVar, const_cast<LPOLESTR>(m.pszName)));
            ++nVar;
        } else {
            std::vector<ELEMDESC> params(m.paramFlags.size());
            for (size_t i = 0; i < params.size(); ++i) {
                params[i] = {};
                params[i].tdesc.vt = VT_VARIANT;
                params[i].paramdesc.wParamFlags = m.paramFlags[i];
            }
            FUNCDESC fd = {};
            fd.memid = m.memid;
            fd.funckind = FUNC_DISPATCH;
            fd.invkind = m.invkind;
            fd.callconv = CC_STDCALL;
            fd.cParams = (SHORT)params.size();
            fd.lprgelemdescParam = params.empty() ? nullptr : params.data();
            fd.elemdescFunc.tdesc.vt = VT_VARIANT;
            fd.wFuncFlags = m.wFuncFlags;
            std::vector<LPOLESTR> names;
            names.push_back(const_cast<LPOLESTR>(m.pszName));
            static const LPCWSTR s_paramNames[] = { L"p0", L"p1", L"p2", L"p3" };
            // A put's last parameter has no name of its own.
            const size_t nNamed = m.invkind == INVOKE_PROPERTYPUT && !params.empty() ? params.size() - 1
                                                                                     : params.size();
            for (size_t i = 0; i < nNamed && i < 4; ++i)
                names.push_back(const_cast<LPOLESTR>(s_paramNames[i]));
            ok = ok && SUCCEEDED(pCreate->AddFuncDesc(nFunc, &fd)) &&
                 SUCCEEDED(pCreate->SetFuncAndParamNames(nFunc, names.data(), (UINT)names.size()));
            ++nFunc;
        }
    }
    ITypeInfo* pInfo = nullptr;
    if (ok && SUCCEEDED(pCreate->LayOut()))
        pCreate->QueryInterface(IID_ITypeInfo, (void**)&pInfo);
    pCreate->Release();
    pLib->Release();
    return pInfo;
}

// ---- arrays and values -----------------------------------------------------------

SAFEARRAY* MakeVariantArray(const std::vector<std::pair<ULONG, LONG>>& bounds)
{
    std::vector<SAFEARRAYBOUND> b(bounds.size());
    for (size_t i = 0; i < bounds.size(); ++i) {
        b[i].cElements = bounds[i].first;
        b[i].lLbound = bounds[i].second;
    }
    return SafeArrayCreate(VT_VARIANT, (UINT)b.size(), b.data());
}

VARIANT* ArrayAt(SAFEARRAY* psa, const std::vector<LONG>& idx)
{
    // SafeArrayPtrOfIndex takes the indexes in declared order.
    void* p = nullptr;
    if (FAILED(SafeArrayPtrOfIndex(psa, const_cast<LONG*>(idx.data()), &p)))
        return nullptr;
    return (VARIANT*)p;
}

// ---- chains ------------------------------------------------------------------------

std::wstring ChainText(const CLogNode* pChain)
{
    std::wstring s;
    for (const CLogNode* p = pChain; p; p = p->m_pNext) {
        if (!s.empty())
            s += L"\n";
        if (!p->m_pEntry) {
            s += L"<bare>";
            continue;
        }
        s += p->m_pEntry->m_name.m_str;
        s += L"|";
        s += p->m_pEntry->m_type.m_str;
        s += L"|";
        s += p->m_pEntry->m_value.m_str;
    }
    return s;
}

std::wstring Names(const CLogNode* pChain)
{
    std::wstring s;
    for (const CLogNode* p = pChain; p; p = p->m_pNext) {
        if (p != pChain)
            s += L",";
        s += p->m_pEntry ? p->m_pEntry->m_name.m_str : L"<bare>";
    }
    return s;
}

const CLogNode* Child(const CLogNode* pChain, LPCWSTR pszName)
{
    for (const CLogNode* p = pChain; p; p = p->m_pNext)
        if (p->m_pEntry && wcscmp(p->m_pEntry->m_name.m_str, pszName) == 0)
            return p;
    return nullptr;
}

int ChainLength(const CLogNode* pChain)
{
    int n = 0;
    for (const CLogNode* p = pChain; p; p = p->m_pNext)
        ++n;
    return n;
}

void CaptureTest::SetUp()
{
    g_bForcedStop = 0;
}

void CaptureTest::TearDown()
{
    g_bForcedStop = 0;
    // Every node that the test and the capture took must be back by now.
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(st.nNodeBlocks * NODE_BLOCK_SIZE, st.nFreshNodes + st.nFreeNodes + st.nReturnedNodes)
        << "nodes left out of the pools";
    ReleaseNodePools();
}

std::string Narrow(const std::wstring& s)
{
    std::string r;
    for (wchar_t c : s)
        r += (c < 128) ? (char)c : '?';
    return r;
}
