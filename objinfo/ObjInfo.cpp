// The records themselves: construction, ownership, the member map and the
// texts that the object-information window shows.
#include "objinfo/ObjInfo.h"

#include <cwctype>
#include <memory>
#include <new>

#include "server/core/Except.h"

// ---------------------------------------------------------------- CParamInfo

LPCOLESTR CParamInfo::GetAttributeText(CBstr& str) const
{
    str = L"";
    if ((m_dwFlags & (PF_IN | PF_OUT | PF_LCID | PF_RETVAL | PF_OPTIONAL)) == 0)
        return str;
    static const struct {
        DWORD dwFlag;
        LPCWSTR pszText;
    } kAttributes[] = {
        {PF_IN, L"in, "},         {PF_OUT, L"out, "},           {PF_LCID, L"lcid, "},
        {PF_RETVAL, L"retval, "}, {PF_OPTIONAL, L"optional, "},
    };
    CBstr text;
    for (const auto& a : kAttributes)
        if (m_dwFlags & a.dwFlag)
            text.Append(a.pszText);
    str = CBstr(text, 0, text.Length() - 2);
    return str;
}

// --------------------------------------------------------------- CMemberInfo

CMemberInfo::~CMemberInfo()
{
    delete[] m_pParams;
}

void CMemberInfo::AllocParams(int n)
{
    delete[] m_pParams;
    m_pParams = nullptr;
    m_nParams = 0;
    if (n <= 0)
        return;
    // No function declares more (FUNCDESC counts them in a SHORT); a larger
    // count is treated as the failed allocation it would become.
    if (n > 0x7FFF)
        throw CExcept(ZV_ERR_MEMORY);
    // A string that cannot be had in one of the elements throws 11 out of
    // new[], which destroys the elements already made.
    CParamInfo* pParams = new (std::nothrow) CParamInfo[n];
    if (!pParams)
        throw CExcept(ZV_ERR_MEMORY);
    // The count follows the array only once the array exists.
    m_pParams = pParams;
    m_nParams = n;
}

BOOL CMemberInfo::GetDeclarationLine(int nLine, CBstr& str) const
{
    if (nLine == 0) {
        CBstr args, item;
        for (int i = 0; i < m_nParams; ++i)
            args.Append(item.Format(L"%s %s, ", (LPCOLESTR)m_pParams[i].m_typeText,
                                    (LPCOLESTR)m_pParams[i].m_name));
        if (m_nParams > 0)
            args = CBstr(args, 0, args.Length() - 2);
        str.Format(L"%s %s ( %s )", (LPCOLESTR)m_typeText, (LPCOLESTR)m_name, (LPCOLESTR)args);
        return TRUE;
    }
    if (nLine == 1) {
        str.Format(L"%s %s (", (LPCOLESTR)m_typeText, (LPCOLESTR)m_name);
        return TRUE;
    }
    if (nLine >= 2 && nLine - 2 < m_nParams) {
        const CParamInfo& p = m_pParams[nLine - 2];
        str.Format(L"    %s %s ,", (LPCOLESTR)p.m_typeText, (LPCOLESTR)p.m_name);
        if (nLine - 2 == m_nParams - 1)
            str = CBstr(str, 0, str.Length() - 2);
        return TRUE;
    }
    str = L")";
    return FALSE;
}

LPCWSTR CMemberInfo::KindName(DWORD nKind)
{
    static const LPCWSTR kNames[] = {
        L"",       L"Method", L"Property Get", L"Property Put", L"Property Put (Ref)",
        L"PerInstance", L"Static", L"Const", L"Dispatch",
    };
    return nKind < sizeof(kNames) / sizeof(kNames[0]) ? kNames[nKind] : L"";
}

LPCOLESTR CMemberInfo::GetIdText(CBstr& str) const
{
    return str.Format(L"%u, 0x%08x", (unsigned)m_memid, (unsigned)m_memid);
}

// ---------------------------------------------------------------- CBstrArray

CBstrArray::CBstrArray(UINT n) : m_pStrings(nullptr), m_nCount(n)
{
    m_pStrings = new (std::nothrow) BSTR[n ? n : 1]();
    if (!m_pStrings)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
}

CBstrArray::~CBstrArray()
{
    for (UINT i = 0; i < m_nCount; ++i)
        ::SysFreeString(m_pStrings[i]);
    delete[] m_pStrings;
}

// ------------------------------------------------------------------ CObjInfo

CObjInfo::CObjInfo()
    : m_bDispatch(true), m_iid(), m_libid(), m_pNext(nullptr), m_cursor(m_members.end()),
      m_pPairs(nullptr), m_nPairs(0)
{
}

CObjInfo::~CObjInfo()
{
    for (auto& member : m_members)
        delete member.second;
    delete[] m_pPairs;
    // The chain behind this record, one record at a time, so that a long
    // list does not nest the destructors.
    CObjInfo* p = m_pNext;
    m_pNext = nullptr;
    while (p) {
        CObjInfo* pNext = p->m_pNext;
        p->m_pNext = nullptr;
        delete p;
        p = pNext;
    }
}

CMemberInfo* CObjInfo::AddMember(LPCOLESTR pszName)
{
    std::unique_ptr<CMemberInfo> pMember(new (std::nothrow) CMemberInfo);
    if (!pMember)
        throw CExcept(ZV_ERR_MEMORY);
    pMember->m_name = pszName;
    try {
        std::wstring key(pMember->m_name.m_str);
        for (auto& ch : key)
            ch = (wchar_t)std::towlower(ch);
        // A multimap files an equal key after the ones already there.
        m_members.emplace(std::move(key), pMember.get());
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
    return pMember.release();
}

CMemberInfo* CObjInfo::GetNextMember(int& nPos)
{
    if (m_members.empty()) {
        nPos = -1;
        return nullptr;
    }
    if (nPos == 0)
        m_cursor = m_members.begin();
    if (nPos == -1 || m_cursor == m_members.end()) {
        nPos = -1;
        return nullptr;
    }
    CMemberInfo* pMember = m_cursor->second;
    ++m_cursor;
    nPos = m_cursor != m_members.end() ? 1 : -1;
    return pMember;
}
