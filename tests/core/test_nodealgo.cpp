#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>
#include "TreeBuilder.h"
#include "server/core/NodeAlgo.h"

namespace {

class NodeAlgo : public PoolTest {
protected:
    CLogNode* Leaf(const wchar_t* name, DWORD flags = 0)
    {
        CLogNode* n = AllocNode();
        n->m_pEntry->m_name = name;
        n->m_pEntry->m_flags = flags;
        return n;
    }
    // A chain of leaves in list form.
    CLogNode* Chain(std::initializer_list<const wchar_t*> names)
    {
        std::vector<TreeRow> rows;
        for (const wchar_t* n : names)
            rows.push_back({ n, -1 });
        return BuildTree(rows)[0];
    }
};

TEST_F(NodeAlgo, ListToTreeShapes)
{
    struct { std::initializer_list<const wchar_t*> names; const wchar_t* tree; } cases[] = {
        { { L"A" }, L"A" },
        { { L"A", L"B" }, L"[A]B" },
        { { L"A", L"B", L"C" }, L"[A]B[C]" },
        { { L"A", L"B", L"C", L"D" }, L"[[A]B]C[D]" },
        { { L"A", L"B", L"C", L"D", L"E", L"F", L"G" }, L"[[A]B[C]]D[[E]F[G]]" },
    };
    for (auto& c : cases) {
        CLogNode* head = Chain(c.names);
        CLogNode* root = NodeListToTree(head, (int)c.names.size());
        EXPECT_EQ(c.tree, DumpTree(root));
        CLogNode* tail = nullptr;
        CLogNode* list = NodeTreeToList(root, tail);
        EXPECT_EQ(head, list);
        EXPECT_EQ(nullptr, list->m_pBack);
        EXPECT_TRUE(LinksOk(list));
        EXPECT_EQ(NameOf(tail), std::wstring(*(c.names.end() - 1)));
        EXPECT_EQ(nullptr, tail->m_pNext);
    }
    CLogNode* t = reinterpret_cast<CLogNode*>(1);
    EXPECT_EQ(nullptr, NodeListToTree(nullptr, 0));
    EXPECT_EQ(nullptr, NodeTreeToList(nullptr, t));
    EXPECT_EQ(nullptr, t);
}

TEST_F(NodeAlgo, ConversionsReachEveryLevel)
{
    auto n = BuildTree({ { L"r", -1 }, { L"a", 0 }, { L"b", 0 }, { L"c", 0 },
                         { L"x", 2 }, { L"y", 2 }, { L"s", -1 } });
    CLogNode* root = NodeListToTree(n[0], 2);
    EXPECT_EQ(L"[r{[a]b{[x]y}[c]}]s", DumpTree(root));
    CLogNode* tail;
    CLogNode* list = NodeTreeToList(root, tail);
    EXPECT_EQ(L"r(a,b(x,y),c),s", Dump(list));
    EXPECT_TRUE(LinksOk(list));
}

TEST_F(NodeAlgo, TreeToListOfDegenerateTrees)
{
    // Trees built by insertion in sorted order are chains of one side.
    for (int rev = 0; rev < 2; ++rev) {
        CLogNode* parent = Leaf(L"p");
        const int N = 20000;
        for (int i = 0; i < N; ++i) {
            wchar_t buf[16];
            swprintf(buf, 16, L"%05d", rev ? N - 1 - i : i);
            NodeFindOrInsertChild(parent, Leaf(buf), TRUE);
        }
        CLogNode* tail;
        CLogNode* list = NodeTreeToList(parent->m_pChildren, tail);
        EXPECT_EQ(N, NodeCountList(list));
        EXPECT_EQ(L"00000", NameOf(list));
        EXPECT_EQ(L"19999", NameOf(tail));
        bool sorted = true;
        for (CLogNode* x = list; x->m_pNext; x = x->m_pNext)
            if (CompareNamesExact(x->m_pEntry->m_name.m_str, x->m_pNext->m_pEntry->m_name.m_str) >= 0)
                sorted = false;
        EXPECT_TRUE(sorted);
    }
}

TEST_F(NodeAlgo, Orderings)
{
    struct { DWORD parentKind; const wchar_t* a; const wchar_t* b; int want; } cases[] = {
        { 0, L"Value", L"value", -1 },
        { 0, L"Item", L"Items", -1 },
        { 0, L"[ 10 ]", L"[ 9 ]", -1 },
        { 0, L"\u00E9", L"z", 1 },            // unsigned code units
        { 3, L"[ 10 ]", L"[ 9 ]", 1 },
        { 3, L"[ 1, 2 ]", L"[ 5 ]", 1 },      // two values after one
        { 3, L"[ 2, 1 ]", L"[ 2, 1 ]", 0 },
        { 3, L"[ -1 ]", L"[ 5 ]", 1 },        // -1 taken as unsigned
        { 4, L"Item 3 (Name)", L"Item 3 (Size)", 0 },
        { 4, L"Item 3 (Text)", L"Item 3 (Name)", 1 },
        { 4, L"Item 12", L"Item 3", 1 },
        { 2, L"Item 12", L"Item 3", -1 },     // an object orders by name
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.parentKind << " " << std::wstring(c.a) << " / " << std::wstring(c.b));
        CLogNode* parent = Leaf(L"p", Kind(c.parentKind));
        CLogNode* b = Leaf(c.b);
        parent->m_pChildren = b;
        CLogNode* a = Leaf(c.a);
        CLogNode* found = NodeFindChild(parent, a);
        EXPECT_EQ(c.want == 0, found == b);
        CLogNode* got = NodeFindOrInsertChild(parent, a, TRUE);
        if (c.want == 0) {
            EXPECT_EQ(b, got);
            EXPECT_EQ(nullptr, b->m_pNext);
            EXPECT_EQ(nullptr, b->m_pBack);
        } else {
            EXPECT_EQ(a, got);
            EXPECT_EQ(a, c.want > 0 ? b->m_pNext : b->m_pBack);
        }
    }
}

