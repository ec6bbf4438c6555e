#include "bench/support/HandOver.h"

#include "bench/support/Timing.h"
#include "server/core/Messages.h"

namespace {

const wchar_t kLogEndClass[] = L"ZvBenchLogEnd";
const wchar_t kMainEndClass[] = L"ZvBenchMainEnd";

// The log end answers a send whose wParam names the main end's window.
LRESULT CALLBACK LogEndProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == UM_ADD_ENTRY) {
        if (w) ::PostMessageW(reinterpret_cast<HWND>(w), UM_CONTINUE, 0, 0);
        return 0;
    }
    return ::DefWindowProcW(h, m, w, l);
}

// The second thread: the log thread's side of the protocol.
struct CLogEndStart {
    HANDLE hReady;
    HWND hLogEnd;
};

DWORD WINAPI LogEndThread(void* p) {
    auto* s = static_cast<CLogEndStart*>(p);
    const HWND hLogEnd = ::CreateWindowExW(0, kLogEndClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                           ::GetModuleHandleW(nullptr), nullptr);
    s->hLogEnd = hLogEnd;
    ::SetEvent(s->hReady);   // s is the creator's, gone after this
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    if (hLogEnd) ::DestroyWindow(hLogEnd);
    return 0;
}

}  // namespace

CHandOver::CHandOver() {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = LogEndProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kLogEndClass;
    ::RegisterClassExW(&wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.lpszClassName = kMainEndClass;
    ::RegisterClassExW(&wc);
    m_hMainEnd = ::CreateWindowExW(0, kMainEndClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    HANDLE hReady = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CLogEndStart start{hReady, nullptr};
    m_hThread = ::CreateThread(nullptr, 0, LogEndThread, &start, 0, &m_idThread);
    if (m_hThread) ::WaitForSingleObject(hReady, INFINITE);
    ::CloseHandle(hReady);
    m_hLogEnd = start.hLogEnd;
}

CHandOver::~CHandOver() {
    if (m_hThread) {
        ::PostThreadMessageW(m_idThread, WM_QUIT, 0, 0);
        ::WaitForSingleObject(m_hThread, INFINITE);
        ::CloseHandle(m_hThread);
    }
    if (m_hMainEnd) ::DestroyWindow(m_hMainEnd);
}

double CHandOver::RoundTrip() const {
    const double t0 = Now();
    ::SendMessageW(m_hLogEnd, UM_ADD_ENTRY, reinterpret_cast<WPARAM>(m_hMainEnd), 0);
    MSG msg;
    // The main frame's wait loop: only its own messages, nothing dispatched.
    while (::GetMessageW(&msg, nullptr, UM_WAIT_FIRST, UM_WAIT_LAST) > 0 && msg.message != UM_CONTINUE) {
    }
    return Now() - t0;
}

double CHandOver::Send() const {
    const double t0 = Now();
    ::SendMessageW(m_hLogEnd, UM_ADD_ENTRY, 0, 0);
    return Now() - t0;
}
