// Capture of arrays and of argument trees: index texts for any number of
// dimensions and lower bounds, plain element types, locks, the pair list,
// the single value, levels, and bad arrays from a client.
#include "TestObjects.h"
#include <memory>
#include "server/capture/LogValue.h"
#include "server/capture/ObjTable.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"

namespace {

// Captures an array given as one pair value; returns the array node.
const CLogNode* CaptureArrayPair(CObjTable& table, SAFEARRAY* psa, VARTYPE vtArray, int nLevels,
                                 int nItems, SAFEARRAY** ppArgs)
{
    SAFEARRAY* args = MakeVariantArray({ { 2, 0 } });
    VARIANT* e = (VARIANT*)args->pvData;
    e[0] = VStr(L"arr");
    e[1].vt = vtArray;
    e[1].parray = psa;
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = args;
    *ppArgs = args;
    return table.BuildArgumentTree(&arg, nLevels, nItems);
}

// Frees the captured tree and destroys the argument array without
// destroying the array in it.
void DestroyArgs(SAFEARRAY* args, const CLogNode* pTree)
{
    if (pTree)
        FreeNodeTree(const_cast<CLogNode*>(pTree));
    VARIANT* e = (VARIANT*)args->pvData;
    e[1].vt = VT_EMPTY;
    SafeArrayDestroy(args);
}

std::wstring IndexName(const std::vector<LONG>& idx)
{
    std::wstring s = L"[ ";
    for (size_t i = 0; i < idx.size(); ++i) {
        if (i)
            s += L", ";
        s += std::to_wstring(idx[i]);
    }
    return s + L" ]";
}

} // namespace

class CaptureArray : public CaptureTest {};

// Element names and values in display order (the last declared dimension
// fastest) for one to three dimensions with lower bounds that are not 0.
TEST_F(CaptureArray, IndexTextsAndValuesForOneToThreeDimensions)
{
    const std::vector<std::vector<std::pair<ULONG, LONG>>> shapes = {
        { { 4, -1 } },
        { { 3, 0 }, { 5, 0 } },
        { { 2, 1 }, { 3, -2 }, { 4, 10 } },
    };
    for (const auto& shape : shapes) {
        SAFEARRAY* psa = MakeVariantArray(shape);
        // Every element holds its own index text.
        std::vector<std::vector<LONG>> order;   // display order
        std::vector<LONG> idx(shape.size());
        for (size_t k = 0; k < shape.size(); ++k)
            idx[k] = shape[k].second;
        for (;;) {
            order.push_back(idx);
            size_t k = shape.size();
            while (k-- > 0) {
                if (++idx[k] < shape[k].second + (LONG)shape[k].first)
                    break;
                idx[k] = shape[k].second;
            }
            if (k == (size_t)-1)
                break;
        }
        for (const auto& ix : order)
            *ArrayAt(psa, ix) = VStr(IndexName(ix).c_str());
        {
            CObjTable table;
            SAFEARRAY* args;
            const CLogNode* pNode = CaptureArrayPair(table, psa, VT_ARRAY | VT_VARIANT, 4, 100, &args);
            ASSERT_NE(nullptr, pNode);
            EXPECT_STREQ(L"SAFEARRAY*", pNode->m_pEntry->m_type.m_str);
            EXPECT_EQ((DWORD)LOGK_ARRAY, pNode->m_pEntry->Kind());
            EXPECT_FALSE(pNode->m_pEntry->CanLoadMembers());
            EXPECT_EQ((int)order.size(), ChainLength(pNode->m_pChildren));
            size_t i = 0;
            for (const CLogNode* p = pNode->m_pChildren; p && i < order.size(); p = p->m_pNext, ++i) {
                const std::wstring expected = IndexName(order[i]);
                EXPECT_EQ(expected, std::wstring(p->m_pEntry->m_name.m_str));
                EXPECT_EQ(expected, std::wstring(p->m_pEntry->m_value.m_str)) << "the element at that index";
            }
            EXPECT_EQ(1u, psa->cLocks) << "locked while the table lives";
            DestroyArgs(args, pNode);
        }
        EXPECT_EQ(0u, psa->cLocks) << "unlocked with the table";
        EXPECT_HRESULT_SUCCEEDED(SafeArrayDestroy(psa));
    }
}