TEST_F(NodeAlgo, ParseIndexVector)
{
    struct { const wchar_t* name; std::vector<DWORD> want; } cases[] = {
        { L"[ 1, 2 ]", { 1, 2 } },
        { L"[ 10 ]", { 10 } },
        { L"Item 12", { 12 } },
        { L"Item 3 (Name)", { 3, 0, 0 } },
        { L"Item 3 (Text)", { 3, 0, 0, 0 } },
        { L"[ -1 ]", { 0xFFFFFFFFu } },
        { L"", {} },
        { L"[ 99999999999 ]", { 0x7FFFFFFFu } },   // clamped like a 32-bit conversion
    };
    for (auto& c : cases) {
        std::vector<DWORD> v;
        ParseIndexVector(c.name, v);
        EXPECT_EQ(c.want, v) << std::wstring(c.name).size();
    }
    std::vector<DWORD> v{ 9 };
    CLogNode* bare = TakeNodeFromBlock();
    ParseIndexVector(bare, v);
    EXPECT_TRUE(v.empty());
    EXPECT_EQ(0, CompareIndexVectors({ 1, 2 }, { 1, 2 }));
    EXPECT_LT(CompareIndexVectors({ 7 }, { 1, 2 }), 0);
    EXPECT_GT(CompareIndexVectors({ 1, 3 }, { 1, 2 }), 0);
}

TEST_F(NodeAlgo, FindOrInsertCaseFolding)
{
    CLogNode* parent = Leaf(L"p");
    CLogNode* value = Leaf(L"Value");
    EXPECT_EQ(value, NodeFindOrInsertChild(parent, value, TRUE));   // first child: the root
    EXPECT_EQ(value, parent->m_pChildren);
    CLogNode* key = Leaf(L"value");
    EXPECT_EQ(value, NodeFindOrInsertChild(parent, key, FALSE));
    EXPECT_EQ(nullptr, value->m_pNext);
    EXPECT_EQ(key, NodeFindOrInsertChild(parent, key, TRUE));
    EXPECT_EQ(key, value->m_pNext);
    // Only A-Z fold.
    CLogNode* e1 = Leaf(L"\u00C9");
    CLogNode* e2 = Leaf(L"\u00E9");
    NodeFindOrInsertChild(parent, e1, FALSE);
    EXPECT_EQ(e2, NodeFindOrInsertChild(parent, e2, FALSE));
    // Under an array the case flag does not matter: index order.
    CLogNode* arr = Leaf(L"a", Kind(LOGK_ARRAY));
    CLogNode* i1 = Leaf(L"[ 1 ]");
    NodeFindOrInsertChild(arr, i1, FALSE);
    EXPECT_EQ(i1, NodeFindOrInsertChild(arr, Leaf(L"Item 1"), FALSE));
}

