// The document base of the log window and of the result windows: the chain
// of top-level nodes that one window shows, with the check and find state of
// that window.
//
// The view index (0 the log window, n result window n) selects which per-view
// bits of the shared log entries (expanded bit 14 + index, checked bit
// 22 + index) and which per-view setting slots belong to the window.
//
// The chain is not owned here: the log document's chain is the main
// document's master list; a result document frees its own bare nodes.
#pragma once
#include "framework/DocView.h"
#include "server/core/CheckedRoots.h"
#include "server/core/NodeAlgo.h"
#include "search/SearchCondition.h"

class CTreeDocEx : public CDocument {
    DECLARE_DYNCREATE(CTreeDocEx)
public:
    CTreeDocEx();
    // Clears the active condition set (its conditions and skeleton), then the maps and the set.
    ~CTreeDocEx() override;

    // Runs a find over the chain: copies pSet (not kept) into the active
    // condition set, highlights the matches into the found-node map, makes
    // every hit reachable by expansion and sends update hint 1 with the map.
    // Returns the number of matches. On a CExcept the map is emptied, hint 1
    // is sent with the empty map and the exception goes on to the caller.
    // The hint object is the map itself: reinterpret_cast<CFoundNodeMap*>(pHint).
    int RunFind(CSearchConditionSet* pSet);
    // Sets this view's expanded bit on every node of the chain and, with one
    // level less, on their children's chains; nothing for a null chain or
    // nLevels <= 0.
    void ExpandLevels(CLogNode* pChain, int nLevels);
    // The same for one node and its levels below, not the nodes after it.
    void ExpandNode(CLogNode* pNode, int nLevels);
    // Marks every ancestor of every hit of the found-node map expanded in
    // this view (trace roots recorded in the map are not climbed from).
    void ExpandFindHits();

    int GetViewIndex() const { return m_nViewIndex; }
    void SetViewIndex(int nViewIndex) { m_nViewIndex = nViewIndex; }
    CFoundNodeMap* GetFoundNodes() { return &m_FoundNodes; }
    CCheckedRootSet* GetCheckedRoots() { return &m_CheckedRoots; }
    CSearchConditionSet* GetActiveConditions() { return &m_ActiveConditions; }

    int m_nViewIndex = 0;                 // 0 log window, 1..7 result window n
    CLogNode* m_pFirstNode = nullptr;     // head of the chain of top-level nodes
    CLogNode* m_pLastNode = nullptr;      // its tail
    int m_nNodeCount = 0;                 // nodes in the chain
    CCheckedRootSet m_CheckedRoots;       // trace roots with a checked node in this view
    CFoundNodeMap m_FoundNodes;           // last find: hit -> condition, trace root -> null
    CFoundNodeMap::iterator m_FoundCursor;  // walks the map in ExpandFindHits
    CSearchConditionSet m_ActiveConditions; // copy of the last find's conditions
};
