#include "alloc_counter.h"

#include <cstdlib>

// glibc lets a program provide malloc itself; these count and hand on to glibc.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);

static thread_local std::size_t tAllocations = 0;

void* malloc(std::size_t size)
{
    ++tAllocations;
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size)
{
    ++tAllocations;
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size)
{
    ++tAllocations;
    return __libc_realloc(p, size);
}
}

std::size_t threadAllocationsSinceReset()
{
    return tAllocations;
}

void resetThreadAllocations()
{
    tAllocations = 0;
}
