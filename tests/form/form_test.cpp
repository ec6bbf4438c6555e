// The main settings form in a real frame, with the real font, colour and
// About dialogs driven from a watcher thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>
#include "common/ImportPatch.h"
#include "common/WindowShot.h"
#include "framework/Frame.h"
#include "resources/MainFormRes.h"
#include "server/app/ZavetraView.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

// --- the number filter alone ------------------------------------------------

TEST(FormFilter, TypedTextGivesTheStoredValue) {
    struct Case { const wchar_t* typed; int max; int min; int result; const wchar_t* rewrite; };
    const Case cases[] = {
        {L"12", 100, 0, 12, nullptr},
        {L"12a", 100, 0, -1, L"12"},          // a letter goes at once
        {L"a", 100, 0, -1, L""},
        {L"150", 100, 0, -1, L"100"},         // above the maximum
        {L"100", 100, 0, 100, nullptr},
        {L"", 10000, 0, 0, nullptr},          // empty is 0 when the minimum is 0
        {L"", 100, 5, -1, L"5"},              // ... else the minimum
        {L"3", 100, 5, -1, L"5"},
        {L"1,000", 10000, 0, -1, L"1000"},    // the spin's thousands separator
        {L"1000", 10000, 0, 1000, nullptr},
        {L"007", 100, 0, 7, nullptr},
        {L"-3", 100, 0, -1, L"3"},
        {L"99999999999", 100, 0, -1, L"100"}, // far too large for an int
        // Bounds that contradict each other: the maximum wins.
        {L"7", 5, 10, -1, L"5"},
        {L"5", 5, 10, 5, nullptr},
        {L"", 5, 10, -1, L"5"},
        // A negative minimum counts as 0.
        {L"0", 100, -5, 0, nullptr},
        {L"", 100, -5, 0, nullptr},
        // A negative maximum sets no limit, as it does as an unsigned number.
        {L"123456", -1, 0, 123456, nullptr},
        {L"99999999999", -1, 0, -1, L"2147483647"},
        {L"4", -1, -1, 4, nullptr},
    };
    for (const Case& c : cases) {
        CBstr text(L"untouched");
        const int r = CZavetraView::FilterNumber(c.typed, c.max, c.min, text);
        EXPECT_EQ(c.result, r) << c.typed << " max " << c.max << " min " << c.min;
        if (c.rewrite) {
            EXPECT_STREQ(c.rewrite, static_cast<LPCWSTR>(text)) << c.typed;
            // A rewritten text is always accepted as it is.
            CBstr again(L"untouched");
            EXPECT_GE(CZavetraView::FilterNumber(text, c.max, c.min, again), 0) << c.typed;
        }
    }
}

// --- the form in a frame ----------------------------------------------------

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

