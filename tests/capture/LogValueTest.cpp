// Member nodes made from single values: type and value texts of every
// VARIANT type, by value and by reference, objects and arrays, pair names.
#include "TestObjects.h"
#include "server/capture/LogValue.h"

namespace {

struct CValueCase {
    const char* label;
    VARTYPE vt;
    std::function<void(VARIANT&)> set;   // fills the value (vt is set afterwards)
    LPCWSTR type;                        // by value
    LPCWSTR value;                       // expected value text (a prefix with bPrefix)
    bool bPrefix = false;
};

const std::vector<CValueCase>& Cases()
{
    static const std::vector<CValueCase> cases = {
        { "EMPTY", VT_EMPTY, [](VARIANT&) {}, L"(empty)", L"" },
        { "NULL", VT_NULL, [](VARIANT&) {}, L"null", L"" },
        { "I2", VT_I2, [](VARIANT& v) { v.iVal = -1; }, L"SHORT", L"-1, 0xffff" },
        { "I2b", VT_I2, [](VARIANT& v) { v.iVal = -2; }, L"SHORT", L"-2, 0xfffe" },
        { "I4", VT_I4, [](VARIANT& v) { v.lVal = 255; }, L"LONG", L"255, 0x000000ff" },
        { "R4", VT_R4, [](VARIANT& v) { v.fltVal = 1.5f; }, L"FLOAT", L"1.5" },
        { "R8", VT_R8, [](VARIANT& v) { v.dblVal = 2.25; }, L"DOUBLE", L"2.25" },
        { "CY", VT_CY, [](VARIANT& v) { v.cyVal.int64 = 15000; }, L"CURRENCY", L"1.5" },
        { "DATE", VT_DATE, [](VARIANT& v) { v.date = 2.0; }, L"DATE", L"1/1/1900" },
        { "BSTR", VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L"abc"); }, L"BSTR", L"abc" },
        { "BSTRnull", VT_BSTR, [](VARIANT& v) { v.bstrVal = nullptr; }, L"BSTR", L"" },
        { "DISPATCHnull", VT_DISPATCH, [](VARIANT& v) { v.pdispVal = nullptr; }, L"IDispatch*", L"(NULL)" },
        { "ERROR", VT_ERROR, [](VARIANT& v) { v.scode = DISP_E_PARAMNOTFOUND; }, L"SCODE",
          L"0x80020004, ", true },
        { "ERRORtext", VT_ERROR, [](VARIANT& v) { v.scode = E_OUTOFMEMORY; }, L"SCODE",
          L"0x8007000e, ", true },
        { "BOOL1", VT_BOOL, [](VARIANT& v) { v.boolVal = 1; }, L"VARIANT_BOOL", L"True" },
        { "BOOLtrue", VT_BOOL, [](VARIANT& v) { v.boolVal = VARIANT_TRUE; }, L"VARIANT_BOOL", L"True" },
        { "BOOL0", VT_BOOL, [](VARIANT& v) { v.boolVal = 0; }, L"VARIANT_BOOL", L"False" },
        { "UNKNOWNnull", VT_UNKNOWN, [](VARIANT& v) { v.punkVal = nullptr; }, L"IUnknown*", L"" },
        { "DECIMAL", VT_DECIMAL,
          [](VARIANT& v) { DECIMAL d = {}; d.scale = 1; d.Lo32 = 125; v.decVal = d; }, L"DECIMAL", L"12.5" },
        { "I1", VT_I1, [](VARIANT& v) { v.cVal = (CHAR)-1; }, L"CHAR", L"-1, 0xff" },
        { "UI1", VT_UI1, [](VARIANT& v) { v.bVal = 200; }, L"BYTE", L"200, 0xc8" },
        { "UI2", VT_UI2, [](VARIANT& v) { v.uiVal = 65535; }, L"USHORT", L"65535, 0xffff" },
        { "UI4", VT_UI4, [](VARIANT& v) { v.ulVal = 0xFFFFFFFFu; }, L"ULONG", L"4294967295, 0xffffffff" },
        { "I8", VT_I8, [](VARIANT& v) { v.llVal = -1; }, L"LONGLONG", L"-1, 0xffffffffffffffff" },
        { "UI8", VT_UI8, [](VARIANT& v) { v.ullVal = 0x1234567890ULL; }, L"ULONGLONG",
          L"78187493520, 0x0000001234567890" },
        { "INT", VT_INT, [](VARIANT& v) { v.intVal = 5; }, L"INT", L"" },
        { "UINT", VT_UINT, [](VARIANT& v) { v.uintVal = 5; }, L"UINT", L"" },
        { "VARIANT", VT_VARIANT, [](VARIANT&) {}, L"VARIANT*", L"" },
        { "VOID", VT_VOID, [](VARIANT&) {}, L"VOID", L"" },
        { "HRESULT", VT_HRESULT, [](VARIANT& v) { v.lVal = E_FAIL; }, L"HRESULT", L"" },
        { "RECORD", VT_RECORD, [](VARIANT& v) { v.pvRecord = nullptr; v.pRecInfo = nullptr; }, L"", L"" },
        { "code15", 15, [](VARIANT&) {}, L"", L"" },
        { "code26", 26, [](VARIANT&) {}, L"", L"" },
        { "vector", VT_VECTOR | VT_I4, [](VARIANT&) {}, L"", L"" },
    };
    return cases;
}

