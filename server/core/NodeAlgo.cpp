#include "server/core/NodeAlgo.h"
#include "server/core/Except.h"
#include <climits>
#include <new>

namespace {

inline LPCWSTR NameOf(const CLogNode* p)
{
    return (p && p->m_pEntry && p->m_pEntry->m_name.m_str) ? p->m_pEntry->m_name.m_str : L"";
}

inline bool IsIndexedParent(const CLogNode* p)
{
    if (!p || !p->m_pEntry)
        return false;
    DWORD k = p->m_pEntry->Kind();
    return k == LOGK_ARRAY || k == LOGK_ITEMS;
}

inline bool IsSeparator(WCHAR c)
{
    switch (c) {
    case L' ': case L'[': case L']': case L',': case L'I': case L't': case L'e': case L'm':
        return true;
    }
    return false;
}

// Reads one segment [p, end) like a signed decimal integer: leading white space
// and a sign allowed, stops at the first non-digit, clamps like wcstol.
DWORD SegmentValue(const WCHAR* p, const WCHAR* end)
{
    while (p < end && (*p == L'\t' || *p == L'\n' || *p == L'\v' || *p == L'\f' || *p == L'\r'))
        ++p;
    bool neg = false;
    if (p < end && (*p == L'+' || *p == L'-')) {
        neg = *p == L'-';
        ++p;
    }
    long long v = 0;
    while (p < end && *p >= L'0' && *p <= L'9') {
        v = v * 10 + (*p - L'0');
        if (v > (long long)INT_MAX + 1)
            v = (long long)INT_MAX + 1;
        ++p;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return (DWORD)(LONG)v;
}

// Walks the segments of an index name.
struct CSegmentReader {
    const WCHAR* p;
    explicit CSegmentReader(LPCWSTR s) : p(s ? s : L"") {}
    bool Next(DWORD& v)
    {
        while (*p && IsSeparator(*p))
            ++p;
        if (!*p)
            return false;
        const WCHAR* start = p;
        while (*p && !IsSeparator(*p))
            ++p;
        v = SegmentValue(start, p);
        return true;
    }
};

int CountSegments(LPCWSTR s)
{
    CSegmentReader r(s);
    DWORD v;
    int n = 0;
    while (r.Next(v))
        ++n;
    return n;
}

// Index order of two names without building the vectors.
int CompareIndexNames(LPCWSTR pszKey, LPCWSTR pszNode)
{
    int nk = CountSegments(pszKey), nn = CountSegments(pszNode);
    if (nk != nn)
        return nk < nn ? -1 : 1;
    CSegmentReader a(pszKey), b(pszNode);
    DWORD va, vb;
    while (a.Next(va) && b.Next(vb)) {
        if (va != vb)
            return va < vb ? -1 : 1;
    }
    return 0;
}

enum EOrder { ORDER_EXACT, ORDER_NOCASE, ORDER_INDEX };

inline EOrder OrderFor(const CLogNode* pParent, BOOL bExact)
{
    if (IsIndexedParent(pParent))
        return ORDER_INDEX;
    return bExact ? ORDER_EXACT : ORDER_NOCASE;
}

inline int CompareBy(EOrder order, const CLogNode* pKey, const CLogNode* pNode)
{
    switch (order) {
    case ORDER_INDEX:  return CompareIndexNames(NameOf(pKey), NameOf(pNode));
    case ORDER_NOCASE: return CompareNamesNoCase(NameOf(pKey), NameOf(pNode));
    default:           return CompareNamesExact(NameOf(pKey), NameOf(pNode));
    }
}

// Finds in the child tree of pParent; with bInsert links pKey as a leaf.
CLogNode* SearchChildTree(CLogNode* pParent, CLogNode* pKey, EOrder order, bool bInsert)
{
    CLogNode* p = pParent->m_pChildren;
    if (!p) {
        if (bInsert)
            pParent->m_pChildren = pKey;
        return bInsert ? pKey : nullptr;
    }
    for (;;) {
        int c = CompareBy(order, pKey, p);
        if (c == 0)
            return p;
        CLogNode*& link = c > 0 ? p->m_pNext : p->m_pBack;
        if (!link) {
            if (!bInsert)
                return nullptr;
            link = pKey;
            return pKey;
        }
        p = link;
    }
}

inline void AttachChildren(CLogNode* pParent, CLogNode* pList)
{
    pParent->m_pChildren = pList;
    if (pList)
        pList->m_pBack = pParent;
}

// Appends one node (with null next) to a list.
inline void AppendOne(CLogNode*& pHead, CLogNode*& pTail, CLogNode* p)
{
    p->m_pNext = nullptr;
    p->m_pBack = pTail;
    if (pTail) pTail->m_pNext = p; else pHead = p;
    pTail = p;
}

// Post-order flattening of a chain; returns the head, stores the tail. Runs
// without recursion whatever the depth: the nodes whose children are being
// flattened are stacked through their back links, which the output rewrites.
CLogNode* FlattenChain(CLogNode* pNode, CLogNode*& pTail)
{
    CLogNode* pHead = nullptr;
    CLogNode* pStack = nullptr;
    pTail = nullptr;
    CLogNode* x = pNode;
    for (;;) {
        while (x) {
            if (x->m_pChildren) {
                CLogNode* pChild = x->m_pChildren;
                x->m_pChildren = nullptr;
                x->m_pBack = pStack;
                pStack = x;
                x = pChild;
                continue;
            }
            CLogNode* pNext = x->m_pNext;
            AppendOne(pHead, pTail, x);
            x = pNext;
        }
        if (!pStack)
            break;
        CLogNode* pParent = pStack;
        pStack = pParent->m_pBack;
        x = pParent->m_pNext;
        AppendOne(pHead, pTail, pParent);
    }
    return pHead;
}

// Copies one node: own entry (AllocNode + NodeCopyEntry) or a bare node.
CLogNode* CopyOne(const CLogNode* pSrc)
{
    if (pSrc->m_pEntry == nullptr)
        return TakeNodeFromBlock();
    CLogNode* pCopy = AllocNode();
    try {
        return pCopy->NodeCopyEntry(pSrc);
    } catch (...) {
        FreeNodeTree(pCopy);   // not yet linked anywhere
        throw;
    }
}

CLogNode* CopyChain(const CLogNode* pChain, bool bDeep)
{
    CLogNode *pHead = nullptr, *pTail = nullptr;
    try {
        for (const CLogNode* s = pChain; s; s = s->m_pNext) {
            CLogNode* d = CopyOne(s);
            AppendOne(pHead, pTail, d);
            if (bDeep && s->m_pChildren)
                AttachChildren(d, CopyChain(s->m_pChildren, true));
        }
    } catch (...) {
        FreeNodeTree(pHead);
        throw;
    }
    return pHead;
}

CLogNode* ShareOne(const CLogNode* pSrc)
{
    CLogNode* d = TakeNodeFromBlock();
    d->m_pEntry = pSrc->m_pEntry;
    return d;
}

inline bool IsExpanded(const CLogNode* p, int nView)
{
    return p->m_pEntry && p->NodeIsExpanded(nView);
}

// Row walk of NodeRowsBetween; returns true when pTo was met.
bool RowsWalk(CLogNode* pChain, CLogNode*& pFrom, CLogNode*& pTo, int nView, int& nCount)
{
    for (CLogNode* x = pChain; x; x = x->m_pNext) {
        bool bCount;
        if (pFrom && x == pFrom) {
            pFrom = nullptr;
            bCount = true;
        } else {
            bCount = pFrom == nullptr;
        }
        if (bCount) {
            ++nCount;
            if (pTo && x == pTo) {
                pTo = nullptr;
                return true;
            }
        }
        if (x->m_pChildren && IsExpanded(x, nView)) {
            if (RowsWalk(x->m_pChildren, pFrom, pTo, nView, nCount))
                return true;
        }
    }
    return false;
}

} // namespace

// ---- orderings ----------------------------------------------------------------

int CompareNamesExact(LPCWSTR a, LPCWSTR b)
{
    if (!a) a = L"";
    if (!b) b = L"";
    for (;; ++a, ++b) {
        unsigned ca = (unsigned short)*a, cb = (unsigned short)*b;
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

int CompareNamesNoCase(LPCWSTR a, LPCWSTR b)
{
    if (!a) a = L"";
    if (!b) b = L"";
    for (;; ++a, ++b) {
        unsigned ca = (unsigned short)*a, cb = (unsigned short)*b;
        if (ca >= L'A' && ca <= L'Z') ca += L'a' - L'A';
        if (cb >= L'A' && cb <= L'Z') cb += L'a' - L'A';
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

void ParseIndexVector(LPCWSTR pszName, std::vector<DWORD>& vec)
{
    vec.clear();
    try {
        CSegmentReader r(pszName);
        DWORD v;
        while (r.Next(v))
            vec.push_back(v);
    } catch (const std::bad_alloc&) {
        throw CExcept(ZV_ERR_MEMORY_BSTR);
    }
}

void ParseIndexVector(const CLogNode* pNode, std::vector<DWORD>& vec)
{
    ParseIndexVector(NameOf(pNode), vec);
}

int CompareIndexVectors(const std::vector<DWORD>& key, const std::vector<DWORD>& node)
{
    if (key.size() != node.size())
        return key.size() < node.size() ? -1 : 1;
    for (size_t i = 0; i < key.size(); ++i)
        if (key[i] != node[i])
            return key[i] < node[i] ? -1 : 1;
    return 0;
}

int NodeClientId(const CLogNode* pNode)
{
    return (pNode && pNode->m_pEntry) ? pNode->m_pEntry->ClientId() : 0;
}

// ---- tree forms ---------------------------------------------------------------

int NodeCountList(const CLogNode* pHead)
{
    int n = 0;
    for (; pHead; pHead = pHead->m_pNext)
        ++n;
    return n;
}

CLogNode* NodeListToTree(CLogNode* pHead, int n)
{
    if (n <= 0 || !pHead)
        return nullptr;
    CLogNode* pRoot;
    if (n == 1) {
        pRoot = pHead;
        pRoot->m_pNext = pRoot->m_pBack = nullptr;
    } else {
        int m = n / 2;
        pRoot = pHead;
        for (int i = 0; i < m; ++i)
            pRoot = pRoot->m_pNext;
        CLogNode* pRight = pRoot->m_pNext;
        pRoot->m_pBack = NodeListToTree(pHead, m);
        pRoot->m_pNext = NodeListToTree(pRight, n - m - 1);
    }
    if (CLogNode* c = pRoot->m_pChildren) {
        c->m_pBack = nullptr;
        pRoot->m_pChildren = NodeListToTree(c, NodeCountList(c));
    }
    return pRoot;
}

CLogNode* NodeTreeToList(CLogNode* pRoot, CLogNode*& pTail)
{
    pTail = nullptr;
    if (!pRoot)
        return nullptr;
    // Right rotations turn the level into an in-order vine through next links
    // without recursion, so unbalanced trees built by insertion are safe too.
    CLogNode pseudo;
    pseudo.m_pNext = pRoot;
    CLogNode* pVineTail = &pseudo;
    CLogNode* pRest = pRoot;
    while (pRest) {
        if (!pRest->m_pBack) {
            pVineTail = pRest;
            pRest = pRest->m_pNext;
        } else {
            CLogNode* t = pRest->m_pBack;
            pRest->m_pBack = t->m_pNext;
            t->m_pNext = pRest;
            pRest = t;
            pVineTail->m_pNext = t;
        }
    }
    CLogNode* pHead = pseudo.m_pNext;
    CLogNode* pPrev = nullptr;
    for (CLogNode* x = pHead; x; x = x->m_pNext) {
        x->m_pBack = pPrev;
        pPrev = x;
        if (x->m_pChildren) {
            CLogNode* t;
            CLogNode* c = NodeTreeToList(x->m_pChildren, t);
            AttachChildren(x, c);
        }
    }
    pTail = pPrev;
    return pHead;
}

// ---- search and insertion -----------------------------------------------------

CLogNode* NodeFindChild(CLogNode* pParent, const CLogNode* pKey)
{
    if (!pParent || !pKey)
        return nullptr;
    return SearchChildTree(pParent, const_cast<CLogNode*>(pKey), OrderFor(pParent, TRUE), false);
}

CLogNode* NodeFindOrInsertChild(CLogNode* pParent, CLogNode* pKey, BOOL bExact)
{
    return SearchChildTree(pParent, pKey, OrderFor(pParent, bExact), true);
}

void NodeMergeChildren(CLogNode* pParent, CLogNode* pChain, BOOL bExact)
{
    for (CLogNode* x = pChain; x;) {
        CLogNode* pNext = x->m_pNext;
        if (pNext)
            pNext->m_pBack = nullptr;
        x->m_pNext = x->m_pBack = nullptr;
        CLogNode* pKids = x->m_pChildren;
        if (pKids) {
            pKids->m_pBack = nullptr;
            x->m_pChildren = nullptr;
        }
        CLogNode* y = NodeFindOrInsertChild(pParent, x, bExact);
        if (y != x)
            FreeNodeTree(x);
        if (pKids)
            NodeMergeChildren(y, pKids, bExact);
        x = pNext;
    }
}

CLogNode* NodeFindOrInsertClient(CLogNode* pParent, int nClientId)
{
    CLogNode** link = &pParent->m_pChildren;
    while (CLogNode* p = *link) {
        int c = nClientId - NodeClientId(p);
        if (c == 0)
            return p;
        link = c > 0 ? &p->m_pNext : &p->m_pBack;
    }
    CLogNode* pNew = AllocNode();
    pNew->m_pEntry->SetClientId(nClientId);
    *link = pNew;
    return pNew;
}

CLogNode* NodeFindSiblingByName(CLogNode* pChain, const CLogNode* pKey)
{
    LPCWSTR pszKey = NameOf(pKey);
    for (CLogNode* p = pChain; p; p = p->m_pNext)
        if (p->m_pEntry && CompareNamesExact(pszKey, NameOf(p)) == 0)
            return p;
    return nullptr;
}

// ---- walks and tests ----------------------------------------------------------

CLogNode* NodeLastDescendant(CLogNode* pNode)
{
    if (!pNode)
        return nullptr;
    for (;;) {
        while (pNode->m_pNext)
            pNode = pNode->m_pNext;
        if (!pNode->m_pChildren)
            return pNode;
        pNode = pNode->m_pChildren;
    }
}

CLogNode* NodeFlattenSubtree(CLogNode* pNode, CLogNode*& pHead, CLogNode*& pTail)
{
    if (!pNode)
        return nullptr;
    CLogNode* t;
    CLogNode* h = FlattenChain(pNode, t);
    h->m_pBack = nullptr;
    pHead = h;
    pTail = t;
    return h;
}

BOOL NodeIsBefore(const CLogNode* pA, const CLogNode* pFrom, const CLogNode* pStop)
{
    if (!pA || !pFrom)
        return FALSE;
    for (const CLogNode* x = pFrom; x; x = x->m_pNext) {
        if (x == pA)
            return TRUE;
        if (x == pStop)
            return FALSE;
    }
    return FALSE;
}

CLogNode* NodeFirstOf(CLogNode* pStart, CLogNode* pA, CLogNode* pB)
{
    for (CLogNode* x = pStart; x; x = x->m_pNext) {
        if (x == pA)
            return pA;
        if (x == pB)
            return pB;
        if (x->m_pChildren)
            if (CLogNode* r = NodeFirstOf(x->m_pChildren, pA, pB))
                return r;
    }
    return nullptr;
}

CLogNode* NodeListAppend(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pChain)
{
    if (!pChain)
        return pTail;
    if (!pHead) {
        pHead = pChain;
    } else {
        if (!pTail)
            for (pTail = pHead; pTail->m_pNext; pTail = pTail->m_pNext) {}
        pTail->m_pNext = pChain;
        pChain->m_pBack = pTail;
    }
    CLogNode* t = pChain;
    while (t->m_pNext)
        t = t->m_pNext;
    pTail = t;
    return t;
}

CLogNode* FindEntryRoot(CLogNode* pNode)
{
    for (CLogNode* p = pNode; p; p = p->m_pBack)
        if (p->m_pEntry && p->m_pEntry->Kind() == LOGK_CALL)
            return p;
    return nullptr;
}

// ---- copies -------------------------------------------------------------------

CLogNode* NodeCopyTree(const CLogNode* pChain)
{
    return CopyChain(pChain, true);
}

CLogNode* NodeCopySiblings(const CLogNode* pChain)
{
    return CopyChain(pChain, false);
}

CLogNode* NodeShareTree(const CLogNode* pChain)
{
    CLogNode *pHead = nullptr, *pTail = nullptr;
    try {
        for (const CLogNode* s = pChain; s; s = s->m_pNext) {
            CLogNode* d = ShareOne(s);
            AppendOne(pHead, pTail, d);
            if (s->m_pChildren)
                AttachChildren(d, NodeShareTree(s->m_pChildren));
        }
    } catch (...) {
        PushFreeChain(pHead);
        throw;
    }
    return pHead;
}

void NodeUncheckTree(CLogNode* pChain, int nView)
{
    for (CLogNode* x = pChain; x; x = x->m_pNext) {
        if (x->m_pEntry)
            x->NodeSetChecked(nView, FALSE);
        if (x->m_pChildren)
            NodeUncheckTree(x->m_pChildren, nView);
    }
}

// ---- extract merge ------------------------------------------------------------

CLogNode* FindExtractGroup(CLogNode* pCall, CLogNode* pGroups, BOOL bClient, BOOL bLabel)
{
    for (CLogNode* g = pGroups; g; g = g->m_pNext) {
        if (bClient && NodeClientId(g) != NodeClientId(pCall))
            continue;
        if (bLabel && CompareNamesExact(NameOf(g), NameOf(pCall)) != 0)
            continue;
        return g;
    }
    return nullptr;
}

CLogNode* NodeShareSelected(CLogNode* pMembers, CLogNode* pGroup, BOOL bPath)
{
    CLogNode *pHead = nullptr, *pTail = nullptr;
    try {
        for (CLogNode* x = pMembers; x; x = x->m_pNext) {
            CLogNode* s = NodeFindChild(pGroup, x);
            CLogNode* pSub;
            if (s) {
                if (s->m_pChildren) {
                    pSub = NodeShareSelected(x->m_pChildren, s, bPath);
                    if (!pSub)
                        continue;
                } else {
                    pSub = NodeShareTree(x->m_pChildren);
                }
            } else if (bPath) {
                continue;
            } else {
                pSub = NodeShareSelected(x->m_pChildren, pGroup, bPath);
                if (!pSub)
                    continue;
            }
            CLogNode* d;
            try {
                d = ShareOne(x);
            } catch (...) {
                PushFreeChain(pSub);
                throw;
            }
            AttachChildren(d, pSub);
            AppendOne(pHead, pTail, d);
        }
    } catch (...) {
        PushFreeChain(pHead);
        throw;
    }
    return pHead;
}

CLogNode* BuildExtractResult(CLogNode* pMaster, CLogNode* pGroups,
                             BOOL bClient, BOOL bLabel, BOOL bObject, BOOL bPath)
{
    CLogNode *pHead = nullptr, *pTail = nullptr;
    try {
        for (CLogNode* m = pMaster; m; m = m->m_pNext) {
            CLogNode* g = FindExtractGroup(m, pGroups, bClient, bLabel);
            if (!g)
                continue;
            CLogNode* pMembers = bObject ? NodeShareSelected(m->m_pChildren, g, bPath)
                                         : NodeShareTree(m->m_pChildren);
            if (!pMembers)
                continue;
            CLogNode* d;
            try {
                d = ShareOne(m);
            } catch (...) {
                PushFreeChain(pMembers);
                throw;
            }
            AttachChildren(d, pMembers);
            AppendOne(pHead, pTail, d);
        }
    } catch (...) {
        PushFreeChain(pHead);
        throw;
    }
    return pHead;
}

// ---- row counts ---------------------------------------------------------------

int NodeCountExpandedRows(const CLogNode* pNode, int nView)
{
    if (!pNode)
        return 0;
    int n = 0;
    for (const CLogNode* c = pNode->m_pChildren; c; c = c->m_pNext) {
        ++n;
        if (c->m_pChildren && IsExpanded(c, nView))
            n += NodeCountExpandedRows(c, nView);
    }
    return n;
}

int NodeRowsBetween(CLogNode* pChain, CLogNode*& pFrom, CLogNode*& pTo, int nView)
{
    int nCount = 0;
    RowsWalk(pChain, pFrom, pTo, nView, nCount);
    return nCount;
}

void ClearFoundNodes(CFoundNodeMap& map)
{
    map.clear();
}
