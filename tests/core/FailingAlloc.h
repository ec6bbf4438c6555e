// Makes the string allocations of this executable fail from the n-th one on,
// for a scope: the entries of SysAllocString, SysAllocStringLen and
// SysReAllocStringLen in the executable's import table point to stand-ins
// while it lives.
#pragma once
#include <windows.h>
#include <oleauto.h>
#include <cstring>

class CFailingBstrAlloc {
public:
    // nAllowed: allocations that still succeed before the failures begin.
    explicit CFailingBstrAlloc(int nAllowed)
    {
        s_nLeft = nAllowed;
        Patch(true);
    }
    ~CFailingBstrAlloc() { Patch(false); }
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

    static void Patch(bool bOn)
    {
        HMODULE hOle = GetModuleHandleW(L"oleaut32.dll");
        if (!s_pAlloc) {
            s_pAlloc = (void*)GetProcAddress(hOle, "SysAllocString");
            s_pAllocLen = (void*)GetProcAddress(hOle, "SysAllocStringLen");
            s_pReAllocLen = (void*)GetProcAddress(hOle, "SysReAllocStringLen");
        }
        s_nFailed = 0;
        BYTE* base = (BYTE*)GetModuleHandleW(nullptr);
        auto* dos = (IMAGE_DOS_HEADER*)base;
        auto* nt = (IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress); imp->Name; ++imp) {
            for (auto* t = (IMAGE_THUNK_DATA*)(base + imp->FirstThunk); t->u1.Function; ++t) {
                void** slot = (void**)&t->u1.Function;
                void* from1 = bOn ? s_pAlloc : (void*)&Alloc;
                void* to1 = bOn ? (void*)&Alloc : s_pAlloc;
                void* from2 = bOn ? s_pAllocLen : (void*)&AllocLen;
                void* to2 = bOn ? (void*)&AllocLen : s_pAllocLen;
                void* from3 = bOn ? s_pReAllocLen : (void*)&ReAllocLen;
                void* to3 = bOn ? (void*)&ReAllocLen : s_pReAllocLen;
                void* to = *slot == from1 ? to1 : *slot == from2 ? to2 : *slot == from3 ? to3 : nullptr;
                if (!to)
                    continue;
                DWORD old;
                VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
                *slot = to;
                VirtualProtect(slot, sizeof(void*), old, &old);
            }
        }
    }
};
