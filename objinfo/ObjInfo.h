// Object-information records: what the object-information window shows of
// a captured object's type information, copied into plain strings and
// numbers. Built on the main thread while the capturing call is held
// (CObjInfo::Build), then handed to the log thread, which owns them; the
// finished records hold no interface pointer.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <map>
#include <string>

#include "server/core/Bstr.h"

class CObjRecord;

// One parameter of a function.
class CParamInfo {
public:
    enum : DWORD {
        PF_IN         = 0x01,   // bits 0-3: the low four PARAMFLAG bits
        PF_OUT        = 0x02,
        PF_LCID       = 0x04,
        PF_RETVAL     = 0x08,
        PF_HASDEFAULT = 0x10,
        PF_OPTIONAL   = 0x20
    };

    CParamInfo() = default;
    CParamInfo(const CParamInfo&) = delete;
    CParamInfo& operator=(const CParamInfo&) = delete;

    // "in, out, lcid, retval, optional" as far as set, into str; "" when
    // none of them is (the has-default flag is not shown).
    LPCOLESTR GetAttributeText(CBstr& str) const;

    CBstr m_name;          // "" for a parameter without a name (a put's value)
    CBstr m_typeText;
    CBstr m_defaultText;   // with PF_HASDEFAULT: the default value's text
    DWORD m_dwFlags = 0;
};

// One function or variable of a type.
class CMemberInfo {
public:
    enum : DWORD {
        MK_NONE        = 0,
        MK_METHOD      = 1,
        MK_PROPGET     = 2,
        MK_PROPPUT     = 3,
        MK_PROPPUTREF  = 4,
        MK_PERINSTANCE = 5,
        MK_STATIC      = 6,
        MK_CONST       = 7,
        MK_DISPATCH    = 8,
        MF_KIND_MASK   = 0x0F,
        MF_VARARG      = 0x10
    };

    CMemberInfo() = default;
    ~CMemberInfo();
    CMemberInfo(const CMemberInfo&) = delete;
    CMemberInfo& operator=(const CMemberInfo&) = delete;

    DWORD Kind() const { return m_dwFlags & MF_KIND_MASK; }
    BOOL IsVararg() const { return (m_dwFlags & MF_VARARG) != 0; }
    BOOL IsVariable() const { return Kind() > MK_PROPPUTREF; }

    // Replaces the parameters with n empty ones (n <= 0: none). Throws
    // CExcept 9 or 11 and leaves the member without parameters then.
    void AllocParams(int n);

    // Line nLine of the declaration into str: line 0 the one-line form
    // "T N ( T1 n1, T2 n2 )", line 1 "T N (", lines 2 .. count+1 one
    // parameter each ("    T1 n1 ,", the last without " ,"), TRUE; from
    // count+2 on the closing ")" and FALSE.
    BOOL GetDeclarationLine(int nLine, CBstr& str) const;

    // "Method", "Property Get", ... for kinds 1 to 8, "" for any other.
    static LPCWSTR KindName(DWORD nKind);
    LPCWSTR GetKindName() const { return KindName(Kind()); }
    // The member id as "%u, 0x%08x" ("10, 0x0000000a") into str.
    LPCOLESTR GetIdText(CBstr& str) const;

    CBstr m_name;
    CBstr m_typeText;     // result type of a function, type of a variable
    CBstr m_doc;
    DWORD m_memid = 0;
    DWORD m_dwFlags = 0;  // kind and vararg bit
    CParamInfo* m_pParams = nullptr;   // owned, m_nParams elements
    int m_nParams = 0;
};

// One registered file of the type library: the key path below the library's
// key ("\1.0\0\win32") and the file.
class CNameValue {
public:
    CNameValue() = default;
    CNameValue(const CNameValue&) = delete;
    CNameValue& operator=(const CNameValue&) = delete;

    CBstr m_name;
    CBstr m_value;
};

// A buffer of n BSTRs, all null at first, that receives the names of a
// function. Throws CExcept 11 when the buffer cannot be had; frees the
// strings that were filled and the buffer.
class CBstrArray {
public:
    explicit CBstrArray(UINT n);
    ~CBstrArray();
    CBstrArray(const CBstrArray&) = delete;
    CBstrArray& operator=(const CBstrArray&) = delete;

    BSTR& operator[](UINT i) { return m_pStrings[i]; }
    BSTR* GetBuffer() { return m_pStrings; }
    UINT GetCount() const { return m_nCount; }

private:
    BSTR* m_pStrings;
    UINT  m_nCount;
};

// The record of one interface: name, documentation, ids, the registered
// files of its type library and its members in the order of their
// lower-cased names. Owns its members, its pairs and every record behind it
// through m_pNext (clear that link before deleting one record of a list).
class CObjInfo {
public:
    // Member keys compared as UTF-16 code units, shorter first on a common
    // prefix; equal keys keep the order in which they were added.
    using MemberMap = std::multimap<std::wstring, CMemberInfo*>;

    CObjInfo();
    ~CObjInfo();
    CObjInfo(const CObjInfo&) = delete;
    CObjInfo& operator=(const CObjInfo&) = delete;

    // The record of a captured object's type information, or null when the
    // record holds none or the type has no documentation. Throws CExcept 9
    // or 11; nothing that was made is left behind then.
    static CObjInfo* Build(CObjRecord* pRecord);
    static CObjInfo* Build(ITypeInfo* pInfo);

    // The member passes of Build over the nCount functions or variables
    // that the type attributes give; one that cannot be read is skipped.
    void AddFunctions(ITypeInfo* pInfo, UINT nCount);
    void AddVariables(ITypeInfo* pInfo, UINT nCount);

    // Composes the type text of ptd into holder and returns it: "LONG",
    // "IFoo*", "SAFEARRAY(BSTR)", "LONG[4]"; a null ptd leaves holder as it
    // is. Holder should be empty before a type is composed.
    static LPCOLESTR TypeDescText(ITypeInfo* pInfo, const TYPEDESC* ptd, CBstr& holder);

    // A new member filed under the lower-cased name (null taken as "").
    CMemberInfo* AddMember(LPCOLESTR pszName);

    // The next member in map order, or null. Set nPos to 0 before the first
    // call; it becomes 1 while members are left and -1 after the last.
    CMemberInfo* GetNextMember(int& nPos);
    size_t GetMemberCount() const { return m_members.size(); }

    // Registry lookups: the library id of the IID (Interface\{iid}\TypeLib)
    // and the files registered below TypeLib\{libid}.
    void ReadTypeLibId();
    void ReadTypeLibFiles();
    // Walks the sub-keys of hKey depth first; every "win32" or "win64" key
    // whose default value reads as a string is one pair, stored into
    // pArray[nCount] (when pArray is given and nCount < nCapacity) with its
    // path below the walk's start; nCount counts the pairs found.
    static void WalkTypeLibKey(HKEY hKey, LPCOLESTR pszPrefix, CNameValue* pArray, int nCapacity,
                               int& nCount);
    // The key's default value when it is a string (REG_SZ): TRUE and out
    // replaced; FALSE and out unchanged otherwise.
    static BOOL ReadDefaultString(HKEY hKey, CBstr& out);

    bool m_bDispatch;
    CBstr m_name;
    CBstr m_doc;
    GUID m_iid;
    GUID m_libid;
    MemberMap m_members;
    CObjInfo* m_pNext;
    MemberMap::iterator m_cursor;
    CNameValue* m_pPairs;   // owned, m_nPairs elements
    int m_nPairs;
};

// Fills the main frame's object-information builder slot (Build, and delete
// of a record that could not be handed over). Called once at start-up.
void RegisterObjInfoBuilder();
