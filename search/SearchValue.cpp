// Typed search values: the readings of comparison texts and of member texts
// (the forms of a number and the comparison are in SearchValueCompare.cpp).
#include "search/SearchValueParts.h"
#include "server/core/Except.h"
#include <oleauto.h>
#include <cwchar>
#include <new>
#include <string>

using namespace searchvalue;

namespace {

WCHAR Lower(WCHAR c) { return (c >= L'A' && c <= L'Z') ? (WCHAR)(c + (L'a' - L'A')) : c; }
bool IsDigit(WCHAR c) { return c >= L'0' && c <= L'9'; }
bool IsHexDigit(WCHAR c) { return IsDigit(c) || (c >= L'a' && c <= L'f'); }

// ---- the user's locale as member texts show it ----------------------------------

WCHAR g_chDecimal = 0;   // 0: not read yet

void ReadDecimal()
{
    {
        WCHAR buf[8] = {};
        g_chDecimal = (::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0])
                          ? buf[0] : L'.';
    }
}

WCHAR MemberDecimal()
{
    if (!g_chDecimal)
        ReadDecimal();
    return g_chDecimal;
}

// ---- dates --------------------------------------------------------------------

// Whether a date text names a day, not only a time of day.
bool NamesDay(const Text& s, LCID lcid)
{
    WCHAR sep[8] = {};
    ::GetLocaleInfoW(lcid, LOCALE_SDATE, sep, 8);
    for (WCHAR c : s)
        if (c == L'/' || c == L'-' || (sep[0] && c == sep[0] && c != L':'))
            return true;
    return false;
}

// The normalised date text: "yyyy/mm/dd h:mm:ss", the day alone at midnight,
// the time alone on day 0 unless the text named that day.
bool FormatDate(DATE d, bool bNamedDay, Text& out, int& dateLen, int& timeOff)
{
    SYSTEMTIME st;
    if (!::VariantTimeToSystemTime(d, &st))
        return false;
    const bool zeroDay = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
    const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
    WCHAR day[16], tod[16];
    swprintf(day, 16, L"%04u/%02u/%02u", st.wYear, st.wMonth, st.wDay);
    swprintf(tod, 16, L"%u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
    if (zeroDay && !bNamedDay) {
        out = tod;
        dateLen = timeOff = 0;
    } else if (midnight) {
        out = day;
        dateLen = (int)out.size();
        timeOff = 0;
    } else {
        out = day;
        dateLen = (int)out.size();
        out += SEP;
        timeOff = (int)out.size();
        out += tod;
    }
    return true;
}

// ---- classification of a comparison text ----------------------------------------

int Classify(const Text& s)
{
    if (s.empty())
        return SVK_NULL;
    int P = 0, M = 0, D = 0, S = 0, C = 0, H = 0, N = 0, E = 0, A = 0, O = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const WCHAR c = s[i];
        if (c == L'0' && i + 1 < s.size() && s[i + 1] == L'x') { ++H; ++i; }
        else if (IsDigit(c)) ++N;
        else if (c == L'+') ++P;
        else if (c == L'-') ++M;
        else if (c == L'.') ++D;
        else if (c == L'/') ++S;
        else if (c == L':') ++C;
        else if (c == L'e') ++E;
        else if (c >= L'a' && c <= L'f') ++A;
        else ++O;
    }
    if (C > 0)
        return (C <= 2 && S <= 2 && N > 0 && H == 0 && E == 0 && P == 0) ? SVK_DATE : SVK_STRING;
    if (S > 0)
        return (S <= 2 && N > 0 && H == 0 && E == 0 && P == 0) ? SVK_DATE : SVK_STRING;
    if (O > 0)
        return SVK_STRING;
    if (H > 0)
        return (H == 1 && D == 0 && P + M == 0 && N + A + E > 0) ? SVK_HEX : SVK_STRING;
    if (N == 0 || A > 0)
        return SVK_STRING;
    if (E == 0 && P + M >= 2)
        return (P == 0 && M <= 2) ? SVK_DATE : SVK_STRING;
    if (E == 0 && D >= 2)
        return SVK_STRING;   // 1.2.3 is no number
    if (E == 0 && D == 1)
        return SVK_POINT;
    if (E == 0)
        return SVK_INTEGER;
    return (E == 1 && D <= 1 && P + M <= 2) ? SVK_EXPONENT : SVK_STRING;
}


} // namespace

