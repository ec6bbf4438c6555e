// The start of a test executable's main(), after InitGoogleTest: the
// apartment and, for the tests of windows, what the program sets up first.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "framework/App.h"

// Runs the tests in a single-threaded apartment (OLE), like the program's
// main thread; 2 when OLE cannot start.
inline int RunTestsInApartment()
{
    if (FAILED(::OleInitialize(nullptr)))
        return 2;
    const int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}

// Runs the tests as the program starts: the common controls, OLE on this
// thread, the application object app and the program's registry key.
inline int RunTestsAsProgram(CWinApp& app)
{
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (FAILED(::OleInitialize(nullptr)))
        return 2;
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), SW_SHOW))
        return 2;
    app.SetRegistryKey(L"Brisquane");
    const int rc = RUN_ALL_TESTS();
    ::OleUninitialize();
    return rc;
}
