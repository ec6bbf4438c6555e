// Counts the blocks that operator new hands out and operator delete takes
// back while a CAllocCount is alive (this test executable replaces both),
// so that a test can see that what was made is gone again.
#pragma once
#include <cstddef>

class CAllocCount {
public:
    CAllocCount();
    ~CAllocCount();
    CAllocCount(const CAllocCount&) = delete;
    CAllocCount& operator=(const CAllocCount&) = delete;

    size_t News() const;
    size_t Deletes() const;
};
