// The object table and the capture of objects, arrays and argument trees.
#include "server/capture/ObjTable.h"
#include <algorithm>
#include <climits>
#include <cwchar>
#include <memory>
#include <new>
#include "server/capture/LogValue.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"
#include "server/core/NodeAlgo.h"

namespace {

// One empty argument list for every property read.
DISPPARAMS g_noArgs = { nullptr, nullptr, 0, 0 };

const UINT kMaxTypeMembers = 65536;   // a type holds at most 65535 of each kind
const int  kMaxBaseTypes = 256;       // guards against a base-type cycle

HRESULT InvokeGet(IDispatch* pDisp, DISPID id, WORD wFlags, VARIANT* pResult)
{
    return pDisp->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, wFlags, &g_noArgs, pResult,
                         nullptr, nullptr);
}

// Reads one property into v; a failure becomes VT_ERROR with the HRESULT.
void ReadProperty(IDispatch* pDisp, DISPID id, VARIANT& v)
{
    VariantInit(&v);
    HRESULT hr = InvokeGet(pDisp, id, DISPATCH_PROPERTYGET, &v);
    if (FAILED(hr)) {
        VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = hr;
    }
}

// Clears a VARIANT at the end of a scope.
struct CVariantGuard {
    VARIANT& v;
    explicit CVariantGuard(VARIANT& var) : v(var) {}
    ~CVariantGuard() { VariantClear(&v); }
};

// Frees a chain of pool nodes unless released.
struct CChainGuard {
    CLogNode*& pHead;
    bool bArmed = true;
    explicit CChainGuard(CLogNode*& head) : pHead(head) {}
    ~CChainGuard()
    {
        if (bArmed && pHead) {
            FreeNodeTree(pHead);
            pHead = nullptr;
        }
    }
};

void AppendNode(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pNode)
{
    pNode->m_pNext = nullptr;
    if (pHead == nullptr) {
        pNode->m_pBack = nullptr;
        pHead = pNode;
    } else {
        pTail->m_pNext = pNode;
        pNode->m_pBack = pTail;
    }
    pTail = pNode;
}

void AppendChain(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pChain, CLogNode* pChainTail)
{
    if (pChain == nullptr)
        return;
    if (pHead == nullptr) {
        pChain->m_pBack = nullptr;
        pHead = pChain;
    } else {
        pTail->m_pNext = pChain;
        pChain->m_pBack = pTail;
    }
    pTail = pChainTail;
}

// The interface pointer an enumerator answer holds, when it holds one.
IUnknown* ObjectOf(const VARIANT& v)
{
    switch (v.vt) {
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return v.punkVal;
    case VT_UNKNOWN | VT_BYREF:
    case VT_DISPATCH | VT_BYREF:
        return v.ppunkVal ? *v.ppunkVal : nullptr;
    default:
        return nullptr;
    }
}

// Platform size of an array element of the type; 0 for types that arrays
// cannot hold as plain values.
ULONG ElementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1:
        return 1;
    case VT_I2: case VT_UI2: case VT_BOOL:
        return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
        return 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8:
        return 8;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
        return sizeof(void*);
    case VT_DECIMAL:
        return sizeof(DECIMAL);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

// Copies a chain with its descendants onto nodes with their own entries,
// without recursion. Returns the head of the copy; nCopied grows by the
// number of nodes made.
CLogNode* CopyMemberChain(const CLogNode* pSrc, size_t& nCopied)
{
    if (pSrc == nullptr)
        return nullptr;
    struct CLevel {
        const CLogNode* pNext;   // next source node of this level
        CLogNode* pParent;       // copy that receives this level (null at the top)
        CLogNode* pTail;         // last copy made at this level
    };
    CLogNode* pHead = nullptr;
    CChainGuard guard(pHead);
    std::vector<CLevel> stack;
    stack.push_back({ pSrc, nullptr, nullptr });
    while (!stack.empty()) {
        CLevel& lv = stack.back();
        const CLogNode* p = lv.pNext;
        if (p == nullptr) {
            stack.pop_back();
            continue;
        }
        lv.pNext = p->m_pNext;
        CLogNode* pCopy = p->m_pEntry ? AllocNode() : TakeNodeFromBlock();
        if (lv.pTail) {
            lv.pTail->m_pNext = pCopy;
            pCopy->m_pBack = lv.pTail;
        } else if (lv.pParent) {
            lv.pParent->m_pChildren = pCopy;
            pCopy->m_pBack = lv.pParent;
        } else {
            pHead = pCopy;
        }
        lv.pTail = pCopy;
        ++nCopied;
        if (p->m_pEntry)
            pCopy->NodeCopyEntry(p);
        if (p->m_pChildren)
            stack.push_back({ p->m_pChildren, pCopy, nullptr });
    }
    guard.bArmed = false;
    return pHead;
}

} // namespace

// ---------------------------------------------------------------------------
// Array elements

