// The log document: a window onto the main document's master list. It
// records the first and last call line that the log frame was handed and
// their number, and keeps the log window's check and find state. It never
// links, unlinks or frees a node.
#pragma once
#include "logwindows/TreeDocEx.h"

// Update hints of the log and result views.
enum : LPARAM {
    HINT_FIND_RESULT = 1,         // hint object: the document's found-node map
    HINT_FIND_DIALOG_CLOSED = 2,
    HINT_VIEW_FONT = 3,
    HINT_DIALOG_FONT = 4,
    HINT_HIGHLIGHT = 5,
    HINT_REPAINT = 6,
    HINT_NEW_CALL = 8,            // hint object: the first of the calls new to the document
    HINT_CLEAR = 9,
    HINT_SELECT_LAST = 10,
    HINT_MEMBERS_LOADED = 11,     // hint object: the node whose members came
    HINT_EXTRACT_FONT = 12
};

// A node as the hint object of an update (the hint carries it, it is no CObject).
inline CObject* HintObject(CLogNode* pNode) { return reinterpret_cast<CObject*>(pNode); }
inline CLogNode* HintNode(CObject* pHint) { return reinterpret_cast<CLogNode*>(pHint); }

class CLogTreeDoc : public CTreeDocEx {
    DECLARE_DYNCREATE(CLogTreeDoc)
public:
    CLogTreeDoc() = default;
    ~CLogTreeDoc() override = default;

    // Records a call line handed to the log window as the new last node,
    // with the calls that the main frame refused since the previous one
    // (they lie between the two in the master list). Returns the first of
    // the calls new to the document, null when there is none.
    CLogNode* AppendCall(CLogNode* pNode);
    // Takes the refused calls behind the last node as well, to the end of
    // the master list (only while the main thread changes nothing there);
    // returns the first of them, null when there is none.
    CLogNode* AppendRefusedCalls();
    // Back to the empty state (Release Memory): the chain, the checks, the
    // found nodes and the active conditions are forgotten, then hints 6 and 9
    // (the view empties itself and destroys its dialogs).
    void ClearLog();
};
