// The document of a result window: it owns a tree of bare nodes (nodes whose
// entry links point at the master list's entries) that an extract or a find
// aimed at the window produced. Dropping the tree returns its nodes to the
// pool's returned-node list and clears the window's expanded and checked
// bits from the shared entries; the entries themselves are never touched.
#pragma once
#include "logwindows/TreeDocEx.h"

struct CResultWindowSlot;

// Update hints of the result views (1 to 6 are those of the log view,
// LogTreeDoc.h; 8 to 11 mean other things here).
enum : LPARAM {
    HINT_RESULT_TREE = 8,   // hint object: first node of the new tree, or null
    HINT_FOUND_TREE = 9,    // hint object: the document's found-node map
    HINT_FOUND_ROWS = 10,   // hint object: first node of the found tree
    HINT_RELEASED = 11
};

class CResultTreeDoc : public CTreeDocEx {
    DECLARE_DYNCREATE(CResultTreeDoc)
public:
    CResultTreeDoc() = default;
    // Returns a tree still held (bits of this view cleared first).
    ~CResultTreeDoc() override;

    // Drops the tree and the window's check and find state.
    void ClearTree();
    // Takes over a result tree (first node of its top-level chain; null
    // empties the window), expands it by the TreeViewExpand setting and
    // sends hint 8.
    void SetTree(CLogNode* pTree);
    // The result tree of a find over the chain from pFirst (pSet is copied,
    // not kept); the number of matches. On a CExcept the window is emptied
    // (hint 11) and the exception goes on.
    int BuildFromFind(CLogNode* pFirst, CSearchConditionSet* pSet);
    // ClearTree, then hint 11.
    void ReleaseTree();
    // Clears this view's expanded bit on the chain and all levels below it.
    void CollapseAll(CLogNode* pChain);

    // The result-window slot of the log thread, filled with these classes.
    static const CResultWindowSlot* GetWindowSlot();

private:
    // First, last and count from the top-level chain at m_pFirstNode.
    void CountTopLevel();
    bool HasViewBits() const { return m_nViewIndex >= 1 && m_nViewIndex <= 7; }
};
