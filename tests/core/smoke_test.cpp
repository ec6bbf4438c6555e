#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>
TEST(Smoke, Bstr) { BSTR b = SysAllocString(L"abc"); EXPECT_EQ(3u, SysStringLen(b)); SysFreeString(b); }
