// The external scroll bar of the log window lies over the right edge of its
// view: it stays on the screen however often the view paints itself.
#include <gtest/gtest.h>

#include "LogWindow.h"
#include "SearchWindows.h"
#include "StartZavetra.h"

namespace {

TEST(LogWindowScrollBar, StaysOnTheScreenWhenTheViewPaints) {
    CZavetra zv;
    ASSERT_NO_FATAL_FAILURE(StartZavetra(zv));
    SetWindowPos(zv.LogFrame(), HWND_TOP, 0, 0, 500, 500, SWP_NOACTIVATE);
    CScriptClient c;
    ASSERT_TRUE(c.Start(L"scrollbar.vbs", "Set z = CreateObject(\"Zavetra.Connect\")\n"
                                          "For i = 1 To 100 : z.Tr \"line\", Array(\"n\", i) : Next\n"));
    ASSERT_EQ(0u, c.Wait(120000));
    ASSERT_TRUE(WaitUntil([&] { return zv.ButtonEnabled(kCmdReleaseMemory); }));
    // Nothing else over the log window.
    SetWindowPos(zv.MainWindow(), HWND_BOTTOM, 600, 600, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(zv.LogFrame(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    HWND hBar = FindChildOfClass(zv.LogFrame(), L"ScrollBar");
    ASSERT_NE(nullptr, hBar);
    RECT bar = {};
    GetWindowRect(hBar, &bar);
    ASSERT_GT(bar.bottom - bar.top, 100);
    // The view paints itself anew, to the end.
    HWND hView = zv.Tree().Window();
    RedrawWindow(hView, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_TRUE(WaitUntil([&] { return !GetUpdateRect(hView, nullptr, FALSE); }));
    ASSERT_TRUE(FlushThread(hView));
    // Down the middle of the bar: its arrows and thumb, not the view's background.
    const COLORREF background = ScreenPixel((bar.left + bar.right) / 2 - 40, (bar.top + bar.bottom) / 2);
    int own = 0;
    for (int y = bar.top + 1; y < bar.bottom - 1; ++y)
        if (ScreenPixel((bar.left + bar.right) / 2, y) != background) ++own;
    EXPECT_GT(own, 10) << "the view painted over its scroll bar";
    EXPECT_EQ(0u, zv.Quit());
}

}  // namespace