// By-reference text of a by-value type text, "" where the code has none.
std::wstring RefType(VARTYPE vt, LPCWSTR pszType)
{
    if (vt > VT_HRESULT || vt == VT_EMPTY || vt == VT_NULL || vt == VT_VOID || vt == VT_HRESULT || vt == 15)
        return L"";
    return std::wstring(pszType) + L"*";
}

} // namespace

class LogValue : public CaptureTest {};

// One table: every case by value and then by reference to the same data.
TEST_F(LogValue, EveryTypeByValueAndByReference)
{
    for (const CValueCase& c : Cases()) {
        SCOPED_TRACE(c.label);
        VARIANT v;
        VariantInit(&v);
        c.set(v);
        v.vt = c.vt;

        CLogNode* p = NodeFromVariant(&v, L"name");
        ASSERT_NE(nullptr, p->m_pEntry);
        EXPECT_STREQ(L"name", p->m_pEntry->m_name.m_str);
        EXPECT_STREQ(c.type, p->m_pEntry->m_type.m_str);
        std::wstring value = p->m_pEntry->m_value.m_str;
        if (c.bPrefix) {
            EXPECT_EQ(0u, value.find(c.value)) << Narrow(value);
            // The system's text follows where it has one (with its line break).
            WCHAR* pszMsg = nullptr;
            if (FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                               nullptr, (DWORD)v.scode, 0, (LPWSTR)&pszMsg, 0, nullptr)) {
                EXPECT_EQ(std::wstring(c.value) + pszMsg, value);
                LocalFree(pszMsg);
            } else {
                EXPECT_EQ(std::wstring(c.value), value);
            }
        } else {
            EXPECT_EQ(std::wstring(c.value), value);
        }
        EXPECT_EQ(0u, p->m_pEntry->m_key);
        EXPECT_EQ(0u, p->m_pEntry->m_flags);
        EXPECT_EQ(nullptr, p->m_pNext);
        EXPECT_EQ(nullptr, p->m_pBack);
        EXPECT_EQ(nullptr, p->m_pChildren);

        if ((c.vt & VT_VECTOR) == 0 && c.vt != VT_VARIANT) {
            VARIANT r;
            VariantInit(&r);
            r.vt = (VARTYPE)(c.vt | VT_BYREF);
            r.byref = (c.vt == VT_DECIMAL) ? (void*)&v.decVal : (void*)&v.lVal;
            CLogNode* q = NodeFromVariant(&r, L"ref");
            EXPECT_EQ(RefType(c.vt, c.type), std::wstring(q->m_pEntry->m_type.m_str));
            std::wstring refValue = q->m_pEntry->m_value.m_str;
            if (c.vt == VT_EMPTY || c.vt == VT_NULL || c.vt == VT_VOID || c.vt == VT_HRESULT ||
                c.vt == 15 || c.vt == 26) {
                EXPECT_EQ(L"", refValue);
            } else if (c.bPrefix) {
                EXPECT_EQ(0u, refValue.find(c.value)) << Narrow(refValue);
            } else {
                EXPECT_EQ(std::wstring(c.value), refValue) << Narrow(refValue);
            }
            EXPECT_EQ(0u, q->m_pEntry->m_key);
            EXPECT_EQ(0u, q->m_pEntry->m_flags);
            FreeNodeTree(q);
        }
        FreeNodeTree(p);
        VariantClear(&v);
    }
}

