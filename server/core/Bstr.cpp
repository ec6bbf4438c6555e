#include "server/core/Bstr.h"
#include "server/core/Except.h"
#include <cwchar>
#include <cstdarg>
#include <climits>

namespace {

inline UINT TextLen(LPCOLESTR psz)
{
    return psz ? (UINT)wcslen(psz) : 0;
}

BSTR AllocOrThrow(LPCOLESTR psz, UINT nLen)
{
    BSTR b = ::SysAllocStringLen(psz, nLen);
    if (!b)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    return b;
}

} // namespace

CBstr::CBstr() : m_str(AllocOrThrow(L"", 0)) {}

CBstr::CBstr(LPCOLESTR psz) : m_str(AllocOrThrow(psz ? psz : L"", TextLen(psz))) {}

CBstr::CBstr(int nZeros) : m_str(AllocOrThrow(nullptr, nZeros > 0 ? (UINT)nZeros : 0))
{
    for (int i = 0; i < nZeros; ++i)
        m_str[i] = L'0';
}

CBstr::CBstr(LPCOLESTR psz, int nFirst, int nCount) : m_str(nullptr)
{
    UINT nLen = 0;
    if (psz && nCount > 0 && nFirst >= 0) {
        psz += nFirst;
        nLen = (UINT)wcsnlen(psz, (size_t)nCount);
    }
    m_str = AllocOrThrow(nLen ? psz : L"", nLen);
}

CBstr::CBstr(const CBstr& src) : m_str(AllocOrThrow(src.m_str, TextLen(src.m_str))) {}

CBstr::~CBstr()
{
    ::SysFreeString(m_str);
}

CBstr CBstr::FromGuid(GUID guid)
{
    static const GUID zero = {};
    if (memcmp(&guid, &zero, sizeof(GUID)) == 0)
        return CBstr();
    WCHAR buf[40];
    if (::StringFromGUID2(guid, buf, 40) == 0)
        return CBstr();
    return CBstr(buf);
}

void CBstr::Assign(LPCOLESTR psz, UINT nLen)
{
    // A source inside our own buffer would be freed by the reallocation.
    if (m_str && psz >= m_str && psz <= m_str + ::SysStringLen(m_str)) {
        BSTR b = AllocOrThrow(psz, nLen);
        ::SysFreeString(m_str);
        m_str = b;
        return;
    }
    if (!::SysReAllocStringLen(&m_str, psz, nLen))
        throw CExcept(ZV_ERR_MEMORY_BSTR);
}

LPCOLESTR CBstr::operator=(LPCOLESTR psz)
{
    Assign(psz ? psz : L"", TextLen(psz));
    return m_str;
}

CBstr& CBstr::operator=(const CBstr& src)
{
    if (this != &src)
        Assign(src.m_str, TextLen(src.m_str));
    return *this;
}

CBstr& CBstr::operator=(CBstr&& src) noexcept
{
    if (this != &src) {
        BSTR t = m_str;
        m_str = src.m_str;
        src.m_str = t;
    }
    return *this;
}

LPCOLESTR CBstr::Append(LPCOLESTR psz)
{
    if (!psz || !*psz)
        return m_str;
    UINT n1 = TextLen(m_str), n2 = TextLen(psz);
    if (n2 > UINT_MAX / 2 - n1)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    BSTR b = AllocOrThrow(nullptr, n1 + n2);
    memcpy(b, m_str, n1 * sizeof(WCHAR));
    memcpy(b + n1, psz, n2 * sizeof(WCHAR));
    b[n1 + n2] = 0;
    ::SysFreeString(m_str);
    m_str = b;
    return m_str;
}

LPCOLESTR CBstr::Format(LPCOLESTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    try {
        FormatV(pszFormat, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
    return m_str;
}

LPCOLESTR CBstr::FormatV(LPCOLESTR pszFormat, va_list args)
{
    if (!pszFormat)
        pszFormat = L"";
    // Most texts fit a small buffer: format there first, measure only when not.
    WCHAR small[256];
    va_list a1;
    va_copy(a1, args);
    int n = _vsnwprintf(small, 256, pszFormat, a1);
    va_end(a1);
    if (n >= 0 && n < 256) {
        Assign(small, (UINT)n);
        return m_str;
    }
    va_list a2;
    va_copy(a2, args);
    n = _vscwprintf(pszFormat, a2);
    va_end(a2);
    if (n < 0)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    BSTR b = AllocOrThrow(nullptr, (UINT)n);
    va_list a3;
    va_copy(a3, args);
    _vsnwprintf(b, (size_t)n + 1, pszFormat, a3);
    va_end(a3);
    b[n] = 0;
    ::SysFreeString(m_str);
    m_str = b;
    return m_str;
}

BOOL CBstr::Contains(LPCOLESTR pszPattern, int n, BOOL bCase) const
{
    if (n <= 0)
        return TRUE;
    if (!pszPattern)
        return FALSE;
    int nLen = (int)TextLen(m_str);
    for (int pos = 0; pos <= nLen - n; ++pos) {
        const WCHAR* t = m_str + pos;
        int i = 0;
        if (bCase) {
            while (i < n && t[i] == pszPattern[i])
                ++i;
        } else {
            while (i < n) {
                WCHAR a = t[i], b = pszPattern[i];
                if (a >= L'A' && a <= L'Z') a += L'a' - L'A';
                if (b >= L'A' && b <= L'Z') b += L'a' - L'A';
                if (a != b)
                    break;
                ++i;
            }
        }
        if (i == n)
            return TRUE;
    }
    return FALSE;
}

LPCOLESTR CBstr::Trim()
{
    UINT nLen = TextLen(m_str);
    UINT nEnd = nLen;
    while (nEnd > 0 && m_str[nEnd - 1] == L' ')
        --nEnd;
    UINT nStart = 0;
    while (nStart < nEnd && m_str[nStart] == L' ')
        ++nStart;
    if (nStart == 0 && nEnd == nLen)
        return m_str;
    // A fitting copy keeps the length prefix true to the text; without
    // memory for one the text stays as it was.
    BSTR b = ::SysAllocStringLen(m_str + nStart, nEnd - nStart);
    if (b == nullptr)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    ::SysFreeString(m_str);
    m_str = b;
    return m_str;
}

int CBstr::GetBracketIndex() const
{
    const WCHAR* p = m_str;
    int nLen = 0;
    while (p[nLen])
        ++nLen;
    if (nLen < 5)
        return -1;
    int nValue = 0;
    for (int i = 2; i < nLen - 2; ++i) {
        unsigned d = (unsigned)(p[i] - L'0');
        if (d > 9)
            return -1;
        if (nValue > (INT_MAX - (int)d) / 10)
            return -1;
        nValue = nValue * 10 + (int)d;
    }
    return nValue;
}

LPCOLESTR CBstr::SetInt(int n)
{
    WCHAR buf[16];
    WCHAR* p = buf + 15;
    *p = 0;
    unsigned u = n < 0 ? 0u - (unsigned)n : (unsigned)n;
    do {
        *--p = (WCHAR)(L'0' + u % 10);
        u /= 10;
    } while (u);
    if (n < 0)
        *--p = L'-';
    Assign(p, (UINT)(buf + 15 - p));
    return m_str;
}

int CBstr::Length() const
{
    return (int)TextLen(m_str);
}

void CBstr::Empty()
{
    if (m_str[0] == 0 && ::SysStringLen(m_str) == 0)
        return;
    if (!::SysReAllocStringLen(&m_str, L"", 0))
        throw CExcept(ZV_ERR_MEMORY_BSTR);
}
