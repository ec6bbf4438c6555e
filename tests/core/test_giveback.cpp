// Operations that fail part way give back what they built: the string
// allocations of this executable fail from a chosen one on, and the pools
// must have every node back (or the input whole again) afterwards.
#include <gtest/gtest.h>
#include <windows.h>
#include "FailingAlloc.h"
#include "TreeBuilder.h"
#include "server/core/Bstr.h"
#include "server/core/CheckedRoots.h"
#include "server/core/Except.h"

namespace {

// Nodes handed out of the pools and not yet back.
int NodesInUse()
{
    CNodePoolState st = GetNodePoolState();
    return st.nNodeBlocks * NODE_BLOCK_SIZE - st.nFreshNodes - st.nFreeNodes - st.nReturnedNodes;
}

class GiveBack : public PoolTest {};

} // namespace

TEST_F(GiveBack, TrimWithoutMemoryKeepsTheTextAndItsLength)
{
    CBstr b(L"  a b  ");
    {
        CFailingBstrAlloc fail(0);
        EXPECT_THROW(b.Trim(), CExcept);
        EXPECT_EQ(1, CFailingBstrAlloc::Failed());
    }
    EXPECT_STREQ(L"  a b  ", b.m_str);
    EXPECT_EQ(wcslen(b.m_str), SysStringLen(b.m_str));
}

// A copy whose entry copy fails gives its node back, at any node of the chain.
TEST_F(GiveBack, CopiesThatFailLeaveNoNodeBehind)
{
    std::vector<CLogNode*> n = BuildTree({ { L"a", -1 }, { L"b", 0 }, { L"c", -1 }, { L"d", 2 } });
    const int nSource = NodesInUse();
    for (int nAllowed = 0; nAllowed < 12; ++nAllowed) {
        SCOPED_TRACE(nAllowed);
        CLogNode* pCopy = nullptr;
        {
            CFailingBstrAlloc fail(nAllowed);
            try {
                pCopy = NodeCopyTree(n[0]);
            } catch (const CExcept& e) {
                EXPECT_EQ(11u, e.m_nCode);
            }
        }
        if (pCopy)
            FreeNodeTree(pCopy);
        EXPECT_EQ(nSource, NodesInUse());
    }
    FreeNodeTree(n[0]);
    EXPECT_EQ(0, NodesInUse());
}

// Grouping by label fails at a later group: the groups made go back, the
// call lines are one chain again from the first one.
TEST_F(GiveBack, GroupingThatFailsGivesBackItsGroups)
{
    std::vector<CLogNode*> n = BuildTree({ { L"A", -1, Kind(1) | 1 }, { L"B", -1, Kind(1) | 2 },
                                           { L"A", -1, Kind(1) | 3 }, { L"C", -1, Kind(1) | 1 } });
    for (int nAllowed = 0; nAllowed < 3; ++nAllowed) {
        SCOPED_TRACE(nAllowed);
        const int nBefore = NodesInUse();
        CLogNode* g = nullptr;
        {
            CFailingBstrAlloc fail(nAllowed);
            EXPECT_THROW(g = GroupRootsByClientAndLabel(n[0], FALSE, TRUE), CExcept);
        }
        EXPECT_EQ(nullptr, g);
        EXPECT_EQ(nBefore, NodesInUse()) << "no group node left";
        int nLines = 0;
        for (CLogNode* p = n[0]; p; p = p->m_pNext) {
            EXPECT_EQ(p == n[0] ? nullptr : p->m_pBack->m_pNext, p == n[0] ? nullptr : p);
            EXPECT_EQ((DWORD)LOGK_CALL, p->m_pEntry->Kind());
            ++nLines;
        }
        EXPECT_EQ(4, nLines);
        EXPECT_EQ(nullptr, n[0]->m_pBack);
    }
    CLogNode* g = GroupRootsByClientAndLabel(n[0], FALSE, TRUE);
    EXPECT_EQ(3, NodeCountList(g));
    FreeNodeTree(g);
    EXPECT_EQ(0, NodesInUse());
}
