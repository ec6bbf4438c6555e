// Zavetra.exe with its log window, as a user meets it: script clients trace
// into it, the calls are read back from the log's tree control, breaks are
// held and let go with the toolbar's commands, clients run at once or die
// in the middle, and the window keeps its place and font across a restart.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LogWindow.h"
#include "StartZavetra.h"
#include "Zavetra_h.h"

namespace {

const wchar_t kSettingsKey[] = L"Software\\Brisquane\\Zavetra";

std::string Path(const std::wstring& w) { return Narrow(w); }

// A VBScript client that creates its object, then runs body; every failure
// is echoed as err=<hex> so that the test sees the HRESULTs.
std::string VbsClient(const std::string& body) {
    return "On Error Resume Next\n"
           "Set z = CreateObject(\"Zavetra.Connect\")\n"
           "If Err.Number <> 0 Then WScript.Echo \"create=\" & Hex(Err.Number) : WScript.Quit 1\n" +
           body + "\nWScript.Echo \"end\"\n";
}

// Waits for a file in a script: the go signal of the test. (Wine's
// WScript.Sleep fails with 445, and the loop spins; its error is cleared.)
std::string VbsWaitFor(const std::wstring& file) {
    return "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
           "Do While Not fso.FileExists(\"" + Path(file) + "\") : WScript.Sleep 20 : Loop\n"
           "Err.Clear\n";
}

bool Contains(const std::wstring& s, const std::wstring& part) { return s.find(part) != std::wstring::npos; }

// The body of client k: waits for the go signal, then makes nCalls Tr calls
// with the argument; the failures counted by code.
std::string ManyCallsBody(const std::wstring& go, int k, int nCalls, const std::string& argument) {
    return VbsWaitFor(go) +
           "Set inner = CreateObject(\"Scripting.Dictionary\") : inner.Add \"k\", 1\n"
           "Set outer = CreateObject(\"Scripting.Dictionary\") : outer.Add \"inner\", inner : outer.Add \"n\", 2\n"
           "refused = 0 : other = 0\n"
           "For i = 1 To " + std::to_string(nCalls) + "\n"
           "  z.Tr \"c" + std::to_string(k) + " #\" & Right(\"000\" & i, 4), " + argument + "\n"
           "  If Err.Number = &H80010108 Then refused = refused + 1 Else If Err.Number <> 0 Then other = other + 1\n"
           "  Err.Clear\n"
           "Next\n"
           "WScript.Echo \"refused=\" & refused & \" other=\" & other\n";
}

class LogWindow : public ::testing::Test {
protected:
    void SetUp() override { StartZavetra(zv); }
    void TearDown() override {
        for (auto& c : clients) c->Kill();
        if (zv.Running()) {
            EXPECT_EQ(0u, zv.Quit());
        }
    }
    CScriptClient& Client() {
        clients.push_back(std::make_unique<CScriptClient>());
        return *clients.back();
    }
    bool WaitForNoClients() { return zv.WaitForNoClients(); }

    // nClients clients of ManyCallsBody started at once, let go together
    // once all have begun, waited for; each must have written `expected`
    // after its first line.
    void RunAtOnce(const std::wstring& name, int nClients, int nCalls, const std::string& argument,
                   const std::wstring& expected) {
        const std::wstring go = SignalFile(L"go-" + name);
        std::vector<CScriptClient*> started;
        std::vector<ClientScript> scripts;
        for (int k = 1; k <= nClients; ++k) {
            started.push_back(&Client());
            scripts.push_back({name + std::to_wstring(k) + L".vbs",
                               kVbsBegins + VbsClient(ManyCallsBody(go, k, nCalls, argument))});
        }
        std::string why;
        ASSERT_TRUE(StartClientsAtOnce(started, scripts, &why)) << why;
        Signal(go);
        for (CScriptClient* c : started) {
            EXPECT_EQ(0u, c->Wait(300000));
            EXPECT_EQ(kBeganLine + expected, c->Output());
        }
    }

