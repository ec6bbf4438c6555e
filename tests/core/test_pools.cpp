#include <gtest/gtest.h>
#include <windows.h>
#include <thread>
#include <vector>
#include "TreeBuilder.h"
#include "server/core/LogNode.h"
#include "server/core/Except.h"

namespace {

class Pools : public PoolTest {};

void ExpectEmptyEntry(const CLogEntry* e)
{
    ASSERT_NE(nullptr, e);
    EXPECT_STREQ(L"", e->m_name.m_str);
    EXPECT_STREQ(L"", e->m_type.m_str);
    EXPECT_STREQ(L"", e->m_value.m_str);
    EXPECT_EQ(0u, e->m_key);
    EXPECT_EQ(0u, e->m_flags);
}

TEST_F(Pools, InitiallyEmpty)
{
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(0, st.nNodeBlocks);
    EXPECT_EQ(0, st.nEntryBlocks);
    EXPECT_EQ(0, st.nFreshNodes);
    EXPECT_EQ(0, st.nFreeNodes);
    EXPECT_EQ(0, st.nReturnedNodes);
    EXPECT_EQ(0, st.nNextEntry);
}

TEST_F(Pools, FirstAllocUsesNodeZeroAndEntry1023)
{
    CLogNode* n = AllocNode();
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(1, st.nNodeBlocks);
    EXPECT_EQ(1, st.nEntryBlocks);
    EXPECT_EQ(&st.pNewestNodes[0], n);
    EXPECT_EQ(&st.pCurrentEntries[1023], n->m_pEntry);
    EXPECT_EQ(nullptr, n->m_pNext);
    EXPECT_EQ(nullptr, n->m_pBack);
    EXPECT_EQ(nullptr, n->m_pChildren);
    ExpectEmptyEntry(n->m_pEntry);
    EXPECT_EQ(1022, st.nNextEntry);
    EXPECT_EQ(1023, st.nFreshNodes);
}

TEST_F(Pools, EntryBlocksRunDownAndGrow)
{
    std::vector<CLogNode*> v;
    for (int i = 0; i < 1024; ++i)
        v.push_back(AllocNode());
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(&st.pCurrentEntries[0], v[1023]->m_pEntry);   // the 1024th uses entry 0
    EXPECT_EQ(1, st.nEntryBlocks);
    EXPECT_EQ(1, st.nNodeBlocks);
    EXPECT_EQ(0, st.nFreshNodes);
    CLogNode* n = AllocNode();                               // the 1025th
    st = GetNodePoolState();
    EXPECT_EQ(2, st.nEntryBlocks);
    EXPECT_EQ(2, st.nNodeBlocks);
    EXPECT_EQ(&st.pCurrentEntries[1023], n->m_pEntry);
    EXPECT_EQ(&st.pNewestNodes[0], n);
}

TEST_F(Pools, BareNodesGrowNodeBlocksOnly)
{
    for (int i = 0; i < 1024; ++i) {
        CLogNode* n = TakeNodeFromBlock();
        ASSERT_EQ(nullptr, n->m_pEntry);
    }
    EXPECT_EQ(1, GetNodePoolState().nNodeBlocks);
    TakeNodeFromBlock();
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(2, st.nNodeBlocks);
    EXPECT_EQ(0, st.nEntryBlocks);
}

TEST_F(Pools, FreeNodeTreeSortsByEntry)
{
    // Top-level chain a, bare, c, bare; a has a child d, the first bare one a bare child.
    CLogNode* a = AllocNode();
    CLogNode* b1 = TakeNodeFromBlock();
    CLogNode* c = AllocNode();
    CLogNode* b2 = TakeNodeFromBlock();
    CLogNode* d = AllocNode();
    CLogNode* b3 = TakeNodeFromBlock();
    a->m_pNext = b1; b1->m_pBack = a;
    b1->m_pNext = c; c->m_pBack = b1;
    c->m_pNext = b2; b2->m_pBack = c;
    a->m_pChildren = d; d->m_pBack = a;
    b1->m_pChildren = b3; b3->m_pBack = b1;
    c->m_pEntry->m_name = L"c";
    c->m_pEntry->m_key = 5;
    c->m_pEntry->m_flags = 0x12345;
    CLogEntry* ce = c->m_pEntry;

    FreeNodeTree(a);
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(3, st.nFreeNodes);
    EXPECT_EQ(3, st.nReturnedNodes);

    // Flattened order d, a, b3, b1, c, b2; each kind is pushed as one chain.
    CLogNode* n = AllocNode();
    EXPECT_EQ(d, n);
    EXPECT_EQ(a, AllocNode());
    CLogNode* m = AllocNode();
    EXPECT_EQ(c, m);
    EXPECT_EQ(ce, m->m_pEntry);
    ExpectEmptyEntry(m->m_pEntry);
    EXPECT_EQ(nullptr, m->m_pNext);
    EXPECT_EQ(nullptr, m->m_pBack);
    EXPECT_EQ(nullptr, m->m_pChildren);

    // Bare nodes come back bare from TakeNodeFromBlock.
    std::vector<CLogNode*> bare = { TakeNodeFromBlock(), TakeNodeFromBlock(), TakeNodeFromBlock() };
    EXPECT_EQ((std::vector<CLogNode*>{ b3, b1, b2 }), bare);
    for (CLogNode* x : bare)
        EXPECT_EQ(nullptr, x->m_pEntry);
    // The free lists are used up: the next node is a fresh one.
    st = GetNodePoolState();
    EXPECT_EQ(0, st.nFreeNodes);
    EXPECT_EQ(0, st.nReturnedNodes);
}

TEST_F(Pools, AllocNodeGivesABareReturnedNodeAnEntry)
{
    CLogNode* b = TakeNodeFromBlock();
    FreeNodeTree(b);
    CLogNode* n = AllocNode();
    EXPECT_EQ(b, n);
    ExpectEmptyEntry(n->m_pEntry);
}

TEST_F(Pools, PushFreeChainNeverTouchesEntries)
{
    std::vector<CLogNode*> master = BuildTree({ { L"call", -1, Kind(1) | 3 }, { L"x", 0 }, { L"y", 1, Kind(2) | 0x1800 } });
    master[0]->NodeSetChecked(2, TRUE);
    CLogNode* share = NodeShareTree(master[0]);
    EXPECT_EQ(master[0]->m_pEntry, share->m_pEntry);
    PushFreeChain(share);
    EXPECT_EQ(L"call(x(y))", Dump(master[0]));
    EXPECT_EQ(Kind(1) | 3 | (1u << 24), master[0]->m_pEntry->m_flags);
    EXPECT_EQ(Kind(2) | 0x1800u, master[2]->m_pEntry->m_flags);
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(3, st.nReturnedNodes);
    EXPECT_EQ(0, st.nFreeNodes);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(nullptr, TakeNodeFromBlock()->m_pEntry);
}

TEST_F(Pools, NullIsIgnored)
{
    AllocNode();
    CNodePoolState before = GetNodePoolState();
    FreeNodeTree(nullptr);
    PushFreeChain(nullptr);
    CNodePoolState after = GetNodePoolState();
    EXPECT_EQ(before.nFreeNodes, after.nFreeNodes);
    EXPECT_EQ(before.nReturnedNodes, after.nReturnedNodes);
}

TEST_F(Pools, ReleaseResetsAndStartsAgain)
{
    for (int i = 0; i < 3000; ++i)
        AllocNode()->m_pEntry->m_name = L"some text";
    FreeNodeTree(TakeNodeFromBlock());
    ReleaseNodePools();
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(0, st.nNodeBlocks);
    EXPECT_EQ(0, st.nEntryBlocks);
    EXPECT_EQ(0, st.nFreeNodes);
    EXPECT_EQ(0, st.nReturnedNodes);
    EXPECT_EQ(0, st.nFreshNodes);
    EXPECT_EQ(0, st.nNextEntry);
    CLogNode* n = AllocNode();
    st = GetNodePoolState();
    EXPECT_EQ(&st.pNewestNodes[0], n);
    EXPECT_EQ(&st.pCurrentEntries[1023], n->m_pEntry);
}

TEST_F(Pools, TwoThreadsTakeAndReturn)
{
    // The main thread and the log thread both use the pools.
    auto work = [] {
        for (int round = 0; round < 200; ++round) {
            CLogNode* head = nullptr;
            for (int i = 0; i < 20; ++i) {
                CLogNode* n = (i & 1) ? TakeNodeFromBlock() : AllocNode();
                n->m_pNext = head;
                if (head) head->m_pBack = n;
                head = n;
            }
            FreeNodeTree(head);
        }
    };
    std::thread t1(work), t2(work);
    t1.join();
    t2.join();
    CNodePoolState st = GetNodePoolState();
    EXPECT_EQ(st.nNodeBlocks * NODE_BLOCK_SIZE, st.nFreshNodes + st.nFreeNodes + st.nReturnedNodes);
}

// ---- entries and per-view bits ---------------------------------------------

TEST_F(Pools, NodeCopyEntry)
{
    struct { DWORD src, dst, want; } cases[] = {
        // call line: client id copied, Break and view bits of the source not
        { Kind(1) | 7 | LOGF_BREAK | (1u << 14), 0, Kind(1) | 7 },
        // object / array: 0x1800 even when the source's members were loaded
        { Kind(2) | LOGF_MEMBER_TREE, 0, Kind(2) | LOGF_LOADABLE },
        { Kind(3), 0, Kind(3) | LOGF_LOADABLE },
        // "Items" group: neither bit
        { Kind(4) | LOGF_MEMBER_TREE, 0, Kind(4) },
        // the destination's own bits stay; its kind is replaced
        { Kind(0) | 9, Kind(2) | LOGF_BREAK | (1u << 23) | 4, LOGF_BREAK | (1u << 23) | 4 },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.src);
        CLogNode* s = AllocNode();
        CLogNode* d = AllocNode();
        s->m_pEntry->m_name = L"n";
        s->m_pEntry->m_type = L"t";
        s->m_pEntry->m_value = L"v";
        s->m_pEntry->m_key = 0x1234;
        s->m_pEntry->m_flags = c.src;
        d->m_pEntry->m_flags = c.dst;
        EXPECT_EQ(d, d->NodeCopyEntry(s));
        EXPECT_EQ(c.want, d->m_pEntry->m_flags);
        EXPECT_STREQ(L"n", d->m_pEntry->m_name.m_str);
        EXPECT_STREQ(L"t", d->m_pEntry->m_type.m_str);
        EXPECT_STREQ(L"v", d->m_pEntry->m_value.m_str);
        EXPECT_EQ(0x1234u, d->m_pEntry->m_key);
        EXPECT_NE(s->m_pEntry->m_name.m_str, d->m_pEntry->m_name.m_str);
    }
    // Without an entry on either side nothing happens.
    CLogNode* bare = TakeNodeFromBlock();
    CLogNode* full = AllocNode();
    full->m_pEntry->m_name = L"keep";
    EXPECT_EQ(bare, bare->NodeCopyEntry(full));
    EXPECT_EQ(nullptr, bare->m_pEntry);
    full->NodeCopyEntry(bare);
    EXPECT_STREQ(L"keep", full->m_pEntry->m_name.m_str);
    // A shared entry copied onto itself keeps its texts.
    CLogNode* sh = TakeNodeFromBlock();
    sh->m_pEntry = full->m_pEntry;
    sh->NodeCopyEntry(full);
    EXPECT_STREQ(L"keep", full->m_pEntry->m_name.m_str);
}

