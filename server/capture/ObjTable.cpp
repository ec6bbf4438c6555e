// The object table of one call and its records.
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

// ---------------------------------------------------------------------------
// CObjRecord

CObjRecord::CObjRecord(IDispatch* pDisp)
    : m_pMembers(nullptr), m_pDispatch(pDisp), m_pArray(nullptr), m_pTypeInfo(nullptr),
      m_pData(nullptr), m_nElements(0), m_vtElem(VT_EMPTY), m_dwFlags(RF_DISPATCH)
{
    m_pDispatch->AddRef();
    ITypeInfo* pInfo = nullptr;
    if (SUCCEEDED(m_pDispatch->GetTypeInfo(0, GetSystemDefaultLCID(), &pInfo)) && pInfo)
        m_pTypeInfo = pInfo;
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

// ---------------------------------------------------------------------------
// CObjTable: records

CObjTable::CObjTable(UINT nClient) : m_nClient(nClient) {}

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
    for (auto& kv : m_types)
        kv.first->Release();
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
        if (pRec->m_pTypeInfo) {
            try {
                pRec->m_pTypes = &TypeOf(pRec->m_pTypeInfo);
                pRec->m_name = pRec->m_pTypes->name;
            } catch (...) {
                delete pRec;
                throw;
            }
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

