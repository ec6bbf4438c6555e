// DECIMAL values that the platform cannot turn into text (a scale above 28,
// a sign other than 0 and DECIMAL_NEG) at every place the capture meets a
// value: each still gives its node, recorded as the element-type error is.
#include "TestObjects.h"
#include <cstdio>
#include "server/capture/LogValue.h"
#include "server/capture/ObjTable.h"

namespace {

// A fault in the platform's conversion would leave the run waiting in the
// debugger: while one is set up, such a fault ends the run at once, failed.
class CEndOnFault {
public:
    CEndOnFault() : m_prev(SetUnhandledExceptionFilter(&End)) {}
    ~CEndOnFault() { SetUnhandledExceptionFilter(m_prev); }

private:
    static LONG WINAPI End(EXCEPTION_POINTERS* p)
    {
        fprintf(stderr, "\nfault 0x%08lx while a value was turned into text\n",
                (unsigned long)p->ExceptionRecord->ExceptionCode);
        fflush(stdout);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return EXCEPTION_EXECUTE_HANDLER;
    }
    LPTOP_LEVEL_EXCEPTION_FILTER m_prev;
};

DECIMAL MakeDecimal(BYTE scale, BYTE sign)
{
    DECIMAL d = {};
    d.scale = scale;
    d.sign = sign;
    d.Lo32 = 125;
    return d;
}

struct CDecimalCase {
    BYTE scale;
    BYTE sign;
    LPCWSTR text;   // the value text of a valid one; null: invalid
};

const CDecimalCase kDecimals[] = {
    { 1, 0, L"12.5" },
    { 28, DECIMAL_NEG, L"-0.0000000000000000000000000125" },
    { 0, DECIMAL_NEG, L"-125" },
    { 29, 0, nullptr },
    { 255, 0, nullptr },
    { 1, 1, nullptr },
    { 1, 0x7F, nullptr },
    { 0, 0xFF, nullptr },
};

// What one place of the capture made of the value: its type and value texts.
struct CSeen {
    std::wstring type;
    std::wstring text;
};

std::wstring TypeOf(const CLogNode* p) { return p && p->m_pEntry ? p->m_pEntry->m_type.m_str : L"<none>"; }
std::wstring TextOf(const CLogNode* p) { return p && p->m_pEntry ? p->m_pEntry->m_value.m_str : L"<none>"; }

// The tree of the pairs ("before", 1, "d", value, "after", "x") when the
// value is captured as the pair's own; checks that the other pairs are there.
CSeen FromPairs(const VARIANT& value)
{
    SAFEARRAY* psa = MakeVariantArray({ { 6, 0 } });
    VARIANT* e = (VARIANT*)psa->pvData;
    e[0] = VStr(L"before");
    e[1] = VLong(1);
    e[2] = VStr(L"d");
    e[3] = value;
    e[4] = VStr(L"after");
    e[5] = VStr(L"x");
    VARIANT arg = VArray(psa);
    CSeen seen;
    {
        CObjTable table;
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        EXPECT_EQ(L"before,d,after", Names(pTree));
        const CLogNode* pValue = Child(pTree, L"d");
        seen = { TypeOf(pValue), TextOf(pValue) };
        EXPECT_STREQ(L"x", TextOf(Child(pTree, L"after")).c_str());
        FreeNodeTree(pTree);
    }
    e[3].vt = VT_EMPTY;   // the case's value is not the array's to free
    SafeArrayDestroy(psa);
    return seen;
}

// The value as the only element of an array of the given element type; the
// node of that element.
CSeen FromArrayElement(VARTYPE vt, const DECIMAL& d)
{
    SAFEARRAY* psa = SafeArrayCreateVector(vt, 0, 1);
    if (vt == VT_DECIMAL) {
        ((DECIMAL*)psa->pvData)[0] = d;
    } else {
        VARIANT* p = (VARIANT*)psa->pvData;
        p->decVal = d;
        p->vt = VT_DECIMAL;
    }
    VARIANT v;
    VariantInit(&v);
    v.vt = (VARTYPE)(VT_ARRAY | vt);
    v.parray = psa;
    CSeen seen;
    {
        CObjTable table;
        SAFEARRAY* pairs = MakeVariantArray({ { 2, 0 } });
        VARIANT* e = (VARIANT*)pairs->pvData;
        e[0] = VStr(L"arr");
        e[1] = v;
        VARIANT arg = VArray(pairs);
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        const CLogNode* pArr = Child(pTree, L"arr");
        EXPECT_EQ(L"[ 0 ]", Names(pArr ? pArr->m_pChildren : nullptr));
        const CLogNode* pElem = pArr ? pArr->m_pChildren : nullptr;
        seen = { TypeOf(pElem), TextOf(pElem) };
        FreeNodeTree(pTree);
        e[1].vt = VT_EMPTY;
        SafeArrayDestroy(pairs);
    }
    SafeArrayDestroy(psa);
    return seen;
}

// An object whose variable "V", getter "G" and one collection item are the
// value, beside a getter "Good" that reads 7; the node of the member.
enum class Member { Variable, Getter, Item };
CSeen FromObject(Member which, const DECIMAL& d)
{
    ITypeInfo* pInfo = MakeDynamicTypeInfo({ { true, L"V", 1 }, { false, L"G", 2 }, { false, L"Good", 3 } });
    EXPECT_NE(nullptr, pInfo);
    CTestDisp obj(pInfo);
    auto give = [d](VARIANT* p) {
        p->decVal = d;
        p->vt = VT_DECIMAL;
        return S_OK;
    };
    obj.On(1, give);
    obj.On(2, give);
    obj.OnLong(3, 7);
    VARIANT item;
    item.decVal = d;
    item.vt = VT_DECIMAL;
    CTestEnum* pEnum = new CTestEnum({ item, VLong(8) });
    obj.On(DISPID_NEWENUM, [pEnum](VARIANT* p) {
        p->vt = VT_UNKNOWN;
        p->punkVal = pEnum;
        pEnum->AddRef();
        return S_OK;
    });
    CSeen seen;
    {
        CObjTable table;
        VARIANT v = VDisp(&obj);
        table.RegisterValue(&v, FALSE);
        CObjRecord* pRec = table.FindOrCreateDispatch((DWORD_PTR)&obj, 100);
        EXPECT_NE(nullptr, pRec);
        const CLogNode* pMembers = pRec ? pRec->m_pMembers : nullptr;
        EXPECT_EQ(L"V,G,Good,Items", Names(pMembers));
        EXPECT_EQ(L"7, 0x00000007", TextOf(Child(pMembers, L"Good")));
        const CLogNode* pItems = Child(pMembers, L"Items");
        EXPECT_EQ(L"Item 1,Item 2", Names(pItems ? pItems->m_pChildren : nullptr));
        const CLogNode* p = which == Member::Variable ? Child(pMembers, L"V")
                            : which == Member::Getter ? Child(pMembers, L"G")
                                                      : (pItems ? pItems->m_pChildren : nullptr);
        seen = { TypeOf(p), TextOf(p) };
    }
    EXPECT_EQ(1, obj.Refs());
    delete pEnum;
    pInfo->Release();
    return seen;
}

struct CPlace {
    const char* label;
    LPCWSTR validType;   // the type text of a valid value; null where only a text is made
    std::function<CSeen(const DECIMAL&)> capture;
};

} // namespace

