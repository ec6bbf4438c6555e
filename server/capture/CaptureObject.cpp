// The capture of dispatch objects: variables, property getters and the
// items of a collection.
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

const UINT kMaxTypeMembers = 65536;   // a type holds at most 65535 of each kind
const int  kMaxBaseTypes = 256;       // guards against a base-type cycle

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
            if (pBase == pOwn) {
                // Back at the object's own type: the walk is over, and the
                // reference that GetRefTypeInfo gave goes back at once.
                pBase->Release();
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
        // Each answer replaces the enumerator held so far, also when it holds
        // none: a null pointer or a failed query leaves no enumerator.
        IUnknown* pUnk = ObjectOf(v);
        IEnumVARIANT* pNew = nullptr;
        if (pUnk == nullptr || FAILED(pUnk->QueryInterface(IID_IEnumVARIANT, (void**)&pNew)))
            pNew = nullptr;
        if (pEnum)
            pEnum->Release();
        pEnum = pNew;
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

CTypeMembers& CObjTable::TypeOf(ITypeInfo* pInfo)
{
    auto it = m_types.find(pInfo);
    if (it != m_types.end())
        return *it->second.pTypes;
    try {
        CTypeSlot slot;
        if (m_nClient != 0 && CClientTypes::Keeps(m_nClient)) {
            TYPEATTR* pAttr = nullptr;
            if (SUCCEEDED(pInfo->GetTypeAttr(&pAttr)) && pAttr) {
                if (!IsEqualGUID(pAttr->guid, GUID_NULL)) {
                    slot.bKeyed = true;
                    slot.key = { pAttr->guid, pAttr->typekind, pAttr->lcid, pAttr->wMajorVerNum,
                                 pAttr->wMinorVerNum, pAttr->cFuncs, pAttr->cVars };
                }
                pInfo->ReleaseTypeAttr(pAttr);
            }
        }
        if (slot.bKeyed) {
            // A kept type is never changed: the table shares it as it is.
            bool bUnkept = false;
            std::shared_ptr<const CTypeMembers> pKept = CClientTypes::Find(m_nClient, slot.key, bUnkept);
            if (pKept)
                slot.pTypes = std::const_pointer_cast<CTypeMembers>(pKept);
            else if (bUnkept)
                slot.bKeyed = false;
        }
        if (!slot.pTypes) {
            slot.pTypes = std::make_shared<CTypeMembers>();
            BSTR bstrName = nullptr;
            if (SUCCEEDED(pInfo->GetDocumentation(MEMBERID_NIL, &bstrName, nullptr, nullptr, nullptr)) &&
                bstrName) {
                SysFreeString(slot.pTypes->name.m_str);   // the entry takes the string
                slot.pTypes->name.m_str = bstrName;
            }
        }
        CTypeMembers& types = *slot.pTypes;
        m_types.emplace(pInfo, std::move(slot));
        pInfo->AddRef();
        return types;
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

const CTypeMembers& CObjTable::WalkedTypeOf(CObjRecord* pRec)
{
    ITypeInfo* pInfo = pRec->GetTypeInfo();
    CTypeMembers& types = pRec->m_pTypes ? *pRec->m_pTypes : TypeOf(pInfo);
    if (types.bWalked)
        return types;
    try {
        for (int kind = 0; kind < 2; ++kind) {
            const bool bProps = kind == 1;
            std::vector<CTypeMember>& out = bProps ? types.props : types.vars;
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
        types.bWalked = true;
    } catch (const std::bad_alloc&) {
        types.vars.clear();
        types.props.clear();
        throw CExcept(ZV_ERR_MEMORY);
    } catch (...) {
        types.vars.clear();
        types.props.clear();
        throw;
    }
    const CTypeSlot& slot = m_types.find(pInfo)->second;
    if (slot.bKeyed) {
        // Only a type that a type library holds has members fixed by its GUID.
        ITypeLib* pLib = nullptr;
        UINT nIndex = 0;
        if (SUCCEEDED(pInfo->GetContainingTypeLib(&pLib, &nIndex)) && pLib) {
            pLib->Release();
            CClientTypes::Store(m_nClient, slot.key, slot.pTypes);
        } else {
            CClientTypes::Unkept(m_nClient, slot.key);
        }
    }
    return types;
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
    ReadMembers(pRec, WalkedTypeOf(pRec).vars, FALSE, pHead, pTail);
}

void CObjTable::CaptureProperties(CObjRecord* pRec, CLogNode*& pHead, CLogNode*& pTail)
{
    pHead = pTail = nullptr;
    if (pRec->GetTypeInfo() == nullptr)
        return;
    ReadMembers(pRec, WalkedTypeOf(pRec).props, TRUE, pHead, pTail);
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

