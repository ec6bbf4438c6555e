// The type library's id and registered files, read from the test prefix's
// registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ObjInfoTest_h.h"
#include "TypeLibs.h"

namespace {

const WCHAR kScratch[] = L"Software\\ZavetraObjInfoTest";
// The test library's id, which nothing else registers (the library is
// loaded without registration).
const WCHAR kLibId[] = L"{3E8D4C21-7A55-4F0B-8C3D-5B1A90C2E101}";
const WCHAR kZeroId[] = L"{00000000-0000-0000-0000-000000000000}";

HKEY CreateKey(HKEY hRoot, const std::wstring& path)
{
    HKEY h = nullptr;
    EXPECT_EQ(RegCreateKeyExW(hRoot, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS)
        << std::string(path.begin(), path.end());
    return h;
}

// A key with a default value of that type and those bytes (no value at all
// when pData is null).
void SetDefault(HKEY hRoot, const std::wstring& path, DWORD dwType, const void* pData, DWORD cb)
{
    HKEY h = CreateKey(hRoot, path);
    if (h && pData) {
        EXPECT_EQ(RegSetValueExW(h, nullptr, 0, dwType, (const BYTE*)pData, cb), ERROR_SUCCESS);
    }
    RegCloseKey(h);
}

void SetText(HKEY hRoot, const std::wstring& path, LPCWSTR pszText)
{
    SetDefault(hRoot, path, REG_SZ, pszText, (DWORD)((wcslen(pszText) + 1) * sizeof(WCHAR)));
}

// The library as registered in two versions, each with win32 and win64
// files, and a version between them whose platform keys name no file.
class TypeLibRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::wstring lib = std::wstring(L"TypeLib\\") + kLibId;
        SetText(HKEY_CLASSES_ROOT, lib + L"\\1.0", L"ZvObjInfoTest 1.0");
        SetText(HKEY_CLASSES_ROOT, lib + L"\\1.0\\0\\win32", L"C:\\lib\\one32.tlb");
        SetText(HKEY_CLASSES_ROOT, lib + L"\\1.0\\0\\win64", L"C:\\lib\\one64.tlb");
        SetText(HKEY_CLASSES_ROOT, lib + L"\\1.0\\FLAGS", L"0");
        SetText(HKEY_CLASSES_ROOT, lib + L"\\1.0\\HELPDIR", L"C:\\lib");
        SetDefault(HKEY_CLASSES_ROOT, lib + L"\\1.5\\0\\win32", REG_SZ, nullptr, 0);   // no value
        const DWORD dw = 7;
        SetDefault(HKEY_CLASSES_ROOT, lib + L"\\1.5\\0\\Win64", REG_DWORD, &dw, sizeof(dw));
        SetText(HKEY_CLASSES_ROOT, lib + L"\\2.0\\0\\win32", L"C:\\lib\\two32.tlb");
        SetText(HKEY_CLASSES_ROOT, lib + L"\\2.0\\0\\WIN64", L"C:\\lib\\two64.tlb");
        SetText(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + kIid + L"\\TypeLib", kLibId);
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kLibId).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kZeroId).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"Interface\\") + kIid).c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"Interface\\") + kZeroId).c_str());
    }
    static std::vector<std::wstring> Pairs(const CObjInfo& info)
    {
        std::vector<std::wstring> pairs;
        for (int i = 0; i < info.m_nPairs; ++i)
            pairs.push_back(std::wstring(info.m_pPairs[i].m_name) + L"=" + info.m_pPairs[i].m_value.m_str);
        return pairs;
    }

    const WCHAR* kIid = L"{3E8D4C21-7A55-4F0B-8C3D-5B1A90C2E102}";
    const std::vector<std::wstring> kFiles = {
        L"\\1.0\\0\\win32=C:\\lib\\one32.tlb", L"\\1.0\\0\\win64=C:\\lib\\one64.tlb",
        L"\\2.0\\0\\win32=C:\\lib\\two32.tlb", L"\\2.0\\0\\WIN64=C:\\lib\\two64.tlb"};
};

} // namespace

// The platform keys without a file leave no empty pair in front of the
// files of version 2.0.
TEST_F(TypeLibRegistry, BuildReadsTheLibraryIdAndEveryRegisteredFile)
{
    ITypeInfo* pInfo = TypeByGuid(TestLib(), IID_IObjInfoDual);
    ASSERT_TRUE(pInfo);
    CObjInfoPtr info = BuildOf(pInfo);
    pInfo->Release();
    ASSERT_TRUE(info);
    EXPECT_STREQ(CBstr::FromGuid(info->m_libid), kLibId);
    EXPECT_EQ(Pairs(*info), kFiles);
}

