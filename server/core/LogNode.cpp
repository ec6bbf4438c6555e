#include "server/core/LogNode.h"
#include "server/core/NodeAlgo.h"
#include "server/core/Except.h"
#include <new>

// ---- entries ----------------------------------------------------------------

CLogEntry::CLogEntry() : m_key(0), m_flags(0) {}

CLogEntry::~CLogEntry() {}

void CLogEntry::Reset()
{
    m_name.Empty();
    m_type.Empty();
    m_value.Empty();
    m_key = 0;
    m_flags = 0;
}

void CLogEntry::SetFlags(DWORD mask)
{
    ::InterlockedOr(reinterpret_cast<volatile LONG*>(&m_flags), (LONG)mask);
}

void CLogEntry::ClearFlags(DWORD mask)
{
    ::InterlockedAnd(reinterpret_cast<volatile LONG*>(&m_flags), (LONG)~mask);
}

// ---- nodes ------------------------------------------------------------------

CLogNode* CLogNode::NodeCopyEntry(const CLogNode* pSrc)
{
    if (!pSrc || !m_pEntry || !pSrc->m_pEntry)
        return this;
    CLogEntry* d = m_pEntry;
    const CLogEntry* s = pSrc->m_pEntry;
    if (d != s) {
        d->m_name = (LPCOLESTR)s->m_name.m_str;
        d->m_type = (LPCOLESTR)s->m_type.m_str;
        d->m_value = (LPCOLESTR)s->m_value.m_str;
    }
    d->m_key = s->m_key;
    DWORD kind = s->Kind();
    DWORD keep = LOGF_KIND_MASK;
    DWORD add = kind << LOGF_KIND_SHIFT;
    if (kind == LOGK_CALL) {
        keep |= LOGF_CLIENT_MASK;
        add |= s->m_flags & LOGF_CLIENT_MASK;
    } else if (kind == LOGK_OBJECT || kind == LOGK_ARRAY) {
        add |= LOGF_LOADABLE;
    }
    // One atomic update, so that a per-view bit set meanwhile is not lost.
    volatile LONG* p = reinterpret_cast<volatile LONG*>(&d->m_flags);
    LONG oldv, newv;
    do {
        oldv = *p;
        newv = (LONG)((((DWORD)oldv) & ~keep) | add);
    } while (::InterlockedCompareExchange(p, newv, oldv) != oldv);
    return this;
}

void CLogNode::NodeSetExpanded(int nView, BOOL bSet)
{
    DWORD bit = 1u << (LOGF_EXPANDED_BIT0 + nView);
    if (bSet) m_pEntry->SetFlags(bit); else m_pEntry->ClearFlags(bit);
}

BOOL CLogNode::NodeIsExpanded(int nView) const
{
    return (m_pEntry->m_flags >> (LOGF_EXPANDED_BIT0 + nView)) & 1;
}

void CLogNode::NodeSetChecked(int nView, BOOL bSet)
{
    DWORD bit = 1u << (LOGF_CHECKED_BIT0 + nView);
    if (bSet) m_pEntry->SetFlags(bit); else m_pEntry->ClearFlags(bit);
}

BOOL CLogNode::NodeIsChecked(int nView) const
{
    return (m_pEntry->m_flags >> (LOGF_CHECKED_BIT0 + nView)) & 1;
}

// ---- pools ------------------------------------------------------------------
// The main thread and the log thread both take and return nodes; a slim lock
// held only inside these operations keeps the pool state consistent. Resetting
// an entry happens outside the lock: the node is then the caller's alone.

