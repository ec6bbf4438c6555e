// The find dialog's tests run as the program does: its application and COM
// module objects, the real log windows and the search dialogs plugged in.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/TestMain.h"
#include "logwindows/RegisterLogWindows.h"
#include "search/dialogs/RegisterSearchDialogs.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;
CZavetraApp theApp;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    RegisterLogWindows();
    RegisterSearchDialogs();
    return RunTestsAsProgram(theApp);
}
