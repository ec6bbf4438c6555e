// The type library of a record's interface as the registry knows it: its id
// (Interface\{iid}\TypeLib) and its registered files (TypeLib\{libid}).
#include "objinfo/ObjInfo.h"

#include <memory>
#include <new>

#include "server/core/Except.h"

namespace {

class CKeyHold {
public:
    explicit CKeyHold(HKEY hKey) : m_hKey(hKey) {}
    ~CKeyHold() { ::RegCloseKey(m_hKey); }
    CKeyHold(const CKeyHold&) = delete;
    CKeyHold& operator=(const CKeyHold&) = delete;

private:
    HKEY m_hKey;
};

// A library's files lie three levels down (version, locale, platform); a
// registry link that leads back up stops here.
constexpr int kMaxKeyDepth = 16;

void WalkKey(HKEY hKey, LPCOLESTR pszPrefix, CNameValue* pArray, int nCapacity, int& nCount, int nDepth)
{
    if (nDepth > kMaxKeyDepth)
        return;
    DWORD cchLongest = 0;
    if (::RegQueryInfoKeyW(hKey, nullptr, nullptr, nullptr, nullptr, &cchLongest, nullptr, nullptr, nullptr,
                           nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return;
    std::unique_ptr<WCHAR[]> name(new (std::nothrow) WCHAR[cchLongest + 2]);
    if (!name)
        throw CExcept(ZV_ERR_MEMORY);
    for (DWORD index = 0;; ++index) {
        DWORD cch = cchLongest + 1;
        if (::RegEnumKeyExW(hKey, index, name.get(), &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY hSub = nullptr;
        if (::RegOpenKeyExW(hKey, name.get(), 0, KEY_READ, &hSub) != ERROR_SUCCESS)
            continue;
        CKeyHold hold(hSub);
        CBstr path;
        if (pArray)
            path.Format(L"%s\\%s", pszPrefix, name.get());
        if (::_wcsicmp(name.get(), L"win32") == 0 || ::_wcsicmp(name.get(), L"win64") == 0) {
            // Only a file that is really named makes a pair, in both passes,
            // so that no empty pair stands before the valid ones.
            CBstr value;
            if (CObjInfo::ReadDefaultString(hSub, value)) {
                if (pArray && nCount < nCapacity) {
                    pArray[nCount].m_name = path;
                    pArray[nCount].m_value = value;
                }
                ++nCount;
            }
        } else {
            WalkKey(hSub, path, pArray, nCapacity, nCount, nDepth + 1);
        }
    }
}

} // namespace

BOOL CObjInfo::ReadDefaultString(HKEY hKey, CBstr& out)
{
    DWORD dwType = 0, cb = 0;
    if (::RegQueryValueExW(hKey, nullptr, nullptr, &dwType, nullptr, &cb) != ERROR_SUCCESS || dwType != REG_SZ)
        return FALSE;
    // Room for every byte of the data (an odd last byte included) and a
    // terminator of our own: the stored text need not end in one.
    const UINT cch = (UINT)((cb + 1) / sizeof(WCHAR));
    BSTR buf = ::SysAllocStringLen(nullptr, cch);
    if (!buf)
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    DWORD cbRead = cch * sizeof(WCHAR);
    const LONG rc = cch ? ::RegQueryValueExW(hKey, nullptr, nullptr, &dwType, (BYTE*)buf, &cbRead) : ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS || dwType != REG_SZ) {
        ::SysFreeString(buf);
        return FALSE;
    }
    if (!cch)
        cbRead = 0;
    buf[cbRead / sizeof(WCHAR)] = 0;   // a half character at the end is dropped
    try {
        out = buf;
    } catch (...) {
        ::SysFreeString(buf);
        throw;
    }
    ::SysFreeString(buf);
    return TRUE;
}

void CObjInfo::WalkTypeLibKey(HKEY hKey, LPCOLESTR pszPrefix, CNameValue* pArray, int nCapacity, int& nCount)
{
    WalkKey(hKey, pszPrefix ? pszPrefix : L"", pArray, nCapacity, nCount, 0);
}

void CObjInfo::ReadTypeLibId()
{
    const CBstr iid = CBstr::FromGuid(m_iid);
    if (iid.IsEmpty())
        return;
    CBstr path;
    path.Format(L"Interface\\%s\\TypeLib", (LPCOLESTR)iid);
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    CKeyHold hold(hKey);
    CBstr value;
    GUID libid{};
    if (ReadDefaultString(hKey, value) && SUCCEEDED(::CLSIDFromString(value.m_str, &libid)))
        m_libid = libid;
}

void CObjInfo::ReadTypeLibFiles()
{
    const CBstr libid = CBstr::FromGuid(m_libid);
    if (libid.IsEmpty())
        return;
    CBstr path(L"TypeLib\\");
    path.Append(libid);
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, path, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return;
    CKeyHold hold(hKey);
    int nCounted = 0;
    WalkTypeLibKey(hKey, L"", nullptr, 0, nCounted);
    if (nCounted <= 0)
        return;
    CNameValue* pPairs = new (std::nothrow) CNameValue[nCounted];
    if (!pPairs)
        throw CExcept(ZV_ERR_MEMORY);
    delete[] m_pPairs;
    m_pPairs = pPairs;
    m_nPairs = nCounted;
    int nFilled = 0;
    WalkTypeLibKey(hKey, L"", m_pPairs, nCounted, nFilled);
    if (nFilled < m_nPairs)
        m_nPairs = nFilled;   // fewer files than at the count: the rest stay unnamed
}