VARTYPE ArrayElementType(SAFEARRAY* psa, VARTYPE vtDeclared)
{
    if (vtDeclared != VT_EMPTY)
        return vtDeclared;
    VARTYPE vt = VT_EMPTY;
    if (psa && SUCCEEDED(SafeArrayGetVartype(psa, &vt)))
        return vt;
    return VT_EMPTY;
}

const VARIANT* ArrayElementValue(const SAFEARRAY* psa, const void* pData, VARTYPE vtElem,
                                 ULONGLONG pos, VARIANT& scratch)
{
    VariantInit(&scratch);
    const BYTE* p = (const BYTE*)pData + (size_t)pos * psa->cbElements;
    if (vtElem == VT_RECORD) {   // shown by its type alone
        scratch.vt = VT_RECORD;
        scratch.pvRecord = (PVOID)p;
        scratch.pRecInfo = nullptr;
        return &scratch;
    }
    const ULONG cb = ElementSize(vtElem);
    if (cb == 0 || cb != psa->cbElements) {
        scratch.vt = VT_ERROR;
        scratch.scode = DISP_E_BADVARTYPE;
        return &scratch;
    }
    if (vtElem == VT_VARIANT)
        return (const VARIANT*)p;
    switch (vtElem) {
    case VT_I1: case VT_UI1:             scratch.bVal = *p; break;
    case VT_I2: case VT_UI2: case VT_BOOL: scratch.uiVal = *(const USHORT*)p; break;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR:
        scratch.ulVal = *(const ULONG*)p; break;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8:
        scratch.ullVal = *(const ULONGLONG*)p; break;
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN:
        scratch.byref = *(void* const*)p; break;
    case VT_DECIMAL:
        scratch.decVal = *(const DECIMAL*)p; break;
    default:
        break;
    }
    scratch.vt = vtElem;
    return &scratch;
}

// ---------------------------------------------------------------------------
// CObjRecord

CObjRecord::CObjRecord(IDispatch* pDisp)
    : m_pMembers(nullptr), m_pDispatch(pDisp), m_pArray(nullptr), m_pTypeInfo(nullptr),
      m_pData(nullptr), m_nElements(0), m_vtElem(VT_EMPTY), m_dwFlags(RF_DISPATCH)
{
    m_pDispatch->AddRef();
    ITypeInfo* pInfo = nullptr;
    if (SUCCEEDED(m_pDispatch->GetTypeInfo(0, GetSystemDefaultLCID(), &pInfo)) && pInfo) {
        m_pTypeInfo = pInfo;
        BSTR bstrName = nullptr;
        if (SUCCEEDED(pInfo->GetDocumentation(MEMBERID_NIL, &bstrName, nullptr, nullptr, nullptr)) &&
            bstrName) {
            SysFreeString(m_name.m_str);   // the record takes the string
            m_name.m_str = bstrName;
        }
    }
}

CObjRecord::CObjRecord(SAFEARRAY* psa, VARTYPE vtElem, BOOL bOwnsArray)
    : m_pMembers(nullptr), m_pDispatch(nullptr), m_pArray(psa), m_pTypeInfo(nullptr),
      m_pData(nullptr), m_nElements(0), m_vtElem(ArrayElementType(psa, vtElem)),
      m_dwFlags(RF_ARRAY | (bOwnsArray ? (DWORD)RF_OWNS_ARRAY : 0u))
{
    const UINT cDims = psa->cDims;
    if (cDims == 0)
        return;   // no dimensions: no elements
    // The element count, guarded against descriptors whose sizes overflow.
    ULONGLONG total = 1;
    for (UINT k = 0; k < cDims; ++k) {
        const ULONGLONG c = psa->rgsabound[k].cElements;
        if (c != 0 && total > ULLONG_MAX / c)
            return;
        total *= c;
    }
    if (psa->cbElements != 0 && total > (ULONGLONG)SIZE_MAX / psa->cbElements)
        return;
    void* pData = nullptr;
    if (FAILED(SafeArrayAccessData(psa, &pData)))
        return;
    if (pData == nullptr) {
        // No data block (an empty array may have none): nothing to read, and
        // no lock kept, since the record ends the access only for data it holds.
        SafeArrayUnaccessData(psa);
        if (total != 0)
            return;
    }
    try {
        m_strides.resize(cDims);
        m_divisors.resize(cDims);
    } catch (const std::bad_alloc&) {
        if (pData)
            SafeArrayUnaccessData(psa);
        m_strides.clear();
        m_divisors.clear();
        throw CExcept(ZV_ERR_MEMORY);
    }
    m_pData = pData;
    m_nElements = total;
    ULONGLONG s = 1;
    for (UINT k = cDims; k-- > 0;) {
        m_strides[k] = s;
        s *= psa->rgsabound[k].cElements;
    }
    ULONGLONG d = 1;
    for (UINT k = 0; k < cDims; ++k) {
        m_divisors[k] = d;
        d *= psa->rgsabound[k].cElements;
    }
}

CObjRecord::~CObjRecord()
{
    if (Kind() == RF_DISPATCH) {
        if (m_pTypeInfo)
            m_pTypeInfo->Release();
        m_pDispatch->Release();
    } else if (m_pData) {
        SafeArrayUnaccessData(m_pArray);
    }
    m_pTypeInfo = nullptr;
    m_pData = nullptr;
    if (m_pMembers)
        FreeNodeTree(m_pMembers);
    m_pMembers = nullptr;
}

