// The settings store against the real registry of the test prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>
#include "server/settings/AppSettings.h"

namespace {

const wchar_t kRoot[] = L"Software\\Brisquane\\Zavetra";

std::wstring SectionPath(LPCWSTR pszSection) { return std::wstring(kRoot) + L"\\" + pszSection; }

void DeleteAllSettings() { ::RegDeleteTreeW(HKEY_CURRENT_USER, kRoot); }

void WriteRaw(LPCWSTR pszSection, LPCWSTR pszEntry, DWORD dwType, const void* pData, DWORD nBytes) {
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(HKEY_CURRENT_USER, SectionPath(pszSection).c_str(), 0, nullptr, 0,
                                               KEY_WRITE, nullptr, &hKey, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(hKey, pszEntry, 0, dwType, static_cast<const BYTE*>(pData), nBytes));
    ::RegCloseKey(hKey);
}

void WriteRawInt(LPCWSTR pszEntry, DWORD n) { WriteRaw(L"Settings", pszEntry, REG_DWORD, &n, sizeof(n)); }

// The stored value: its type and bytes; false when it does not exist.
bool ReadRaw(LPCWSTR pszSection, LPCWSTR pszEntry, DWORD& dwType, std::vector<BYTE>& data) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, SectionPath(pszSection).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD n = 0;
    LONG rc = ::RegQueryValueExW(hKey, pszEntry, nullptr, &dwType, nullptr, &n);
    if (rc == ERROR_SUCCESS) {
        data.resize(n);
        rc = ::RegQueryValueExW(hKey, pszEntry, nullptr, &dwType, data.data(), &n);
    }
    ::RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}

void WriteRecentFindUnits(const std::vector<WCHAR>& units, DWORD nBytes) {
    WriteRaw(L"Common", L"RecentFind", REG_BINARY, units.data(), nBytes);
}

bool SameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

COLORREF BrushColor(HBRUSH hBrush) {
    LOGBRUSH lb{};
    if (!::GetObjectW(hBrush, sizeof(lb), &lb)) return CLR_INVALID;
    return lb.lbColor;
}

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteAllSettings(); }
    void TearDown() override { DeleteAllSettings(); }
};

// Fills every stored field with a value that differs from its default and
// from the other fields.
void FillDistinct(CAppSettings& s) {
    int* ints = &s.Settings.NestLevel;
    for (int i = 0; i < 9; ++i) ints[i] = 1000 + 37 * i - (i == 5 ? 5000 : 0);
    LOGFONTW* fonts[] = {&s.Font.LogView, &s.Font.ResultView, &s.Font.ExtractDialog,
                         &s.Font.ObjInfoWindow, &s.Font.FindDialog, &s.Font.MoveFindDialog};
    int k = 0;
    for (LOGFONTW* lf : fonts) {
        *lf = LOGFONTW{};
        lf->lfHeight = -10 - k;
        lf->lfWeight = 700;
        lf->lfItalic = static_cast<BYTE>(k & 1);
        lf->lfCharSet = ANSI_CHARSET;
        swprintf(lf->lfFaceName, LF_FACESIZE, L"Face%d", k);
        ++k;
    }
    for (int i = 0; i < SETTINGS_HIGHLIGHTS; ++i) s.Font.Highlight[i] = RGB(i, 2 * i, 3 * i + 1);
    s.Font.Color[0] = RGB(1, 2, 3);
    s.Font.Color[1] = RGB(4, 5, 6);
    s.Window.Main = RECT{1, 2, 301, 402};
    s.Window.LogView = RECT{-5, -6, 700, 800};
    s.Window.ExtractDialog = RECT{10, 20, 30, 40};
    for (int i = 0; i < SETTINGS_VIEW_SLOTS; ++i) {
        s.Window.ResultView[i] = RECT{i, i + 1, i + 100, i + 200};
        s.Window.FindDialog[i] = RECT{2 * i, 2 * i + 1, 2 * i + 100, 2 * i + 200};
        s.Window.MoveFindDialog[i] = RECT{3 * i, 3 * i + 1, 3 * i + 100, 3 * i + 200};
        s.Common.FindDialog[i] = 0x00010000u | static_cast<DWORD>(i << DLGOPT_ROW_SHIFT) | 0x3u;
    }
    s.Window.ObjInfoWindow = ObjInfoWindowPlacement{RECT{5, 6, 7, 8}, 222, 33, 44};
    s.Common.ExtractDialog = 0x0000005Bu;
    const wchar_t* texts[] = {L"abc", L"D\u00e9f \u4e2d", L"", L""};
    for (int i = 0; i < RECENT_FIND_COUNT; ++i) s.Common.RecentFind[i] = i < 3 ? texts[i] : L"";
}