TEST_F(CaptureArray, StridesDivisorsAndTheElementLimit)
{
    SAFEARRAY* psa = MakeVariantArray({ { 3, 0 }, { 5, 0 } });
    {
        CObjTable table;
        VARIANT v;
        v.vt = VT_ARRAY | VT_VARIANT;
        v.parray = psa;
        table.RegisterValue(&v, FALSE);
        CObjRecord* pRec = table.FindOrCreateArray((DWORD_PTR)psa, 4);
        ASSERT_NE(nullptr, pRec);
        EXPECT_EQ(2u, pRec->GetDimCount());
        EXPECT_EQ(1u, pRec->GetStride(1));
        EXPECT_EQ(3u, pRec->GetStride(0));
        EXPECT_EQ(1u, pRec->GetDivisor(0));
        EXPECT_EQ(5u, pRec->GetDivisor(1));
        EXPECT_EQ(L"[ 0, 0 ],[ 0, 1 ],[ 0, 2 ],[ 0, 3 ]", Names(pRec->m_pMembers));
        CBstr s;
        EXPECT_EQ(3 * 4 + 2, pRec->ElementIndex(2 * 5 + 4, s));   // element (2, 4) lies at 2 + 3 * 4
        EXPECT_STREQ(L"[ 2, 4 ]", s.m_str);
        EXPECT_EQ(-1, pRec->ElementIndex(15, s));
    }
    SafeArrayDestroy(psa);
}

// Arrays of plain types are read with their own element size.
TEST_F(CaptureArray, PlainElementTypes)
{
    SAFEARRAYBOUND b = { 3, 1 };
    SAFEARRAY* pLongs = SafeArrayCreate(VT_I4, 1, &b);
    SAFEARRAY* pStrings = SafeArrayCreate(VT_BSTR, 1, &b);
    SAFEARRAY* pDoubles = SafeArrayCreate(VT_R8, 1, &b);
    SAFEARRAY* pBytes = SafeArrayCreate(VT_UI1, 1, &b);
    for (LONG i = 1; i <= 3; ++i) {
        LONG n = i * 100;
        SafeArrayPutElement(pLongs, &i, &n);
        BSTR s = SysAllocString(i == 2 ? L"two" : L"x");
        SafeArrayPutElement(pStrings, &i, s);
        SysFreeString(s);
        double d = i + 0.5;
        SafeArrayPutElement(pDoubles, &i, &d);
        BYTE by = (BYTE)(250 + i);
        SafeArrayPutElement(pBytes, &i, &by);
    }
    struct {
        SAFEARRAY* psa;
        VARTYPE vt;
        LPCWSTR expected;
    } cases[] = {
        { pLongs, VT_ARRAY | VT_I4, L"[ 1 ]|LONG|100, 0x00000064\n[ 2 ]|LONG|200, 0x000000c8\n[ 3 ]|LONG|300, 0x0000012c" },
        { pStrings, VT_ARRAY | VT_BSTR, L"[ 1 ]|BSTR|x\n[ 2 ]|BSTR|two\n[ 3 ]|BSTR|x" },
        { pDoubles, VT_ARRAY | VT_R8, L"[ 1 ]|DOUBLE|1.5\n[ 2 ]|DOUBLE|2.5\n[ 3 ]|DOUBLE|3.5" },
        { pBytes, VT_ARRAY | VT_UI1, L"[ 1 ]|BYTE|251, 0xfb\n[ 2 ]|BYTE|252, 0xfc\n[ 3 ]|BYTE|253, 0xfd" },
        // The array says what it holds when the VARIANT does not.
        { pLongs, VT_ARRAY, L"[ 1 ]|LONG|100, 0x00000064\n[ 2 ]|LONG|200, 0x000000c8\n[ 3 ]|LONG|300, 0x0000012c" },
        // A VARIANT whose type does not fit the array's elements: errors, never a read past the data.
        { pBytes, VT_ARRAY | VT_VARIANT, nullptr },
    };
    for (auto& c : cases) {
        CObjTable table;
        SAFEARRAY* args;
        const CLogNode* pNode = CaptureArrayPair(table, c.psa, c.vt, 4, 100, &args);
        ASSERT_NE(nullptr, pNode);
        if (c.expected) {
            EXPECT_EQ(std::wstring(c.expected), ChainText(pNode->m_pChildren));
        } else {
            ASSERT_EQ(3, ChainLength(pNode->m_pChildren));
            for (const CLogNode* p = pNode->m_pChildren; p; p = p->m_pNext) {
                EXPECT_STREQ(L"SCODE", p->m_pEntry->m_type.m_str);
                EXPECT_EQ(0u, std::wstring(p->m_pEntry->m_value.m_str).find(L"0x80020008, "));
            }
        }
        DestroyArgs(args, pNode);
    }
    for (SAFEARRAY* p : { pLongs, pStrings, pDoubles, pBytes }) {
        EXPECT_EQ(0u, p->cLocks);
        SafeArrayDestroy(p);
    }
}

