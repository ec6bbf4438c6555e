#include "logwindows/ResultTreeDoc.h"

#include <new>

#include "logwindows/LogTreeThread.h"
#include "logwindows/ResultTreeFrame.h"
#include "logwindows/ResultTreeView.h"
#include "server/core/CheckedRoots.h"
#include "server/core/Except.h"
#include "server/core/LogNode.h"
#include "server/settings/AppSettings.h"

IMPLEMENT_DYNCREATE(CResultTreeDoc, CTreeDocEx)

CResultTreeDoc::~CResultTreeDoc() {
    // A window that closes with its tree leaves no checks or expansions of
    // its number behind: the next window with that number shares the
    // entries. A tree forgotten before (Release Memory, the thread's end)
    // is left alone, the pools go as a whole.
    if (m_pFirstNode) {
        try {
            ClearTree();
        } catch (...) {
        }
    }
}

void CResultTreeDoc::CollapseAll(CLogNode* pChain) {
    if (!HasViewBits()) return;
    for (CLogNode* p = pChain; p; p = p->m_pNext) {
        if (p->m_pEntry) p->NodeSetExpanded(m_nViewIndex, FALSE);
        if (p->m_pChildren) CollapseAll(p->m_pChildren);
    }
}

void CResultTreeDoc::ClearTree() {
    if (HasViewBits()) {
        CollapseAll(m_pFirstNode);
        UncheckAllRoots(m_CheckedRoots, m_nViewIndex);
    }
    m_CheckedRoots.clear();
    // The bare nodes go back as one chain; their entries stay the master list's.
    if (m_pFirstNode) PushFreeChain(m_pFirstNode);
    ClearFoundNodes(m_FoundNodes);
    m_ActiveConditions.Clear();
    m_pFirstNode = nullptr;
    m_pLastNode = nullptr;
    m_nNodeCount = 0;
}

void CResultTreeDoc::CountTopLevel() {
    m_nNodeCount = 0;
    m_pLastNode = nullptr;
    for (CLogNode* p = m_pFirstNode; p; p = p->m_pNext) {
        ++m_nNodeCount;
        m_pLastNode = p;
    }
}

void CResultTreeDoc::SetTree(CLogNode* pTree) {
    ClearTree();
    m_pFirstNode = pTree;
    CountTopLevel();
    ExpandLevels(pTree, CAppSettings::Get().Settings.TreeViewExpand);
    UpdateAllViews(nullptr, HINT_RESULT_TREE, reinterpret_cast<CObject*>(pTree));
}

int CResultTreeDoc::BuildFromFind(CLogNode* pFirst, CSearchConditionSet* pSet) {
    ClearTree();
    int nMatches = 0;
    try {
        if (pSet) m_ActiveConditions.CopyFrom(pSet);
        CLogNode* pHead = nullptr;
        nMatches = m_ActiveConditions.BuildResultTree(pFirst, m_FoundNodes, pHead);
        m_pFirstNode = pHead;
    } catch (const CExcept&) {
        ReleaseTree();
        throw;
    } catch (const std::bad_alloc&) {
        ReleaseTree();
        throw CExcept(ZV_ERR_MEMORY);
    }
    CountTopLevel();
    ExpandFindHits();
    UpdateAllViews(nullptr, HINT_FOUND_TREE, reinterpret_cast<CObject*>(&m_FoundNodes));
    UpdateAllViews(nullptr, HINT_FOUND_ROWS, reinterpret_cast<CObject*>(m_pFirstNode));
    return nMatches;
}

void CResultTreeDoc::ReleaseTree() {
    ClearTree();
    UpdateAllViews(nullptr, HINT_RELEASED, nullptr);
}

// --- the log thread's slot ------------------------------------------------------------

namespace {

void SlotSetTree(CTreeDocEx* pDoc, CLogNode* pTree) {
    if (auto* p = dynamic_cast<CResultTreeDoc*>(pDoc)) p->SetTree(pTree);
    else PushFreeChain(pTree);
}

int SlotBuildFromFind(CTreeDocEx* pDoc, CLogNode* pFirst, CSearchConditionSet* pSet) {
    auto* p = dynamic_cast<CResultTreeDoc*>(pDoc);
    if (!p) throw CExcept(ZV_ERR_CREATE_RESULTVIEW);
    return p->BuildFromFind(pFirst, pSet);
}

void SlotPrimeTreeCtrl(CTreeViewEx* pView) {
    if (auto* p = dynamic_cast<CResultTreeView*>(pView)) p->PrimeTreeCtrl();
}

}  // namespace

const CResultWindowSlot* CResultTreeDoc::GetWindowSlot() {
    static const CResultWindowSlot slot = {
        const_cast<CRuntimeClass*>(RUNTIME_CLASS(CResultTreeDoc)),
        const_cast<CRuntimeClass*>(RUNTIME_CLASS(CResultTreeFrame)),
        const_cast<CRuntimeClass*>(RUNTIME_CLASS(CResultTreeView)),
        &SlotSetTree,
        &SlotBuildFromFind,
        &SlotPrimeTreeCtrl,
    };
    return &slot;
}
