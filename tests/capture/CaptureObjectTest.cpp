// Capture of live objects: member chains from real type information, the
// "Items" group, shared and self-referring objects, failing and odd
// enumerators, the forced stop, and the references the table holds.
#include "TestObjects.h"
#include <memory>
#include "server/capture/LogValue.h"
#include "server/capture/ObjTable.h"
#include "server/core/Except.h"
#include "server/core/Globals.h"

namespace {

// DTestObject's member ids.
enum : DISPID {
    ID_b = 1, ID_A = 2, ID_a = 10, ID_Count = 11, ID_Self = 12, ID_Broken = 13, ID_Optional = 14,
    ID_Item = 15, ID_Hidden = 16, ID_Restricted = 17, ID_Private = 18, ID_Method = 19, ID_Writable = 20
};

HRESULT ReturnEnum(IEnumVARIANT* pEnum, VARIANT* p)
{
    p->vt = VT_UNKNOWN;
    p->punkVal = pEnum;
    pEnum->AddRef();
    return S_OK;
}

// A DTestObject with every kind of member, and a collection of three items.
struct CTestWorld {
    ITypeInfo* pObjInfo = TestTypeInfo(DIID_DTestObject);
    ITypeInfo* pItemInfo = TestTypeInfo(DIID_DTestItem);
    CTestDisp obj{ pObjInfo };
    CTestDisp item1{ pItemInfo }, item2{ pItemInfo }, item3{ nullptr };
    CTestEnum* pEnum = nullptr;

    CTestWorld()
    {
        obj.OnLong(ID_b, 2);
        obj.OnString(ID_A, L"text");
        obj.OnLong(ID_a, 3);
        obj.OnLong(ID_Count, 3);
        obj.OnObject(ID_Self, &obj);
        obj.OnFail(ID_Broken, E_NOTIMPL);
        obj.OnLong(ID_Optional, 14);
        obj.OnLong(ID_Item, 15);
        obj.OnLong(ID_Hidden, 16);
        obj.OnLong(ID_Restricted, 17);
        obj.OnLong(ID_Private, 18);
        obj.OnLong(ID_Method, 19);
        obj.OnLong(ID_Writable, 20);
        item1.OnString(1, L"Sheet1");
        item1.OnLong(2, 1);
        item2.On(1, [](VARIANT* p) { p->vt = VT_I4; p->lVal = 2; return S_OK; });   // not a string
        item2.OnLong(2, 2);
        std::vector<VARIANT> items = { VDisp(&item1), VDisp(&item2), VDisp(&item3) };
        pEnum = new CTestEnum(items);
        obj.On(DISPID_NEWENUM, [this](VARIANT* p) { return ReturnEnum(pEnum, p); },
               DISPATCH_PROPERTYGET | DISPATCH_METHOD);
    }
    ~CTestWorld()
    {
        delete pEnum;
        if (pObjInfo)
            pObjInfo->Release();
        if (pItemInfo)
            pItemInfo->Release();
    }
    void ExpectBaseline()
    {
        EXPECT_EQ(1, obj.Refs());
        EXPECT_EQ(2, item1.Refs());   // the test's and the enumerator's copy
        EXPECT_EQ(2, item2.Refs());
        EXPECT_EQ(2, item3.Refs());
        EXPECT_EQ(1, pEnum->Refs());
    }
};

CObjRecord* Capture(CObjTable& table, IDispatch* pDisp, int nItems)
{
    VARIANT v = VDisp(pDisp);
    table.RegisterValue(&v, FALSE);
    return table.FindOrCreateDispatch((DWORD_PTR)pDisp, nItems);
}

} // namespace

class CaptureObject : public CaptureTest {};

TEST_F(CaptureObject, TestLibraryLoads)
{
    ITypeInfo* p = TestTypeInfo(DIID_DTestObject);
    ASSERT_NE(nullptr, p) << "the embedded test type library";
    p->Release();
}

