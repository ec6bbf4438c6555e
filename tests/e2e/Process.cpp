#include "Process.h"

#include <algorithm>

std::wstring ZavetraExe() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    for (int i = 0; i < 2; ++i) p = p.substr(0, p.find_last_of(L"\\/"));
    return p + L"\\Zavetra.exe";
}

std::wstring TempDir() {
    wchar_t buf[MAX_PATH];
    GetTempPathW(MAX_PATH, buf);
    std::wstring dir = std::wstring(buf) + L"zv_e2e";
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool CProcess::Start(const std::wstring& cmdLine, const std::wstring& outputFile) {
    End();
    STARTUPINFOW si = {sizeof(si)};
    HANDLE hOut = INVALID_HANDLE_VALUE;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
        hOut = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hOut == INVALID_HANDLE_VALUE) return false;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = nullptr;
        si.hStdOutput = hOut;
        si.hStdError = hOut;
    }
    std::wstring cmd = cmdLine;
    BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, hOut != INVALID_HANDLE_VALUE,
                             0, nullptr, nullptr, &si, &m_pi);
    if (hOut != INVALID_HANDLE_VALUE) CloseHandle(hOut);
    if (!ok) {
        m_pi = {};
        return false;
    }
    return true;
}

bool CProcess::Running() const {
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD CProcess::Wait(DWORD ms) {
    if (!m_pi.hProcess) return STILL_ACTIVE;
    if (WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

bool CProcess::WaitWatchingWindows(DWORD ms, bool* pSawWindow, DWORD* pExitCode) {
    *pSawWindow = false;
    ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        if (!VisibleWindowsOf(m_pi.dwProcessId).empty()) *pSawWindow = true;
        if (WaitForSingleObject(m_pi.hProcess, 5) == WAIT_OBJECT_0) {
            GetExitCodeProcess(m_pi.hProcess, pExitCode);
            return true;
        }
    }
    return false;
}

namespace {
struct FindData {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND hWnd, LPARAM lParam) {
    auto* d = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hWnd, &pid);
    if ((d->pid == 0 || pid == d->pid) && IsWindowVisible(hWnd)) d->found.push_back(hWnd);
    return TRUE;
}

bool IsMessageBox(HWND hWnd) {
    wchar_t cls[64] = {};
    GetClassNameW(hWnd, cls, 64);
    return wcscmp(cls, L"#32770") == 0;
}
}  // namespace

std::vector<HWND> VisibleWindowsOf(DWORD pid) {
    FindData d{pid, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&d));
    return d.found;
}

HWND CProcess::WaitForMainWindow(DWORD ms, std::wstring* pBoxText) {
    ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end && Running()) {
        for (HWND h : VisibleWindowsOf(m_pi.dwProcessId)) {
            if (!IsMessageBox(h)) return h;
            if (pBoxText) {
                wchar_t text[512] = {};
                GetDlgItemTextW(h, 0xFFFF, text, 512);
                *pBoxText = text;
                return nullptr;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

void CProcess::End() {
    if (!m_pi.hProcess) return;
    if (Running()) {
        // Message boxes first, then the windows they held up.
        for (int i = 0; i < 20 && Running(); ++i) {
            for (HWND h : VisibleWindowsOf(m_pi.dwProcessId)) PostMessageW(h, WM_CLOSE, 0, 0);
            WaitForSingleObject(m_pi.hProcess, 500);
        }
        if (WaitForSingleObject(m_pi.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
    }
    CloseHandle(m_pi.hThread);
    CloseHandle(m_pi.hProcess);
    m_pi = {};
}

HWND WaitForMessageBox(DWORD pid, DWORD ms, std::wstring* pText, DWORD* pOwnerPid) {
    ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        for (HWND h : VisibleWindowsOf(pid)) {
            wchar_t caption[64] = {};
            GetWindowTextW(h, caption, 64);
            if (IsMessageBox(h) && wcscmp(caption, L"Zavetra") == 0) {
                if (pText) {
                    wchar_t text[512] = {};
                    GetDlgItemTextW(h, 0xFFFF, text, 512);
                    *pText = text;
                }
                if (pOwnerPid) GetWindowThreadProcessId(h, pOwnerPid);
                return h;
            }
        }
        Sleep(50);
    }
    return nullptr;
}

void CloseMessageBox(HWND hBox) { PostMessageW(hBox, WM_COMMAND, IDOK, 0); }

std::wstring ReadFileText(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return L"<no file>";
    std::string bytes;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) bytes.append(buf, n);
    CloseHandle(h);
    std::wstring w(bytes.size(), L'\0');
    int len = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(),
                                  static_cast<int>(w.size()));
    w.resize(std::max(len, 0));
    return w;
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(h);
    return ok && n == text.size();
}
