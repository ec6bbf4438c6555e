#include <gtest/gtest.h>
#include <windows.h>
#include "TreeBuilder.h"
#include "server/core/CheckedRoots.h"

namespace {

class CheckedRoots : public PoolTest {
protected:
    const int v = 2;
    // Checks a node as the tree view does (node only) and updates the set.
    void Check(CLogNode* n, BOOL on)
    {
        n->NodeSetChecked(v, on);
        UpdateCheckedRoots(set, n, on, v);
    }
    // Copy, regroup, merge and list, as the dialogs do.
    std::wstring Collect(BOOL client, BOOL label, BOOL object, BOOL path, BOOL find)
    {
        CLogNode* c = CopyCheckedRoots(set, v, object, path, find);
        if (!c)
            return L"<null>";
        CLogNode* g = ChildTreesToLists(MergeGroupMembers(GroupRootsByClientAndLabel(c, client, label)));
        EXPECT_TRUE(LinksOk(g));
        std::wstring s = Dump(g);
        FreeNodeTree(g);
        return s;
    }
    CCheckedRootSet set;
};

TEST_F(CheckedRoots, TraceRoot)
{
    auto n = BuildTree({ { L"c1", -1, Kind(1) }, { L"a", 0 }, { L"b", 0 }, { L"b1", 2 }, { L"c2", -1, Kind(1) } });
    EXPECT_EQ(n[0], NodeTraceRoot(n[3]));
    EXPECT_EQ(n[0], NodeTraceRoot(n[2]));
    EXPECT_EQ(n[4], NodeTraceRoot(n[4]));
    EXPECT_EQ(nullptr, NodeTraceRoot(nullptr));
    auto orphan = BuildTree({ { L"m", -1 }, { L"k", 0 } });
    EXPECT_EQ(nullptr, NodeTraceRoot(orphan[1]));
}

TEST_F(CheckedRoots, SetFollowsChecks)
{
    auto n = BuildTree({ { L"call", -1, Kind(1) | 1 }, { L"a", 0 }, { L"b", 0 }, { L"b1", 2 } });
    Check(n[3], TRUE);
    EXPECT_EQ(1u, set.count(n[0]));
    Check(n[1], TRUE);
    EXPECT_EQ(1u, set.size());
    Check(n[3], FALSE);
    EXPECT_EQ(1u, set.count(n[0]));     // a is still checked
    Check(n[1], FALSE);
    EXPECT_TRUE(set.empty());
    // Another view's check does not keep the root.
    n[1]->NodeSetChecked(0, TRUE);
    Check(n[3], TRUE);
    Check(n[3], FALSE);
    EXPECT_TRUE(set.empty());
    EXPECT_TRUE(AnyNodeChecked(n[0], 0));
    EXPECT_FALSE(AnyNodeChecked(n[0], v));
}

TEST_F(CheckedRoots, UncheckAll)
{
    auto n = BuildTree({ { L"c1", -1, Kind(1) }, { L"a", 0 }, { L"c2", -1, Kind(1) }, { L"b", 2 },
                         { L"c3", -1, Kind(1) }, { L"d", 4 } });
    for (CLogNode* x : n)
        x->NodeSetChecked(5, TRUE);
    Check(n[1], TRUE);
    Check(n[0], TRUE);
    Check(n[5], TRUE);
    Check(n[3], TRUE);
    EXPECT_EQ(3u, set.size());
    UncheckAllRoots(set, v);
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(AnyNodeChecked(n[0], v));
    for (CLogNode* x : n)
        EXPECT_TRUE(x->NodeIsChecked(5));
}

// c1 (client 1, "A"): x(y(z)), o(kind 2)(p, Items(kind 4)(Item 1, Item 3)), arr(kind 3)([ 1 ], [ 2 ])
// c2 (client 2, "B"): x(y(z)), w
// c3 (client 1, "A"): b(q), a
class Regroup : public CheckedRoots {
protected:
    void SetUp() override
    {
        CheckedRoots::SetUp();
        n = BuildTree({
            { L"A", -1, Kind(1) | 1 },                      // 0
            { L"x", 0 }, { L"y", 1 }, { L"z", 2 },          // 1 2 3
            { L"o", 0, Kind(2) | 0x1800 },                  // 4
            { L"p", 4 },                                    // 5
            { L"Items", 4, Kind(4) },                       // 6
            { L"Item 1", 6, Kind(2) }, { L"Item 3", 6 },    // 7 8
            { L"arr", 0, Kind(3) }, { L"[ 1 ]", 9 }, { L"[ 2 ]", 9 },   // 9 10 11
            { L"B", -1, Kind(1) | 2 },                      // 12
            { L"x", 12 }, { L"y", 13 }, { L"z", 14 },       // 13 14 15
            { L"w", 12 },                                   // 16
            { L"A", -1, Kind(1) | 1 },                      // 17
            { L"b", 17 }, { L"q", 18 }, { L"a", 17 },       // 18 19 20
        });
    }
    std::vector<CLogNode*> n;
};

TEST_F(Regroup, PathAndName)
{
    Check(n[3], TRUE);      // z under c1
    struct { BOOL path; const wchar_t* want; } cases[] = {
        { TRUE, L"(x(y(z)))" },
        { FALSE, L"(z)" },
    };
    for (auto& c : cases)
        EXPECT_EQ(c.want, Collect(FALSE, FALSE, TRUE, c.path, FALSE));
}

TEST_F(Regroup, NameGivesContainers)
{
    struct { std::vector<int> checks; const wchar_t* want; } cases[] = {
        { { 11 }, L"(arr([ 2 ]))" },                 // element in its array
        { { 8 }, L"(o(Items(Item 3)))" },            // item in Items in its collection
        { { 6 }, L"(o(Items))" },                    // the Items group itself
        { { 10, 11 }, L"(arr([ 1 ],[ 2 ]))" },       // elements gathered in one array
    };
    for (auto& c : cases) {
        for (int i : c.checks) Check(n[i], TRUE);
        EXPECT_EQ(c.want, Collect(FALSE, FALSE, TRUE, FALSE, FALSE));
        for (int i : c.checks) Check(n[i], FALSE);
        EXPECT_TRUE(set.empty());
    }
}

TEST_F(Regroup, FindFlagBringsContents)
{
    struct { int check; BOOL path; const wchar_t* want; } cases[] = {
        { 1, TRUE, L"(x(y(z)))" },                          // with its whole subtree
        { 1, FALSE, L"(x)" },                               // plain value: the copy alone
        { 4, FALSE, L"(o(Items(Item 1,Item 3),p))" },       // object with Items keeps its place
        { 9, FALSE, L"(arr([ 1 ],[ 2 ]))" },                // array with its direct elements
        { 6, FALSE, L"(o(Items(Item 1,Item 3)))" },         // Items group in its collection
        { 7, FALSE, L"<group>" },                           // object item without members
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.check);
        Check(n[c.check], TRUE);
        std::wstring got = Collect(FALSE, FALSE, TRUE, c.path, TRUE);
        EXPECT_EQ(c.want == std::wstring(L"<group>") ? std::wstring(L"") : std::wstring(c.want), got);
        Check(n[c.check], FALSE);
    }
    // An object without "Items" is replaced by its direct members.
    auto m = BuildTree({ { L"C", -1, Kind(1) | 1 }, { L"obj", 0, Kind(2) }, { L"k", 1 }, { L"j", 1 }, { L"j1", 3 } });
    Check(m[1], TRUE);
    EXPECT_EQ(L"(j,k)", Collect(FALSE, FALSE, TRUE, FALSE, TRUE));
}

