// The extract and move dialogs' tests run as the program does: its
// application and COM module objects, the real log windows and the two
// dialogs plugged into the log thread.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/TestMain.h"
#include "logwindows/RegisterLogWindows.h"
#include "search/dialogs/RegisterExtractAndMoveDialogs.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;
CZavetraApp theApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterLogWindows();
    RegisterExtractAndMoveDialogs();
    return RunTestsAsProgram(theApp);
}
