// The capture tests run in the single-threaded apartment, as the program's
// main thread does.
#include <windows.h>
#include <ole2.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    OleInitialize(nullptr);
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
