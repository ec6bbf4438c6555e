// Numbers as sign, decimal exponent and significant digits; the forms of a
// number; and the comparison of two search values.
#include "search/SearchValueParts.h"
#include <new>

namespace searchvalue {

CNumber MakeNumber(const WCHAR* i, int ni, const WCHAR* f, int nf, long long x, bool neg)
{
    CNumber n;
    while (ni > 0 && *i == L'0') { ++i; --ni; }
    while (nf > 0 && f[nf - 1] == L'0') --nf;
    Text m(i, ni);
    m.append(f, nf);
    size_t j = m.find_first_not_of(L'0');
    if (j == Text::npos)
        return n;
    n.zero = false;
    n.neg = neg;
    n.exp = x + ni - (long long)j - 1;
    size_t k = m.find_last_not_of(L'0');
    n.digits = m.substr(j, k - j + 1);
    return n;
}

long long ReadExponent(const WCHAR* p, int n, bool neg)
{
    long long v = 0;
    for (int k = 0; k < n; ++k)
        v = v * 10 + (p[k] - L'0');
    return neg ? -v : v;
}

}  // namespace searchvalue

using namespace searchvalue;

namespace {

CNumber NumberOf(const CSearchValue& v)
{
    const int kind = v.Kind();
    if (kind == SVK_EXPONENT) {
        Text a = RawText(v.m_aux);
        size_t sep = a.find(SEP);
        if (sep == Text::npos)
            sep = a.size();
        size_t m0 = (size_t)v.MantissaOffset();
        if (m0 > sep)
            m0 = sep;
        size_t pt = a.find(L'.', m0);
        if (pt == Text::npos || pt > sep)
            pt = sep;
        const int nf = pt < sep ? (int)(sep - pt - 1) : 0;
        long long x = 0;
        if (v.HasExponentForm() && v.ExponentOffset() + v.ExponentDigits() <= (int)a.size())
            x = ReadExponent(a.data() + v.ExponentOffset(), v.ExponentDigits(), v.IsExponentNegative() != 0);
        return MakeNumber(a.data() + m0, (int)(pt - m0), a.data() + pt + 1, nf, x,
                          v.IsMantissaNegative() != 0);
    }
    const Text t = RawText(v.m_text);
    int off = v.DigitOffset(), cnt = v.DigitCount();
    if (off > (int)t.size()) off = (int)t.size();
    if (off + cnt > (int)t.size()) cnt = (int)t.size() - off;
    const WCHAR* f = nullptr;
    int nf = 0;
    if (kind == SVK_POINT && off + cnt < (int)t.size()) {
        f = t.data() + off + cnt + 1;
        nf = (int)t.size() - (off + cnt + 1);
    }
    return MakeNumber(t.data() + off, cnt, f, nf, 0, v.IsNegative() != 0);
}

// <0, 0, >0
int CompareNumbers(const CNumber& a, const CNumber& b)
{
    const bool na = !a.zero && a.neg, nb = !b.zero && b.neg;
    if (na != nb)
        return na ? -1 : 1;
    int mag;
    if (a.zero || b.zero) {
        mag = a.zero == b.zero ? 0 : a.zero ? -1 : 1;
    } else if (a.exp != b.exp) {
        mag = a.exp < b.exp ? -1 : 1;
    } else {
        int c = a.digits.compare(b.digits);
        mag = c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    return na ? -mag : mag;
}

int CompareUnits(const WCHAR* a, int na, const WCHAR* b, int nb)
{
    const int n = na < nb ? na : nb;
    for (int k = 0; k < n; ++k)
        if (a[k] != b[k])
            return a[k] < b[k] ? -1 : 1;
    return na == nb ? 0 : na < nb ? -1 : 1;
}

// Longer is greater; equal lengths by code units.
int CompareByLength(const WCHAR* a, int na, const WCHAR* b, int nb)
{
    if (na != nb)
        return na < nb ? -1 : 1;
    return CompareUnits(a, na, b, nb);
}

DWORD ResultOf(int c) { return c == 0 ? SVC_EQUAL : c < 0 ? SVC_LESS : SVC_GREATER; }

}  // namespace

// ---- forms of a number ----------------------------------------------------------

void CSearchValue::ToExponentForm()
{
    const int kind = Kind();
    if ((kind != SVK_INTEGER && kind != SVK_POINT) || HasExponentForm())
        return;
    try {
        const CNumber n = NumberOf(*this);
        if (n.zero || n.exp == 0)
            return;
        Text a = n.neg ? L"-" : L"";
        a += n.digits[0];
        a += L'.';
        a.append(n.digits, 1, Text::npos);
        a += SEP;
        const size_t xs = a.size();
        a += std::to_wstring(n.exp);
        const bool xneg = n.exp < 0;
        const int xoff = (int)xs + (xneg ? 1 : 0);
        const int xcnt = (int)(a.size() - xoff);
        if (!Fits(xoff) || xcnt >= 8)
            return;
        SetRaw(m_aux, a);
        m_format &= ~(SVF_MANT_NEGATIVE | SVF_MANT_OFFSET | SVF_EXP_NEGATIVE |
                      (63u << SVF_EXP_OFF_SHIFT) | (15u << SVF_EXP_CNT_SHIFT));
        m_format |= (n.neg ? SVF_MANT_NEGATIVE | SVF_MANT_OFFSET : 0) | (xneg ? SVF_EXP_NEGATIVE : 0) |
                    ((DWORD)xoff << SVF_EXP_OFF_SHIFT) | ((DWORD)xcnt << SVF_EXP_CNT_SHIFT);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

void CSearchValue::ToPointForm()
{
    if (Kind() != SVK_EXPONENT)
        return;
    try {
        const CNumber n = NumberOf(*this);
        const bool neg = !n.zero && n.neg;
        Text t = neg ? L"-" : L"";
        const int s = neg ? 1 : 0;
        int kind, cnt;
        if (n.zero) {
            t += L'0';
            kind = SVK_INTEGER;
            cnt = 1;
        } else if (n.exp < 0) {
            t += L'0';
            t += SEP;
            t.append((size_t)(-n.exp - 1), L'0');
            t += n.digits;
            kind = SVK_POINT;
            cnt = 1;
        } else {
            const size_t ni = (size_t)n.exp + 1;
            if (n.digits.size() <= ni) {
                t += n.digits;
                t.append(ni - n.digits.size(), L'0');
                kind = SVK_INTEGER;
            } else {
                t.append(n.digits, 0, ni);
                t += SEP;
                t.append(n.digits, ni, Text::npos);
                kind = SVK_POINT;
            }
            cnt = (int)ni;
        }
        if (!Fits(cnt))
            return;   // too long for the point form: the exponent form stays
        SetRaw(m_text, t);
        m_format = (m_format & ~(SVF_KIND_MASK | SVF_NEGATIVE | (63u << SVF_DIGIT_OFF_SHIFT) |
                                 (63u << SVF_DIGIT_CNT_SHIFT))) |
                   KindBits(kind) | (neg ? SVF_NEGATIVE : 0) | DigitBits(s, cnt);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

// ---- comparison -----------------------------------------------------------------

DWORD CSearchValue::Compare(CSearchValue& other)
{
    const int a = Kind(), b = other.Kind();
    auto numeric = [](int k) { return k == SVK_INTEGER || k == SVK_POINT || k == SVK_EXPONENT; };
    try {
        if (numeric(a)) {
            if (!numeric(b))
                return SVC_NOT_EQUAL;
            // Sign, decimal exponent and significant digits decide, whatever
            // the forms and lengths of the two numbers.
            return ResultOf(CompareNumbers(NumberOf(*this), NumberOf(other)));
        }
        if (a != b)
            return SVC_NOT_EQUAL;
        if (a == SVK_HEX) {
            const Text x = RawText(m_text), y = RawText(other.m_text);
            auto digits = [](const Text& t, int off, int cnt, const WCHAR*& p, int& n) {
                if (off > (int)t.size()) off = (int)t.size();
                if (off + cnt > (int)t.size()) cnt = (int)t.size() - off;
                p = t.data() + off;
                n = cnt;
                while (n > 1 && *p == L'0') { ++p; --n; }
            };
            const WCHAR *px, *py;
            int nx, ny;
            digits(x, DigitOffset(), DigitCount(), px, nx);
            digits(y, other.DigitOffset(), other.DigitCount(), py, ny);
            return ResultOf(CompareByLength(px, nx, py, ny));
        }
        if (a == SVK_BOOLEAN) {
            const WCHAR x = m_text.m_str[0], y = other.m_text.m_str[0];
            return x == y ? SVC_EQUAL : x == L't' ? SVC_GREATER : SVC_LESS;
        }
        if (a == SVK_DATE) {
            const Text x = RawText(m_text), y = RawText(other.m_text);
            struct Parts { const WCHAR* d; int nd; const WCHAR* t; int nt; };
            auto split = [](const Text& s, int off, int cnt) {
                Parts p{ s.data(), 0, s.data(), 0 };
                if (cnt == 0) {                       // time alone
                    p.nt = (int)s.size();
                } else {
                    p.nd = cnt < (int)s.size() ? cnt : (int)s.size();
                    if (off > 0 && off <= (int)s.size()) {
                        p.t = s.data() + off;
                        p.nt = (int)s.size() - off;
                    }
                }
                return p;
            };
            const Parts p = split(x, DigitOffset(), DigitCount());
            const Parts q = split(y, other.DigitOffset(), other.DigitCount());
            if (p.nd && q.nd) {
                const int c = CompareByLength(p.d, p.nd, q.d, q.nd);
                if (c)
                    return ResultOf(c);
            }
            if (!p.nt && !q.nt)
                return SVC_EQUAL;
            static const WCHAR midnight[] = L"0:00:00";
            const WCHAR* pt = p.nt ? p.t : midnight;
            const int npt = p.nt ? p.nt : 7;
            const WCHAR* qt = q.nt ? q.t : midnight;
            const int nqt = q.nt ? q.nt : 7;
            return ResultOf(CompareByLength(pt, npt, qt, nqt));
        }
        return SVC_NOT_EQUAL;   // Null, String, or no kind
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}