BOOL CALLBACK FindDialogProc(HWND h, LPARAM lp) {
    WCHAR cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    if (::IsWindowVisible(h) && wcscmp(cls, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

// Finds a visible dialog window of the thread (the font, colour or About box).
HWND FindThreadDialog(DWORD tid) {
    HWND found = nullptr;
    ::EnumThreadWindows(tid, FindDialogProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits on its own thread for the next dialog of the calling thread, runs
// `act` on it and ends it with `cmd`.
class DialogWatch {
public:
    DialogWatch(UINT cmd, std::function<void(HWND)> act = {}) {
        const DWORD tid = ::GetCurrentThreadId();
        m_thread = std::thread([this, tid, cmd, act] {
            for (int i = 0; i < 500; ++i) {
                HWND h = FindThreadDialog(tid);
                if (h) {
                    ::Sleep(150);   // let it finish its initialisation
                    WCHAR caption[128] = {};
                    ::GetWindowTextW(h, caption, 128);
                    m_caption = caption;
                    if (act) act(h);
                    ::PostMessageW(h, WM_COMMAND, MAKEWPARAM(cmd, BN_CLICKED), 0);
                    m_found = true;
                    return;
                }
                ::Sleep(20);
            }
        });
    }
    ~DialogWatch() { Join(); }
    void Join() { if (m_thread.joinable()) m_thread.join(); }
    bool Found() { Join(); return m_found; }
    std::wstring Caption() { Join(); return m_caption; }

private:
    std::thread m_thread;
    std::atomic<bool> m_found{false};
    std::wstring m_caption;
};

std::wstring ItemText(HWND hDlg, int id) {
    WCHAR buf[128] = {};
    ::GetDlgItemTextW(hDlg, id, buf, 128);
    return buf;
}

// The colour dialog's red, green and blue edits.
constexpr int kColorEditR = 706, kColorEditG = 707, kColorEditB = 708;
// The font dialog's face-name box.
constexpr int kFontFace = 0x470;

COLORREF DialogColor(HWND hDlg) {
    return RGB(::GetDlgItemInt(hDlg, kColorEditR, nullptr, FALSE), ::GetDlgItemInt(hDlg, kColorEditG, nullptr, FALSE),
               ::GetDlgItemInt(hDlg, kColorEditB, nullptr, FALSE));
}

void SetDialogColor(HWND hDlg, COLORREF c) {
    ::SetDlgItemInt(hDlg, kColorEditR, GetRValue(c), FALSE);
    ::SetDlgItemInt(hDlg, kColorEditG, GetGValue(c), FALSE);
    ::SetDlgItemInt(hDlg, kColorEditB, GetBValue(c), FALSE);
}

// A screen font face of this machine other than the first one the font
// dialog would show, with a character set it has.
int CALLBACK CollectFaceProc(const LOGFONTW* p, const TEXTMETRICW*, DWORD type, LPARAM lp) {
    if ((type & TRUETYPE_FONTTYPE) && p->lfFaceName[0] != L'@')
        reinterpret_cast<std::vector<std::pair<std::wstring, BYTE>>*>(lp)->emplace_back(p->lfFaceName, p->lfCharSet);
    return 1;
}

std::pair<std::wstring, BYTE> SomeInstalledFace() {
    std::vector<std::pair<std::wstring, BYTE>> faces;
    HDC hdc = ::GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfCharSet = DEFAULT_CHARSET;
    ::EnumFontFamiliesExW(hdc, &lf, CollectFaceProc, reinterpret_cast<LPARAM>(&faces), 0);
    ::ReleaseDC(nullptr, hdc);
    std::sort(faces.begin(), faces.end());
    return faces.empty() ? std::pair<std::wstring, BYTE>{} : faces.back();
}

COLORREF BrushColor(HBRUSH hBrush) {
    LOGBRUSH lb{};
    if (!::GetObjectW(hBrush, sizeof(lb), &lb)) return CLR_INVALID;
    return lb.lbColor;
}

// One control of a dialog template as the resource holds it.
struct TemplateItem {
    DWORD id;
    std::wstring cls;    // the class name, or "#<ordinal>" for the predefined classes
    std::wstring text;
    short x, y, cx, cy;
    DWORD style, exStyle;
};

struct DialogTemplate {
    DWORD style = 0;
    short cx = 0, cy = 0;
    WORD pointSize = 0;
    std::wstring face;
    std::vector<TemplateItem> items;
};

// Reads a string or ordinal field of a template; the pointer moves past it.
std::wstring ReadSzOrOrd(const WORD*& p) {
    if (*p == 0x0000) { ++p; return L""; }
    if (*p == 0xFFFF) { const WORD ord = p[1]; p += 2; return L"#" + std::to_wstring(ord); }
    std::wstring s(reinterpret_cast<const wchar_t*>(p));
    p += s.size() + 1;
    return s;
}

// The extended dialog template of a resource of this executable.
bool LoadDialogTemplate(int id, DialogTemplate& t) {
    HRSRC hRes = ::FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));   // RT_DIALOG
    if (!hRes) return false;
    const BYTE* base = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, hRes)));
    const WORD* w = reinterpret_cast<const WORD*>(base);
    if (!base || w[0] != 1 || w[1] != 0xFFFF) return false;   // DLGTEMPLATEEX only
    const BYTE* b = base + 4 + 4;                                // version, signature, help id
    b += 4;                                                      // extended style
    t.style = *reinterpret_cast<const DWORD*>(b); b += 4;
    const WORD nItems = *reinterpret_cast<const WORD*>(b); b += 2;
    b += 4;                                                      // x, y
    t.cx = *reinterpret_cast<const short*>(b); t.cy = *reinterpret_cast<const short*>(b + 2); b += 4;
    const WORD* p = reinterpret_cast<const WORD*>(b);
    ReadSzOrOrd(p);   // menu
    ReadSzOrOrd(p);   // class
    ReadSzOrOrd(p);   // title
    if (t.style & DS_SETFONT) {
        t.pointSize = p[0];
        p += 3;       // size, weight, italic and character set
        t.face = ReadSzOrOrd(p);
    }
    for (WORD i = 0; i < nItems; ++i) {
        b = reinterpret_cast<const BYTE*>(p);
        b = base + ((b - base + 3) & ~static_cast<size_t>(3));
        TemplateItem it;
        b += 4;   // help id
        it.exStyle = *reinterpret_cast<const DWORD*>(b); b += 4;
        it.style = *reinterpret_cast<const DWORD*>(b); b += 4;
        const short* r = reinterpret_cast<const short*>(b);
        it.x = r[0]; it.y = r[1]; it.cx = r[2]; it.cy = r[3]; b += 8;
        it.id = *reinterpret_cast<const DWORD*>(b); b += 4;
        p = reinterpret_cast<const WORD*>(b);
        it.cls = ReadSzOrOrd(p);
        it.text = ReadSzOrOrd(p);
        const WORD nExtra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + nExtra);
        t.items.push_back(it);
    }
    return true;
}

