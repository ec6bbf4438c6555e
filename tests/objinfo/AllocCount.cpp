// The replaced global operator new and delete of the object-information
// tests, counting while a CAllocCount is alive (one thread only).
#include "AllocCount.h"

#include <cstdlib>
#include <new>

namespace {
int g_nCounting = 0;
size_t g_nNews = 0;
size_t g_nDeletes = 0;

void* Allocate(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (p && g_nCounting)
        ++g_nNews;
    return p;
}

void Free(void* p)
{
    if (p && g_nCounting)
        ++g_nDeletes;
    std::free(p);
}
} // namespace

CAllocCount::CAllocCount()
{
    g_nNews = g_nDeletes = 0;
    ++g_nCounting;
}

CAllocCount::~CAllocCount() { --g_nCounting; }

size_t CAllocCount::News() const { return g_nNews; }
size_t CAllocCount::Deletes() const { return g_nDeletes; }

void* operator new(size_t n)
{
    if (void* p = Allocate(n))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, size_t) noexcept { Free(p); }
void operator delete[](void* p, size_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
