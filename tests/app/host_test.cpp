// Real clients against the real main frame in this process: the test offers
// the Connect class object as the program does (local server, multiple use),
// runs the main frame, its document and form with the stand-in log side,
// and pumps messages while cscript.exe runs a script. Each call gets the
// HRESULT of the state it meets; the main window hides while a client is
// connected and comes back after it has gone.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Zavetra_h.h"

#include "mainframe_fakes.h"
#include "resources/resource.h"
#include "server/app/ZavetraApp.h"
#include "server/app/ZavetraModule.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"

namespace {

std::wstring TempFolder() {
    wchar_t buf[MAX_PATH];
    ::GetTempPathW(MAX_PATH, buf);
    std::wstring dir = std::wstring(buf) + L"zv_host";
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

std::string ReadText(const std::wstring& path) {
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<no output>";
    std::string s;
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof(buf), &n, nullptr) && n > 0) s.append(buf, n);
    ::CloseHandle(h);
    return s;
}

// The value of "name=value" on a line of its own in the output, or "<none>".
std::string ValueOf(const std::string& output, const std::string& name) {
    std::string key = name + "=";
    for (size_t pos = 0; pos < output.size();) {
        size_t end = output.find('\n', pos);
        if (end == std::string::npos) end = output.size();
        std::string line = output.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
        pos = end + 1;
    }
    return "<none>";
}

// What the stand-in log side does with a call, by its label: "continue",
// "restart", "stop", "forced" (second Stop), "closed" (the log window is
// closed), "error N" (a view's error N).
void AnswerByLabel(HWND hMain, CLogNode* pNode) {
    std::wstring label = pNode && pNode->m_pEntry ? std::wstring(pNode->m_pEntry->m_name) : L"";
    if (label == L"restart") {
        PostToMain(hMain, UM_RESTART);
    } else if (label == L"stop") {
        PostToMain(hMain, UM_STOP);
    } else if (label == L"forced") {
        g_bForcedStop = 1;
        PostToMain(hMain, UM_FORCED_STOP);
    } else if (label == L"closed") {
        ::DestroyWindow(FakeLog::Get().hLogWindow);
    } else if (label.compare(0, 6, L"error ") == 0) {
        PostToMain(hMain, UM_ERROR_REPORT, static_cast<WPARAM>(_wtoi(label.c_str() + 6)));
    } else {
        PostToMain(hMain, UM_CONTINUE);
    }
}

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // The class's keys, its server pointing nowhere: a client can only
        // reach the class object that this process offers.
        g_ZavetraModule.UpdateRegistryAppId(TRUE);
        g_ZavetraModule.UpdateRegistryFromResource(IDR_CONNECT, TRUE, {{L"MODULE", L"\"C:\\zv-no-server.exe\""}});
        g_ZavetraModule.RegisterTypeLib();
    }
    static void TearDownTestSuite() {
        g_ZavetraModule.UpdateRegistryFromResource(IDR_CONNECT, FALSE, {{L"MODULE", L"\"C:\\zv-no-server.exe\""}});
        g_ZavetraModule.UnRegisterTypeLib();
        g_ZavetraModule.UpdateRegistryAppId(FALSE);
    }
    void SetUp() override {
        ResetGlobals();
        theApp.m_bClosing = false;
        FakeLog::Get().Reset();
        FakeLog::Get().onAddEntry = &AnswerByLabel;
        host = std::make_unique<MainFrameHost>();
        ASSERT_TRUE(host->IsOpen());
        ASSERT_HRESULT_SUCCEEDED(g_ZavetraModule.RegisterClassObjects(CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE));
    }
    void TearDown() override {
        g_ZavetraModule.RevokeClassObjects();
        host.reset();
        theApp.m_bClosing = false;
        FakeLog::Get().Reset();
        ResetGlobals();
    }

    // Runs a script with cscript while this thread serves the calls, as the
    // program's message loop would; returns what the script printed.
    std::string RunScript(const char* ext, const std::string& text, DWORD ms = 120000) {
        std::wstring dir = TempFolder();
        std::wstring script = dir + L"\\client" + std::wstring(ext, ext + strlen(ext));
        std::wstring out = script + L".out";
        EXPECT_TRUE(WriteText(script, text));
        SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
        HANDLE hOut = ::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        STARTUPINFOW si{sizeof(si)};
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = hOut;
        si.hStdError = hOut;
        PROCESS_INFORMATION pi{};
        std::wstring cmd = L"cscript.exe //nologo \"" + script + L"\"";
        BOOL started = ::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
        ::CloseHandle(hOut);
        EXPECT_TRUE(started);
        if (!started) return "";
        ULONGLONG end = ::GetTickCount64() + ms;
        bool ended = false;
        while (!ended && ::GetTickCount64() < end) {
            DWORD w = ::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
            if (w == WAIT_OBJECT_0) ended = true;
            PumpMessages();
        }
        if (!ended) ::TerminateProcess(pi.hProcess, 99);
        EXPECT_TRUE(ended) << "the script did not end";
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        PumpMessages(100);   // the last releases
        return ReadText(out);
    }

    std::unique_ptr<MainFrameHost> host;
    BoxWatcher boxes;
};