TEST_F(CaptureObject, MemberChainOfAnObjectWithEveryKindOfMember)
{
    CTestWorld w;
    ASSERT_NE(nullptr, w.pObjInfo);
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &w.obj, 100);
        ASSERT_NE(nullptr, pRec);
        EXPECT_EQ(CObjRecord::RF_DISPATCH, pRec->Kind());
        EXPECT_TRUE(pRec->IsExpanded());
        EXPECT_STREQ(L"DTestObject", pRec->GetTypeName());

        // Variables sorted (A before b), then the getters sorted, then the items.
        const CLogNode* p = pRec->m_pMembers;
        ASSERT_EQ(8, ChainLength(p)) << Narrow(Names(p));
        EXPECT_STREQ(L"A", p->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"BSTR", p->m_pEntry->m_type.m_str);
        EXPECT_STREQ(L"text", p->m_pEntry->m_value.m_str);
        p = p->m_pNext;
        EXPECT_EQ(L"b|LONG|2, 0x00000002", ChainText(p).substr(0, 20));
        p = p->m_pNext;
        EXPECT_EQ(0, _wcsicmp(L"a", p->m_pEntry->m_name.m_str)) << "the getter a, after the variables";
        EXPECT_STREQ(L"3, 0x00000003", p->m_pEntry->m_value.m_str);
        p = p->m_pNext;
        EXPECT_STREQ(L"Broken", p->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"SCODE", p->m_pEntry->m_type.m_str);
        EXPECT_EQ(0u, std::wstring(p->m_pEntry->m_value.m_str).find(L"0x80004001, "));
        p = p->m_pNext;
        EXPECT_STREQ(L"Count", p->m_pEntry->m_name.m_str);
        p = p->m_pNext;
        EXPECT_STREQ(L"Optional", p->m_pEntry->m_name.m_str) << "an optional parameter is read without argument";
        EXPECT_STREQ(L"14, 0x0000000e", p->m_pEntry->m_value.m_str);
        p = p->m_pNext;
        EXPECT_STREQ(L"Self", p->m_pEntry->m_name.m_str);
        EXPECT_EQ((DWORD)LOGK_OBJECT, p->m_pEntry->Kind());
        EXPECT_EQ((DWORD_PTR)(IDispatch*)&w.obj, p->m_pEntry->m_key);
        EXPECT_TRUE(p->m_pEntry->CanLoadMembers());
        p = p->m_pNext;
        EXPECT_STREQ(L"Items", p->m_pEntry->m_name.m_str);
        EXPECT_EQ((DWORD)LOGK_ITEMS, p->m_pEntry->Kind());
        EXPECT_EQ((DWORD)LOGF_MEMBER_TREE, p->m_pEntry->m_flags & LOGF_LOADABLE);
        ASSERT_NE(nullptr, p->m_pChildren);
        EXPECT_EQ(p, p->m_pChildren->m_pBack);
        EXPECT_EQ(L"Item 1 (Sheet1),Item 2,Item 3", Names(p->m_pChildren));
        for (const CLogNode* q = p->m_pChildren; q; q = q->m_pNext)
            EXPECT_EQ((DWORD)LOGK_OBJECT, q->m_pEntry->Kind());

        // Required arguments, hidden, restricted and "_" getters, methods and
        // put-only properties are not read; DISPID_NEWENUM both ways.
        EXPECT_EQ(0, w.obj.Invokes(ID_Item));
        EXPECT_EQ(0, w.obj.Invokes(ID_Hidden));
        EXPECT_EQ(0, w.obj.Invokes(ID_Restricted));
        EXPECT_EQ(0, w.obj.Invokes(ID_Private));
        EXPECT_EQ(0, w.obj.Invokes(ID_Method));
        EXPECT_EQ(0, w.obj.Invokes(ID_Writable));
        EXPECT_EQ(1, w.obj.Invokes(ID_Optional));
        EXPECT_EQ(2, w.obj.Invokes(DISPID_NEWENUM));

        // The record holds one reference; the items hold theirs; the
        // enumerator is let go at once.
        EXPECT_EQ(2, w.obj.Refs());
        EXPECT_EQ(3, w.item1.Refs());
        EXPECT_EQ(3, w.item3.Refs());
        EXPECT_EQ(1, w.pEnum->Refs());
        EXPECT_EQ(4u, table.GetRecordCount());
    }
    w.ExpectBaseline();
}

