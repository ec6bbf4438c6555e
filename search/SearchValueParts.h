// What the readings of search values and their comparison share: the stored
// text with its separators, the format word's fields, and numbers as sign,
// decimal exponent and significant digits.
#pragma once
#include "search/SearchValue.h"
#include "server/core/Except.h"
#include <oleauto.h>
#include <string>

namespace searchvalue {

typedef std::wstring Text;

const WCHAR SEP = L'\0';   // separator stored inside a text

// The whole stored length of a text, separators included.
inline Text RawText(const CBstr& b) { return Text(b.m_str, ::SysStringLen(b.m_str)); }

inline void SetRaw(CBstr& b, const Text& s)
{
    BSTR p = ::SysAllocStringLen(s.data(), (UINT)s.size());
    if (!p)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    ::SysFreeString(b.m_str);
    b.m_str = p;
}

// ---- format word --------------------------------------------------------------

inline DWORD KindBits(int kind) { return (DWORD)kind & SVF_KIND_MASK; }
inline bool Fits(int n) { return n >= 0 && n < 64; }
inline DWORD DigitBits(int off, int cnt)
{
    return ((DWORD)off << SVF_DIGIT_OFF_SHIFT) | ((DWORD)cnt << SVF_DIGIT_CNT_SHIFT);
}

// ---- numbers as sign, decimal exponent and significant digits -------------------

struct CNumber {
    bool zero = true;
    bool neg = false;
    long long exp = 0;   // exponent of the first significant digit
    Text digits;         // significant digits, no leading or trailing zeros
};

// i: integer digits, f: fraction digits, x: power of ten applied to i.f.
CNumber MakeNumber(const WCHAR* i, int ni, const WCHAR* f, int nf, long long x, bool neg);
long long ReadExponent(const WCHAR* p, int n, bool neg);

}  // namespace searchvalue
