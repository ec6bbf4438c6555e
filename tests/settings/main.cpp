// The settings tests run with an application object (the profile functions
// need it) whose registry key is the program's own, in the test prefix.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "framework/App.h"

namespace {
class CSettingsTestApp : public CWinApp {};
CSettingsTestApp theApp;
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), SW_SHOW)) return 2;
    theApp.SetRegistryKey(L"Brisquane");
    return RUN_ALL_TESTS();
}
