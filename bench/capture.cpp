// Capture benchmark: argument trees of 10^3 to 10^6 member nodes in three
// shapes (a wide array of pairs, a deep chain of objects, a large
// collection), each captured into a fresh object table. Prints the time and
// the memory per member node of the tree that the log receives.
//
//   bench_capture.exe [max members, default 1000000]
#define PSAPI_VERSION 2
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include "bench/support/BenchUnknown.h"
#include "bench/support/Capture.h"
#include "bench/support/Timing.h"
#include "server/core/LogNode.h"

namespace {

// ---- client objects ------------------------------------------------------------

enum : DISPID { ID_NEXT = 1, ID_VALUE = 2 };

// A dispatch type with the getters Next and Value, made at run time.
ITypeInfo* MakeChainType()
{
    ICreateTypeLib2* pLib = nullptr;
#ifdef _WIN64
    const SYSKIND sys = SYS_WIN64;
#else
    const SYSKIND sys = SYS_WIN32;
#endif
    if (FAILED(CreateTypeLib2(sys, const_cast<LPOLESTR>(L"bench.tlb"), &pLib)))
        return nullptr;
    ICreateTypeInfo* pCreate = nullptr;
    if (FAILED(pLib->CreateTypeInfo(const_cast<LPOLESTR>(L"DChainLink"), TKIND_DISPATCH, &pCreate))) {
        pLib->Release();
        return nullptr;
    }
    const struct {
        LPCWSTR name;
        MEMBERID id;
    } funcs[] = { { L"Next", ID_NEXT }, { L"Value", ID_VALUE } };
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC fd = {};
        fd.memid = funcs[i].id;
        fd.funckind = FUNC_DISPATCH;
        fd.invkind = INVOKE_PROPERTYGET;
        fd.callconv = CC_STDCALL;
        fd.elemdescFunc.tdesc.vt = VT_VARIANT;
        LPOLESTR name = const_cast<LPOLESTR>(funcs[i].name);
        pCreate->AddFuncDesc(i, &fd);
        pCreate->SetFuncAndParamNames(i, &name, 1);
    }
    ITypeInfo* pInfo = nullptr;
    if (SUCCEEDED(pCreate->LayOut()))
        pCreate->QueryInterface(IID_ITypeInfo, (void**)&pInfo);
    pCreate->Release();
    pLib->Release();
    return pInfo;
}

// Yields n LONG items without storing them.
class CCountingEnum final : public CBenchUnknown<CCountingEnum, IEnumVARIANT, &IID_IEnumVARIANT> {
public:
    explicit CCountingEnum(ULONG n) : m_n(n) {}
    STDMETHODIMP Next(ULONG celt, VARIANT* rgVar, ULONG* pFetched) override
    {
        ULONG k = 0;
        for (; k < celt && m_nPos < m_n; ++k, ++m_nPos) {
            VariantInit(&rgVar[k]);
            rgVar[k].vt = VT_I4;
            rgVar[k].lVal = (LONG)m_nPos;
        }
        if (pFetched)
            *pFetched = k;
        return k == celt ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG celt) override
    {
        m_nPos += celt;
        return S_OK;
    }
    STDMETHODIMP Reset() override
    {
        m_nPos = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumVARIANT** pp) override
    {
        *pp = nullptr;
        return E_NOTIMPL;
    }

private:
    ULONG m_n;
    ULONG m_nPos = 0;
};

// A link of a chain (Next, Value) or a collection of n items (nItems > 0).
class CBenchObj final : public IDispatch {
public:
    CBenchObj(ITypeInfo* pInfo, LONG nValue) : m_pInfo(pInfo), m_nValue(nValue) {}
    CBenchObj* m_pNext = nullptr;
    ULONG m_nItems = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }   // owned by the benchmark
    STDMETHODIMP GetTypeInfoCount(UINT* p) override
    {
        *p = m_pInfo ? 1 : 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override
    {
        *pp = m_pInfo;
        if (!m_pInfo)
            return DISP_E_BADINDEX;
        m_pInfo->AddRef();
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* p) override
    {
        *p = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pResult, EXCEPINFO*,
                        UINT*) override
    {
        if (id == ID_VALUE && (wFlags & DISPATCH_PROPERTYGET)) {
            pResult->vt = VT_I4;
            pResult->lVal = m_nValue;
            return S_OK;
        }
        if (id == ID_NEXT && (wFlags & DISPATCH_PROPERTYGET)) {
            pResult->vt = VT_DISPATCH;
            pResult->pdispVal = m_pNext;
            if (m_pNext)
                m_pNext->AddRef();
            return S_OK;
        }
        if (id == DISPID_NEWENUM && m_nItems && (wFlags & DISPATCH_PROPERTYGET)) {
            pResult->vt = VT_UNKNOWN;
            pResult->punkVal = new CCountingEnum(m_nItems);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    ULONG m_cRef = 1;
    ITypeInfo* m_pInfo;
    LONG m_nValue;
};

// ---- measuring ---------------------------------------------------------------------

// Private bytes of the process (the pagefile-backed total where the
// platform does not count private bytes).
SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof(pmc);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&pmc, sizeof(pmc)))
        return 0;
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
}

// Nodes of a tree, without recursion (the chain shape is deep).
size_t CountNodes(const CLogNode* pChain)
{
    size_t n = 0;
    std::vector<const CLogNode*> stack;
    if (pChain)
        stack.push_back(pChain);
    while (!stack.empty()) {
        const CLogNode* p = stack.back();
        stack.pop_back();
        for (; p; p = p->m_pNext) {
            ++n;
            if (p->m_pChildren)
                stack.push_back(p->m_pChildren);
        }
    }
    return n;
}

