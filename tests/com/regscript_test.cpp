// The registry-script processor against the real registry.
#include <gtest/gtest.h>

#include <string>

#include "framework/com/Module.h"
#include "framework/com/RegScript.h"

namespace {

const wchar_t* kBase = L"Software\\ZvRegScriptTest";

bool KeyExists(HKEY root, const std::wstring& path) {
    HKEY hk;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &hk) != ERROR_SUCCESS) return false;
    RegCloseKey(hk);
    return true;
}

// The string value (nullptr name: the default); "<missing>" when absent.
std::wstring StrValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    wchar_t buf[1024];
    DWORD size = sizeof(buf), type = 0;
    LONG lr = RegGetValueW(root, path.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buf, &size);
    if (lr != ERROR_SUCCESS) return L"<missing>";
    if (type != REG_SZ && type != REG_EXPAND_SZ) return L"<type " + std::to_wstring(type) + L">";
    return buf;
}

DWORD DwordValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    DWORD v = 0xDEADBEEF, size = sizeof(v);
    if (RegGetValueW(root, path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return 0xDEADBEEF;
    return v;
}

class RegScript : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kBase);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ZvRegScriptTest.Thing");
    }
    std::wstring P(const std::wstring& rest) { return std::wstring(kBase) + rest; }
    CRegObject ro;
};

const wchar_t* kScript = LR"(
HKCU
{
    NoRemove Software
    {
        NoRemove ZvRegScriptTest
        {
            val Kept = s 'old'
            Plain = s 'Plain default'
            {
                Child = s 'child'
                {
                    Grand
                }
                val Number = d 305419896
                val Hex = d '0xFF'
                val Text = s 'it''s %MODULE%'
            }
            'Name With Spaces' = s '%APPID%'
            ForceRemove {3D99884F-47E7-485E-B449-11711B71F033} = s 'Forced'
            {
                ForceRemove Programmable
                Sub = s '100%%'
            }
            Mixed
            {
                NoRemove Keep
                {
                    Inner
                }
                Gone
            }
        }
    }
}
HKCR
{
    ZvRegScriptTest.Thing = s 'Thing Class'
    {
        CurVer = s 'ZvRegScriptTest.Thing.1'
    }
}
)";

TEST_F(RegScript, RegisterWritesEveryKeyAndValue) {
    ro.AddReplacement(L"MODULE", L"\"C:\\a b\\x.exe\"");
    ro.AddReplacement(L"APPID", L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}");
    ASSERT_EQ(S_OK, ro.StringRegister(kScript));

    EXPECT_EQ(L"old", StrValue(HKEY_CURRENT_USER, kBase, L"Kept"));
    EXPECT_EQ(L"Plain default", StrValue(HKEY_CURRENT_USER, P(L"\\Plain"), nullptr));
    EXPECT_EQ(L"child", StrValue(HKEY_CURRENT_USER, P(L"\\Plain\\Child"), nullptr));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Plain\\Child\\Grand")));
    EXPECT_EQ(305419896u, DwordValue(HKEY_CURRENT_USER, P(L"\\Plain"), L"Number"));
    EXPECT_EQ(255u, DwordValue(HKEY_CURRENT_USER, P(L"\\Plain"), L"Hex"));
    EXPECT_EQ(L"it's \"C:\\a b\\x.exe\"", StrValue(HKEY_CURRENT_USER, P(L"\\Plain"), L"Text"));
    EXPECT_EQ(L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}",
              StrValue(HKEY_CURRENT_USER, P(L"\\Name With Spaces"), nullptr));
    EXPECT_EQ(L"Forced",
              StrValue(HKEY_CURRENT_USER, P(L"\\{3D99884F-47E7-485E-B449-11711B71F033}"), nullptr));
    EXPECT_EQ(L"100%", StrValue(HKEY_CURRENT_USER,
                                P(L"\\{3D99884F-47E7-485E-B449-11711B71F033}\\Sub"), nullptr));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER,
                          P(L"\\{3D99884F-47E7-485E-B449-11711B71F033}\\Programmable")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Mixed\\Keep\\Inner")));
    EXPECT_EQ(L"ZvRegScriptTest.Thing.1",
              StrValue(HKEY_CLASSES_ROOT, L"ZvRegScriptTest.Thing\\CurVer", nullptr));
}

