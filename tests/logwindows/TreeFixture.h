// Shared pieces of the tree-window tests: logs of call lines built in the
// node pools, a reference model of the display order, and a real tree frame
// with a small view derived from the paged tree view.
#pragma once
#include <gtest/gtest.h>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include "framework/Framework.h"
#include "logwindows/TreeDocEx.h"
#include "logwindows/TreeFrameEx.h"
#include "logwindows/TreeViewEx.h"
#include "logwindows/VertScrollBar.h"
#include "server/core/LogNode.h"
#include "server/core/NodeAlgo.h"

// What reached the trampolines' catch (a test fails when it is not empty).
extern std::vector<std::wstring> g_exceptions;

// ---- logs --------------------------------------------------------------------

inline DWORD KindBits(DWORD k) { return k << LOGF_KIND_SHIFT; }

inline CLogNode* NewNode(const wchar_t* name, DWORD flags, const wchar_t* type = L"", const wchar_t* value = L"",
                         DWORD_PTR key = 0) {
    CLogNode* n = AllocNode();
    n->m_pEntry->m_name = name;
    n->m_pEntry->m_type = type;
    n->m_pEntry->m_value = value;
    n->m_pEntry->m_flags = flags;
    n->m_pEntry->m_key = key;
    return n;
}

// Appends a child as the last one of parent.
inline CLogNode* AddChild(CLogNode* parent, CLogNode* child) {
    if (!parent->m_pChildren) {
        parent->m_pChildren = child;
        child->m_pBack = parent;
    } else {
        CLogNode* last = parent->m_pChildren;
        while (last->m_pNext) last = last->m_pNext;
        last->m_pNext = child;
        child->m_pBack = last;
    }
    return child;
}

// One call line as the capture makes it: a, obj (x, arr ([0], [1]), y), b.
// The key is the client's own elapsed time, so keys do not rise along a log.
inline CLogNode* MakeCall(int i) {
    wchar_t label[32];
    swprintf(label, 32, L"call %d", i);
    CLogNode* c = NewNode(label, KindBits(LOGK_CALL) | static_cast<DWORD>(i % 3 + 1), L"", L"",
                          static_cast<DWORD_PTR>((i * 7919u) % 50000u));
    AddChild(c, NewNode(L"a", 0, L"LONG", L"1"));
    CLogNode* obj = AddChild(c, NewNode(L"obj", KindBits(LOGK_OBJECT), L"IDispatch*", L"Thing"));
    AddChild(obj, NewNode(L"x", 0, L"BSTR", L"text"));
    CLogNode* arr = AddChild(obj, NewNode(L"arr", KindBits(LOGK_ARRAY), L"LONG()", L""));
    AddChild(arr, NewNode(L"[0]", 0, L"LONG", L"10"));
    AddChild(arr, NewNode(L"[1]", 0, L"LONG", L"11"));
    AddChild(obj, NewNode(L"y", 0, L"DOUBLE", L"2.5"));
    AddChild(c, NewNode(L"b", 0, L"LONG", L"2"));
    return c;
}

// A call line of very many members: MakeCall's, then nMore pairs, every
// tenth an object of two properties.
inline CLogNode* MakeWideCall(int i, int nMore) {
    CLogNode* c = MakeCall(i);
    for (int k = 0; k < nMore; ++k) {
        wchar_t name[32];
        swprintf(name, 32, L"p%d", k);
        if (k % 10 == 9) {
            CLogNode* obj = AddChild(c, NewNode(name, KindBits(LOGK_OBJECT), L"IDispatch*", L"Pair"));
            AddChild(obj, NewNode(L"x", 0, L"LONG", L"1"));
            AddChild(obj, NewNode(L"y", 0, L"LONG", L"2"));
        } else {
            AddChild(c, NewNode(name, 0, L"LONG", L"7"));
        }
    }
    return c;
}

struct CTestLog {
    std::vector<CLogNode*> calls;
    CLogNode* First() const { return calls.empty() ? nullptr : calls.front(); }
    CLogNode* Last() const { return calls.empty() ? nullptr : calls.back(); }
    void Append(CLogNode* c) {
        if (!calls.empty()) {
            calls.back()->m_pNext = c;
            c->m_pBack = calls.back();
        }
        calls.push_back(c);
    }
};

inline CTestLog MakeLog(int nCalls, int nWideAt = -1, int nWideMembers = 0) {
    CTestLog log;
    log.calls.reserve(nCalls + 16);
    for (int i = 0; i < nCalls; ++i) log.Append(i == nWideAt ? MakeWideCall(i, nWideMembers) : MakeCall(i));
    return log;
}

// A mix of expanded call lines, objects and arrays in one view.
inline void SetExpansionPattern(const CTestLog& log, int nView) {
    for (size_t i = 0; i < log.calls.size(); ++i) {
        CLogNode* c = log.calls[i];
        CLogNode* obj = c->m_pChildren->m_pNext;
        CLogNode* arr = obj->m_pChildren->m_pNext;
        c->NodeSetExpanded(nView, i % 3 == 0);
        obj->NodeSetExpanded(nView, i % 6 == 0);
        arr->NodeSetExpanded(nView, i % 12 == 0);
    }
}

