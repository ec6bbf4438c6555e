// The window as the real log thread opens it through the slot that
// RegisterObjInfoWindow fills: records sent to the thread show newest first,
// a closed window is forgotten and the next record opens a fresh one at the
// saved place.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "WindowFixture.h"
#include "logwindows/LogTreeThread.h"
#include "objinfo/RegisterObjInfoWindow.h"
#include "server/core/Messages.h"
#include "server/settings/AppSettings.h"

namespace {

// Stands for the main frame: a message-only window that notes the log
// window's arrival.
class MainStandIn {
public:
    MainStandIn() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"ZvObjInfoMainStandIn";
        ::RegisterClassW(&wc);
        m_hWnd = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~MainStandIn() { ::DestroyWindow(m_hWnd); }
    HWND m_hWnd;
    static inline bool s_bLogWindow = false;

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
        if (m == UM_LOGVIEW_CREATED && wp) s_bLogWindow = true;
        return ::DefWindowProcW(h, m, wp, lp);
    }
};

struct FindArgs { LPCWSTR title; HWND found; };

BOOL CALLBACK FindProc(HWND h, LPARAM lp) {
    auto* args = reinterpret_cast<FindArgs*>(lp);
    WCHAR title[64] = {};
    ::GetWindowTextW(h, title, 64);
    if (wcscmp(title, args->title) == 0 && ::IsWindowVisible(h)) {
        args->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindThreadWindow(DWORD tid, LPCWSTR title) {
    FindArgs args{title, nullptr};
    ::EnumThreadWindows(tid, FindProc, reinterpret_cast<LPARAM>(&args));
    return args.found;
}

// Pumps until done() or about five seconds have passed.
template <class F>
bool WaitFor(F done) {
    for (int i = 0; i < 500; ++i) {
        if (done()) return true;
        Pump();
        ::Sleep(10);
    }
    return done();
}

HWND TreeOf(HWND frame) {
    HWND splitter = ::GetDlgItem(frame, AFX_IDW_PANE_FIRST);
    return splitter ? ::GetDlgItem(splitter, AFX_IDW_PANE_FIRST) : nullptr;
}

std::vector<std::wstring> RootTextsOf(HWND tree) {
    std::vector<std::wstring> texts;
    auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (; item; item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                    reinterpret_cast<LPARAM>(item)))) {
        WCHAR text[64] = {};
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = text;
        tv.cchTextMax = 64;
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
        texts.push_back(text);
    }
    return texts;
}

TEST(ObjInfoOnTheLogThread, RecordsOpenTheWindowAndAClosedWindowMakesRoomForAFreshOne) {
    RegisterObjInfoWindow();
    ObjInfoWindowPlacement& saved = CAppSettings::Get().Window.ObjInfoWindow;
    saved = ObjInfoWindowPlacement{};
    saved.rcWindow = RECT{30, 30, 730, 530};

    MainStandIn main;
    MainStandIn::s_bLogWindow = false;
    auto* thread = dynamic_cast<CLogTreeThread*>(CLogTreeThread::CreateForMainFrame(main.m_hWnd));
    ASSERT_NE(nullptr, thread);
    HANDLE handle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &handle, SYNCHRONIZE, FALSE, 0);
    const DWORD tid = thread->m_nThreadID;
    thread->ResumeThread();
    ASSERT_TRUE(WaitFor([] { return MainStandIn::s_bLogWindow; })) << "the log window";

    thread->PostThreadMessage(UM_SHOW_OBJINFO, reinterpret_cast<WPARAM>(MakeRecord(L"IFirst", {{L"Add", 1}})), 0);
    thread->PostThreadMessage(UM_SHOW_OBJINFO, 0, 0);   // nothing to show: nothing happens
    thread->PostThreadMessage(UM_SHOW_OBJINFO, reinterpret_cast<WPARAM>(MakeRecord(L"ISecond")), 0);
    HWND frame = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        frame = FindThreadWindow(tid, L"ObjectInfoView");
        return frame && RootTextsOf(TreeOf(frame)).size() == 2;
    }));
    EXPECT_EQ((std::vector<std::wstring>{L"ISecond", L"IFirst"}), RootTextsOf(TreeOf(frame)));
    RECT rc;
    ::GetWindowRect(frame, &rc);
    EXPECT_EQ(30, rc.left);
    EXPECT_EQ(700, rc.right - rc.left);

    // The user moves and closes it; the next record opens a fresh window there.
    ::SetWindowPos(frame, nullptr, 60, 70, 640, 450, SWP_NOZORDER | SWP_NOACTIVATE);
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !::IsWindow(frame); }));
    thread->PostThreadMessage(UM_SHOW_OBJINFO, reinterpret_cast<WPARAM>(MakeRecord(L"IThird")), 0);
    ASSERT_TRUE(WaitFor([&] {
        frame = FindThreadWindow(tid, L"ObjectInfoView");
        return frame && !RootTextsOf(TreeOf(frame)).empty();
    }));
    EXPECT_EQ((std::vector<std::wstring>{L"IThird"}), RootTextsOf(TreeOf(frame)));
    ::GetWindowRect(frame, &rc);
    EXPECT_EQ(60, rc.left);
    EXPECT_EQ(70, rc.top);
    EXPECT_EQ(640, rc.right - rc.left);

    thread->PostThreadMessage(UM_LOGTHREAD_QUIT, 0, 0);
    for (int i = 0; i < 500 && ::WaitForSingleObject(handle, 10) == WAIT_TIMEOUT; ++i) Pump();
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(handle, 0)) << "the log thread ended";
    ::CloseHandle(handle);
    Pump();
}

}  // namespace
