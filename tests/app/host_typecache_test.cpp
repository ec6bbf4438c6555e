// The types that a script client's objects show are kept for that client
// while it is connected and go with it: a real client, the real Connect
// object and main frame, the stand-in log side. Every emptying of the log
// drops them too, for clients that stay.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ScriptHost.h"
#include "mainframe_fakes.h"
#include "server/capture/TypeCache.h"
#include "server/core/Globals.h"
#include "server/core/LogNode.h"
#include "server/core/Messages.h"

namespace {

// What the client's kept types held when each call reached the log side.
std::vector<size_t> g_kept;

class TypeCacheHostTest : public ScriptHostTest {
protected:
    TypeCacheHostTest()
        : ScriptHostTest([](HWND hMain, CLogNode* pNode) {
              g_kept.push_back(CClientTypes::TypeCount(static_cast<UINT>(pNode->m_pEntry->ClientId())));
              PostToMain(hMain, UM_CONTINUE);
          }) {}
};

TEST_F(TypeCacheHostTest, AClientKeepsItsTypesUntilItLeaves) {
    g_kept.clear();
    std::wstring script = ScriptFolder(L"zv_host") + L"\\typecache.vbs";
    ASSERT_TRUE(WriteText(script, R"(
Set c = CreateObject("Zavetra.Connect")
Set d = CreateObject("Scripting.Dictionary")
d.Add "k", "v"
c.Tr "first", Array("d", d)
c.Tr "later", Array("d", d)
c.Tr "plain", Array("n", 1)
Set c = Nothing
WScript.Echo "done"
)"));
    ClientRun run = RunClient(CscriptCommand(script), script + L".out", 60000);
    SCOPED_TRACE(run.output);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((std::vector<size_t>{1, 1, 1}), g_kept) << "the dictionary's type, kept from the first call on";
    const CLogNode* pFirst = host->Doc()->GetHead();
    ASSERT_NE(nullptr, pFirst);
    const UINT nClient = static_cast<UINT>(pFirst->m_pEntry->ClientId());
    EXPECT_EQ(0u, CClientTypes::TypeCount(nClient)) << "gone with the client";
    // The two calls recorded the same members.
    const CLogNode* pLater = pFirst->m_pNext;
    ASSERT_NE(nullptr, pLater);
    std::vector<std::wstring> first, later;
    for (const CLogNode* p = pFirst->m_pChildren->m_pChildren; p; p = p->m_pNext) first.push_back(p->m_pEntry->m_name.m_str);
    for (const CLogNode* p = pLater->m_pChildren->m_pChildren; p; p = p->m_pNext) later.push_back(p->m_pEntry->m_name.m_str);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, later);
}

// The main frame empties the log on Release Memory, when the log window is
// closed, and when the last client leaves or a new one comes without a log
// window: no type kept from before outlives it. A client leaving while the
// log stays takes only its own.
enum class Emptying { ReleaseMemory, LogWindowClosed, LastClientLeaves, ClientComes, ReadyClientLeaves };

struct EmptyingCase {
    const char* name;
    Emptying how;
    size_t nKeptAfter;
};

const EmptyingCase kEmptyings[] = {
    {"Release Memory", Emptying::ReleaseMemory, 0},
    {"log window closed", Emptying::LogWindowClosed, 0},
    {"last client leaves without log window", Emptying::LastClientLeaves, 0},
    {"a client comes without log window", Emptying::ClientComes, 0},
    {"last client leaves, the log stays", Emptying::ReadyClientLeaves, 1},
};

class TypesAtEmptyingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        FakeLog::Get().Reset();
    }
    void TearDown() override {
        FakeLog::Get().Reset();
        ResetGlobals();
    }
    BoxWatcher boxes;
};

TEST_F(TypesAtEmptyingTest, EmptyingTheLogDropsTheKeptTypes) {
    const UINT nClient = 0x7E57;   // an id no other client of this process holds
    const CTypeKey key = {{0x5A17E7A0, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}, TKIND_DISPATCH, 0x409, 1, 0, 2, 1};
    for (const EmptyingCase& c : kEmptyings) {
        SCOPED_TRACE(c.name);
        FakeLog::Get().Reset();
        ResetGlobals();
        MainFrameHost host;
        ASSERT_EQ(0u, host.Connect());
        CClientTypes::Connected(nClient);
        CClientTypes::Store(nClient, key, std::make_shared<CTypeMembers>());
        ASSERT_EQ(1u, CClientTypes::TypeCount(nClient));
        if (c.how == Emptying::LastClientLeaves || c.how == Emptying::ClientComes) {
            // The log window goes during a call: the log stays until a client comes or goes.
            FakeLog::Get().onAddEntry = [](HWND, CLogNode*) { ::DestroyWindow(FakeLog::Get().hLogWindow); };
            ASSERT_EQ(4u, host.Trace(L"held"));
        } else {
            ASSERT_EQ(0u, host.Trace(L"held"));
        }
        ASSERT_NE(nullptr, host.Doc()->GetHead());
        ASSERT_EQ(1u, CClientTypes::TypeCount(nClient));

        switch (c.how) {
        case Emptying::ReleaseMemory:
            PostToMain(host.Hwnd(), UM_RELEASE_MEMORY, host.Frame()->GetHandedCalls());
            PumpMessages();
            break;
        case Emptying::LogWindowClosed:
            host.Frame()->GetLogThread()->PostThreadMessage(FAKE_CLOSE_LOGWINDOW, 0, 0);
            for (ULONGLONG end = ::GetTickCount64() + 5000; host.Frame()->GetLogThread() && ::GetTickCount64() < end;)
                PumpMessages(5);
            ASSERT_EQ(nullptr, host.Frame()->GetLogThread());
            break;
        case Emptying::LastClientLeaves:
        case Emptying::ReadyClientLeaves:
            EXPECT_EQ(0u, host.Disconnect());
            break;
        case Emptying::ClientComes:
            EXPECT_EQ(0u, host.Connect());
            break;
        }

        EXPECT_EQ(c.nKeptAfter, CClientTypes::TypeCount(nClient));
        EXPECT_EQ(c.nKeptAfter == 0, host.Doc()->GetHead() == nullptr) << "the log was emptied";
        // The client itself is still known: what it shows next is kept again.
        EXPECT_TRUE(CClientTypes::Keeps(nClient));
        CClientTypes::Disconnected(nClient);
        EXPECT_EQ(0u, CClientTypes::TypeCount(nClient));
        EXPECT_TRUE(boxes.TakeTexts().empty());
    }
}

}  // namespace