TEST_F(Pools, PerViewBits)
{
    CLogNode* n = AllocNode();
    n->NodeSetChecked(0, TRUE);
    n->NodeSetChecked(3, TRUE);
    EXPECT_EQ((1u << 22) | (1u << 25), n->m_pEntry->m_flags);
    EXPECT_TRUE(n->NodeIsChecked(3));
    n->NodeSetChecked(3, FALSE);
    EXPECT_FALSE(n->NodeIsChecked(3));
    EXPECT_TRUE(n->NodeIsChecked(0));
    for (int v = 0; v < LOG_VIEW_COUNT; ++v) {
        n->m_pEntry->m_flags = 0;
        n->NodeSetExpanded(v, TRUE);
        EXPECT_EQ(1u << (14 + v), n->m_pEntry->m_flags);
        EXPECT_EQ(1, n->NodeIsExpanded(v));
        EXPECT_EQ(0, n->NodeIsChecked(v));
        n->NodeSetExpanded(v, FALSE);
        EXPECT_EQ(0u, n->m_pEntry->m_flags);
    }
}

TEST_F(Pools, ResetEmptiesTexts)
{
    CLogNode* n = AllocNode();
    n->m_pEntry->m_name = L"a long name";
    n->m_pEntry->m_value = L"v";
    n->m_pEntry->m_key = 3;
    n->m_pEntry->m_flags = 0xFFFF;
    n->m_pEntry->Reset();
    ExpectEmptyEntry(n->m_pEntry);
}

} // namespace

// A client's object graph can make a very deep tree; returning it must not
// recurse once per level.
TEST_F(Pools, FreeNodeTreeOfAVeryDeepTree)
{
    const int kDepth = 200000;
    CLogNode* pRoot = TakeNodeFromBlock();
    CLogNode* pParent = pRoot;
    for (int i = 1; i < kDepth; ++i) {
        CLogNode* pChild = (i % 2) ? AllocNode() : TakeNodeFromBlock();
        pChild->m_pBack = pParent;
        pParent->m_pChildren = pChild;
        pParent = pChild;
    }
    FreeNodeTree(pRoot);
    CNodePoolState s = GetNodePoolState();
    EXPECT_EQ(kDepth / 2, s.nFreeNodes);
    EXPECT_EQ(kDepth / 2, s.nReturnedNodes);
}
