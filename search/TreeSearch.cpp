// Tree search: a copied condition set walks a document's chain of call lines
// beside its condition skeleton, marking the hits in a found-node map or
// building a result tree of bare nodes that share the source's entries.
#include "search/SearchCondition.h"
#include "server/core/Except.h"

namespace {

// The client group with the id in a child search tree in client order.
CLogNode* FindClientGroup(CLogNode* pTree, int nClientId)
{
    for (CLogNode* p = pTree; p;) {
        const int c = nClientId - NodeClientId(p);
        if (c == 0)
            return p;
        p = c > 0 ? p->m_pNext : p->m_pBack;
    }
    return nullptr;
}

CLogNode* ShareNode(const CLogNode* pSrc)
{
    CLogNode* d = TakeNodeFromBlock();
    d->m_pEntry = pSrc->m_pEntry;
    return d;
}

void AttachChildren(CLogNode* pParent, CLogNode* pList)
{
    pParent->m_pChildren = pList;
    if (pList)
        pList->m_pBack = pParent;
}

void Append(CLogNode*& pHead, CLogNode*& pTail, CLogNode* p)
{
    p->m_pNext = nullptr;
    p->m_pBack = pTail;
    if (pTail) pTail->m_pNext = p; else pHead = p;
    pTail = p;
}

void ForgetNodes(CLogNode* pChain, CFoundNodeMap& map)
{
    for (CLogNode* p = pChain; p; p = p->m_pNext) {
        map.erase(p);
        if (p->m_pChildren)
            ForgetNodes(p->m_pChildren, map);
    }
}

// Returns a partly built result chain to the pools and takes its nodes out
// of the map, where they may already stand as hits.
void FreeResult(CLogNode* pChain, CFoundNodeMap& map)
{
    if (!pChain)
        return;
    ForgetNodes(pChain, map);
    PushFreeChain(pChain);
}

} // namespace

CLogNode* CSearchConditionSet::SkeletonFor(CLogNode* pCall)
{
    CLogNode* s = &m_root;
    if (m_options & SSO_CLIENT) {
        s = FindClientGroup(m_root.m_pChildren, NodeClientId(pCall));
        if (!s)
            return nullptr;
    }
    if (m_options & SSO_LABEL)
        s = NodeFindChild(s, pCall);
    return s;
}

CSearchCondition* CSearchConditionSet::MatchingCondition(CLogNode* pSkel, CLogNode* pMember,
                                                         bool& bConditioned)
{
    CSearchCondition* c = FindCondition(pSkel);
    bConditioned = c != nullptr;
    for (; c; c = c->m_pSameNode)
        if (c->Match(pMember))
            return c;
    return nullptr;
}

int CSearchConditionSet::TestSkeletonNode(CLogNode* pSkel, CLogNode* pMember, CFoundNodeMap& map)
{
    bool bConditioned;
    CSearchCondition* c = MatchingCondition(pSkel, pMember, bConditioned);
    return c ? AddFoundNode(map, pMember, c) : 0;
}

// ---- marking in place ---------------------------------------------------------------

int CSearchConditionSet::HighlightMatches(CLogNode* pFirst, CFoundNodeMap& map)
{
    int n = 0;
    const bool bPath = (m_options & SSO_PATH) != 0;
    for (CLogNode* pCall = pFirst; pCall; pCall = pCall->m_pNext) {
        CLogNode* s = SkeletonFor(pCall);
        if (!s)
            continue;
        n += bPath ? MatchByPath(s, pCall->m_pChildren, map) : MatchByName(s, nullptr, pCall->m_pChildren, map);
    }
    return n;
}

int CSearchConditionSet::MatchByPath(CLogNode* pSkel, CLogNode* pChain, CFoundNodeMap& map)
{
    if (!pSkel || !pChain)
        return 0;
    int n = 0;
    for (CLogNode* m = pChain; m; m = m->m_pNext) {
        CLogNode* t = NodeFindChild(pSkel, m);
        if (!t)
            continue;
        // A node may carry a condition and lead to further ones.
        n += TestSkeletonNode(t, m, map);
        if (t->m_pChildren)
            n += MatchByPath(t, m->m_pChildren, map);
    }
    return n;
}

int CSearchConditionSet::MatchByName(CLogNode* pRoot, CLogNode* pCursor, CLogNode* pChain,
                                     CFoundNodeMap& map)
{
    if (!pRoot || !pChain)
        return 0;
    int n = 0;
    for (CLogNode* m = pChain; m; m = m->m_pNext) {
        if (pCursor) {
            // the path followed so far goes on
            if (CLogNode* t = NodeFindChild(pCursor, m)) {
                n += TestSkeletonNode(t, m, map);
                if (t->m_pChildren)
                    n += MatchByName(pRoot, t, m->m_pChildren, map);
            }
        }
        // a path starts afresh at this member; one that ends here (a
        // conditioned leaf) is not looked for below it
        CLogNode* t = NodeFindChild(pRoot, m);
        if (!t) {
            n += MatchByName(pRoot, nullptr, m->m_pChildren, map);
            continue;
        }
        n += TestSkeletonNode(t, m, map);
        if (t->m_pChildren)
            n += MatchByName(pRoot, t, m->m_pChildren, map);
    }
    return n;
}