class Decimal : public CaptureTest {};

// Every place that turns a DECIMAL into text, with valid and invalid ones:
// a valid one reads as the system writes it; an invalid one is the
// element-type error, text and all, and the values around it are all there.
TEST_F(Decimal, InvalidDecimalsAreErrorValuesWhereverTheyAreMet)
{
    CEndOnFault endOnFault;
    // How the capture records an array element of the wrong type.
    CSeen error;
    {
        SAFEARRAY* pBytes = SafeArrayCreateVector(VT_UI1, 0, 1);
        VARIANT v;
        v.vt = VT_ARRAY | VT_VARIANT;   // declared otherwise than it holds
        v.parray = pBytes;
        CObjTable table;
        SAFEARRAY* pairs = MakeVariantArray({ { 2, 0 } });
        VARIANT* e = (VARIANT*)pairs->pvData;
        e[0] = VStr(L"arr");
        e[1] = v;
        VARIANT arg = VArray(pairs);
        CLogNode* pTree = table.BuildArgumentTree(&arg, 4, 100);
        ASSERT_NE(nullptr, pTree);
        error = { TypeOf(pTree->m_pChildren), TextOf(pTree->m_pChildren) };
        FreeNodeTree(pTree);
        e[1].vt = VT_EMPTY;
        SafeArrayDestroy(pairs);
        SafeArrayDestroy(pBytes);
    }
    ASSERT_EQ(L"SCODE", error.type);
    ASSERT_EQ(0u, error.text.find(L"0x80020008, ")) << Narrow(error.text);

    const std::vector<CPlace> places = {
        { "by value", L"DECIMAL", [](const DECIMAL& d) {
              VARIANT v;
              v.decVal = d;
              v.vt = VT_DECIMAL;
              CLogNode* p = NodeFromVariant(&v, L"d");
              CSeen s = { TypeOf(p), TextOf(p) };
              FreeNodeTree(p);
              return s;
          } },
        { "by reference", L"DECIMAL*", [](const DECIMAL& d) {
              DECIMAL held = d;
              VARIANT v;
              VariantInit(&v);
              v.vt = VT_DECIMAL | VT_BYREF;
              v.pdecVal = &held;
              CLogNode* p = NodeFromVariant(&v, L"d");
              CSeen s = { TypeOf(p), TextOf(p) };
              FreeNodeTree(p);
              return s;
          } },
        { "pair value", L"DECIMAL", [](const DECIMAL& d) {
              VARIANT v;
              v.decVal = d;
              v.vt = VT_DECIMAL;
              return FromPairs(v);
          } },
        { "pair value by reference", L"DECIMAL*", [](const DECIMAL& d) {
              DECIMAL held = d;
              VARIANT v;
              VariantInit(&v);
              v.vt = VT_DECIMAL | VT_BYREF;
              v.pdecVal = &held;
              return FromPairs(v);
          } },
        { "element of a DECIMAL array", L"DECIMAL",
          [](const DECIMAL& d) { return FromArrayElement(VT_DECIMAL, d); } },
        { "element of a VARIANT array", L"DECIMAL",
          [](const DECIMAL& d) { return FromArrayElement(VT_VARIANT, d); } },
        { "variable", L"DECIMAL", [](const DECIMAL& d) { return FromObject(Member::Variable, d); } },
        { "getter result", L"DECIMAL", [](const DECIMAL& d) { return FromObject(Member::Getter, d); } },
        { "collection item", L"DECIMAL", [](const DECIMAL& d) { return FromObject(Member::Item, d); } },
        // The texts of pair names and of parameter defaults.
        { "value text", nullptr, [](const DECIMAL& d) {
              VARIANT v;
              v.decVal = d;
              v.vt = VT_DECIMAL;
              CBstr s;
              return CSeen{ L"", SetValueFromVariant(&v, s) };
          } },
        { "value text by reference", nullptr, [](const DECIMAL& d) {
              DECIMAL held = d;
              VARIANT v;
              VariantInit(&v);
              v.vt = VT_DECIMAL | VT_BYREF;
              v.pdecVal = &held;
              CBstr s;
              return CSeen{ L"", SetValueFromVariant(&v, s) };
          } },
    };
    for (const CPlace& place : places) {
        for (const CDecimalCase& c : kDecimals) {
            SCOPED_TRACE(testing::Message() << place.label << ", scale " << (int)c.scale << ", sign "
                                            << (int)c.sign);
            const CSeen seen = place.capture(MakeDecimal(c.scale, c.sign));
            if (c.text) {
                if (place.validType) {
                    EXPECT_EQ(place.validType, seen.type);
                }
                EXPECT_EQ(c.text, seen.text) << Narrow(seen.text);
            } else {
                if (place.validType) {
                    EXPECT_EQ(error.type, seen.type);
                }
                EXPECT_EQ(error.text, seen.text) << Narrow(seen.text);
            }
        }
    }

    // The system's text alone: an invalid one is not converted.
    VARIANT bad;
    bad.decVal = MakeDecimal(255, 0);
    bad.vt = VT_DECIMAL;
    CBstr s(L"old");
    EXPECT_STREQ(L"", VariantToText(&bad, s));
}