// The array, not the VARIANT, says what its elements are: a declared type
// that disagrees with the array's own, of the same size or not, reads every
// element as the element-type error and touches none as an object; over an
// array that cannot tell, only plain numbers are read as declared.
TEST_F(CaptureArray, DeclaredElementTypesAreCheckedAgainstTheArray)
{
    CTestDisp obj(nullptr);
    obj.On(DISPID_NEWENUM, [](VARIANT*) { return E_FAIL; });
    SAFEARRAYBOUND b = { 2, 0 };
    auto make = [&](VARTYPE vt) {
        SAFEARRAY* psa = SafeArrayCreate(vt, 1, &b);
        for (LONG i = 0; i < 2; ++i) {
            void* pDst = nullptr;
            SafeArrayPtrOfIndex(psa, &i, &pDst);
            if (vt == VT_BSTR) {
                *(BSTR*)pDst = SysAllocString(L"s");
            } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
                *(IUnknown**)pDst = static_cast<IDispatch*>(&obj);
                obj.AddRef();
            } else if (vt == VT_R8) {
                *(double*)pDst = 7.0;
            } else if (vt == VT_I8) {
                *(LONGLONG*)pDst = 7;
            } else if (vt == VT_R4) {
                *(float*)pDst = 7.0f;
            } else {
                *(LONG*)pDst = 7;
            }
        }
        return psa;
    };
    // A descriptor without any stored type or flags, over four-byte numbers.
    LONG raw[2] = { 7, 7 };
    SAFEARRAY* pUntyped = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SafeArrayAllocDescriptor(1, &pUntyped));
    pUntyped->cbElements = 4;
    pUntyped->pvData = raw;
    pUntyped->rgsabound[0] = b;
    pUntyped->fFeatures = FADF_STATIC;
    // One that names what it holds by its flags alone.
    IDispatch* objs[2] = { &obj, &obj };
    SAFEARRAY* pFlagged = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SafeArrayAllocDescriptor(1, &pFlagged));
    pFlagged->cbElements = sizeof(IDispatch*);
    pFlagged->pvData = objs;
    pFlagged->rgsabound[0] = b;
    pFlagged->fFeatures = FADF_STATIC | FADF_DISPATCH;

    struct {
        VARTYPE real;          // VT_EMPTY: the untyped descriptor; VT_ILLEGAL: the flagged one
        VARTYPE declared;
        LPCWSTR type;          // the elements' type text; "SCODE" for the error
    } cases[] = {
        { VT_R8, VT_DISPATCH, L"SCODE" },      // same size on 64 bits
        { VT_BSTR, VT_DISPATCH, L"SCODE" },    // same size everywhere
        { VT_UNKNOWN, VT_DISPATCH, L"SCODE" }, // same size, no IDispatch behind it
        { VT_DISPATCH, VT_BSTR, L"SCODE" },
        { VT_R4, VT_I4, L"SCODE" },            // four bytes each, as every pointer on 32 bits
        { VT_I4, VT_R8, L"SCODE" },            // different sizes
        { VT_I8, VT_VARIANT, L"SCODE" },
        { VT_I4, VT_I4, L"LONG" },
        { VT_R8, VT_EMPTY, L"DOUBLE" },        // none declared: the array's own
        { VT_DISPATCH, VT_DISPATCH, L"IDispatch*" },
        { VT_EMPTY, VT_I4, L"LONG" },
        { VT_EMPTY, VT_DISPATCH, L"SCODE" },
        { VT_EMPTY, VT_BSTR, L"SCODE" },
        { VT_ILLEGAL, VT_DISPATCH, L"IDispatch*" },
        { VT_ILLEGAL, VT_BSTR, L"SCODE" },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "real " << c.real << ", declared " << c.declared);
        SAFEARRAY* psa = c.real == VT_EMPTY ? pUntyped : c.real == VT_ILLEGAL ? pFlagged : make(c.real);
        const LONG refs = obj.Refs();
        {
            CObjTable table;
            SAFEARRAY* args;
            const CLogNode* pNode = CaptureArrayPair(table, psa, VT_ARRAY | c.declared, 4, 100, &args);
            ASSERT_NE(nullptr, pNode);
            ASSERT_EQ(2, ChainLength(pNode->m_pChildren));
            for (const CLogNode* p = pNode->m_pChildren; p; p = p->m_pNext) {
                EXPECT_STREQ(c.type, p->m_pEntry->m_type.m_str);
                if (wcscmp(c.type, L"SCODE") == 0) {
                    EXPECT_EQ(0u, std::wstring(p->m_pEntry->m_value.m_str).find(L"0x80020008, "));
                }
            }
            DestroyArgs(args, pNode);
        }
        EXPECT_EQ(refs, obj.Refs()) << "every reference taken is given back";
        EXPECT_EQ(0u, psa->cLocks);
        if (psa != pUntyped && psa != pFlagged)
            SafeArrayDestroy(psa);
    }
    // The same rule for ObjectArray itself: objects declared over numbers.
    SAFEARRAY* pNumbers = make(VT_R8);
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_DISPATCH;
    arg.parray = pNumbers;
    {
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        ASSERT_NE(nullptr, pTree);
        EXPECT_STREQ(L"SCODE", pTree->m_pEntry->m_type.m_str);
        EXPECT_EQ(0u, table.GetRecordCount());
        FreeNodeTree(pTree);
    }
    SafeArrayDestroy(pNumbers);
    pUntyped->pvData = nullptr;
    SafeArrayDestroyDescriptor(pUntyped);
    pFlagged->pvData = nullptr;
    SafeArrayDestroyDescriptor(pFlagged);
}

