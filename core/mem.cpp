// The memory module over the process's default heap.
#include "core/mem.h"

#include <stdint.h>

static uint32_t mem_users; // memModuleInit calls not yet matched by memModuleExit
static OsHeap mem_heap;    // the default heap, fetched by the first memModuleInit

int memModuleInit(void)
{
    if (mem_users++ == 0) mem_heap = os_heap_default();
    return 1;
}

void memModuleExit(void)
{
    if (mem_users != 0) mem_users--;
}

// The default heap, also for code that allocates before memModuleInit runs
// (static initialisers, tests).
static OsHeap heap(void)
{
    if (!mem_heap) mem_heap = os_heap_default();
    return mem_heap;
}

[[noreturn]] static void out_of_memory(void)
{
    os_fatal("Out of memory", "Trovelinks");
}

void *memAlloc(size_t size)
{
    void *p = os_heap_alloc(heap(), size);
    if (!p) out_of_memory();
    return p;
}

void *memRealloc(void *ptr, size_t size)
{
    if (!ptr) return memAlloc(size);
    void *p = os_heap_realloc(heap(), ptr, size);
    if (!p) out_of_memory();
    return p;
}

void memFree(void *ptr)
{
    if (ptr) os_heap_free(heap(), ptr);
}

OsHeap heapCreate(void)
{
    return os_heap_create();
}

int heapDestroy(OsHeap h)
{
    return os_heap_destroy(h);
}

void *heapAlloc(OsHeap h, size_t size)
{
    return os_heap_alloc(h, size);
}

void *heapRealloc(OsHeap h, void *ptr, size_t size)
{
    return os_heap_realloc(h, ptr, size);
}

int heapFree(OsHeap h, void *ptr)
{
    return os_heap_free(h, ptr);
}
