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

#include "ScriptHost.h"
#include "common/Variants.h"
#include "mainframe_fakes.h"
#include "server/app/ZavetraApp.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"

namespace {

// The value of "name=value" on a line of its own in the output, or "<none>".
std::string ValueOf(const std::string& output, const std::string& name) {
    std::string key = name + "=";
    for (const std::string& line : TextLines(output))
        if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
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

class HostTest : public ScriptHostTest {
protected:
    HostTest() : ScriptHostTest(&AnswerByLabel) {}

    // Runs a script with cscript while this thread serves the calls, as the
    // program's message loop would; returns what the script printed.
    std::string RunScript(const char* ext, const std::string& text, DWORD ms = 120000) {
        std::wstring script = ScriptFolder(L"zv_host") + L"\\client" + std::wstring(ext, ext + strlen(ext));
        EXPECT_TRUE(WriteText(script, text));
        ClientRun run = RunClient(CscriptCommand(script), script + L".out", ms);
        EXPECT_TRUE(run.started);
        if (!run.started) return "";
        EXPECT_TRUE(run.ended) << "the script did not end";
        return run.output;
    }
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
    ClientRun run = RunClient(L"\"" + std::wstring(self) + L"\" --early-bound-client",
                              ScriptFolder(L"zv_host") + L"\\early.out", 60000);
    ASSERT_TRUE(run.started);
    const std::string& text = run.output;
    SCOPED_TRACE(text);
    ASSERT_TRUE(run.ended);
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
    std::wstring script = ScriptFolder(L"zv_host") + L"\\silence.vbs";
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
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(StartClient(CscriptCommand(script), out, &pi));

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
    std::string text = ReadText(out, "<no output>");
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
        items[0] = VStr(L"count");
        items[1] = VLong(3);
        ::SafeArrayUnaccessData(sa);
        VARIANT arr = VArray(sa);
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