// ---- result trees ------------------------------------------------------------------

int CSearchConditionSet::BuildResultTree(CLogNode* pFirst, CFoundNodeMap& map, CLogNode*& pHead)
{
    pHead = nullptr;
    CLogNode *pOut = nullptr, *pTail = nullptr, *pSub = nullptr;
    int n = 0;
    const bool bPath = (m_options & SSO_PATH) != 0;
    try {
        for (CLogNode* pCall = pFirst; pCall; pCall = pCall->m_pNext) {
            CLogNode* s = SkeletonFor(pCall);
            if (!s)
                continue;
            n += bPath ? BuildByPath(s, pCall->m_pChildren, map, pSub)
                       : BuildByName(s, nullptr, pCall->m_pChildren, map, pSub);
            if (!pSub)
                continue;
            CLogNode* x = ShareNode(pCall);
            AttachChildren(x, pSub);
            pSub = nullptr;
            Append(pOut, pTail, x);
            if (!map.count(x))
                map[x] = nullptr;
        }
    } catch (...) {
        FreeResult(pSub, map);
        FreeResult(pOut, map);
        throw;
    }
    pHead = pOut;
    return n;
}

int CSearchConditionSet::BuildMember(CLogNode* pSkel, CLogNode* pRoot, CLogNode* pCursor, bool bRecurse,
                                     CLogNode* pMember, CFoundNodeMap& map, CLogNode*& pNode)
{
    pNode = nullptr;
    CLogNode* pSub = nullptr;
    int n = 0;
    try {
        if (bRecurse)
            n += pRoot ? BuildByName(pRoot, pCursor, pMember->m_pChildren, map, pSub)
                       : BuildByPath(pSkel, pMember->m_pChildren, map, pSub);
        bool bConditioned;
        CSearchCondition* c = MatchingCondition(pSkel, pMember, bConditioned);
        const bool bKeep = c || (bConditioned && !(m_options & SSO_MATCH_OBJECTS));
        if (!pSub && !bKeep)
            return n;
        CLogNode* y = ShareNode(pMember);
        AttachChildren(y, pSub);
        pSub = nullptr;
        pNode = y;
        if (c)
            n += AddFoundNode(map, y, c);   // no back link yet: no call line entered here
    } catch (...) {
        FreeResult(pSub, map);
        FreeResult(pNode, map);
        pNode = nullptr;
        throw;
    }
    return n;
}

int CSearchConditionSet::BuildLeaf(CLogNode* pSkel, CLogNode* pMember, CFoundNodeMap& map, CLogNode*& pNode)
{
    pNode = nullptr;
    if (!FindCondition(pSkel))
        return 0;
    return BuildMember(pSkel, nullptr, nullptr, false, pMember, map, pNode);
}

int CSearchConditionSet::BuildByPath(CLogNode* pSkel, CLogNode* pChain, CFoundNodeMap& map, CLogNode*& pOut)
{
    pOut = nullptr;
    if (!pSkel || !pChain)
        return 0;
    CLogNode* pTail = nullptr;
    int n = 0;
    try {
        for (CLogNode* m = pChain; m; m = m->m_pNext) {
            CLogNode* t = NodeFindChild(pSkel, m);
            if (!t)
                continue;
            CLogNode* y;
            n += BuildMember(t, nullptr, nullptr, t->m_pChildren != nullptr, m, map, y);
            if (y)
                Append(pOut, pTail, y);
        }
    } catch (...) {
        FreeResult(pOut, map);
        pOut = nullptr;
        throw;
    }
    return n;
}

int CSearchConditionSet::BuildByName(CLogNode* pRoot, CLogNode* pCursor, CLogNode* pChain,
                                     CFoundNodeMap& map, CLogNode*& pOut)
{
    pOut = nullptr;
    if (!pRoot || !pChain)
        return 0;
    CLogNode* pTail = nullptr;
    int n = 0;
    try {
        for (CLogNode* m = pChain; m; m = m->m_pNext) {
            CLogNode* y;
            if (pCursor) {
                // the path followed so far goes on
                if (CLogNode* t = NodeFindChild(pCursor, m)) {
                    n += BuildMember(t, pRoot, t, t->m_pChildren != nullptr, m, map, y);
                    if (y)
                        Append(pOut, pTail, y);
                }
            }
            // a path starts afresh at this member; one that ends here (a
            // conditioned leaf) is not looked for below it
            if (CLogNode* t = NodeFindChild(pRoot, m)) {
                n += BuildMember(t, pRoot, t, t->m_pChildren != nullptr, m, map, y);
            } else {
                CLogNode* pSub;
                n += BuildByName(pRoot, nullptr, m->m_pChildren, map, pSub);
                y = nullptr;
                if (pSub) {
                    try {
                        y = ShareNode(m);
                    } catch (...) {
                        FreeResult(pSub, map);
                        throw;
                    }
                    AttachChildren(y, pSub);
                }
            }
            if (y)
                Append(pOut, pTail, y);
        }
    } catch (...) {
        FreeResult(pOut, map);
        pOut = nullptr;
        throw;
    }
    return n;
}
