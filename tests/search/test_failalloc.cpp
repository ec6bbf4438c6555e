// Allocation failure on demand: the test executable's operator new counts
// down while armed and throws std::bad_alloc when the count runs out.
#include <cstdlib>
#include <new>
#include "SearchTestUtil.h"

namespace {
int g_nCountdown = 0;   // 0: disarmed
}

void FailAllocationAfter(int n)
{
    g_nCountdown = n;
}

void* operator new(size_t n)
{
    if (g_nCountdown > 0 && --g_nCountdown == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](size_t n)
{
    return operator new(n);
}

void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    try {
        return operator new(n);
    } catch (...) {
        return nullptr;
    }
}

void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    return operator new(n, std::nothrow);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