TEST_F(NodeAlgo, MergeChildren)
{
    // (a, b(x)) then (b(y, x(z)), c) into one parent.
    auto first = BuildTree({ { L"a", -1 }, { L"b", -1 }, { L"x", 1 } });
    auto second = BuildTree({ { L"b", -1 }, { L"y", 0 }, { L"x", 0 }, { L"z", 2 }, { L"c", -1 } });
    CLogNode* parent = Leaf(L"p");
    NodeMergeChildren(parent, first[0], TRUE);
    int freeBefore = GetNodePoolState().nFreeNodes;
    NodeMergeChildren(parent, second[0], TRUE);
    EXPECT_EQ(freeBefore + 2, GetNodePoolState().nFreeNodes);   // the second b and x
    CLogNode* tail;
    CLogNode* list = NodeTreeToList(parent->m_pChildren, tail);
    EXPECT_EQ(L"a,b(x(z),y),c", Dump(list));
    EXPECT_EQ(first[1], list->m_pNext);                 // the first b stays
    EXPECT_EQ(first[2], first[1]->m_pChildren);         // with its x
}

TEST_F(NodeAlgo, FindOrInsertClient)
{
    CLogNode* parent = TakeNodeFromBlock();
    CLogNode* c5 = NodeFindOrInsertClient(parent, 5);
    CLogNode* c2 = NodeFindOrInsertClient(parent, 2);
    CLogNode* c9 = NodeFindOrInsertClient(parent, 9);
    EXPECT_EQ(c5, parent->m_pChildren);
    EXPECT_EQ(c2, c5->m_pBack);
    EXPECT_EQ(c9, c5->m_pNext);
    EXPECT_EQ(c2, NodeFindOrInsertClient(parent, 2));
    EXPECT_EQ(2, NodeClientId(c2));
    EXPECT_EQ(LOGK_MEMBER, c2->m_pEntry->Kind());
    EXPECT_STREQ(L"", c2->m_pEntry->m_name.m_str);
    EXPECT_EQ(0, NodeClientId(nullptr));
    EXPECT_EQ(0, NodeClientId(TakeNodeFromBlock()));
}

TEST_F(NodeAlgo, SiblingAndLastDescendant)
{
    auto n = BuildTree({ { L"a", -1 }, { L"b", -1 }, { L"b1", 1 }, { L"b2", 1 }, { L"b21", 3 }, { L"c", -1 } });
    EXPECT_EQ(n[1], NodeFindSiblingByName(n[0], n[1]));
    CLogNode* key = Leaf(L"B");
    EXPECT_EQ(nullptr, NodeFindSiblingByName(n[0], key));
    EXPECT_EQ(n[5], NodeLastDescendant(n[0]));
    EXPECT_EQ(n[4], NodeLastDescendant(n[2]));
    EXPECT_EQ(nullptr, NodeLastDescendant(nullptr));
}

TEST_F(NodeAlgo, Flatten)
{
    auto n = BuildTree({ { L"P", -1 }, { L"A", 0 }, { L"L", 0 }, { L"B", 0 }, { L"C", 3 } });
    CLogNode *head = nullptr, *tail = nullptr;
    EXPECT_EQ(n[1], NodeFlattenSubtree(n[0], head, tail));
    EXPECT_EQ(L"A,L,C,B,P", Dump(head));
    EXPECT_EQ(n[0], tail);
    for (CLogNode* x = head; x; x = x->m_pNext)
        EXPECT_EQ(nullptr, x->m_pChildren);
    CLogNode *h2 = head, *t2 = tail;
    EXPECT_EQ(nullptr, NodeFlattenSubtree(nullptr, h2, t2));
    EXPECT_EQ(head, h2);
    EXPECT_EQ(tail, t2);
}