TEST_F(LogValue, ObjectsAndArraysCarryTheirPointerAsKey)
{
    CTestDisp obj(nullptr);
    IDispatch* pDisp = &obj;
    SAFEARRAY* psa = MakeVariantArray({ { 2, 0 } });

    VARIANT v = VDisp(pDisp);
    CLogNode* p = NodeFromVariant(&v, L"o");
    EXPECT_STREQ(L"IDispatch*", p->m_pEntry->m_type.m_str);
    EXPECT_STREQ(L"", p->m_pEntry->m_value.m_str);
    EXPECT_EQ((DWORD_PTR)pDisp, p->m_pEntry->m_key);
    EXPECT_EQ((DWORD)LOGK_OBJECT, p->m_pEntry->Kind());
    EXPECT_EQ((DWORD)(LOGF_LOADABLE | (LOGK_OBJECT << 8)), p->m_pEntry->m_flags);

    VARIANT r;
    r.vt = VT_DISPATCH | VT_BYREF;
    r.ppdispVal = &pDisp;
    CLogNode* q = NodeFromVariant(&r, L"oref");
    EXPECT_STREQ(L"IDispatch**", q->m_pEntry->m_type.m_str);
    EXPECT_EQ((DWORD_PTR)pDisp, q->m_pEntry->m_key);
    EXPECT_EQ((DWORD)LOGK_OBJECT, q->m_pEntry->Kind());

    VARIANT a = VArray(psa);
    CLogNode* s = NodeFromVariant(&a, L"a");
    EXPECT_STREQ(L"SAFEARRAY*", s->m_pEntry->m_type.m_str);
    EXPECT_EQ((DWORD_PTR)psa, s->m_pEntry->m_key);
    EXPECT_EQ((DWORD)(LOGF_LOADABLE | (LOGK_ARRAY << 8)), s->m_pEntry->m_flags);

    VARIANT ar;
    ar.vt = VT_ARRAY | VT_VARIANT | VT_BYREF;
    ar.pparray = &psa;
    CLogNode* t = NodeFromVariant(&ar, L"aref");
    EXPECT_STREQ(L"SAFEARRAY**", t->m_pEntry->m_type.m_str);
    EXPECT_EQ((DWORD_PTR)psa, t->m_pEntry->m_key);
    EXPECT_EQ((DWORD)LOGK_ARRAY, t->m_pEntry->Kind());

    // An array of objects is an array; a plain-typed array too.
    VARIANT ao;
    ao.vt = VT_ARRAY | VT_DISPATCH;
    ao.parray = psa;
    CLogNode* u = NodeFromVariant(&ao, L"ao");
    EXPECT_STREQ(L"SAFEARRAY*", u->m_pEntry->m_type.m_str);
    EXPECT_EQ((DWORD)LOGK_ARRAY, u->m_pEntry->Kind());

    // A null array.
    VARIANT an;
    an.vt = VT_ARRAY | VT_I4;
    an.parray = nullptr;
    CLogNode* w = NodeFromVariant(&an, L"an");
    EXPECT_STREQ(L"(NULL)", w->m_pEntry->m_value.m_str);
    EXPECT_EQ(0u, w->m_pEntry->m_flags);
    EXPECT_EQ(0u, w->m_pEntry->m_key);

    FreeNodeTree(p);
    FreeNodeTree(q);
    FreeNodeTree(s);
    FreeNodeTree(t);
    FreeNodeTree(u);
    FreeNodeTree(w);
    SafeArrayDestroy(psa);
    EXPECT_EQ(1, obj.Refs()) << "making a node takes no reference";
}

// A client's reference to nothing is recorded with its type and an empty value.
TEST_F(LogValue, NullReferencesGiveEmptyValues)
{
    const VARTYPE types[] = { VT_I4, VT_BSTR, VT_DISPATCH, VT_UNKNOWN, VT_VARIANT, VT_DECIMAL,
                              VT_ARRAY | VT_VARIANT, VT_ERROR };
    for (VARTYPE t : types) {
        VARIANT r;
        r.vt = (VARTYPE)(t | VT_BYREF);
        r.byref = nullptr;
        CLogNode* p = NodeFromVariant(&r, L"n");
        EXPECT_STREQ(VarTypeName((VARTYPE)(t | VT_BYREF)), p->m_pEntry->m_type.m_str);
        EXPECT_STREQ(L"", p->m_pEntry->m_value.m_str) << t;
        EXPECT_EQ(0u, p->m_pEntry->m_flags) << t;
        EXPECT_EQ(0u, p->m_pEntry->m_key) << t;
        FreeNodeTree(p);
    }
    EXPECT_STREQ(L"LONG*", VarTypeName(VT_I4 | VT_BYREF));
}