// ---- construction ---------------------------------------------------------------

void CSearchValue::ReadMemberLocale()
{
    ReadDecimal();
}

CSearchValue::CSearchValue() : m_format(0) {}

CSearchValue::~CSearchValue() {}

LPCWSTR CSearchValue::GetTypeName() const
{
    switch (Kind()) {
    case SVK_NULL:     return L"Null";
    case SVK_STRING:   return L"String";
    case SVK_INTEGER:
    case SVK_POINT:
    case SVK_EXPONENT: return L"Numeric";
    case SVK_HEX:      return L"Hexadecimal";
    case SVK_DATE:     return L"Date";
    case SVK_BOOLEAN:  return L"Boolean";
    default:           return L"";
    }
}

LPCOLESTR CSearchValue::SetString(LPCOLESTR psz)
{
    if (!psz)
        psz = L"";
    m_aux.Empty();
    m_format = (m_format & ~SVF_KIND_MASK) | KindBits(SVK_STRING);
    const size_t n = wcslen(psz);
    if (n >= 2 && psz[0] == L'"' && psz[n - 1] == L'"') {
        CBstr inner(psz, 1, (int)n - 2);
        m_text = std::move(inner);
    } else {
        m_text = psz;
    }
    return m_text;
}

// ---- comparison texts -----------------------------------------------------------

