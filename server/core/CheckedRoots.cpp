#include "server/core/CheckedRoots.h"
#include "server/core/NodeAlgo.h"
#include "server/core/Except.h"
#include <functional>
#include <new>

namespace {

inline DWORD KindOf(const CLogNode* p)
{
    return p->m_pEntry ? p->m_pEntry->Kind() : LOGK_MEMBER;
}

inline bool IsChecked(const CLogNode* p, int nView)
{
    return p->m_pEntry && p->NodeIsChecked(nView);
}

// A copy of one node with an entry of its own and no links.
inline CLogNode* CopyNode(const CLogNode* p)
{
    CLogNode* pCopy = AllocNode();
    try {
        return pCopy->NodeCopyEntry(p);
    } catch (...) {
        FreeNodeTree(pCopy);
        throw;
    }
}

inline void AttachChildren(CLogNode* pParent, CLogNode* pList)
{
    pParent->m_pChildren = pList;
    if (pList)
        pList->m_pBack = pParent;
}

// The parent in list form: walk back links to the node whose first child is
// the node just left. Null for a top-level node.
const CLogNode* ParentOf(const CLogNode* p)
{
    for (const CLogNode* x = p; x->m_pBack; x = x->m_pBack)
        if (x->m_pBack->m_pChildren == x)
            return x->m_pBack;
    return nullptr;
}

// Builds a list; on an exception the part built so far goes back to the pools.
struct CListBuilder {
    CLogNode* pHead = nullptr;
    CLogNode* pTail = nullptr;
    void Add(CLogNode* pChain) { NodeListAppend(pHead, pTail, pChain); }
    CLogNode* Take() { CLogNode* h = pHead; pHead = pTail = nullptr; return h; }
    ~CListBuilder() { FreeNodeTree(pHead); }
};

} // namespace

CLogNode* NodeTraceRoot(CLogNode* pNode)
{
    for (CLogNode* x = pNode; x; x = x->m_pBack)
        if (x->m_pEntry && x->m_pEntry->Kind() == LOGK_CALL)
            return x;
    return nullptr;
}

void UpdateCheckedRoots(CCheckedRootSet& set, CLogNode* pNode, BOOL bChecked, int nView)
{
    CLogNode* pRoot = NodeTraceRoot(pNode);
    if (!pRoot)
        return;
    try {
        if (bChecked || AnyNodeChecked(pRoot->m_pChildren, nView))
            set.insert(pRoot);
        else
            set.erase(pRoot);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY);
    }
}

BOOL AnyNodeChecked(const CLogNode* pChain, int nView)
{
    for (const CLogNode* x = pChain; x; x = x->m_pNext) {
        if (IsChecked(x, nView))
            return TRUE;
        if (x->m_pChildren && AnyNodeChecked(x->m_pChildren, nView))
            return TRUE;
    }
    return FALSE;
}

void UncheckAllRoots(CCheckedRootSet& set, int nView)
{
    // Each root clears itself and what follows it; a walk stops at a root
    // already done, since everything after that one is clear already.
    for (auto it = set.begin(); it != set.end(); ++it) {
        for (CLogNode* x = *it; x; x = x->m_pNext) {
            if (x != *it && std::less<CLogNode*>()(x, *it) && set.count(x))
                break;
            if (x->m_pEntry)
                x->NodeSetChecked(nView, FALSE);
            NodeUncheckTree(x->m_pChildren, nView);
        }
    }
    set.clear();
}

CLogNode* CopyCheckedRoots(const CCheckedRootSet& set, int nView, BOOL bObject, BOOL bPath, BOOL bFind)
{
    CListBuilder result;
    for (CLogNode* r : set) {
        if (!bObject) {
            if (IsChecked(r, nView))
                result.Add(CopyNode(r));
            continue;
        }
        CLogNode* c = CopyNode(r);
        result.Add(c);
        AttachChildren(c, bPath ? CopyCheckedPaths(r, nView, bFind) : CopyCheckedByName(r, nView, bFind));
    }
    return result.Take();
}

CLogNode* CopyCheckedPaths(const CLogNode* p, int nView, BOOL bFind)
{
    CListBuilder result;
    for (const CLogNode* c = p->m_pChildren; c; c = c->m_pNext) {
        if (IsChecked(c, nView)) {
            CLogNode* d = CopyNode(c);
            result.Add(d);
            if (bFind)
                AttachChildren(d, NodeCopyTree(c->m_pChildren));
        } else {
            CLogNode* sub = CopyCheckedPaths(c, nView, bFind);
            if (!sub)
                continue;
            CLogNode* d;
            try {
                d = CopyNode(c);
            } catch (...) {
                FreeNodeTree(sub);
                throw;
            }
            AttachChildren(d, sub);
            result.Add(d);
        }
    }
    return result.Take();
}