TEST_F(CaptureArray, ObjectsInArraysAreCapturedAndReleased)
{
    CTestDisp a(nullptr), b(nullptr);
    a.On(DISPID_NEWENUM, [](VARIANT*) { return E_FAIL; });
    SAFEARRAYBOUND bound = { 2, 0 };
    SAFEARRAY* pObjs = SafeArrayCreate(VT_DISPATCH, 1, &bound);
    LONG i0 = 0, i1 = 1;
    SafeArrayPutElement(pObjs, &i0, static_cast<IDispatch*>(&a));
    SafeArrayPutElement(pObjs, &i1, static_cast<IDispatch*>(&b));
    EXPECT_EQ(2, a.Refs());
    {
        CObjTable table;
        SAFEARRAY* args;
        const CLogNode* pNode = CaptureArrayPair(table, pObjs, VT_ARRAY | VT_DISPATCH, 4, 100, &args);
        ASSERT_EQ(2, ChainLength(pNode->m_pChildren));
        const CLogNode* e0 = pNode->m_pChildren;
        EXPECT_EQ((DWORD_PTR)(IDispatch*)&a, e0->m_pEntry->m_key);
        EXPECT_FALSE(e0->m_pEntry->CanLoadMembers()) << "expanded one level deeper";
        EXPECT_EQ(3, a.Refs());
        DestroyArgs(args, pNode);
    }
    EXPECT_EQ(2, a.Refs());
    EXPECT_EQ(2, b.Refs());
    SafeArrayDestroy(pObjs);
    EXPECT_EQ(1, a.Refs());
}

