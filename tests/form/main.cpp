// The form tests run with an application object whose registry key is the
// program's own, on a single-threaded apartment like the program's main thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include "framework/App.h"

namespace {
class CFormTestApp : public CWinApp {};
CFormTestApp theApp;
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (FAILED(::OleInitialize(nullptr))) return 2;
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), SW_SHOW)) return 2;
    theApp.SetRegistryKey(L"Brisquane");
    const int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}
