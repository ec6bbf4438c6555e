#include "server/settings/AppSettings.h"
#include "framework/App.h"
#include "server/core/Except.h"
#include "resources/SettingsRes.h"
#include <cstring>
#include <new>
#include <vector>

namespace {

const wchar_t kSettings[] = L"Settings";
const wchar_t kFont[]     = L"Font";
const wchar_t kWindow[]   = L"Window";
const wchar_t kCommon[]   = L"Common";

const COLORREF kHighlightDefaults[SETTINGS_HIGHLIGHTS] = {
    0x00C8FFC8, 0x00C8FFFF, 0x00FFC8FF, 0x00C8C8C8,
    0x00FFFFC8, 0x00C8C8FF, 0x00FFC8C8, 0x00BEF0FF,
};
const COLORREF kWarningDefault = 0x008282FF;
const COLORREF kObjInfoDefault = 0x00FA0A0A;

// Copies a stored binary value into `field` when it has exactly the field's
// size; otherwise the field keeps what it holds (its default).
bool ReadBinary(const CWinApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, void* pField, UINT nSize) {
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    bool bTaken = false;
    if (pApp->GetProfileBinary(pszSection, pszEntry, &pData, &nBytes) && pData && nBytes == nSize) {
        std::memcpy(pField, pData, nSize);
        bTaken = true;
    }
    delete[] pData;
    return bTaken;
}

template <class T>
void ReadField(const CWinApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, T& field, const T& def) {
    if (!ReadBinary(pApp, pszSection, pszEntry, &field, sizeof(T))) field = def;
}

template <class T>
void WriteField(const CWinApp* pApp, LPCWSTR pszSection, LPCWSTR pszEntry, const T& field) {
    pApp->WriteProfileBinary(pszSection, pszEntry, &field, sizeof(T));
}

int ReadInt(const CWinApp* pApp, LPCWSTR pszEntry, int nDefault) {
    return static_cast<int>(pApp->GetProfileInt(kSettings, pszEntry, nDefault));
}

}  // namespace

CAppSettings* CAppSettings::s_pLive = nullptr;

CAppSettings::CAppSettings() {
    SetDefaults();
    m_pOlder = s_pLive;
    if (s_pLive) s_pLive->m_pNewer = this;
    s_pLive = this;
    m_bRegistered = true;
}

CAppSettings::CAppSettings(FallbackTag) {
    SetDefaults();
    MakeDerivedValues();
}

CAppSettings::~CAppSettings() {
    if (!m_bRegistered) return;
    if (m_pNewer) m_pNewer->m_pOlder = m_pOlder;
    if (m_pOlder) m_pOlder->m_pNewer = m_pNewer;
    if (s_pLive == this) s_pLive = m_pOlder;
}

CAppSettings& CAppSettings::Get() {
    if (s_pLive) return *s_pLive;
    static CAppSettings fallback{FallbackTag{}};
    return fallback;
}

LOGFONTW CAppSettings::DefaultFont() {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(lf.lfFaceName, L"MS UI Gothic");
    return lf;
}

void CAppSettings::SetDefaults() {
    Settings = SettingsSection{4, 100, 0, 100, 10000, 0, 2, 100, 0};

    const LOGFONTW lf = DefaultFont();
    Font.LogView = Font.ResultView = Font.ExtractDialog = lf;
    Font.ObjInfoWindow = Font.FindDialog = Font.MoveFindDialog = lf;
    std::memcpy(Font.Highlight, kHighlightDefaults, sizeof(Font.Highlight));
    Font.Color[0] = kWarningDefault;
    Font.Color[1] = kObjInfoDefault;

    Window = WindowSection{};

    Common.ExtractDialog = DLGOPT_DEFAULT;
    for (DWORD& w : Common.FindDialog) w = DLGOPT_DEFAULT;
    for (CBstr& s : Common.RecentFind) s = L"";
}

