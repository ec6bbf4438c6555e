#include "TypeLibs.h"

#include <gtest/gtest.h>

ITypeLib* TestLib()
{
    static ITypeLib* s_pLib = nullptr;
    if (!s_pLib) {
        WCHAR path[MAX_PATH + 8];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wcscat(path, L"\\2");
        if (FAILED(LoadTypeLibEx(path, REGKIND_NONE, &s_pLib)))
            s_pLib = nullptr;
    }
    return s_pLib;
}

ITypeLib* StdOle()
{
    static ITypeLib* s_pLib = nullptr;
    if (!s_pLib && FAILED(LoadTypeLibEx(L"stdole2.tlb", REGKIND_NONE, &s_pLib)))
        s_pLib = nullptr;
    return s_pLib;
}

ITypeInfo* TypeByName(ITypeLib* pLib, LPCWSTR pszName)
{
    if (!pLib)
        return nullptr;
    const UINT n = pLib->GetTypeInfoCount();
    for (UINT i = 0; i < n; ++i) {
        BSTR name = nullptr;
        if (FAILED(pLib->GetDocumentation((INT)i, &name, nullptr, nullptr, nullptr)))
            continue;
        const bool bMatch = name && wcscmp(name, pszName) == 0;
        SysFreeString(name);
        ITypeInfo* pInfo = nullptr;
        if (bMatch && SUCCEEDED(pLib->GetTypeInfo(i, &pInfo)))
            return pInfo;
    }
    return nullptr;
}

ITypeInfo* TypeByGuid(ITypeLib* pLib, const GUID& guid)
{
    ITypeInfo* pInfo = nullptr;
    if (!pLib || FAILED(pLib->GetTypeInfoOfGuid(guid, &pInfo)))
        return nullptr;
    return pInfo;
}

CObjInfoPtr BuildOf(ITypeInfo* pInfo)
{
    CObjInfo* p = nullptr;
    try {
        p = CObjInfo::Build(pInfo);
    } catch (const CExcept& e) {
        ADD_FAILURE() << "Build raised " << e.m_nCode;
    }
    return CObjInfoPtr(p);
}

const CMemberInfo* FindMember(CObjInfo& info, LPCWSTR pszName, DWORD nKind)
{
    for (const auto& m : info.m_members)
        if (wcscmp(m.second->m_name, pszName) == 0 && (nKind == 0 || m.second->Kind() == nKind))
            return m.second;
    return nullptr;
}

std::wstring MemberOrder(CObjInfo& info)
{
    std::wstring text;
    int nPos = 0;
    while (nPos != -1) {
        CMemberInfo* p = info.GetNextMember(nPos);
        if (!p)
            break;
        if (!text.empty())
            text += L' ';
        text += p->m_name.m_str;
        text += L'/';
        text += std::to_wstring(p->Kind());
    }
    return text;
}