TEST_F(TypeLibRegistry, WalkCountsOnlyFilesThatAreNamed)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(L"TypeLib\\") + kLibId).c_str(), 0, KEY_READ, &h),
              ERROR_SUCCESS);
    int nCount = 0;
    CObjInfo::WalkTypeLibKey(h, L"", nullptr, 0, nCount);
    EXPECT_EQ(nCount, 4);
    // A smaller array takes only what fits.
    CNameValue pairs[2];
    nCount = 0;
    CObjInfo::WalkTypeLibKey(h, L"\\x", pairs, 2, nCount);
    RegCloseKey(h);
    EXPECT_EQ(nCount, 4);
    EXPECT_STREQ(pairs[0].m_name, L"\\x\\1.0\\0\\win32");
    EXPECT_STREQ(pairs[1].m_value, L"C:\\lib\\one64.tlb");
}

TEST_F(TypeLibRegistry, AllZeroIdsAreNotLookedUp)
{
    // Keys that a lookup of the zero ids would find.
    SetText(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + kZeroId + L"\\TypeLib", kLibId);
    SetText(HKEY_CLASSES_ROOT, std::wstring(L"TypeLib\\") + kZeroId + L"\\1.0\\0\\win32", L"C:\\zero.tlb");

    CObjInfo zeroIid;
    zeroIid.ReadTypeLibId();
    zeroIid.ReadTypeLibFiles();
    EXPECT_STREQ(CBstr::FromGuid(zeroIid.m_libid), L"");
    EXPECT_EQ(zeroIid.m_nPairs, 0);

    // An interface registered with the zero library id.
    SetText(HKEY_CLASSES_ROOT, std::wstring(L"Interface\\") + kIid + L"\\TypeLib", kZeroId);
    CObjInfo zeroLib;
    zeroLib.m_iid = IID_IObjInfoDual;
    zeroLib.ReadTypeLibId();
    zeroLib.ReadTypeLibFiles();
    EXPECT_STREQ(CBstr::FromGuid(zeroLib.m_libid), L"");
    EXPECT_EQ(zeroLib.m_nPairs, 0);
    EXPECT_EQ(zeroLib.m_pPairs, nullptr);
}

TEST_F(TypeLibRegistry, UnregisteredInterfaceOrLibraryGivesNoPairs)
{
    CObjInfo info;
    info.m_iid = {0x12345678, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    info.ReadTypeLibId();
    EXPECT_STREQ(CBstr::FromGuid(info.m_libid), L"");
    info.m_libid = info.m_iid;   // no such library key
    info.ReadTypeLibFiles();
    EXPECT_EQ(info.m_nPairs, 0);
}

// Default values as a client's registry may hold them.
TEST(ObjInfoRegistry, ReadDefaultStringReadsOnlyStringsAndAnyOfTheirSizesSafely)
{
    const WCHAR abc[] = {L'a', L'b', L'c'};                     // no terminator
    const BYTE odd[] = {'a', 0, 'b', 0, 'c'};                    // half a character at the end
    const WCHAR inner[] = {L'a', 0, L'b', 0};                    // the text ends at its first NUL
    const WCHAR full[] = L"C:\\x.tlb";
    const DWORD dw = 1;
    const struct {
        LPCWSTR pszKey;
        DWORD dwType;
        const void* pData;
        DWORD cb;
        BOOL bRead;
        LPCWSTR pszText;
    } cases[] = {
        {L"full", REG_SZ, full, sizeof(full), TRUE, L"C:\\x.tlb"},
        {L"unterminated", REG_SZ, abc, sizeof(abc), TRUE, L"abc"},
        {L"odd", REG_SZ, odd, sizeof(odd), TRUE, L"ab"},
        {L"one byte", REG_SZ, odd, 1, TRUE, L""},
        {L"zero", REG_SZ, full, 0, TRUE, L""},
        {L"inner", REG_SZ, inner, sizeof(inner), TRUE, L"a"},
        {L"expand", REG_EXPAND_SZ, full, sizeof(full), FALSE, L"kept"},
        {L"dword", REG_DWORD, &dw, sizeof(dw), FALSE, L"kept"},
        {L"missing", REG_SZ, nullptr, 0, FALSE, L"kept"},
    };
    for (const auto& c : cases) {
        const std::wstring path = std::wstring(kScratch) + L"\\" + c.pszKey;
        SetDefault(HKEY_CURRENT_USER, path, c.dwType, c.pData, c.cb);
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &h), ERROR_SUCCESS);
        CBstr text(L"kept");
        EXPECT_EQ(CObjInfo::ReadDefaultString(h, text), c.bRead) << c.pszKey;
        EXPECT_STREQ(text, c.pszText) << c.pszKey;
        RegCloseKey(h);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
}
