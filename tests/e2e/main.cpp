// The end-to-end tests are a COM client in a single-threaded apartment; the
// in-process tests of the Connect object run on the same thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include "framework/App.h"

// The thread object of the in-process tests (their main window is set by
// the tests that need one).
CWinApp g_testApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) return 2;
    int rc = RUN_ALL_TESTS();
    OleUninitialize();
    return rc;
}