// An element that is itself an array is an array node, expanded one level deeper.
TEST_F(CaptureArray, NestedArrays)
{
    SAFEARRAY* pInner = MakeVariantArray({ { 2, 0 } });
    ((VARIANT*)pInner->pvData)[0] = VLong(7);
    ((VARIANT*)pInner->pvData)[1] = VLong(8);
    SAFEARRAY* pOuter = MakeVariantArray({ { 2, 0 } });
    VARIANT* e = (VARIANT*)pOuter->pvData;
    e[0].vt = VT_ARRAY | VT_VARIANT;
    e[0].parray = pInner;   // the outer array owns it now
    e[1] = VStr(L"s");
    {
        CObjTable table;
        SAFEARRAY* args;
        const CLogNode* pNode = CaptureArrayPair(table, pOuter, VT_ARRAY | VT_VARIANT, 4, 100, &args);
        const CLogNode* inner = pNode->m_pChildren;
        ASSERT_NE(nullptr, inner);
        EXPECT_STREQ(L"[ 0 ]", inner->m_pEntry->m_name.m_str);
        EXPECT_EQ((DWORD)LOGK_ARRAY, inner->m_pEntry->Kind());
        EXPECT_EQ(L"[ 0 ]|LONG|7, 0x00000007\n[ 1 ]|LONG|8, 0x00000008", ChainText(inner->m_pChildren));
        EXPECT_EQ(1u, pInner->cLocks);
        DestroyArgs(args, pNode);
    }
    EXPECT_EQ(0u, pInner->cLocks);
    EXPECT_EQ(0u, pOuter->cLocks);
    EXPECT_HRESULT_SUCCEEDED(SafeArrayDestroy(pOuter));
}

// Arrays that a getter returns belong to the capture and go with the table.
TEST_F(CaptureArray, ArraysFromGettersLiveWithTheirRecord)
{
    ITypeInfo* pInfo = MakeDynamicTypeInfo({ { false, L"List", 1 } });
    ASSERT_NE(nullptr, pInfo);
    CTestDisp obj(pInfo);
    int nMade = 0;
    obj.On(1, [&](VARIANT* p) {
        SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
        ((VARIANT*)psa->pvData)[0] = VStr(L"e0");
        ((VARIANT*)psa->pvData)[1] = VStr(L"e1");
        p->vt = VT_ARRAY | VT_VARIANT;
        p->parray = psa;
        ++nMade;
        return S_OK;
    });
    {
        CObjTable table;
        VARIANT v = VDisp(&obj);
        table.RegisterValue(&v, FALSE);
        CObjRecord* pRec = table.FindOrCreateDispatch((DWORD_PTR)(IDispatch*)&obj, 100);
        ASSERT_NE(nullptr, pRec);
        CLogNode* pList = pRec->m_pMembers;
        ASSERT_NE(nullptr, pList);
        EXPECT_EQ((DWORD)LOGK_ARRAY, pList->m_pEntry->Kind());
        CObjRecord* pArr = table.FindOrCreateArray(pList->m_pEntry->m_key, 100);
        ASSERT_NE(nullptr, pArr);
        EXPECT_TRUE(pArr->OwnsArray());
        EXPECT_EQ(L"[ 0 ]|BSTR|e0\n[ 1 ]|BSTR|e1", ChainText(pArr->m_pMembers));
    }
    EXPECT_EQ(1, nMade);
    EXPECT_EQ(1, obj.Refs());
    pInfo->Release();
}

