// The form tests run with an application object whose registry key is the
// program's own, on a single-threaded apartment like the program's main thread.
#include <gtest/gtest.h>
#include <windows.h>
#include "common/TestMain.h"
#include "framework/App.h"

namespace {
class CFormTestApp : public CWinApp {};
CFormTestApp theApp;
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsAsProgram(theApp);
}
