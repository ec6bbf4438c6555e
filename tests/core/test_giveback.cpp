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

// The checked members are copied for the dialogs in every way they ask for,
// with the allocations failing at each copy in turn: whatever was copied
// before the failure goes back, the nodes in use are those of the source.
TEST_F(GiveBack, CheckedCopiesThatFailLeaveNoNodeBehind)
{
    const int v = 1;
    std::vector<CLogNode*> n = BuildTree({
        { L"A", -1, Kind(1) | 1 },                                  // 0
        { L"x", 0 }, { L"y", 1 },                                   // 1 2
        { L"o", 0, Kind(2) }, { L"p", 3 },                          // 3 4
        { L"Items", 3, Kind(4) }, { L"Item 1", 5 }, { L"Item 2", 5 },   // 5 6 7
        { L"arr", 0, Kind(3) }, { L"[ 1 ]", 8 }, { L"[ 2 ]", 8 },   // 8 9 10
        { L"B", -1, Kind(1) | 2 },                                  // 11
        { L"w", 11 }, { L"q", 12 },                                 // 12 13
    });
    CCheckedRootSet set;
    for (int i : { 2, 4, 7, 10, 11, 12 }) {
        n[i]->NodeSetChecked(v, TRUE);
        set.insert(NodeTraceRoot(n[i]));
    }
    const int nSource = NodesInUse();
    struct { const char* name; BOOL bObject, bPath, bFind; } const kWays[] = {
        { "checked calls", FALSE, FALSE, FALSE },
        { "members by name", TRUE, FALSE, FALSE },
        { "members by path", TRUE, TRUE, FALSE },
        { "found by name", TRUE, FALSE, TRUE },
        { "found by path", TRUE, TRUE, TRUE },
    };
    for (const auto& w : kWays) {
        SCOPED_TRACE(w.name);
        int nFailures = 0;
        for (int nAllowed = 0;; ++nAllowed) {
            ASSERT_LT(nAllowed, 100) << "the copy never succeeded";
            SCOPED_TRACE(nAllowed);
            CLogNode* pCopy = nullptr;
            bool bFailed = false;
            {
                CFailingBstrAlloc fail(nAllowed);
                try {
                    pCopy = CopyCheckedRoots(set, v, w.bObject, w.bPath, w.bFind);
                } catch (const CExcept& e) {
                    EXPECT_EQ(11u, e.m_nCode);
                    bFailed = true;
                }
            }
            if (!bFailed) {
                ASSERT_NE(nullptr, pCopy);
                FreeNodeTree(pCopy);
                EXPECT_EQ(nSource, NodesInUse());
                break;
            }
            ++nFailures;
            EXPECT_EQ(nullptr, pCopy);
            EXPECT_EQ(nSource, NodesInUse()) << "nodes of the failed copy were kept";
        }
        EXPECT_GT(nFailures, 1);
    }
    FreeNodeTree(n[0]);
    EXPECT_EQ(0, NodesInUse());
}
