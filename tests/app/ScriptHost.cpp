#include "ScriptHost.h"

#include <cstdio>

#include "resources/resource.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"
#include "server/core/Messages.h"

std::wstring ScriptFolder(const wchar_t* pszName) {
    wchar_t buf[MAX_PATH];
    ::GetTempPathW(MAX_PATH, buf);
    std::wstring dir = std::wstring(buf) + pszName;
    ::CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool WriteText(const std::wstring& path, const std::string& text) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = ::WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    ::CloseHandle(h);
    return ok && n == text.size();
}

std::string ReadText(const std::wstring& path, const char* pszIfMissing) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return pszIfMissing;
    std::string s;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) s.append(buf, n);
    ::CloseHandle(h);
    return s;
}

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

std::wstring CscriptCommand(const std::wstring& script) { return L"cscript.exe //nologo \"" + script + L"\""; }

bool StartClient(const std::wstring& cmd, const std::wstring& outPath, PROCESS_INFORMATION* pi) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE hOut = ::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOut;
    si.hStdError = hOut;
    std::wstring line = cmd;   // CreateProcessW may write to it
    BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, pi);
    ::CloseHandle(hOut);
    return started != FALSE;
}

namespace {

// The size of the file, or -1 when it cannot be read.
LONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return -1;
    return (static_cast<LONGLONG>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// Restarts of clients whose script never began, summed over the current
// test, and recorded as its property.
void CountRestart(size_t client, const std::wstring& outPath) {
    static const ::testing::TestInfo* pTest = nullptr;
    static int nRestarts = 0;
    const ::testing::TestInfo* pNow = ::testing::UnitTest::GetInstance()->current_test_info();
    if (pNow != pTest) {
        pTest = pNow;
        nRestarts = 0;
    }
    ++nRestarts;
    std::fprintf(stderr, "[ clients  ] client %zu printed nothing, its script never began (%ls): started again\n",
                 client + 1, outPath.c_str());
    if (pNow) ::testing::Test::RecordProperty("clients_restarted", nRestarts);
}

std::vector<ClientRun> Run(const std::vector<ClientCommand>& clients, DWORD ms, bool bRestartUnbegun) {
    std::vector<ClientRun> runs(clients.size());
    std::vector<PROCESS_INFORMATION> pis(clients.size());
    std::vector<ULONGLONG> startedAt(clients.size());
    std::vector<bool> done(clients.size());   // ended, or terminated here
    for (size_t i = 0; i < clients.size(); ++i) {
        runs[i].started = StartClient(clients[i].cmd, clients[i].outPath, &pis[i]);
        startedAt[i] = ::GetTickCount64();
    }
    ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        std::vector<HANDLE> running;
        for (size_t i = 0; i < clients.size(); ++i) {
            if (!runs[i].started || done[i]) continue;
            bool bExited = ::WaitForSingleObject(pis[i].hProcess, 0) == WAIT_OBJECT_0;
            bool bSilent = bRestartUnbegun && FileSize(clients[i].outPath) == 0;
            bool bKilled = false;
            if (bSilent && !bExited && ::GetTickCount64() - startedAt[i] >= kClientBeginMs) {
                ::TerminateProcess(pis[i].hProcess, 99);
                ::WaitForSingleObject(pis[i].hProcess, 10000);
                bExited = bKilled = true;
                bSilent = FileSize(clients[i].outPath) == 0;   // it may have begun at the last moment
            }
            if (!bExited) {
                running.push_back(pis[i].hProcess);
                continue;
            }
            if (bSilent && runs[i].restarts < kClientRestarts) {
                ::CloseHandle(pis[i].hThread);
                ::CloseHandle(pis[i].hProcess);
                pis[i] = {};
                ++runs[i].restarts;
                CountRestart(i, clients[i].outPath);
                runs[i].started = StartClient(clients[i].cmd, clients[i].outPath, &pis[i]);
                startedAt[i] = ::GetTickCount64();
                if (runs[i].started) running.push_back(pis[i].hProcess);
                continue;
            }
            done[i] = true;
            runs[i].ended = !bKilled;
        }
        if (running.empty() || ::GetTickCount64() >= end) break;
        ::MsgWaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    for (size_t i = 0; i < clients.size(); ++i) {
        if (!runs[i].started) continue;
        if (!done[i]) ::TerminateProcess(pis[i].hProcess, 99);
        ::CloseHandle(pis[i].hThread);
        ::CloseHandle(pis[i].hProcess);
    }
    PumpMessages(100);   // the clients' last releases
    for (size_t i = 0; i < clients.size(); ++i)
        if (runs[i].started) runs[i].output = ReadText(clients[i].outPath, "<no output>");
    return runs;
}

}  // namespace

ClientRun RunClient(const std::wstring& cmd, const std::wstring& outPath, DWORD ms) {
    return Run({{cmd, outPath}}, ms, false).front();
}

std::vector<ClientRun> RunClients(const std::vector<ClientCommand>& clients, DWORD ms) {
    return Run(clients, ms, true);
}

namespace {
const CRegReplacements kNoServer = {{L"MODULE", L"\"C:\\zv-no-server.exe\""}};
}  // namespace

ScriptHostTest::ScriptHostTest(Answer answer) : m_answer(std::move(answer)) {
    if (!m_answer) m_answer = [](HWND hMain, CLogNode*) { PostToMain(hMain, UM_CONTINUE); };
}

void ScriptHostTest::SetUpTestSuite() {
    g_ZavetraModule.UpdateRegistryAppId(TRUE);
    g_ZavetraModule.UpdateRegistryFromResource(IDR_CONNECT, TRUE, kNoServer);
    g_ZavetraModule.RegisterTypeLib();
}

void ScriptHostTest::TearDownTestSuite() {
    g_ZavetraModule.UpdateRegistryFromResource(IDR_CONNECT, FALSE, kNoServer);
    g_ZavetraModule.UnRegisterTypeLib();
    g_ZavetraModule.UpdateRegistryAppId(FALSE);
}

void ScriptHostTest::SetUp() {
    ResetGlobals();
    theApp.m_bClosing = false;
    FakeLog::Get().Reset();
    FakeLog::Get().onAddEntry = m_answer;
    host = std::make_unique<MainFrameHost>();
    ASSERT_TRUE(host->IsOpen());
    ASSERT_HRESULT_SUCCEEDED(g_ZavetraModule.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE));
}

void ScriptHostTest::TearDown() {
    g_ZavetraModule.RevokeClassObjects();
    host.reset();
    theApp.m_bClosing = false;
    FakeLog::Get().Reset();
    ResetGlobals();
}