namespace {

CNodeBlock  s_nodeAnchor  = { nullptr, nullptr, 0 };  // m_pNext: newest node block
CEntryBlock s_entryAnchor = { nullptr, nullptr, 0 };  // m_pNext: newest entry block
CLogNode*    s_pFresh = nullptr;          // not yet handed-out nodes of the newest block
CEntryBlock* s_pCurEntries = nullptr;     // block entries are handed out from
int          s_nNextEntry = 0;            // next entry index, counting down
CLogNode*    s_pFreeList = nullptr;       // returned nodes with their entry
CLogNode*    s_pReturned = nullptr;       // returned nodes without entry
SRWLOCK      s_lock = SRWLOCK_INIT;

struct CPoolLock {
    CPoolLock() { ::AcquireSRWLockExclusive(&s_lock); }
    ~CPoolLock() { ::ReleaseSRWLockExclusive(&s_lock); }
};

inline void ClearLinks(CLogNode* p)
{
    p->m_pNext = p->m_pBack = p->m_pChildren = nullptr;
}

// Pops a node from the returned list or the fresh chain; lock held.
CLogNode* TakeNodeLocked()
{
    CLogNode* p = s_pReturned;
    if (p) {
        s_pReturned = p->m_pNext;
        ClearLinks(p);
        return p;
    }
    if (!s_pFresh)
        s_pFresh = AllocNodeBlock();
    p = s_pFresh;
    s_pFresh = p->m_pNext;
    if (s_pFresh)
        s_pFresh->m_pBack = nullptr;
    p->m_pNext = nullptr;
    return p;
}

// Pushes the chain head..tail in front of a list; lock held.
inline void PushLocked(CLogNode*& list, CLogNode* head, CLogNode* tail)
{
    tail->m_pNext = list;
    if (list)
        list->m_pBack = tail;
    list = head;
}

// Gives a node back that a failed operation took; it has no valid entry use.
void ReturnNode(CLogNode* p, bool bWithEntry)
{
    ClearLinks(p);
    CPoolLock lock;
    PushLocked(bWithEntry ? s_pFreeList : s_pReturned, p, p);
}

} // namespace

CLogNode* AllocNodeBlock()
{
    CNodeBlock* pBlock = new (std::nothrow) CNodeBlock{ nullptr, nullptr, 0 };
    if (!pBlock)
        throw CExcept(ZV_ERR_MEMORY_NODE);
    pBlock->m_pNodes = new (std::nothrow) CLogNode[NODE_BLOCK_SIZE];
    if (!pBlock->m_pNodes) {
        delete pBlock;
        throw CExcept(ZV_ERR_MEMORY_NODE);
    }
    InitNodeBlock(pBlock);
    pBlock->m_pNext = s_nodeAnchor.m_pNext;
    s_nodeAnchor.m_pNext = pBlock;
    return pBlock->m_pNodes;
}

void InitNodeBlock(CNodeBlock* pBlock)
{
    pBlock->m_nCount = NODE_BLOCK_SIZE;
    CLogNode* a = pBlock->m_pNodes;
    for (int i = 0; i < NODE_BLOCK_SIZE - 1; ++i) {
        a[i].m_pNext = &a[i + 1];
        a[i + 1].m_pBack = &a[i];
    }
}

void FreeNodeBlock(CNodeBlock* pBlock)
{
    delete[] pBlock->m_pNodes;
    delete pBlock;
}

CLogEntry* AllocEntryBlock()
{
    CEntryBlock* pBlock = new (std::nothrow) CEntryBlock{ nullptr, nullptr, 0 };
    if (!pBlock)
        throw CExcept(ZV_ERR_MEMORY_NODE);
    try {
        pBlock->m_pEntries = new CLogEntry[NODE_BLOCK_SIZE];
    } catch (const std::bad_alloc&) {
        delete pBlock;
        throw CExcept(ZV_ERR_MEMORY_NODE);
    } catch (...) {
        delete pBlock;      // a string of an entry: the built ones are destroyed
        throw;
    }
    pBlock->m_nCount = NODE_BLOCK_SIZE;
    pBlock->m_pNext = s_entryAnchor.m_pNext;
    s_entryAnchor.m_pNext = pBlock;
    return pBlock->m_pEntries;
}

void FreeEntryBlock(CEntryBlock* pBlock)
{
    delete[] pBlock->m_pEntries;
    delete pBlock;
}

// Resets the entry of a node just taken; when that fails the node goes back
// to the pools and the exception passes on.
static CLogNode* ResetEntryOrReturn(CLogNode* p)
{
    try {
        p->m_pEntry->Reset();
    } catch (...) {
        ReturnNode(p, true);
        throw;
    }
    return p;
}