TEST_F(SettingsStore, EmptyRegistryGivesEveryDefault) {
    CAppSettings s;
    s.LoadSettings();

    const CAppSettings::SettingsSection& n = s.Settings;
    EXPECT_EQ(4, n.NestLevel);
    EXPECT_EQ(100, n.NestLevel_Max);
    EXPECT_EQ(0, n.NestLevel_Min);
    EXPECT_EQ(100, n.ArrayRange);
    EXPECT_EQ(10000, n.ArrayRange_Max);
    EXPECT_EQ(0, n.ArrayRange_Min);
    EXPECT_EQ(2, n.TreeViewExpand);
    EXPECT_EQ(100, n.TreeViewExpand_Max);
    EXPECT_EQ(0, n.TreeViewExpand_Min);

    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = 400;
    lf.lfCharSet = 1;
    wcscpy_s(lf.lfFaceName, L"MS UI Gothic");
    for (const LOGFONTW* f : {&s.Font.LogView, &s.Font.ResultView, &s.Font.ExtractDialog, &s.Font.ObjInfoWindow,
                              &s.Font.FindDialog, &s.Font.MoveFindDialog})
        EXPECT_TRUE(SameBytes(f, &lf, sizeof(lf)));

    const COLORREF highlights[8] = {RGB(200, 255, 200), RGB(255, 255, 200), RGB(255, 200, 255), RGB(200, 200, 200),
                                    RGB(200, 255, 255), RGB(255, 200, 200), RGB(200, 200, 255), RGB(255, 240, 190)};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(highlights[i], s.Font.Highlight[i]) << i;
    EXPECT_EQ(RGB(255, 130, 130), s.Font.Color[0]);
    EXPECT_EQ(RGB(10, 10, 250), s.Font.Color[1]);

    const CAppSettings::WindowSection noRects{};
    EXPECT_TRUE(SameBytes(&s.Window, &noRects, sizeof(noRects)));
    EXPECT_EQ(0x0003000Fu, s.Common.ExtractDialog);
    for (DWORD w : s.Common.FindDialog) EXPECT_EQ(0x0003000Fu, w);
    for (const CBstr& t : s.Common.RecentFind) EXPECT_TRUE(t.IsEmpty());

    // Derived values.
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), s.WindowTextColor);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), s.WindowColor);
    EXPECT_EQ(static_cast<COLORREF>(::GetSysColor(COLOR_HIGHLIGHT) + 1), s.SelectionBkColor);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHTTEXT), s.SelectionTextColor);
    EXPECT_EQ(RGB(255, 130, 130), BrushColor(s.WarningBrush));
    EXPECT_EQ(RGB(10, 10, 250), BrushColor(s.ObjInfoBrush));
    EXPECT_EQ(s.WindowColor, BrushColor(s.WindowBrush));
    ASSERT_NE(nullptr, s.CheckImageList.GetSafeHandle());
    EXPECT_EQ(4, ::ImageList_GetImageCount(s.CheckImageList));
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(s.CheckImageList, &cx, &cy);
    EXPECT_EQ(16, cx);
    EXPECT_EQ(16, cy);
    EXPECT_EQ(s.WindowColor, ::ImageList_GetBkColor(s.CheckImageList));
    UINT nLines = 0;
    ::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nLines, 0);
    EXPECT_EQ(nLines, s.WheelScrollLines);

    // The first save writes every value with its type and size; the empty
    // recent-find list is 17 zero code units.
    s.SaveSettings();
    struct Stored { LPCWSTR section; LPCWSTR entry; DWORD type; size_t size; };
    const Stored stored[] = {
        {L"Settings", L"NestLevel", REG_DWORD, 4}, {L"Settings", L"NestLevel_Max", REG_DWORD, 4},
        {L"Settings", L"NestLevel_Min", REG_DWORD, 4}, {L"Settings", L"ArrayRange", REG_DWORD, 4},
        {L"Settings", L"ArrayRange_Max", REG_DWORD, 4}, {L"Settings", L"ArrayRange_Min", REG_DWORD, 4},
        {L"Settings", L"TreeViewExpand", REG_DWORD, 4}, {L"Settings", L"TreeViewExpand_Max", REG_DWORD, 4},
        {L"Settings", L"TreeViewExpand_Min", REG_DWORD, 4},
        {L"Font", L"LogView", REG_BINARY, 92}, {L"Font", L"ResultView", REG_BINARY, 92},
        {L"Font", L"ExtractDialog", REG_BINARY, 92}, {L"Font", L"ObjInfoWindow", REG_BINARY, 92},
        {L"Font", L"FindDialog", REG_BINARY, 92}, {L"Font", L"MoveFindDialog", REG_BINARY, 92},
        {L"Font", L"Highlight", REG_BINARY, 32}, {L"Font", L"Color", REG_BINARY, 8},
        {L"Window", L"Main", REG_BINARY, 16}, {L"Window", L"LogView", REG_BINARY, 16},
        {L"Window", L"ExtractDialog", REG_BINARY, 16}, {L"Window", L"ResultView", REG_BINARY, 128},
        {L"Window", L"FindDialog", REG_BINARY, 128}, {L"Window", L"MoveFindDialog", REG_BINARY, 128},
        {L"Window", L"ObjInfoWindow", REG_BINARY, 28},
        {L"Common", L"ExtractDialog", REG_BINARY, 4}, {L"Common", L"FindDialog", REG_BINARY, 32},
        {L"Common", L"RecentFind", REG_BINARY, 34},
    };
    for (const Stored& v : stored) {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadRaw(v.section, v.entry, type, data)) << v.entry;
        EXPECT_EQ(v.type, type) << v.section << L"\\" << v.entry;
        EXPECT_EQ(v.size, data.size()) << v.section << L"\\" << v.entry;
    }
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(L"Common", L"RecentFind", type, data));
    EXPECT_EQ(std::vector<BYTE>(34, 0), data);
    ASSERT_TRUE(ReadRaw(L"Common", L"FindDialog", type, data));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(0x0003000Fu, reinterpret_cast<const DWORD*>(data.data())[i]);
}

