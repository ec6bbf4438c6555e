// String allocation failure on demand: the executable's imports of
// SysAllocStringLen and SysReAllocStringLen are redirected to wrappers that
// fail the countdown'th call while armed (the program's strings all come
// from these two).
#include <windows.h>
#include <oleauto.h>

#include <atomic>
#include <cstring>

#include "finddialog_util.h"

namespace {

std::atomic<int> g_nStringCountdown{0};
decltype(&::SysAllocStringLen) g_pfnAlloc = nullptr;
decltype(&::SysReAllocStringLen) g_pfnReAlloc = nullptr;

bool FailNow() { return g_nStringCountdown > 0 && --g_nStringCountdown == 0; }

BSTR WINAPI FailingAlloc(const OLECHAR* p, UINT n) { return FailNow() ? nullptr : g_pfnAlloc(p, n); }
INT WINAPI FailingReAlloc(BSTR* pb, const OLECHAR* p, UINT n) { return FailNow() ? FALSE : g_pfnReAlloc(pb, p, n); }

void Patch(void** pSlot, void* pNew) {
    DWORD old = 0;
    ::VirtualProtect(pSlot, sizeof(void*), PAGE_READWRITE, &old);
    *pSlot = pNew;
    ::VirtualProtect(pSlot, sizeof(void*), old, &old);
}

void InstallOnce() {
    if (g_pfnAlloc) return;
    HMODULE hOle = ::GetModuleHandleW(L"oleaut32.dll");
    g_pfnAlloc = reinterpret_cast<decltype(g_pfnAlloc)>(::GetProcAddress(hOle, "SysAllocStringLen"));
    g_pfnReAlloc = reinterpret_cast<decltype(g_pfnReAlloc)>(::GetProcAddress(hOle, "SysReAllocStringLen"));
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), "oleaut32.dll") != 0) continue;
        auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; thunk->u1.Function; ++thunk) {
            void** pSlot = reinterpret_cast<void**>(&thunk->u1.Function);
            if (*pSlot == reinterpret_cast<void*>(g_pfnAlloc)) Patch(pSlot, reinterpret_cast<void*>(&FailingAlloc));
            else if (*pSlot == reinterpret_cast<void*>(g_pfnReAlloc)) Patch(pSlot, reinterpret_cast<void*>(&FailingReAlloc));
        }
    }
}

}  // namespace

void FailStringAfter(int n) {
    InstallOnce();
    g_nStringCountdown = n;
}
