// The window's life: what it keeps when it closes, what it tells its thread,
// how a new font and an error reach it.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <thread>
#include <vector>
#include "common/BoxAnswerer.h"
#include "common/ImportPatch.h"
#include "WindowFixture.h"
#include "objinfo/ObjInfoHints.h"
#include "server/core/Except.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

LONG FontHeight(HWND h) {
    LOGFONTW lf{};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0));
    if (!font || !::GetObjectW(font, sizeof(lf), &lf)) return 0;
    return lf.lfHeight;
}

TEST_F(ObjInfoWindowTest, ClosingKeepsRectangleAndFirstColumnsForTheNextWindow) {
    Add(MakeRecord(L"IThing", {{L"Add", CMemberInfo::MK_METHOD}}));
    m_pFrame->MoveWindow(40, 50, 700, 480, TRUE);
    Data().InterfaceList().SetColumnWidth(0, 101);
    Data().MemberList().SetColumnWidth(0, 97);
    Pump();

    // The frame tells its thread that it is gone.
    m_pFrame->DestroyWindow();
    MSG msg{};
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, UM_OBJINFO_CLOSED, UM_OBJINFO_CLOSED, PM_REMOVE));
    CloseWindow();

    const ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    EXPECT_EQ(40, saved.rcWindow.left);
    EXPECT_EQ(50, saved.rcWindow.top);
    EXPECT_EQ(740, saved.rcWindow.right);
    EXPECT_EQ(530, saved.rcWindow.bottom);
    EXPECT_EQ(101u, saved.nFirstColumn1);
    EXPECT_EQ(97u, saved.nFirstColumn2);

    OpenWindow();
    RECT rc;
    m_pFrame->GetWindowRect(&rc);
    EXPECT_EQ(40, rc.left);
    EXPECT_EQ(50, rc.top);
    EXPECT_EQ(700, rc.right - rc.left);
    EXPECT_EQ(480, rc.bottom - rc.top);
    EXPECT_EQ(101, Data().InterfaceList().GetColumnWidth(0));
    EXPECT_EQ(97, Data().MemberList().GetColumnWidth(0));
}

TEST_F(ObjInfoWindowTest, ANewFontReachesTheTreeAndTheLists) {
    LOGFONTW& font = CAppSettings::Get().Font.ObjInfoWindow;
    const LOGFONTW old = font;
    font.lfHeight = -21;
    m_pDoc->UpdateAllViews(nullptr, OBJINFO_HINT_FONT, nullptr);
    Pump();
    EXPECT_EQ(-21, FontHeight(*m_pFrame->ItemView()));
    EXPECT_EQ(-21, FontHeight(Data().InterfaceList()));
    EXPECT_EQ(-21, FontHeight(Data().DeclarationList()));
    EXPECT_EQ(-21, FontHeight(Data().MemberList()));
    font = old;
}

TEST_F(ObjInfoWindowTest, AnErrorOfAViewIsShownAndClosesTheWindow) {
    const DWORD tid = ::GetCurrentThreadId();
    std::atomic<bool> pressed{false};
    std::thread watcher([&] {
        for (int i = 0; i < 400 && !pressed; ++i) {
            ::Sleep(25);
            HWND box = ::FindWindowW(L"#32770", L"Zavetra");
            if (box && ::GetWindowThreadProcessId(box, nullptr) == tid) {
                ::Sleep(100);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                pressed = true;
            }
        }
    });
    ::PostMessageW(*m_pFrame, UM_OBJINFO_DATA_ERROR, ZV_ERR_INSERT_OBJINFOLIST, 0);
    for (int i = 0; i < 200 && !m_bFrameGone; ++i) Pump();
    watcher.join();
    EXPECT_TRUE(pressed) << "the message was shown";
    EXPECT_TRUE(m_bFrameGone);
}