// What the form's Help button asked of the shell.
struct ShellRequest {
    int nCalls = 0;
    HWND hWnd = nullptr;
    std::wstring verb, file;
    bool bParams = false, bDir = false;
    int nShow = 0;
};
ShellRequest g_shell;

HINSTANCE WINAPI RecordShellExecute(HWND hWnd, LPCWSTR pszVerb, LPCWSTR pszFile, LPCWSTR pszParams, LPCWSTR pszDir,
                                    INT nShow) {
    ++g_shell.nCalls;
    g_shell.hWnd = hWnd;
    g_shell.verb = pszVerb ? pszVerb : L"<null>";
    g_shell.file = pszFile ? pszFile : L"<null>";
    g_shell.bParams = pszParams != nullptr;
    g_shell.bDir = pszDir != nullptr;
    g_shell.nShow = nShow;
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(ERROR_FILE_NOT_FOUND));
}

class MainForm : public ::testing::Test {
protected:
    void TearDown() override { Close(); }

    // Opens the form on the current settings, as the document template does.
    void Open() {
        m_pFrame = new CFrameWnd;
        CCreateContext ctx;
        ctx.m_pNewViewClass = RUNTIME_CLASS(CZavetraView);
        ASSERT_TRUE(m_pFrame->Create(nullptr, L"Orvanesk", WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{40, 40, 800, 1000},
                                     nullptr, nullptr, 0, &ctx));
        m_pView = dynamic_cast<CZavetraView*>(CWnd::FromHandle(m_pFrame->GetDlgItem(AFX_IDW_PANE_FIRST)));
        ASSERT_NE(nullptr, m_pView);
        m_pFrame->SetActiveView(m_pView);
        m_pView->OnInitialUpdate();
        m_pView->ShowWindow(SW_SHOW);
        m_pFrame->UpdateWindow();
        Pump();
        Posted();   // start with an empty record
    }
    void Close() {
        if (m_pFrame && m_pFrame->IsWindow()) {
            Posted();
            m_pFrame->DestroyWindow();   // the frame and the view delete themselves
        }
        m_pFrame = nullptr;
        m_pView = nullptr;
        Pump();
    }

    // The messages posted to the frame since the last call (taken from the queue).
    std::vector<UINT> Posted() {
        std::vector<UINT> v;
        MSG msg;
        while (::PeekMessageW(&msg, m_pFrame->m_hWnd, 0, 0, PM_REMOVE | PM_NOYIELD)) {
            if (msg.message == WM_CLOSE || (msg.message >= WM_APP && msg.message <= WM_APP + 0x3F))
                v.push_back(msg.message);
            else if (msg.message != WM_QUIT) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        return v;
    }

    HWND Item(int id) const { return m_pView->GetDlgItem(id); }
    std::wstring Text(int id) const { return m_pView->GetDlgItemText(id); }
    // What typing the text into an edit would leave there.
    void Type(int id, LPCWSTR text) { ::SetWindowTextW(Item(id), text); }
    void Click(int id) { ::SendMessageW(*m_pView, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id))); }
    // Opens a colour dialog with press (a click on the button id) and
    // chooses the colour chosen there; *pShown: the colour it started with.
    void PickColour(const std::function<void()>& press, COLORREF chosen, COLORREF* pShown) {
        DialogWatch watch(IDOK, [pShown, chosen](HWND h) { *pShown = DialogColor(h); SetDialogColor(h, chosen); });
        press();
        ASSERT_TRUE(watch.Found());
    }
    void PickColour(int id, COLORREF chosen, COLORREF* pShown) { PickColour([this, id] { Click(id); }, chosen, pShown); }
    // The range of the spin control id is lo to hi.
    void ExpectSpinRange(int id, int lo, int hi) {
        int shownLo = -1, shownHi = -1;
        ::SendMessageW(Item(id), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&shownLo), reinterpret_cast<LPARAM>(&shownHi));
        EXPECT_EQ(lo, shownLo) << "spin " << id;
        EXPECT_EQ(hi, shownHi) << "spin " << id;
    }

    CAppSettings m_settings;   // the live store of the test
    CFrameWnd* m_pFrame = nullptr;
    CZavetraView* m_pView = nullptr;
};

