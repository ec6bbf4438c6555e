#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
#include <string>
#include "server/core/Bstr.h"
#include "server/core/Except.h"

namespace {

std::wstring S(const CBstr& b) { return b.m_str; }

// The length prefix always matches the text, so a BSTR handed on is right.
void ExpectPrefixTrue(const CBstr& b)
{
    EXPECT_EQ(wcslen(b.m_str), SysStringLen(b.m_str));
}

TEST(Bstr, ConstructionNeverNull)
{
    CBstr a, b((LPCOLESTR)nullptr), c(L"abc"), z(3), z0(0);
    EXPECT_EQ(L"", S(a));
    EXPECT_EQ(L"", S(b));
    EXPECT_EQ(L"abc", S(c));
    EXPECT_EQ(L"000", S(z));
    EXPECT_EQ(L"", S(z0));
    for (const CBstr* p : { &a, &b, &c, &z, &z0 }) {
        ASSERT_NE(nullptr, p->m_str);
        ExpectPrefixTrue(*p);
    }
}

TEST(Bstr, Substring)
{
    struct { LPCOLESTR src; int first, count; const wchar_t* want; } cases[] = {
        { L"abcdef", 1, 3, L"bcd" },
        { L"abcdef", 0, 6, L"abcdef" },
        { L"abcdef", 6, 0, L"" },
        { nullptr, 0, 5, L"" },
    };
    for (auto& c : cases) {
        CBstr b(c.src, c.first, c.count);
        EXPECT_EQ(c.want, S(b));
        ExpectPrefixTrue(b);
    }
    // Copying stops at a NUL of the source.
    const wchar_t withNul[] = { L'a', L'b', 0, L'c', L'd', 0 };
    CBstr n(withNul, 0, 5);
    EXPECT_EQ(L"ab", S(n));
    ExpectPrefixTrue(n);
}

TEST(Bstr, AssignAndAppendNull)
{
    CBstr b(L"x");
    b = (LPCOLESTR)nullptr;
    EXPECT_EQ(L"", S(b));
    b = L"abc";
    EXPECT_STREQ(L"abc", b.Append(nullptr));
    EXPECT_STREQ(L"abcde", b.Append(L"de"));
    ExpectPrefixTrue(b);
    // Text ends at the first NUL, not at the length prefix.
    BSTR raw = SysAllocStringLen(L"ab\0cd", 5);
    CBstr c(L"x");
    c.Append(raw);
    EXPECT_EQ(L"xab", S(c));
    SysFreeString(raw);
    // Assigning or appending a part of itself.
    CBstr self(L"hello");
    self = self.m_str + 2;
    EXPECT_EQ(L"llo", S(self));
    self.Append(self.m_str);
    EXPECT_EQ(L"llollo", S(self));
}

TEST(Bstr, CopyAndMoveKeepOwnTexts)
{
    CBstr a(L"one");
    CBstr b(a);
    EXPECT_NE(a.m_str, b.m_str);
    CBstr c;
    c = a;
    EXPECT_EQ(L"one", S(c));
    EXPECT_NE(a.m_str, c.m_str);
    CBstr d(L"two");
    d = std::move(c);
    EXPECT_EQ(L"one", S(d));
    ASSERT_NE(nullptr, c.m_str);
}

TEST(Bstr, Format)
{
    CBstr arg(L"name");
    CBstr b;
    EXPECT_STREQ(L"[ name ]", b.Format(L"[ %s ]", arg.m_str));
    EXPECT_STREQ(L"Item 7", b.Format(L"Item %d", 7));
    EXPECT_STREQ(L"1.500   Client = 3   lbl", b.Format(L"%1.3f   Client = %i   %s", 1.5, 3, L"lbl"));
    EXPECT_STREQ(L"-3, 0xfffd", b.Format(L"%hd, 0x%04hx", (short)-3, (short)-3));
    EXPECT_STREQ(L"-1, 0xffffffff", b.Format(L"%d, 0x%08x", -1, -1));
    ExpectPrefixTrue(b);
    // Longer than any small buffer.
    std::wstring big(5000, L'q');
    b.Format(L"<%s>", big.c_str());
    EXPECT_EQ(L"<" + big + L">", S(b));
    ExpectPrefixTrue(b);
}

TEST(Bstr, Contains)
{
    CBstr b(L"Hello World \u00C9t\u00E9");
    struct { LPCOLESTR pat; int n; BOOL bCase; BOOL want; } cases[] = {
        { L"World", 5, TRUE, TRUE },
        { L"world", 5, TRUE, FALSE },
        { L"world", 5, FALSE, TRUE },
        { L"HELLO", 5, FALSE, TRUE },
        { L"Worxx", 3, TRUE, TRUE },      // only the first n characters count
        { L"", 0, TRUE, TRUE },
        { L"", 0, FALSE, TRUE },
        { L"\u00E9t\u00E9", 3, FALSE, FALSE },  // accented letters are not folded
        { L"\u00C9t\u00E9", 3, TRUE, TRUE },
        { L"Hello World \u00C9t\u00E9!", 16, FALSE, FALSE },  // longer than the text
        { L"d \u00C9", 3, FALSE, TRUE },  // at the end region
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " case " << c.bCase);
        EXPECT_EQ(c.want, b.Contains(c.pat, c.n, c.bCase));
    }
    CBstr empty;
    EXPECT_TRUE(empty.Contains(L"", 0, TRUE));
    EXPECT_FALSE(empty.Contains(L"a", 1, FALSE));
}