    // A new client's call gets S_OK and its line shows: the server serves.
    void ExpectTheNextClientIsServed(const std::string& label) {
        CScriptClient& next = Client();
        ASSERT_TRUE(next.Start(L"next.vbs", VbsClient("z.Tr \"" + label + "\", Array(\"n\", 1)\n"
                                                      "WScript.Echo \"r=\" & Hex(Err.Number)")));
        EXPECT_EQ(0u, next.Wait(30000));
        EXPECT_EQ(L"r=0\r\nend\r\n", next.Output());
        EXPECT_NE(nullptr, zv.WaitForLine(std::wstring(label.begin(), label.end()), 5000));
        EXPECT_TRUE(zv.Running());
    }

    CZavetra zv;
    std::vector<std::unique_ptr<CScriptClient>> clients;
};

TEST_F(LogWindow, ScriptClientsCallsAreShownWithTheirMembers) {
    CScriptClient& vbs = Client();
    ASSERT_TRUE(vbs.Start(L"shown.vbs", VbsClient(R"(
Set d = CreateObject("Scripting.Dictionary")
d.Add "alpha", "one"
z.Tr "vbs first", Array("count", 42, "name", "hello", "dict", d)
If Err.Number <> 0 Then WScript.Echo "err=" & Hex(Err.Number)
z.Tr "vbs second", Array("flag", True)
)")));
    EXPECT_EQ(0u, vbs.Wait(60000));
    EXPECT_EQ(L"end\r\n", vbs.Output());

    CScriptClient& js = Client();
    ASSERT_TRUE(js.Start(L"shown.js", R"(
var z = new ActiveXObject("Zavetra.Connect");
try { z.Tr("js first", 7); z.Tr("js second", "text"); WScript.Echo("end"); }
catch (e) { WScript.Echo("err=" + (e.number >>> 0).toString(16)); }
)"));
    EXPECT_EQ(0u, js.Wait(60000));
    EXPECT_EQ(L"end\r\n", js.Output());

    ASSERT_TRUE(WaitForNoClients());
    std::vector<std::wstring> lines = zv.AllCallLines();
    ASSERT_EQ(4u, lines.size()) << testing::PrintToString(lines);
    const wchar_t* expected[] = {L"Client = 1   vbs first", L"Client = 1   vbs second", L"Client = 2   js first",
                                 L"Client = 2   js second"};
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(Contains(lines[i], expected[i])) << testing::PrintToString(lines[i]);

    // The first call's arguments, expanded as the default depth shows them.
    HTREEITEM first = zv.Tree().FindRoot(L"vbs first");
    ASSERT_NE(nullptr, first);
    std::vector<std::wstring> members = zv.Tree().ChildLabels(first);
    ASSERT_EQ(3u, members.size()) << testing::PrintToString(members);
    EXPECT_TRUE(Contains(members[0], L"count = 42")) << testing::PrintToString(members[0]);
    EXPECT_TRUE(Contains(members[1], L"name = hello")) << testing::PrintToString(members[1]);
    EXPECT_TRUE(Contains(members[2], L"dict")) << testing::PrintToString(members[2]);
}

TEST_F(LogWindow, BreakHoldsTheClientUntilRestart) {
    CScriptClient& c = Client();
    ASSERT_TRUE(c.Start(L"held.vbs", VbsClient(R"(
z.Br "held here", Array("n", 1)
WScript.Echo "after=" & Hex(Err.Number)
)")));
    ASSERT_NE(nullptr, zv.WaitForLine(L"held here"));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), c.Wait(1500)) << "the break did not hold the client";
    EXPECT_TRUE(zv.ButtonEnabled(kCmdRestart));
    EXPECT_TRUE(zv.ButtonEnabled(kCmdStepOver));
    EXPECT_FALSE(zv.ButtonEnabled(kCmdBreak));
    EXPECT_FALSE(zv.ButtonEnabled(kCmdReleaseMemory));

    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, c.Wait(15000));
    EXPECT_EQ(L"after=0\r\nend\r\n", c.Output());
    EXPECT_FALSE(zv.ButtonEnabled(kCmdRestart));
}

// Without any input to the log window (no mouse moving over it, as under
// Xvfb) the buttons still follow the held call: the call is handed over by
// a sent message, after which no idle update runs.
TEST_F(LogWindow, ReStartIsOfferedAsSoonAsACallIsHeld) {
    CScriptClient& c = Client();
    ASSERT_TRUE(c.Start(L"offered.vbs", VbsClient("z.Br \"offered\", Empty")));
    ASSERT_NE(nullptr, zv.WaitForLine(L"offered"));
    Sleep(500);
    EXPECT_TRUE(zv.ButtonEnabled(kCmdRestart, false));
    EXPECT_TRUE(zv.ButtonEnabled(kCmdStepOver, false));
    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, c.Wait(15000));
}

TEST_F(LogWindow, StepOverHoldsTheNextCallOfAnyClient) {
    const std::wstring goB = SignalFile(L"go-b"), endA = SignalFile(L"end-a");
    // B connects first and waits; A breaks, is stepped over and stays
    // connected (a client leaving would clear the request).
    CScriptClient& b = Client();
    CScriptClient& a = Client();
    std::string why;
    ASSERT_TRUE(StartClientsAtOnce({&b, &a},
                                   {{L"step-b.vbs", kVbsBegins + VbsClient(VbsWaitFor(goB) + R"(
z.Tr "b next", Array("n", 2)
WScript.Echo "b=" & Hex(Err.Number)
)")},
                                    {L"step-a.vbs", kVbsBegins + VbsClient(R"(
z.Br "a break", Array("n", 1)
WScript.Echo "a=" & Hex(Err.Number)
)" + VbsWaitFor(endA))}},
                                   &why))
        << why;
    ASSERT_NE(nullptr, zv.WaitForLine(L"a break"));
    zv.Command(kCmdStepOver);
    // A goes on to wait for its end signal; B's call is held without a break of its own.
    ULONGLONG end = GetTickCount64() + 15000;
    while (!Contains(a.Output(), L"a=0") && GetTickCount64() < end) Sleep(50);
    EXPECT_TRUE(Contains(a.Output(), L"a=0")) << testing::PrintToString(a.Output());
    Signal(goB);
    ASSERT_NE(nullptr, zv.WaitForLine(L"b next"));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), b.Wait(1500)) << "the call after StepOver was not held";
    EXPECT_TRUE(zv.ButtonEnabled(kCmdRestart));

    zv.Command(kCmdRestart);
    EXPECT_EQ(0u, b.Wait(15000));
    EXPECT_EQ(std::wstring(kBeganLine) + L"b=0\r\nend\r\n", b.Output());
    Signal(endA);
    EXPECT_EQ(0u, a.Wait(15000));
}

TEST_F(LogWindow, StopEndsTheHeldCallAndRefusesTheNextOnes) {
    CScriptClient& c = Client();
    ASSERT_TRUE(c.Start(L"stop.vbs", VbsClient(R"(
z.Br "stop me", Array("n", 1)
WScript.Echo "held=" & Hex(Err.Number)
Err.Clear
z.Tr "after stop", Array("n", 2)
WScript.Echo "next=" & Hex(Err.Number)
)")));
    ASSERT_NE(nullptr, zv.WaitForLine(L"stop me"));
    zv.Command(kCmdStop);
    EXPECT_EQ(0u, c.Wait(15000));
    // RPC_E_DISCONNECTED for both: the held call and the next one refused.
    EXPECT_EQ(L"held=80010108\r\nnext=80010108\r\nend\r\n", c.Output());
    // The refused call comes into the log once its client has gone.
    ASSERT_TRUE(WaitForNoClients());
    std::vector<std::wstring> lines = zv.AllCallLines();
    ASSERT_EQ(2u, lines.size()) << testing::PrintToString(lines);
    EXPECT_TRUE(Contains(lines[0], L"stop me"));
    EXPECT_TRUE(Contains(lines[1], L"after stop"));
}

// A dispatch type with the getters First and Second, made at run time.
ITypeInfo* MakeTwoGetterType() {
    ICreateTypeLib2* pLib = nullptr;
    if (FAILED(CreateTypeLib2(SYS_WIN64, const_cast<LPOLESTR>(L"stopping.tlb"), &pLib))) return nullptr;
    ICreateTypeInfo* pCreate = nullptr;
    if (FAILED(pLib->CreateTypeInfo(const_cast<LPOLESTR>(L"DStopping"), TKIND_DISPATCH, &pCreate))) {
        pLib->Release();
        return nullptr;
    }
    const wchar_t* names[] = {L"First", L"Second"};
    for (UINT i = 0; i < 2; ++i) {
        FUNCDESC fd = {};
        fd.memid = static_cast<MEMBERID>(i + 1);
        fd.funckind = FUNC_DISPATCH;
        fd.invkind = INVOKE_PROPERTYGET;
        fd.callconv = CC_STDCALL;
        fd.elemdescFunc.tdesc.vt = VT_I4;
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        pCreate->AddFuncDesc(i, &fd);
        pCreate->SetFuncAndParamNames(i, &name, 1);
    }
    ITypeInfo* pInfo = nullptr;
    if (SUCCEEDED(pCreate->LayOut())) pCreate->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&pInfo));
    pCreate->Release();
    pLib->Release();
    return pInfo;
}

// An object of this process whose first getter presses Stop twice in the
// log window while the capture reads it.
class CStoppingObject : public IDispatch {
public:
    CStoppingObject(HWND hLogFrame, ITypeInfo* pInfo) : m_hLogFrame(hLogFrame), m_pInfo(pInfo) {}
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_cRef; }   // lives on the caller's stack
    STDMETHODIMP GetTypeInfoCount(UINT* p) override { *p = 1; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** pp) override {
        m_pInfo->AddRef();
        *pp = m_pInfo;
        return S_OK;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT n, LCID, DISPID* ids) override {
        return m_pInfo->GetIDsOfNames(names, n, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* r, EXCEPINFO*, UINT*) override {
        if (id != 1 && id != 2) return DISP_E_MEMBERNOTFOUND;
        ++getters;
        if (id == 1) {
            PostMessageW(m_hLogFrame, WM_COMMAND, kCmdStop, 0);
            PostMessageW(m_hLogFrame, WM_COMMAND, kCmdStop, 0);
            Sleep(800);   // the log thread takes both
        }
        if (r) {
            VariantInit(r);
            V_VT(r) = VT_I4;
            V_I4(r) = id;
        }
        return S_OK;
    }
    std::atomic<int> getters{0};

private:
    HWND m_hLogFrame;
    ITypeInfo* m_pInfo;
    std::atomic<ULONG> m_cRef{1};
};

struct ForcedStopCall {
    HWND hLogFrame;
    HRESULT hr = E_PENDING;
    int getters = 0;
    static DWORD WINAPI Run(LPVOID p) {
        auto* self = static_cast<ForcedStopCall*>(p);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        IConnect* c = nullptr;
        self->hr = CoCreateInstance(CLSID_Connect, nullptr, CLSCTX_LOCAL_SERVER, IID_IConnect, reinterpret_cast<void**>(&c));
        ITypeInfo* pInfo = MakeTwoGetterType();
        if (SUCCEEDED(self->hr) && pInfo) {
            CStoppingObject obj(self->hLogFrame, pInfo);
            // The pair ("o", obj): the capture reads its getters.
            SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 2);
            VARIANT* pv = nullptr;
            SafeArrayAccessData(psa, reinterpret_cast<void**>(&pv));
            V_VT(&pv[0]) = VT_BSTR;
            V_BSTR(&pv[0]) = SysAllocString(L"o");
            V_VT(&pv[1]) = VT_DISPATCH;
            V_DISPATCH(&pv[1]) = &obj;
            obj.AddRef();
            SafeArrayUnaccessData(psa);
            VARIANT arg;
            V_VT(&arg) = VT_ARRAY | VT_VARIANT;
            V_ARRAY(&arg) = psa;
            BSTR label = SysAllocString(L"forced");
            self->hr = c->Tr(label, arg);
            SysFreeString(label);
            VariantClear(&arg);
            self->getters = obj.getters;
        }
        if (c) c->Release();
        if (pInfo) pInfo->Release();
        CoUninitialize();
        return 0;
    }
};

TEST_F(LogWindow, ForcedStopDuringACaptureEndsTheCall) {
    ForcedStopCall call{zv.LogFrame()};
    HANDLE h = CreateThread(nullptr, 0, &ForcedStopCall::Run, &call, 0, nullptr);
    ASSERT_NE(nullptr, h);
    // The program reports the forced stop in a box; pressing it away lets the call return.
    std::wstring text;
    HWND box = WaitForMessageBox(zv.Pid(), 20000, &text);
    if (box) {
        EXPECT_EQ(L"Forced stop", text);
        CloseMessageBox(box);
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(h, 30000));
    CloseHandle(h);
    EXPECT_NE(nullptr, box) << "no \"Forced stop\" box";
    EXPECT_EQ(RPC_E_DISCONNECTED, call.hr);
    // The capture gave up after the getter that stopped it.
    EXPECT_EQ(1, call.getters);
    // The server goes on: the next client is served.
    CScriptClient& c = Client();
    ASSERT_TRUE(c.Start(L"after-forced.vbs", VbsClient("z.Tr \"after forced\", Array(\"n\", 1)\nWScript.Echo \"r=\" & Hex(Err.Number)")));
    EXPECT_EQ(0u, c.Wait(30000));
    EXPECT_EQ(L"r=0\r\nend\r\n", c.Output());
}

// Every call line "c<k> #<i>" of the clients 1..nClients, calls 1..nCalls,
// each client's in its order.
void ExpectEveryCallInOrder(const std::vector<std::wstring>& lines, int nClients, int nCalls) {
    EXPECT_EQ(static_cast<size_t>(nClients * nCalls), lines.size());
    std::map<std::wstring, std::vector<int>> byClient;
    for (const std::wstring& s : lines) {
        size_t p = s.rfind(L"   c");
        size_t hash = s.rfind(L" #");
        if (p == std::wstring::npos || hash == std::wstring::npos) continue;
        byClient[s.substr(p + 3, hash - p - 3)].push_back(_wtoi(s.c_str() + hash + 2));
    }
    ASSERT_EQ(static_cast<size_t>(nClients), byClient.size());
    for (const auto& [name, seq] : byClient) {
        std::vector<int> want(nCalls);
        for (int i = 0; i < nCalls; ++i) want[i] = i + 1;
        EXPECT_EQ(want, seq) << "client " << Narrow(name);
    }
}

TEST_F(LogWindow, EightClientsAtOnceLoseNoCallAndKeepTheirOrder) {
    const int kClients = 8, kCalls = 250;
    ASSERT_NO_FATAL_FAILURE(RunAtOnce(L"many", kClients, kCalls, "Empty", L"refused=0 other=0\r\nend\r\n"));
    ASSERT_TRUE(WaitForNoClients());
    ExpectEveryCallInOrder(zv.AllCallLines(), kClients, kCalls);
}

// Each call hands over a dictionary that holds a dictionary: at its end the
// server releases the proxies of both, and COM delivers the other clients'
// calls in the middle of that release.
TEST_F(LogWindow, ClientsHandingOverNestedObjectsGetTheAnswersOfTheirState) {
    {
        SCOPED_TRACE("two clients, ready");
        const int kClients = 2, kCalls = 300;
        ASSERT_NO_FATAL_FAILURE(RunAtOnce(L"nested", kClients, kCalls, "Array(\"d\", outer)",
                                          L"refused=0 other=0\r\nend\r\n"));
        ASSERT_TRUE(WaitForNoClients());
        ExpectEveryCallInOrder(zv.AllCallLines(), kClients, kCalls);
        zv.Command(kCmdReleaseMemory);
    }
    {
        SCOPED_TRACE("eight clients, stopped");
        // One client keeps the stopped state while the others call.
        const std::wstring release = SignalFile(L"release-holder");
        CScriptClient& holder = Client();
        ASSERT_TRUE(holder.Start(L"holder.vbs", VbsClient("z.Br \"stop me\", Empty\n"
                                                          "WScript.Echo \"held=\" & Hex(Err.Number)\n"
                                                          "Err.Clear\n" +
                                                          VbsWaitFor(release))));
        ASSERT_NE(nullptr, zv.WaitForLine(L"stop me"));
        zv.Command(kCmdStop);
        ASSERT_NO_FATAL_FAILURE(RunAtOnce(L"stopped", 8, 300, "Array(\"d\", outer)",
                                          L"refused=300 other=0\r\nend\r\n"));
        Signal(release);
        EXPECT_EQ(0u, holder.Wait(30000));
        EXPECT_EQ(L"held=80010108\r\nend\r\n", holder.Output());
        ASSERT_TRUE(WaitForNoClients());
        // The refused calls come into the log after the held one; the server goes on serving.
        std::vector<std::wstring> lines = zv.AllCallLines();
        ASSERT_EQ(1u + 8u * 300u, lines.size());
        EXPECT_TRUE(Contains(lines[0], L"stop me"));
        ExpectTheNextClientIsServed("served again");
    }
}

TEST_F(LogWindow, ClientKilledAtABreakDoesNotHoldTheServer) {
    CScriptClient& doomed = Client();
    ASSERT_TRUE(doomed.Start(L"doomed.vbs", VbsClient("z.Br \"doomed\", Array(\"n\", 1)")));
    ASSERT_NE(nullptr, zv.WaitForLine(L"doomed"));
    doomed.Kill();
    zv.Command(kCmdRestart);
    // The held call ends (its answer has nobody to go to) and the main
    // thread serves messages again.
    DWORD_PTR r = 0;
    EXPECT_NE(0, SendMessageTimeoutW(zv.MainWindow(), WM_NULL, 0, 0, SMTO_BLOCK, 10000, &r));
    ExpectTheNextClientIsServed("after doomed");
}

TEST_F(LogWindow, ClientKilledInTheMiddleOfItsCallsDoesNotHoldTheServer) {
    // The client says through a file when its 50th call has returned, and
    // is killed somewhere after it, in the middle of its calls.
    const std::wstring busy = SignalFile(L"busy-50");
    CScriptClient& doomed = Client();
    ASSERT_TRUE(doomed.Start(L"busy.vbs", VbsClient(
        "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
        "For i = 1 To 100000\n"
        "  z.Tr \"busy #\" & Right(\"0000\" & i, 5), Array(\"i\", i)\n"
        "  If i = 50 Then fso.CreateTextFile(\"" + Path(busy) + "\").Close\n"
        "Next")));
    ASSERT_TRUE(WaitForFile(busy, 60000));
    doomed.Kill();
    ExpectTheNextClientIsServed("after busy");
}

TEST_F(LogWindow, ReleaseMemoryEmptiesTheLogAndStartsTheIdsAgain) {
    for (int i = 0; i < 2; ++i) {
        CScriptClient& c = Client();
        ASSERT_TRUE(c.Start(L"release" + std::to_wstring(i) + L".vbs", VbsClient("z.Tr \"before release\", Array(\"n\", 1)\nz.Tr \"again\", Empty")));
        EXPECT_EQ(0u, c.Wait(30000));
    }
    ASSERT_TRUE(WaitForNoClients());
    ASSERT_GT(zv.Tree().Count(), 0u);
    zv.Command(kCmdReleaseMemory);
    ULONGLONG end = GetTickCount64() + 10000;
    while (zv.Tree().Count() && GetTickCount64() < end) Sleep(50);
    EXPECT_EQ(0u, zv.Tree().Count());

    CScriptClient& c = Client();
    ASSERT_TRUE(c.Start(L"released.vbs", VbsClient("z.Tr \"after release\", Empty")));
    EXPECT_EQ(0u, c.Wait(30000));
    ASSERT_TRUE(WaitForNoClients());
    std::vector<std::wstring> lines = zv.AllCallLines();
    ASSERT_EQ(1u, lines.size()) << testing::PrintToString(lines);
    EXPECT_TRUE(Contains(lines[0], L"Client = 1   after release")) << testing::PrintToString(lines[0]);
}

// The log window's rectangle and font are written when the program ends and
// used again at its next start.
TEST(LogWindowSettings, PlacementAndFontAreKeptAcrossARestart) {
    // Back to the defaults for the tests that follow, however this ends.
    struct Cleanup {
        ~Cleanup() {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Font").c_str(), L"LogView");
            RegDeleteKeyValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Window").c_str(), L"LogView");
        }
    } cleanup;
    HKEY hk;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Font").c_str(), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &hk, nullptr));
    LOGFONTW lf = {};
    lf.lfHeight = -26;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    wcscpy_s(lf.lfFaceName, L"Liberation Serif");
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hk, L"LogView", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&lf), sizeof(lf)));
    RegCloseKey(hk);

    const RECT want = {61, 72, 61 + 640, 72 + 420};
    UINT bigRows = 0;
    {
        CZavetra zv;
        ASSERT_NO_FATAL_FAILURE(StartZavetra(zv));
        if (IsSkipped()) return;
        bigRows = static_cast<UINT>(SendMessageW(zv.Tree().Window(), TVM_GETITEMHEIGHT, 0, 0));
        SetWindowPos(zv.LogFrame(), nullptr, want.left, want.top, want.right - want.left, want.bottom - want.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_EQ(0u, zv.Quit());
    }
    EXPECT_GE(bigRows, 26u) << "the saved font was not used";

    RECT saved = {};
    DWORD size = sizeof(saved);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Window").c_str(), L"LogView",
                                          RRF_RT_REG_BINARY, nullptr, &saved, &size));
    EXPECT_EQ(want.left, saved.left);
    EXPECT_EQ(want.top, saved.top);
    EXPECT_EQ(want.right, saved.right);
    EXPECT_EQ(want.bottom, saved.bottom);
    LOGFONTW back = {};
    size = sizeof(back);
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Font").c_str(), L"LogView",
                                          RRF_RT_REG_BINARY, nullptr, &back, &size));
    EXPECT_EQ(0, memcmp(&lf, &back, sizeof(lf)));

    {
        CZavetra zv;
        ASSERT_EQ(CZavetra::kStarted, zv.Start());
        RECT now = {};
        GetWindowRect(zv.LogFrame(), &now);
        EXPECT_EQ(want.left, now.left);
        EXPECT_EQ(want.top, now.top);
        EXPECT_EQ(want.right - want.left, now.right - now.left);
        EXPECT_EQ(want.bottom - want.top, now.bottom - now.top);
        EXPECT_EQ(bigRows, static_cast<UINT>(SendMessageW(zv.Tree().Window(), TVM_GETITEMHEIGHT, 0, 0)));
        EXPECT_EQ(0u, zv.Quit());
    }
}

}  // namespace