TEST_F(SettingsStore, EveryValueSurvivesARoundTrip) {
    {
        CAppSettings s;
        s.LoadSettings();
        FillDistinct(s);
        s.SaveSettings();
    }
    CAppSettings expected;
    FillDistinct(expected);

    CAppSettings s;
    s.LoadSettings();
    EXPECT_TRUE(SameBytes(&s.Settings, &expected.Settings, sizeof(s.Settings)));
    struct Field { const char* name; const void* got; const void* want; size_t size; };
    const Field fields[] = {
        {"Font.LogView", &s.Font.LogView, &expected.Font.LogView, 92},
        {"Font.ResultView", &s.Font.ResultView, &expected.Font.ResultView, 92},
        {"Font.ExtractDialog", &s.Font.ExtractDialog, &expected.Font.ExtractDialog, 92},
        {"Font.ObjInfoWindow", &s.Font.ObjInfoWindow, &expected.Font.ObjInfoWindow, 92},
        {"Font.FindDialog", &s.Font.FindDialog, &expected.Font.FindDialog, 92},
        {"Font.MoveFindDialog", &s.Font.MoveFindDialog, &expected.Font.MoveFindDialog, 92},
        {"Font.Highlight", s.Font.Highlight, expected.Font.Highlight, 32},
        {"Font.Color", s.Font.Color, expected.Font.Color, 8},
        {"Window.Main", &s.Window.Main, &expected.Window.Main, 16},
        {"Window.LogView", &s.Window.LogView, &expected.Window.LogView, 16},
        {"Window.ExtractDialog", &s.Window.ExtractDialog, &expected.Window.ExtractDialog, 16},
        {"Window.ResultView", s.Window.ResultView, expected.Window.ResultView, 128},
        {"Window.FindDialog", s.Window.FindDialog, expected.Window.FindDialog, 128},
        {"Window.MoveFindDialog", s.Window.MoveFindDialog, expected.Window.MoveFindDialog, 128},
        {"Window.ObjInfoWindow", &s.Window.ObjInfoWindow, &expected.Window.ObjInfoWindow, 28},
        {"Common.ExtractDialog", &s.Common.ExtractDialog, &expected.Common.ExtractDialog, 4},
        {"Common.FindDialog", s.Common.FindDialog, expected.Common.FindDialog, 32},
    };
    for (const Field& f : fields) EXPECT_TRUE(SameBytes(f.got, f.want, f.size)) << f.name;
    for (int i = 0; i < RECENT_FIND_COUNT; ++i)
        EXPECT_STREQ(static_cast<LPCWSTR>(expected.Common.RecentFind[i]), static_cast<LPCWSTR>(s.Common.RecentFind[i])) << i;
    // The derived brushes follow the loaded colours.
    EXPECT_EQ(RGB(1, 2, 3), BrushColor(s.WarningBrush));
    EXPECT_EQ(RGB(4, 5, 6), BrushColor(s.ObjInfoBrush));

    // Values of every section under their own registry names, so that names
    // swapped consistently in the store and its reader cannot pass.
    struct Raw { LPCWSTR section, entry; DWORD type; const void* want; DWORD size; };
    const DWORD nestLevel = static_cast<DWORD>(expected.Settings.NestLevel);
    const DWORD arrayRangeMin = static_cast<DWORD>(expected.Settings.ArrayRange_Min);
    const DWORD treeExpandMax = static_cast<DWORD>(expected.Settings.TreeViewExpand_Max);
    const Raw raws[] = {
        {L"Settings", L"NestLevel", REG_DWORD, &nestLevel, 4},
        {L"Settings", L"ArrayRange_Min", REG_DWORD, &arrayRangeMin, 4},
        {L"Settings", L"TreeViewExpand_Max", REG_DWORD, &treeExpandMax, 4},
        {L"Font", L"ResultView", REG_BINARY, &expected.Font.ResultView, 92},
        {L"Font", L"Color", REG_BINARY, expected.Font.Color, 8},
        {L"Window", L"ExtractDialog", REG_BINARY, &expected.Window.ExtractDialog, 16},
        {L"Window", L"ObjInfoWindow", REG_BINARY, &expected.Window.ObjInfoWindow, 28},
        {L"Common", L"ExtractDialog", REG_BINARY, &expected.Common.ExtractDialog, 4},
    };
    for (const Raw& r : raws) {
        SCOPED_TRACE(testing::Message() << r.section << L"\\" << r.entry);
        DWORD rawType = 0;
        std::vector<BYTE> raw;
        ASSERT_TRUE(ReadRaw(r.section, r.entry, rawType, raw));
        EXPECT_EQ(r.type, rawType);
        ASSERT_EQ(r.size, raw.size());
        EXPECT_TRUE(SameBytes(raw.data(), r.want, r.size));
    }

    // The stored list: "abc\0Déf 中\0\0" ... 14 more zeros.
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(L"Common", L"RecentFind", type, data));
    EXPECT_EQ(2u * (17 + 3 + 5), data.size());
}

