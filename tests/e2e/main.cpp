// The end-to-end tests are a COM client in a single-threaded apartment; the
// in-process tests of the Connect object run on the same thread.
#include <gtest/gtest.h>
#include <windows.h>
#include "common/TestMain.h"

#include "framework/App.h"

// The thread object of the in-process tests (their main window is set by
// the tests that need one).
CWinApp g_testApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsInApartment();
}