CLogNode* CopyCheckedByName(const CLogNode* p, int nView, BOOL bFind)
{
    DWORD kp = KindOf(p);
    bool bIndexed = p->m_pEntry && (kp == LOGK_ARRAY || kp == LOGK_ITEMS);
    CListBuilder result, elements;
    for (const CLogNode* c = p->m_pChildren; c; c = c->m_pNext) {
        if (!IsChecked(c, nView)) {
            result.Add(CopyCheckedByName(c, nView, bFind));
            continue;
        }
        DWORD kc = KindOf(c);
        if (bFind && (!c->m_pEntry || kc != LOGK_MEMBER)) {
            if (c->m_pEntry && kc == LOGK_ITEMS) {
                CLogNode* items = NodeCopySiblings(c->m_pChildren);
                CLogNode* w;
                try {
                    w = WrapInContainer(c, items);
                } catch (...) {
                    FreeNodeTree(items);
                    throw;
                }
                result.Add(w);
            } else {
                result.Add(CopyCheckedContainer(c));
            }
            continue;
        }
        CLogNode* d = CopyNode(c);
        if (kc == LOGK_ITEMS) {
            CLogNode* pp;
            try {
                pp = CopyNode(p);
            } catch (...) {
                FreeNodeTree(d);
                throw;
            }
            AttachChildren(pp, d);
            result.Add(pp);
        } else if (bIndexed) {
            elements.Add(d);
        } else {
            result.Add(d);
        }
    }
    if (elements.pHead) {
        CLogNode* list = elements.Take();
        CLogNode* w;
        try {
            w = WrapInContainer(p, list);
        } catch (...) {
            FreeNodeTree(list);
            throw;
        }
        result.Add(w);
    }
    return result.Take();
}

CLogNode* CopyCheckedContainer(const CLogNode* c)
{
    if (!c->m_pEntry)
        return nullptr;
    DWORD k = c->m_pEntry->Kind();
    if (k == LOGK_ARRAY || k == LOGK_ITEMS) {
        CLogNode* d = CopyNode(c);
        try {
            AttachChildren(d, NodeCopySiblings(c->m_pChildren));
        } catch (...) {
            FreeNodeTree(d);
            throw;
        }
        return d;
    }
    if (k != LOGK_OBJECT)
        return nullptr;
    CListBuilder list;
    bool bHasItems = false;
    for (const CLogNode* d = c->m_pChildren; d; d = d->m_pNext) {
        if (KindOf(d) == LOGK_ITEMS && d->m_pEntry) {
            list.Add(CopyCheckedContainer(d));
            bHasItems = true;
        } else {
            list.Add(CopyNode(d));
        }
    }
    if (!bHasItems)
        return list.Take();
    CLogNode* e = CopyNode(c);
    AttachChildren(e, list.Take());
    return e;
}

CLogNode* WrapInContainer(const CLogNode* c, CLogNode* pList)
{
    CLogNode* d = CopyNode(c);
    AttachChildren(d, pList);
    if (KindOf(c) == LOGK_ARRAY)
        return d;
    const CLogNode* pParent = ParentOf(c);
    if (!pParent)
        return d;
    CLogNode* pp;
    try {
        pp = CopyNode(pParent);
    } catch (...) {
        d->m_pChildren = nullptr;   // the list stays the caller's
        FreeNodeTree(d);
        throw;
    }
    AttachChildren(pp, d);
    return pp;
}

CLogNode* GroupRootsByClientAndLabel(CLogNode* pChain, BOOL bClient, BOOL bLabel)
{
    if (!pChain)
        return nullptr;
    if (!bClient && !bLabel)
        return MakeGroupNode(pChain, FALSE, FALSE);
    CLogNode *pHead = nullptr, *pTail = nullptr;
    try {
        while (pChain)
            NodeListAppend(pHead, pTail, TakeGroup(pChain, bClient, bLabel));
    } catch (...) {
        // The groups made so far go back to the pools; their call lines
        // rejoin the chain ahead of the rest, which TakeGroup has kept whole,
        // so the caller's chain starts where it started.
        CLogNode* pLinesTail = nullptr;
        for (CLogNode* g = pHead; g;) {
            CLogNode* pNext = g->m_pNext;
            CLogNode* pList = g->m_pChildren;
            g->m_pChildren = nullptr;
            g->m_pNext = g->m_pBack = nullptr;
            if (pList) {
                pList->m_pBack = nullptr;
                CLogNode* pLast = pList;
                while (pLast->m_pNext)
                    pLast = pLast->m_pNext;
                if (pLinesTail) {
                    pLinesTail->m_pNext = pList;
                    pList->m_pBack = pLinesTail;
                }
                pLinesTail = pLast;
            }
            FreeNodeTree(g);
            g = pNext;
        }
        if (pLinesTail) {
            pLinesTail->m_pNext = pChain;
            if (pChain)
                pChain->m_pBack = pLinesTail;
        }
        throw;
    }
    return pHead;
}

