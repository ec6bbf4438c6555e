// Log nodes of the pools, built by hand for the benchmarks.
#pragma once
#include <windows.h>

#include "server/core/LogNode.h"

// A member node of one kind, linked as pParent's first child (no pPrev) or
// behind pPrev.
inline CLogNode* Member(CLogNode* pParent, CLogNode* pPrev, LPCWSTR name, LPCWSTR type, LPCWSTR value, DWORD kind,
                        DWORD_PTR key) {
    CLogNode* p = AllocNode();
    p->m_pEntry->m_name = name;
    p->m_pEntry->m_type = type;
    p->m_pEntry->m_value = value;
    p->m_pEntry->SetKind(kind);
    p->m_pEntry->m_key = key;
    if (pPrev) {
        pPrev->m_pNext = p;
        p->m_pBack = pPrev;
    } else {
        pParent->m_pChildren = p;
        p->m_pBack = pParent;
    }
    return p;
}