TEST_F(CaptureArray, PairLists)
{
    CTestDisp obj(nullptr);
    struct {
        const char* label;
        ULONG n;
        LONG lbound;
        LPCWSTR names;
    } cases[] = {
        { "four", 4, 0, L"a,b" },
        { "five: the fifth is not read", 5, 0, L"a,b" },
        { "lower bound 1: read from the first", 4, 1, L"a,b" },
        { "one", 1, 0, L"" },
        { "none", 0, 0, L"" },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        SAFEARRAY* psa = MakeVariantArray({ { c.n, c.lbound } });
        VARIANT* e = (VARIANT*)psa->pvData;
        VARIANT vals[5] = { VStr(L"a"), VLong(1), VStr(L"b"), VDisp(&obj), VStr(L"c") };
        obj.AddRef();
        for (ULONG i = 0; i < 5; ++i) {
            if (i < c.n)
                e[i] = vals[i];
            else
                VariantClear(&vals[i]);
        }
        VARIANT arg;
        arg.vt = VT_ARRAY | VT_VARIANT;
        arg.parray = psa;
        {
            CObjTable table;
            CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
            EXPECT_EQ(std::wstring(c.names), Names(pTree));
            if (pTree) {
                EXPECT_STREQ(L"1, 0x00000001", pTree->m_pEntry->m_value.m_str);
                EXPECT_EQ((DWORD)LOGK_OBJECT, pTree->m_pNext->m_pEntry->Kind());
                EXPECT_EQ(3, obj.Refs()) << "the array's reference and its record's";
            }
            FreeNodeTree(pTree);
            EXPECT_EQ(0u, psa->cLocks);
        }
        SafeArrayDestroy(psa);
        EXPECT_EQ(1, obj.Refs());
    }

    // By reference; plain strings as the array type.
    SAFEARRAYBOUND b = { 2, 0 };
    SAFEARRAY* pStrings = SafeArrayCreate(VT_BSTR, 1, &b);
    LONG i0 = 0, i1 = 1;
    BSTR n = SysAllocString(L"name"), v = SysAllocString(L"value");
    SafeArrayPutElement(pStrings, &i0, n);
    SafeArrayPutElement(pStrings, &i1, v);
    SysFreeString(n);
    SysFreeString(v);
    VARIANT ref;
    ref.vt = VT_ARRAY | VT_BSTR | VT_BYREF;
    ref.pparray = &pStrings;
    {
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&ref, 4, 100);
        EXPECT_EQ(L"name|BSTR|value", ChainText(pTree));
        FreeNodeTree(pTree);
    }
    SafeArrayDestroy(pStrings);
}

TEST_F(CaptureArray, ValuesThatGiveNoArgumentTree)
{
    CObjTable table;
    VARIANT v = VLong(5);
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&v, 4, 100));
    VARIANT s = VStr(L"text");
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&s, 4, 100));
    VariantClear(&s);
    VARIANT d = VDisp(nullptr);
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&d, 4, 100));
    // A reference to a VARIANT is neither array nor object, whatever it holds.
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
    ((VARIANT*)psa->pvData)[0] = VStr(L"a");
    VARIANT inner;
    inner.vt = VT_ARRAY | VT_VARIANT;
    inner.parray = psa;
    VARIANT r;
    r.vt = VT_VARIANT | VT_BYREF;
    r.pvarVal = &inner;
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&r, 4, 100));
    // Null arrays and null references.
    VARIANT na;
    na.vt = VT_ARRAY | VT_VARIANT;
    na.parray = nullptr;
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&na, 4, 100));
    VARIANT nr;
    nr.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    nr.pparray = nullptr;
    EXPECT_EQ(nullptr, table.BuildArgumentTree(&nr, 4, 100));
    EXPECT_EQ(nullptr, table.BuildArgumentTree(nullptr, 4, 100));
    EXPECT_EQ(0u, table.GetRecordCount());
    SafeArrayDestroy(psa);
}

