// Platform layer over POSIX.
#include "core/os.h"

#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>

// The default heap is malloc's; its handle is only a marker.
static char default_heap_marker;

// A private heap threads its blocks on a doubly linked list behind a header,
// so that os_heap_destroy can free whatever is left.
struct alignas(max_align_t) BlockHeader {
    BlockHeader *prev;
    BlockHeader *next;
};

struct PrivateHeap {
    pthread_mutex_t lock; // serializes every operation, as Windows heaps do
    BlockHeader *first;   // most recently allocated block, or null
};

static bool is_default(OsHeap heap)
{
    return heap == &default_heap_marker;
}

OsHeap os_heap_default(void)
{
    return &default_heap_marker;
}

OsHeap os_heap_create(void)
{
    PrivateHeap *h = (PrivateHeap *) malloc(sizeof(PrivateHeap));
    if (!h) return nullptr;
    pthread_mutex_init(&h->lock, nullptr);
    h->first = nullptr;
    return h;
}

int os_heap_destroy(OsHeap heap)
{
    if (!heap || is_default(heap)) return 0;
    PrivateHeap *h = (PrivateHeap *) heap;
    for (BlockHeader *b = h->first; b;) {
        BlockHeader *next = b->next;
        free(b);
        b = next;
    }
    pthread_mutex_destroy(&h->lock);
    free(h);
    return 1;
}

static void link_block(PrivateHeap *h, BlockHeader *b)
{
    b->prev = nullptr;
    b->next = h->first;
    if (h->first) h->first->prev = b;
    h->first = b;
}

static void unlink_block(PrivateHeap *h, BlockHeader *b)
{
    if (b->prev)
        b->prev->next = b->next;
    else
        h->first = b->next;
    if (b->next) b->next->prev = b->prev;
}

void *os_heap_alloc(OsHeap heap, size_t size)
{
    // malloc(0) may answer null; a heap block of zero bytes is still a block.
    if (size == 0) size = 1;
    if (is_default(heap)) return malloc(size);
    PrivateHeap *h = (PrivateHeap *) heap;
    if (size > (size_t) -1 - sizeof(BlockHeader)) return nullptr;
    BlockHeader *b = (BlockHeader *) malloc(sizeof(BlockHeader) + size);
    if (!b) return nullptr;
    pthread_mutex_lock(&h->lock);
    link_block(h, b);
    pthread_mutex_unlock(&h->lock);
    return b + 1;
}

void *os_heap_realloc(OsHeap heap, void *ptr, size_t size)
{
    if (size == 0) size = 1;
    if (is_default(heap)) return realloc(ptr, size);
    PrivateHeap *h = (PrivateHeap *) heap;
    if (size > (size_t) -1 - sizeof(BlockHeader)) return nullptr;
    BlockHeader *old = (BlockHeader *) ptr - 1;
    pthread_mutex_lock(&h->lock);
    unlink_block(h, old);
    BlockHeader *b = (BlockHeader *) realloc(old, sizeof(BlockHeader) + size);
    link_block(h, b ? b : old);
    pthread_mutex_unlock(&h->lock);
    return b ? b + 1 : nullptr;
}

int os_heap_free(OsHeap heap, void *ptr)
{
    if (is_default(heap)) {
        free(ptr);
        return 1;
    }
    PrivateHeap *h = (PrivateHeap *) heap;
    BlockHeader *b = (BlockHeader *) ptr - 1;
    pthread_mutex_lock(&h->lock);
    unlink_block(h, b);
    pthread_mutex_unlock(&h->lock);
    free(b);
    return 1;
}

void os_error_box(const char *text, const char *caption)
{
    fprintf(stderr, "%s: %s\n", caption, text);
    fflush(stderr);
}

void os_fatal(const char *text, const char *caption)
{
    os_error_box(text, caption);
    exit(3);
}

// ---- Threads with a chosen stack (search depth tests) ----------------------

struct ThreadCall {
    void (*fn)(void *);
    void *arg;
};

static void *thread_call(void *p)
{
    ThreadCall *call = (ThreadCall *) p;
    call->fn(call->arg);
    return nullptr;
}

int os_run_on_thread(void (*fn)(void *), void *arg, size_t stack_bytes)
{
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return 0;
    if (stack_bytes < (size_t) PTHREAD_STACK_MIN) stack_bytes = (size_t) PTHREAD_STACK_MIN;
    ThreadCall call = {fn, arg};
    pthread_t thread;
    int ok = pthread_attr_setstacksize(&attr, stack_bytes) == 0 &&
             pthread_create(&thread, &attr, thread_call, &call) == 0;
    pthread_attr_destroy(&attr);
    if (!ok) return 0;
    pthread_join(thread, nullptr);
    return 1;
}
