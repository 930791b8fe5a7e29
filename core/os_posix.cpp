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

// Makes a finished rename durable: the folder holding path is synced. 1 on
// success (also where the file system has nothing to sync for a folder),
// 0 when the folder cannot be opened or its sync fails.
static int sync_folder_of(const char *path)
{
    const char *slash = strrchr(path, '/');
    char *folder = nullptr;
    if (slash) {
        size_t n = slash == path ? 1 : (size_t) (slash - path);
        folder = (char *) malloc(n + 1);
        if (!folder) return 0;
        memcpy(folder, path, n);
        folder[n] = 0;
    }
    const char *name = folder ? folder : ".";
    int synced = 0;
    if (!file_fault(OS_FILE_SYNC_FOLDER, name)) {
        int fd = open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            synced = fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
            close(fd);
        }
    }
    free(folder);
    return synced;
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
    return sync_folder_of(to);
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

// ---- Directory walk ----------------------------------------------------------
#include <dirent.h>

struct OsDir {
    DIR *dir;
    char *path;    // the folder's path and a separator, for entries whose kind needs a stat
    size_t length; // of path
    char *full;    // room for path plus an entry's name
    size_t room;   // of full
};

OsDir *os_dir_open(const char *path)
{
    DIR *d = opendir(path);
    if (!d) return nullptr;
    OsDir *dir = (OsDir *) calloc(1, sizeof(OsDir));
    size_t n = strlen(path);
    if (dir) dir->path = (char *) malloc(n + 2);
    if (!dir || !dir->path) {
        closedir(d);
        free(dir);
        return nullptr;
    }
    memcpy(dir->path, path, n);
    if (n == 0 || path[n - 1] != '/') dir->path[n++] = '/';
    dir->path[n] = 0;
    dir->length = n;
    dir->dir = d;
    return dir;
}

// Whether the entry named name is a folder, following a link.
static int entry_is_folder(OsDir *dir, const char *name)
{
    size_t need = dir->length + strlen(name) + 1;
    if (need > dir->room) {
        char *grown = (char *) realloc(dir->full, need);
        if (!grown) return 0;
        dir->full = grown;
        dir->room = need;
    }
    memcpy(dir->full, dir->path, dir->length);
    strcpy(dir->full + dir->length, name);
    struct stat st;
    return stat(dir->full, &st) == 0 && S_ISDIR(st.st_mode);
}

int os_dir_next(OsDir *dir, OsDirEntry *entry)
{
    struct dirent *e = readdir(dir->dir);
    if (!e) return 0;
    entry->name = e->d_name;
    if (e->d_type == DT_DIR)
        entry->is_folder = 1;
    else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN)
        entry->is_folder = entry_is_folder(dir, e->d_name);
    else
        entry->is_folder = 0;
    return 1;
}

void os_dir_close(OsDir *dir)
{
    if (!dir) return;
    closedir(dir->dir);
    free(dir->path);
    free(dir->full);
    free(dir);
}

int os_folder_id(const char *path, OsFolderId *id)
{
    struct stat st;
    if (stat(path, &st) != 0) return 0;
    id->volume = (uint64_t) st.st_dev;
    id->index = (uint64_t) st.st_ino;
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

// ---- Sockets and clock -----------------------------------------------------
// BSD sockets. Every wait goes through poll with the time that is left, so a
// signal that interrupts it neither ends the wait early nor stretches it.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

// 1 when fd is ready for events, 0 when timeout_ms passed first, -1 on error.
static int wait_ready(int fd, short events, uint32_t timeout_ms)
{
    uint32_t start = os_tick_count();
    for (;;) {
        uint32_t spent = os_tick_count() - start;
        uint32_t left = spent < timeout_ms ? timeout_ms - spent : 0;
        struct pollfd p = {fd, events, 0};
        int r = poll(&p, 1, left > INT_MAX ? INT_MAX : (int) left);
        if (r > 0) return 1;
        if (r == 0) {
            if (left == 0) return 0;
            continue; // poll waits at most INT_MAX ms at a time
        }
        if (errno != EINTR) return -1;
    }
}

static void fill_address(struct sockaddr_in *sa, uint32_t address, uint16_t port)
{
    memset(sa, 0, sizeof *sa);
    sa->sin_family = AF_INET;
    sa->sin_port = htons(port);
    sa->sin_addr.s_addr = address;
}

int os_net_start(void)
{
    return 1;
}

void os_net_stop(void) {}

int os_net_resolve(const char *host, uint32_t *address)
{
    in_addr_t dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        *address = dotted;
        return 1;
    }
    struct addrinfo hints;
    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0 || !found) return 0;
    *address = ((struct sockaddr_in *) found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return 1;
}

