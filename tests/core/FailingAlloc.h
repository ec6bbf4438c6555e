// Makes the string allocations of this executable fail from the n-th one on,
// for a scope: SysAllocString, SysAllocStringLen and SysReAllocStringLen
// reach stand-ins while it lives.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <memory>
#include "common/ImportPatch.h"

class CFailingBstrAlloc {
public:
    // nAllowed: allocations that still succeed before the failures begin.
    explicit CFailingBstrAlloc(int nAllowed)
    {
        s_nLeft = nAllowed;
        s_nFailed = 0;
        m_alloc.reset(new CImportPatch(L"oleaut32.dll", "SysAllocString", (void*)&Alloc));
        m_allocLen.reset(new CImportPatch(L"oleaut32.dll", "SysAllocStringLen", (void*)&AllocLen));
        m_reAllocLen.reset(new CImportPatch(L"oleaut32.dll", "SysReAllocStringLen", (void*)&ReAllocLen));
        s_pAlloc = m_alloc->Real();
        s_pAllocLen = m_allocLen->Real();
        s_pReAllocLen = m_reAllocLen->Real();
    }
    CFailingBstrAlloc(const CFailingBstrAlloc&) = delete;
    CFailingBstrAlloc& operator=(const CFailingBstrAlloc&) = delete;
    static int Failed() { return s_nFailed; }

private:
    static inline int s_nLeft = 0;
    static inline int s_nFailed = 0;
    static inline void* s_pAlloc = nullptr;
    static inline void* s_pAllocLen = nullptr;
    static inline void* s_pReAllocLen = nullptr;

    static bool Take()
    {
        if (s_nLeft > 0) {
            --s_nLeft;
            return true;
        }
        ++s_nFailed;
        return false;
    }
    static BSTR WINAPI Alloc(const OLECHAR* psz)
    {
        return Take() ? reinterpret_cast<decltype(&SysAllocString)>(s_pAlloc)(psz) : nullptr;
    }
    static BSTR WINAPI AllocLen(const OLECHAR* psz, UINT n)
    {
        return Take() ? reinterpret_cast<decltype(&SysAllocStringLen)>(s_pAllocLen)(psz, n) : nullptr;
    }
    static INT WINAPI ReAllocLen(BSTR* pb, const OLECHAR* psz, UINT n)
    {
        return Take() ? reinterpret_cast<decltype(&SysReAllocStringLen)>(s_pReAllocLen)(pb, psz, n) : FALSE;
    }

    std::unique_ptr<CImportPatch> m_alloc, m_allocLen, m_reAllocLen;
};