TEST_F(NodeAlgo, OrderTests)
{
    auto n = BuildTree({ { L"a", -1 }, { L"a1", 0 }, { L"a11", 1 }, { L"b", -1 }, { L"c", -1 } });
    struct { int a, from, stop; BOOL want; } before[] = {
        { 3, 0, 4, TRUE }, { 4, 0, 3, FALSE }, { 3, 0, 3, TRUE }, { 0, 3, -1, FALSE }, { 1, 0, -1, FALSE },
    };
    auto at = [&](int i) { return i < 0 ? nullptr : n[i]; };
    for (auto& c : before)
        EXPECT_EQ(c.want, NodeIsBefore(at(c.a), at(c.from), at(c.stop))) << c.a << c.from << c.stop;
    EXPECT_FALSE(NodeIsBefore(nullptr, n[0], nullptr));
    EXPECT_FALSE(NodeIsBefore(n[0], nullptr, nullptr));
    // Display order: a, a1, a11, b, c.
    EXPECT_EQ(n[2], NodeFirstOf(n[0], n[3], n[2]));
    EXPECT_EQ(n[3], NodeFirstOf(n[0], n[3], n[4]));
    EXPECT_EQ(n[1], NodeFirstOf(n[1], n[1], n[1]));
    EXPECT_EQ(nullptr, NodeFirstOf(n[3], n[1], n[2]));
}

TEST_F(NodeAlgo, ListAppend)
{
    CLogNode *head = nullptr, *tail = nullptr;
    CLogNode* c1 = Chain({ L"a", L"b" });
    EXPECT_EQ(nullptr, NodeListAppend(head, tail, nullptr));
    EXPECT_EQ(c1->m_pNext, NodeListAppend(head, tail, c1));
    EXPECT_EQ(c1, head);
    CLogNode* c2 = Chain({ L"c" });
    EXPECT_EQ(c2, NodeListAppend(head, tail, c2));
    EXPECT_EQ(c1->m_pNext, c2->m_pBack);
    EXPECT_EQ(L"a,b,c", Dump(head));
    EXPECT_EQ(c2, NodeListAppend(head, tail, nullptr));
}

// The trace root of any node: across siblings and parents, past bare nodes,
// and none when the walk ends before a call line.
TEST_F(NodeAlgo, FindEntryRoot)
{
    auto n = BuildTree({ { L"call1", -1, Kind(LOGK_CALL) },   // 0
                         { L"a", 0 },                          // 1
                         { L"b", 0 },                          // 2
                         { L"b1", 2 },                         // 3
                         { L"b2", 2 },                         // 4
                         { L"call2", -1, Kind(LOGK_CALL) },   // 5
                         { L"c", 5 } });                       // 6
    EXPECT_EQ(nullptr, FindEntryRoot(nullptr));
    EXPECT_EQ(n[0], FindEntryRoot(n[0]));
    EXPECT_EQ(n[0], FindEntryRoot(n[4]));
    EXPECT_EQ(n[0], FindEntryRoot(n[3]));
    EXPECT_EQ(n[5], FindEntryRoot(n[6]));
    EXPECT_EQ(n[5], FindEntryRoot(n[5]));
    // A bare node between the member and its call line is passed over.
    CLogNode* bare = TakeNodeFromBlock();
    ASSERT_EQ(nullptr, bare->m_pEntry);
    bare->m_pBack = n[0];
    CLogNode* m = AllocNode();
    m->m_pBack = bare;
    EXPECT_EQ(n[0], FindEntryRoot(m));
    // A member whose chain has no call line above it has no root.
    n[1]->m_pBack = nullptr;
    EXPECT_EQ(nullptr, FindEntryRoot(n[4]));
}

