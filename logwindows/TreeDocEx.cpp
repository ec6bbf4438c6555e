// The tree document base: find runs, level expansion and hit expansion.
#include "logwindows/TreeDocEx.h"
#include "server/core/Except.h"
#include <new>

IMPLEMENT_DYNCREATE(CTreeDocEx, CDocument)

CTreeDocEx::CTreeDocEx() : m_FoundCursor(m_FoundNodes.end()) {}

CTreeDocEx::~CTreeDocEx() {
    m_ActiveConditions.Clear();
    m_ActiveConditions.m_conditions.clear();
    m_FoundNodes.clear();
    m_FoundCursor = m_FoundNodes.end();
    m_CheckedRoots.clear();
}

int CTreeDocEx::RunFind(CSearchConditionSet* pSet) {
    ClearFoundNodes(m_FoundNodes);
    int nMatches = 0;
    try {
        m_ActiveConditions.CopyFrom(pSet);
        nMatches = m_ActiveConditions.HighlightMatches(m_pFirstNode, m_FoundNodes);
    } catch (const CExcept&) {
        ClearFoundNodes(m_FoundNodes);
        UpdateAllViews(nullptr, 1, reinterpret_cast<CObject*>(&m_FoundNodes));
        throw;
    } catch (const std::bad_alloc&) {
        // No half-marked log: the hits found so far go as for any failure.
        ClearFoundNodes(m_FoundNodes);
        UpdateAllViews(nullptr, 1, reinterpret_cast<CObject*>(&m_FoundNodes));
        throw CExcept(ZV_ERR_MEMORY);
    }
    ExpandFindHits();
    UpdateAllViews(nullptr, 1, reinterpret_cast<CObject*>(&m_FoundNodes));
    return nMatches;
}

void CTreeDocEx::ExpandLevels(CLogNode* pChain, int nLevels) {
    // A non-positive depth expands nothing (a negative one must not run
    // through every level of the tree).
    if (nLevels <= 0) return;
    for (CLogNode* p = pChain; p; p = p->m_pNext) ExpandNode(p, nLevels);
}

void CTreeDocEx::ExpandNode(CLogNode* pNode, int nLevels) {
    if (!pNode || nLevels <= 0) return;
    if (pNode->m_pEntry) pNode->NodeSetExpanded(m_nViewIndex, TRUE);
    if (pNode->m_pChildren && nLevels > 1) ExpandLevels(pNode->m_pChildren, nLevels - 1);
}

void CTreeDocEx::ExpandFindHits() {
    for (m_FoundCursor = m_FoundNodes.begin(); m_FoundCursor != m_FoundNodes.end(); ++m_FoundCursor) {
        CLogNode* pNode = m_FoundCursor->first;
        if (!pNode || (pNode->m_pEntry && pNode->m_pEntry->Kind() == LOGK_CALL)) continue;
        CLogNode* pLeft = pNode;
        for (CLogNode* p = pNode->m_pBack; p; pLeft = p, p = p->m_pBack) {
            const bool bParent = p->m_pChildren == pLeft;
            if (bParent && p->m_pEntry) p->NodeSetExpanded(m_nViewIndex, TRUE);
            // Above the trace root lie only earlier top-level nodes: the climb
            // ends there instead of walking the whole log back.
            if (p->m_pEntry && p->m_pEntry->Kind() == LOGK_CALL) break;
        }
    }
    m_FoundCursor = m_FoundNodes.end();
}
