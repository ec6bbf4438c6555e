// The splitter of the object-information window while its bar is dragged:
// the panes follow the bar, the lists hide their scroll bars, and how the
// drag ends decides the width that the window keeps.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include "WindowFixture.h"
#include "server/settings/AppSettings.h"

namespace {

class SplitterTest : public ObjInfoWindowTest {
protected:
    void SetUp() override {
        ObjInfoWindowTest::SetUp();
        Add(MakeRecord(L"IThing", {{L"Add", CMemberInfo::MK_METHOD}}));
    }

    CSplitterWndEx2& Splitter() { return m_pFrame->Splitter(); }
    RECT Inside() {
        RECT rc;
        Splitter().GetInsideRect(rc);
        return rc;
    }
    RECT PaneRect(int col) {
        RECT rc;
        Splitter().GetPane(0, col)->GetWindowRect(&rc);
        Splitter().ScreenToClient(&rc);
        return rc;
    }
    int LeftWidth() { return PaneRect(0).right - PaneRect(0).left; }
    int Column0() {
        int cx = 0, cxMin = 0;
        Splitter().GetColumnInfo(0, cx, cxMin);
        return cx;
    }
    bool ListsTracking() {
        return Data().InterfaceList().m_bTracking && Data().DeclarationList().m_bTracking &&
               Data().MemberList().m_bTracking;
    }
    bool ListsNotTracking() {
        return !Data().InterfaceList().m_bTracking && !Data().DeclarationList().m_bTracking &&
               !Data().MemberList().m_bTracking;
    }

    // Presses the left button on the middle of the bar (the pointer put
    // there too: the drag measures from it); returns that client point.
    POINT PressOnBar() {
        const RECT left = PaneRect(0);
        POINT pt{left.right + 1 + 2, (left.top + left.bottom) / 2};
        POINT screen = pt;
        Splitter().ClientToScreen(&screen);
        ::SetCursorPos(screen.x, screen.y);
        Splitter().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        return pt;
    }
    void MoveTo(POINT pt) { Splitter().SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y)); }

    // Both panes stand where the bar at tracker puts them.
    void ExpectPanesAtBar(const RECT& tracker, const char* what) {
        const RECT inside = Inside();
        EXPECT_EQ(inside.left, PaneRect(0).left) << what;
        EXPECT_EQ(std::max<LONG>(0, tracker.left - inside.left - 1), LeftWidth()) << what;
        EXPECT_EQ(tracker.right + 2, PaneRect(1).left) << what;
        EXPECT_EQ(std::max<LONG>(0, inside.right - (tracker.right + 2)), PaneRect(1).right - PaneRect(1).left) << what;
        EXPECT_EQ(inside.bottom - inside.top, PaneRect(1).bottom - PaneRect(1).top) << what;
    }
};

TEST_F(SplitterTest, TheWindowOpensAtTheSavedRectangleWithTheDefaultPaneWidth) {
    RECT rc;
    m_pFrame->GetWindowRect(&rc);
    EXPECT_EQ(20, rc.left);
    EXPECT_EQ(20, rc.top);
    EXPECT_EQ(800, rc.right - rc.left);
    EXPECT_EQ(600, rc.bottom - rc.top);
    EXPECT_EQ(L"ObjectInfoView", m_pFrame->GetWindowText());
    EXPECT_EQ(nullptr, m_pFrame->GetMenu()) << "the template's menu is not shown";
    EXPECT_EQ(OBJINFO_DEFAULT_PANE_WIDTH, LeftWidth());
    EXPECT_EQ(OBJINFO_DEFAULT_PANE_WIDTH, Column0());
}

TEST_F(SplitterTest, PanesFollowTheBarWithinItsLimits) {
    const POINT start = PressOnBar();
    ASSERT_TRUE(Splitter().IsTracking());
    EXPECT_EQ(Splitter().m_hWnd, ::GetCapture());
    EXPECT_TRUE(ListsTracking());
    const RECT inside = Inside();
    const int barLeft = Splitter().GetTrackerRect().left;

    struct Step { int dx; int dy; int expectedBarLeft; const char* what; };
    const Step steps[] = {
        {40, 0, barLeft + 40, "right by 40"},
        {40, 60, barLeft + 40, "down only: nothing moves"},
        {-30, 0, barLeft - 30, "left of the start"},
        {-2000, 0, static_cast<int>(inside.left) + 1, "far left: the left pane at width 0"},
        {2000, 0, static_cast<int>(inside.right) - 2 - (Splitter().GetTrackerRect().right - Splitter().GetTrackerRect().left),
         "far right: the right pane at width 0"},
        {100, 0, barLeft + 100, "back inside"},
    };
    for (const Step& s : steps) {
        MoveTo(POINT{start.x + s.dx, start.y + s.dy});
        EXPECT_EQ(s.expectedBarLeft, Splitter().GetTrackerRect().left) << s.what;
        ExpectPanesAtBar(Splitter().GetTrackerRect(), s.what);
        EXPECT_TRUE(Splitter().IsTracking()) << s.what;
    }

    // Releasing the button keeps the width.
    const int dragged = LeftWidth();
    Splitter().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(start.x + 100, start.y));
    Pump();
    EXPECT_FALSE(Splitter().IsTracking());
    EXPECT_NE(Splitter().m_hWnd, ::GetCapture());
    EXPECT_TRUE(ListsNotTracking());
    EXPECT_EQ(dragged, Column0());
    EXPECT_EQ(dragged, LeftWidth());
}