namespace {

// Each reading returns the new format word, or 0 when it fails; on success
// the text to store is left in out (the auxiliary text for the exponent form).
DWORD ReadDate(const Text& copy, LCID lcid, ULONG flags, Text& out)
{
    DATE d = 0;
    if (FAILED(::VarDateFromStr(const_cast<LPOLESTR>(copy.c_str()), lcid, flags, &d)))
        return 0;
    int dateLen = 0, timeOff = 0;
    if (!FormatDate(d, NamesDay(copy, lcid), out, dateLen, timeOff))
        return 0;
    return KindBits(SVK_DATE) | DigitBits(timeOff, dateLen);
}

// Typed dates and member dates are read alike: in the user's locale with the
// user's own formats, those the capture wrote the member texts with. A date
// typed as the log shows it is then the same day.
DWORD ReadUserDate(const Text& copy, Text& out)
{
    return ReadDate(copy, LOCALE_USER_DEFAULT, 0, out);
}

DWORD ReadInteger(const Text& copy, Text& out)
{
    size_t i = 0;
    bool neg = false;
    if (copy[0] == L'-' || copy[0] == L'+') { neg = copy[0] == L'-'; i = 1; }
    size_t lastZero = Text::npos;
    while (i < copy.size() && copy[i] == L'0') lastZero = i++;
    if (i < copy.size() && (copy[i] == L'-' || copy[i] == L'+'))
        return 0;
    if (i == copy.size()) {
        if (lastZero == Text::npos || !Fits((int)lastZero))
            return 0;
        out = copy;
        return KindBits(SVK_INTEGER) | DigitBits((int)lastZero, 1);
    }
    const size_t off = i;
    for (size_t k = off; k < copy.size(); ++k) {
        if (copy[k] == L'+')
            return 0;
        if (copy[k] == L'-')
            return ReadUserDate(copy, out);
    }
    const int cnt = (int)(copy.size() - off);
    if (!Fits((int)off) || !Fits(cnt))
        return 0;
    out = copy;
    return KindBits(SVK_INTEGER) | (neg ? SVF_NEGATIVE : 0) | DigitBits((int)off, cnt);
}

// Hexadecimal digits from i (after "0x" and an optional sign); the zero is
// a hexadecimal value of its own, so that it compares with other ones.
DWORD ReadHexDigits(const Text& copy, size_t i, Text& out)
{
    size_t lastZero = Text::npos;
    while (i < copy.size() && copy[i] == L'0') lastZero = i++;
    size_t off = i;
    if (i == copy.size()) {
        if (lastZero == Text::npos)
            return 0;
        off = lastZero;
    }
    for (size_t k = off; k < copy.size(); ++k)
        if (!IsHexDigit(copy[k]))
            return 0;
    const int cnt = (int)(copy.size() - off);
    if (!Fits((int)off) || !Fits(cnt))
        return 0;
    out = copy;
    return KindBits(SVK_HEX) | DigitBits((int)off, cnt);
}

DWORD ReadHex(const Text& copy, Text& out)
{
    if (copy.size() < 2 || copy[0] != L'0' || copy[1] != L'x')
        return 0;
    return ReadHexDigits(copy, 2, out);
}

DWORD ReadPoint(const Text& copy, Text& out)
{
    size_t i = 0;
    bool neg = false;
    if (copy[0] == L'-' || copy[0] == L'+') { neg = copy[0] == L'-'; i = 1; }
    const size_t pt = copy.find(L'.');
    for (size_t k = i; k < copy.size(); ++k)
        if (copy[k] == L'-' || copy[k] == L'+')
            return 0;
    size_t end = copy.size();
    while (end > pt + 1 && copy[end - 1] == L'0') --end;
    const bool frac = end > pt + 1;
    while (i < pt && copy[i] == L'0') ++i;
    if (i < pt) {
        const int cnt = (int)(pt - i);
        if (!Fits((int)i) || !Fits(cnt))
            return 0;
        out = copy.substr(0, frac ? end : pt);
        if (frac)
            out[pt] = SEP;
        return KindBits(frac ? SVK_POINT : SVK_INTEGER) | (neg ? SVF_NEGATIVE : 0) | DigitBits((int)i, cnt);
    }
    if (frac) {
        out = L"0";
        out += SEP;
        out.append(copy, pt + 1, end - pt - 1);
        return KindBits(SVK_POINT) | (neg ? SVF_NEGATIVE : 0) | DigitBits(0, 1);
    }
    out = L"0";
    return KindBits(SVK_INTEGER) | DigitBits(0, 1);
}

DWORD ReadExponentText(const Text& copy, Text& out)
{
    size_t i = 0;
    bool neg = false;
    if (copy[0] == L'-' || copy[0] == L'+') { neg = copy[0] == L'-'; i = 1; }
    const size_t e = copy.find(L'e', i);
    if (e == Text::npos || e == i)
        return 0;
    // a mantissa is a number: a point alone (".e5") is none
    bool bDigit = false;
    for (size_t k = i; k < e; ++k)
        bDigit = bDigit || IsDigit(copy[k]);
    if (!bDigit)
        return 0;
    for (size_t k = i; k < copy.size(); ++k) {
        const WCHAR c = copy[k];
        if (c == L'.' && k > e)
            return 0;
        if ((c == L'-' || c == L'+') && k != e + 1)
            return 0;
    }
    size_t x = e + 1;
    if (x < copy.size() && (copy[x] == L'-' || copy[x] == L'+'))
        ++x;
    if (x == copy.size())
        return 0;
    size_t pt = copy.find(L'.', i);
    if (pt == Text::npos || pt > e)
        pt = e;
    CBstr d, f, ex;
    const int r = CSearchValue::NormalizeNumber(copy.data() + i, (int)(pt - i),
                                                copy.data() + (pt < e ? pt + 1 : e),
                                                pt < e ? (int)(e - pt - 1) : 0,
                                                copy.data() + e + 1, (int)(copy.size() - e - 1), d, f, ex);
    if (r == 2) {
        out = d.m_str;
        const bool z = d.m_str[0] == L'0';
        return KindBits(SVK_INTEGER) | (neg && !z ? SVF_NEGATIVE : 0) | DigitBits(0, 1);
    }
    if (r == 4) {
        out = d.m_str;
        out += SEP;
        out += f.m_str;
        return KindBits(SVK_POINT) | (neg ? SVF_NEGATIVE : 0) | DigitBits(0, 1);
    }
    if (r != 7)
        return 0;
    out = d.m_str;
    out += L'.';
    out += f.m_str;
    out += SEP;
    const size_t xs = out.size();
    out += ex.m_str;
    const bool xneg = ex.m_str[0] == L'-';
    const int xoff = (int)xs + (xneg ? 1 : 0);
    const int xcnt = (int)(out.size() - xoff);
    if (!Fits(xoff) || xcnt >= 8)
        return 0;
    return KindBits(SVK_EXPONENT) | (neg ? SVF_MANT_NEGATIVE : 0) | (xneg ? SVF_EXP_NEGATIVE : 0) |
           ((DWORD)xoff << SVF_EXP_OFF_SHIFT) | ((DWORD)xcnt << SVF_EXP_CNT_SHIFT);
}

} // namespace

