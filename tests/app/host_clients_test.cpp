// Several real VBScript clients tracing at the same time into the real main
// frame in this process. Each call hands over a dictionary that holds a
// dictionary; releasing those objects at the end of a call is a call into
// the client, during which COM delivers the other clients' calls. Every call
// gets the HRESULT of the state it meets, every call line reaches the master
// list, and the server keeps running.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "ScriptHost.h"
#include "mainframe_fakes.h"
#include "server/core/Globals.h"
#include "server/core/Messages.h"

namespace {

// Arguments: client number, number of calls, the HRESULT each call should
// get (as Hex prints it). Prints began first of all (RunClients tells by it
// a script that never began), then good=<calls that got it>, the first few
// others, and done.
const char kClientScript[] = R"(
WScript.Echo "began"
On Error Resume Next
n = CInt(WScript.Arguments(0))
calls = CInt(WScript.Arguments(1))
want = WScript.Arguments(2)
Set c = CreateObject("Zavetra.Connect")
If Err.Number <> 0 Then
    WScript.Echo "create=" & Hex(Err.Number)
    WScript.Quit
End If
Set inner = CreateObject("Scripting.Dictionary")
inner.Add "client", n
Set d = CreateObject("Scripting.Dictionary")
d.Add "inner", inner
good = 0
other = ""
For i = 1 To calls
    Err.Clear
    c.Tr "c" & n & " " & i, Array("d", d)
    If Hex(Err.Number) = want Then
        good = good + 1
    ElseIf Len(other) < 200 Then
        other = other & " " & i & ":" & Hex(Err.Number)
    End If
Next
WScript.Echo "good=" & good
WScript.Echo "other=" & other
Set c = Nothing
WScript.Echo "done"
)";

std::string ValueOf(const std::string& output, const std::string& name) {
    std::string key = name + "=";
    for (const std::string& line : TextLines(output))
        if (line.compare(0, key.size(), key) == 0) return line.substr(key.size());
    return "<none>";
}

struct ClientsCase {
    int nClients;
    int nCalls;      // per client
    bool bStopped;   // the user has stopped tracing: every call gets 2
};

const ClientsCase kClientsCases[] = {
    // Each call costs about a tenth of a second here (the capture reads both
    // dictionaries across processes); these counts showed lost calls and a
    // dead server before the release was guarded.
    {2, 100, false},
    {2, 100, true},
    {8, 25, false},
    {8, 25, true},
};

class ClientsTest : public ScriptHostTest {};

