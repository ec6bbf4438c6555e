// The object-information window's tests run their windows on the test's own
// thread, a user-interface thread with the program's registry key, under
// OLE like the log thread's frames see it.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include "common/TestMain.h"
#include "framework/App.h"

namespace {
class CObjInfoWinTestApp : public CWinApp {};
CObjInfoWinTestApp theApp;
}  // namespace

int main(int argc, char** argv) {
    // Started by a test as another program that holds the clipboard open
    // for a while: --hold-clipboard <ms> <event signalled once it holds it>.
    if (argc == 4 && strcmp(argv[1], "--hold-clipboard") == 0) {
        // Held for a window, as a program holds it.
        HWND hOwner = ::CreateWindowExW(0, L"STATIC", L"holder", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        if (!hOwner || !::OpenClipboard(hOwner)) return 1;
        if (HANDLE h = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[3])) {
            ::SetEvent(h);
            ::CloseHandle(h);
        }
        ::Sleep(static_cast<DWORD>(atoi(argv[2])));
        ::CloseClipboard();
        return 0;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RunTestsAsProgram(theApp);
}
