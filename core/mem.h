// The memory module: every block of the program comes from memAlloc or
// memRealloc and goes back through memFree. The blocks live on the process's
// default heap, which is serialized, so a block may be allocated on one thread
// and freed on another.
#ifndef TL_CORE_MEM_H
#define TL_CORE_MEM_H

#include <stddef.h>

#include "core/os.h"

// Counts one more user of the module; the first fetches the default heap.
// Always 1.
int memModuleInit(void);
// Counts one user less (nothing at 0). Releases nothing: the heap is the
// process's.
void memModuleExit(void);

// A block of size bytes, not zeroed. Never null: when the heap cannot satisfy
// the request the program reports "Out of memory" and ends.
void *memAlloc(size_t size);
// Resizes ptr (null allocates afresh); the block may move and keeps its
// contents up to the smaller size. Never null, as memAlloc.
void *memRealloc(void *ptr, size_t size);
// Returns a block; null is ignored.
void memFree(void *ptr);

// Thin wrappers over a heap that the caller owns (not used for the program's
// own data). They report failure by their results, as the heap does.
OsHeap heapCreate(void);
int heapDestroy(OsHeap heap);
void *heapAlloc(OsHeap heap, size_t size);
void *heapRealloc(OsHeap heap, void *ptr, size_t size); // ptr must not be null
int heapFree(OsHeap heap, void *ptr);

#endif