TEST_F(SettingsStore, BinaryOfAnotherSizeGivesItsDefault) {
    // Every binary value stored one size off (too short and too long), next
    // to a value of the right size that is taken.
    struct Case { LPCWSTR section; LPCWSTR entry; DWORD size; };
    const Case wrong[] = {
        {L"Font", L"LogView", 60}, {L"Font", L"ResultView", 93}, {L"Font", L"ExtractDialog", 91},
        {L"Font", L"ObjInfoWindow", 0}, {L"Font", L"FindDialog", 184}, {L"Font", L"MoveFindDialog", 88},
        {L"Font", L"Highlight", 28}, {L"Font", L"Color", 4},
        {L"Window", L"Main", 20}, {L"Window", L"LogView", 8}, {L"Window", L"ExtractDialog", 15},
        {L"Window", L"ResultView", 112}, {L"Window", L"FindDialog", 132}, {L"Window", L"MoveFindDialog", 16},
        {L"Window", L"ObjInfoWindow", 16},
        {L"Common", L"ExtractDialog", 8}, {L"Common", L"FindDialog", 28},
    };
    std::vector<BYTE> junk(256, 0x5A);
    for (const Case& c : wrong) WriteRaw(c.section, c.entry, REG_BINARY, junk.data(), c.size);

    CAppSettings defaults;
    CAppSettings s;
    s.LoadSettings();
    EXPECT_TRUE(SameBytes(&s.Font, &defaults.Font, sizeof(s.Font)));
    EXPECT_TRUE(SameBytes(&s.Window, &defaults.Window, sizeof(s.Window)));
    EXPECT_EQ(0x0003000Fu, s.Common.ExtractDialog);
    for (DWORD w : s.Common.FindDialog) EXPECT_EQ(0x0003000Fu, w);

    // The right sizes are taken.
    WriteRaw(L"Font", L"Color", REG_BINARY, junk.data(), 8);
    WriteRaw(L"Common", L"FindDialog", REG_BINARY, junk.data(), 32);
    s.LoadSettings();
    EXPECT_EQ(0x5A5A5A5Au, s.Font.Color[0]);
    EXPECT_EQ(0x5A5A5A5Au, s.Common.FindDialog[7]);
}

