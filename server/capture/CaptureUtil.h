// Small helpers that the capture of objects, of arrays and the object table
// share: property reads, scope guards for VARIANTs and node chains, chain
// appends and the deep copy of a member chain. Internal to the capture.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include "server/core/LogNode.h"

namespace capture {

// Reads a property or method with the empty argument list.
HRESULT InvokeGet(IDispatch* pDisp, DISPID id, WORD wFlags, VARIANT* pResult);
// Reads one property into v; a failure becomes VT_ERROR with the HRESULT.
void ReadProperty(IDispatch* pDisp, DISPID id, VARIANT& v);

// Clears a VARIANT at the end of a scope.
struct CVariantGuard {
    VARIANT& v;
    explicit CVariantGuard(VARIANT& var) : v(var) {}
    ~CVariantGuard() { VariantClear(&v); }
};

// Frees a chain of pool nodes unless released.
struct CChainGuard {
    CLogNode*& pHead;
    bool bArmed = true;
    explicit CChainGuard(CLogNode*& head) : pHead(head) {}
    ~CChainGuard()
    {
        if (bArmed && pHead) {
            FreeNodeTree(pHead);
            pHead = nullptr;
        }
    }
};

void AppendNode(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pNode);
void AppendChain(CLogNode*& pHead, CLogNode*& pTail, CLogNode* pChain, CLogNode* pChainTail);

// Copies a chain with its descendants onto nodes with their own entries,
// without recursion. Returns the head of the copy; nCopied grows by the
// number of nodes made. Nothing is left behind when it throws.
CLogNode* CopyMemberChain(const CLogNode* pSrc, size_t& nCopied);

} // namespace capture
