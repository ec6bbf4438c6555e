// The capture of arrays and argument trees.
#include "server/capture/ObjTable.h"
#include <algorithm>
#include <climits>
#include <cwchar>
#include <memory>
#include <new>
#include "server/capture/CaptureUtil.h"
#include "server/capture/LogValue.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"
#include "server/core/NodeAlgo.h"

using namespace capture;

namespace {

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

} // namespace

// ---------------------------------------------------------------------------
// Array elements

VARTYPE ArrayOwnType(SAFEARRAY* psa)
{
    if (psa == nullptr)
        return VT_EMPTY;
    VARTYPE vt = VT_EMPTY;
    if (SUCCEEDED(SafeArrayGetVartype(psa, &vt)) && vt != VT_EMPTY)
        return vt;
    // No stored type: the feature flags still name the kinds that hold pointers.
    const USHORT f = psa->fFeatures;
    if (f & FADF_RECORD)
        return VT_RECORD;
    if (f & FADF_VARIANT)
        return VT_VARIANT;
    if (f & FADF_BSTR)
        return VT_BSTR;
    if (f & FADF_DISPATCH)
        return VT_DISPATCH;
    if (f & (FADF_UNKNOWN | FADF_HAVEIID))
        return VT_UNKNOWN;
    return VT_EMPTY;
}

namespace {

// Element types whose values hold pointers that the capture follows.
bool HoldsPointers(VARTYPE vt)
{
    switch (vt) {
    case VT_BSTR: case VT_DISPATCH: case VT_UNKNOWN: case VT_VARIANT: case VT_RECORD:
        return true;
    default:
        return false;
    }
}

} // namespace

VARTYPE ArrayElementType(SAFEARRAY* psa, VARTYPE vtDeclared)
{
    const VARTYPE vtOwn = ArrayOwnType(psa);
    if (vtDeclared == VT_EMPTY)
        return vtOwn;
    if (vtOwn != VT_EMPTY)
        return vtOwn == vtDeclared ? vtOwn : (VARTYPE)VT_ILLEGAL;
    // The array cannot tell: plain numbers are read as declared (their size
    // is checked), nothing is read as a pointer the array does not vouch for.
    return HoldsPointers(vtDeclared) ? (VARTYPE)VT_ILLEGAL : vtDeclared;
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
// CObjRecord: elements

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

