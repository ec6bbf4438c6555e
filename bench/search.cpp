// Find benchmark: a log of 10,000 call lines with 100 members each
// (1,000,000 member nodes), one condition on a numeric member and one on a
// string member. Times HighlightMatches and BuildResultTree in Name and
// Path mode, and the memory of a result node against a bare pool node.
//
//   bench_search.exe [call lines, default 10000]
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include "bench/support/LogNodes.h"
#include "bench/support/Timing.h"
#include "search/SearchCondition.h"
#include "server/core/LogNode.h"

namespace {

const int MEMBERS = 100;
const int NUMERIC_MEMBER = 8;
const int STRING_MEMBER = 42;

// The log: call lines "call" of clients 1..4, members m0..m99; m8 a LONG
// counting up, m42 a BSTR "item%d", the others LONGs and BSTRs.
CLogNode* BuildLog(int nCalls, CLogNode*& pNumeric, CLogNode*& pString)
{
    CLogNode *pHead = nullptr, *pTail = nullptr;
    WCHAR name[16], value[64];
    for (int i = 0; i < nCalls; ++i) {
        CLogNode* pCall = AllocNode();
        pCall->m_pEntry->m_name = L"call";
        pCall->m_pEntry->m_flags = (LOGK_CALL << LOGF_KIND_SHIFT) | (DWORD)(1 + i % 4) | LOGF_MEMBER_TREE;
        NodeListAppend(pHead, pTail, pCall);
        CLogNode* pPrev = nullptr;
        for (int m = 0; m < MEMBERS; ++m) {
            swprintf(name, 16, L"m%d", m);
            LPCWSTR type;
            if (m % 2 == 0 && m != STRING_MEMBER) {
                type = L"LONG";
                const int v = m == NUMERIC_MEMBER ? i : i * MEMBERS + m;
                swprintf(value, 64, L"%d, 0x%08x", v, v);
            } else {
                type = L"BSTR";
                swprintf(value, 64, L"item%d", i * (m == STRING_MEMBER ? 1 : m));
            }
            CLogNode* p = Member(pCall, pPrev, name, type, value, LOGK_MEMBER, 0);
            pPrev = p;
            if (i == 0 && m == NUMERIC_MEMBER) pNumeric = p;
            if (i == 0 && m == STRING_MEMBER) pString = p;
        }
    }
    return pHead;
}

// Pool memory handed out: nodes in use and entries taken, each with its
// share of its block.
double PoolBytes(const CNodePoolState& s)
{
    const double nodes = (double)s.nNodeBlocks * NODE_BLOCK_SIZE - s.nFreshNodes - s.nFreeNodes - s.nReturnedNodes;
    const double entries = s.nEntryBlocks ? (double)s.nEntryBlocks * NODE_BLOCK_SIZE - (s.nNextEntry + 1) : 0;
    return nodes * (sizeof(CLogNode) + (double)sizeof(CNodeBlock) / NODE_BLOCK_SIZE) +
           entries * (sizeof(CLogEntry) + (double)sizeof(CEntryBlock) / NODE_BLOCK_SIZE);
}

int CountNodes(const CLogNode* p)
{
    int n = 0;
    for (; p; p = p->m_pNext)
        n += 1 + CountNodes(p->m_pChildren);
    return n;
}

struct Run {
    double highlight_s, build_s;
    int hits, built_hits, result_nodes;
    double pool_bytes;
};

Run RunFind(CLogNode* pLog, CSearchConditionSet& dialog, DWORD options)
{
    Run r = {};
    dialog.m_options = options;
    CSearchConditionSet active;
    active.CopyFrom(&dialog);

    CFoundNodeMap map;
    double t0 = Now();
    r.hits = active.HighlightMatches(pLog, map);
    r.highlight_s = Now() - t0;
    map.clear();

    CFoundNodeMap result;
    CLogNode* pHead = nullptr;
    const CNodePoolState s0 = GetNodePoolState();
    t0 = Now();
    r.built_hits = active.BuildResultTree(pLog, result, pHead);
    r.build_s = Now() - t0;
    r.result_nodes = CountNodes(pHead);
    r.pool_bytes = PoolBytes(GetNodePoolState()) - PoolBytes(s0);   // the tree's nodes and entries
    PushFreeChain(pHead);
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const int nCalls = argc > 1 ? atoi(argv[1]) : 10000;
    CLogNode *pNumeric = nullptr, *pString = nullptr;
    double t0 = Now();
    CLogNode* pLog = BuildLog(nCalls, pNumeric, pString);
    const double build_log_s = Now() - t0;

    // the find dialog's conditions, set on the members of the first call line
    CSearchConditionSet dialog;
    CSearchCondition* c = dialog.GetOrCreateCondition(pNumeric);
    c->SetComparison1(L"5000", SOP_GREATER_EQUAL, FALSE);
    c->m_flags |= SCF_ENABLED;
    c = dialog.GetOrCreateCondition(pString);
    c->SetComparison1(L"99", SOP_CONTAINS, FALSE);
    c->m_flags |= SCF_ENABLED;

    // the floor: bare pool nodes, as many as a result tree of Search objects
    const int nFloor = nCalls * 3;
    const CNodePoolState f0 = GetNodePoolState();
    CLogNode *fh = nullptr, *ft = nullptr;
    for (int i = 0; i < nFloor; ++i)
        NodeListAppend(fh, ft, TakeNodeFromBlock());
    const double bare_bytes = (PoolBytes(GetNodePoolState()) - PoolBytes(f0)) / nFloor;
    PushFreeChain(fh);

    printf("log: %d call lines, %d member nodes, built in %.3f s\n", nCalls, nCalls * MEMBERS, build_log_s);
    printf("mode   options        highlight s  hits    build s  hits  result nodes  pool B/node\n");
    const struct { const char* name; DWORD options; } modes[] = {
        { "name", 0 }, { "path", SSO_PATH }, { "name", SSO_MATCH_OBJECTS }, { "path", SSO_PATH | SSO_MATCH_OBJECTS },
    };
    Run runs[4];
    for (int i = 0; i < 4; ++i) {
        runs[i] = RunFind(pLog, dialog, modes[i].options);
        const Run& r = runs[i];
        printf("%-6s %-14s %11.3f %5d %10.3f %5d %13d %12.2f\n", modes[i].name,
               (modes[i].options & SSO_MATCH_OBJECTS) ? "match objects" : "search objects", r.highlight_s, r.hits,
               r.build_s, r.built_hits, r.result_nodes, r.pool_bytes / r.result_nodes);
    }
    const Run& name = runs[0];
    const Run& path = runs[1];
    const double result_bytes = name.pool_bytes / name.result_nodes;
    printf("sizeof(CLogNode) = %u; floor: %d bare nodes from the pools\n", (unsigned)sizeof(CLogNode), nFloor);
    printf("member_nodes=%d\n", nCalls * MEMBERS);
    printf("hits=%d\n", name.hits);
    printf("highlight_name_s=%.3f\n", name.highlight_s);
    printf("highlight_path_s=%.3f\n", path.highlight_s);
    printf("build_name_s=%.3f\n", name.build_s);
    printf("build_path_s=%.3f\n", path.build_s);
    printf("result_nodes=%d\n", name.result_nodes);
    printf("result_node_bytes=%.2f\n", result_bytes);
    printf("bare_node_bytes=%.2f\n", bare_bytes);
    printf("result_to_bare_ratio=%.3f\n", result_bytes / bare_bytes);
    return 0;
}
