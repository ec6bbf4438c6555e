#include <gtest/gtest.h>
#include <windows.h>
#include <map>
#include <string>
#include <vector>
#include "SearchTestUtil.h"

namespace {

struct Cond {
    int row;                 // the member of the log that the condition is set on
    const wchar_t* text;
    int op;
    int color;
};

// A small log of three call lines; the conditions are set on its own nodes,
// as the find dialog sets them on its copy of the same tree.
class TreeSearch : public PoolTest {
protected:
    std::vector<CLogNode*> log;
    std::map<const CLogEntry*, int> rowOf;

    void SetUp() override
    {
        PoolTest::SetUp();
        log = BuildTree({
            { L"A", -1, Kind(LOGK_CALL) | 1 },   // 0
            { L"x", 0 },                         // 1  5
            { L"o", 0, Kind(LOGK_OBJECT) },      // 2
            { L"x", 2 },                         // 3  7
            { L"y", 2 },                         // 4  5
            { L"B", -1, Kind(LOGK_CALL) | 1 },   // 5
            { L"x", 5 },                         // 6  9
            { L"y", 5 },                         // 7  5
            { L"A", -1, Kind(LOGK_CALL) | 2 },   // 8
            { L"x", 8 },                         // 9  3
            { L"o", 8, Kind(LOGK_OBJECT) },      // 10
            { L"x", 10 },                        // 11 5
        });
        const int values[] = { 0, 5, 0, 7, 5, 0, 9, 5, 0, 3, 0, 5 };
        for (size_t i = 0; i < log.size(); ++i) {
            CLogEntry* e = log[i]->m_pEntry;
            rowOf[e] = (int)i;
            if (e->Kind() == LOGK_MEMBER) {
                e->m_type = L"LONG";
                e->m_value.Format(L"%d, 0x%08x", values[i], values[i]);
            } else if (e->Kind() == LOGK_OBJECT) {
                e->m_type = L"IDispatch*";
            }
        }
    }

    void Copy(CSearchConditionSet& active, DWORD options, const std::vector<Cond>& conds)
    {
        CSearchConditionSet dialog;
        dialog.m_options = options;
        for (const Cond& c : conds) {
            CSearchCondition* p = dialog.GetOrCreateCondition(log[c.row]);
            p->SetComparison1(c.text, c.op, FALSE);
            p->m_flags |= SCF_ENABLED;
            p->SetColorIndex(c.color);
        }
        ASSERT_EQ(active.CopyFrom(&dialog), (int)conds.size());
    }

    // The map as rows: "1:c3" for a hit with a condition of colour 3, "0" for
    // a trace root.
    std::wstring Rows(const CFoundNodeMap& map)
    {
        std::map<int, std::wstring> rows;
        for (const auto& e : map) {
            const int r = rowOf.at(e.first->m_pEntry);
            rows[r] = std::to_wstring(r) + (e.second ? L":c" + std::to_wstring(e.second->ColorIndex()) : L"");
        }
        std::wstring s;
        for (const auto& r : rows)
            s += (s.empty() ? L"" : L" ") + r.second;
        return s;
    }