LONGLONG CObjRecord::ElementIndexText(ULONGLONG n, WCHAR* buf, size_t cch) const
{
    const UINT cDims = GetDimCount();
    if (m_pData == nullptr || cDims == 0 || n >= m_nElements)
        return -1;
    ULONGLONG pos = 0;
    size_t len = 0;
    buf[len++] = L'[';
    buf[len++] = L' ';
    for (UINT k = cDims; k-- > 0;) {
        const ULONGLONG idx = n / m_divisors[k];
        n -= idx * m_divisors[k];
        pos += idx * m_strides[k];
        const LONGLONG shown = (LONGLONG)idx + m_pArray->rgsabound[k].lLbound;
        if (len + 26 < cch) {
            int w = _snwprintf(buf + len, cch - len - 1, L"%lld", (long long)shown);
            if (w > 0)
                len += (size_t)w;
            if (k != 0) {
                buf[len++] = L',';
                buf[len++] = L' ';
            }
        }
    }
    buf[len++] = L' ';
    buf[len++] = L']';
    buf[len] = 0;
    return (LONGLONG)pos;
}

LONGLONG CObjRecord::ElementIndex(ULONGLONG n, CBstr& str) const
{
    const size_t cch = 8 + (size_t)GetDimCount() * 24;
    std::vector<WCHAR> buf;
    WCHAR local[256];
    WCHAR* p = local;
    if (cch > 256) {
        buf.resize(cch);
        p = buf.data();
    }
    const LONGLONG pos = ElementIndexText(n, p, cch > 256 ? cch : 256);
    if (pos >= 0)
        str = p;
    return pos;
}

CLogNode* CObjRecord::ElementNode(ULONGLONG n, VARIANT& scratch, const VARIANT*& pElem) const
{
    pElem = nullptr;
    if (m_pData == nullptr)
        return nullptr;
    const UINT cDims = GetDimCount();
    const size_t cch = 8 + (size_t)cDims * 24;
    WCHAR local[256];
    std::vector<WCHAR> big;
    WCHAR* buf = local;
    if (cch > 256) {
        big.resize(cch);
        buf = big.data();
    }
    const LONGLONG pos = ElementIndexText(n, buf, cch > 256 ? cch : 256);
    if (pos < 0)
        return nullptr;
    pElem = ArrayElementValue(m_pArray, m_pData, m_vtElem, (ULONGLONG)pos, scratch);
    return NodeFromVariant(pElem, buf);
}

BOOL CObjRecord::GetEnumerator(IEnumVARIANT*& pEnum) const
{
    pEnum = nullptr;
    if (m_pDispatch == nullptr)
        return FALSE;
    static const WORD kForms[2] = { DISPATCH_PROPERTYGET, DISPATCH_METHOD };
    for (WORD wFlags : kForms) {
        VARIANT v;
        VariantInit(&v);
        HRESULT hr = InvokeGet(m_pDispatch, DISPID_NEWENUM, wFlags, &v);
        if (FAILED(hr))
            continue;   // what a failed call left in v is not ours to touch
        IUnknown* pUnk = ObjectOf(v);
        IEnumVARIANT* pNew = nullptr;
        if (pUnk && SUCCEEDED(pUnk->QueryInterface(IID_IEnumVARIANT, (void**)&pNew)) && pNew) {
            if (pEnum)
                pEnum->Release();   // the later answer replaces the earlier one
            pEnum = pNew;
        }
        VariantClear(&v);
    }
    return pEnum != nullptr;
}