const char kReportSub[] = R"(
Sub Report(name)
    WScript.Echo name & "=" & Hex(Err.Number)
    Err.Clear
End Sub
)";

// The HRESULT of each state, call after call, as VBScript sees it.
TEST_F(HostTest, VBScriptCallsGetTheCodeOfEachState) {
    std::string out = RunScript(".vbs", std::string(R"(
On Error Resume Next
Set c = CreateObject("Zavetra.Connect")
Report "create"
c.Tr "continue", Array("n", 1, "s", "text", "d", Now)
Report "continue"
c.Br "restart", Array("n", 2)
Report "restart"
c.Trace "error 13", 0, 0
Report "error13"
c.Tr "forced", 0
Report "forced"
c.Tr "stop", 0
Report "stop"
c.Tr "continue", 0
Report "stopped"
Set c = Nothing
Set c = CreateObject("Zavetra.Connect")
Report "create2"
c.Tr "closed", 0
Report "closed"
c.Tr "continue", 0
Report "nolog"
Set c2 = CreateObject("Zavetra.Connect")
Report "create3"
c2.Tr "continue", 0
Report "restarted"
c2.Tr "error 9", 0
Report "error9"
c2.Tr "continue", 0
Report "refused9"
Set c3 = CreateObject("Zavetra.Connect")
Report "create9"
Set c = Nothing
Set c2 = Nothing
WScript.Echo "all calls done"
)") + kReportSub);
    SCOPED_TRACE(out);
    EXPECT_EQ("0", ValueOf(out, "create"));
    EXPECT_EQ("0", ValueOf(out, "continue"));
    EXPECT_EQ("0", ValueOf(out, "restart"));
    EXPECT_EQ("80004005", ValueOf(out, "error13"));     // E_FAIL
    EXPECT_EQ("80010108", ValueOf(out, "forced"));      // RPC_E_DISCONNECTED
    EXPECT_EQ("80010108", ValueOf(out, "stop"));
    EXPECT_EQ("80010108", ValueOf(out, "stopped"));     // refused while stopped
    EXPECT_EQ("0", ValueOf(out, "create2"));            // the last client left: ready again
    EXPECT_EQ("80010108", ValueOf(out, "closed"));
    EXPECT_EQ("80010108", ValueOf(out, "nolog"));
    EXPECT_EQ("0", ValueOf(out, "create3"));            // a new log thread
    EXPECT_EQ("0", ValueOf(out, "restarted"));
    // E_OUTOFMEMORY is VBScript's "Out of memory" (7); a failed creation is
    // always its "ActiveX component can't create object" (429).
    EXPECT_EQ("7", ValueOf(out, "error9"));
    EXPECT_EQ("7", ValueOf(out, "refused9"));
    EXPECT_EQ("1AD", ValueOf(out, "create9"));
    EXPECT_NE(std::string::npos, out.find("all calls done"));

    EXPECT_EQ((std::vector<std::wstring>{L"Error(Failed) CreateResultView", L"Memory Allocation Error",
                                         L"Memory Allocation Error"}),
              boxes.TakeTexts());
    EXPECT_EQ(2, FakeLog::Get().threadsStarted.load());
    // Every client has gone: the window is back, the count is 0.
    EXPECT_EQ(0, g_nClients);
    EXPECT_TRUE(::IsWindowVisible(host->Hwnd()));
}

// While a client is connected the main window is hidden; it comes back
// when the client has gone.
TEST_F(HostTest, MainWindowHiddenWhileClientConnected) {
    std::string out = RunScript(".vbs", std::string(R"(
On Error Resume Next
Set c = CreateObject("Zavetra.Connect")
c.Tr "continue", 1
Report "first"
Set c2 = CreateObject("Zavetra.Connect")
Set c = Nothing
c2.Tr "continue", 2
Report "second"
Set c2 = Nothing
WScript.Echo "all calls done"
)") + kReportSub);
    SCOPED_TRACE(out);
    EXPECT_EQ("0", ValueOf(out, "first"));
    EXPECT_EQ("0", ValueOf(out, "second"));
    EXPECT_EQ(2, FakeLog::Get().Count(UM_ADD_ENTRY));
    EXPECT_FALSE(FakeLog::Get().mainVisibleAtAddEntry);   // at the second call, one client left
    EXPECT_EQ(2, FakeLog::Get().Count(UM_CONNECTED));
    EXPECT_EQ(2, FakeLog::Get().Count(UM_DISCONNECTED));
    EXPECT_TRUE(::IsWindowVisible(host->Hwnd()));
    EXPECT_TRUE(boxes.TakeTexts().empty());
}

// Values of every kind from VBScript and JScript reach the master list.
TEST_F(HostTest, ScriptValuesAreCaptured) {
    std::string vbs = RunScript(".vbs", std::string(R"(
On Error Resume Next
Set c = CreateObject("Zavetra.Connect")
Set d = CreateObject("Scripting.Dictionary")
d.Add "one", 1
Dim nested(1, 2)
nested(0, 0) = 5
c.Trace "all kinds", 0, Array("num", 42, "dbl", 2.5, "str", "text", "dict", d, "nothing", Nothing, _
    "arr", Array(1, "two"), "matrix", nested, "bool", True, "empty", Empty, "null", Null)
Report "vbs"
Set c = Nothing
)") + kReportSub);
    EXPECT_EQ("0", ValueOf(vbs, "vbs")) << vbs;
    std::string js = RunScript(".js", R"(
var c = new ActiveXObject("Zavetra.Connect");
var d = new ActiveXObject("Scripting.Dictionary");
d.Add("k", 5);
var r = "0";
try {
    c.Trace("js values", 0, ["n", 1, "s", "str", "f", 1.25, "d", new Date(), "o", d]);
    c.Tr("js dictionary", d);
    c.Br("js string", "text");
} catch (e) { r = (e.number >>> 0).toString(16); }
WScript.Echo("js=" + r);
c = null;
CollectGarbage();
)");
    EXPECT_EQ("0", ValueOf(js, "js")) << js;

    // The master list holds the four calls, each with its client id.
    std::vector<std::wstring> labels;
    for (CLogNode* p = host->Doc()->GetHead(); p; p = p->m_pNext) labels.push_back(p->m_pEntry->m_name.m_str);
    EXPECT_EQ((std::vector<std::wstring>{L"all kinds", L"js values", L"js dictionary", L"js string"}), labels);
    CLogNode* pFirst = host->Doc()->GetHead();
    ASSERT_NE(nullptr, pFirst);
    EXPECT_EQ(1, pFirst->m_pEntry->ClientId());
    int nArgs = 0;
    for (CLogNode* p = pFirst->m_pChildren; p; p = p->m_pNext) ++nArgs;
    EXPECT_EQ(10, nArgs);
    EXPECT_TRUE(boxes.TakeTexts().empty());
}

// An early-bound client in another process (this executable started with
// --early-bound-client): the vtable calls and the dispatch side get the
// HRESULTs themselves, also of a refused creation.
TEST_F(HostTest, EarlyBoundClientGetsTheHResults) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring out = TempFolder() + L"\\early.out";
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE hOut = ::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOut;
    si.hStdError = hOut;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"\"" + std::wstring(self) + L"\" --early-bound-client";
    ASSERT_TRUE(::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(hOut);
    ULONGLONG end = ::GetTickCount64() + 60000;
    bool ended = false;
    while (!ended && ::GetTickCount64() < end) {
        if (::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) ended = true;
        PumpMessages();
    }
    if (!ended) ::TerminateProcess(pi.hProcess, 99);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    PumpMessages(100);
    std::string text = ReadText(out);
    SCOPED_TRACE(text);
    ASSERT_TRUE(ended);
    EXPECT_EQ("00000000", ValueOf(text, "create"));
    EXPECT_EQ("00000000", ValueOf(text, "trace"));
    EXPECT_EQ("00000000", ValueOf(text, "tr"));
    EXPECT_EQ("00000000", ValueOf(text, "br"));
    EXPECT_EQ("00000002", ValueOf(text, "dispid"));
    EXPECT_EQ("00000000", ValueOf(text, "invoke"));
    EXPECT_EQ("80010108", ValueOf(text, "stop"));
    EXPECT_EQ("8007000E", ValueOf(text, "error"));
    EXPECT_EQ("8007000E", ValueOf(text, "create2"));   // refused in the memory-error state
    EXPECT_EQ("00000000", ValueOf(text, "released"));
    EXPECT_EQ((std::vector<std::wstring>{L"Memory Allocation Error", L"Memory Allocation Error"}), boxes.TakeTexts());
}

// Once the main window has closed, the message loop only polls: calls at
// least once a second keep the process going (refused now, with no main
// window), one second without any message ends the loop although the client
// still holds its object.
TEST_F(HostTest, ClosedMainWindowEndsTheLoopAfterOneSecondOfSilence) {
    HWND hMain = host->Hwnd();
    FakeLog::Get().onAddEntry = [hMain](HWND h, CLogNode* pNode) {
        PostToMain(h, UM_CONTINUE);
        PostToMain(hMain, WM_CLOSE);
    };
    std::wstring dir = TempFolder();
    std::wstring script = dir + L"\\silence.vbs";
    std::wstring out = script + L".out";
    ASSERT_TRUE(WriteText(script, R"(
On Error Resume Next
Set c = CreateObject("Zavetra.Connect")
c.Tr "continue", 0
WScript.Echo "first=" & Hex(Err.Number)
Err.Clear
For i = 1 To 8
    Pause 0.3
    c.Tr "after close", 0
Next
WScript.Echo "later=" & Hex(Err.Number)
Pause 10
WScript.Echo "released"

Sub Pause(seconds)   ' WScript.Sleep may return at once here
    Dim t0
    t0 = Timer
    Do While Timer - t0 < seconds And Timer >= t0
    Loop
End Sub
)"));
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE hOut = ::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = hOut;
    si.hStdError = hOut;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = L"cscript.exe //nologo \"" + script + L"\"";
    ASSERT_TRUE(::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(hOut);

    // The main loop until the main window has closed ...
    ULONGLONG end = ::GetTickCount64() + 30000;
    while (!theApp.m_bClosing && ::GetTickCount64() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    ASSERT_TRUE(theApp.m_bClosing) << "the main window did not close";
    EXPECT_FALSE(host->IsOpen());
    // ... then the program's own pump.
    ULONGLONG t0 = ::GetTickCount64();
    while (theApp.PumpMessage()) {
    }
    ULONGLONG elapsed = ::GetTickCount64() - t0;
    EXPECT_GE(elapsed, 2400u) << elapsed;   // the eight calls kept it going
    EXPECT_LT(elapsed, 9000u) << elapsed;   // and it did not wait for the client to let go
    EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(pi.hProcess, 0)) << "the client has already gone";
    theApp.m_bClosing = false;

    end = ::GetTickCount64() + 30000;
    while (::WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT && ::GetTickCount64() < end) {
        ::MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
        PumpMessages();
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    std::string text = ReadText(out);
    EXPECT_EQ("0", ValueOf(text, "first")) << text;
    EXPECT_EQ("80010108", ValueOf(text, "later")) << text;   // no main window: code 19
    EXPECT_NE(std::string::npos, text.find("released")) << text;
    EXPECT_TRUE(boxes.TakeTexts().empty());
}

// The 255th client since the log was emptied is admitted, the 256th is
// refused with its message.
TEST_F(HostTest, The256thClientIsRefused) {
    std::string out = RunScript(".vbs", R"(
On Error Resume Next
Dim objs(255)
For i = 0 To 255
    Set objs(i) = CreateObject("Zavetra.Connect")
    If Err.Number <> 0 Then Exit For
Next
WScript.Echo "created=" & i
WScript.Echo "error=" & Hex(Err.Number)
)");
    EXPECT_EQ("255", ValueOf(out, "created")) << out;
    EXPECT_EQ("1AD", ValueOf(out, "error")) << out;   // VBScript's "can't create object"
    EXPECT_EQ(std::vector<std::wstring>{L"The number of clients exceeds the maximum limit.\nRelease the memory."},
              boxes.TakeTexts());
    EXPECT_EQ(0, g_nClients);
}

}  // namespace

// The client side of EarlyBoundClientGetsTheHResults, in its own process.
int RunEarlyBoundClient() {
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    auto report = [](const char* name, HRESULT hr) { printf("%s=%08lX\n", name, static_cast<unsigned long>(hr)); };
    IConnect* c = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect,
                                    reinterpret_cast<void**>(&c));
    report("create", hr);
    if (SUCCEEDED(hr)) {
        SAFEARRAY* sa = ::SafeArrayCreateVector(VT_VARIANT, 0, 2);
        VARIANT* items = nullptr;
        ::SafeArrayAccessData(sa, reinterpret_cast<void**>(&items));
        items[0].vt = VT_BSTR;
        items[0].bstrVal = ::SysAllocString(L"count");
        items[1].vt = VT_I4;
        items[1].lVal = 3;
        ::SafeArrayUnaccessData(sa);
        VARIANT arr;
        ::VariantInit(&arr);
        arr.vt = VT_ARRAY | VT_VARIANT;
        arr.parray = sa;
        VARIANT one;
        ::VariantInit(&one);
        one.vt = VT_R8;
        one.dblVal = 1.5;
        BSTR cont = ::SysAllocString(L"continue");
        report("trace", c->Trace(cont, 0, arr));
        report("tr", c->Tr(cont, one));
        report("br", c->Br(cont, arr));
        LPOLESTR name = const_cast<LPOLESTR>(L"Tr");
        DISPID id = 0;
        c->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
        report("dispid", id);
        VARIANT args[2];
        args[0] = one;
        ::VariantInit(&args[1]);
        args[1].vt = VT_BSTR;
        args[1].bstrVal = cont;
        DISPPARAMS dp = {args, nullptr, 2, 0};
        report("invoke", c->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
        BSTR stop = ::SysAllocString(L"stop");
        report("stop", c->Tr(stop, one));
        c->Release();   // the last client leaves: ready again
        hr = ::CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect, reinterpret_cast<void**>(&c));
        BSTR err = ::SysAllocString(L"error 9");
        if (SUCCEEDED(hr)) report("error", c->Tr(err, one));
        IConnect* c2 = nullptr;
        report("create2", ::CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect,
                                             reinterpret_cast<void**>(&c2)));
        if (c2) c2->Release();
        report("released", SUCCEEDED(hr) && c->Release() == 0 ? S_OK : E_FAIL);
        ::SysFreeString(cont);
        ::SysFreeString(stop);
        ::SysFreeString(err);
        ::VariantClear(&arr);
    }
    fflush(stdout);
    ::CoUninitialize();
    return 0;
}
