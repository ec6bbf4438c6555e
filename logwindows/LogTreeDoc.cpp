#include "logwindows/LogTreeDoc.h"

#include "server/core/CheckedRoots.h"
#include "server/core/NodeAlgo.h"

IMPLEMENT_DYNCREATE(CLogTreeDoc, CTreeDocEx)

void CLogTreeDoc::AppendCall(CLogNode* pNode) {
    if (!pNode) return;
    // The main document has linked the node behind the previous call already.
    if (!m_pFirstNode) m_pFirstNode = pNode;
    ++m_nNodeCount;
    m_pLastNode = pNode;
}

void CLogTreeDoc::ClearLog() {
    m_pFirstNode = nullptr;
    m_pLastNode = nullptr;
    m_nNodeCount = 0;
    UncheckAllRoots(m_CheckedRoots, m_nViewIndex);
    ClearFoundNodes(m_FoundNodes);
    m_ActiveConditions.Clear();
    UpdateAllViews(nullptr, HINT_REPAINT, nullptr);
    UpdateAllViews(nullptr, HINT_CLEAR, nullptr);
}