int CSearchValue::NormalizeNumber(LPCWSTR pszInt, int nInt, LPCWSTR pszFrac, int nFrac,
                                  LPCWSTR pszExp, int nExp, CBstr& d, CBstr& f, CBstr& x)
{
    if (nInt > 0 && (*pszInt == L'-' || *pszInt == L'+')) { ++pszInt; --nInt; }
    // The exponent: a sign and at most 8 significant digits, so that it
    // cannot wrap.
    bool xneg = false;
    if (nExp > 0 && (*pszExp == L'-' || *pszExp == L'+')) { xneg = *pszExp == L'-'; ++pszExp; --nExp; }
    while (nExp > 0 && *pszExp == L'0') { ++pszExp; --nExp; }
    if (nExp > 8)
        return -1;
    for (int k = 0; k < nExp; ++k)
        if (!IsDigit(pszExp[k]))
            return -1;
    const CNumber n = MakeNumber(pszInt, nInt, pszFrac, nFrac, ReadExponent(pszExp, nExp, xneg), false);
    if (n.zero) {
        d = L"0";
        f = L"";
        x = L"0";
        return 2;
    }
    d = n.digits.substr(0, 1).c_str();
    f = n.digits.substr(1).c_str();
    if (n.exp == 0) {
        x = L"0";
        return n.digits.size() > 1 ? 4 : 2;
    }
    x.Format(L"%lld", n.exp);
    return 7;
}

