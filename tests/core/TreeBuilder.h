// Small helpers for tests on log trees: build list-form trees from rows and
// print trees back as text.
#pragma once
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "server/core/LogNode.h"
#include "server/core/NodeAlgo.h"

struct TreeRow {
    const wchar_t* name;
    int parent;             // index of an earlier row, -1 for top level
    DWORD flags = 0;        // full flag word (kind, client id, ...)
};

inline DWORD Kind(DWORD k) { return k << LOGF_KIND_SHIFT; }

// Builds the rows as a list-form forest (AllocNode, own entries); each row is
// appended as the last child of its parent. Returns the nodes by row index;
// nodes[0] is the head of the top-level chain.
inline std::vector<CLogNode*> BuildTree(const std::vector<TreeRow>& rows)
{
    std::vector<CLogNode*> nodes;
    for (const TreeRow& r : rows) {
        CLogNode* n = AllocNode();
        n->m_pEntry->m_name = r.name;
        n->m_pEntry->m_flags = r.flags;
        CLogNode* first = r.parent < 0 ? nodes.empty() ? nullptr : nodes[0]
                                       : nodes[r.parent]->m_pChildren;
        if (!first) {
            if (r.parent >= 0) {
                nodes[r.parent]->m_pChildren = n;
                n->m_pBack = nodes[r.parent];
            }
        } else {
            CLogNode* last = first;
            while (last->m_pNext) last = last->m_pNext;
            last->m_pNext = n;
            n->m_pBack = last;
        }
        nodes.push_back(n);
    }
    return nodes;
}

inline std::wstring NameOf(const CLogNode* n)
{
    return n->m_pEntry ? std::wstring(n->m_pEntry->m_name.m_str) : std::wstring(L"#");
}

// List form as text: "a(b,c(d)),e".
inline std::wstring Dump(const CLogNode* chain)
{
    std::wstring s;
    for (const CLogNode* n = chain; n; n = n->m_pNext) {
        if (n != chain) s += L",";
        s += NameOf(n);
        if (n->m_pChildren)
            s += L"(" + Dump(n->m_pChildren) + L")";
    }
    return s;
}

// True when every back link of the list-form forest is right (the head's
// back is `parent`, a first child's back its parent).
inline bool LinksOk(const CLogNode* chain, const CLogNode* parent = nullptr)
{
    const CLogNode* prev = parent;
    for (const CLogNode* n = chain; n; n = n->m_pNext) {
        if (n->m_pBack != prev) return false;
        if (n->m_pChildren && !LinksOk(n->m_pChildren, n)) return false;
        prev = n;
    }
    return true;
}

// Child-search-tree form as text: "[left]node[right]", children in braces.
inline std::wstring DumpTree(const CLogNode* root)
{
    if (!root) return L"";
    std::wstring s;
    if (root->m_pBack) s += L"[" + DumpTree(root->m_pBack) + L"]";
    s += NameOf(root);
    if (root->m_pChildren) s += L"{" + DumpTree(root->m_pChildren) + L"}";
    if (root->m_pNext) s += L"[" + DumpTree(root->m_pNext) + L"]";
    return s;
}

// In-order names of a child search tree: "a,b,c".
inline std::wstring InOrder(const CLogNode* root)
{
    if (!root) return L"";
    std::wstring l = InOrder(root->m_pBack), r = InOrder(root->m_pNext);
    std::wstring s = l;
    if (!s.empty()) s += L",";
    s += NameOf(root);
    if (!r.empty()) s += L"," + r;
    return s;
}

// Every test on trees starts and ends with empty pools.
class PoolTest : public ::testing::Test {
protected:
    void SetUp() override { ReleaseNodePools(); }
    void TearDown() override { ReleaseNodePools(); }
};
