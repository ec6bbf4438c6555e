#include "ScriptHost.h"

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

ClientRun RunClient(const std::wstring& cmd, const std::wstring& outPath, DWORD ms) {
    return RunClients({{cmd, outPath}}, ms).front();
}

std::vector<ClientRun> RunClients(const std::vector<ClientCommand>& clients, DWORD ms) {
    std::vector<ClientRun> runs(clients.size());
    std::vector<PROCESS_INFORMATION> pis(clients.size());
    for (size_t i = 0; i < clients.size(); ++i)
        runs[i].started = StartClient(clients[i].cmd, clients[i].outPath, &pis[i]);
    ULONGLONG end = ::GetTickCount64() + ms;
    for (;;) {
        std::vector<HANDLE> running;
        for (size_t i = 0; i < clients.size(); ++i) {
            if (!runs[i].started || runs[i].ended) continue;
            if (::WaitForSingleObject(pis[i].hProcess, 0) == WAIT_OBJECT_0) runs[i].ended = true;
            else running.push_back(pis[i].hProcess);
        }
        if (running.empty() || ::GetTickCount64() >= end) break;
        ::MsgWaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    for (size_t i = 0; i < clients.size(); ++i) {
        if (!runs[i].started) continue;
        if (!runs[i].ended) ::TerminateProcess(pis[i].hProcess, 99);
        ::CloseHandle(pis[i].hThread);
        ::CloseHandle(pis[i].hProcess);
    }
    PumpMessages(100);   // the clients' last releases
    for (size_t i = 0; i < clients.size(); ++i)
        if (runs[i].started) runs[i].output = ReadText(clients[i].outPath, "<no output>");
    return runs;
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