CLogNode* TakeGroup(CLogNode*& pChain, BOOL bClient, BOOL bLabel)
{
    CLogNode* f = pChain;
    CLogNode* pRest = f->m_pNext;
    f->m_pNext = nullptr;
    f->m_pBack = nullptr;
    CLogNode *gHead = f, *gTail = f, *rHead = nullptr, *rTail = nullptr;
    for (CLogNode* n = pRest; n;) {
        CLogNode* pNext = n->m_pNext;
        n->m_pNext = nullptr;
        CLogNode*& h = IsSameGroup(f, n, bClient, bLabel) ? gHead : rHead;
        CLogNode*& t = (&h == &gHead) ? gTail : rTail;
        n->m_pBack = t;
        if (t) t->m_pNext = n; else h = n;
        t = n;
        n = pNext;
    }
    pChain = rHead;
    try {
        return MakeGroupNode(gHead, bClient, bLabel);
    } catch (...) {
        // Keep the taken call lines in the chain, so that nothing is lost.
        gTail->m_pNext = rHead;
        if (rHead) rHead->m_pBack = gTail;
        pChain = gHead;
        throw;
    }
}

BOOL IsSameGroup(const CLogNode* a, const CLogNode* b, BOOL bClient, BOOL bLabel)
{
    if (!a || !b)
        return FALSE;
    if (bClient && NodeClientId(a) != NodeClientId(b))
        return FALSE;
    if (bLabel) {
        LPCWSTR na = a->m_pEntry ? a->m_pEntry->m_name.m_str : L"";
        LPCWSTR nb = b->m_pEntry ? b->m_pEntry->m_name.m_str : L"";
        if (CompareNamesExact(na, nb) != 0)
            return FALSE;
    }
    return TRUE;
}

CLogNode* MakeGroupNode(CLogNode* pList, BOOL bClient, BOOL bLabel)
{
    CLogNode* g = AllocNode();
    if (pList && pList->m_pEntry) {
        try {
            if (bClient)
                g->m_pEntry->SetClientId(NodeClientId(pList));
            if (bLabel)
                g->m_pEntry->m_name = (LPCOLESTR)pList->m_pEntry->m_name.m_str;
        } catch (...) {
            FreeNodeTree(g);
            throw;
        }
    }
    g->m_pEntry->m_key = 0;
    g->m_pEntry->SetKind(LOGK_CALL);
    AttachChildren(g, pList);
    return g;
}

CLogNode* MergeGroupMembers(CLogNode* pGroups)
{
    for (CLogNode* g = pGroups; g; g = g->m_pNext) {
        CLogNode* pList = g->m_pChildren;
        g->m_pChildren = nullptr;
        if (pList)
            pList->m_pBack = nullptr;
        g->m_pChildren = MergeRootMembers(pList);
    }
    return pGroups;
}

CLogNode* MergeRootMembers(CLogNode* r1)
{
    if (!r1)
        return nullptr;
    CLogNode* pRest = r1->m_pNext;
    r1->m_pNext = nullptr;
    r1->m_pBack = nullptr;
    if (pRest)
        pRest->m_pBack = nullptr;
    CLogNode* pKids = r1->m_pChildren;
    r1->m_pChildren = nullptr;
    if (pKids)
        pKids->m_pBack = nullptr;
    NodeMergeChildren(r1, pKids, TRUE);
    for (CLogNode* r = pRest; r;) {
        CLogNode* pNext = r->m_pNext;
        r->m_pNext = r->m_pBack = nullptr;
        if (pNext)
            pNext->m_pBack = nullptr;
        CLogNode* k = r->m_pChildren;
        r->m_pChildren = nullptr;
        if (k)
            k->m_pBack = nullptr;
        NodeMergeChildren(r1, k, TRUE);
        FreeNodeTree(r);
        r = pNext;
    }
    CLogNode* pResult = r1->m_pChildren;
    r1->m_pChildren = nullptr;
    FreeNodeTree(r1);
    return pResult;
}

CLogNode* ChildTreesToLists(CLogNode* pChain)
{
    for (CLogNode* x = pChain; x; x = x->m_pNext) {
        if (x->m_pChildren) {
            CLogNode* t;
            AttachChildren(x, NodeTreeToList(x->m_pChildren, t));
        }
    }
    return pChain;
}

CLogNode* ChildListsToTrees(CLogNode* pChain)
{
    for (CLogNode* x = pChain; x; x = x->m_pNext) {
        if (CLogNode* c = x->m_pChildren) {
            c->m_pBack = nullptr;
            x->m_pChildren = NodeListToTree(c, NodeCountList(c));
        }
    }
    return pChain;
}
