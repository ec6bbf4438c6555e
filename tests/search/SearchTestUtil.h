// Helpers of the search tests: a value shown as text through its format
// fields, member nodes with type and value, and a failing allocator.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include "core/TreeBuilder.h"
#include "search/SearchCondition.h"
#include "search/SearchValue.h"
#include "server/core/Except.h"

// The exponent form that a value carries: "E:1.5e-5", "" when none.
inline std::wstring ShowExponentForm(const CSearchValue& v)
{
    const std::wstring a(v.m_aux.m_str, ::SysStringLen(v.m_aux.m_str));
    const size_t sep = a.find(L'\0');
    if (sep == std::wstring::npos || !v.HasExponentForm())
        return L"";
    return std::wstring(v.IsMantissaNegative() ? L"E:-" : L"E:") +
           a.substr(v.MantissaOffset(), sep - v.MantissaOffset()) + L"e" +
           (v.IsExponentNegative() ? L"-" : L"") + a.substr(v.ExponentOffset(), v.ExponentDigits());
}

// The value as its fields locate it: "null", "S:abc", "I:-7", "P:12.5",
// "E:1.5e-5", "H:1f", "D:2020/01/05|9:05:00", "B:t".
inline std::wstring Show(const CSearchValue& v)
{
    const std::wstring t(v.m_text.m_str, ::SysStringLen(v.m_text.m_str));
    const int off = v.DigitOffset(), cnt = v.DigitCount();
    switch (v.Kind()) {
    case SVK_NULL:    return L"null";
    case SVK_STRING:  return L"S:" + t;
    case SVK_BOOLEAN: return L"B:" + t;
    case SVK_HEX:     return L"H:" + t.substr(off, cnt);
    case SVK_INTEGER:
        if (off + cnt != (int)t.size())
            return L"bad integer";
        return std::wstring(v.IsNegative() ? L"I:-" : L"I:") + t.substr(off, cnt);
    case SVK_POINT:
        if (off + cnt >= (int)t.size() || t[off + cnt] != 0)
            return L"bad point";
        return std::wstring(v.IsNegative() ? L"P:-" : L"P:") + t.substr(off, cnt) + L"." +
               t.substr(off + cnt + 1);
    case SVK_EXPONENT:
        return t.empty() ? ShowExponentForm(v) : L"bad exponent";
    case SVK_DATE:
        if (cnt == 0)
            return L"D:|" + t;
        return L"D:" + t.substr(0, cnt) + L"|" + (off ? t.substr(off) : L"");
    default:
        return L"?";
    }
}

// The user's short date format set for the scope of a test and restored
// when it ends, also when an assertion ends it early.
class UserShortDate {
public:
    explicit UserShortDate(const wchar_t* format)
    {
        m_bSaved = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, m_saved, 80) > 0;
        m_bSet = m_bSaved && ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, format);
    }
    ~UserShortDate()
    {
        if (m_bSet)
            ::SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, m_saved);
    }
    UserShortDate(const UserShortDate&) = delete;
    UserShortDate& operator=(const UserShortDate&) = delete;
    bool IsSet() const { return m_bSet; }

private:
    wchar_t m_saved[80] = {};
    bool m_bSaved = false;
    bool m_bSet = false;
};

// A date as the capture writes it into a member's value text.
inline std::wstring ShownDate(DATE d)
{
    VARIANT v, s;
    VariantInit(&v);
    VariantInit(&s);
    v.vt = VT_DATE;
    v.date = d;
    std::wstring t = SUCCEEDED(VariantChangeType(&s, &v, 0, VT_BSTR)) ? s.bstrVal : L"";
    VariantClear(&s);
    return t;
}

// A member node with its own entry.
inline CLogNode* Member(const wchar_t* name, const wchar_t* type, const wchar_t* value, DWORD flags = 0)
{
    CLogNode* n = AllocNode();
    n->m_pEntry->m_name = name;
    n->m_pEntry->m_type = type;
    n->m_pEntry->m_value = value;
    n->m_pEntry->m_flags = flags;
    return n;
}

// Nodes handed out of the pools and not returned.
inline int NodesInUse()
{
    const CNodePoolState s = GetNodePoolState();
    return s.nNodeBlocks * NODE_BLOCK_SIZE - s.nFreshNodes - s.nFreeNodes - s.nReturnedNodes;
}

// Allocation failure on demand (the test executable replaces operator new):
// the n-th allocation from now throws std::bad_alloc; 0 disarms.
void FailAllocationAfter(int n);