TEST_F(RegScript, UnregisterRemovesAllButNoRemoveKeys) {
    ro.AddReplacement(L"MODULE", L"m");
    ro.AddReplacement(L"APPID", L"a");
    ASSERT_EQ(S_OK, ro.StringRegister(kScript));
    // Something the script does not know, inside a key of its own: removed too.
    HKEY hk;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, P(L"\\Plain\\Foreign").c_str(), &hk));
    RegCloseKey(hk);

    ASSERT_EQ(S_OK, ro.StringUnregister(kScript));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kBase));               // NoRemove
    EXPECT_EQ(L"<missing>", StrValue(HKEY_CURRENT_USER, kBase, L"Kept"));  // its val goes
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\Plain")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\Name With Spaces")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\{3D99884F-47E7-485E-B449-11711B71F033}")));
    // A removable key that holds a NoRemove key stays for it; the rest goes.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Mixed\\Keep")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\Mixed\\Keep\\Inner")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\Mixed\\Gone")));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"ZvRegScriptTest.Thing"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software"));

    // Unregistering what is not there is no error.
    EXPECT_EQ(S_OK, ro.StringUnregister(kScript));
}

TEST_F(RegScript, ForceRemoveReplacesTheWholeKey) {
    HKEY hk;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, P(L"\\Forced\\Stale").c_str(), &hk));
    RegCloseKey(hk);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, P(L"\\Normal\\Stale").c_str(), &hk));
    RegCloseKey(hk);
    ASSERT_EQ(S_OK, ro.StringRegister(LR"(HKCU { Software { ZvRegScriptTest {
        ForceRemove Forced = s 'new' { Fresh }
        Normal = s 'new' { Fresh } } } })"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\Forced\\Stale")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Forced\\Fresh")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Normal\\Stale")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, P(L"\\Normal\\Fresh")));
    EXPECT_EQ(L"new", StrValue(HKEY_CURRENT_USER, P(L"\\Forced"), nullptr));
}

TEST_F(RegScript, MalformedScriptsFailAndWriteNothing) {
    ro.AddReplacement(L"EMPTY", L"");
    const wchar_t* bad[] = {
        L"HKCU { Software { ZvRegScriptTest { A = s 'unterminated } } }",
        L"HKCU { Software { ZvRegScriptTest { A } }",                // missing }
        L"HKCU { Software { ZvRegScriptTest { A } } } }",            // extra }
        L"HKXX { Software }",                                        // unknown root
        L"HKCU Software",                                            // no brace
        L"HKCU { Software { ZvRegScriptTest { A = 'x' } } }",        // no type
        L"HKCU { Software { ZvRegScriptTest { A = q 'x' } } }",      // unknown type
        L"HKCU { Software { ZvRegScriptTest { A = s } } }",          // no value
        L"HKCU { Software { ZvRegScriptTest { val N = d 'ten' } } }",
        L"HKCU { Software { ZvRegScriptTest { val N = d 4294967296 } } }",
        L"HKCU { Software { ZvRegScriptTest { A = s '%NOSUCH%' } } }",
        L"HKCU { Software { ZvRegScriptTest { A = s '50% off' } } }",
        L"HKCU { val N = s 'x' }",                                   // value of a root
        L"HKCU { Software { ZvRegScriptTest { NoRemove ForceRemove A } } }",
        L"HKCU { Software { ZvRegScriptTest { '%EMPTY%' = s 'x' } } }",  // empty key name
        L"HKCU { Software { ZvRegScriptTest { '' } } }",
        L"HKCU { Software { ZvRegScriptTest { '\\lead' } } }",
        L"HKCU { Software { ZvRegScriptTest { A 'b'c } } }",
        L"HKCU { Software { ZvRegScriptTest { val } } }",
        L"HKCU { Software { ZvRegScriptTest { NoRemove } } }",
        L"{ }",
        L"\x1F\xFFFF garbage \x7F",
    };
    for (const wchar_t* s : bad) {
        SCOPED_TRACE(testing::Message() << "script #" << (&s - bad));
        EXPECT_EQ(ZV_E_REGSCRIPT_SYNTAX, ro.StringRegister(s));
        EXPECT_EQ(ZV_E_REGSCRIPT_SYNTAX, ro.StringUnregister(s));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase));
    }
    // Deep nesting is refused, not recursed into without end.
    std::wstring deep = L"HKCU { ";
    for (int i = 0; i < 5000; ++i) deep += L"k { ";
    for (int i = 0; i < 5000; ++i) deep += L"} ";
    deep += L"}";
    EXPECT_EQ(ZV_E_REGSCRIPT_SYNTAX, ro.StringRegister(deep));
    // An empty script is valid and does nothing.
    EXPECT_EQ(S_OK, ro.StringRegister(L"  \r\n "));
}

