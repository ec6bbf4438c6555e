#include <gtest/gtest.h>
#include <windows.h>
#include "server/core/Messages.h"

namespace {

TEST(Messages, RetriedThreadPost)
{
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);   // this thread gets a queue
    EXPECT_TRUE(PostThreadMessageRetry(GetCurrentThreadId(), UM_SHOW_EXTRACT, 7, 3));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, UM_SHOW_EXTRACT, UM_SHOW_EXTRACT, PM_REMOVE));
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_EQ(7u, msg.wParam);
    EXPECT_EQ(3, msg.lParam);
    // A thread that does not exist: ten tries, then given up.
    EXPECT_FALSE(PostThreadMessageRetry(0xFFFFFFF0u, UM_LOGTHREAD_QUIT, 0, 0));
}

} // namespace