struct CResult {
    size_t nNodes;
    double dCapture, dTeardown;   // seconds
    size_t nPoolBytes;            // node and entry blocks
    SIZE_T nPrivateBytes;         // process growth during the capture
};

CResult Run(const VARIANT& arg, int nLevels, int nItems)
{
    CResult r = {};
    ReleaseNodePools();
    const SIZE_T before = PrivateBytes();
    CCapture c = CaptureArguments(arg, nLevels, nItems);
    const SIZE_T after = PrivateBytes();
    r.nPrivateBytes = after > before ? after - before : 0;
    r.nNodes = CountNodes(c.pTree);
    const CNodePoolState st = GetNodePoolState();
    r.nPoolBytes = (size_t)st.nNodeBlocks * NODE_BLOCK_SIZE * sizeof(CLogNode) +
                   (size_t)st.nEntryBlocks * NODE_BLOCK_SIZE * sizeof(CLogEntry);
    const double t2 = Now();
    EndCapture(c, false);
    ReleaseNodePools();
    const double t3 = Now();
    r.dCapture = c.dSeconds;
    r.dTeardown = t3 - t2;
    return r;
}

void Print(const char* shape, size_t nTarget, const CResult& r)
{
    const double n = r.nNodes ? (double)r.nNodes : 1.0;
    printf("%-11s %9zu %9zu %10.1f %10.1f %10.1f %10.1f %9.3f\n", shape, nTarget, r.nNodes,
           r.dCapture * 1e9 / n, r.dTeardown * 1e9 / n, (double)r.nPoolBytes / n,
           (double)r.nPrivateBytes / n, r.dCapture);
    fflush(stdout);
}

// ObjectArray of n pairs: names "m<i>", values alternating LONG and BSTR.
void WidePairs(size_t n)
{
    VARIANT arg = MakeWidePairs(n);
    Print("pairs", n, Run(arg, 4, 100));
    VariantClear(&arg);
}

// One pair whose object heads a chain of links: every link gives the
// members Next and Value, so n members need n / 2 links and as many levels.
void DeepChain(size_t n, ITypeInfo* pInfo)
{
    const size_t nLinks = n / 2;
    std::vector<CBenchObj*> links;
    links.reserve(nLinks);
    for (size_t i = 0; i < nLinks; ++i)
        links.push_back(new CBenchObj(pInfo, (LONG)i));
    for (size_t i = 0; i + 1 < nLinks; ++i)
        links[i]->m_pNext = links[i + 1];
    SAFEARRAYBOUND b = { 2, 0 };
    SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, 1, &b);
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0].vt = VT_BSTR;
    e[0].bstrVal = SysAllocString(L"chain");
    e[1].vt = VT_DISPATCH;
    e[1].pdispVal = links[0];   // the array does not release: the objects count only
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    Print("chain", n, Run(arg, (int)nLinks, 100));
    e[1].vt = VT_EMPTY;
    SafeArrayDestroy(psa);
    for (CBenchObj* p : links)
        delete p;
}

// One pair whose object is a collection of n items.
void Collection(size_t n)
{
    CBenchObj coll(nullptr, 0);
    coll.m_nItems = (ULONG)n;
    SAFEARRAYBOUND b = { 2, 0 };
    SAFEARRAY* psa = SafeArrayCreate(VT_VARIANT, 1, &b);
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0].vt = VT_BSTR;
    e[0].bstrVal = SysAllocString(L"coll");
    e[1].vt = VT_DISPATCH;
    e[1].pdispVal = &coll;
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    Print("collection", n, Run(arg, 4, (int)n));
    e[1].vt = VT_EMPTY;
    SafeArrayDestroy(psa);
}


// Each measurement runs in a process of its own, so that memory freed by an
// earlier run does not hide the growth of the next.
int RunChild(const char* shape, size_t n)
{
    OleInitialize(nullptr);
    ITypeInfo* pInfo = MakeChainType();
    if (!pInfo) {
        fprintf(stderr, "cannot build the chain type\n");
        return 1;
    }
    if (strcmp(shape, "pairs") == 0)
        WidePairs(n);
    else if (strcmp(shape, "chain") == 0)
        DeepChain(n, pInfo);
    else
        Collection(n);
    pInfo->Release();
    OleUninitialize();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 3 && strcmp(argv[1], "-run") == 0)
        return RunChild(argv[2], (size_t)strtoull(argv[3], nullptr, 10));
    size_t nMax = 1000000;
    if (argc > 1)
        nMax = (size_t)strtoull(argv[1], nullptr, 10);
    printf("ns/node: capture time per member node; free ns/n: destroying the table and the pools;\n"
           "pool B/n: node and entry blocks; proc B/n: process memory growth during the capture\n\n");
    printf("shape          target     nodes    ns/node  free ns/n   pool B/n   proc B/n capture s\n");
    fflush(stdout);
    WCHAR exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    for (size_t n = 1000; n <= nMax; n *= 10) {
        for (const char* shape : { "pairs", "chain", "collection" }) {
            WCHAR cmd[MAX_PATH + 64];
            swprintf(cmd, MAX_PATH + 64, L"\"%ls\" -run %hs %zu", exe, shape, n);
            STARTUPINFOW si = {};
            si.cb = sizeof(si);
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
            si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
            si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
            PROCESS_INFORMATION pi = {};
            if (!CreateProcessW(nullptr, cmd, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
                fprintf(stderr, "cannot start a run\n");
                return 1;
            }
            WaitForSingleObject(pi.hProcess, INFINITE);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return 0;
}
