// Log nodes, log entries and the process-wide node pools.
#pragma once
#include <windows.h>
#include "server/core/Bstr.h"

// The entry flag word.
enum : DWORD {
    LOGF_CLIENT_MASK   = 0x000000FF,  // client id 1..255 on call lines and client groups
    LOGF_KIND_MASK     = 0x00000700,  // kind field, see LOGK_*
    LOGF_KIND_SHIFT    = 8,
    LOGF_NOT_LOADED    = 0x00000800,  // members not loaded yet
    LOGF_MEMBER_TREE   = 0x00001000,  // the value has a member tree
    LOGF_LOADABLE      = 0x00001800,  // both: members can still be loaded
    LOGF_BREAK         = 0x00002000,  // the call asked to be held
    LOGF_EXPANDED_BIT0 = 14,          // expanded in view v: bit 14 + v
    LOGF_EXPANDED_MASK = 0x003FC000,
    LOGF_CHECKED_BIT0  = 22,          // checked in view v: bit 22 + v
    LOGF_CHECKED_MASK  = 0x3FC00000
};

// Values of the kind field.
enum : DWORD {
    LOGK_MEMBER = 0,  // member value
    LOGK_CALL   = 1,  // call line, or group node of a regrouped tree
    LOGK_OBJECT = 2,  // non-null VT_DISPATCH
    LOGK_ARRAY  = 3,  // non-null VT_ARRAY
    LOGK_ITEMS  = 4   // "Items" group of a collection
};

const int LOG_VIEW_COUNT = 8;   // view indexes 0 (log view) .. 7

class CLogEntry {
public:
    CLogEntry();                 // "", "", "", key 0, flags 0; throws 11
    ~CLogEntry();
    CLogEntry(const CLogEntry&) = delete;
    CLogEntry& operator=(const CLogEntry&) = delete;

    // The three texts become "" in place, key and flags 0; throws 11.
    void Reset();

    DWORD Kind() const { return (m_flags & LOGF_KIND_MASK) >> LOGF_KIND_SHIFT; }
    void SetKind(DWORD kind) { m_flags = (m_flags & ~LOGF_KIND_MASK) | ((kind << LOGF_KIND_SHIFT) & LOGF_KIND_MASK); }
    int ClientId() const { return (int)(m_flags & LOGF_CLIENT_MASK); }
    void SetClientId(int id) { m_flags = (m_flags & ~LOGF_CLIENT_MASK) | ((DWORD)id & LOGF_CLIENT_MASK); }
    BOOL CanLoadMembers() const { return (m_flags & LOGF_LOADABLE) == LOGF_LOADABLE; }

    // Atomic set/clear of flag bits, safe against the other thread changing
    // other bits of the same word (per-view bits are written by the log thread).
    void SetFlags(DWORD mask);
    void ClearFlags(DWORD mask);

    CBstr     m_name;    // call label, member name, index text, group label
    CBstr     m_type;    // VARIANT type text; "" on call lines
    CBstr     m_value;   // value text
    DWORD_PTR m_key;     // elapsed ms (kind 1), interface/array pointer (kinds 2, 3), else 0
    DWORD     m_flags;   // LOGF_* / LOGK_*
};

class CLogNode {
public:
    CLogNode() : m_pNext(nullptr), m_pBack(nullptr), m_pChildren(nullptr), m_pEntry(nullptr) {}

    // Copies pSrc's entry into this node's entry (texts, key, kind; client id
    // for kind 1; 0x1800 for kinds 2 and 3); other bits stay. Nothing happens
    // when either node has no entry. Returns this; throws 11.
    CLogNode* NodeCopyEntry(const CLogNode* pSrc);

    // Per-view bits; the node must have an entry, nView 0..7.
    void NodeSetExpanded(int nView, BOOL bSet);
    BOOL NodeIsExpanded(int nView) const;
    void NodeSetChecked(int nView, BOOL bSet);
    BOOL NodeIsChecked(int nView) const;

    // List form: next sibling / previous sibling (parent for a first child) /
    // first child. Search-tree form: right subtree / left subtree / child tree.
    CLogNode*  m_pNext;
    CLogNode*  m_pBack;
    CLogNode*  m_pChildren;
    CLogEntry* m_pEntry;     // null on a bare node
};

// ---- Node pools ---------------------------------------------------------
// Blocks of 1024 nodes and 1024 entries, released only all at once. Every
// pool operation takes a short internal lock, so both threads may call them.

const int NODE_BLOCK_SIZE = 1024;

struct CNodeBlock {
    CLogNode*   m_pNodes;    // array of NODE_BLOCK_SIZE nodes
    CNodeBlock* m_pNext;     // next (older) block
    int         m_nCount;
};

struct CEntryBlock {
    CLogEntry*   m_pEntries; // array of NODE_BLOCK_SIZE entries
    CEntryBlock* m_pNext;
    int          m_nCount;
};

// A node with null links and an empty entry of its own. Throws 10 or 11.
CLogNode* AllocNode();
// A node with null links and, as a rule, no entry (a recycled node that
// had one keeps it, reset). Throws 10 (or 11 from the reset).
CLogNode* TakeNodeFromBlock();
// Returns pNode, its following siblings and all descendants to the pools;
// nodes keep their entries. Null is ignored.
void FreeNodeTree(CLogNode* pNode);
// As FreeNodeTree, but first clears every node's entry link (the entries
// belong to another tree and are not touched). Null is ignored.
void PushFreeChain(CLogNode* pNode);
// Frees every block; every node and entry handed out before becomes invalid.
void ReleaseNodePools();

// Block operations used by the above (call them with the pool lock held,
// i.e. only from the pool operations).
CLogNode*  AllocNodeBlock();                 // new block at the head; returns node 0; throws 10
void       InitNodeBlock(CNodeBlock* pBlock); // chains the nodes of the block
void       FreeNodeBlock(CNodeBlock* pBlock);
CLogEntry* AllocEntryBlock();                // new block at the head; returns the array; throws 10/11
void       FreeEntryBlock(CEntryBlock* pBlock);

// Observation of the pools (for tests and diagnostics).
struct CNodePoolState {
    int nNodeBlocks;        // blocks in the node-block list
    int nEntryBlocks;       // blocks in the entry-block list
    int nFreshNodes;        // nodes not yet handed out of the newest node block
    int nFreeNodes;         // returned nodes that kept their entry
    int nReturnedNodes;     // returned nodes without entry
    int nNextEntry;         // index of the next entry of the current entry block
    const CLogNode*  pNewestNodes;    // node array of the newest node block, or null
    const CLogEntry* pCurrentEntries; // entry array of the current entry block, or null
};
CNodePoolState GetNodePoolState();
