// The types that a script client's objects show are kept for that client
// while it is connected and go with it: a real client, the real Connect
// object and main frame, the stand-in log side.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ScriptHost.h"
#include "mainframe_fakes.h"
#include "server/capture/TypeCache.h"
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

}  // namespace
