// A typed value of the find: a comparison text or a member's value text read
// as Null, String, a number (integer, point or exponent form), hexadecimal,
// date or Boolean, and compared with another such value. Numbers stay digit
// strings, so integers and decimals of any length compare exactly and across
// forms. Every string allocation failure throws CExcept(11).
#pragma once
#include <windows.h>
#include "server/core/Bstr.h"

// Kinds (format bits 0-3).
enum : int {
    SVK_NULL     = 0,
    SVK_STRING   = 1,
    SVK_INTEGER  = 2,   // numeric, integer form
    SVK_HEX      = 3,
    SVK_POINT    = 4,   // numeric, point form
    SVK_DATE     = 5,
    SVK_BOOLEAN  = 6,
    SVK_EXPONENT = 7    // numeric, exponent form
};

// Result bits of Compare.
constexpr DWORD SVC_EQUAL = 0x0001;
constexpr DWORD SVC_NOT_EQUAL = 0x0010;
constexpr DWORD SVC_LESS_BIT = 0x0100;
constexpr DWORD SVC_GREATER_BIT = 0x1000;
constexpr DWORD SVC_LESS = 0x0110;  // this < other
constexpr DWORD SVC_GREATER = 0x1010;  // this > other

// The format word.
constexpr DWORD SVF_KIND_MASK = 0x0000000F;
constexpr DWORD SVF_NEGATIVE = 0x00000010;
constexpr DWORD SVF_DIGIT_OFF_SHIFT = 5;  // 6 bits
constexpr DWORD SVF_DIGIT_CNT_SHIFT = 11;  // 6 bits
constexpr DWORD SVF_MANT_NEGATIVE = 0x00020000;
constexpr DWORD SVF_MANT_OFFSET = 0x00040000;  // 1 bit: the mantissa starts at 1
constexpr DWORD SVF_EXP_NEGATIVE = 0x00080000;
constexpr DWORD SVF_EXP_OFF_SHIFT = 20;  // 6 bits
constexpr DWORD SVF_EXP_CNT_SHIFT = 26;  // 4 bits, 0..7

class CSearchValue {
public:
    CSearchValue();                        // Null; throws 11
    ~CSearchValue();
    CSearchValue(const CSearchValue&) = delete;
    CSearchValue& operator=(const CSearchValue&) = delete;

    // What a comparison text denotes; returns the kind. Null counts as "".
    int Parse(LPCOLESTR psz);
    // The value becomes the String (one pair of enclosing double quotes
    // dropped); returns the stored text.
    LPCOLESTR SetString(LPCOLESTR psz);
    // The number a member's value text shows (nCount characters, -1: all);
    // the decimal separator is the user's locale's. Returns the kind; a text
    // that shows no number leaves the value Null.
    int ParseNumberText(LPCOLESTR psz, int nCount);
    // Reads again the decimal separator of the user's locale, which member
    // texts use (a search does this before it starts).
    static void ReadMemberLocale();
    // The date or Boolean a member's value text shows; any other text leaves
    // the value as it was (the auxiliary text is emptied first).
    void ParseDateText(LPCOLESTR psz);
    void ParseBooleanText(LPCOLESTR psz);

    // This (the member's value) against other (the comparison's value):
    // SVC_EQUAL, SVC_LESS, SVC_GREATER or SVC_NOT_EQUAL alone (not comparable).
    // May rewrite either value into another form of the same number.
    DWORD Compare(CSearchValue& other);

    // "Null", "String", "Numeric", "Hexadecimal", "Date", "Boolean" or "".
    LPCWSTR GetTypeName() const;

    // Kind read as a signed 4-bit field (8..15 give negative numbers).
    int Kind() const { return ((int)(m_format & SVF_KIND_MASK) ^ 8) - 8; }
    BOOL IsNegative() const { return (m_format & SVF_NEGATIVE) != 0; }
    int DigitOffset() const { return (int)(m_format >> SVF_DIGIT_OFF_SHIFT) & 63; }
    int DigitCount() const { return (int)(m_format >> SVF_DIGIT_CNT_SHIFT) & 63; }
    BOOL IsMantissaNegative() const { return (m_format & SVF_MANT_NEGATIVE) != 0; }
    int MantissaOffset() const { return (m_format & SVF_MANT_OFFSET) ? 1 : 0; }
    BOOL IsExponentNegative() const { return (m_format & SVF_EXP_NEGATIVE) != 0; }
    int ExponentOffset() const { return (int)(m_format >> SVF_EXP_OFF_SHIFT) & 63; }
    int ExponentDigits() const { return (int)(m_format >> SVF_EXP_CNT_SHIFT) & 15; }
    BOOL HasExponentForm() const { return ExponentDigits() != 0; }

    // Adds the exponent form to an integer or point value whose exponent is
    // not 0 (a value that has one keeps it).
    void ToExponentForm();
    // Rewrites an exponent value in point or integer form.
    void ToPointForm();

    // Normalises a number given as integer digits, fraction digits and an
    // exponent text: d receives the first significant digit, f the rest
    // (trailing zeros dropped), x the exponent of d in decimal when it is not
    // 0. Returns 2 (the integer d), 4 (d.f) or 7 (d.f with exponent x); a
    // negative result when the exponent is too large to be read.
    static int NormalizeNumber(LPCWSTR pszInt, int nInt, LPCWSTR pszFrac, int nFrac,
                               LPCWSTR pszExp, int nExp, CBstr& d, CBstr& f, CBstr& x);

    CBstr m_text;    // main text (separators are NULs inside it)
    CBstr m_aux;     // exponent form of a number, else ""
    DWORD m_format;  // kind, offsets and counts (SVF_*)
};