TEST_F(ClientsTest, ClientsTracingAtOnceLoseNoCall) {
    const std::wstring dir = ScriptFolder(L"zv_clients");
    const std::wstring script = dir + L"\\client.vbs";
    ASSERT_TRUE(WriteText(script, kClientScript));

    int nCase = 0;
    for (const ClientsCase& c : kClientsCases) {
        ++nCase;
        SCOPED_TRACE(testing::Message() << c.nClients << " clients, " << c.nCalls << " calls each"
                                        << (c.bStopped ? ", stopped" : ", ready"));
        // A fresh log, and one client of the host's own that keeps the state
        // while the script clients come and go.
        PostToMain(host->Hwnd(), UM_RELEASE_MEMORY, host->Frame()->GetHandedCalls());
        PumpMessages();
        ASSERT_EQ(nullptr, host->Doc()->GetHead());
        FakeLog::Get().Reset();
        FakeLog::Get().onAddEntry = [](HWND hMain, CLogNode*) { PostToMain(hMain, UM_CONTINUE); };
        ASSERT_EQ(0u, host->Connect());
        if (c.bStopped) host->Frame()->SetTraceState(CMainFrame::STATE_STOPPED);
        const char* pszWant = c.bStopped ? "80010108" : "0";   // RPC_E_DISCONNECTED for code 2

        std::vector<ClientCommand> cmds;
        for (int n = 1; n <= c.nClients; ++n) {
            std::wstring args = L" " + std::to_wstring(n) + L" " + std::to_wstring(c.nCalls) + L" " +
                                std::wstring(pszWant, pszWant + strlen(pszWant));
            cmds.push_back({CscriptCommand(script) + args,
                            dir + L"\\run" + std::to_wstring(nCase) + L"_client" + std::to_wstring(n) + L".out"});
        }
        std::vector<ClientRun> runs = RunClients(cmds, 300000);

        ASSERT_TRUE(host->IsOpen());
        for (size_t i = 0; i < runs.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "client " << i + 1 << ":\n" << runs[i].output);
            EXPECT_TRUE(runs[i].started);
            EXPECT_TRUE(runs[i].ended);
            EXPECT_EQ(std::to_string(c.nCalls), ValueOf(runs[i].output, "good"));
            EXPECT_EQ("", ValueOf(runs[i].output, "other"));
            EXPECT_NE(std::string::npos, runs[i].output.find("done"));
        }

        // Every call line once, in each client's order.
        std::map<std::wstring, int> lastOfClient;
        int nLines = 0;
        bool bInOrder = true;
        for (CLogNode* p = host->Doc()->GetHead(); p; p = p->m_pNext) {
            ++nLines;
            std::wstring label = p->m_pEntry->m_name.m_str;
            size_t blank = label.find(L' ');
            ASSERT_NE(std::wstring::npos, blank) << "an odd call line";
            int i = _wtoi(label.c_str() + blank + 1);
            int& last = lastOfClient[label.substr(0, blank)];
            if (i != last + 1) bInOrder = false;
            last = i;
        }
        EXPECT_EQ(c.nClients * c.nCalls, nLines);
        EXPECT_TRUE(bInOrder) << "a client's call lines are missing or out of order";
        EXPECT_EQ(static_cast<size_t>(c.nClients), lastOfClient.size());
        EXPECT_EQ(c.bStopped ? 0 : c.nClients * c.nCalls, FakeLog::Get().Count(UM_ADD_ENTRY));
        EXPECT_EQ(nullptr, host->Doc()->GetObjTable());
        EXPECT_EQ(c.bStopped ? CMainFrame::STATE_STOPPED : CMainFrame::STATE_READY,
                  host->Frame()->GetTraceState());
        EXPECT_TRUE(boxes.TakeTexts().empty());

        EXPECT_EQ(0u, host->Disconnect());
        EXPECT_EQ(0, g_nClients);
        EXPECT_EQ(CMainFrame::STATE_READY, host->Frame()->GetTraceState());
    }
}

// The runner's answer to Wine's start flake, with stand-ins: a script that
// leaves without a word on its first run (as a cscript.exe that never ran
// its script does) is started again; one that printed anything is not,
// whatever it printed; one that never prints is given up after the
// restarts.
TEST(RunClientsTest, StartsAgainOnlyAClientThatPrintedNothing) {
    const std::wstring dir = ScriptFolder(L"zv_clients");
    const std::wstring mark = dir + L"\\silent-once.mark";
    ::DeleteFileW(mark.c_str());
    const std::string markPath(mark.begin(), mark.end());
    struct Case {
        const char* name;
        std::string script;
        int restarts;
        const char* output;
    } cases[] = {
        {"silent-once",
         "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
         "If Not fso.FileExists(\"" + markPath + "\") Then fso.CreateTextFile(\"" + markPath + "\").Close : WScript.Quit 0\n"
         "WScript.Echo \"began\"\nWScript.Echo \"done\"\n",
         1, "began\r\ndone\r\n"},
        {"began-then-failed", "WScript.Echo \"began\"\nWScript.Quit 3\n", 0, "began\r\n"},
        {"never-prints", "WScript.Quit 0\n", kClientRestarts, ""},
    };
    std::vector<ClientCommand> cmds;
    for (const Case& c : cases) {
        const std::wstring script = dir + L"\\" + std::wstring(c.name, c.name + strlen(c.name)) + L".vbs";
        ASSERT_TRUE(WriteText(script, c.script));
        cmds.push_back({CscriptCommand(script), script + L".out"});
    }
    std::vector<ClientRun> runs = RunClients(cmds, 120000);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_TRUE(runs[i].ended);
        EXPECT_EQ(cases[i].restarts, runs[i].restarts);
        EXPECT_EQ(cases[i].output, runs[i].output);
    }
}

}  // namespace