OsSocket os_socket_open(void)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    return fd < 0 ? OS_SOCKET_NONE : (OsSocket) fd;
}

int os_socket_connect(OsSocket s, uint32_t address, uint16_t port, uint32_t timeout_ms)
{
    int fd = (int) s;
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return 0;
    struct sockaddr_in sa;
    fill_address(&sa, address, port);
    int ok = 0;
    if (connect(fd, (struct sockaddr *) &sa, sizeof sa) == 0) {
        ok = 1;
    } else if (errno == EINPROGRESS && wait_ready(fd, POLLOUT, timeout_ms) == 1) {
        int err = 0;
        socklen_t len = sizeof err;
        ok = getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
    }
    fcntl(fd, F_SETFL, flags);
    return ok;
}

int os_socket_send(OsSocket s, const void *data, size_t length, uint32_t timeout_ms)
{
    int fd = (int) s;
    if (length > INT_MAX) length = INT_MAX;
    for (;;) {
        if (wait_ready(fd, POLLOUT, timeout_ms) != 1) return -1;
        ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
        if (n >= 0) return n == 0 ? -1 : (int) n;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    }
}

int os_socket_recv(OsSocket s, void *buffer, size_t size, uint32_t timeout_ms)
{
    int fd = (int) s;
    if (size > INT_MAX) size = INT_MAX;
    for (;;) {
        int ready = wait_ready(fd, POLLIN, timeout_ms);
        if (ready == 0) return OS_RECV_TIMED_OUT;
        if (ready < 0) return OS_RECV_ERROR;
        ssize_t n = recv(fd, buffer, size, 0);
        if (n > 0) return (int) n;
        if (n == 0) return OS_RECV_CLOSED;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return OS_RECV_ERROR;
    }
}

void os_socket_close(OsSocket s)
{
    if (s != OS_SOCKET_NONE) close((int) s);
}

void os_socket_reset(OsSocket s)
{
    if (s == OS_SOCKET_NONE) return;
    struct linger l = {1, 0};
    setsockopt((int) s, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close((int) s);
}

OsSocket os_socket_listen_loopback(int backlog, uint16_t *port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return OS_SOCKET_NONE;
    struct sockaddr_in sa;
    fill_address(&sa, htonl(INADDR_LOOPBACK), 0);
    socklen_t len = sizeof sa;
    if (bind(fd, (struct sockaddr *) &sa, sizeof sa) != 0 || listen(fd, backlog) != 0 ||
        getsockname(fd, (struct sockaddr *) &sa, &len) != 0) {
        close(fd);
        return OS_SOCKET_NONE;
    }
    *port = ntohs(sa.sin_port);
    return (OsSocket) fd;
}

OsSocket os_socket_accept(OsSocket listener, uint32_t timeout_ms)
{
    if (wait_ready((int) listener, POLLIN, timeout_ms) != 1) return OS_SOCKET_NONE;
    int fd = accept((int) listener, nullptr, nullptr);
    return fd < 0 ? OS_SOCKET_NONE : (OsSocket) fd;
}

static OsTickHook tick_hook;

void os_tick_set_hook(OsTickHook hook)
{
    tick_hook = hook;
}

uint32_t os_tick_count(void)
{
    if (tick_hook) return tick_hook();
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t) ((uint64_t) ts.tv_sec * 1000u + (uint64_t) ts.tv_nsec / 1000000u);
}

uint32_t os_time_now(void)
{
    return (uint32_t) time(nullptr);
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
