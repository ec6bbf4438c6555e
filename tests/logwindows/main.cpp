// The tree-window tests run as the program does: its application and COM
// module objects, OLE on the main thread, the common controls and the
// program's registry key, in the test prefix; the real log windows are
// plugged into the main frame.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/TestMain.h"
#include "logwindows/RegisterLogWindows.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;
CZavetraApp theApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterLogWindows();
    return RunTestsAsProgram(theApp);
}
