// The object-information window's tests run their windows on the test's own
// thread, a user-interface thread with the program's registry key, under
// OLE like the log thread's frames see it.
#include <gtest/gtest.h>
#include "common/TestMain.h"
#include "framework/App.h"

namespace {
class CObjInfoWinTestApp : public CWinApp {};
CObjInfoWinTestApp theApp;
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsAsProgram(theApp);
}
