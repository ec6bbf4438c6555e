// The window's life: what it keeps when it closes, what it tells its thread,
// how a new font and an error reach it.
#include <gtest/gtest.h>
#include <windows.h>
#include <atomic>
#include <thread>
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

}  // namespace
