// The COM tests run in one single-threaded apartment, like the program.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
