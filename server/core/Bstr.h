// A never-null holder of an OLE Automation string. Every allocation failure
// throws CExcept(11) and leaves the previous text in place. Texts end at their
// first NUL character whatever the BSTR length prefix says.
#pragma once
#include <windows.h>
#include <oleauto.h>

class CBstr {
public:
    CBstr();                                           // ""
    CBstr(LPCOLESTR psz);                              // copy; null gives ""
    explicit CBstr(int nZeros);                        // nZeros characters '0'
    CBstr(LPCOLESTR psz, int nFirst, int nCount);      // substring; stops at a NUL
    CBstr(const CBstr& src);
    ~CBstr();

    // Registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; GUID_NULL gives "".
    static CBstr FromGuid(GUID guid);

    LPCOLESTR operator=(LPCOLESTR psz);                // null gives ""
    CBstr& operator=(const CBstr& src);
    CBstr& operator=(CBstr&& src) noexcept;

    LPCOLESTR Append(LPCOLESTR psz);                   // null leaves the text unchanged
    LPCOLESTR Format(LPCOLESTR pszFormat, ...);        // wide printf rules, "%s" is a wide string
    LPCOLESTR FormatV(LPCOLESTR pszFormat, va_list args);
    // TRUE when the first n characters of pszPattern occur in the text;
    // bCase FALSE folds only A-Z to a-z.
    BOOL Contains(LPCOLESTR pszPattern, int n, BOOL bCase) const;
    // Strips U+0020 at both ends into a fitting new string, so that the length
    // prefix stays that of the text; without memory for it throws 11 and the
    // text stays as it was. Nothing to strip allocates nothing.
    LPCOLESTR Trim();
    // The number between the first two and last two characters ("[ 12 ]" -> 12),
    // -1 when the inner part is not all digits or does not fit an int.
    int GetBracketIndex() const;
    LPCOLESTR SetInt(int n);                           // signed decimal

    int Length() const;                                // characters up to the first NUL
    void Empty();                                      // "" reusing the storage; throws 11
    BOOL IsEmpty() const { return m_str[0] == 0; }

    operator LPCOLESTR() const { return m_str; }
    operator BSTR() const { return m_str; }

    BSTR m_str;                                        // never null

private:
    void Assign(LPCOLESTR psz, UINT nLen);             // replaces m_str, throws 11
};