TEST_F(CaptureObject, SharedAndSelfReferringObjectsAreReadOnce)
{
    CTestWorld w;
    SAFEARRAY* psa = MakeVariantArray({ { 6, 0 } });
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0] = VStr(L"first");
    e[1] = VDisp(&w.obj);
    e[2] = VStr(L"second");
    e[3] = VDisp(&w.obj);
    e[4] = VStr(L"third");
    e[5] = VLong(1);
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    {
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, 2, 100);
        ASSERT_EQ(3, ChainLength(pTree));
        EXPECT_EQ(L"first,second,third", Names(pTree));
        EXPECT_EQ(nullptr, pTree->m_pBack);
        EXPECT_STREQ(L"DTestObject", pTree->m_pEntry->m_value.m_str) << "the type name once attached";
        EXPECT_FALSE(pTree->m_pEntry->CanLoadMembers());
        EXPECT_EQ(8, ChainLength(pTree->m_pChildren));
        EXPECT_EQ(8, ChainLength(pTree->m_pNext->m_pChildren)) << "a second copy of the chain";
        EXPECT_NE(pTree->m_pChildren, pTree->m_pNext->m_pChildren);
        EXPECT_EQ(1, w.obj.Invokes(ID_a)) << "members read once per call";

        // Self below Self: attached down to level 2 + 1, deeper ones keep 0x1800.
        const CLogNode* s1 = Child(pTree->m_pChildren, L"Self");
        ASSERT_NE(nullptr, s1);
        EXPECT_FALSE(s1->m_pEntry->CanLoadMembers());
        const CLogNode* s2 = Child(s1->m_pChildren, L"Self");
        ASSERT_NE(nullptr, s2);
        EXPECT_FALSE(s2->m_pEntry->CanLoadMembers());
        const CLogNode* s3 = Child(s2->m_pChildren, L"Self");
        ASSERT_NE(nullptr, s3);
        EXPECT_TRUE(s3->m_pEntry->CanLoadMembers());
        EXPECT_EQ(nullptr, s3->m_pChildren);

        // A later load (during a break) attaches one more level.
        CLogNode* pLoaded = table.AttachMembers(const_cast<CLogNode*>(s3), 100);
        EXPECT_EQ(8, ChainLength(pLoaded));
        EXPECT_FALSE(s3->m_pEntry->CanLoadMembers());
        EXPECT_EQ(1, w.obj.Invokes(ID_a));
        FreeNodeTree(pTree);
    }
    w.ExpectBaseline();
    EXPECT_EQ(0u, psa->cLocks);
    SafeArrayDestroy(psa);
}

TEST_F(CaptureObject, BaseTypesAreWalkedAndTheFirstOfEqualNamesStays)
{
    ITypeInfo* pInfo = TestTypeInfo(IID_ITestDerived);
    ASSERT_NE(nullptr, pInfo);
    CTestDisp obj(pInfo);
    obj.OnLong(30, 30);   // BaseValue
    obj.OnLong(31, 31);   // Twin of the base type
    obj.OnLong(32, 32);   // DerivedValue
    obj.OnLong(33, 33);   // Twin
    obj.OnObject(34, nullptr);   // Next
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &obj, 100);
        ASSERT_NE(nullptr, pRec);
        EXPECT_STREQ(L"ITestDerived", pRec->GetTypeName());
        const CLogNode* p = pRec->m_pMembers;
        const CLogNode* twin = Child(p, L"Twin");
        ASSERT_NE(nullptr, twin) << Narrow(Names(p));
        EXPECT_STREQ(L"33, 0x00000021", twin->m_pEntry->m_value.m_str) << "own type first";
        const CLogNode* next = Child(p, L"Next");
        ASSERT_NE(nullptr, next);
        EXPECT_STREQ(L"(NULL)", next->m_pEntry->m_value.m_str);
        EXPECT_EQ(0u, next->m_pEntry->m_flags);
        // The object's own type names the members of its base type too, so
        // they sort in among the others; the base's Twin loses to the own one.
        EXPECT_EQ(L"BaseValue,DerivedValue,Next,Twin", Names(p));
        const CLogNode* base = Child(p, L"BaseValue");
        ASSERT_NE(nullptr, base);
        EXPECT_STREQ(L"30, 0x0000001e", base->m_pEntry->m_value.m_str);
    }
    EXPECT_EQ(1, obj.Refs());
    pInfo->Release();
}

