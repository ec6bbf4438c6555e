// The object table of one client call: every object and array that the
// capture meets, one record per pointer value, with the member chain read
// from it once. Also the capture itself: the argument tree of a call, the
// members of objects (variables, property getters, collection items) and the
// elements of arrays. Main thread only, inside the client's call.
//
// ObjTable.cpp holds the table and its records, CaptureObject.cpp the capture
// of dispatch objects, CaptureArray.cpp that of arrays and argument trees;
// TypeCache.h keeps the walked types of each client across its calls.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>
#include <memory>
#include "server/capture/TypeCache.h"
#include "server/core/Bstr.h"
#include "server/core/LogNode.h"

class CObjTable;

// One captured object (IDispatch, held with one reference) or array (its data
// locked for the record's life).
class CObjRecord {
public:
    enum : DWORD {
        RF_DISPATCH   = 0x01,   // kind 1
        RF_ARRAY      = 0x02,   // kind 2
        RF_KIND_MASK  = 0x0F,
        RF_EXPANDED   = 0x10,   // the member / element chain has been built
        RF_OWNS_ARRAY = 0x20    // the capture obtained the array; destroyed with the table
    };

    // The name and members of the object's type come from the table that
    // makes the record (CObjTable::RegisterValue).
    explicit CObjRecord(IDispatch* pDisp);
    // vtElem: the element type the VARIANT declared (VT_EMPTY: ask the array).
    CObjRecord(SAFEARRAY* psa, VARTYPE vtElem, BOOL bOwnsArray);
    ~CObjRecord();
    CObjRecord(const CObjRecord&) = delete;
    CObjRecord& operator=(const CObjRecord&) = delete;

    DWORD Kind() const { return m_dwFlags & RF_KIND_MASK; }
    BOOL IsExpanded() const { return (m_dwFlags & RF_EXPANDED) != 0; }
    BOOL OwnsArray() const { return (m_dwFlags & RF_OWNS_ARRAY) != 0; }

    // Dispatch record.
    IDispatch* GetDispatch() const { return m_pDispatch; }
    ITypeInfo* GetTypeInfo() const { return m_pTypeInfo; }    // null when the object gives none
    LPCOLESTR GetTypeName() const { return m_name; }           // "" when the type names none
    // TRUE when the object gave an IEnumVARIANT through DISPID_NEWENUM (the
    // caller releases it).
    BOOL GetEnumerator(IEnumVARIANT*& pEnum) const;
    // Whether a function description is a property getter that the capture reads.
    static BOOL IsPropertyGetter(ITypeInfo* pOwnInfo, const FUNCDESC* pDesc);

    // Array record.
    SAFEARRAY* GetArray() const { return m_pArray; }
    const void* GetData() const { return m_pData; }            // null when the access failed
    VARTYPE GetElementType() const { return m_vtElem; }
    UINT GetDimCount() const { return (UINT)m_strides.size(); }
    ULONGLONG GetElementCount() const { return m_nElements; }
    ULONGLONG GetStride(UINT k) const { return m_strides[k]; }   // per bound entry
    ULONGLONG GetDivisor(UINT k) const { return m_divisors[k]; }
    // Position in the array data of the element with display number n and its
    // index text "[ i, j ]" in str; -1 beyond the last element.
    LONGLONG ElementIndex(ULONGLONG n, CBstr& str) const;
    // The node of element n (none beyond the last element or without data).
    // pElem receives the element's value: in place in the array data, or in
    // scratch as a borrowed view that the caller must not clear.
    CLogNode* ElementNode(ULONGLONG n, VARIANT& scratch, const VARIANT*& pElem) const;

    CLogNode* m_pMembers;    // member chain (objects) or element chain (arrays); owned

private:
    friend class CObjTable;
    // Writes the index text of display number n into buf (room for cch
    // characters); returns the position or -1.
    LONGLONG ElementIndexText(ULONGLONG n, WCHAR* buf, size_t cch) const;

    IDispatch* m_pDispatch;
    SAFEARRAY* m_pArray;
    ITypeInfo* m_pTypeInfo;
    CTypeMembers* m_pTypes = nullptr;   // the table's entry for m_pTypeInfo
    void*      m_pData;
    CBstr      m_name;
    std::vector<ULONGLONG> m_strides;    // stride(k): elements between neighbours of entry k
    std::vector<ULONGLONG> m_divisors;   // divisor(k): weight of entry k in display order
    ULONGLONG  m_nElements;
    VARTYPE    m_vtElem;
    DWORD      m_dwFlags;
};

class CObjTable {
public:
    // nClient: the id of the client whose call this is; its kept types are
    // used and grown (0: a table of no client, which keeps nothing).
    explicit CObjTable(UINT nClient = 0);
    ~CObjTable();   // releases every object, unlocks every array, frees the chains
    CObjTable(const CObjTable&) = delete;
    CObjTable& operator=(const CObjTable&) = delete;