// An array without dimensions, and a member array whose data cannot be had.
TEST_F(CaptureArray, ArraysWithoutDimensionsOrData)
{
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
    ((VARIANT*)psa->pvData)[0] = VStr(L"a");
    ((VARIANT*)psa->pvData)[1] = VLong(1);
    psa->cDims = 0;
    {
        CObjTable table;
        VARIANT arg;
        arg.vt = VT_ARRAY | VT_VARIANT;
        arg.parray = psa;
        EXPECT_EQ(nullptr, table.BuildArgumentTree(&arg, 4, 100));
        SAFEARRAY* args;
        const CLogNode* pNode = CaptureArrayPair(table, psa, VT_ARRAY | VT_VARIANT, 4, 100, &args);
        ASSERT_NE(nullptr, pNode);
        EXPECT_EQ((DWORD)LOGK_ARRAY, pNode->m_pEntry->Kind());
        EXPECT_EQ(nullptr, pNode->m_pChildren);
        EXPECT_FALSE(pNode->m_pEntry->CanLoadMembers());
        DestroyArgs(args, pNode);
    }
    psa->cDims = 1;
    EXPECT_EQ(0u, psa->cLocks);
    SafeArrayDestroy(psa);
}

// A huge array gives its first ArrayRange elements without being walked.
TEST_F(CaptureArray, HugeArrayRespectsTheLimit)
{
    SAFEARRAY* psa = nullptr;
    ASSERT_HRESULT_SUCCEEDED(SafeArrayAllocDescriptorEx(VT_VARIANT, 1, &psa));
    std::vector<VARIANT> data(100);
    for (LONG i = 0; i < 100; ++i)
        data[i] = VLong(i);
    psa->pvData = data.data();
    psa->rgsabound[0].cElements = 0xFFFFFFFFu;   // far more than the memory behind it
    psa->rgsabound[0].lLbound = 0;
    psa->fFeatures |= FADF_STATIC;
    {
        CObjTable table;
        SAFEARRAY* args;
        const CLogNode* pNode = CaptureArrayPair(table, psa, VT_ARRAY | VT_VARIANT, 4, 100, &args);
        EXPECT_EQ(100, ChainLength(pNode->m_pChildren));
        DestroyArgs(args, pNode);
    }
    psa->pvData = nullptr;
    SafeArrayDestroyDescriptor(psa);
}

TEST_F(CaptureArray, SingleValueMembersReadAsPairs)
{
    ITypeInfo* pInfo = MakeDynamicTypeInfo({ { true, L"0", 1 }, { true, L"1", 2 }, { true, L"2", 3 } });
    ASSERT_NE(nullptr, pInfo);
    CTestDisp obj(pInfo);
    obj.OnString(1, L"x");
    obj.OnLong(2, 5);
    obj.OnString(3, L"y");
    {
        CObjTable table;
        VARIANT v = VDisp(&obj);
        CLogNode* pTree = table.BuildArgumentTree(&v, 4, 100);
        EXPECT_EQ(L"x|LONG|5, 0x00000005\ny|(empty)|", ChainText(pTree));
        ASSERT_NE(nullptr, pTree);
        EXPECT_EQ(nullptr, pTree->m_pBack);
        FreeNodeTree(pTree);
    }
    EXPECT_EQ(1, obj.Refs());

    // A first member that is not a string gives nothing.
    CTestDisp other(pInfo);
    other.OnLong(1, 1);
    other.OnString(2, L"b");
    other.OnString(3, L"c");
    {
        CObjTable table;
        VARIANT v = VDisp(&other);
        EXPECT_EQ(nullptr, table.BuildArgumentTree(&v, 4, 100));
    }
    EXPECT_EQ(1, other.Refs());
    pInfo->Release();
}