    // A result tree as text: rows of the shared entries, hits starred.
    std::wstring Result(const CLogNode* chain, const CFoundNodeMap& map)
    {
        std::wstring s;
        for (const CLogNode* n = chain; n; n = n->m_pNext) {
            if (n != chain) s += L",";
            s += std::to_wstring(rowOf.at(n->m_pEntry));
            auto it = map.find(const_cast<CLogNode*>(n));
            if (it != map.end() && it->second) s += L"*";
            if (n->m_pChildren) s += L"(" + Result(n->m_pChildren, map) + L")";
        }
        return s;
    }
};

struct HighlightCase {
    DWORD options;
    std::vector<Cond> conds;
    const wchar_t* rows;
    int count;
};

TEST_F(TreeSearch, HighlightByGroupingAndMode)
{
    const std::vector<Cond> topX = { { 1, L"4", SOP_GREATER, 1 } };
    const std::vector<Cond> oY = { { 4, L"5", SOP_EQUAL, 2 } };
    const std::vector<Cond> twoWays = { { 1, L"0", SOP_GREATER, 1 }, { 3, L"0", SOP_GREATER, 2 } };
    const HighlightCase cases[] = {
        { SSO_PATH, topX, L"0 1:c1 5 6:c1", 2 },
        { 0, topX, L"0 1:c1 3:c1 5 6:c1 8 11:c1", 4 },           // Name: nested x too
        { SSO_PATH | SSO_CLIENT, topX, L"0 1:c1 5 6:c1", 2 },
        { SSO_CLIENT, topX, L"0 1:c1 3:c1 5 6:c1", 3 },           // client 2 left out
        { SSO_PATH | SSO_LABEL, topX, L"0 1:c1", 1 },             // label B left out
        { SSO_LABEL, topX, L"0 1:c1 3:c1 8 11:c1", 3 },
        { SSO_CLIENT | SSO_LABEL, topX, L"0 1:c1 3:c1", 2 },
        { SSO_PATH, oY, L"0 4:c2", 1 },
        { 0, oY, L"0 4:c2", 1 },                                   // y at the top is not on o, y
        // o.x reached as the continuation of o and afresh as x: once, with
        // the condition of the way tried first
        { 0, twoWays, L"0 1:c1 3:c2 5 6:c1 8 9:c1 11:c2", 5 },
        { SSO_PATH, twoWays, L"0 1:c1 3:c2 5 6:c1 8 9:c1 11:c2", 5 },
    };
    int row = 0;
    for (const HighlightCase& c : cases) {
        CSearchConditionSet active;
        Copy(active, c.options, c.conds);
        CFoundNodeMap map;
        EXPECT_EQ(active.HighlightMatches(log[0], map), c.count) << "case " << row;
        EXPECT_EQ(Rows(map), c.rows) << "case " << row;
        ++row;
    }
}

TEST_F(TreeSearch, NothingToFind)
{
    CSearchConditionSet empty;
    CFoundNodeMap map;
    EXPECT_EQ(empty.HighlightMatches(log[0], map), 0);
    CLogNode* head = nullptr;
    EXPECT_EQ(empty.BuildResultTree(log[0], map, head), 0);
    EXPECT_EQ(head, nullptr);
    EXPECT_TRUE(map.empty());
    CSearchConditionSet active;
    Copy(active, 0, { { 1, L"5", SOP_EQUAL, 0 } });
    EXPECT_EQ(active.HighlightMatches(nullptr, map), 0);
    EXPECT_EQ(active.BuildResultTree(nullptr, map, head), 0);
    EXPECT_TRUE(map.empty());
}

struct BuildCase {
    DWORD options;
    std::vector<Cond> conds;
    const wchar_t* result;
    int count;
};

TEST_F(TreeSearch, ResultTreeByGroupingAndMode)
{
    const std::vector<Cond> x5 = { { 1, L"5", SOP_EQUAL, 0 } };
    const std::vector<Cond> twoWays = { { 1, L"0", SOP_GREATER, 1 }, { 3, L"0", SOP_GREATER, 2 } };
    const std::vector<Cond> client2 = { { 9, L"0", SOP_GREATER, 0 } };
    const BuildCase cases[] = {
        // Search objects: every conditioned member found, the matching starred
        { SSO_PATH, x5, L"0(1*),5(6),8(9)", 1 },
        { SSO_PATH | SSO_MATCH_OBJECTS, x5, L"0(1*)", 1 },
        { SSO_MATCH_OBJECTS, x5, L"0(1*),8(10(11*))", 2 },
        { 0, x5, L"0(1*,2(3)),5(6),8(9,10(11*))", 2 },
        { SSO_PATH | SSO_LABEL, x5, L"0(1*),8(9)", 1 },
        // client 1's call lines left out though they have an x
        { SSO_PATH | SSO_CLIENT | SSO_LABEL, client2, L"8(9*)", 1 },
        { SSO_CLIENT | SSO_LABEL | SSO_MATCH_OBJECTS, client2, L"8(9*,10(11*))", 2 },
        // a member reached both ways stands twice, under each way
        { SSO_MATCH_OBJECTS, twoWays, L"0(1*,2(3*,3*)),5(6*),8(9*,10(11*,11*))", 7 },
    };
    int row = 0;
    for (const BuildCase& c : cases) {
        CSearchConditionSet active;
        Copy(active, c.options, c.conds);
        CFoundNodeMap map;
        CLogNode* head = nullptr;
        EXPECT_EQ(active.BuildResultTree(log[0], map, head), c.count) << "case " << row;
        EXPECT_EQ(Result(head, map), c.result) << "case " << row;
        EXPECT_TRUE(LinksOk(head)) << "case " << row;
        // bare nodes sharing the log's entries; every result call line in the map
        int nCalls = 0, nHits = 0;
        for (const CLogNode* n = head; n; n = n->m_pNext) {
            ++nCalls;
            EXPECT_TRUE(map.count(const_cast<CLogNode*>(n)) && !map[const_cast<CLogNode*>(n)]);
        }
        for (const auto& e : map) {
            EXPECT_EQ(e.first->m_pEntry, log[rowOf[e.first->m_pEntry]]->m_pEntry);
            EXPECT_NE(e.first, log[rowOf[e.first->m_pEntry]]);
            if (e.second) ++nHits;
        }
        EXPECT_EQ((int)map.size(), nCalls + nHits) << "case " << row;
        const int before = NodesInUse();
        PushFreeChain(head);   // as the result document returns them
        EXPECT_LT(NodesInUse(), before);
        EXPECT_FALSE(log[1]->m_pEntry->m_name.IsEmpty());
        ++row;
    }
}

// A skeleton node that carries a condition and leads to others: its member
// is tested, and stands once in a result.
TEST_F(TreeSearch, ConditionedNodeWithChildren)
{
    std::vector<CLogNode*> t = BuildTree({
        { L"P", -1, Kind(LOGK_CALL) | 1 },   // 0
        { L"v", 0 },                         // 1  "v1"
        { L"Q", -1, Kind(LOGK_CALL) | 1 },   // 2
        { L"v", 2, Kind(LOGK_OBJECT) },      // 3  "obj1"
        { L"w", 3 },                         // 4  "w1"
    });
    const wchar_t* values[] = { L"", L"v1", L"", L"obj1", L"w1" };
    for (int i = 0; i < 5; ++i) {
        t[i]->m_pEntry->m_type = L"BSTR";
        t[i]->m_pEntry->m_value = values[i];
    }
    CSearchConditionSet dialog;
    for (int r : { 1, 4 }) {
        CSearchCondition* c = dialog.GetOrCreateCondition(t[r]);
        c->SetComparison1(L"1", SOP_CONTAINS, FALSE);
        c->m_flags |= SCF_ENABLED;
    }
    for (DWORD mode : { SSO_PATH, (DWORD)0 }) {
        CSearchConditionSet active;
        dialog.m_options = mode | SSO_MATCH_OBJECTS;
        ASSERT_EQ(active.CopyFrom(&dialog), 2);
        CFoundNodeMap map;
        EXPECT_EQ(active.HighlightMatches(t[0], map), 3) << mode;
        EXPECT_TRUE(map.count(t[1]) && map.count(t[3]) && map.count(t[4])) << mode;
        CFoundNodeMap result;
        CLogNode* head = nullptr;
        EXPECT_EQ(active.BuildResultTree(t[0], result, head), 3) << mode;
        EXPECT_EQ(Dump(head), L"P(v),Q(v(w))") << mode;
        PushFreeChain(head);
    }
}

// A member reached at a conditioned leaf ends the path there: in Name mode as
// in Path mode the members below it are not looked at, though one of them
// bears the leaf's name.
TEST_F(TreeSearch, ConditionedLeafEndsThePath)
{
    std::vector<CLogNode*> t = BuildTree({
        { L"P", -1, Kind(LOGK_CALL) | 1 },   // 0
        { L"x", 0 },                         // 1  "x1"
        { L"Q", -1, Kind(LOGK_CALL) | 1 },   // 2
        { L"x", 2, Kind(LOGK_OBJECT) },      // 3  "obj1"
        { L"x", 3 },                         // 4  "x1"
    });
    const wchar_t* values[] = { L"", L"x1", L"", L"obj1", L"x1" };
    for (int i = 0; i < 5; ++i) {
        t[i]->m_pEntry->m_type = L"BSTR";
        t[i]->m_pEntry->m_value = values[i];
    }
    CSearchConditionSet dialog;
    CSearchCondition* c = dialog.GetOrCreateCondition(t[1]);
    c->SetComparison1(L"1", SOP_CONTAINS, FALSE);
    c->m_flags |= SCF_ENABLED;
    for (DWORD mode : { SSO_PATH, (DWORD)0 }) {
        CSearchConditionSet active;
        dialog.m_options = mode | SSO_MATCH_OBJECTS;
        ASSERT_EQ(active.CopyFrom(&dialog), 1);
        CFoundNodeMap map;
        EXPECT_EQ(active.HighlightMatches(t[0], map), 2) << mode;
        EXPECT_TRUE(map.count(t[1]) && map.count(t[3])) << mode;
        EXPECT_FALSE(map.count(t[4])) << mode;
        CFoundNodeMap result;
        CLogNode* head = nullptr;
        EXPECT_EQ(active.BuildResultTree(t[0], result, head), 2) << mode;
        EXPECT_EQ(Dump(head), L"P(x),Q(x)") << mode;
        PushFreeChain(head);
    }
}

// An allocation that fails anywhere in a build frees what was built and
// leaves no freed node in the map.
TEST_F(TreeSearch, FailureInTheMiddleFreesTheResult)
{
    CSearchConditionSet active;
    Copy(active, 0, { { 1, L"0", SOP_GREATER, 1 }, { 3, L"0", SOP_GREATER, 2 } });
    std::vector<CLogNode*> held;
    int nFailures = 0, nPoolFailures = 0;
    for (int k = 1; k < 10000; ++k) {
        // the same start each time: three fresh nodes left in the newest
        // block, so that the build needs a new block on the way
        for (CNodePoolState s = GetNodePoolState(); s.nReturnedNodes || s.nFreshNodes != 3;
             s = GetNodePoolState())
            held.push_back(TakeNodeFromBlock());
        const int before = NodesInUse();
        CFoundNodeMap map;
        CLogNode* head = nullptr;
        FailAllocationAfter(k);
        try {
            const int n = active.BuildResultTree(log[0], map, head);
            FailAllocationAfter(0);
            EXPECT_EQ(n, 7);
            EXPECT_EQ(Result(head, map), L"0(1*,2(3*,3*)),5(6*),8(9*,10(11*,11*))");
            PushFreeChain(head);
            break;
        } catch (const CExcept& e) {
            FailAllocationAfter(0);
            EXPECT_EQ(e.m_nCode, ZV_ERR_MEMORY_NODE);
            ++nPoolFailures;
        } catch (const std::bad_alloc&) {
            FailAllocationAfter(0);   // the map's own allocation
        }
        ++nFailures;
        EXPECT_EQ(head, nullptr) << "failure at allocation " << k;
        EXPECT_TRUE(map.empty()) << "failure at allocation " << k;
        EXPECT_EQ(NodesInUse(), before) << "failure at allocation " << k;
    }
    EXPECT_GE(nFailures, 11);   // ten map entries and a node block
    EXPECT_GE(nPoolFailures, 1);
    for (CLogNode* n : held)
        PushFreeChain(n);
}

// A copy cut short by a failure leaves a skeleton that Clear returns whole.
TEST_F(TreeSearch, FailureInTheCopyLeavesASkeletonThatClears)
{
    const int before = NodesInUse();
    CSearchConditionSet dialog;
    dialog.m_options = SSO_CLIENT | SSO_LABEL;
    for (int r : { 1, 3, 4, 6, 11 }) {
        CSearchCondition* c = dialog.GetOrCreateCondition(log[r]);
        c->SetComparison1(L"0", SOP_GREATER, FALSE);
        c->m_flags |= SCF_ENABLED;
    }
    for (int k = 1; k < 10000; ++k) {
        CSearchConditionSet active;
        FailAllocationAfter(k);
        bool bDone = false;
        try {
            bDone = active.CopyFrom(&dialog) == 5;
        } catch (const CExcept&) {
        } catch (const std::bad_alloc&) {
        }
        FailAllocationAfter(0);
        active.Clear();
        EXPECT_EQ(NodesInUse(), before) << "failure at allocation " << k;
        if (bDone)
            break;
    }
}

} // namespace