TEST_F(RegScript, FailedRegistrationRemovesWhatItWrote) {
    std::wstring longName(300, L'x');  // longer than a registry key name may be
    std::wstring script = L"HKCU { Software { ZvRegScriptTest { First = s '1' } ZvRegScriptTest { '" +
                          longName + L"' } } }";
    HRESULT hr = ro.StringRegister(script);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_NE(ZV_E_REGSCRIPT_SYNTAX, hr);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, P(L"\\First")));
    // Only what the failed registration created goes: the keys that were
    // there before it (Software and everything in it) stay.
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Wine"));
}

TEST_F(RegScript, ModuleRunsResourceScriptsWithCommonReplacements) {
    // The class script of the program: %MODULE% is this executable, quoted;
    // the class key's AppID is empty; the AppID script gets the AppID.
    CAtlMfcModule module(GUID_NULL, 103, L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}");
    const std::wstring clsidKey = L"CLSID\\{3D99884F-47E7-485E-B449-11711B71F033}";
    ASSERT_EQ(S_OK, module.UpdateRegistryFromResource(104, TRUE));
    ASSERT_EQ(S_OK, module.UpdateRegistryAppId(TRUE));
    EXPECT_EQ(L"\"" + CAtlMfcModule::GetModulePath() + L"\"",
              StrValue(HKEY_CLASSES_ROOT, clsidKey + L"\\LocalServer32", nullptr));
    EXPECT_EQ(L"", StrValue(HKEY_CLASSES_ROOT, clsidKey, L"AppID"));
    EXPECT_EQ(L"Zavetra",
              StrValue(HKEY_CLASSES_ROOT, L"AppID\\{84FBDAE9-D8F3-4199-9F65-1663B33DC147}", nullptr));
    EXPECT_EQ(L"{84FBDAE9-D8F3-4199-9F65-1663B33DC147}",
              StrValue(HKEY_CLASSES_ROOT, L"AppID\\Zavetra.EXE", L"AppID"));

    ASSERT_EQ(S_OK, module.UpdateRegistryFromResource(104, FALSE));
    ASSERT_EQ(S_OK, module.UpdateRegistryAppId(FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, clsidKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Zavetra.Connect"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\Zavetra.EXE"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID"));
    // A resource that does not exist is an error, not a crash.
    EXPECT_TRUE(FAILED(module.UpdateRegistryFromResource(299, TRUE)));
}

}  // namespace

namespace {

TEST(TypeLibRegistration, RegistersFromOwnResourceAndUnregisters) {
    CAtlMfcModule module(GUID_NULL, 0, L"");
    const std::wstring lib = L"TypeLib\\{3B598781-A585-417D-8456-13877E0FB788}";
    const std::wstring itf = L"Interface\\{9EE3F1C1-1ECF-4F6B-8836-FC72819E3B2F}";
    const std::wstring platform = sizeof(void*) == 8 ? L"win64" : L"win32";

    ASSERT_EQ(S_OK, module.RegisterTypeLib());
    EXPECT_EQ(L"Zavetra 1.0 type library", StrValue(HKEY_CLASSES_ROOT, lib + L"\\1.0", nullptr));
    EXPECT_EQ(CAtlMfcModule::GetModulePath(),
              StrValue(HKEY_CLASSES_ROOT, lib + L"\\1.0\\0\\" + platform, nullptr));
    // The dual interface is marshalled by the type-library marshaller.
    EXPECT_EQ(L"{3B598781-A585-417D-8456-13877E0FB788}",
              StrValue(HKEY_CLASSES_ROOT, itf + L"\\TypeLib", nullptr));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, itf + L"\\ProxyStubClsid32"));

    ASSERT_EQ(S_OK, module.UnRegisterTypeLib());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, lib));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, itf));
    // Removing a library that is not registered is no failure.
    EXPECT_EQ(S_OK, module.UnRegisterTypeLib());
}

}  // namespace