TEST_F(MainForm, TypedNumbersAreFilteredAndStored) {
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(L"4", Text(IDC_MAIN_NESTLEVEL));
    EXPECT_EQ(L"100", Text(IDC_MAIN_ARRAYRANGE));
    EXPECT_EQ(L"2", Text(IDC_MAIN_TREEEXPAND));
    ExpectSpinRange(IDC_MAIN_NESTLEVEL_SPIN, 0, 100);
    ExpectSpinRange(IDC_MAIN_ARRAYRANGE_SPIN, 0, 10000);
    ExpectSpinRange(IDC_MAIN_TREEEXPAND_SPIN, 0, 100);

    struct Case { int id; const wchar_t* typed; const wchar_t* shown; int CAppSettings::SettingsSection::*field; int stored; };
    using S = CAppSettings::SettingsSection;
    const Case cases[] = {
        {IDC_MAIN_NESTLEVEL, L"12a", L"12", &S::NestLevel, 12},
        {IDC_MAIN_NESTLEVEL, L"150", L"100", &S::NestLevel, 100},
        {IDC_MAIN_NESTLEVEL, L"x", L"", &S::NestLevel, 0},
        {IDC_MAIN_ARRAYRANGE, L"", L"", &S::ArrayRange, 0},
        {IDC_MAIN_ARRAYRANGE, L"1,000", L"1000", &S::ArrayRange, 1000},
        {IDC_MAIN_ARRAYRANGE, L"10001", L"10000", &S::ArrayRange, 10000},
        {IDC_MAIN_TREEEXPAND, L"7", L"7", &S::TreeViewExpand, 7},
        {IDC_MAIN_TREEEXPAND, L"1e3", L"13", &S::TreeViewExpand, 13},
    };
    for (const Case& c : cases) {
        Type(c.id, c.typed);
        EXPECT_EQ(c.shown, Text(c.id)) << c.typed;
        EXPECT_EQ(c.stored, m_settings.Settings.*c.field) << c.typed;
    }
    // The numbers are not announced.
    EXPECT_TRUE(Posted().empty());
}

TEST_F(MainForm, SpinningPast999ShowsNoSeparator) {
    m_settings.Settings.ArrayRange = 999;
    ASSERT_NO_FATAL_FAILURE(Open());
    ::SendMessageW(Item(IDC_MAIN_ARRAYRANGE), WM_KEYDOWN, VK_UP, 0);
    ::SendMessageW(Item(IDC_MAIN_ARRAYRANGE), WM_KEYUP, VK_UP, 0);
    Pump();
    EXPECT_EQ(L"1000", Text(IDC_MAIN_ARRAYRANGE));
    EXPECT_EQ(1000, m_settings.Settings.ArrayRange);
}

TEST_F(MainForm, StoredValuesOutsideTheirBoundsAreCorrectedWhenItOpens) {
    m_settings.Settings.NestLevel = 500;        // above NestLevel_Max 100
    m_settings.Settings.ArrayRange = -3;        // not digits
    m_settings.Settings.TreeViewExpand = 300;   // above TreeViewExpand_Max 100
    m_settings.Settings.TreeViewExpand_Min = 1;
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(L"100", Text(IDC_MAIN_NESTLEVEL));
    EXPECT_EQ(100, m_settings.Settings.NestLevel);
    EXPECT_EQ(L"3", Text(IDC_MAIN_ARRAYRANGE));
    EXPECT_EQ(3, m_settings.Settings.ArrayRange);
    EXPECT_EQ(L"100", Text(IDC_MAIN_TREEEXPAND));
    EXPECT_EQ(100, m_settings.Settings.TreeViewExpand);
    ExpectSpinRange(IDC_MAIN_TREEEXPAND_SPIN, 1, 100);
}

TEST_F(MainForm, ContradictingBoundsLeaveTheFormUsable) {
    CAppSettings::SettingsSection& s = m_settings.Settings;
    s.NestLevel_Min = 10; s.NestLevel_Max = 5; s.NestLevel = 7;         // minimum above maximum
    s.ArrayRange_Min = -5; s.ArrayRange = 50;                           // negative minimum
    s.TreeViewExpand_Max = -1; s.TreeViewExpand_Min = -2; s.TreeViewExpand = 7;   // negative maximum
    ASSERT_NO_FATAL_FAILURE(Open());

    EXPECT_EQ(L"5", Text(IDC_MAIN_NESTLEVEL));
    EXPECT_EQ(5, s.NestLevel);
    EXPECT_EQ(L"50", Text(IDC_MAIN_ARRAYRANGE));
    EXPECT_EQ(50, s.ArrayRange);
    EXPECT_EQ(L"7", Text(IDC_MAIN_TREEEXPAND));
    EXPECT_EQ(7, s.TreeViewExpand);

    Type(IDC_MAIN_NESTLEVEL, L"3");
    EXPECT_EQ(L"5", Text(IDC_MAIN_NESTLEVEL));
    EXPECT_EQ(5, s.NestLevel);
    Type(IDC_MAIN_ARRAYRANGE, L"");
    EXPECT_EQ(L"", Text(IDC_MAIN_ARRAYRANGE));
    EXPECT_EQ(0, s.ArrayRange);
    Type(IDC_MAIN_TREEEXPAND, L"123456");
    EXPECT_EQ(123456, s.TreeViewExpand);

    ExpectSpinRange(IDC_MAIN_NESTLEVEL_SPIN, 5, 5);
    ExpectSpinRange(IDC_MAIN_ARRAYRANGE_SPIN, 0, 10000);
    ExpectSpinRange(IDC_MAIN_TREEEXPAND_SPIN, 0, INT_MAX);
    // The stored bounds themselves stay as they were.
    EXPECT_EQ(10, s.NestLevel_Min);
    EXPECT_EQ(-5, s.ArrayRange_Min);
    EXPECT_EQ(-1, s.TreeViewExpand_Max);
}