    // The argument tree of ObjectArray down to nLevels levels with at most
    // nItems items per collection or array: the first node of the first
    // level, or null. Negative counts count as 0. Throws CExcept 3 (forced
    // stop), 9, 10, 11; nothing that was made is left behind then.
    CLogNode* BuildArgumentTree(const VARIANT* pObjectArray, int nLevels, int nItems);
    CLogNode* BuildPairList(const VARIANT* pArray, int nLevels, int nItems);
    CLogNode* BuildFromSingleValue(const VARIANT* pValue, int nLevels, int nItems);
    // Attaches members down the levels. Shared objects are copied at every
    // place they occur, so an object graph that refers back to itself more
    // than once grows with the power of the depth: once a call's tree holds
    // kMaxCapturedNodes member nodes, nodes below the first level keep their
    // members unloaded (bits 0x1800), as nodes beyond the depth limit do.
    void LoadMemberLevels(CLogNode* pChain, int nLevels, int nItems);
    static constexpr size_t kMaxCapturedNodes = (size_t)1 << 20;

    // Hangs a copy of the record's member chain under an object or array node
    // whose members can still be loaded and marks them loaded; returns the
    // node's first child. A node of another kind, already loaded, or whose key
    // this call did not capture is left unchanged.
    CLogNode* AttachMembers(CLogNode* pNode, int nItems);

    // The record of a key that this call captured, expanded with the limit if
    // it was not yet; null for a key the call never captured (or of the other kind).
    CObjRecord* FindOrCreateDispatch(DWORD_PTR key, int nItems);
    CObjRecord* FindOrCreateArray(DWORD_PTR key, int nItems);
    CObjRecord* Find(DWORD_PTR key) const;

    // Enters the object or array that the VARIANT holds (also by reference)
    // when its key has no record yet. bOwned: the VARIANT is the capture's own
    // (a value it read); a by-value array then passes to its record and the
    // VARIANT is left empty.
    void RegisterValue(VARIANT* pVar, BOOL bOwned);

    void Expand(CObjRecord* pRec, int nItems);
    void CaptureElements(CObjRecord* pRec, int nItems);
    void CaptureVariables(CObjRecord* pRec, CLogNode*& pHead, CLogNode*& pTail);
    void CaptureProperties(CObjRecord* pRec, CLogNode*& pHead, CLogNode*& pTail);
    // The "Items" group with up to nItems items of the enumerator, or null.
    CLogNode* CaptureItems(IEnumVARIANT* pEnum, int nItems);

    size_t GetRecordCount() const { return m_records.size(); }

private:
    // The entry of a type in this table: from the client's kept types when
    // they know it, else made now with the type's name (walked later).
    CTypeMembers& TypeOf(ITypeInfo* pInfo);
    // The record's type, walked (once per table, or once per client).
    const CTypeMembers& WalkedTypeOf(CObjRecord* pRec);
    void ReadMembers(CObjRecord* pRec, const std::vector<CTypeMember>& members, BOOL bProps,
                     CLogNode*& pHead, CLogNode*& pTail);
    CObjRecord* Insert(DWORD_PTR key, CObjRecord* pRec);
    // nFreeLevels: levels of the walk, from the chain down, that are attached
    // whatever the node count.
    void LoadLevels(CLogNode* pChain, int nLevels, int nItems, size_t nFreeLevels);

    std::map<DWORD_PTR, CObjRecord*> m_records;
    struct CTypeSlot {
        std::shared_ptr<CTypeMembers> pTypes;
        bool bKeyed = false;   // a type with a GUID, kept for the client once walked
        CTypeKey key{};
    };
    std::unordered_map<ITypeInfo*, CTypeSlot> m_types;   // each ITypeInfo held once
    UINT m_nClient = 0;       // whose types are kept across calls; 0: none
    size_t m_nAttached = 0;   // member nodes hung into the log by AttachMembers
};

// The name of collection item n: "Item n", with " (<Name>)" when the item is
// an object whose Name property reads as a string.
LPCOLESTR MakeItemName(int n, const VARIANT* pItem, CBstr& str);

// The element VARIANT at a position of an array's data, elements of type
// vtElem (the platform's sizes): in place for VARIANT elements, else a
// borrowed view in scratch (never to be cleared). VT_ERROR when the array's
// element size does not fit the type.
const VARIANT* ArrayElementValue(const SAFEARRAY* psa, const void* pData, VARTYPE vtElem,
                                 ULONGLONG pos, VARIANT& scratch);
// The element type that an array holds by its own account (its stored type,
// else its feature flags); VT_EMPTY when it cannot tell.
VARTYPE ArrayOwnType(SAFEARRAY* psa);
// The element type to read an array with, given the type that the VARIANT
// declared (VT_EMPTY: none): the array's own when the two agree or none was
// declared; VT_ILLEGAL, which reads every element as the element-type error,
// when they disagree, or when a type that holds pointers is declared over an
// array that cannot tell what it holds.
VARTYPE ArrayElementType(SAFEARRAY* psa, VARTYPE vtDeclared);
