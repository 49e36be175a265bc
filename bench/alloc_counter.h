#pragma once

#include <cstddef>

// Heap allocations made by the calling thread since it last asked (malloc, calloc,
// realloc and operator new all pass through malloc here).
std::size_t threadAllocationsSinceReset();
void resetThreadAllocations();
