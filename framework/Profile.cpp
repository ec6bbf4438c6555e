// The application's settings in the registry:
// HKEY_CURRENT_USER\Software\<registry key>\<profile name>\<section>\<entry>.
// A value that is missing (or of another type) gives the caller's default.
#include "framework/App.h"

namespace {

std::wstring AppKeyPath(const CWinApp& app) {
    std::wstring path = L"Software\\";
    path += app.m_pszRegistryKey;
    path += L"\\";
    path += app.m_pszProfileName ? app.m_pszProfileName : app.m_pszAppName;
    return path;
}

// Opens a section for reading only; an absent key is simply "not found".
UniqueHKey OpenSectionForRead(const CWinApp& app, LPCWSTR section) {
    UniqueHKey key;
    if (!app.m_pszRegistryKey || !section) return key;
    std::wstring path = AppKeyPath(app) + L"\\" + section;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

}  // namespace

UniqueHKey CWinApp::GetAppRegistryKey() const {
    UniqueHKey key;
    if (!m_pszRegistryKey) return key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, AppKeyPath(*this).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        key.reset();
    return key;
}

UniqueHKey CWinApp::GetSectionKey(LPCWSTR lpszSection) const {
    UniqueHKey section;
    if (!lpszSection) return section;
    UniqueHKey app = GetAppRegistryKey();
    if (!app) return section;
    if (::RegCreateKeyExW(app.get(), lpszSection, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                          nullptr, section.put(), nullptr) != ERROR_SUCCESS)
        section.reset();
    return section;
}

UINT CWinApp::GetProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nDefault) const {
    UniqueHKey key = OpenSectionForRead(*this, lpszSection);
    if (!key) return static_cast<UINT>(nDefault);
    DWORD type = 0, value = 0, size = sizeof(value);
    if (::RegQueryValueExW(key.get(), lpszEntry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return static_cast<UINT>(nDefault);
    return value;
}

BOOL CWinApp::WriteProfileInt(LPCWSTR lpszSection, LPCWSTR lpszEntry, int nValue) const {
    UniqueHKey key = GetSectionKey(lpszSection);
    if (!key || !lpszEntry) return FALSE;
    DWORD value = static_cast<DWORD>(nValue);
    return ::RegSetValueExW(key.get(), lpszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value)) == ERROR_SUCCESS;
}

std::wstring CWinApp::GetProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszDefault) const {
    std::wstring fallback = lpszDefault ? lpszDefault : L"";
    UniqueHKey key = OpenSectionForRead(*this, lpszSection);
    if (!key) return fallback;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), lpszEntry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return fallback;
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), lpszEntry, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &got) != ERROR_SUCCESS)
        return fallback;
    value.resize(got / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

BOOL CWinApp::WriteProfileString(LPCWSTR lpszSection, LPCWSTR lpszEntry, LPCWSTR lpszValue) const {
    if (!lpszSection) return FALSE;
    if (!lpszEntry) {
        UniqueHKey app = GetAppRegistryKey();
        if (!app) return FALSE;
        LSTATUS rc = ::RegDeleteTreeW(app.get(), lpszSection);  // the key with all it holds
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    UniqueHKey key = GetSectionKey(lpszSection);
    if (!key) return FALSE;
    if (!lpszValue) {
        LSTATUS rc = ::RegDeleteValueW(key.get(), lpszEntry);
        return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    const DWORD bytes = static_cast<DWORD>((wcslen(lpszValue) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue), bytes) ==
           ERROR_SUCCESS;
}

BOOL CWinApp::GetProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, BYTE** ppData, UINT* pBytes) const {
    if (!ppData || !pBytes) return FALSE;
    *ppData = nullptr;
    *pBytes = 0;
    UniqueHKey key = OpenSectionForRead(*this, lpszSection);
    if (!key) return FALSE;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), lpszEntry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY)
        return FALSE;
    BYTE* data = new BYTE[size ? size : 1];
    DWORD got = size;
    if (::RegQueryValueExW(key.get(), lpszEntry, nullptr, &type, data, &got) != ERROR_SUCCESS || type != REG_BINARY) {
        delete[] data;
        return FALSE;
    }
    *ppData = data;
    *pBytes = got;
    return TRUE;
}

BOOL CWinApp::WriteProfileBinary(LPCWSTR lpszSection, LPCWSTR lpszEntry, const void* pData, UINT nBytes) const {
    UniqueHKey key = GetSectionKey(lpszSection);
    if (!key || !lpszEntry || (!pData && nBytes)) return FALSE;
    return ::RegSetValueExW(key.get(), lpszEntry, 0, REG_BINARY, static_cast<const BYTE*>(pData), nBytes) ==
           ERROR_SUCCESS;
}
