// Points the executable's import-table entries of one function to a stand-in
// for a scope, so that a test can see or steer the calls that the code under
// test makes to the platform.
#pragma once
#include <windows.h>

class CImportPatch {
public:
    // pszModule/pszFunction: the imported function; pStandIn: what calls reach instead.
    CImportPatch(LPCWSTR pszModule, LPCSTR pszFunction, void* pStandIn)
    {
        m_pReal = (void*)GetProcAddress(GetModuleHandleW(pszModule), pszFunction);
        m_pStandIn = pStandIn;
        if (m_pReal)
            m_nPatched = Swap(m_pReal, m_pStandIn);
    }
    ~CImportPatch()
    {
        if (m_pReal)
            Swap(m_pStandIn, m_pReal);
    }
    CImportPatch(const CImportPatch&) = delete;
    CImportPatch& operator=(const CImportPatch&) = delete;

    void* Real() const { return m_pReal; }
    int Patched() const { return m_nPatched; }   // entries redirected (0: the test cannot steer)

private:
    static int Swap(void* pFrom, void* pTo)
    {
        int n = 0;
        BYTE* base = (BYTE*)GetModuleHandleW(nullptr);
        auto* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* imp = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress); imp->Name; ++imp) {
            for (auto* t = (IMAGE_THUNK_DATA*)(base + imp->FirstThunk); t->u1.Function; ++t) {
                void** slot = (void**)&t->u1.Function;
                if (*slot != pFrom)
                    continue;
                DWORD old;
                VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old);
                *slot = pTo;
                VirtualProtect(slot, sizeof(void*), old, &old);
                ++n;
            }
        }
        return n;
    }

    void* m_pReal = nullptr;
    void* m_pStandIn = nullptr;
    int m_nPatched = 0;
};
