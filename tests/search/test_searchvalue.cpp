#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <string>
#include "SearchTestUtil.h"

namespace {

struct ParseCase {
    const wchar_t* text;
    const wchar_t* shown;
};

// A comparison text as the find dialog hands it over.
TEST(SearchValue, ParseTable)
{
    static const ParseCase cases[] = {
        { L"", L"null" },
        { L"   ", L"null" },
        { L"abc", L"S:abc" },
        { L" abc ", L"S: abc " },          // only the classification trims
        { L"\"123\"", L"S:123" },
        { L"\"", L"S:\"" },
        { L"\"a\"b\"", L"S:a\"b" },        // one pair of quotes goes
        { L"TRUE", L"B:t" },
        { L" false ", L"B:f" },
        { L"yes", L"S:yes" },
        { L"0x1F", L"H:1f" },
        { L"0x000", L"H:0" },              // the hexadecimal zero stays hexadecimal
        { L"0x", L"S:0x" },
        { L"-0x5", L"S:-0x5" },
        { L"10x5", L"S:10x5" },
        { L"0x0g", L"S:0x0g" },
        { L"-007", L"I:-7" },
        { L"-0", L"I:0" },
        { L"+0", L"I:0" },
        { L"+5", L"I:5" },
        { L"123456789012345678901234567890123456789012345678901234567890123",
          L"I:123456789012345678901234567890123456789012345678901234567890123" },
        { L"1234567890123456789012345678901234567890123456789012345678901234",
          L"S:1234567890123456789012345678901234567890123456789012345678901234" },
        { L"12.50", L"P:12.5" },
        { L"5.0", L"I:5" },
        { L"-.25", L"P:-0.25" },
        { L"0.000", L"I:0" },
        { L"007.010", L"P:7.01" },
        { L"1.2.3", L"S:1.2.3" },          // two points: no number
        { L"1..2", L"S:1..2" },
        { L"1.5-", L"S:1.5-" },
        { L"1.2e3", L"E:1.2e3" },
        { L"12.5e3", L"E:1.25e4" },
        { L"0.05e1", L"E:5.e-1" },
        { L"12e-1", L"P:1.2" },
        { L"5e0", L"I:5" },
        { L"50e-1", L"I:5" },
        { L"-5e0", L"I:-5" },
        { L"0e7", L"I:0" },
        { L"-1E+10", L"E:-1.e10" },
        { L"1e00000003", L"E:1.e3" },      // leading zeros of the exponent do not count
        { L"1e12345678", L"S:1e12345678" },  // an exponent of 8 digits cannot be held
        { L"1e123456789", L"S:1e123456789" },
        { L"1e4294967297", L"S:1e4294967297" },  // would wrap to 1e1
        { L"1.23456789012345678901234567890123456789012345678901234567890123e62",
          L"S:1.23456789012345678901234567890123456789012345678901234567890123e62" },
        { L"1e", L"S:1e" },
        { L"e5", L"S:e5" },
        { L".e5", L"S:.e5" },              // a point alone is no mantissa
        { L"-.e5", L"S:-.e5" },
        { L"+.e-5", L"S:+.e-5" },
        { L".5e1", L"I:5" },
        { L"5.e1", L"E:5.e1" },
        { L"1e5e5", L"S:1e5e5" },
        { L"1e5.5", L"S:1e5.5" },
        { L"2020/1/5", L"D:2020/01/05|" },
        { L"2020-01-05", L"D:2020/01/05|" },
        { L"12:30", L"D:|12:30:00" },
        { L"2020/1/5 9:5", L"D:2020/01/05|9:05:00" },
        { L"1899/12/30", L"D:1899/12/30|" },   // the zero day named is a day
        { L"1899/12/30 12:00", L"D:1899/12/30|12:00:00" },
        { L"1/2/3/4", L"S:1/2/3/4" },
        { L"2020/13/45", L"S:2020/13/45" },
    };
    for (const ParseCase& c : cases) {
        CSearchValue v;
        const int kind = v.Parse(c.text);
        EXPECT_EQ(Show(v), c.shown) << "text [" << testing::PrintToString(std::wstring(c.text)) << "]";
        EXPECT_EQ(kind, v.Kind()) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(SearchValue, ParseStartsAfresh)
{
    CSearchValue v;
    v.Parse(L"1.5e30");
    v.Parse(L"7");
    EXPECT_EQ(Show(v), L"I:7");
    EXPECT_EQ(::SysStringLen(v.m_aux.m_str), 0u);
    v.Parse(L"  ");
    EXPECT_EQ(v.Kind(), SVK_NULL);
    v.Parse(nullptr);
    EXPECT_EQ(v.Kind(), SVK_NULL);
}

TEST(SearchValue, TypeNames)
{
    const struct { const wchar_t* text; const wchar_t* name; } cases[] = {
        { L"", L"Null" }, { L"x", L"String" }, { L"1", L"Numeric" }, { L"1.5", L"Numeric" },
        { L"1e9", L"Numeric" }, { L"0xa", L"Hexadecimal" }, { L"12:00", L"Date" }, { L"true", L"Boolean" },
    };
    for (const auto& c : cases) {
        CSearchValue v;
        v.Parse(c.text);
        EXPECT_STREQ(v.GetTypeName(), c.name) << testing::PrintToString(std::wstring(c.text));
    }
    CSearchValue v;
    v.m_format = 9;   // would read as a negative kind
    EXPECT_LT(v.Kind(), 0);
    EXPECT_STREQ(v.GetTypeName(), L"");
}

// A member's value text, as the capture writes it.
TEST(SearchValue, NumberTextTable)
{
    const struct { const wchar_t* text; int count; const wchar_t* shown; } cases[] = {
        { L"123", -1, L"I:123" },
        { L"-5, 0xfffffffb", 2, L"I:-5" },
        { L"0", -1, L"I:0" },
        { L"2.25", -1, L"P:2.25" },
        { L"-0.25", -1, L"P:-0.25" },
        { L"12.50", -1, L"P:12.50" },
        { L"1.5E-05", -1, L"E:1.5e-5" },
        { L"-1.5E-05", -1, L"E:-1.5e-5" },
        { L"1E+20", -1, L"E:1.e20" },
        { L"0x000000ff", -1, L"H:ff" },
        { L"0x00000000", -1, L"H:0" },            // a zero member stays hexadecimal
        { L"0xFFFF", -1, L"H:ffff" },
        { L"", -1, L"null" },                     // an INT member or a failed conversion
        { L"abc", -1, L"null" },
        { L"1.#INF", -1, L"null" },
        { L"-", -1, L"null" },
    };
    for (const auto& c : cases) {
        CSearchValue v;
        v.ParseNumberText(c.text, c.count);
        EXPECT_EQ(Show(v), c.shown) << testing::PrintToString(std::wstring(c.text));
    }
    CSearchValue v;
    // an exponent of zero digits: the mantissa alone
    EXPECT_EQ(v.ParseNumberText(L"1.5E+00", -1), SVK_EXPONENT);
    EXPECT_FALSE(v.HasExponentForm());
    CSearchValue same;
    same.Parse(L"1.5");
    EXPECT_EQ(v.Compare(same), SVC_EQUAL);
    CSearchValue neg;
    neg.ParseNumberText(L"-1.5E-05", -1);
    EXPECT_TRUE(neg.IsExponentNegative());
    EXPECT_EQ(neg.MantissaOffset(), 1);
}

TEST(SearchValue, DateAndBooleanTexts)
{
    CSearchValue d;
    d.ParseDateText(L"1/5/2020 12:30:00 PM");   // the user's locale of the test prefix
    EXPECT_EQ(Show(d), L"D:2020/01/05|12:30:00");
    CSearchValue stays;
    stays.ParseDateText(L"not a date");
    EXPECT_EQ(stays.Kind(), SVK_NULL);
    stays.Parse(L"abc");
    stays.ParseDateText(L"");
    EXPECT_EQ(Show(stays), L"S:abc");

    CSearchValue b;
    b.ParseBooleanText(L"True");
    EXPECT_EQ(Show(b), L"B:t");
    b.ParseBooleanText(L"FALSE");
    EXPECT_EQ(Show(b), L"B:f");
    b.ParseBooleanText(L"maybe");
    EXPECT_EQ(Show(b), L"B:f");
}

enum Reading { PARSE, NUMBER, DATE_TEXT };

struct CompareCase {
    Reading how;          // how the first (member) text is read
    const wchar_t* a;
    const wchar_t* b;     // the comparison text (Parse)
    DWORD expected;
};

void Read(CSearchValue& v, Reading how, const wchar_t* text)
{
    switch (how) {
    case PARSE: v.Parse(text); break;
    case NUMBER: v.ParseNumberText(text, -1); break;
    case DATE_TEXT: v.ParseDateText(text); break;
    }
}

TEST(SearchValue, CompareTable)
{
    const DWORD EQ = SVC_EQUAL, LT = SVC_LESS, GT = SVC_GREATER, NC = SVC_NOT_EQUAL;
    static const CompareCase cases[] = {
        { PARSE, L"10", L"9", GT },
        { PARSE, L"-10", L"-9", LT },
        { PARSE, L"1.5", L"1.25", GT },
        { PARSE, L"5", L"5.5", LT },
        { PARSE, L"-5", L"-5.5", GT },
        { PARSE, L"-1", L"0", LT },
        { PARSE, L"0", L"-0.5", GT },
        { PARSE, L"-.25", L"-0.25", EQ },
        { NUMBER, L"-0.25", L"-.25", EQ },
        { NUMBER, L"10000000000000000000", L"1e19", EQ },
        { NUMBER, L"1E+20", L"1e20", EQ },
        { NUMBER, L"1.5E-05", L"0.000015", EQ },
        { NUMBER, L"0.001", L"1e-3", EQ },
        { NUMBER, L"12.50", L"12.5", EQ },        // trailing zeros of a member's fraction
        { NUMBER, L"1200000", L"12e5", EQ },
        { NUMBER, L"1199999", L"12e5", LT },
        { NUMBER, L"1.5E+300", L"1e300", GT },
        { NUMBER, L"-1.5E+300", L"-1e300", LT },
        { NUMBER, L"1.5E-300", L"0", GT },
        { NUMBER, L"-1.5E-300", L"0", LT },
        { NUMBER, L"0", L"1e-300", LT },
        { NUMBER, L"5", L"5e0", EQ },
        { NUMBER, L"99", L"1e2", LT },
        { NUMBER, L"1E+16", L"9999999999999999", GT },
        { PARSE, L"1.5", L"15e-1", EQ },
        { PARSE, L"2e-5", L"1.9e-5", GT },
        { PARSE, L"2e-5", L"2e-4", LT },
        { PARSE, L"123456789012345678901234567890123456789012345678901234500000000",
          L"1.234567890123456789012345678901234567890123456789012345e62", EQ },
        { PARSE, L"123456789012345678901234567890123456789012345678901234500000001",
          L"1.234567890123456789012345678901234567890123456789012345e62", GT },
        { PARSE, L"123456789012345678901234567890123456789012345678901234567890123", L"1e63", LT },
        { NUMBER, L"0x000000ff", L"0xff", EQ },
        { NUMBER, L"0x00000100", L"0xff", GT },
        { NUMBER, L"0x0000000f", L"0xf0", LT },
        { NUMBER, L"0x00000000", L"0x1f", LT },    // the zero member against a hexadecimal
        { NUMBER, L"0x00000000", L"0x0", EQ },
        { NUMBER, L"255", L"0xff", NC },
        { NUMBER, L"0x000000ff", L"255", NC },
        { NUMBER, L"", L"0", NC },
        { DATE_TEXT, L"1/5/2020", L"2020/1/5 0:00:00", EQ },
        { DATE_TEXT, L"1/5/2020", L"2020/1/6", LT },
        { DATE_TEXT, L"2/15/2020", L"2020/10/5", LT },   // fixed-width fields
        { DATE_TEXT, L"1/5/2020 12:30:00 PM", L"2020/1/5", GT },
        { PARSE, L"9:05:00", L"10:00:00", LT },
        { PARSE, L"12:30", L"2020/1/5 12:30", EQ },      // a time alone fits every day
        { PARSE, L"2020/1/5", L"1899/12/30", GT },       // not every midnight
        { PARSE, L"1899/12/30", L"12:00", LT },
        { PARSE, L"true", L"false", GT },
        { PARSE, L"false", L"true", LT },
        { PARSE, L"TRUE", L"true", EQ },
        { PARSE, L"abc", L"abc", NC },
        { PARSE, L"", L"", NC },
        { PARSE, L"5", L"abc", NC },
        { PARSE, L"5", L"true", NC },
        { PARSE, L"true", L"1", NC },
        { PARSE, L"12:00", L"12", NC },
    };
    int row = 0;
    for (const CompareCase& c : cases) {
        CSearchValue a, b;
        Read(a, c.how, c.a);
        b.Parse(c.b);
        EXPECT_EQ(a.Compare(b), c.expected) << "row " << row << ": " << testing::PrintToString(std::wstring(c.a))
                                            << " against " << testing::PrintToString(std::wstring(c.b));
        ++row;
    }
}

TEST(SearchValue, OtherForms)
{
    const struct { const wchar_t* text; const wchar_t* shown; } toPoint[] = {
        { L"1.2e3", L"I:1200" }, { L"1.25e-2", L"P:0.0125" }, { L"-1.2345e2", L"P:-123.45" },
        { L"1e1", L"I:10" },
    };
    for (const auto& c : toPoint) {
        CSearchValue v;
        v.Parse(c.text);
        v.ToPointForm();
        EXPECT_EQ(Show(v), c.shown) << testing::PrintToString(std::wstring(c.text));
    }
    const struct { const wchar_t* text; const wchar_t* exponent; } toExp[] = {
        { L"1200", L"E:1.2e3" }, { L"-0.0125", L"E:-1.25e-2" }, { L"5", L"" }, { L"0", L"" },
        { L"0.5", L"E:5.e-1" },
    };
    for (const auto& c : toExp) {
        CSearchValue v;
        v.Parse(c.text);
        const int kind = v.Kind();
        v.ToExponentForm();
        EXPECT_EQ(v.Kind(), kind);   // stays what it was in every other respect
        EXPECT_EQ(ShowExponentForm(v), c.exponent) << testing::PrintToString(std::wstring(c.text));
    }
}

// Member texts follow the user's locale: a comma as decimal separator.
TEST(SearchValue, MemberDecimalSeparatorOfTheLocale)
{
    WCHAR saved[8] = {};
    ASSERT_GT(::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, 8), 0);
    ASSERT_TRUE(::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, L","));
    CSearchValue::ReadMemberLocale();

    VARIANT v, s;
    VariantInit(&v);
    VariantInit(&s);
    v.vt = VT_R8;
    v.dblVal = 2.25;
    ASSERT_EQ(VariantChangeType(&s, &v, 0, VT_BSTR), S_OK);   // as the capture writes it
    const std::wstring text = s.bstrVal;
    VariantClear(&s);
    v.dblVal = -1.5e-7;
    ASSERT_EQ(VariantChangeType(&s, &v, 0, VT_BSTR), S_OK);
    const std::wstring small = s.bstrVal;
    VariantClear(&s);

    ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
    EXPECT_EQ(text, L"2,25");
    CSearchValue m, c;
    m.ParseNumberText(text.c_str(), -1);
    c.Parse(L"2.25");
    EXPECT_EQ(m.Compare(c), SVC_EQUAL);
    CSearchValue m2, c2;
    m2.ParseNumberText(small.c_str(), -1);
    c2.Parse(L"-0.00000015");
    EXPECT_EQ(m2.Compare(c2), SVC_EQUAL) << testing::PrintToString(small);
    CSearchValue::ReadMemberLocale();
}

} // namespace

namespace {

// Member dates are read as the capture wrote them: in the user's locale with
// the user's own short date format.
TEST(SearchValue, MemberDateInTheUsersFormat)
{
    UserShortDate format(L"dd/MM/yyyy");
    ASSERT_TRUE(format.IsSet());
    const std::wstring text = ShownDate(43835.5);   // 2020/01/05 12:00
    CSearchValue m;
    m.ParseDateText(text.c_str());
    EXPECT_EQ(text.substr(0, 10), L"05/01/2020");
    EXPECT_EQ(Show(m), L"D:2020/01/05|12:00:00") << testing::PrintToString(text);
}

} // namespace