TEST_F(NodeAlgo, Copies)
{
    auto n = BuildTree({ { L"call", -1, Kind(1) | 4 | LOGF_BREAK | (1u << 22) },
                         { L"o", 0, Kind(2) | LOGF_MEMBER_TREE | (1u << 15) }, { L"m", 1 },
                         { L"next", -1 } });
    n[0]->m_pEntry->m_value = L"val";
    CLogNode* copy = NodeCopyTree(n[0]);
    EXPECT_EQ(L"call(o(m)),next", Dump(copy));
    EXPECT_TRUE(LinksOk(copy));
    EXPECT_NE(n[0]->m_pEntry, copy->m_pEntry);
    EXPECT_EQ(Kind(1) | 4u, copy->m_pEntry->m_flags);
    EXPECT_EQ(Kind(2) | LOGF_LOADABLE, copy->m_pChildren->m_pEntry->m_flags);
    EXPECT_STREQ(L"val", copy->m_pEntry->m_value.m_str);

    CLogNode* sib = NodeCopySiblings(n[0]);
    EXPECT_EQ(L"call,next", Dump(sib));

    CLogNode* share = NodeShareTree(n[0]);
    EXPECT_EQ(L"call(o(m)),next", Dump(share));
    EXPECT_TRUE(LinksOk(share));
    EXPECT_EQ(n[0]->m_pEntry, share->m_pEntry);
    EXPECT_EQ(n[2]->m_pEntry, share->m_pChildren->m_pChildren->m_pEntry);

    // A bare source node gives a bare copy.
    CLogNode* bare = TakeNodeFromBlock();
    EXPECT_EQ(nullptr, NodeCopyTree(bare)->m_pEntry);
    EXPECT_EQ(nullptr, NodeCopyTree(nullptr));
    EXPECT_EQ(nullptr, NodeShareTree(nullptr));
}

TEST_F(NodeAlgo, UncheckTree)
{
    auto n = BuildTree({ { L"a", -1 }, { L"a1", 0 }, { L"b", -1 } });
    for (CLogNode* x : n) {
        x->NodeSetChecked(2, TRUE);
        x->NodeSetChecked(5, TRUE);
    }
    NodeUncheckTree(n[0], 2);
    for (CLogNode* x : n) {
        EXPECT_FALSE(x->NodeIsChecked(2));
        EXPECT_TRUE(x->NodeIsChecked(5));
    }
}

TEST_F(NodeAlgo, RowCounts)
{
    // a(a1(a11, a12), a2), b(b1), c
    auto n = BuildTree({ { L"a", -1 }, { L"a1", 0 }, { L"a11", 1 }, { L"a12", 1 }, { L"a2", 0 },
                         { L"b", -1 }, { L"b1", 5 }, { L"c", -1 } });
    const int v = 1;
    EXPECT_EQ(2, NodeCountExpandedRows(n[0], v));   // children collapsed
    n[1]->NodeSetExpanded(v, TRUE);
    EXPECT_EQ(4, NodeCountExpandedRows(n[0], v));
    EXPECT_EQ(2, NodeCountExpandedRows(n[0], 0));    // other view
    EXPECT_EQ(0, NodeCountExpandedRows(n[7], v));
    n[0]->NodeSetExpanded(v, TRUE);
    // Display rows: a, a1, a11, a12, a2, b, c (b collapsed).
    struct { int from, to, want; bool toMet; } cases[] = {
        { 0, 0, 1, true }, { 0, 7, 7, true }, { 2, 4, 3, true }, { 3, 5, 3, true },
        { 5, 2, 2, false },       // to does not follow from: runs to the end
        { 6, 7, 0, false },       // from hidden under collapsed b: never met
    };
    for (auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << "->" << c.to);
        CLogNode* from = n[c.from];
        CLogNode* to = n[c.to];
        EXPECT_EQ(c.want, NodeRowsBetween(n[0], from, to, v));
        EXPECT_EQ(c.toMet, to == nullptr);
        if (c.want) {
            EXPECT_EQ(nullptr, from);
        }
    }
    CLogNode* from = n[0];
    CLogNode* to = nullptr;
    EXPECT_EQ(7, NodeRowsBetween(n[0], from, to, v));
}

TEST_F(NodeAlgo, ClearFoundNodes)
{
    CFoundNodeMap map;
    CLogNode* a = Leaf(L"a");
    map[a] = nullptr;
    ClearFoundNodes(map);
    EXPECT_TRUE(map.empty());
}

// ---- extract result -----------------------------------------------------------