// A list control that takes no row: every insertion fails, as when the
// control runs out of memory.
WNDPROC g_pfnListProc = nullptr;
LRESULT CALLBACK RefusingListProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == LVM_INSERTITEMW) return -1;
    return ::CallWindowProcW(g_pfnListProc, h, msg, wp, lp);
}

// The declaration list refuses its rows. Selecting another record fails
// twice: the record's update lays the lists out, which puts the empty row
// into the declaration list, and the member's update (none) puts it there
// again; each posts an error. One box is shown, the window closes after it.
TEST_F(ObjInfoWindowTest, ListFailingTwiceShowsOneBoxAndClosesTheWindow) {
    Add(MakeRecord(L"IOther", {{L"Add", CMemberInfo::MK_METHOD}}));
    Add(MakeRecord(L"IThing", {{L"Count", CMemberInfo::MK_PROPGET}}));
    HWND declare = Data().DeclarationList();
    g_pfnListProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(declare, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RefusingListProc)));

    BoxAnswerer answerer(IDOK);
    ASSERT_TRUE(Tree().SelectItem(RootItem(L"IOther")));
    int posted = 0;
    MSG msg{};
    while (::PeekMessageW(&msg, *m_pFrame, UM_OBJINFO_DATA_ERROR, UM_OBJINFO_DATA_ERROR, PM_REMOVE)) ++posted;
    ASSERT_EQ(2, posted) << "errors posted by the failing list";
    for (int i = 0; i < posted; ++i)
        ::PostMessageW(*m_pFrame, UM_OBJINFO_DATA_ERROR, ZV_ERR_INSERT_OBJINFOLIST, 0);
    for (int i = 0; i < 200 && !m_bFrameGone; ++i) Pump();
    for (int i = 0; i < 10; ++i) Pump();   // any further error of the gone window
    EXPECT_TRUE(m_bFrameGone);
    const std::vector<std::wstring> texts = answerer.Texts();
    ASSERT_EQ(1u, texts.size()) << "one box at a time";
    EXPECT_EQ(L"Error(Failed) Insert_ObjInfoListItem", texts[0]);
}

// The user closes the window while its error box is up. What the frame was
// is handed out again at once, as blocks of its size whose first word points
// to a table of stand-in functions and every other word holds a live
// window's handle: a frame that looked at itself after the box would find
// that window and act on it, or call one of the stand-ins.
HWND g_hClosedFrame = nullptr;
HWND g_hProbe = nullptr;
bool g_bFrameUsedAfterBox = false;
INT_PTR StandInVirtual() {
    g_bFrameUsedAfterBox = true;
    return 0;
}
void* g_standInTable[256];
std::vector<void*> g_reused;
LRESULT CALLBACK CloserProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        ::SendMessageW(g_hClosedFrame, WM_CLOSE, 0, 0);
        for (void*& entry : g_standInTable) entry = reinterpret_cast<void*>(&StandInVirtual);
        for (int i = 0; i < 256; ++i) {
            auto** block = static_cast<void**>(::operator new(sizeof(CObjInfoFrame)));
            block[0] = g_standInTable;
            for (size_t k = 1; k < sizeof(CObjInfoFrame) / sizeof(void*); ++k) block[k] = g_hProbe;
            g_reused.push_back(block);
        }
        return 0;
    }
    return ::DefWindowProcW(h, msg, wp, lp);
}