void CAppSettings::LoadSettings() {
    // The recent-find list starts with 16 empty texts.
    for (CBstr& s : Common.RecentFind) s = L"";

    const CWinApp* pApp = AfxGetApp();
    if (!pApp) {
        // Nothing to read from: every value keeps its default.
        SetDefaults();
        MakeDerivedValues();
        return;
    }

    // Integers, taken as stored: the main form checks the bounds.
    Settings.NestLevel          = ReadInt(pApp, L"NestLevel", 4);
    Settings.NestLevel_Max      = ReadInt(pApp, L"NestLevel_Max", 100);
    Settings.NestLevel_Min      = ReadInt(pApp, L"NestLevel_Min", 0);
    Settings.ArrayRange         = ReadInt(pApp, L"ArrayRange", 100);
    Settings.ArrayRange_Max     = ReadInt(pApp, L"ArrayRange_Max", 10000);
    Settings.ArrayRange_Min     = ReadInt(pApp, L"ArrayRange_Min", 0);
    Settings.TreeViewExpand     = ReadInt(pApp, L"TreeViewExpand", 2);
    Settings.TreeViewExpand_Max = ReadInt(pApp, L"TreeViewExpand_Max", 100);
    Settings.TreeViewExpand_Min = ReadInt(pApp, L"TreeViewExpand_Min", 0);

    const LOGFONTW lf = DefaultFont();
    ReadField(pApp, kFont, L"LogView", Font.LogView, lf);
    ReadField(pApp, kFont, L"ResultView", Font.ResultView, lf);
    ReadField(pApp, kFont, L"ExtractDialog", Font.ExtractDialog, lf);
    ReadField(pApp, kFont, L"ObjInfoWindow", Font.ObjInfoWindow, lf);
    ReadField(pApp, kFont, L"FindDialog", Font.FindDialog, lf);
    ReadField(pApp, kFont, L"MoveFindDialog", Font.MoveFindDialog, lf);

    const RECT rcEmpty{};
    ReadField(pApp, kWindow, L"Main", Window.Main, rcEmpty);
    ReadField(pApp, kWindow, L"LogView", Window.LogView, rcEmpty);
    ReadField(pApp, kWindow, L"ExtractDialog", Window.ExtractDialog, rcEmpty);
    if (!ReadBinary(pApp, kWindow, L"ResultView", Window.ResultView, sizeof(Window.ResultView)))
        for (RECT& rc : Window.ResultView) rc = rcEmpty;
    if (!ReadBinary(pApp, kWindow, L"FindDialog", Window.FindDialog, sizeof(Window.FindDialog)))
        for (RECT& rc : Window.FindDialog) rc = rcEmpty;
    if (!ReadBinary(pApp, kWindow, L"MoveFindDialog", Window.MoveFindDialog, sizeof(Window.MoveFindDialog)))
        for (RECT& rc : Window.MoveFindDialog) rc = rcEmpty;

    ReadField(pApp, kCommon, L"ExtractDialog", Common.ExtractDialog, DLGOPT_DEFAULT);
    if (!ReadBinary(pApp, kCommon, L"FindDialog", Common.FindDialog, sizeof(Common.FindDialog)))
        for (DWORD& w : Common.FindDialog) w = DLGOPT_DEFAULT;

    ReadField(pApp, kWindow, L"ObjInfoWindow", Window.ObjInfoWindow, ObjInfoWindowPlacement{});

    if (!ReadBinary(pApp, kFont, L"Highlight", Font.Highlight, sizeof(Font.Highlight)))
        std::memcpy(Font.Highlight, kHighlightDefaults, sizeof(Font.Highlight));
    if (!ReadBinary(pApp, kFont, L"Color", Font.Color, sizeof(Font.Color))) {
        Font.Color[0] = kWarningDefault;
        Font.Color[1] = kObjInfoDefault;
    }

    ReadRecentFind();
    MakeDerivedValues();
}

// The list is stored as its texts in order, each ending in a 0 code unit,
// then one more 0. The last two code units of the stored data are forced to
// 0 so that no text runs past the end of the data.
void CAppSettings::ReadRecentFind() {
    const CWinApp* pApp = AfxGetApp();
    BYTE* pData = nullptr;
    UINT nBytes = 0;
    if (!pApp->GetProfileBinary(kCommon, L"RecentFind", &pData, &nBytes) || !pData) {
        delete[] pData;
        return;
    }
    const size_t nUnits = nBytes / sizeof(WCHAR);
    std::vector<WCHAR> units;
    if (nUnits > 2) {
        try {
            units.resize(nUnits);
        } catch (const std::bad_alloc&) {
            delete[] pData;
            throw CExcept(ZV_ERR_MEMORY_BSTR);
        }
        std::memcpy(units.data(), pData, nUnits * sizeof(WCHAR));
    }
    delete[] pData;
    if (nUnits <= 2) return;

    units[nUnits - 1] = 0;
    units[nUnits - 2] = 0;
    size_t pos = 0;
    for (CBstr& entry : Common.RecentFind) {
        if (pos >= nUnits || units[pos] == 0) break;
        entry = &units[pos];
        pos += wcslen(&units[pos]) + 1;
    }
}