TEST_F(MainForm, FontButtonsEditTheirFontAndPostOnOk) {
    using F = CAppSettings::FontSection;
    struct Case { int id; LOGFONTW F::*font; UINT message; };
    const Case cases[] = {
        {IDC_MAIN_FONT_LOGVIEW, &F::LogView, UM_LOGVIEW_FONT_CHANGED},
        {IDC_MAIN_FONT_RESULTVIEW, &F::ResultView, UM_RESULTVIEW_FONT_CHANGED},
        {IDC_MAIN_FONT_OBJINFO, &F::ObjInfoWindow, UM_OBJINFO_FONT_CHANGED},
        {IDC_MAIN_FONT_EXTRACT, &F::ExtractDialog, UM_EXTRACTDIALOG_FONT_CHANGED},
        {IDC_MAIN_FONT_FIND, &F::FindDialog, UM_FINDDIALOG_FONT_CHANGED},
        {IDC_MAIN_FONT_MOVING, &F::FindDialog, UM_FINDDIALOG_FONT_CHANGED},   // the find dialog's font
    };
    const auto [faceName, charSet] = SomeInstalledFace();
    ASSERT_FALSE(faceName.empty());
    ASSERT_NO_FATAL_FAILURE(Open());
    for (const Case& c : cases) {
        // Only the button's font names this face: the dialog must open on it.
        m_settings.SetDefaults();
        LOGFONTW& target = m_settings.Font.*c.font;
        wcscpy_s(target.lfFaceName, faceName.c_str());
        target.lfCharSet = charSet;
        const CAppSettings::FontSection before = m_settings.Font;

        std::wstring face;
        DialogWatch watch(IDOK, [&face](HWND h) { face = ItemText(h, kFontFace); });
        Click(c.id);
        ASSERT_TRUE(watch.Found()) << c.id;
        EXPECT_EQ(faceName, face) << c.id;
        EXPECT_EQ(std::vector<UINT>{c.message}, Posted()) << c.id;
        EXPECT_STREQ(faceName.c_str(), target.lfFaceName) << c.id;
        // No other font changed.
        CAppSettings::FontSection after = m_settings.Font;
        after.*c.font = before.*c.font;
        EXPECT_EQ(0, std::memcmp(&after, &before, sizeof(before))) << c.id;
        EXPECT_EQ(0, std::memcmp(m_settings.Font.Highlight, before.Highlight, sizeof(before.Highlight)));
    }

    // MoveFindDialog has no editor; Cancel changes and posts nothing.
    const CAppSettings::FontSection before = m_settings.Font;
    DialogWatch cancel(IDCANCEL, [](HWND h) { ::SetDlgItemTextW(h, kFontFace, L"Courier New"); });
    Click(IDC_MAIN_FONT_LOGVIEW);
    ASSERT_TRUE(cancel.Found());
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(0, std::memcmp(&m_settings.Font, &before, sizeof(before)));
}

