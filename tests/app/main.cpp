// The application tests run as the program does: its application and COM
// module objects, OLE on the main thread (a single-threaded apartment), the
// common controls and the program's registry key, in the test prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "common/TestMain.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"

CZavetraModule g_ZavetraModule;
CZavetraApp theApp;

// The client process of the host tests (host_test.cpp).
int RunEarlyBoundClient();
// The client process of the odd-array test (host_oddarrays_test.cpp).
int RunOddArrayClient();
// The client process of the DECIMAL test (host_decimal_test.cpp).
int RunDecimalClient();

int main(int argc, char** argv) {
    if (argc > 1 && strcmp(argv[1], "--early-bound-client") == 0) return RunEarlyBoundClient();
    if (argc > 1 && strcmp(argv[1], "--odd-array-client") == 0) return RunOddArrayClient();
    if (argc > 1 && strcmp(argv[1], "--decimal-client") == 0) return RunDecimalClient();
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsAsProgram(theApp);
}