TEST_F(ObjInfoWindowTest, WindowClosedUnderItsErrorBoxIsNotTouchedAfterIt) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &CloserProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZvObjInfoCloser";
    ::RegisterClassW(&wc);
    HWND closer = ::CreateWindowW(L"ZvObjInfoCloser", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(nullptr, closer);
    g_hProbe = ::CreateWindowW(L"STATIC", L"probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                               nullptr);
    ASSERT_NE(nullptr, g_hProbe);
    g_hClosedFrame = *m_pFrame;

    const DWORD tid = ::GetCurrentThreadId();
    std::atomic<bool> pressed{false};
    std::thread user([&] {
        for (int i = 0; i < 400 && !pressed; ++i) {
            ::Sleep(25);
            HWND box = ::FindWindowW(L"#32770", L"Zavetra");
            if (box && ::GetWindowThreadProcessId(box, nullptr) == tid) {
                // Closes the window on its own thread while the box is up.
                ::SendMessageW(closer, WM_APP, 0, 0);
                ::PostMessageW(box, WM_COMMAND, IDOK, 0);
                pressed = true;
            }
        }
    });
    ::PostMessageW(*m_pFrame, UM_OBJINFO_ITEM_ERROR, ZV_ERR_INSERT_OBJINFOITEM, 0);
    for (int i = 0; i < 200 && !pressed; ++i) Pump();
    user.join();
    for (int i = 0; i < 10; ++i) Pump();
    EXPECT_TRUE(pressed) << "the message was shown";
    EXPECT_TRUE(m_bFrameGone);
    EXPECT_FALSE(::IsWindow(g_hClosedFrame));
    EXPECT_TRUE(::IsWindow(g_hProbe)) << "the frame acted after the box";
    EXPECT_FALSE(g_bFrameUsedAfterBox) << "the frame called itself after the box";
    for (void* p : g_reused) ::operator delete(p);
    g_reused.clear();
    ::DestroyWindow(g_hProbe);
    ::DestroyWindow(closer);
}

// With a task bar at the top and left, the platform gives and takes a
// window's placement in workspace coordinates, which start at the work
// area's corner, not the screen's. Wine keeps the two the same, so the
// placement calls go through stand-ins that shift them as such a desktop
// does. The window opens where it was closed, however often it is opened.
constexpr POINT kWorkOrigin{30, 40};
BOOL(WINAPI* g_pfnGetPlacement)(HWND, WINDOWPLACEMENT*) = nullptr;
BOOL(WINAPI* g_pfnSetPlacement)(HWND, const WINDOWPLACEMENT*) = nullptr;
BOOL WINAPI WorkspaceGetPlacement(HWND h, WINDOWPLACEMENT* wp) {
    if (!g_pfnGetPlacement(h, wp)) return FALSE;
    ::OffsetRect(&wp->rcNormalPosition, -kWorkOrigin.x, -kWorkOrigin.y);
    return TRUE;
}
BOOL WINAPI WorkspaceSetPlacement(HWND h, const WINDOWPLACEMENT* wp) {
    WINDOWPLACEMENT screen = *wp;
    ::OffsetRect(&screen.rcNormalPosition, kWorkOrigin.x, kWorkOrigin.y);
    return g_pfnSetPlacement(h, &screen);
}

TEST_F(ObjInfoWindowTest, WindowReopensWhereItWasWithATaskBarAtTheTopLeft) {
    CImportPatch get(L"user32.dll", "GetWindowPlacement", reinterpret_cast<void*>(&WorkspaceGetPlacement));
    CImportPatch set(L"user32.dll", "SetWindowPlacement", reinterpret_cast<void*>(&WorkspaceSetPlacement));
    ASSERT_GT(get.Patched(), 0);
    g_pfnGetPlacement = reinterpret_cast<decltype(g_pfnGetPlacement)>(get.Real());
    g_pfnSetPlacement = reinterpret_cast<decltype(g_pfnSetPlacement)>(set.Real());
    m_pFrame->MoveWindow(100, 120, 600, 400, TRUE);
    Pump();
    for (int round = 1; round <= 3; ++round) {
        CloseWindow();
        OpenWindow();
        RECT rc;
        m_pFrame->GetWindowRect(&rc);
        EXPECT_EQ(100, rc.left) << "opening " << round;
        EXPECT_EQ(120, rc.top) << "opening " << round;
        EXPECT_EQ(600, rc.right - rc.left) << "opening " << round;
        EXPECT_EQ(400, rc.bottom - rc.top) << "opening " << round;
    }
}

}  // namespace