TEST(Bstr, Trim)
{
    struct { LPCOLESTR in; const wchar_t* want; } cases[] = {
        { L"  a b  ", L"a b" },
        { L"a", L"a" },
        { L"   ", L"" },
        { L"", L"" },
        { L"\ta \t", L"\ta \t" },   // only U+0020 is a blank
        { L" x", L"x" },
        { L"x ", L"x" },
    };
    for (auto& c : cases) {
        CBstr b(c.in);
        EXPECT_STREQ(c.want, b.Trim());
        ExpectPrefixTrue(b);
    }
}

TEST(Bstr, GetBracketIndex)
{
    struct { LPCOLESTR text; int want; } cases[] = {
        { L"[ 12 ]", 12 },
        { L"[ 007 ]", 7 },
        { L"[ 0 ]", 0 },
        { L"[ -1 ]", -1 },
        { L"[ 1a ]", -1 },
        { L"[  5 ]", -1 },           // a blank followed by 5
        { L"[ ]", -1 },
        { L"[  ]", -1 },
        { L"abc", -1 },
        { L"", -1 },
        { L"xx42yy", 42 },           // the outer four are not examined
        { L"[ 2147483647 ]", 2147483647 },
        { L"[ 2147483648 ]", -1 },   // does not fit an int
        { L"[ 99999999999999999999999 ]", -1 },
        { L"[ 0000000000000000000000012 ]", 12 },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.text).size());
        EXPECT_EQ(c.want, CBstr(c.text).GetBracketIndex());
    }
    CBstr f;
    f.Format(L"[ %s ]", L"12");
    EXPECT_EQ(12, f.GetBracketIndex());
}

TEST(Bstr, FromGuid)
{
    EXPECT_EQ(L"", S(CBstr::FromGuid(GUID{})));
    const GUID g = { 0x12345678, 0x9abc, 0xdef0, { 0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef } };
    CBstr b = CBstr::FromGuid(g);
    EXPECT_EQ(L"{12345678-9ABC-DEF0-0123-456789ABCDEF}", S(b));
    EXPECT_EQ(38, b.Length());
}

TEST(Bstr, SetInt)
{
    struct { int n; const wchar_t* want; } cases[] = {
        { -42, L"-42" }, { 0, L"0" }, { 7, L"7" },
        { 2147483647, L"2147483647" }, { (int)0x80000000, L"-2147483648" },
    };
    CBstr b(L"long text before");
    for (auto& c : cases) {
        EXPECT_STREQ(c.want, b.SetInt(c.n));
        ExpectPrefixTrue(b);
    }
}

TEST(Bstr, EmptyKeepsNonNull)
{
    CBstr b(L"something");
    b.Empty();
    EXPECT_EQ(L"", S(b));
    EXPECT_EQ(0u, SysStringLen(b.m_str));
    EXPECT_TRUE(b.IsEmpty());
}

} // namespace