TEST_F(MainForm, ColourButtonsStoreTheColourAndPostOnOk) {
    ASSERT_NO_FATAL_FAILURE(Open());
    CListBox& list = m_pView->m_listHighlight;

    // "&Change" on the selected swatch.
    list.SetCurSel(3);
    COLORREF shown = CLR_INVALID;
    ASSERT_NO_FATAL_FAILURE(PickColour(IDC_MAIN_CHANGE, RGB(12, 34, 56), &shown));
    EXPECT_EQ(RGB(200, 200, 200), shown);
    EXPECT_EQ(RGB(12, 34, 56), m_settings.Font.Highlight[3]);
    EXPECT_EQ(std::vector<UINT>{UM_COLORS_CHANGED}, Posted());

    // A double click on a swatch does the same.
    list.SetCurSel(6);
    const auto doubleClick = [&] {
        ::SendMessageW(*m_pView, WM_COMMAND, MAKEWPARAM(IDC_MAIN_HIGHLIGHT, LBN_DBLCLK), reinterpret_cast<LPARAM>(list.m_hWnd));
    };
    ASSERT_NO_FATAL_FAILURE(PickColour(doubleClick, RGB(1, 2, 3), &shown));
    EXPECT_EQ(RGB(200, 200, 255), shown);
    EXPECT_EQ(RGB(1, 2, 3), m_settings.Font.Highlight[6]);
    EXPECT_EQ(std::vector<UINT>{UM_COLORS_CHANGED}, Posted());

    // With no selection the dialog starts black and nothing is stored.
    list.SetCurSel(-1);
    const CAppSettings::FontSection before = m_settings.Font;
    ASSERT_NO_FATAL_FAILURE(PickColour(IDC_MAIN_CHANGE, RGB(9, 9, 9), &shown));
    EXPECT_EQ(RGB(0, 0, 0), shown);
    EXPECT_EQ(0, std::memcmp(&m_settings.Font, &before, sizeof(before)));
    Posted();

    // The warning colour: stored, its brush made again, announced.
    ASSERT_NO_FATAL_FAILURE(PickColour(IDC_MAIN_WARNING, RGB(7, 8, 9), &shown));
    EXPECT_EQ(RGB(255, 130, 130), shown);
    EXPECT_EQ(RGB(7, 8, 9), m_settings.Font.Color[0]);
    EXPECT_EQ(RGB(7, 8, 9), BrushColor(m_settings.WarningBrush));
    EXPECT_EQ(std::vector<UINT>{UM_COLORS_CHANGED}, Posted());

    // The object-information colour: stored and its brush made again, no message.
    ASSERT_NO_FATAL_FAILURE(PickColour(IDC_MAIN_OBJINFO_COLOR, RGB(70, 80, 90), &shown));
    EXPECT_EQ(RGB(10, 10, 250), shown);
    EXPECT_EQ(RGB(70, 80, 90), m_settings.Font.Color[1]);
    EXPECT_EQ(RGB(70, 80, 90), BrushColor(m_settings.ObjInfoBrush));
    EXPECT_TRUE(Posted().empty());

    // Cancel changes and posts nothing.
    list.SetCurSel(0);
    const CAppSettings::FontSection kept = m_settings.Font;
    for (int id : {IDC_MAIN_CHANGE, IDC_MAIN_WARNING, IDC_MAIN_OBJINFO_COLOR}) {
        DialogWatch watch(IDCANCEL, [](HWND h) { SetDialogColor(h, RGB(99, 99, 99)); });
        Click(id);
        ASSERT_TRUE(watch.Found()) << id;
    }
    EXPECT_EQ(0, std::memcmp(&m_settings.Font, &kept, sizeof(kept)));
    EXPECT_EQ(RGB(7, 8, 9), BrushColor(m_settings.WarningBrush));
    EXPECT_TRUE(Posted().empty());
}

TEST_F(MainForm, ColourListIsFilledToFitItsHeight) {
    ASSERT_NO_FATAL_FAILURE(Open());
    CColorListBox& list = m_pView->m_listHighlight;
    ASSERT_EQ(8, list.GetCount());
    RECT rcClient{};
    list.GetClientRect(&rcClient);
    const int h = rcClient.bottom;
    EXPECT_EQ(h / 8, list.m_nItemHeight);
    EXPECT_EQ(8 - h % 8, list.m_nBaseItems);
    int y = 0;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(static_cast<DWORD_PTR>(i), list.GetItemData(i));
        RECT rc{};
        list.GetItemRect(i, &rc);
        EXPECT_EQ(y, rc.top) << i;
        y = rc.bottom;
    }
    EXPECT_EQ(h, y);
    EXPECT_EQ(0, list.GetCurSel());
}

TEST_F(MainForm, QuitClosesTheFrame) {
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(IDC_MAIN_QUIT);
    EXPECT_EQ(std::vector<UINT>{static_cast<UINT>(WM_CLOSE)}, Posted());
}

TEST_F(MainForm, VerShowsTheAboutBox) {
    ASSERT_NO_FATAL_FAILURE(Open());
    DialogWatch watch(IDOK);
    Click(IDC_MAIN_VER);
    ASSERT_TRUE(watch.Found());
    EXPECT_EQ(L"Orvanesk", watch.Caption());
    EXPECT_TRUE(Posted().empty());
}

TEST_F(MainForm, HelpWithoutItsDocumentShowsNothing) {
    WCHAR path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    *(wcsrchr(path, L'\\') + 1) = 0;
    wcscat_s(path, L"Help.pdf");
    ASSERT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(path));
    ASSERT_NO_FATAL_FAILURE(Open());
    Click(IDC_MAIN_HELP);
    for (int i = 0; i < 10; ++i) { Pump(); ::Sleep(30); }
    EXPECT_EQ(nullptr, FindThreadDialog(::GetCurrentThreadId()));
    EXPECT_TRUE(Posted().empty());
}