// Names that no IDL spells: the sort with A-Z folded, index names, duplicates.
TEST_F(CaptureObject, SortingFoldsOnlyAToZAndDropsLaterDuplicates)
{
    ITypeInfo* pInfo = MakeDynamicTypeInfo({
        { true, L"b", 1 }, { true, L"A", 2 }, { true, L"B", 3 },
        { true, L"12", 4 }, { true, L"10", 5 }, { true, L"1", 6 }, { true, L"2", 7 },
        { true, L"\u00c4x", 8 }, { true, L"Z", 9 },
        { false, L"a", 20 }, { false, L"A", 21 },
        { false, L"Req", 22, 0, { PARAMFLAG_FIN } },
        { false, L"Opt", 23, 0, { PARAMFLAG_FIN | PARAMFLAG_FOPT } },
        { false, L"Ret", 24, 0, { PARAMFLAG_FOUT | PARAMFLAG_FRETVAL } },
        { false, L"Hid", 25, FUNCFLAG_FHIDDEN },
        { false, L"Res", 26, FUNCFLAG_FRESTRICTED },
        { false, L"_under", 27 },
        { false, L"Func", 28, 0, {}, INVOKE_FUNC },
        { false, L"Put", 29, 0, { PARAMFLAG_FIN }, INVOKE_PROPERTYPUT },
    });
    ASSERT_NE(nullptr, pInfo) << "a type built at run time";
    CTestDisp obj(pInfo);
    for (DISPID id = 1; id <= 29; ++id)
        obj.OnLong(id, id);
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &obj, 100);
        ASSERT_NE(nullptr, pRec);
        EXPECT_EQ(L"[ 1 ],[ 10 ],[ 12 ],[ 2 ],A,b,Z,\u00c4x,a,Opt,Ret", Names(pRec->m_pMembers));
        EXPECT_STREQ(L"1, 0x00000001", Child(pRec->m_pMembers, L"b")->m_pEntry->m_value.m_str);
        EXPECT_STREQ(L"20, 0x00000014", Child(pRec->m_pMembers, L"a")->m_pEntry->m_value.m_str);
        for (DISPID id : { 22, 25, 26, 27, 28, 29 })
            EXPECT_EQ(0, obj.Invokes(id)) << id;
    }
    EXPECT_EQ(1, obj.Refs());
    pInfo->Release();
}

TEST_F(CaptureObject, ObjectWithoutTypeInformationGivesOnlyItsItems)
{
    CTestWorld w;
    CTestDisp bare(nullptr);
    bare.On(DISPID_NEWENUM, [&](VARIANT* p) { return ReturnEnum(w.pEnum, p); }, DISPATCH_METHOD);
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &bare, 100);
        ASSERT_NE(nullptr, pRec);
        EXPECT_STREQ(L"", pRec->GetTypeName());
        EXPECT_EQ(nullptr, pRec->GetTypeInfo());
        ASSERT_EQ(1, ChainLength(pRec->m_pMembers));
        EXPECT_EQ(3, ChainLength(pRec->m_pMembers->m_pChildren)) << "enumerated through the method form";
    }
    EXPECT_EQ(1, bare.Refs());
    w.ExpectBaseline();
}