TEST_F(Regroup, ObjectClear)
{
    Check(n[3], TRUE);                 // only a member of c1
    EXPECT_EQ(L"<null>", Collect(FALSE, FALSE, FALSE, FALSE, FALSE));
    Check(n[12], TRUE);                // c2 as a whole
    CLogNode* c = CopyCheckedRoots(set, v, FALSE, FALSE, FALSE);
    ASSERT_NE(nullptr, c);
    EXPECT_EQ(L"B", Dump(c));
    CLogNode* g = MergeGroupMembers(GroupRootsByClientAndLabel(c, TRUE, TRUE));
    EXPECT_EQ(nullptr, g->m_pChildren);
    EXPECT_EQ(2, NodeClientId(g));
    EXPECT_STREQ(L"B", g->m_pEntry->m_name.m_str);
    FreeNodeTree(g);
    EXPECT_EQ(L"<null>", [&] { CCheckedRootSet empty; return CopyCheckedRoots(empty, v, TRUE, TRUE, FALSE) ? L"x" : L"<null>"; }());
}

TEST_F(Regroup, GroupsByClientAndLabel)
{
    // Members checked under the three calls; the set orders them by node
    // identity, which is creation order here (one block).
    Check(n[1], TRUE);     // c1 x
    Check(n[16], TRUE);    // c2 w
    Check(n[13], TRUE);    // c2 x
    Check(n[18], TRUE);    // c3 b
    Check(n[20], TRUE);    // c3 a
    struct { BOOL client, label; const wchar_t* want; } cases[] = {
        { FALSE, FALSE, L"(a,b,w,x)" },
        { TRUE, FALSE, L"(a,b,x),(w,x)" },
        { FALSE, TRUE, L"A(a,b,x),B(w,x)" },
        { TRUE, TRUE, L"A(a,b,x),B(w,x)" },
    };
    for (auto& c : cases)
        EXPECT_EQ(c.want, Collect(c.client, c.label, TRUE, FALSE, FALSE)) << c.client << c.label;

    CLogNode* copies = CopyCheckedRoots(set, v, TRUE, FALSE, FALSE);
    CLogNode* g = GroupRootsByClientAndLabel(copies, TRUE, FALSE);
    EXPECT_EQ(1, NodeClientId(g));
    EXPECT_EQ(2, NodeClientId(g->m_pNext));
    EXPECT_STREQ(L"", g->m_pEntry->m_name.m_str);
    EXPECT_EQ(Kind(1) | 1, g->m_pEntry->m_flags);
    EXPECT_EQ(0u, g->m_pEntry->m_key);
    EXPECT_EQ(L"A(x),A(b,a)", Dump(g->m_pChildren));  // the calls keep their order
    FreeNodeTree(g);
    CLogNode* one = GroupRootsByClientAndLabel(CopyCheckedRoots(set, v, TRUE, FALSE, FALSE), FALSE, FALSE);
    EXPECT_EQ(nullptr, one->m_pNext);
    EXPECT_EQ(0, NodeClientId(one));
    EXPECT_STREQ(L"", one->m_pEntry->m_name.m_str);
    FreeNodeTree(one);
    EXPECT_EQ(nullptr, GroupRootsByClientAndLabel(nullptr, TRUE, TRUE));
}

