#include "logwindows/LogTreeDoc.h"

#include "server/core/CheckedRoots.h"
#include "server/core/NodeAlgo.h"

IMPLEMENT_DYNCREATE(CLogTreeDoc, CTreeDocEx)

CLogNode* CLogTreeDoc::AppendCall(CLogNode* pNode) {
    if (!pNode || pNode == m_pLastNode) return nullptr;
    // The main document has linked the node behind the previous call already.
    if (!m_pFirstNode) {
        m_pFirstNode = m_pLastNode = pNode;
        m_nNodeCount = 1;
        return pNode;
    }
    int n = 0;
    for (CLogNode* p = m_pLastNode->m_pNext; p; p = p->m_pNext) {
        ++n;
        if (p == pNode) {
            CLogNode* pFirst = m_pLastNode->m_pNext;
            m_nNodeCount += n;
            m_pLastNode = pNode;
            return pFirst;
        }
    }
    // Not behind the last node: it stands for itself.
    ++m_nNodeCount;
    m_pLastNode = pNode;
    return pNode;
}

CLogNode* CLogTreeDoc::AppendRefusedCalls() {
    if (!m_pLastNode || !m_pLastNode->m_pNext) return nullptr;
    CLogNode* pEnd = m_pLastNode->m_pNext;
    while (pEnd->m_pNext) pEnd = pEnd->m_pNext;
    return AppendCall(pEnd);
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