BOOL CObjRecord::IsPropertyGetter(ITypeInfo* pOwnInfo, const FUNCDESC* pDesc)
{
    if (pDesc->invkind != INVOKE_PROPERTYGET)
        return FALSE;
    if (pDesc->wFuncFlags & (FUNCFLAG_FRESTRICTED | FUNCFLAG_FHIDDEN))
        return FALSE;
    BSTR bstrName = nullptr;
    UINT cNames = 0;
    if (pOwnInfo && SUCCEEDED(pOwnInfo->GetNames(pDesc->memid, &bstrName, 1, &cNames)) && cNames > 0) {
        const bool bUnderscore = bstrName && bstrName[0] == L'_';
        SysFreeString(bstrName);
        if (bUnderscore)
            return FALSE;
    }
    for (SHORT i = 0; i < pDesc->cParams; ++i) {
        if ((pDesc->lprgelemdescParam[i].paramdesc.wParamFlags & (PARAMFLAG_FOPT | PARAMFLAG_FRETVAL)) == 0)
            return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// CObjTable: records

CObjTable::CObjTable() {}

CObjTable::~CObjTable()
{
    // Release every object and end every array access first; arrays that the
    // capture obtained go last, since other records may lock arrays inside them.
    std::vector<SAFEARRAY*> owned;
    for (auto& kv : m_records) {
        CObjRecord* pRec = kv.second;
        if (pRec->Kind() == CObjRecord::RF_ARRAY && pRec->OwnsArray()) {
            try {
                owned.push_back(pRec->GetArray());
            } catch (...) {
            }
        }
        delete pRec;
    }
    m_records.clear();
    for (SAFEARRAY* psa : owned)
        SafeArrayDestroy(psa);
    for (auto& kv : m_types) {
        kv.first->Release();
        delete kv.second;
    }
    m_types.clear();
}

CObjRecord* CObjTable::Find(DWORD_PTR key) const
{
    auto it = m_records.find(key);
    return it == m_records.end() ? nullptr : it->second;
}

CObjRecord* CObjTable::Insert(DWORD_PTR key, CObjRecord* pRec)
{
    try {
        m_records.emplace(key, pRec);
    } catch (const std::bad_alloc&) {
        delete pRec;
        throw CExcept(ZV_ERR_MEMORY);
    }
    return pRec;
}

void CObjTable::RegisterValue(VARIANT* pVar, BOOL bOwned)
{
    if (pVar == nullptr)
        return;
    const VARTYPE vt = pVar->vt;
    const bool bByRef = (vt & VT_BYREF) != 0;
    if ((VARTYPE)(vt & ~VT_BYREF) == VT_DISPATCH) {
        IDispatch* pDisp = bByRef ? (pVar->ppdispVal ? *pVar->ppdispVal : nullptr) : pVar->pdispVal;
        if (pDisp == nullptr || Find((DWORD_PTR)pDisp))
            return;
        CObjRecord* pRec;
        try {
            pRec = new CObjRecord(pDisp);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
        Insert((DWORD_PTR)pDisp, pRec);
    } else if (vt & VT_ARRAY) {
        SAFEARRAY* psa = bByRef ? (pVar->pparray ? *pVar->pparray : nullptr) : pVar->parray;
        if (psa == nullptr)
            return;
        const bool bTake = bOwned && !bByRef;
        if (Find((DWORD_PTR)psa) == nullptr) {
            CObjRecord* pRec;
            try {
                pRec = new CObjRecord(psa, (VARTYPE)(vt & VT_TYPEMASK), bTake);
            } catch (const std::bad_alloc&) {
                throw CExcept(ZV_ERR_MEMORY);
            }
            Insert((DWORD_PTR)psa, pRec);
        }
        if (bTake) {
            pVar->vt = VT_EMPTY;   // the record keeps the array alive
            pVar->parray = nullptr;
        }
    }
}

CObjRecord* CObjTable::FindOrCreateDispatch(DWORD_PTR key, int nItems)
{
    CObjRecord* pRec = Find(key);
    if (pRec == nullptr || pRec->Kind() != CObjRecord::RF_DISPATCH)
        return nullptr;
    if (!pRec->IsExpanded())
        Expand(pRec, nItems);
    return pRec;
}

CObjRecord* CObjTable::FindOrCreateArray(DWORD_PTR key, int nItems)
{
    CObjRecord* pRec = Find(key);
    if (pRec == nullptr || pRec->Kind() != CObjRecord::RF_ARRAY)
        return nullptr;
    if (!pRec->IsExpanded())
        CaptureElements(pRec, nItems);
    return pRec;
}

// ---------------------------------------------------------------------------
// CObjTable: objects

namespace {

// Whether a type that a type names as its base can be one: an interface or
// a dispatch interface (the platform has been seen to answer with a record).
bool IsInterfaceType(ITypeInfo* pInfo)
{
    TYPEATTR* pAttr = nullptr;
    if (FAILED(pInfo->GetTypeAttr(&pAttr)) || pAttr == nullptr)
        return false;
    const bool bInterface = pAttr->typekind == TKIND_INTERFACE || pAttr->typekind == TKIND_DISPATCH;
    pInfo->ReleaseTypeAttr(pAttr);
    return bInterface;
}

// One step of the walk over the variables (bProps FALSE) or the accepted
// property getters of a type and its base types. Names are asked of the
// object's own type information.
struct CMemberWalk {
    ITypeInfo* pOwn;
    ITypeInfo* pCur = nullptr;
    UINT nIndex = 0;
    int nBase = 0;
    bool bProps;

    CMemberWalk(ITypeInfo* own, bool props) : pOwn(own), bProps(props) {}
    ~CMemberWalk()
    {
        if (pCur && pCur != pOwn)
            pCur->Release();
    }

    // FALSE when the walk is over.
    bool Next(MEMBERID& memid, BSTR& bstrName)
    {
        if (pOwn == nullptr)
            return false;
        if (pCur == nullptr)
            pCur = pOwn;
        for (;;) {
            bool bHave = false;
            bool bAccept = false;
            if (nIndex < kMaxTypeMembers) {
                if (!bProps) {
                    VARDESC* pVd = nullptr;
                    if (SUCCEEDED(pCur->GetVarDesc(nIndex, &pVd)) && pVd) {
                        bHave = true;
                        bAccept = true;
                        memid = pVd->memid;
                        pCur->ReleaseVarDesc(pVd);
                    }
                } else {
                    FUNCDESC* pFd = nullptr;
                    if (SUCCEEDED(pCur->GetFuncDesc(nIndex, &pFd)) && pFd) {
                        bHave = true;
                        bAccept = CObjRecord::IsPropertyGetter(pOwn, pFd) != FALSE;
                        memid = pFd->memid;
                        pCur->ReleaseFuncDesc(pFd);
                    }
                }
            }
            if (bHave) {
                ++nIndex;
                if (!bAccept)
                    continue;
                bstrName = nullptr;
                if (FAILED(pOwn->GetDocumentation(memid, &bstrName, nullptr, nullptr, nullptr))) {
                    bstrName = nullptr;
                    continue;   // a member without a name is skipped
                }
                return true;
            }
            // This type is done: go on with its first base type.
            HREFTYPE hRef = 0;
            ITypeInfo* pBase = nullptr;
            if (nBase < kMaxBaseTypes && SUCCEEDED(pCur->GetRefTypeOfImplType(0, &hRef)) &&
                SUCCEEDED(pCur->GetRefTypeInfo(hRef, &pBase)) && pBase && !IsInterfaceType(pBase)) {
                pBase->Release();   // a record or alias is no base type of an interface
                pBase = nullptr;
            }
            if (pBase) {
                if (pCur != pOwn)
                    pCur->Release();
                pCur = pBase;
                nIndex = 0;
                ++nBase;
                continue;
            }
            if (pCur != pOwn)
                pCur->Release();
            pCur = nullptr;
            pOwn = nullptr;   // the walk is over
            return false;
        }
    }
};

} // namespace

CObjTable::CTypeMembers& CObjTable::TypeMembers(ITypeInfo* pInfo)
{
    auto it = m_types.find(pInfo);
    if (it != m_types.end())
        return *it->second;
    std::unique_ptr<CTypeMembers> pTypes;
    try {
        pTypes.reset(new CTypeMembers);
        for (int kind = 0; kind < 2; ++kind) {
            const bool bProps = kind == 1;
            std::vector<CTypeMember>& out = bProps ? pTypes->props : pTypes->vars;
            std::vector<CTypeMember> all;
            CMemberWalk walk(pInfo, bProps);
            MEMBERID memid = 0;
            BSTR bstrName = nullptr;
            while (walk.Next(memid, bstrName)) {
                CTypeMember m;
                m.memid = memid;
                if (bProps) {
                    m.name = bstrName;   // taken as it comes
                    bstrName = nullptr;
                    if (m.name == nullptr) {
                        m.name = SysAllocString(L"");
                        if (m.name == nullptr)
                            throw CExcept(ZV_ERR_MEMORY_BSTR);
                    }
                } else {
                    CBstr shown;
                    try {
                        MakeVariableName(bstrName, shown);
                    } catch (...) {
                        SysFreeString(bstrName);
                        throw;
                    }
                    SysFreeString(bstrName);
                    bstrName = nullptr;
                    std::swap(m.name, shown.m_str);
                }
                all.push_back(std::move(m));
            }
            // Sort by name; equal names keep their reading order, so the first
            // met of each name comes first and the others are dropped.
            std::vector<UINT> order(all.size());
            for (UINT i = 0; i < order.size(); ++i)
                order[i] = i;
            std::stable_sort(order.begin(), order.end(), [&](UINT a, UINT b) {
                return CompareNamesNoCase(all[a].name, all[b].name) < 0;
            });
            std::vector<char> keep(all.size(), 0);
            std::vector<UINT> pos(all.size(), 0);
            UINT nKept = 0;
            for (UINT i = 0; i < order.size(); ++i) {
                if (i > 0 && CompareNamesNoCase(all[order[i]].name, all[order[i - 1]].name) == 0)
                    continue;
                keep[order[i]] = 1;
                pos[order[i]] = nKept++;
            }
            out.reserve(nKept);
            for (UINT i = 0; i < all.size(); ++i) {
                if (!keep[i])
                    continue;
                all[i].nSortPos = pos[i];
                out.push_back(std::move(all[i]));
            }
        }
        m_types.emplace(pInfo, pTypes.get());
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
    pInfo->AddRef();
    return *pTypes.release();
}

void CObjTable::ReadMembers(CObjRecord* pRec, const std::vector<CTypeMember>& members, BOOL bProps,
                            CLogNode*& pHead, CLogNode*& pTail)
{
    pHead = pTail = nullptr;
    const size_t n = members.size();
    if (n == 0)
        return;
    CLogNode* local[64];
    std::vector<CLogNode*> big;
    CLogNode** slots = local;
    if (n > 64) {
        try {
            big.resize(n, nullptr);
        } catch (const std::bad_alloc&) {
            throw CExcept(ZV_ERR_MEMORY);
        }
        slots = big.data();
    } else {
        std::fill(local, local + n, nullptr);
    }
    IDispatch* pDisp = pRec->GetDispatch();
    try {
        for (const CTypeMember& m : members) {
            VARIANT v;
            ReadProperty(pDisp, m.memid, v);
            CVariantGuard clear(v);
            if (bProps && g_bForcedStop)
                throw CExcept(ZV_ERR_FORCED_STOP);
            CLogNode* pNode = NodeFromVariant(&v, m.name);
            slots[m.nSortPos] = pNode;
            RegisterValue(&v, TRUE);
        }
    } catch (...) {
        for (size_t i = 0; i < n; ++i)
            if (slots[i])
                FreeNodeTree(slots[i]);
        throw;
    }
    for (size_t i = 0; i < n; ++i)
        if (slots[i])
            AppendNode(pHead, pTail, slots[i]);
}

void CObjTable::CaptureVariables(CObjRecord* pRec, CLogNode*& pHead, CLogNode*& pTail)
{
    pHead = pTail = nullptr;
    if (pRec->GetTypeInfo() == nullptr)
        return;
    ReadMembers(pRec, TypeMembers(pRec->GetTypeInfo()).vars, FALSE, pHead, pTail);
}

void CObjTable::CaptureProperties(CObjRecord* pRec, CLogNode*& pHead, CLogNode*& pTail)
{
    pHead = pTail = nullptr;
    if (pRec->GetTypeInfo() == nullptr)
        return;
    ReadMembers(pRec, TypeMembers(pRec->GetTypeInfo()).props, TRUE, pHead, pTail);
}

LPCOLESTR MakeItemName(int n, const VARIANT* pItem, CBstr& str)
{
    WCHAR buf[32];
    _snwprintf(buf, 31, L"Item %d", n);
    buf[31] = 0;
    if (pItem == nullptr || pItem->vt != VT_DISPATCH || pItem->pdispVal == nullptr) {
        str = buf;
        return str;
    }
    IDispatch* pDisp = pItem->pdispVal;
    LPOLESTR pszName = const_cast<LPOLESTR>(L"Name");
    DISPID id = DISPID_UNKNOWN;
    VARIANT v;
    VariantInit(&v);
    if (FAILED(pDisp->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_SYSTEM_DEFAULT, &id)) ||
        FAILED(InvokeGet(pDisp, id, DISPATCH_PROPERTYGET, &v))) {
        str = buf;   // no Name: the plain text
        return str;
    }
    CVariantGuard clear(v);
    if (v.vt != VT_BSTR) {
        str = buf;
        return str;
    }
    const size_t nHead = wcslen(buf);
    const size_t nName = v.bstrVal ? wcslen(v.bstrVal) : 0;
    BSTR b = SysAllocStringLen(nullptr, (UINT)(nHead + nName + 3));
    if (b == nullptr)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    wmemcpy(b, buf, nHead);
    b[nHead] = L' ';
    b[nHead + 1] = L'(';
    if (nName)
        wmemcpy(b + nHead + 2, v.bstrVal, nName);
    b[nHead + 2 + nName] = L')';
    b[nHead + 3 + nName] = 0;
    SysFreeString(str.m_str);
    str.m_str = b;
    return str;
}

CLogNode* CObjTable::CaptureItems(IEnumVARIANT* pEnum, int nItems)
{
    if (pEnum == nullptr || nItems <= 0)
        return nullptr;
    CLogNode* pHead = nullptr;
    CLogNode* pTail = nullptr;
    CChainGuard guard(pHead);
    CBstr name;
    for (int n = 1; n <= nItems; ++n) {
        VARIANT v;
        VariantInit(&v);
        HRESULT hr = pEnum->Next(1, &v, nullptr);
        if (hr != S_OK) {
            if (SUCCEEDED(hr))
                VariantClear(&v);
            break;
        }
        CVariantGuard clear(v);
        if (g_bForcedStop)
            throw CExcept(ZV_ERR_FORCED_STOP);
        MakeItemName(n, &v, name);
        CLogNode* pNode = NodeFromVariant(&v, name);
        AppendNode(pHead, pTail, pNode);
        RegisterValue(&v, TRUE);
    }
    if (pHead == nullptr)
        return nullptr;
    CLogNode* pGroup = AllocNode();
    CLogEntry* pEntry = pGroup->m_pEntry;
    pEntry->m_name = L"Items";
    pEntry->SetKind(LOGK_ITEMS);
    pEntry->m_flags |= LOGF_MEMBER_TREE;
    pGroup->m_pChildren = pHead;
    pHead->m_pBack = pGroup;
    guard.bArmed = false;
    return pGroup;
}

void CObjTable::Expand(CObjRecord* pRec, int nItems)
{
    if (pRec == nullptr || pRec->IsExpanded() || pRec->Kind() != CObjRecord::RF_DISPATCH)
        return;
    CLogNode* pHead = nullptr;
    CLogNode* pTail = nullptr;
    CChainGuard guard(pHead);
    CLogNode* pChain = nullptr;
    CLogNode* pChainTail = nullptr;
    CaptureVariables(pRec, pChain, pChainTail);
    AppendChain(pHead, pTail, pChain, pChainTail);
    CaptureProperties(pRec, pChain, pChainTail);
    AppendChain(pHead, pTail, pChain, pChainTail);
    IEnumVARIANT* pEnum = nullptr;
    if (pRec->GetEnumerator(pEnum)) {
        CLogNode* pGroup = nullptr;
        try {
            pGroup = CaptureItems(pEnum, nItems);
        } catch (...) {
            pEnum->Release();
            throw;
        }
        pEnum->Release();
        if (pGroup)
            AppendNode(pHead, pTail, pGroup);
    }
    guard.bArmed = false;
    pRec->m_pMembers = pHead;
    pRec->m_dwFlags |= CObjRecord::RF_EXPANDED;
}

// ---------------------------------------------------------------------------
// CObjTable: arrays and argument trees

void CObjTable::CaptureElements(CObjRecord* pRec, int nItems)
{
    if (pRec == nullptr || pRec->IsExpanded() || pRec->Kind() != CObjRecord::RF_ARRAY)
        return;
    CLogNode* pHead = nullptr;
    CLogNode* pTail = nullptr;
    CChainGuard guard(pHead);
    const ULONGLONG nLimit = nItems > 0 ? (ULONGLONG)nItems : 0;
    for (ULONGLONG n = 0; n < nLimit; ++n) {
        VARIANT scratch;
        const VARIANT* pElem = nullptr;
        CLogNode* pNode = pRec->ElementNode(n, scratch, pElem);
        if (pNode == nullptr)
            break;
        AppendNode(pHead, pTail, pNode);
        // The element stays the array's: records of its objects hold their
        // own reference, arrays inside it live as long as this array.
        RegisterValue(const_cast<VARIANT*>(pElem), FALSE);
    }
    guard.bArmed = false;
    pRec->m_pMembers = pHead;
    pRec->m_dwFlags |= CObjRecord::RF_EXPANDED;
}

CLogNode* CObjTable::AttachMembers(CLogNode* pNode, int nItems)
{
    if (pNode == nullptr)
        return nullptr;
    CLogEntry* pEntry = pNode->m_pEntry;
    if (pEntry == nullptr || pEntry->m_key == 0 || !pEntry->CanLoadMembers())
        return pNode->m_pChildren;
    const DWORD kind = pEntry->Kind();
    CObjRecord* pRec = nullptr;
    if (kind == LOGK_OBJECT)
        pRec = FindOrCreateDispatch(pEntry->m_key, nItems);
    else if (kind == LOGK_ARRAY)
        pRec = FindOrCreateArray(pEntry->m_key, nItems);
    else
        return pNode->m_pChildren;
    if (pRec == nullptr)
        return pNode->m_pChildren;   // not captured by this call
    if (kind == LOGK_OBJECT)
        pEntry->m_value = pRec->GetTypeName();
    CLogNode* pCopy = CopyMemberChain(pRec->m_pMembers, m_nAttached);
    if (pCopy) {
        if (pNode->m_pChildren)   // cannot happen for a node whose members were not loaded
            FreeNodeTree(pNode->m_pChildren);
        pCopy->m_pBack = pNode;
        pNode->m_pChildren = pCopy;
    }
    pEntry->ClearFlags(LOGF_NOT_LOADED);
    pEntry->SetFlags(LOGF_MEMBER_TREE);
    return pNode->m_pChildren;
}

void CObjTable::LoadMemberLevels(CLogNode* pChain, int nLevels, int nItems)
{
    LoadLevels(pChain, nLevels, nItems, 1);
}

void CObjTable::LoadLevels(CLogNode* pChain, int nLevels, int nItems, size_t nFreeLevels)
{
    struct CLevel {
        CLogNode* pNext;
        int nLevels;
    };
    std::vector<CLevel> stack;
    try {
        stack.reserve(16);
        stack.push_back({ pChain, nLevels < 0 ? 0 : nLevels });
        while (!stack.empty()) {
            CLevel& lv = stack.back();
            CLogNode* pNode = lv.pNext;
            if (pNode == nullptr) {
                stack.pop_back();
                continue;
            }
            const int nLeft = lv.nLevels;
            lv.pNext = pNode->m_pNext;
            if (g_bForcedStop)
                throw CExcept(ZV_ERR_FORCED_STOP);
            if (stack.size() > nFreeLevels && m_nAttached >= kMaxCapturedNodes)
                continue;   // left loadable, like a node beyond the depth limit
            AttachMembers(pNode, nItems);
            if (nLeft != 0 && pNode->m_pChildren)
                stack.push_back({ pNode->m_pChildren, nLeft - 1 });
        }
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

CLogNode* CObjTable::BuildArgumentTree(const VARIANT* pObjectArray, int nLevels, int nItems)
{
    if (pObjectArray == nullptr)
        return nullptr;
    if (nLevels < 0)
        nLevels = 0;
    if (nLevels > INT_MAX - 1)
        nLevels = INT_MAX - 1;
    if (nItems < 0)
        nItems = 0;
    if (pObjectArray->vt & VT_ARRAY)
        return BuildPairList(pObjectArray, nLevels, nItems);
    return BuildFromSingleValue(pObjectArray, nLevels, nItems);
}

namespace {

// Holds the data of an array locked for a scope.
struct CArrayAccess {
    SAFEARRAY* psa = nullptr;
    void* pData = nullptr;
    ~CArrayAccess()
    {
        if (pData)
            SafeArrayUnaccessData(psa);
    }
};

} // namespace

CLogNode* CObjTable::BuildPairList(const VARIANT* pArray, int nLevels, int nItems)
{
    if (pArray == nullptr || (pArray->vt & VT_ARRAY) == 0)
        return nullptr;
    SAFEARRAY* psa = (pArray->vt & VT_BYREF) ? (pArray->pparray ? *pArray->pparray : nullptr)
                                             : pArray->parray;
    if (psa == nullptr || psa->cDims == 0)
        return nullptr;
    ULONGLONG total = 1;
    for (UINT k = 0; k < psa->cDims; ++k)
        total *= psa->rgsabound[k].cElements;   // only compared below; dims of 0 give 0
    ULONGLONG nCount = psa->rgsabound[0].cElements;
    if (nCount > total)
        nCount = total;
    nCount &= ~(ULONGLONG)1;
    if (nCount == 0)
        return nullptr;
    CArrayAccess access;
    access.psa = psa;
    void* pData = nullptr;
    if (FAILED(SafeArrayAccessData(psa, &pData)))
        return nullptr;
    access.pData = pData;
    if (pData == nullptr) {
        SafeArrayUnaccessData(psa);
        access.pData = nullptr;
        return nullptr;
    }
    const VARTYPE vtElem = ArrayElementType(psa, (VARTYPE)(pArray->vt & VT_TYPEMASK));
    CLogNode* pHead = nullptr;
    CLogNode* pTail = nullptr;
    CChainGuard guard(pHead);
    for (ULONGLONG p = 0; p < nCount / 2; ++p) {
        VARIANT nameScratch, valueScratch;
        const VARIANT* pName = ArrayElementValue(psa, pData, vtElem, 2 * p, nameScratch);
        const VARIANT* pValue = ArrayElementValue(psa, pData, vtElem, 2 * p + 1, valueScratch);
        CLogNode* pNode = NodeFromNameValue(pValue, pName);
        AppendNode(pHead, pTail, pNode);
        RegisterValue(const_cast<VARIANT*>(pValue), FALSE);
    }
    LoadMemberLevels(pHead, nLevels, nItems);
    guard.bArmed = false;
    return pHead;
}

CLogNode* CObjTable::BuildFromSingleValue(const VARIANT* pValue, int nLevels, int nItems)
{
    if (pValue == nullptr)
        return nullptr;
    CLogNode* pRoot = NodeFromVariant(pValue, L"");
    CChainGuard rootGuard(pRoot);
    RegisterValue(const_cast<VARIANT*>(pValue), FALSE);
    LoadLevels(pRoot, nLevels + 1, nItems, 2);   // the root's members are the first level
    CLogNode* pMembers = pRoot->m_pChildren;
    if (pMembers == nullptr)
        return nullptr;
    pRoot->m_pChildren = nullptr;
    pMembers->m_pBack = nullptr;
    CChainGuard membersGuard(pMembers);

    // Keep the strings that name the next member, and lone strings.
    CLogNode* pKept = nullptr;
    CLogNode* pKeptTail = nullptr;
    CChainGuard keptGuard(pKept);
    CLogNode* pDropped = nullptr;
    CLogNode* pDroppedTail = nullptr;
    CChainGuard droppedGuard(pDropped);
    // pMembers always holds the members not yet handled.
    while (pMembers) {
        CLogNode* x = pMembers;
        CLogEntry* pX = x->m_pEntry;
        if (pX == nullptr || wcscmp(pX->m_type, L"BSTR") != 0) {
            // x and everything after it go.
            CLogNode* pLast = x;
            while (pLast->m_pNext)
                pLast = pLast->m_pNext;
            pMembers = nullptr;
            AppendChain(pDropped, pDroppedTail, x, pLast);
            break;
        }
        CLogNode* y = x->m_pNext;
        int nIndex = -1;
        if (y && y->m_pEntry)
            nIndex = y->m_pEntry->m_name.GetBracketIndex();
        if (y && y->m_pEntry && (nIndex < 0 || (nIndex & 1))) {
            // x names y.
            pMembers = y->m_pNext;
            if (pMembers)
                pMembers->m_pBack = nullptr;
            AppendNode(pDropped, pDroppedTail, x);
            AppendNode(pKept, pKeptTail, y);
            y->m_pEntry->m_name = pX->m_value;
        } else {
            // A lone string: shown by its text.
            pMembers = y;
            if (pMembers)
                pMembers->m_pBack = nullptr;
            AppendNode(pKept, pKeptTail, x);
            pX->m_name = pX->m_value;
            pX->m_value = L"";
            pX->m_type = VarTypeName(VT_EMPTY);
        }
    }
    keptGuard.bArmed = false;
    if (pKept)
        pKept->m_pBack = nullptr;
    return pKept;
}