TEST_F(Regroup, MergeUnitesEqualMembers)
{
    // Two calls of one group with members (x(y(z)), w) and (x(y(z)), ...): x merged.
    Check(n[3], TRUE);     // c1 z
    Check(n[16], TRUE);    // c2 w
    Check(n[15], TRUE);    // c2 z
    EXPECT_EQ(L"(w,x(y(z)))", Collect(FALSE, FALSE, TRUE, TRUE, FALSE));
}

TEST_F(Regroup, ListsAndTreesRoundTrip)
{
    Check(n[1], TRUE);
    Check(n[16], TRUE);
    Check(n[20], TRUE);
    CLogNode* g = ChildTreesToLists(MergeGroupMembers(GroupRootsByClientAndLabel(
        CopyCheckedRoots(set, v, TRUE, FALSE, FALSE), FALSE, FALSE)));
    EXPECT_EQ(L"(a,w,x)", Dump(g));
    ChildListsToTrees(g);
    EXPECT_EQ(L"[a]w[x]", DumpTree(g->m_pChildren));
    // The extract merge searches these trees.
    CLogNode* r = BuildExtractResult(n[0], g, FALSE, FALSE, TRUE, TRUE);
    EXPECT_EQ(L"A(x(y(z))),B(x(y(z)),w),A(a)", Dump(r));
    PushFreeChain(r);
    ChildTreesToLists(g);
    EXPECT_EQ(L"(a,w,x)", Dump(g));
    FreeNodeTree(g);
}

} // namespace