CLogNode* AllocNode()
{
    CLogNode* p;
    {
        CPoolLock lock;
        p = s_pFreeList;
        if (p) {
            s_pFreeList = p->m_pNext;
        } else {
            p = TakeNodeLocked();
            if (!p->m_pEntry) {
                if (s_nNextEntry < 0 || !s_pCurEntries) {
                    try {
                        AllocEntryBlock();
                    } catch (...) {
                        PushLocked(s_pReturned, p, p);
                        throw;
                    }
                    s_pCurEntries = s_entryAnchor.m_pNext;
                    s_nNextEntry = NODE_BLOCK_SIZE - 1;
                }
                p->m_pEntry = &s_pCurEntries->m_pEntries[s_nNextEntry--];
                return p;    // a fresh entry is already empty
            }
        }
    }
    ClearLinks(p);
    return ResetEntryOrReturn(p);
}

CLogNode* TakeNodeFromBlock()
{
    CLogNode* p;
    {
        CPoolLock lock;
        p = TakeNodeLocked();
    }
    return p->m_pEntry ? ResetEntryOrReturn(p) : p;
}

void FreeNodeTree(CLogNode* pNode)
{
    if (!pNode)
        return;
    CLogNode *pHead = nullptr, *pTail = nullptr;
    NodeFlattenSubtree(pNode, pHead, pTail);
    // Split into the nodes with and without an entry, order kept.
    CLogNode *wHead = nullptr, *wTail = nullptr, *bHead = nullptr, *bTail = nullptr;
    for (CLogNode* p = pHead; p;) {
        CLogNode* pNext = p->m_pNext;
        CLogNode*& h = p->m_pEntry ? wHead : bHead;
        CLogNode*& t = p->m_pEntry ? wTail : bTail;
        p->m_pNext = nullptr;
        p->m_pBack = t;
        if (t) t->m_pNext = p; else h = p;
        t = p;
        p = pNext;
    }
    CPoolLock lock;
    if (bHead)
        PushLocked(s_pReturned, bHead, bTail);
    if (wHead)
        PushLocked(s_pFreeList, wHead, wTail);
}

void PushFreeChain(CLogNode* pNode)
{
    if (!pNode)
        return;
    CLogNode *pHead = nullptr, *pTail = nullptr;
    NodeFlattenSubtree(pNode, pHead, pTail);
    for (CLogNode* p = pHead; p; p = p->m_pNext)
        p->m_pEntry = nullptr;
    pHead->m_pBack = nullptr;
    CPoolLock lock;
    PushLocked(s_pReturned, pHead, pTail);
}

void ReleaseNodePools()
{
    CPoolLock lock;
    for (CNodeBlock* b = s_nodeAnchor.m_pNext; b;) {
        CNodeBlock* n = b->m_pNext;
        FreeNodeBlock(b);
        b = n;
    }
    for (CEntryBlock* b = s_entryAnchor.m_pNext; b;) {
        CEntryBlock* n = b->m_pNext;
        FreeEntryBlock(b);
        b = n;
    }
    s_nodeAnchor.m_pNext = nullptr;
    s_entryAnchor.m_pNext = nullptr;
    s_pFresh = nullptr;
    s_pCurEntries = nullptr;
    s_nNextEntry = 0;
    s_pFreeList = nullptr;
    s_pReturned = nullptr;
}

CNodePoolState GetNodePoolState()
{
    CPoolLock lock;
    CNodePoolState st = {};
    for (CNodeBlock* b = s_nodeAnchor.m_pNext; b; b = b->m_pNext)
        ++st.nNodeBlocks;
    for (CEntryBlock* b = s_entryAnchor.m_pNext; b; b = b->m_pNext)
        ++st.nEntryBlocks;
    for (CLogNode* p = s_pFresh; p; p = p->m_pNext)
        ++st.nFreshNodes;
    for (CLogNode* p = s_pFreeList; p; p = p->m_pNext)
        ++st.nFreeNodes;
    for (CLogNode* p = s_pReturned; p; p = p->m_pNext)
        ++st.nReturnedNodes;
    st.nNextEntry = s_nNextEntry;
    st.pNewestNodes = s_nodeAnchor.m_pNext ? s_nodeAnchor.m_pNext->m_pNodes : nullptr;
    st.pCurrentEntries = s_pCurEntries ? s_pCurEntries->m_pEntries : nullptr;
    return st;
}