// ---- reference model of the display order -----------------------------------

inline bool IsCall(const CLogNode* p) { return p && p->m_pEntry && p->m_pEntry->Kind() == LOGK_CALL; }
inline bool Expanded(const CLogNode* p, int v) { return p && p->m_pEntry && p->NodeIsExpanded(v); }

inline CLogNode* ParentOf(CLogNode* n) {
    if (!n || IsCall(n)) return nullptr;
    CLogNode* left = n;
    for (CLogNode* p = n->m_pBack; p; left = p, p = p->m_pBack) {
        if (p->m_pChildren == left) return p;
        if (IsCall(p)) return nullptr;
    }
    return nullptr;
}

inline int TopRows(const CLogNode* c, int v) { return 1 + (Expanded(c, v) ? NodeCountExpandedRows(c, v) : 0); }

inline int TotalRowsOf(const CTestLog& log, int v) {
    int n = 0;
    for (CLogNode* c : log.calls) n += TopRows(c, v);
    return n;
}

// Row number of a node in the display order of the whole log.
inline int RowOf(const CTestLog& log, CLogNode* node, int v) {
    CLogNode* root = FindEntryRoot(node);
    int n = 0;
    for (CLogNode* c = log.First(); c && c != root; c = c->m_pNext) n += TopRows(c, v);
    CLogNode* from = root;
    CLogNode* to = node;
    return n + NodeRowsBetween(root, from, to, v) - 1;
}

inline CLogNode* NextRow(const CTestLog& log, CLogNode* n, int v) {
    if (Expanded(n, v) && n->m_pChildren) return n->m_pChildren;
    for (CLogNode* p = n; p; p = ParentOf(p)) {
        if (p == log.Last()) return nullptr;
        if (p->m_pNext) return p->m_pNext;
    }
    return nullptr;
}

inline CLogNode* LastRowBelow(CLogNode* p, int v) {
    while (Expanded(p, v) && p->m_pChildren) {
        p = p->m_pChildren;
        while (p->m_pNext) p = p->m_pNext;
    }
    return p;
}

inline CLogNode* PrevRow(const CTestLog& log, CLogNode* n, int v) {
    if (n == log.First()) return nullptr;
    CLogNode* b = n->m_pBack;
    if (!b) return nullptr;
    if (b->m_pChildren == n && !IsCall(n)) return b;
    return LastRowBelow(b, v);
}

// ---- the view -------------------------------------------------------------------

// The paged view as the log and result views use it: it loads the children
// of an item being expanded, counts the check changes and frames the items
// of marked nodes.
class CTestTreeView : public CTreeViewEx {
    DECLARE_DYNCREATE(CTestTreeView)
public:
    int m_nCheckChanges = 0;
    std::set<CLogNode*> m_marked;
    std::vector<std::pair<LPARAM, CObject*>> m_hints;
    CBrush m_markBrush{RGB(1, 2, 3)};

    void OnCheckChanged() override { ++m_nCheckChanges; }
    CBrush* IsMarkedItem(HTREEITEM hItem) override {
        return hItem && m_marked.count(NodeOfItem(hItem)) ? &m_markBrush : nullptr;
    }
    void OnUpdate(CView*, LPARAM lHint, CObject* pHint) override { m_hints.emplace_back(lHint, pHint); }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override {
        if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TVN_ITEMEXPANDINGW) {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(lParam);
            if (nm->action & TVE_EXPAND) LoadChildItems(nm->itemNew.hItem);
            *pResult = 0;
            return TRUE;
        }
        return CTreeViewEx::OnChildNotify(message, wParam, lParam, pResult);
    }
};

// A tree frame with the test view over a document on the test log.
class CViewHarness {
public:
    CTreeDocEx* m_pDoc = nullptr;
    CTreeFrameEx* m_pFrame = nullptr;
    CTestTreeView* m_pView = nullptr;

    CViewHarness();
    ~CViewHarness();
    CViewHarness(const CViewHarness&) = delete;
    CViewHarness& operator=(const CViewHarness&) = delete;

    CTreeCtrl& Tree() const { return m_pView->GetTreeCtrl(); }
    // Makes the view exactly nRows rows high (plus half a row).
    void SetPageSize(int nRows);
    // Shows the log from its top, as the derived views do for a new tree.
    void Load(const CTestLog& log);
    // The items of the control in display order, as nodes.
    std::vector<CLogNode*> LoadedRows() const;
    HTREEITEM ItemOfNode(CLogNode* n) const;
    // A point on the expand button of an item (found by hit testing).
    bool ButtonPoint(HTREEITEM h, POINT* pt) const;
    bool IconPoint(HTREEITEM h, POINT* pt) const;
};

// Checks the view against the log: first row and total rows against the
// display order, the scroll bar, a gap-free run of top-level nodes around the
// visible page, the caret shown when loaded. A description of the faults,
// empty when there is none.
std::string CheckPage(const CViewHarness& h, const CTestLog& log);

// Runs the calling thread's messages for a while.
void PumpMessages(DWORD ms = 50);