TEST_F(LogValue, ReferenceToVariantIsAPlainMember)
{
    CTestDisp obj(nullptr);
    VARIANT inner = VDisp(&obj);
    VARIANT r;
    r.vt = VT_VARIANT | VT_BYREF;
    r.pvarVal = &inner;
    CLogNode* p = NodeFromVariant(&r, L"v");
    EXPECT_STREQ(L"VARIANT**", p->m_pEntry->m_type.m_str);
    EXPECT_EQ((DWORD)LOGK_MEMBER, p->m_pEntry->Kind());
    EXPECT_EQ(0u, p->m_pEntry->m_key);
    FreeNodeTree(p);
    EXPECT_EQ(1, obj.Refs());
}

TEST_F(LogValue, TypeTextsOfCombinedCodes)
{
    EXPECT_STREQ(L"SAFEARRAY*", VarTypeName(VT_ARRAY | VT_I4));
    EXPECT_STREQ(L"SAFEARRAY*", VarTypeName(VT_ARRAY | VT_DISPATCH));
    EXPECT_STREQ(L"SAFEARRAY**", VarTypeName(VT_ARRAY | VT_BYREF | VT_BSTR));
    EXPECT_STREQ(L"", VarTypeName(VT_VOID | VT_BYREF));
    EXPECT_STREQ(L"", VarTypeName(VT_EMPTY | VT_BYREF));
    EXPECT_STREQ(L"", VarTypeName(VT_RESERVED | VT_I4));
    EXPECT_STREQ(L"", VarTypeName(0x7FFF));
    EXPECT_STREQ(L"VARIANT**", VarTypeName(VT_VARIANT | VT_BYREF));
}

TEST_F(LogValue, PairNames)
{
    VARIANT value = VLong(7);
    struct {
        VARIANT name;
        LPCWSTR expected;
    } cases[] = {
        { VStr(L"first"), L"first" },
        { VLong(1), L"(? 1, 0x00000001)" },
        { VLong(5), L"(? 5, 0x00000005)" },
        { {}, L"(? )" },
    };
    cases[3].name.vt = VT_EMPTY;
    for (auto& c : cases) {
        CLogNode* p = NodeFromNameValue(&value, &c.name);
        EXPECT_STREQ(c.expected, p->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"7, 0x00000007", p->m_pEntry->m_value.m_str);
        FreeNodeTree(p);
        VariantClear(&c.name);
    }
    BSTR b = SysAllocString(L"byref");
    VARIANT rn;
    rn.vt = VT_BSTR | VT_BYREF;
    rn.pbstrVal = &b;
    CLogNode* p = NodeFromNameValue(&value, &rn);
    EXPECT_STREQ(L"byref", p->m_pEntry->m_name.m_str);
    FreeNodeTree(p);
    SysFreeString(b);

    // An array as a name is shown without a text.
    SAFEARRAY* psa = MakeVariantArray({ { 1, 0 } });
    VARIANT an = VArray(psa);
    p = NodeFromNameValue(&value, &an);
    EXPECT_STREQ(L"(? )", p->m_pEntry->m_name.m_str);
    FreeNodeTree(p);
    SafeArrayDestroy(psa);
}

TEST_F(LogValue, VariableNames)
{
    CBstr s;
    EXPECT_STREQ(L"[ 12 ]", MakeVariableName(L"12", s));
    EXPECT_STREQ(L"[ 0 ]", MakeVariableName(L"0", s));
    EXPECT_STREQ(L"a1", MakeVariableName(L"a1", s));
    EXPECT_STREQ(L"1a", MakeVariableName(L"1a", s));
    EXPECT_STREQ(L"", MakeVariableName(L"", s));
    EXPECT_STREQ(L"", MakeVariableName(nullptr, s));
}

TEST_F(LogValue, SetValueLeavesObjectTextsAlone)
{
    CBstr s(L"kept");
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_INT;
    v.intVal = 3;
    EXPECT_STREQ(L"kept", SetValueFromVariant(&v, s));
    v.vt = VT_DISPATCH;
    v.pdispVal = nullptr;
    EXPECT_STREQ(L"kept", SetValueFromVariant(&v, s));
    v.vt = VT_I4;
    v.lVal = 3;
    EXPECT_STREQ(L"3, 0x00000003", SetValueFromVariant(&v, s));
}