void CAppSettings::SaveSettings() const {
    const CWinApp* pApp = AfxGetApp();
    if (!pApp) return;

    pApp->WriteProfileInt(kSettings, L"NestLevel", Settings.NestLevel);
    pApp->WriteProfileInt(kSettings, L"NestLevel_Max", Settings.NestLevel_Max);
    pApp->WriteProfileInt(kSettings, L"NestLevel_Min", Settings.NestLevel_Min);
    pApp->WriteProfileInt(kSettings, L"ArrayRange", Settings.ArrayRange);
    pApp->WriteProfileInt(kSettings, L"ArrayRange_Max", Settings.ArrayRange_Max);
    pApp->WriteProfileInt(kSettings, L"ArrayRange_Min", Settings.ArrayRange_Min);
    pApp->WriteProfileInt(kSettings, L"TreeViewExpand", Settings.TreeViewExpand);
    pApp->WriteProfileInt(kSettings, L"TreeViewExpand_Max", Settings.TreeViewExpand_Max);
    pApp->WriteProfileInt(kSettings, L"TreeViewExpand_Min", Settings.TreeViewExpand_Min);

    WriteField(pApp, kFont, L"LogView", Font.LogView);
    WriteField(pApp, kFont, L"ResultView", Font.ResultView);
    WriteField(pApp, kFont, L"ObjInfoWindow", Font.ObjInfoWindow);
    WriteField(pApp, kFont, L"ExtractDialog", Font.ExtractDialog);
    WriteField(pApp, kFont, L"FindDialog", Font.FindDialog);
    WriteField(pApp, kFont, L"MoveFindDialog", Font.MoveFindDialog);

    WriteField(pApp, kWindow, L"Main", Window.Main);
    WriteField(pApp, kWindow, L"LogView", Window.LogView);
    WriteField(pApp, kWindow, L"ExtractDialog", Window.ExtractDialog);
    WriteField(pApp, kWindow, L"ResultView", Window.ResultView);
    WriteField(pApp, kWindow, L"FindDialog", Window.FindDialog);
    WriteField(pApp, kWindow, L"MoveFindDialog", Window.MoveFindDialog);
    WriteField(pApp, kWindow, L"ObjInfoWindow", Window.ObjInfoWindow);

    WriteField(pApp, kCommon, L"ExtractDialog", Common.ExtractDialog);
    WriteField(pApp, kCommon, L"FindDialog", Common.FindDialog);

    WriteField(pApp, kFont, L"Highlight", Font.Highlight);
    WriteField(pApp, kFont, L"Color", Font.Color);

    WriteRecentFind();
}

void CAppSettings::WriteRecentFind() const {
    size_t nUnits = RECENT_FIND_COUNT + 1;
    for (const CBstr& s : Common.RecentFind) nUnits += s.Length();
    WCHAR* pBuf = new (std::nothrow) WCHAR[nUnits];
    if (!pBuf) return;   // the list is then simply not written
    size_t pos = 0;
    for (const CBstr& s : Common.RecentFind) {
        const size_t n = s.Length();
        std::memcpy(pBuf + pos, static_cast<LPCOLESTR>(s), n * sizeof(WCHAR));
        pos += n;
        pBuf[pos++] = 0;
    }
    pBuf[pos] = 0;
    AfxGetApp()->WriteProfileBinary(kCommon, L"RecentFind", pBuf, static_cast<UINT>(nUnits * sizeof(WCHAR)));
    delete[] pBuf;
}

int CAppSettings::FindRecentFind(LPCWSTR pszText) const {
    if (!pszText) return -1;
    for (int i = 0; i < RECENT_FIND_COUNT; ++i) {
        const CBstr& s = Common.RecentFind[i];
        if (s.IsEmpty()) break;
        if (wcscmp(s, pszText) == 0) return i;
    }
    return -1;
}

void CAppSettings::AddRecentFind(LPCWSTR pszText) {
    if (!pszText || !*pszText) return;
    int i = FindRecentFind(pszText);
    if (i < 0) {
        i = RECENT_FIND_COUNT - 1;
        Common.RecentFind[i] = pszText;   // throws CExcept(11), the list unchanged
    }
    // Move entry i to the front; the others keep their order.
    for (; i > 0; --i) std::swap(Common.RecentFind[i], Common.RecentFind[i - 1]);
}

void CAppSettings::ReplaceBrush(CBrush& brush, COLORREF clr) {
    HBRUSH hNew = ::CreateSolidBrush(clr);
    if (!hNew) return;   // keep the old brush rather than none
    HBRUSH hOld = brush.Detach();
    brush.Attach(hNew);
    if (hOld) ::DeleteObject(hOld);
}

void CAppSettings::MakeDerivedValues() {
    WindowTextColor    = ::GetSysColor(COLOR_WINDOWTEXT);
    WindowColor        = ::GetSysColor(COLOR_WINDOW);
    SelectionBkColor   = ::GetSysColor(COLOR_HIGHLIGHT) + 1;
    SelectionTextColor = ::GetSysColor(COLOR_HIGHLIGHTTEXT);

    ReplaceBrush(WarningBrush, Font.Color[0]);
    ReplaceBrush(ObjInfoBrush, Font.Color[1]);
    ReplaceBrush(WindowBrush, WindowColor);

    // The tree controls keep the image list's handle: it is made once and
    // lives as long as the store.
    if (!CheckImageList.GetSafeHandle() && CheckImageList.Create(IDB_CHECKBOXES, 16, 0, CLR_NONE))
        CheckImageList.SetBkColor(WindowColor);

    UINT nLines = 3;
    if (::SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &nLines, 0)) WheelScrollLines = nLines;
}
