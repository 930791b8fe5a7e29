// Platform layer over POSIX.
#include "core/os.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

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

// ---- Files ---------------------------------------------------------------

static OsFileFaultHook file_fault_hook;

void os_file_set_fault_hook(OsFileFaultHook hook)
{
    file_fault_hook = hook;
}

// Whether a test wants this operation to fail; errno is set as for a real
// fault.
static bool file_fault(OsFileOp op, const char *path)
{
    if (!file_fault_hook || !file_fault_hook(op, path)) return false;
    errno = EIO;
    return true;
}

static OsFile open_file(OsFileOp op, const char *path, int flags)
{
    if (file_fault(op, path)) return OS_NO_FILE;
    int fd;
    do
        fd = open(path, flags | O_CLOEXEC, 0666);
    while (fd < 0 && errno == EINTR);
    return fd < 0 ? OS_NO_FILE : (OsFile) fd;
}

OsFile os_file_open_read(const char *path)
{
    OsFile f = open_file(OS_FILE_OPEN_READ, path, O_RDONLY);
    if (f != OS_NO_FILE) posix_fadvise((int) f, 0, 0, POSIX_FADV_SEQUENTIAL);
    return f;
}

OsFile os_file_create(const char *path)
{
    return open_file(OS_FILE_CREATE, path, O_WRONLY | O_CREAT | O_TRUNC);
}

OsFile os_file_create_new(const char *path)
{
    return open_file(OS_FILE_CREATE_NEW, path, O_WRONLY | O_CREAT | O_EXCL);
}

int os_file_size(OsFile file, uint64_t *size)
{
    if (file_fault(OS_FILE_SIZE, nullptr)) return 0;
    struct stat st;
    if (fstat((int) file, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
    *size = (uint64_t) st.st_size;
    return 1;
}

int os_file_read(OsFile file, void *buffer, size_t count, size_t *got)
{
    *got = 0;
    if (file_fault(OS_FILE_READ, nullptr)) return 0;
    // read() hands out at most about 2 GiB per call and may stop early on a
    // signal, so one request may take several calls.
    while (*got < count) {
        ssize_t n = read((int) file, (char *) buffer + *got, count - *got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 0;
        if (n == 0) break;
        *got += (size_t) n;
    }
    return 1;
}

static int write_all(int fd, const char *bytes, size_t count)
{
    while (count > 0) {
        ssize_t n = write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;
        bytes += n;
        count -= (size_t) n;
    }
    return 1;
}

int os_file_write(OsFile file, const void *bytes, size_t count)
{
    if (file_fault(OS_FILE_WRITE, nullptr)) {
        write_all((int) file, (const char *) bytes, count / 2);
        return 0;
    }
    return write_all((int) file, (const char *) bytes, count);
}

int os_file_flush(OsFile file)
{
    if (file_fault(OS_FILE_FLUSH, nullptr)) return 0;
    return fsync((int) file) == 0 ? 1 : 0;
}

int os_file_close(OsFile file)
{
    if (file_fault(OS_FILE_CLOSE, nullptr)) {
        close((int) file); // the descriptor is gone either way
        return 0;
    }
    return close((int) file) == 0 ? 1 : 0;
}

// Makes a finished rename durable: the folder holding path is synced.
static void sync_folder_of(const char *path)
{
    const char *slash = strrchr(path, '/');
    char *folder = nullptr;
    if (slash) {
        size_t n = slash == path ? 1 : (size_t) (slash - path);
        folder = (char *) malloc(n + 1);
        if (!folder) return;
        memcpy(folder, path, n);
        folder[n] = 0;
    }
    int fd = open(folder ? folder : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
    free(folder);
}

int os_file_rename(const char *from, const char *to)
{
    if (file_fault(OS_FILE_RENAME, to)) return 0;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 1;
    if (errno != EINVAL && errno != ENOSYS) return 0;
    // A file system without the no-replace rename: a second name, which
    // fails when to exists, then the first name goes.
    if (link(from, to) != 0) return 0;
    if (unlink(from) != 0) {
        unlink(to);
        return 0;
    }
    return 1;
}

int os_file_replace(const char *from, const char *to)
{
    if (file_fault(OS_FILE_REPLACE, to)) return 0;
    if (rename(from, to) != 0) return 0;
    sync_folder_of(to);
    return 1;
}

int os_file_exists(const char *path)
{
    if (file_fault(OS_FILE_EXISTS, path)) return 0;
    struct stat st;
    return stat(path, &st) == 0 ? 1 : 0;
}

int os_file_remove(const char *path)
{
    if (file_fault(OS_FILE_REMOVE, path)) return 0;
    return unlink(path) == 0 ? 1 : 0;
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