// Help asks the shell to open the document beside the executable, whether
// or not it exists there.
TEST_F(MainForm, HelpOpensTheDocumentBesideTheProgram) {
    WCHAR path[MAX_PATH];
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    *(wcsrchr(path, L'\\') + 1) = 0;
    wcscat_s(path, L"Help.pdf");
    ASSERT_NO_FATAL_FAILURE(Open());
    g_shell = ShellRequest{};
    {
        CImportPatch patch(L"shell32.dll", "ShellExecuteW", reinterpret_cast<void*>(&RecordShellExecute));
        ASSERT_GT(patch.Patched(), 0) << "the shell's entry point can be watched";
        Click(IDC_MAIN_HELP);
        Pump();
    }
    EXPECT_EQ(1, g_shell.nCalls);
    EXPECT_EQ(L"open", g_shell.verb);
    EXPECT_EQ(0, _wcsicmp(path, g_shell.file.c_str())) << std::string(g_shell.file.begin(), g_shell.file.end());
    EXPECT_FALSE(g_shell.bParams);
    EXPECT_FALSE(g_shell.bDir);
    EXPECT_EQ(SW_SHOWNORMAL, g_shell.nShow);
    EXPECT_EQ(m_pView->m_hWnd, g_shell.hWnd);
    EXPECT_TRUE(Posted().empty());
}

TEST_F(MainForm, FrameShrinksToTheFormAndShowsEveryControl) {
    ASSERT_NO_FATAL_FAILURE(Open());
    // The frame was shrunk to the form's template size.
    RECT rcView{}, rcFrameClient{};
    m_pView->GetWindowRect(&rcView);
    m_pFrame->GetClientRect(&rcFrameClient);
    const SIZE tpl = m_pView->GetTemplateSize();
    EXPECT_LE(rcFrameClient.right, 760);
    EXPECT_EQ(tpl.cx, rcView.right - rcView.left);
    // Every control of the form in template order: its id, class, text and
    // place in dialog units, and the window the form made of it there.
    DialogTemplate t;
    ASSERT_TRUE(LoadDialogTemplate(101, t));
    EXPECT_EQ(175, t.cx);
    EXPECT_EQ(410, t.cy);
    EXPECT_EQ(9, t.pointSize);
    EXPECT_EQ(L"MS UI Gothic", t.face);
    EXPECT_EQ(static_cast<DWORD>(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
              t.style & (WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_POPUP));
    const std::wstring kButton = L"#128", kEdit = L"#129", kStatic = L"#130";
    struct { DWORD id; std::wstring cls; const wchar_t* text; short x, y, cx, cy; } want[] = {
        {0xFFFF, kStatic, L"&Analysis depth", 18, 16, 89, 8},
        {1012, kEdit, L"", 116, 14, 33, 13},
        {1013, UPDOWN_CLASSW, L"", 148, 14, 10, 13},
        {0xFFFF, kStatic, L"Analysis &upper limit\n  Number of array elements\n  Number of collection items", 18, 35, 85, 25},
        {1014, kEdit, L"", 116, 41, 33, 13},
        {1015, UPDOWN_CLASSW, L"", 148, 41, 10, 13},
        {0xFFFF, kStatic, L"LogView    Expansion &depth", 18, 70, 85, 10},
        {1016, kEdit, L"", 116, 69, 33, 13},
        {1017, UPDOWN_CLASSW, L"", 148, 69, 10, 13},
        {1049, kButton, L"&Quit", 90, 99, 56, 19},
        {1052, kButton, L"&Ver", 18, 104, 20, 14},
        {1053, kButton, L"&Help", 42, 104, 20, 14},
        {1018, kButton, L"&LogView", 24, 162, 49, 17},
        {1020, kButton, L"&ResultView", 24, 186, 49, 17},
        {1019, kButton, L"&ExtractDialog", 24, 247, 49, 17},
        {1021, kButton, L"&FindDialog", 24, 271, 49, 17},
        {1023, kButton, L"&MovingDialog", 24, 295, 49, 17},
        {1058, L"Button", L"HighLight", 92, 148, 46, 120},
        {1022, L"ListBox", L"", 101, 162, 29, 77},
        {1050, kButton, L"&Change", 101, 244, 29, 15},
        {1059, L"Button", L"Color", 92, 281, 46, 65},
        {1051, kButton, L"&Warning", 101, 298, 29, 15},
        {1057, L"Button", L"Font", 14, 148, 69, 173},
        {1024, kButton, L"&ObjInfoView", 24, 211, 49, 17},
        {1054, kButton, L"&ObjInfo", 101, 321, 29, 15},
    };
    ASSERT_EQ(std::size(want), t.items.size());
    for (size_t i = 0; i < t.items.size(); ++i) {
        const TemplateItem& it = t.items[i];
        const auto& w = want[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " (" << w.id << ")");
        EXPECT_EQ(w.id, it.id & 0xFFFF);
        EXPECT_EQ(0, _wcsicmp(w.cls.c_str(), it.cls.c_str())) << std::string(it.cls.begin(), it.cls.end());
        EXPECT_EQ(std::wstring(w.text), it.text);
        EXPECT_EQ(w.x, it.x);
        EXPECT_EQ(w.y, it.y);
        EXPECT_EQ(w.cx, it.cx);
        EXPECT_EQ(w.cy, it.cy);
        if (w.cls == L"Button") {   // the group boxes
            EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), it.style & 0xF);
            EXPECT_TRUE(it.exStyle & WS_EX_TRANSPARENT);
        }
        if (w.id == 0xFFFF) continue;
        HWND h = Item(static_cast<int>(w.id));
        ASSERT_NE(nullptr, h);
        EXPECT_TRUE(::IsWindowVisible(h));
        if (w.cls != kEdit) {
            wchar_t text[128] = {};
            ::GetWindowTextW(h, text, 128);
            EXPECT_EQ(std::wstring(w.text), text);
        }
        // Position and size are mapped each on its own, as the dialog manager does.
        RECT want = {w.x, w.y, w.cx, w.cy};
        ::MapDialogRect(*m_pView, &want);
        want.right += want.left;
        want.bottom += want.top;
        RECT got{};
        ::GetWindowRect(h, &got);
        ::MapWindowPoints(nullptr, *m_pView, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(want.left, got.left);
        EXPECT_EQ(want.top, got.top);
        // An up-down control takes its own width, the owner-drawn list a
        // height that its items fill; every other control keeps its size.
        if (w.cls != UPDOWN_CLASSW) {
            EXPECT_EQ(want.right, got.right);
        }
        if (w.cls != L"ListBox") {
            EXPECT_EQ(want.bottom, got.bottom);
        }
    }

    // A picture of it for the record, where the source tree is known.
    WCHAR src[MAX_PATH] = {};
    if (::GetEnvironmentVariableW(L"ZV_SOURCE_DIR", src, MAX_PATH)) {
        std::wstring dir = std::wstring(L"Z:") + src + L"/screenshots";
        for (wchar_t& c : dir) if (c == L'/') c = L'\\';
        ::CreateDirectoryW(dir.c_str(), nullptr);
        m_pFrame->SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        m_pFrame->RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
        for (int i = 0; i < 10; ++i) { Pump(); ::Sleep(30); }
        EXPECT_TRUE(WriteWindowBitmap(*m_pFrame, dir + L"\\main_form.bmp"));
    }
}

}  // namespace