TEST_F(SettingsStore, IntegersAreTakenAsStored) {
    WriteRawInt(L"NestLevel", 500);
    WriteRawInt(L"NestLevel_Max", 100);
    WriteRawInt(L"NestLevel_Min", static_cast<DWORD>(-5));
    WriteRawInt(L"ArrayRange", 0);
    WriteRawInt(L"ArrayRange_Max", 7);
    WriteRawInt(L"TreeViewExpand", 300);
    WriteRawInt(L"TreeViewExpand_Min", 200);
    CAppSettings s;
    s.LoadSettings();
    EXPECT_EQ(500, s.Settings.NestLevel);
    EXPECT_EQ(100, s.Settings.NestLevel_Max);
    EXPECT_EQ(-5, s.Settings.NestLevel_Min);
    EXPECT_EQ(0, s.Settings.ArrayRange);
    EXPECT_EQ(7, s.Settings.ArrayRange_Max);
    EXPECT_EQ(0, s.Settings.ArrayRange_Min);
    EXPECT_EQ(300, s.Settings.TreeViewExpand);
    EXPECT_EQ(100, s.Settings.TreeViewExpand_Max);
    EXPECT_EQ(200, s.Settings.TreeViewExpand_Min);
    // And written back unchanged.
    s.SaveSettings();
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(ReadRaw(L"Settings", L"NestLevel_Min", type, data));
    ASSERT_EQ(4u, data.size());
    EXPECT_EQ(static_cast<DWORD>(-5), *reinterpret_cast<const DWORD*>(data.data()));
}