TEST_F(CaptureArray, LevelsAndLaterLoads)
{
    // a -> b -> c -> d, each through a property "Next".
    ITypeInfo* pInfo = MakeDynamicTypeInfo({ { false, L"Next", 1 }, { false, L"Value", 2 } });
    ASSERT_NE(nullptr, pInfo);
    std::vector<std::unique_ptr<CTestDisp>> chain;
    for (int i = 0; i < 4; ++i)
        chain.emplace_back(new CTestDisp(pInfo));
    for (int i = 0; i < 4; ++i) {
        chain[i]->OnObject(1, i + 1 < 4 ? chain[i + 1].get() : nullptr);
        chain[i]->OnLong(2, i);
    }
    SAFEARRAY* args = MakeVariantArray({ { 2, 0 } });
    ((VARIANT*)args->pvData)[0] = VStr(L"a");
    ((VARIANT*)args->pvData)[1] = VDisp(chain[0].get());
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = args;
    for (int nLevels : { 0, 1, -5 }) {
        SCOPED_TRACE(nLevels);
        const int nBefore1 = chain[1]->Invokes(2), nBefore2 = chain[2]->Invokes(2);
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, nLevels, 100);
        ASSERT_NE(nullptr, pTree);
        EXPECT_FALSE(pTree->m_pEntry->CanLoadMembers()) << "the pair's object always gets its members";
        const CLogNode* next = Child(pTree->m_pChildren, L"Next");
        ASSERT_NE(nullptr, next);
        const int nLevel = nLevels < 0 ? 0 : nLevels;
        EXPECT_EQ(nLevel == 0, next->m_pEntry->CanLoadMembers() != FALSE);
        EXPECT_EQ(nLevel >= 1 ? 1 : 0, chain[1]->Invokes(2) - nBefore1);
        EXPECT_EQ(0, chain[2]->Invokes(2) - nBefore2);
        FreeNodeTree(pTree);
    }
    for (auto& p : chain)
        EXPECT_EQ(1, p->Refs());

    // A forced stop before the next node ends a deep capture.
    {
        CObjTable table;
        chain[1]->On(2, [](VARIANT* p) { g_bForcedStop = 1; p->vt = VT_I4; p->lVal = 0; return S_OK; });
        UINT code = 0;
        try {
            table.BuildArgumentTree(&arg, 10, 100);
        } catch (const CExcept& ex) {
            code = ex.m_nCode;
        }
        EXPECT_EQ(3u, code);
        g_bForcedStop = 0;
    }
    for (auto& p : chain)
        EXPECT_EQ(1, p->Refs());
    SafeArrayDestroy(args);
    chain.clear();
    pInfo->Release();
}

// An object with four properties that return itself grows with the fourth
// power of the depth: once the call's tree holds the ceiling of member
// nodes, the nodes below the first level keep their members loadable, and
// the call ends normally with every object read once.
TEST_F(CaptureArray, MemberNodeCeilingOfOneCall)
{
    ITypeInfo* pInfo = MakeDynamicTypeInfo({ { false, L"S1", 1 }, { false, L"S2", 2 },
                                             { false, L"S3", 3 }, { false, L"S4", 4 } });
    ASSERT_NE(nullptr, pInfo);
    CTestDisp obj(pInfo);
    for (DISPID id = 1; id <= 4; ++id)
        obj.OnObject(id, &obj);
    SAFEARRAY* args = MakeVariantArray({ { 2, 0 } });
    ((VARIANT*)args->pvData)[0] = VStr(L"o");
    ((VARIANT*)args->pvData)[1] = VDisp(&obj);
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = args;
    {
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, 30, 100);
        ASSERT_NE(nullptr, pTree);
        size_t nNodes = 0, nLoadable = 0;
        std::vector<const CLogNode*> stack = { pTree->m_pChildren };
        while (!stack.empty()) {
            const CLogNode* p = stack.back();
            stack.pop_back();
            for (; p; p = p->m_pNext) {
                ++nNodes;
                if (p->m_pEntry->CanLoadMembers())
                    ++nLoadable;
                if (p->m_pChildren)
                    stack.push_back(p->m_pChildren);
            }
        }
        EXPECT_GE(nNodes, CObjTable::kMaxCapturedNodes);
        EXPECT_LE(nNodes, CObjTable::kMaxCapturedNodes + 4) << "one chain past the ceiling at most";
        EXPECT_GT(nLoadable, 0u) << "members left to load during a break";
        EXPECT_EQ(1, obj.Invokes(1)) << "the object is read once";
        FreeNodeTree(pTree);
    }
    EXPECT_EQ(1, obj.Refs());
    SafeArrayDestroy(args);
    pInfo->Release();
}
