#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "SearchTestUtil.h"

namespace {

class SearchCondition : public PoolTest {};

// A condition of a copied set: texts stored and parsed as CopyFrom does.
void Prepare(CSearchCondition& c, const wchar_t* t1, int op1, BOOL case1, const wchar_t* t2 = L"", int op2 = 0,
           BOOL case2 = FALSE, bool bAnd = true)
{
    c.SetComparison1(t1, op1, case1);
    c.SetComparison2(t2, op2, case2);
    if (bAnd)
        c.m_flags |= SCF_AND;
    else
        c.m_flags &= ~SCF_AND;
    if (op1 >= SOP_BEGINS) c.m_value1.SetString(t1); else c.m_value1.Parse(t1);
    if (op2 >= SOP_BEGINS) c.m_value2.SetString(t2); else c.m_value2.Parse(t2);
}

TEST_F(SearchCondition, TypeCategories)
{
    const struct { const wchar_t* type; int cat; } cases[] = {
        { L"BSTR", STC_OTHER }, { L"BYTE", STC_INTEGER }, { L"CHAR", STC_INTEGER }, { L"CURRENCY", STC_FLOATING },
        { L"DATE", STC_DATE }, { L"DECIMAL", STC_DECIMAL }, { L"DOUBLE", STC_FLOATING }, { L"FLOAT", STC_FLOATING },
        { L"INT", STC_INTEGER }, { L"IDispatch*", STC_OTHER }, { L"IUnknown*", STC_OTHER },
        { L"LONG", STC_INTEGER }, { L"LONGLONG", STC_INTEGER }, { L"UINT", STC_INTEGER }, { L"ULONG", STC_INTEGER },
        { L"ULONGLONG", STC_INTEGER }, { L"USHORT", STC_INTEGER }, { L"SHORT", STC_INTEGER }, { L"SCODE", STC_OTHER },
        { L"SAFEARRAY*", STC_OTHER }, { L"VARIANT_BOOL", STC_BOOLEAN }, { L"VARIANT", STC_OTHER },
        { L"VARIANT*", STC_OTHER }, { L"", STC_OTHER }, { L"(empty)", STC_OTHER }, { L"null", STC_OTHER },
        { L"HRESULT", STC_OTHER }, { L"LONG*", STC_INTEGER }, { L"DATE*", STC_DATE }, { L"VARIANT_BOOL*", STC_BOOLEAN },
    };
    for (const auto& c : cases) {
        CLogNode* n = Member(L"m", c.type, L"");
        EXPECT_EQ(GetTypeCategory(n), c.cat) << testing::PrintToString(std::wstring(c.type));
    }
    CLogNode bare;
    EXPECT_EQ(GetTypeCategory(&bare), STC_OTHER);
}

struct OperatorCase {
    const wchar_t* type;
    const wchar_t* value;     // the member's value text
    int op;
    const wchar_t* text;      // the comparison text
    BOOL bCase;
    bool expected;
};

// One comparison of each operator on each category.
TEST_F(SearchCondition, OperatorsOnCategories)
{
    static const OperatorCase cases[] = {
        { L"LONG", L"123, 0x0000007b", SOP_EQUAL, L"123", FALSE, true },
        { L"LONG", L"123, 0x0000007b", SOP_NOT_EQUAL, L"123", FALSE, false },
        { L"LONG", L"123, 0x0000007b", SOP_LESS, L"124", FALSE, true },
        { L"LONG", L"123, 0x0000007b", SOP_GREATER, L"124", FALSE, false },
        { L"LONG", L"123, 0x0000007b", SOP_LESS_EQUAL, L"123", FALSE, true },
        { L"LONG", L"123, 0x0000007b", SOP_GREATER_EQUAL, L"1.24e2", FALSE, false },
        { L"LONG", L"123, 0x0000007b", SOP_EQUAL, L"0x7b", FALSE, true },     // the hexadecimal part
        { L"LONG", L"-1, 0xffffffff", SOP_GREATER, L"0x7fffffff", FALSE, true },
        { L"LONG", L"-1, 0xffffffff", SOP_LESS, L"0", FALSE, true },
        { L"LONG", L"0, 0x00000000", SOP_LESS, L"0x1f", FALSE, true },       // a zero member
        { L"LONG", L"0, 0x00000000", SOP_EQUAL, L"0x0", FALSE, true },
        { L"SHORT", L"-3, 0xfffd", SOP_LESS, L"-2", FALSE, true },
        { L"BYTE", L"7, 0x07", SOP_EQUAL, L"7.0", FALSE, true },
        { L"ULONGLONG", L"18446744073709551615, 0xffffffffffffffff", SOP_GREATER, L"1.8e19", FALSE, true },
        { L"INT", L"", SOP_EQUAL, L"5", FALSE, false },                      // no value:
        { L"INT", L"", SOP_NOT_EQUAL, L"5", FALSE, true },                   // not comparable
        { L"UINT", L"", SOP_NOT_EQUAL, L"0x5", FALSE, true },
        { L"DOUBLE", L"1.5E-05", SOP_EQUAL, L"0.000015", FALSE, true },
        { L"DOUBLE", L"1.5E-05", SOP_LESS, L"1e-4", FALSE, true },
        { L"DOUBLE", L"", SOP_NOT_EQUAL, L"1", FALSE, true },
        { L"DECIMAL", L"12.50", SOP_EQUAL, L"12.5", FALSE, true },
        { L"CURRENCY", L"3.25", SOP_GREATER, L"3.2", FALSE, true },
        { L"DOUBLE", L"2.5", SOP_EQUAL, L"0x2", FALSE, false },              // hexadecimal wants an integer
        { L"DOUBLE", L"2.5", SOP_NOT_EQUAL, L"0x2", FALSE, true },
        { L"BSTR", L"abc", SOP_NOT_EQUAL, L"5", FALSE, true },               // cannot be compared
        { L"BSTR", L"5", SOP_EQUAL, L"5", FALSE, false },
        { L"BSTR", L"abc", SOP_LESS, L"5", FALSE, false },
        { L"BSTR", L"abc", SOP_GREATER, L"5", FALSE, false },
        { L"BSTR", L"ABC", SOP_EQUAL, L"abc", FALSE, true },
        { L"BSTR", L"ABC", SOP_EQUAL, L"abc", TRUE, false },
        { L"BSTR", L"abc", SOP_LESS, L"ABD", FALSE, true },
        { L"BSTR", L"abc", SOP_LESS, L"ABD", TRUE, false },                 // 'a' is above 'A'
        { L"BSTR", L"abc", SOP_GREATER_EQUAL, L"ab", FALSE, true },
        { L"BSTR", L"abc", SOP_LESS_EQUAL, L"ab", FALSE, false },
        { L"BSTR", L"ab", SOP_BEGINS, L"abc", FALSE, false },
        { L"BSTR", L"abcdef", SOP_BEGINS, L"ABC", FALSE, true },
        { L"BSTR", L"abcdef", SOP_BEGINS, L"ABC", TRUE, false },
        { L"BSTR", L"abcdef", SOP_ENDS, L"DEF", FALSE, true },
        { L"BSTR", L"abcdef", SOP_ENDS, L"abc", FALSE, false },
        { L"BSTR", L"xabcx", SOP_CONTAINS, L"ABC", FALSE, true },
        { L"BSTR", L"xabcx", SOP_CONTAINS, L"ABC", TRUE, false },
        { L"LONG", L"1234, 0x000004d2", SOP_BEGINS, L"12", FALSE, true },      // texts, whatever the type
        { L"BSTR", L"12", SOP_EQUAL, L"\"12\"", FALSE, true },
        { L"DATE", L"1/5/2020", SOP_EQUAL, L"2020/1/5", FALSE, true },
        { L"DATE", L"1/5/2020 12:30:00 PM", SOP_GREATER, L"2020/1/5", FALSE, true },
        { L"DATE", L"1/5/2020", SOP_EQUAL, L"1899/12/30", FALSE, false },     // not every midnight
        { L"DATE", L"12:00:00 AM", SOP_EQUAL, L"1899/12/30", FALSE, true },
        { L"BSTR", L"1/5/2020", SOP_EQUAL, L"2020/1/5", FALSE, false },
        { L"BSTR", L"1/5/2020", SOP_NOT_EQUAL, L"2020/1/5", FALSE, true },
        { L"VARIANT_BOOL", L"True", SOP_EQUAL, L"true", FALSE, true },
        { L"VARIANT_BOOL", L"True", SOP_GREATER, L"FALSE", FALSE, true },
        { L"VARIANT_BOOL", L"False", SOP_GREATER_EQUAL, L"true", FALSE, false },
        { L"BSTR", L"True", SOP_EQUAL, L"true", FALSE, false },
        { L"LONG", L"5, 0x00000005", SOP_NOT_EQUAL, L"true", FALSE, true },
    };
    int row = 0;
    for (const OperatorCase& c : cases) {
        CSearchCondition cond;
        Prepare(cond, c.text, c.op, c.bCase);
        CLogNode* m = Member(L"m", c.type, c.value);
        EXPECT_EQ(cond.Match(m), c.expected)
            << "row " << row << ": " << testing::PrintToString(std::wstring(c.type)) << " "
            << testing::PrintToString(std::wstring(c.value)) << " op " << c.op << " "
            << testing::PrintToString(std::wstring(c.text));
        ++row;
    }
}

// A member whose text shows no value of the comparison's kind cannot be
// compared with it: "!=" holds and every other operator fails.
TEST_F(SearchCondition, UncomparableMembersMatchOnlyNotEqual)
{
    // Doubles as the capture writes them.
    auto shown = [](double d) {
        VARIANT v, s;
        VariantInit(&v);
        VariantInit(&s);
        v.vt = VT_R8;
        v.dblVal = d;
        std::wstring t = SUCCEEDED(VariantChangeType(&s, &v, 0, VT_BSTR)) ? s.bstrVal : L"?";
        VariantClear(&s);
        return t;
    };
    const double zero = 0.0;
    const std::wstring inf = shown(1.0 / zero), nan = shown(zero / zero);
    const struct { const wchar_t* type; std::wstring value; const wchar_t* text; } cases[] = {
        { L"INT", L"", L"5" },
        { L"UINT", L"", L"0x5" },
        { L"LONG", L"5, 0x00000005", L"true" },
        { L"DOUBLE", inf, L"5" },
        { L"DOUBLE", nan, L"5" },
        { L"DOUBLE", L"", L"1.5e3" },
        { L"DATE*", L"(NULL)", L"2020/1/5" },
        { L"DATE", L"", L"12:00" },
        { L"VARIANT_BOOL*", L"(NULL)", L"true" },
        { L"BSTR", L"5", L"5" },
        { L"BSTR", L"True", L"true" },
    };
    for (const auto& c : cases) {
        for (int op = SOP_EQUAL; op <= SOP_GREATER_EQUAL; ++op) {
            CSearchCondition cond;
            Prepare(cond, c.text, op, FALSE);
            EXPECT_EQ(cond.Match(Member(L"m", c.type, c.value.c_str())), op == SOP_NOT_EQUAL)
                << testing::PrintToString(std::wstring(c.type)) << " " << testing::PrintToString(c.value) << " op "
                << op << " " << testing::PrintToString(std::wstring(c.text));
        }
    }
}

// A date typed as the log shows it, in the user's own short date format, is
// the member's day: day first here, where the locale's default is month first.
TEST_F(SearchCondition, TypedDateInTheUsersShortDateFormat)
{
    UserShortDate format(L"dd/MM/yyyy");
    ASSERT_TRUE(format.IsSet());
    const std::wstring shown = ShownDate(43835.0);   // 2020/01/05
    ASSERT_EQ(shown, L"05/01/2020");
    const struct { int op; const wchar_t* text; bool expected; } cases[] = {
        { SOP_EQUAL, L"05/01/2020", true },
        { SOP_NOT_EQUAL, L"05/01/2020", false },
        { SOP_GREATER, L"03/01/2020", true },      // 3 January, not 1 March
        { SOP_LESS, L"03/01/2020", false },
        { SOP_LESS_EQUAL, L"03/01/2020", false },
        { SOP_LESS, L"10/01/2020", true },
        { SOP_EQUAL, L"01/05/2020", false },       // 1 May
        { SOP_EQUAL, L"2020/1/5", true },          // year first still reads as such
    };
    for (const auto& c : cases) {
        CSearchCondition cond;
        Prepare(cond, c.text, c.op, FALSE);
        ASSERT_EQ(cond.m_value1.Kind(), SVK_DATE) << testing::PrintToString(std::wstring(c.text));
        EXPECT_EQ(cond.Match(Member(L"m", L"DATE", shown.c_str())), c.expected)
            << "op " << c.op << " " << testing::PrintToString(std::wstring(c.text));
    }
}

struct JoinCase {
    const wchar_t* t1; int op1;
    const wchar_t* t2; int op2;
    bool bAnd;
    const wchar_t* value;
    bool expected;
};

TEST_F(SearchCondition, AndOrWithBlankComparisons)
{
    static const JoinCase cases[] = {
        { L"5", SOP_EQUAL, L"", SOP_NONE, true, L"5, 0x5", true },
        { L"5", SOP_EQUAL, L"", SOP_NONE, true, L"6, 0x6", false },
        { L"5", SOP_EQUAL, L"", SOP_NONE, false, L"5, 0x5", true },
        { L"5", SOP_EQUAL, L"", SOP_NONE, false, L"6, 0x6", false },
        { L"   ", SOP_EQUAL, L"", SOP_NONE, true, L"6, 0x6", true },    // blanks: Null, every member
        { L"   ", SOP_EQUAL, L"", SOP_NONE, false, L"6, 0x6", false },  // and none under OR
        { L"1", SOP_GREATER, L"10", SOP_LESS, true, L"5, 0x5", true },
        { L"1", SOP_GREATER, L"10", SOP_LESS, true, L"11, 0xb", false },
        { L"1", SOP_LESS, L"10", SOP_GREATER, false, L"11, 0xb", true },
        { L"1", SOP_LESS, L"10", SOP_GREATER, false, L"5, 0x5", false },
        { L"1", SOP_LESS, L"10", SOP_GREATER, false, L"0, 0x0", true },
    };
    int row = 0;
    for (const JoinCase& c : cases) {
        CSearchCondition cond;
        Prepare(cond, c.t1, c.op1, FALSE, c.t2, c.op2, FALSE, c.bAnd);
        EXPECT_EQ(cond.Match(Member(L"m", L"LONG", c.value)), c.expected) << "row " << row;
        ++row;
    }
}

TEST_F(SearchCondition, IsValid)
{
    const struct { const wchar_t* t1; int op1; const wchar_t* t2; int op2; bool valid; } cases[] = {
        { L"1", SOP_EQUAL, L"", SOP_NONE, true },
        { L" ", SOP_EQUAL, L"", SOP_NONE, true },     // blanks are not empty
        { L"", SOP_EQUAL, L"", SOP_NONE, false },
        { L"1", SOP_NONE, L"", SOP_NONE, false },
        { L"1", SOP_EQUAL, L"2", SOP_LESS, true },
        { L"1", SOP_EQUAL, L"", SOP_LESS, false },
        { L"1", SOP_EQUAL, L"2", SOP_NONE, false },
    };
    for (const auto& c : cases) {
        CSearchCondition cond;
        cond.SetComparison1(c.t1, c.op1, TRUE);
        cond.SetComparison2(c.t2, c.op2, FALSE);
        EXPECT_EQ(cond.IsValid(), c.valid) << testing::PrintToString(std::wstring(c.t1)) << " " << c.op1 << " "
                                           << testing::PrintToString(std::wstring(c.t2)) << " " << c.op2;
    }
    CSearchCondition cond;
    cond.SetComparison1(L"x", 0x19, TRUE);   // only the low 4 bits
    cond.SetComparison2(L"y", SOP_CONTAINS, TRUE);
    EXPECT_EQ(cond.Operator1(), 9);
    EXPECT_EQ(cond.Operator2(), SOP_CONTAINS);
    EXPECT_EQ(cond.m_flags & (SCF_CASE1 | SCF_CASE2), SCF_CASE1 | SCF_CASE2);
    cond.SetComparison1(L"x", SOP_EQUAL, FALSE);
    EXPECT_EQ(cond.m_flags & (SCF_OP1_MASK | SCF_CASE1), (DWORD)SOP_EQUAL << SCF_OP1_SHIFT);
}

// ---- sets ----------------------------------------------------------------------------

// The find dialog's member tree: call lines with their members.
class ConditionSet : public PoolTest {
protected:
    std::vector<CLogNode*> tree;
    void SetUp() override
    {
        PoolTest::SetUp();
        tree = BuildTree({
            { L"A", -1, Kind(LOGK_CALL) | 1 },      // 0
            { L"x", 0 },                            // 1
            { L"o", 0, Kind(LOGK_OBJECT) },         // 2
            { L"y", 2 },                            // 3
            { L"A", -1, Kind(LOGK_CALL) | 2 },      // 4
            { L"x", 4 },                            // 5
            { L"A", -1, Kind(LOGK_CALL) | 1 },      // 6
            { L"x", 6 },                            // 7
            { L"B", -1, Kind(LOGK_CALL) | 1 },      // 8
            { L"x", 8 },                            // 9
        });
    }
    CSearchCondition* Add(CSearchConditionSet& set, int row, const wchar_t* text, int op = SOP_EQUAL,
                          bool bEnabled = true)
    {
        CSearchCondition* c = set.GetOrCreateCondition(tree[row]);
        c->SetComparison1(text, op, FALSE);
        if (bEnabled)
            c->m_flags |= SCF_ENABLED;
        return c;
    }
    // Leaves of the skeleton (nodes without children), all levels.
    static int CountLeaves(const CLogNode* root)
    {
        if (!root) return 0;
        return CountLeaves(root->m_pBack) + CountLeaves(root->m_pNext) +
               (root->m_pChildren ? CountLeaves(root->m_pChildren) : 1);
    }
};

TEST_F(ConditionSet, GetOrCreateAndLeastUsedColor)
{
    CSearchConditionSet set;
    EXPECT_EQ(set.LeastUsedColor(), 0);
    CSearchCondition* a = Add(set, 1, L"1");
    EXPECT_EQ(set.GetOrCreateCondition(tree[1]), a);
    EXPECT_EQ(set.FindCondition(tree[1]), a);
    EXPECT_EQ(set.FindCondition(tree[3]), nullptr);
    EXPECT_EQ(a->ColorIndex(), 0);
    CSearchCondition* b = Add(set, 3, L"1");   // colour 0 is taken once
    EXPECT_EQ(b->ColorIndex(), 1);
    b->SetColorIndex(0);
    Add(set, 5, L"1")->SetColorIndex(1);   // enabled colours 0, 0, 1
    EXPECT_EQ(set.LeastUsedColor(), 2);
    CSearchCondition* off = set.GetOrCreateCondition(tree[7]);   // a new condition is not enabled
    EXPECT_FALSE(off->IsEnabled());
    EXPECT_EQ(off->ColorIndex(), 2);
    off->SetColorIndex(2);
    EXPECT_EQ(set.LeastUsedColor(), 2);   // disabled ones are not counted
    EXPECT_EQ(set.CountEnabled(), 3);

    CSearchConditionSet all;
    for (int i = 0; i < 8; ++i) {
        CLogNode* n = Member(L"m", L"LONG", L"");
        CSearchCondition* c = all.GetOrCreateCondition(n);
        c->m_flags |= SCF_ENABLED;
        EXPECT_EQ(c->ColorIndex(), i);
    }
    EXPECT_EQ(all.LeastUsedColor(), 0);

    CSearchConditionSet held;   // a null mapping is replaced
    held.m_conditions[tree[1]] = nullptr;
    EXPECT_NE(held.GetOrCreateCondition(tree[1]), nullptr);
}

TEST_F(ConditionSet, Validate)
{
    CSearchConditionSet empty;
    EXPECT_EQ(empty.Validate(), -1);

    CSearchConditionSet disabled;
    Add(disabled, 1, L"", SOP_EQUAL, false);
    Add(disabled, 3, L"1", SOP_EQUAL, false);
    EXPECT_EQ(disabled.Validate(), -1);

    CSearchConditionSet set;
    Add(set, 1, L"1");
    CSearchCondition* bad = Add(set, 3, L"1");
    bad->SetComparison2(L"", SOP_NOT_EQUAL, FALSE);
    CSearchCondition* off = Add(set, 5, L"", SOP_EQUAL, false);
    EXPECT_EQ(set.Validate(), 1);
    EXPECT_TRUE(bad->m_flags & SCF_INVALID);
    EXPECT_FALSE(set.FindCondition(tree[1])->m_flags & SCF_INVALID);
    EXPECT_FALSE(off->m_flags & SCF_INVALID);
    bad->SetComparison2(L"2", SOP_NOT_EQUAL, FALSE);
    EXPECT_EQ(set.Validate(), 0);
    EXPECT_TRUE(bad->m_flags & SCF_INVALID);   // never cleared here
}

TEST_F(ConditionSet, CopyFromTakesEnabledValidConditions)
{
    CSearchConditionSet src;
    src.m_options = SSO_OBJECT | SSO_PATH | SSO_MATCH_OBJECTS;
    CSearchCondition* a = Add(src, 3, L"5");
    a->m_flags |= SCF_MARK | SCF_AND;
    a->SetColorIndex(6);
    a->m_reserved[0] = 11;
    a->m_reserved[1] = 22;
    a->SetComparison2(L"123", SOP_BEGINS, TRUE);
    Add(src, 1, L"7", SOP_EQUAL, false);             // disabled
    Add(src, 9, L"", SOP_EQUAL);                     // invalid

    CSearchConditionSet copy;
    EXPECT_EQ(copy.CopyFrom(&src), 1);
    EXPECT_EQ(copy.m_options, src.m_options);
    ASSERT_EQ(copy.m_conditions.size(), 1u);
    EXPECT_EQ(CountLeaves(copy.m_root.m_pChildren), 1);
    EXPECT_EQ(copy.m_root.m_pNext, nullptr);
    EXPECT_EQ(copy.m_root.m_pEntry, nullptr);
    // the skeleton without Client and Label: o { y }, own entries
    CLogNode* o = copy.m_root.m_pChildren;
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(Dump(o), L"o(y)");
    EXPECT_NE(o->m_pEntry, tree[2]->m_pEntry);
    EXPECT_EQ(o->m_pEntry->Kind(), LOGK_OBJECT);
    const auto& e = *copy.m_conditions.begin();
    EXPECT_EQ(e.first, o->m_pChildren);
    const CSearchCondition* c = e.second;
    EXPECT_EQ(c->m_flags, a->m_flags);
    EXPECT_EQ(c->m_reserved[0], 11u);
    EXPECT_EQ(c->m_reserved[1], 22u);
    EXPECT_EQ(Show(c->m_value1), L"I:5");
    EXPECT_EQ(Show(c->m_value2), L"S:123");          // a text search takes the text as it is
    EXPECT_EQ(Show(a->m_value1), L"null");           // the dialog's conditions stay unparsed

    EXPECT_EQ(copy.CopyFrom(nullptr), 0);
    EXPECT_TRUE(copy.m_conditions.empty());
    EXPECT_EQ(copy.m_root.m_pChildren, nullptr);
}

// Two source conditions on one path (x under two call lines): both take part.
TEST_F(ConditionSet, ConditionsOnOneSkeletonNodeAreKept)
{
    CSearchConditionSet src;
    CSearchCondition* five = Add(src, 1, L"5");
    five->SetColorIndex(3);
    CSearchCondition* seven = Add(src, 7, L"7");
    seven->SetColorIndex(4);
    CSearchConditionSet copy;
    EXPECT_EQ(copy.CopyFrom(&src), 2);
    ASSERT_EQ(copy.m_conditions.size(), 1u);
    CLogNode* x = copy.m_conditions.begin()->first;
    EXPECT_EQ(NameOf(x), L"x");
    EXPECT_EQ(copy.CountEnabled(), 2);

    std::vector<CLogNode*> log = BuildTree({
        { L"C", -1, Kind(LOGK_CALL) | 1 }, { L"x", 0 },
        { L"C", -1, Kind(LOGK_CALL) | 1 }, { L"x", 2 },
        { L"C", -1, Kind(LOGK_CALL) | 1 }, { L"x", 4 },
    });
    const wchar_t* values[] = { L"5, 0x5", L"7, 0x7", L"9, 0x9" };
    for (int i = 0; i < 3; ++i) {
        log[2 * i + 1]->m_pEntry->m_type = L"LONG";
        log[2 * i + 1]->m_pEntry->m_value = values[i];
    }
    CFoundNodeMap map;
    EXPECT_EQ(copy.HighlightMatches(log[0], map), 2);
    ASSERT_TRUE(map.count(log[1]) && map.count(log[3]));
    EXPECT_EQ(map[log[1]]->ColorIndex(), 3);
    EXPECT_EQ(map[log[3]]->ColorIndex(), 4);
    EXPECT_FALSE(map.count(log[5]));
    copy.Clear();
    EXPECT_EQ(copy.CountEnabled(), 0);
}

TEST_F(ConditionSet, SkeletonByClientAndLabel)
{
    CSearchConditionSet src;
    Add(src, 1, L"1");   // A (client 1) x
    Add(src, 5, L"1");   // A (client 2) x
    Add(src, 7, L"1");   // A (client 1) x again
    Add(src, 9, L"1");   // B (client 1) x

    const struct { DWORD options; const wchar_t* skeleton; int nodes; } cases[] = {
        { 0, L"x", 1 },
        { SSO_LABEL, L"A(x),B(x)", 2 },
        { SSO_CLIENT, L"#(x),#(x)", 2 },
        { SSO_CLIENT | SSO_LABEL, L"#(A(x),B(x)),#(A(x))", 3 },
    };
    for (const auto& c : cases) {
        src.m_options = c.options;
        CSearchConditionSet copy;
        EXPECT_EQ(copy.CopyFrom(&src), 4);
        EXPECT_EQ((int)copy.m_conditions.size(), c.nodes) << c.options;
        // the skeleton as lists, for reading
        CLogNode* pTail;
        copy.m_root.m_pChildren = NodeTreeToList(copy.m_root.m_pChildren, pTail);
        // client groups show their empty names
        std::wstring shown;
        for (const CLogNode* g = copy.m_root.m_pChildren; g; g = g->m_pNext) {
            if (!shown.empty()) shown += L",";
            shown += (c.options & SSO_CLIENT) ? L"#" : NameOf(g);
            if (g->m_pChildren) shown += L"(" + Dump(g->m_pChildren) + L")";
        }
        EXPECT_EQ(shown, c.skeleton) << c.options;
        if (c.options & SSO_CLIENT) {
            EXPECT_EQ(NodeClientId(copy.m_root.m_pChildren), 1);
            EXPECT_EQ(NodeClientId(copy.m_root.m_pChildren->m_pNext), 2);
        }
        CLogNode* pList = copy.m_root.m_pChildren;
        copy.m_root.m_pChildren = NodeListToTree(pList, NodeCountList(pList));
    }
}

TEST_F(ConditionSet, ClearReturnsTheSkeletonToThePools)
{
    const int before = NodesInUse();
    CSearchConditionSet src;
    src.m_options = SSO_CLIENT | SSO_LABEL;
    Add(src, 3, L"1");
    Add(src, 5, L"1");
    {
        CSearchConditionSet copy;
        copy.CopyFrom(&src);
        EXPECT_EQ(NodesInUse(), before + 7);   // 2 groups, 2 labels, o, y, x
        copy.m_cursor = copy.m_conditions.begin();
        copy.m_options |= SSO_PATH;
        copy.Clear();
        EXPECT_EQ(NodesInUse(), before);
        EXPECT_EQ(copy.m_root.m_pChildren, nullptr);
        EXPECT_EQ(copy.m_options, (DWORD)(SSO_CLIENT | SSO_LABEL | SSO_PATH));
        copy.CopyFrom(&src);
    }   // the destructor clears too
    EXPECT_EQ(NodesInUse(), before);
}

TEST_F(ConditionSet, FoundNodeMap)
{
    CSearchCondition first, second;
    first.m_flags = SCF_MARK;
    CFoundNodeMap map;
    EXPECT_EQ(AddFoundNode(map, tree[3], &first), 1);   // y below o below call line 0
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map[tree[0]], nullptr);
    EXPECT_EQ(AddFoundNode(map, tree[3], &second), 0);
    EXPECT_EQ(map[tree[3]], &first);
    EXPECT_EQ(AddFoundNode(map, nullptr, &first), 0);
    EXPECT_EQ(AddFoundNode(map, tree[1], &second), 1);
    EXPECT_EQ(map.size(), 3u);

    EXPECT_TRUE(IsFoundNode(map, tree[3], FALSE));
    EXPECT_TRUE(IsFoundNode(map, tree[3], TRUE));
    EXPECT_TRUE(IsFoundNode(map, tree[1], FALSE));
    EXPECT_FALSE(IsFoundNode(map, tree[1], TRUE));     // its condition carries no mark
    EXPECT_FALSE(IsFoundNode(map, tree[0], FALSE));    // a call line, though the map holds it
    EXPECT_FALSE(IsFoundNode(map, tree[5], FALSE));
    EXPECT_FALSE(IsFoundNode(map, nullptr, FALSE));

    map[tree[6]] = &second;   // an entry of the trace root becomes null
    EXPECT_EQ(AddFoundNode(map, tree[7], &first), 1);
    EXPECT_EQ(map[tree[6]], nullptr);
}

} // namespace