TEST_F(SettingsStore, RecentFindIsReadUpToItsFirstEmptyText) {
    auto U = [](std::initializer_list<const wchar_t*> parts) {
        std::vector<WCHAR> v;
        for (const wchar_t* p : parts) {
            for (; *p; ++p) v.push_back(*p);
            v.push_back(0);
        }
        return v;
    };
    struct Case { const char* name; std::vector<WCHAR> units; DWORD bytes; std::vector<std::wstring> want; };
    std::vector<WCHAR> noFinalZero = U({L"abc"});
    for (const wchar_t* p = L"defg"; *p; ++p) noFinalZero.push_back(*p);
    std::vector<WCHAR> seventeen;
    for (int i = 0; i < 17; ++i) {
        std::wstring t = L"t" + std::to_wstring(i);
        seventeen.insert(seventeen.end(), t.begin(), t.end());
        seventeen.push_back(0);
    }
    seventeen.push_back(0);
    std::vector<std::wstring> first16;
    for (int i = 0; i < 16; ++i) first16.push_back(L"t" + std::to_wstring(i));
    const std::vector<WCHAR> two = {L'x', L'y'};
    std::vector<Case> cases = {
        {"two texts", U({L"abc", L"def", L""}), 0, {L"abc", L"def"}},
        {"no final zero", noFinalZero, 0, {L"abc", L"de"}},
        {"one unit", two, 2, {}},
        {"two units", two, 4, {}},
        {"odd byte count", U({L"ab", L""}), 7, {L"a"}},
        {"starts empty", U({L"", L"abc", L""}), 0, {}},
        {"more than sixteen", seventeen, 0, first16},
    };
    for (Case& c : cases) {
        DeleteAllSettings();
        WriteRecentFindUnits(c.units, c.bytes ? c.bytes : static_cast<DWORD>(c.units.size() * 2));
        CAppSettings s;
        s.Common.RecentFind[0] = L"stale";
        s.LoadSettings();
        for (int i = 0; i < RECENT_FIND_COUNT; ++i) {
            const std::wstring want = i < static_cast<int>(c.want.size()) ? c.want[i] : L"";
            EXPECT_EQ(want, std::wstring(s.Common.RecentFind[i])) << c.name << " entry " << i;
        }
    }
}

TEST_F(SettingsStore, AddRecentFindMovesOrAddsAtTheFront) {
    CAppSettings s;
    auto list = [&] {
        std::vector<std::wstring> v;
        for (const CBstr& t : s.Common.RecentFind) {
            if (t.IsEmpty()) break;
            v.push_back(static_cast<LPCWSTR>(t));
        }
        return v;
    };
    s.AddRecentFind(L"c");
    s.AddRecentFind(L"b");
    s.AddRecentFind(L"a");
    EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), list());
    s.AddRecentFind(L"c");                    // the third moves to the front
    EXPECT_EQ((std::vector<std::wstring>{L"c", L"a", L"b"}), list());
    s.AddRecentFind(L"A");                    // case matters: a new entry
    EXPECT_EQ((std::vector<std::wstring>{L"A", L"c", L"a", L"b"}), list());
    s.AddRecentFind(L"");                     // nothing
    s.AddRecentFind(nullptr);
    EXPECT_EQ(4u, list().size());
    EXPECT_EQ(2, s.FindRecentFind(L"a"));
    EXPECT_EQ(-1, s.FindRecentFind(L"z"));

    for (int i = 0; i < 20; ++i) s.AddRecentFind((L"n" + std::to_wstring(i)).c_str());
    std::vector<std::wstring> v = list();
    ASSERT_EQ(16u, v.size());                 // full: each new text replaced the oldest
    EXPECT_EQ(L"n19", v.front());
    EXPECT_EQ(L"n4", v.back());
    s.AddRecentFind(L"n10");
    v = list();
    EXPECT_EQ(L"n10", v[0]);
    EXPECT_EQ(L"n19", v[1]);
    EXPECT_EQ(L"n11", v[9]);
    EXPECT_EQ(L"n9", v[10]);
    EXPECT_EQ(16u, v.size());
}

TEST(SettingsLiveStore, TheNewestStoreAliveIsLive) {
    CAppSettings& fallback = CAppSettings::Get();
    EXPECT_EQ(4, fallback.Settings.NestLevel);
    EXPECT_NE(nullptr, fallback.WindowBrush.GetSafeHandle());
    {
        auto* a = new CAppSettings;
        EXPECT_EQ(a, &CAppSettings::Get());
        {
            CAppSettings b;
            EXPECT_EQ(&b, &CAppSettings::Get());
            delete a;                              // out of order
            EXPECT_EQ(&b, &CAppSettings::Get());
        }
        EXPECT_EQ(&fallback, &CAppSettings::Get());
    }
}

}  // namespace