TEST_F(CaptureObject, EnumeratorAnswers)
{
    CTestWorld w;
    CTestEnum other({ VLong(1), VLong(2) });
    struct {
        const char* label;
        std::function<HRESULT(VARIANT*)> prop, method;
        int nItems;
    } cases[] = {
        { "both forms: the method's answer", [&](VARIANT* p) { return ReturnEnum(w.pEnum, p); },
          [&](VARIANT* p) { return ReturnEnum(&other, p); }, 2 },
        { "a number where an object is expected",
          [](VARIANT* p) { p->vt = VT_I4; p->lVal = 0x12345678; return S_OK; }, nullptr, 0 },
        { "a null object", [](VARIANT* p) { p->vt = VT_UNKNOWN; p->punkVal = nullptr; return S_OK; },
          nullptr, 0 },
        { "an object that is no enumerator",
          [&](VARIANT* p) { p->vt = VT_DISPATCH; p->pdispVal = &w.item1; w.item1.AddRef(); return S_OK; },
          nullptr, 0 },
        { "a property that fails, a method that works", [](VARIANT*) { return E_FAIL; },
          [&](VARIANT* p) { return ReturnEnum(w.pEnum, p); }, 3 },
        // The method's answer replaces the property's enumerator (which is
        // let go), also when it holds none.
        { "a property that works, a method that answers nothing",
          [&](VARIANT* p) { return ReturnEnum(w.pEnum, p); },
          [](VARIANT* p) { p->vt = VT_EMPTY; return S_OK; }, 0 },
        { "a property that works, a method that answers no enumerator",
          [&](VARIANT* p) { return ReturnEnum(w.pEnum, p); },
          [&](VARIANT* p) { p->vt = VT_DISPATCH; p->pdispVal = &w.item1; w.item1.AddRef(); return S_OK; }, 0 },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        CTestDisp coll(nullptr);
        coll.On(DISPID_NEWENUM, c.prop, DISPATCH_PROPERTYGET);
        if (c.method) {
            // Both forms under one id: the property form is asked first.
            auto prop = c.prop;
            auto method = c.method;
            auto pnCall = std::make_shared<int>(0);
            coll.On(DISPID_NEWENUM, [prop, method, pnCall](VARIANT* p) {
                return (*pnCall)++ == 0 ? prop(p) : method(p);
            }, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
        }
        w.pEnum->Reset();
        other.Reset();
        {
            CObjTable table;
            CObjRecord* pRec = Capture(table, &coll, 100);
            ASSERT_NE(nullptr, pRec);
            if (c.nItems == 0) {
                EXPECT_EQ(nullptr, pRec->m_pMembers);
            } else {
                ASSERT_NE(nullptr, pRec->m_pMembers);
                EXPECT_EQ(c.nItems, ChainLength(pRec->m_pMembers->m_pChildren));
            }
        }
        EXPECT_EQ(1, coll.Refs());
        EXPECT_EQ(1, other.Refs());
        w.ExpectBaseline();
    }
}

TEST_F(CaptureObject, ItemLimit)
{
    std::vector<VARIANT> many;
    for (int i = 0; i < 150; ++i)
        many.push_back(VLong(i));
    CTestEnum e(many);
    CTestDisp coll(nullptr);
    coll.On(DISPID_NEWENUM, [&](VARIANT* p) { return ReturnEnum(&e, p); }, DISPATCH_PROPERTYGET);
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &coll, 100);
        ASSERT_NE(nullptr, pRec->m_pMembers);
        const CLogNode* items = pRec->m_pMembers->m_pChildren;
        EXPECT_EQ(100, ChainLength(items));
        EXPECT_STREQ(L"Item 1", items->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"0, 0x00000000", items->m_pEntry->m_value.m_str);
        EXPECT_EQ(100, e.m_nNextCalls);
    }
    e.Reset();
    {
        CObjTable table;
        CObjRecord* pRec = Capture(table, &coll, 0);
        EXPECT_EQ(nullptr, pRec->m_pMembers) << "no Items group with a limit of 0";
        EXPECT_EQ(4, coll.Invokes(DISPID_NEWENUM)) << "asked all the same";
    }
    EXPECT_EQ(1, coll.Refs());
    EXPECT_EQ(1, e.Refs());
}

TEST_F(CaptureObject, ForcedStopEndsTheCaptureAfterOneMoreProperty)
{
    CTestWorld w;
    w.obj.On(ID_a, [](VARIANT* p) { g_bForcedStop = 1; p->vt = VT_I4; p->lVal = 1; return S_OK; });
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0] = VStr(L"o");
    e[1] = VDisp(&w.obj);
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    {
        CObjTable table;
        UINT code = 0;
        try {
            table.BuildArgumentTree(&arg, 4, 100);
        } catch (const CExcept& ex) {
            code = ex.m_nCode;
        }
        EXPECT_EQ(3u, code);
        EXPECT_EQ(0, w.obj.Invokes(ID_Count)) << "the next property is not read";
        CObjRecord* pRec = table.Find((DWORD_PTR)(IDispatch*)&w.obj);
        ASSERT_NE(nullptr, pRec);
        EXPECT_FALSE(pRec->IsExpanded());
        EXPECT_EQ(nullptr, pRec->m_pMembers);
        EXPECT_EQ(0u, psa->cLocks) << "the argument array is unlocked";
    }
    w.ExpectBaseline();
    SafeArrayDestroy(psa);
}

// A second Stop while the items of a collection arrive: the call ends with
// code 3 after the item being read, the enumerator is let go, and the
// record is left unexpanded.
TEST_F(CaptureObject, ForcedStopAmongCollectionItems)
{
    std::vector<VARIANT> many;
    for (int i = 0; i < 10; ++i)
        many.push_back(VLong(i));
    CTestEnum e(many);
    e.m_onNext = [](int nCall) {
        if (nCall == 4)
            g_bForcedStop = 1;
    };
    CTestDisp coll(nullptr);
    coll.On(DISPID_NEWENUM, [&](VARIANT* p) { return ReturnEnum(&e, p); }, DISPATCH_PROPERTYGET);
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
    VARIANT* a = (VARIANT*)psa->pvData;
    a[0] = VStr(L"c");
    a[1] = VDisp(&coll);
    VARIANT arg;
    arg.vt = VT_ARRAY | VT_VARIANT;
    arg.parray = psa;
    {
        CObjTable table;
        UINT code = 0;
        try {
            table.BuildArgumentTree(&arg, 4, 100);
        } catch (const CExcept& ex) {
            code = ex.m_nCode;
        }
        EXPECT_EQ(3u, code);
        EXPECT_EQ(4, e.m_nNextCalls) << "no item after the one being read";
        CObjRecord* pRec = table.Find((DWORD_PTR)(IDispatch*)&coll);
        ASSERT_NE(nullptr, pRec);
        EXPECT_FALSE(pRec->IsExpanded());
        EXPECT_EQ(nullptr, pRec->m_pMembers);
        EXPECT_EQ(1, e.Refs()) << "the enumerator is let go";
    }
    EXPECT_EQ(1, coll.Refs());
    EXPECT_EQ(0u, psa->cLocks);
    SafeArrayDestroy(psa);
}

