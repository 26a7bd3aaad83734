// Allocation convention and the fixed-point helpers of the shared header.
#include "support/base.h"

#include "support/assert.h"
#include "support/sys.h"

#include <cstdlib>

void* MEM_Alloc(int32_t size)
{
    if (size <= 0)
        return nullptr;
    unsigned char* p = (unsigned char*)std::malloc((size_t)size);
    if (!p)
        return nullptr;
    // One rand value per byte, in address order: later users of rand see the sequence
    // moved on by exactly the number of bytes allocated before them.
    for (int32_t i = 0; i < size; i++)
        p[i] = (unsigned char)(std::rand() & 255);
    return p;
}

void* MEM_AllocOrDie(int32_t size, const char* what)
{
    void* p = MEM_Alloc(size);
    if (!p)
        SYS_FatalError("Out of memory: cannot allocate %ld bytes for %s.\n", (long)size, what);
    return p;
}

#define BASE_TEST_STOP(func, line) SYS_AssertFailed("!\"TEST\"", func, "base", line)

int32_t FPnDiv(int32_t a, int32_t b)
{
    if (a == 0 && b == 0)
        return 0;
    BASE_TEST_STOP("FPnDiv", 211);
}

int32_t FPMultDiv(int32_t a, int32_t b, int32_t c)
{
    (void)a;
    if (b != 0 && c != 0)
        BASE_TEST_STOP("FPMultDiv", 256);
    return 0;
}

int32_t FP16Inverse(int32_t a)
{
    (void)a;
    BASE_TEST_STOP("FP16Inverse", 278);
}

int32_t FP16Div(int32_t a, int32_t b)
{
    (void)a;
    (void)b;
    BASE_TEST_STOP("FP16Div", 151);
}

void Pow2Stop(void)
{
    BASE_TEST_STOP("Pow2", 396);
}

int32_t Pow2(int32_t n)
{
    (void)n;
    Pow2Stop();
}
