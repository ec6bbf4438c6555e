// The helpers the capture shares.
#include "server/capture/CaptureUtil.h"
#include <vector>
#include "server/core/Except.h"

namespace capture {

namespace {
// One empty argument list for every property read.
DISPPARAMS g_noArgs = { nullptr, nullptr, 0, 0 };
}

HRESULT InvokeGet(IDispatch* pDisp, DISPID id, WORD wFlags, VARIANT* pResult)
{
    return pDisp->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, wFlags, &g_noArgs, pResult,
                         nullptr, nullptr);
}

// Reads one property into v; a failure becomes VT_ERROR with the HRESULT.
void ReadProperty(IDispatch* pDisp, DISPID id, VARIANT& v)
{
    VariantInit(&v);
    HRESULT hr = InvokeGet(pDisp, id, DISPATCH_PROPERTYGET, &v);
    if (FAILED(hr)) {
        VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = hr;
    }
}

void AppendChain(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pChain, CLogNode* pChainTail)
{
    if (pChain == nullptr)
        return;
    if (pHead == nullptr) {
        pChain->m_pBack = nullptr;
        pHead = pChain;
    } else {
        pTail->m_pNext = pChain;
        pChain->m_pBack = pTail;
    }
    pTail = pChainTail;
}

void AppendNode(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pNode)
{
    pNode->m_pNext = nullptr;
    AppendChain(pHead, pTail, pNode, pNode);
}


// Copies a chain with its descendants onto nodes with their own entries,
// without recursion. Returns the head of the copy; nCopied grows by the
// number of nodes made.
CLogNode* CopyMemberChain(const CLogNode* pSrc, size_t& nCopied)
{
    if (pSrc == nullptr)
        return nullptr;
    struct CLevel {
        const CLogNode* pNext;   // next source node of this level
        CLogNode* pParent;       // copy that receives this level (null at the top)
        CLogNode* pTail;         // last copy made at this level
    };
    CLogNode* pHead = nullptr;
    CChainGuard guard(pHead);
    std::vector<CLevel> stack;
    stack.push_back({ pSrc, nullptr, nullptr });
    while (!stack.empty()) {
        CLevel& lv = stack.back();
        const CLogNode* p = lv.pNext;
        if (p == nullptr) {
            stack.pop_back();
            continue;
        }
        lv.pNext = p->m_pNext;
        CLogNode* pCopy = p->m_pEntry ? AllocNode() : TakeNodeFromBlock();
        if (lv.pTail) {
            lv.pTail->m_pNext = pCopy;
            pCopy->m_pBack = lv.pTail;
        } else if (lv.pParent) {
            lv.pParent->m_pChildren = pCopy;
            pCopy->m_pBack = lv.pParent;
        } else {
            pHead = pCopy;
        }
        lv.pTail = pCopy;
        ++nCopied;
        if (p->m_pEntry)
            pCopy->NodeCopyEntry(p);
        if (p->m_pChildren)
            stack.push_back({ p->m_pChildren, pCopy, nullptr });
    }
    guard.bArmed = false;
    return pHead;
}

} // namespace capture