class Extract : public NodeAlgo {
protected:
    // Master list: three calls of clients 1, 2, 1.
    //   c1 "lbl" (client 1): x(y(z)), w
    //   c2 "lbl" (client 2): z, w(q)
    //   c3 "other" (client 1): (no members)
    void SetUp() override
    {
        NodeAlgo::SetUp();
        m = BuildTree({ { L"lbl", -1, Kind(1) | 1 }, { L"x", 0 }, { L"y", 1 }, { L"z", 2 }, { L"w", 0 },
                        { L"lbl", -1, Kind(1) | 2 }, { L"z", 5 }, { L"w", 5 }, { L"q", 7 },
                        { L"other", -1, Kind(1) | 1 } });
    }
    // A group node in search-tree form with the member rows given.
    CLogNode* Group(const wchar_t* label, int client, const std::vector<TreeRow>& members)
    {
        CLogNode* g = Leaf(label, Kind(1) | (DWORD)client);
        if (!members.empty()) {
            auto n = BuildTree(members);
            g->m_pChildren = n[0];
            n[0]->m_pBack = g;
        }
        ChildListsToTreesForTest(g);
        return g;
    }
    static void ChildListsToTreesForTest(CLogNode* g)
    {
        if (g->m_pChildren) {
            g->m_pChildren->m_pBack = nullptr;
            g->m_pChildren = NodeListToTree(g->m_pChildren, NodeCountList(g->m_pChildren));
        }
    }
    std::vector<CLogNode*> m;
};

TEST_F(Extract, ObjectClearTakesWholeCalls)
{
    CLogNode* g = Group(L"", 0, {});
    CLogNode* r = BuildExtractResult(m[0], g, FALSE, FALSE, FALSE, FALSE);
    EXPECT_EQ(L"lbl(x(y(z)),w),lbl(z,w(q))", Dump(r));   // "other" has no members
    EXPECT_TRUE(LinksOk(r));
    EXPECT_EQ(m[0]->m_pEntry, r->m_pEntry);
    EXPECT_EQ(m[3]->m_pEntry, r->m_pChildren->m_pChildren->m_pChildren->m_pEntry);
}

TEST_F(Extract, Grouping)
{
    struct { BOOL client, label; const wchar_t* want; } cases[] = {
        { TRUE, FALSE, L"lbl(x(y(z)),w)" },           // group of client 1
        { FALSE, TRUE, L"lbl(x(y(z)),w),lbl(z,w(q))" },
        { TRUE, TRUE, L"lbl(x(y(z)),w)" },
    };
    for (auto& c : cases) {
        CLogNode* g = Group(L"lbl", 1, {});
        EXPECT_EQ(c.want, Dump(BuildExtractResult(m[0], g, c.client, c.label, FALSE, FALSE)));
    }
    CLogNode* g2 = Group(L"nothing", 7, {});
    EXPECT_EQ(nullptr, BuildExtractResult(m[0], g2, TRUE, FALSE, FALSE, FALSE));
    EXPECT_EQ(nullptr, BuildExtractResult(m[0], g2, FALSE, TRUE, FALSE, FALSE));
    EXPECT_EQ(m[5], FindExtractGroup(m[5], m[5], TRUE, TRUE));
}

TEST_F(Extract, ObjectWithPathAndName)
{
    // The group selects z at the top level and w as a whole.
    struct { BOOL path; const wchar_t* want; } cases[] = {
        { TRUE, L"lbl(w),lbl(z,w(q))" },              // c1's z is deeper: not taken
        { FALSE, L"lbl(x(y(z)),w),lbl(z,w(q))" },     // found at any depth, with the way to it
    };
    for (auto& c : cases) {
        CLogNode* g = Group(L"", 0, { { L"w", -1 }, { L"z", -1 } });
        EXPECT_EQ(c.want, Dump(BuildExtractResult(m[0], g, FALSE, FALSE, TRUE, c.path)));
    }
    // A selection below a member: x > y only; y is taken with its whole subtree.
    CLogNode* g = Group(L"", 0, { { L"x", -1 }, { L"y", 0 } });
    EXPECT_EQ(L"lbl(x(y(z)))", Dump(BuildExtractResult(m[0], g, FALSE, FALSE, TRUE, TRUE)));
}

TEST_F(Extract, ShareSelectedUnderArrays)
{
    auto a = BuildTree({ { L"arr", -1, Kind(LOGK_ARRAY) }, { L"[ 1 ]", 0 }, { L"[ 2 ]", 0 }, { L"[ 10 ]", 0 } });
    CLogNode* g = Group(L"", 0, { { L"arr", -1, Kind(LOGK_ARRAY) }, { L"[ 2 ]", 0 }, { L"[ 10 ]", 0 } });
    CLogNode* r = NodeShareSelected(a[0], g, TRUE);
    EXPECT_EQ(L"arr([ 2 ],[ 10 ])", Dump(r));
}

} // namespace
