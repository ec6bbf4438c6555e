// What the tests with real script clients share: a folder for the scripts,
// whole-file writes and reads, a client process whose console goes to a file
// while this thread serves its calls, and the fixture that offers the
// Connect class object from this process to the real main frame.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "mainframe_fakes.h"

// The folder of that name in the temp folder, made when missing.
std::wstring ScriptFolder(const wchar_t* pszName);

bool WriteText(const std::wstring& path, const std::string& text);
// The whole file; pszIfMissing when it cannot be opened.
std::string ReadText(const std::wstring& path, const char* pszIfMissing = "");
// The lines of text without their line ends.
std::vector<std::string> TextLines(const std::string& text);

// The command line that runs a script with cscript.
std::wstring CscriptCommand(const std::wstring& script);

// Starts the command with its stdout and stderr going to the file outPath
// (made anew).
bool StartClient(const std::wstring& cmd, const std::wstring& outPath, PROCESS_INFORMATION* pi);

struct ClientRun {
    bool started = false;
    bool ended = false;     // by itself, in time
    std::string output;     // what it printed ("<no output>" when there is no file)
    int restarts = 0;       // times it was started again because its script never began
};
// Starts the command as StartClient does and serves this thread's messages,
// as the program's message loop would, until it ends or ms have passed (then
// it is terminated); lets the client's last releases arrive. A client run
// alone is never started again (see RunClients).
ClientRun RunClient(const std::wstring& cmd, const std::wstring& outPath, DWORD ms);

struct ClientCommand {
    std::wstring cmd;
    std::wstring outPath;
};
// The same for clients that run at the same time, each with its own output
// file; ms is the limit for all of them together.
//
// Under Wine a cscript.exe started together with others now and then never
// runs its script: it ends (or sits) without having printed anything. So
// every script run here prints a line at its very start, before it creates
// its server object, and a client that ended with no output at all, or
// printed nothing within kClientBeginMs, is started again (up to
// kClientRestarts times): it made no call, so the server saw nothing of it.
// A client that printed anything is never started again, whatever happened
// to it after. The restarts are told on stderr and recorded as the test's
// property "clients_restarted".
std::vector<ClientRun> RunClients(const std::vector<ClientCommand>& clients, DWORD ms);
constexpr DWORD kClientBeginMs = 30000;
constexpr int kClientRestarts = 3;

// The class's keys with a server that does not exist, so that clients reach
// the class object this process offers (local server, multiple use) while
// the real main frame runs with the stand-in log side.
class ScriptHostTest : public ::testing::Test {
public:
    using Answer = std::function<void(HWND hMain, CLogNode* pNode)>;

protected:
    // answer: what the log side does with each call; by default it goes on.
    explicit ScriptHostTest(Answer answer = {});

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<MainFrameHost> host;
    BoxWatcher boxes;

private:
    Answer m_answer;
};
