#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "server/core/Except.h"
#include "framework/App.h"

namespace {

const UINT EX = MB_ICONEXCLAMATION, ST = MB_ICONHAND;
const HRESULT DISC = RPC_E_DISCONNECTED, OOM = E_OUTOFMEMORY;

struct CodeCase { UINT code; const wchar_t* text; UINT icon; HRESULT hr; };

// The whole code table; null text: nothing is shown.
const CodeCase kCodes[] = {
    { 0,  nullptr, 0, S_OK },
    { 1,  L"UnKnown Error", EX, E_FAIL },
    { 2,  nullptr, 0, DISC },
    { 3,  L"Forced stop", EX, DISC },
    { 4,  nullptr, 0, DISC },
    { 5,  nullptr, 0, OOM },
    { 6,  nullptr, 0, OOM },
    { 7,  nullptr, 0, OOM },
    { 8,  L"UnKnown Error", EX, E_FAIL },
    { 9,  L"Memory Allocation Error", EX, OOM },
    { 10, L"Memory Allocation Error (Node)", EX, OOM },
    { 11, L"Memory Allocation Error (BSTR)", EX, OOM },
    { 12, L"Error(Failed) Destroy_LogThread", EX, DISC },
    { 13, L"Error(Failed) CreateResultView", EX, E_FAIL },
    { 14, L"Error(Failed) Insert_ResultTreeItem", EX, E_FAIL },
    { 15, L"Error(Failed) Insert_DialogTreeItem", EX, E_FAIL },
    { 16, L"Error(Failed) Insert_ObjInfoTreeItem", EX, E_FAIL },
    { 17, L"Error(Failed) Insert_ObjInfoListItem", EX, E_FAIL },
    { 18, L"UnKnown Error", EX, E_FAIL },
    { 19, L"Orvanesk (window) is not running", ST, DISC },
    { 20, L"The number of clients exceeds the maximum limit.\nRelease the memory.", ST, DISC },
    { 21, L"Error(Fatal) BeginThread.\nterminate procee.", ST, E_UNEXPECTED },
    { 22, L"Error(Fatal) CreateLogView.\nterminate procee", ST, E_UNEXPECTED },
    { 23, L"Error(Fatal) Insert_TreeItem\nterminate procee", ST, DISC },
    { 24, L"UnKnown Error", ST, E_FAIL },
    { 25, L"UnKnown Error", ST, E_FAIL },
};

TEST(Except, CodeTable)
{
    for (const CodeCase& c : kCodes) {
        SCOPED_TRACE(c.code);
        CExceptInfo info = ExceptInfo(c.code);
        if (c.text) {
            ASSERT_NE(nullptr, info.pszText);
            EXPECT_EQ(std::wstring(c.text), info.pszText);
            EXPECT_EQ(c.icon, info.nIcon);
        } else {
            EXPECT_EQ(nullptr, info.pszText);
        }
        EXPECT_EQ(c.hr, CExcept(c.code).ToHResult());
    }
}

TEST(Except, ThrownByValueCaughtByReference)
{
    try {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    } catch (CExcept& e) {
        EXPECT_EQ(11u, e.m_nCode);
    }
}

// What a message box on this thread showed; the hook closes it at once.
struct CBoxSeen {
    int count = 0;
    std::wstring caption, text;
    UINT icon = 0;
};
CBoxSeen* g_pSeen = nullptr;
HHOOK g_hHook = nullptr;

BOOL CALLBACK ReadChild(HWND h, LPARAM)
{
    WCHAR cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (lstrcmpiW(cls, L"Static") != 0)
        return TRUE;
    LONG style = GetWindowLongW(h, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        HICON hIcon = (HICON)SendMessageW(h, STM_GETICON, 0, 0);
        if (hIcon == LoadIconW(nullptr, IDI_EXCLAMATION)) g_pSeen->icon = MB_ICONEXCLAMATION;
        else if (hIcon == LoadIconW(nullptr, IDI_HAND)) g_pSeen->icon = MB_ICONHAND;
        else if (hIcon) g_pSeen->icon = 1;
        return TRUE;
    }
    WCHAR buf[512] = {};
    GetWindowTextW(h, buf, 512);
    if (buf[0])
        g_pSeen->text = buf;
    return TRUE;
}

LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_ACTIVATE) {
        HWND h = (HWND)wParam;
        WCHAR cls[32] = {};
        GetClassNameW(h, cls, 32);
        if (lstrcmpW(cls, L"#32770") == 0) {
            ++g_pSeen->count;
            WCHAR cap[256] = {};
            GetWindowTextW(h, cap, 256);
            g_pSeen->caption = cap;
            EnumChildWindows(h, ReadChild, 0);
            PostMessageW(h, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_hHook, nCode, wParam, lParam);
}

// Real boxes for one code of each kind (each box costs seconds under Wine);
// the lookup test covers every text and icon.
TEST(Except, ReportShowsTheTableBox)
{
    CWinApp app(L"Zavetra");    // the program's application object gives the caption
    for (const CodeCase& c : kCodes) {
        if (c.text && c.code != 3 && c.code != 20 && c.code != 24)
            continue;
        SCOPED_TRACE(c.code);
        CBoxSeen seen;
        g_pSeen = &seen;
        g_hHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
        ASSERT_NE(nullptr, g_hHook);
        CExcept(c.code).Report();
        UnhookWindowsHookEx(g_hHook);
        g_pSeen = nullptr;
        if (!c.text) {
            EXPECT_EQ(0, seen.count);
            continue;
        }
        EXPECT_EQ(1, seen.count);
        EXPECT_EQ(L"Zavetra", seen.caption);
        // The box shows line feeds as they are.
        EXPECT_EQ(std::wstring(c.text), seen.text);
        EXPECT_EQ(c.icon, seen.icon);
    }
}

} // namespace
