// The main document: the master list of every client call with its captured
// argument tree (the log window shows the same chain), and the object table
// of the current call, which keeps the call's client objects alive until the
// call has returned. Main thread only.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include "framework/DocView.h"
#include "server/core/LogNode.h"

class CObjTable;

class CZavetraDoc : public CDocument {
    DECLARE_DYNCREATE(CZavetraDoc)
public:
    CZavetraDoc();
    ~CZavetraDoc() override;   // destroys the current object table, then releases the node pools
    // The node pools stay at the destruction: windows of a log thread that
    // could not be ended still show them.
    void KeepPoolsAtExit() { m_bKeepPools = true; }

    // Captures ObjectArray below the call's node with the NestLevel and
    // ArrayRange settings, links the node at the end of the master list,
    // makes the new table current and returns the node. On failure (CExcept
    // 3 forced stop, 9, 10, 11) the new table is destroyed, the node is not
    // linked and goes back to the pools (the caller must not use it any
    // more), the current table is left as it was, and the exception passes on.
    CLogNode* AppendRecord(CLogNode* pNode, const VARIANT* pObjectArray);
    // The same with explicit limits.
    CLogNode* AppendRecord(CLogNode* pNode, const VARIANT* pObjectArray, int nLevels, int nItems);
    // Links a call node with its argument chain (may be null) at the end of
    // the master list without capturing anything; the current table stays.
    void LinkCall(CLogNode* pNode, CLogNode* pArgs = nullptr);

    // Loads the members of every child of pNode (a node of the held call)
    // whose members can still be loaded, one level deep, from the current
    // table with ArrayRange. Returns pNode when some child received members,
    // else null. Passes on CExcept 3, 9, 10, 11 from the capture.
    CLogNode* LoadMembers(CLogNode* pNode);
    CLogNode* LoadMembers(CLogNode* pNode, int nItems);

    // Merges an extract request's regrouped chain with the master list: the
    // head of a new result chain of bare nodes sharing the master list's
    // entries, or null. lParam bits 16-19: Client, Label, Object, Path.
    // The chain is freed in every case; a failure gives null.
    CLogNode* MergeList(CLogNode* pChain, LPARAM lParam);

    // Empties the master list, destroys the current object table, releases
    // the node pools and starts the client ids again.
    void Clear();
    // Destroys the current object table (releasing its objects); nothing
    // without one. The document has let go of the table before its objects
    // are released.
    void DestroyObjTable();
    // Forgets the master list (its nodes stay in the pools until they are released).
    void EmptyList() { m_pHead = m_pTail = nullptr; }

    CLogNode* GetHead() const { return m_pHead; }
    CLogNode* GetTail() const { return m_pTail; }
    CObjTable* GetObjTable() const { return m_pObjTable; }

private:
    CLogNode*  m_pHead;       // first call line, null when the log is empty
    CLogNode*  m_pTail;       // last call line
    CObjTable* m_pObjTable;   // table of the latest call, owned
    bool       m_bKeepPools = false;
};