namespace {

BOOL CALLBACK CollectChild(HWND h, LPARAM l) {
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
    return TRUE;
}

// The text of every label, button and group box of the form fits inside its
// control in the font the dialog got ("MS UI Gothic", or the substitute that
// the Wine prefix maps it to): nothing is cut off or wrapped out of sight.
TEST_F(MainForm, EveryLabelFitsItsControl) {
    ASSERT_NO_FATAL_FAILURE(Open());
    std::vector<HWND> children;
    ::EnumChildWindows(*m_pView, CollectChild, reinterpret_cast<LPARAM>(&children));
    int checked = 0;
    for (HWND h : children) {
        wchar_t cls[32] = {}, text[128] = {};
        ::GetClassNameW(h, cls, 32);
        ::GetWindowTextW(h, text, 128);
        if (!text[0] || (_wcsicmp(cls, L"Static") && _wcsicmp(cls, L"Button"))) continue;
        const LONG style = ::GetWindowLongW(h, GWL_STYLE);
        const bool isStatic = !_wcsicmp(cls, L"Static");
        const bool isGroup = !isStatic && (style & BS_TYPEMASK) == BS_GROUPBOX;
        RECT rc{};
        ::GetClientRect(h, &rc);
        HDC hdc = ::GetDC(h);
        HGDIOBJ old = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        ::GetTextMetricsW(hdc, &tm);
        // A button's text keeps clear of its raised edge (2 pixels each side,
        // one more for the focus rectangle); a group box's caption starts
        // after the frame's corner and leaves room at its end.
        const int room = isStatic ? rc.right : isGroup ? rc.right - 2 * tm.tmAveCharWidth : rc.right - 6;
        RECT need{0, 0, room, 0};
        ::DrawTextW(hdc, text, -1, &need, DT_CALCRECT | (isStatic ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE));
        ::SelectObject(hdc, old);
        ::ReleaseDC(h, hdc);
        ++checked;
        EXPECT_LE(need.right, room) << testing::PrintToString(std::wstring(text)) << " is too wide";
        if (isStatic) { EXPECT_LE(need.bottom, rc.bottom) << testing::PrintToString(std::wstring(text)) << " is too tall"; }
        if (!isStatic && !isGroup) { EXPECT_LE(tm.tmHeight, rc.bottom - 4) << testing::PrintToString(std::wstring(text)); }
    }
    EXPECT_GE(checked, 18) << "the labels of the form were not found";
}

}  // namespace