TEST_F(CaptureObject, KeysTheCallNeverCapturedResolveToNothing)
{
    CTestWorld w;
    CObjTable table;
    EXPECT_EQ(nullptr, table.FindOrCreateDispatch((DWORD_PTR)(IDispatch*)&w.obj, 100));
    EXPECT_EQ(nullptr, table.FindOrCreateArray((DWORD_PTR)0x1234, 100));
    VARIANT v = VDisp(&w.obj);
    CLogNode* pNode = NodeFromVariant(&v, L"stale");
    EXPECT_EQ(nullptr, table.AttachMembers(pNode, 100));
    EXPECT_TRUE(pNode->m_pEntry->CanLoadMembers()) << "left as it was";
    EXPECT_EQ(0u, table.GetRecordCount());
    EXPECT_EQ(0, w.obj.Invokes(ID_a));
    // A key captured as an object is no array.
    table.RegisterValue(&v, FALSE);
    EXPECT_EQ(nullptr, table.FindOrCreateArray((DWORD_PTR)(IDispatch*)&w.obj, 100));
    FreeNodeTree(pNode);
}

TEST_F(CaptureObject, ScriptingDictionary)
{
    CLSID clsid;
    ASSERT_HRESULT_SUCCEEDED(CLSIDFromProgID(L"Scripting.Dictionary", &clsid));
    IDispatch* pDict = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, (void**)&pDict));
    // Add "k1" -> 1 and "k2" -> "two" through Invoke.
    LPOLESTR add = const_cast<LPOLESTR>(L"Add");
    DISPID idAdd;
    ASSERT_HRESULT_SUCCEEDED(pDict->GetIDsOfNames(IID_NULL, &add, 1, 0, &idAdd));
    for (int i = 0; i < 2; ++i) {
        VARIANT args[2];   // reverse order: item, key
        args[1] = VStr(i == 0 ? L"k1" : L"k2");
        args[0] = i == 0 ? VLong(1) : VStr(L"two");
        DISPPARAMS dp = { args, nullptr, 2, 0 };
        ASSERT_HRESULT_SUCCEEDED(pDict->Invoke(idAdd, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
        VariantClear(&args[0]);
        VariantClear(&args[1]);
    }
    pDict->AddRef();
    const ULONG refsBefore = pDict->Release();
    {
        SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });
        VARIANT* e = (VARIANT*)psa->pvData;
        e[0] = VStr(L"dict");
        e[1] = VDisp(pDict);
        pDict->AddRef();
        VARIANT arg;
        arg.vt = VT_ARRAY | VT_VARIANT;
        arg.parray = psa;
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        ASSERT_NE(nullptr, pTree);
        EXPECT_STREQ(L"dict", pTree->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"IDispatch*", pTree->m_pEntry->m_type.m_str);
        EXPECT_EQ((DWORD)LOGK_OBJECT, pTree->m_pEntry->Kind());
        const CLogNode* count = Child(pTree->m_pChildren, L"Count");
        ASSERT_NE(nullptr, count) << Narrow(ChainText(pTree->m_pChildren));
        EXPECT_STREQ(L"2, 0x00000002", count->m_pEntry->m_value.m_str);
        EXPECT_EQ(nullptr, Child(pTree->m_pChildren, L"Item")) << "Item needs a key";
        const CLogNode* items = Child(pTree->m_pChildren, L"Items");
        ASSERT_NE(nullptr, items) << Narrow(ChainText(pTree->m_pChildren));
        EXPECT_EQ(L"Item 1|BSTR|k1\nItem 2|BSTR|k2", ChainText(items->m_pChildren));
        FreeNodeTree(pTree);
        SafeArrayDestroy(psa);   // releases the array's reference
    }
    pDict->AddRef();
    EXPECT_EQ(refsBefore, pDict->Release()) << "every reference the capture took is released";
    pDict->Release();
}
