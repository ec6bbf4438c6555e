// The type libraries that the object-information tests read: the program's
// test library (resource 2 of the test executable) and the system's stdole2.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <memory>
#include <string>

#include "objinfo/ObjInfo.h"
#include "server/core/Except.h"

// The test library and stdole2, loaded once (held for the whole run).
ITypeLib* TestLib();
ITypeLib* StdOle();
// A type of the library by its name, or by its GUID; the caller releases it.
ITypeInfo* TypeByName(ITypeLib* pLib, LPCWSTR pszName);
ITypeInfo* TypeByGuid(ITypeLib* pLib, const GUID& guid);

// Builds the record of a type (a failing Build fails the test).
struct CObjInfoDeleter {
    void operator()(CObjInfo* p) const { delete p; }
};
using CObjInfoPtr = std::unique_ptr<CObjInfo, CObjInfoDeleter>;
CObjInfoPtr BuildOf(ITypeInfo* pInfo);

// The first member of that name (case as given), or null.
const CMemberInfo* FindMember(CObjInfo& info, LPCWSTR pszName, DWORD nKind = 0);
// The members in GetNextMember order as "name/kind" texts joined by blanks.
std::wstring MemberOrder(CObjInfo& info);