int CSearchValue::Parse(LPCOLESTR psz)
{
    if (!psz)
        psz = L"";
    try {
        m_format = 0;
        size_t b = 0, e = wcslen(psz);
        while (b < e && psz[b] == L' ') ++b;
        while (e > b && psz[e - 1] == L' ') --e;
        Text copy(psz + b, e - b);
        for (WCHAR& c : copy) c = Lower(c);

        const int cand = Classify(copy);
        if (cand == SVK_EXPONENT)
            m_text.Empty();
        else
            m_aux.Empty();
        if (cand == SVK_NULL)
            return SVK_NULL;
        Text out;
        DWORD fmt = 0;
        switch (cand) {
        case SVK_INTEGER:  fmt = ReadInteger(copy, out); break;
        case SVK_HEX:      fmt = ReadHex(copy, out); break;
        case SVK_POINT:    fmt = ReadPoint(copy, out); break;
        case SVK_DATE:     fmt = ReadUserDate(copy, out); break;
        case SVK_EXPONENT: fmt = ReadExponentText(copy, out); break;
        default: break;
        }
        if (fmt) {
            if ((int)(fmt & SVF_KIND_MASK) == SVK_EXPONENT) {
                m_text.Empty();
                SetRaw(m_aux, out);
            } else {
                m_aux.Empty();
                SetRaw(m_text, out);
            }
            m_format = fmt;
            return Kind();
        }
        if (copy == L"true" || copy == L"false") {
            m_text = copy == L"true" ? L"t" : L"f";
            m_aux.Empty();
            m_format = KindBits(SVK_BOOLEAN);
            return SVK_BOOLEAN;
        }
        SetString(psz);
        return Kind();
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

// ---- member texts ---------------------------------------------------------------

int CSearchValue::ParseNumberText(LPCOLESTR psz, int nCount)
{
    try {
        m_format = 0;
        if (!psz)
            psz = L"";
        size_t n = wcslen(psz);
        if (nCount >= 0 && (size_t)nCount < n)
            n = (size_t)nCount;
        Text copy(psz, n);
        for (WCHAR& c : copy) c = Lower(c);
        const WCHAR chDec = MemberDecimal();
        size_t s = 0;
        bool neg = false;
        if (!copy.empty() && (copy[0] == L'-' || copy[0] == L'+')) { neg = copy[0] == L'-'; s = 1; }
        size_t pos = copy.find_first_of(L"ex", s);
        DWORD fmt = 0;
        Text out;
        if (pos != Text::npos && copy[pos] == L'x') {
            // "0x" and the hexadecimal digits; a sign after the "x" is passed over
            if (pos != s + 1 || copy[s] != L'0')
                return Kind();
            size_t i = pos + 1;
            if (i < copy.size() && (copy[i] == L'-' || copy[i] == L'+'))
                ++i;
            fmt = ReadHexDigits(copy, i, out);
        } else {
            const size_t mEnd = pos == Text::npos ? copy.size() : pos;
            size_t pt = Text::npos;
            int nDigits = 0;
            for (size_t k = s; k < mEnd; ++k) {
                const WCHAR c = copy[k];
                if (IsDigit(c)) ++nDigits;
                else if ((c == chDec || c == L'.') && pt == Text::npos) pt = k;
                else return Kind();        // no number: no value
            }
            if (nDigits == 0)
                return Kind();
            if (pt != Text::npos)
                copy[pt] = L'.';
            if (pos != Text::npos) {
                // exponent form: [-]mantissa (with a point) SEP [sign]digits
                size_t x = pos + 1;
                bool xneg = false;
                if (x < copy.size() && (copy[x] == L'-' || copy[x] == L'+')) { xneg = copy[x] == L'-'; ++x; }
                if (x == copy.size())
                    return Kind();
                for (size_t k = x; k < copy.size(); ++k)
                    if (!IsDigit(copy[k]))
                        return Kind();
                out = neg ? L"-" : L"";
                out.append(copy, s, mEnd - s);
                if (pt == Text::npos)
                    out += L'.';
                out += SEP;
                const size_t xStart = out.size();
                out.append(copy, pos + 1, Text::npos);
                size_t xoff = xStart + (x - pos - 1);
                while (xoff < out.size() && out[xoff] == L'0') ++xoff;
                const int xcnt = (int)(out.size() - xoff);
                fmt = KindBits(SVK_EXPONENT) | (neg ? SVF_MANT_NEGATIVE | SVF_MANT_OFFSET : 0) |
                      (xneg ? SVF_EXP_NEGATIVE : 0);
                if (Fits((int)xoff) && xcnt < 8)
                    fmt |= ((DWORD)xoff << SVF_EXP_OFF_SHIFT) | ((DWORD)xcnt << SVF_EXP_CNT_SHIFT);
                m_text.Empty();
                SetRaw(m_aux, out);
                m_format = fmt;
                return Kind();
            }
            out = copy;
            if (pt != Text::npos) {
                out[pt] = SEP;
                const int cnt = (int)(pt - s);
                fmt = KindBits(SVK_POINT) | (neg ? SVF_NEGATIVE : 0);
                if (Fits((int)s) && Fits(cnt))
                    fmt |= DigitBits((int)s, cnt);
                else
                    fmt = 0;
            } else {
                const int cnt = (int)(copy.size() - s);
                fmt = (Fits((int)s) && Fits(cnt))
                          ? KindBits(SVK_INTEGER) | (neg ? SVF_NEGATIVE : 0) | DigitBits((int)s, cnt)
                          : 0;
            }
        }
        if (fmt) {
            m_aux.Empty();
            SetRaw(m_text, out);
            m_format = fmt;
        }
        return Kind();
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

void CSearchValue::ParseDateText(LPCOLESTR psz)
{
    try {
        m_aux.Empty();
        Text copy(psz ? psz : L"");
        for (WCHAR& c : copy) c = Lower(c);
        Text out;
        const DWORD fmt = copy.empty() ? 0 : ReadUserDate(copy, out);
        if (fmt) {
            SetRaw(m_text, out);
            m_format = fmt;
        }
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

void CSearchValue::ParseBooleanText(LPCOLESTR psz)
{
    m_aux.Empty();
    if (!psz)
        return;
    Text t(psz);
    for (WCHAR& c : t) c = Lower(c);
    if (t == L"true") {
        m_text = L"t";
        m_format = KindBits(SVK_BOOLEAN);
    } else if (t == L"false") {
        m_text = L"f";
        m_format = KindBits(SVK_BOOLEAN);
    }
}