TEST_F(SplitterTest, EscapeKeepsTheDraggedWidthAndTheWindowSavesIt) {
    const POINT start = PressOnBar();
    MoveTo(POINT{start.x + 55, start.y});
    const int dragged = LeftWidth();
    ASSERT_EQ(OBJINFO_DEFAULT_PANE_WIDTH + 55, dragged);
    Splitter().SendMessage(WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(Splitter().IsTracking());
    EXPECT_TRUE(ListsNotTracking());
    EXPECT_EQ(dragged, Column0());
    EXPECT_EQ(dragged, LeftWidth());

    CloseWindow();
    EXPECT_EQ(static_cast<UINT>(dragged), CAppSettings::Get().Window.ObjInfoWindow.nLeftPaneWidth);
    OpenWindow();
    EXPECT_EQ(dragged, LeftWidth());
}

TEST_F(SplitterTest, ADragThatLosesTheCaptureLeavesPanesAndSavedWidthInStep) {
    const POINT start = PressOnBar();
    MoveTo(POINT{start.x + 70, start.y});
    ASSERT_EQ(OBJINFO_DEFAULT_PANE_WIDTH + 70, LeftWidth());

    // Another window takes the mouse in the middle of the drag.
    ::SetCapture(Data().m_hWnd);
    MoveTo(POINT{start.x + 90, start.y});
    ::ReleaseCapture();
    Pump();
    EXPECT_FALSE(Splitter().IsTracking());
    EXPECT_TRUE(ListsNotTracking());
    // Not accepted: the panes are back at the column's width.
    EXPECT_EQ(OBJINFO_DEFAULT_PANE_WIDTH, Column0());
    EXPECT_EQ(Column0(), LeftWidth());
    const RECT inside = Inside();
    EXPECT_EQ(inside.left + Column0() + 1 + 4 + 2, PaneRect(1).left);

    // A later pointer movement moves nothing.
    MoveTo(POINT{start.x + 120, start.y});
    EXPECT_EQ(Column0(), LeftWidth());

    const int shown = LeftWidth();
    CloseWindow();
    EXPECT_EQ(static_cast<UINT>(shown), CAppSettings::Get().Window.ObjInfoWindow.nLeftPaneWidth);
    OpenWindow();
    EXPECT_EQ(shown, LeftWidth());
}

TEST_F(SplitterTest, ListsHideTheirScrollBarsDuringADrag) {
    // A low frame: the member list cannot show all rows of a long member.
    CObjInfo* info = MakeRecord(L"ILong", {{L"Many", CMemberInfo::MK_METHOD, L"LONG", 1, L"",
                                           {{L"LONG", L"a"}, {L"LONG", L"b"}, {L"LONG", L"c"}, {L"LONG", L"d"},
                                            {L"LONG", L"e"}, {L"LONG", L"f"}}}});
    Add(info);
    ASSERT_TRUE(Tree().SelectItem(ChildItem(RootItem(L"ILong"), L"Many")));
    m_pFrame->MoveWindow(20, 20, 800, 360, TRUE);
    Pump();
    CListCtrlEx& members = Data().MemberList();
    ASSERT_TRUE(members.HasMoreRowsThanPage());
    ASSERT_TRUE(members.GetStyle() & WS_VSCROLL);

    const POINT start = PressOnBar();
    MoveTo(POINT{start.x + 30, start.y});
    Pump();
    EXPECT_FALSE(members.GetStyle() & (WS_VSCROLL | WS_HSCROLL));
    Splitter().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(start.x + 30, start.y));
    Pump();
    EXPECT_TRUE(members.GetStyle() & WS_VSCROLL);
}

// The bar is drawn where it is dragged, never as the base's inverted
// tracker: not when the drag starts, not while it moves, not when it ends.
TEST_F(SplitterTest, TheBarIsNeverInvertedDuringADrag) {
    ::SetWindowPos(*m_pFrame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    Splitter().RedrawWindow(nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Pump();
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF;
    auto barPixel = [&] {
        const RECT& bar = Splitter().GetTrackerRect();
        HDC dc = ::GetDC(Splitter());
        const COLORREF c = ::GetPixel(dc, (bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2);
        ::ReleaseDC(Splitter(), dc);
        return c;
    };
    const POINT start = PressOnBar();
    ASSERT_TRUE(Splitter().IsTracking());
    EXPECT_EQ(face, barPixel()) << "at the start";
    MoveTo(POINT{start.x + 40, start.y});
    EXPECT_EQ(face, barPixel()) << "moved";
    Splitter().SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(start.x + 40, start.y));
    ASSERT_FALSE(Splitter().IsTracking());
    EXPECT_EQ(face, barPixel()) << "released, before the splitter repaints";
}

}  // namespace
