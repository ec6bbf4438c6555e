// The framework tests' entry: the test application object, then GoogleTest.
#include "TestApp.h"
#include <gtest/gtest.h>

CTestApp theApp;

LRESULT CTestApp::ProcessWndProcException(std::exception_ptr e, const MSG* pMsg) {
    std::wstring text = L"?";
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& x) {
        text.assign(x.what(), x.what() + strlen(x.what()));
    } catch (...) {
    }
    m_exceptions.push_back(text);
    return (pMsg && pMsg->message == WM_CREATE) ? -1 : 0;
}

bool CTestApp::OnCmd(UINT nID, int nCode) {
    if (nID == 40004) {  // the application's own command in the routing table
        m_commands.push_back(nID);
        return true;
    }
    return false;
}

bool PumpUntil(const std::function<bool()>& done, DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    while (!done()) {
        if (::GetTickCount64() > end) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!theApp.PreTranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        ::Sleep(5);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {

BOOL CALLBACK FindDialogProc(HWND h, LPARAM lp) {
    wchar_t cls[32] = {};
    ::GetClassNameW(h, cls, 32);
    if (wcscmp(cls, L"#32770") == 0 && ::IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindThreadDialog(DWORD threadId, DWORD ms) {
    const ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        HWND found = nullptr;
        ::EnumThreadWindows(threadId, FindDialogProc, reinterpret_cast<LPARAM>(&found));
        if (found || ::GetTickCount64() > end) return found;
        ::Sleep(20);
    }
}

DialogCloser::DialogCloser(DWORD threadId, UINT command) {
    m_thread = std::thread([this, threadId, command] {
        HWND h = FindThreadDialog(threadId);
        if (!h) return;
        m_found = true;
        wchar_t text[256] = {};
        ::GetWindowTextW(h, text, 256);
        m_caption = text;
        text[0] = 0;
        ::GetDlgItemTextW(h, 0xFFFF, text, 256);
        m_text = text;
        m_owner = ::GetWindow(h, GW_OWNER);
        ::PostMessageW(h, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    });
}

DialogCloser::~DialogCloser() { Join(); }

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    AfxWinInit(::GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWNORMAL);
    theApp.SetRegistryKey(L"Brisquane");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
