// Platform layer over Win32.
#include "core/os.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>

OsHeap os_heap_default(void)
{
    return GetProcessHeap();
}

OsHeap os_heap_create(void)
{
    return HeapCreate(0, 0, 0);
}

int os_heap_destroy(OsHeap heap)
{
    return HeapDestroy(heap) ? 1 : 0;
}

void *os_heap_alloc(OsHeap heap, size_t size)
{
    return HeapAlloc(heap, 0, size);
}

void *os_heap_realloc(OsHeap heap, void *ptr, size_t size)
{
    return HeapReAlloc(heap, 0, ptr, size);
}

int os_heap_free(OsHeap heap, void *ptr)
{
    return HeapFree(heap, 0, ptr) ? 1 : 0;
}

// ---- Files ---------------------------------------------------------------

static OsFileFaultHook file_fault_hook;

void os_file_set_fault_hook(OsFileFaultHook hook)
{
    file_fault_hook = hook;
}

// Whether a test wants this operation to fail; the last error is set as for
// a real fault.
static bool file_fault(OsFileOp op, const char *path)
{
    if (!file_fault_hook || !file_fault_hook(op, path)) return false;
    SetLastError(ERROR_WRITE_FAULT);
    return true;
}

static OsFile open_file(OsFileOp op, const char *path, DWORD access, DWORD share, DWORD disposition,
                        DWORD flags)
{
    if (file_fault(op, path)) return OS_NO_FILE;
    HANDLE h = CreateFileA(path, access, share, NULL, disposition, flags, NULL);
    return h == INVALID_HANDLE_VALUE ? OS_NO_FILE : (OsFile) h;
}

OsFile os_file_open_read(const char *path)
{
    return open_file(OS_FILE_OPEN_READ, path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN);
}

OsFile os_file_create(const char *path)
{
    return open_file(OS_FILE_CREATE, path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

OsFile os_file_create_new(const char *path)
{
    return open_file(OS_FILE_CREATE_NEW, path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
}

int os_file_size(OsFile file, uint64_t *size)
{
    if (file_fault(OS_FILE_SIZE, NULL)) return 0;
    HANDLE h = (HANDLE) file;
    if (GetFileType(h) != FILE_TYPE_DISK) return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    *size = ((uint64_t) high << 32) | low;
    return 1;
}

int os_file_read(OsFile file, void *buffer, size_t count, size_t *got)
{
    *got = 0;
    if (file_fault(OS_FILE_READ, NULL)) return 0;
    while (*got < count) {
        size_t left = count - *got;
        DWORD part = left > 0x40000000u ? 0x40000000u : (DWORD) left, n = 0;
        if (!ReadFile((HANDLE) file, (char *) buffer + *got, part, &n, NULL)) return 0;
        if (n == 0) break;
        *got += n;
    }
    return 1;
}

static int write_all(HANDLE h, const char *bytes, size_t count)
{
    while (count > 0) {
        DWORD part = count > 0x40000000u ? 0x40000000u : (DWORD) count, n = 0;
        if (!WriteFile(h, bytes, part, &n, NULL) || n == 0) return 0;
        bytes += n;
        count -= n;
    }
    return 1;
}

int os_file_write(OsFile file, const void *bytes, size_t count)
{
    if (file_fault(OS_FILE_WRITE, NULL)) {
        write_all((HANDLE) file, (const char *) bytes, count / 2);
        return 0;
    }
    return write_all((HANDLE) file, (const char *) bytes, count);
}

int os_file_flush(OsFile file)
{
    if (file_fault(OS_FILE_FLUSH, NULL)) return 0;
    return FlushFileBuffers((HANDLE) file) ? 1 : 0;
}

int os_file_close(OsFile file)
{
    if (file_fault(OS_FILE_CLOSE, NULL)) {
        CloseHandle((HANDLE) file); // the handle is gone either way
        return 0;
    }
    return CloseHandle((HANDLE) file) ? 1 : 0;
}

int os_file_rename(const char *from, const char *to)
{
    if (file_fault(OS_FILE_RENAME, to)) return 0;
    return MoveFileA(from, to) ? 1 : 0;
}

int os_file_replace(const char *from, const char *to)
{
    if (file_fault(OS_FILE_REPLACE, to)) return 0;
    if (!MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
    // The write-through move flushes the folder itself; a test may still
    // have that last step fail, as the POSIX layer's folder sync can.
    return file_fault(OS_FILE_SYNC_FOLDER, to) ? 0 : 1;
}

int os_file_exists(const char *path)
{
    if (file_fault(OS_FILE_EXISTS, path)) return 0;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int os_file_remove(const char *path)
{
    if (file_fault(OS_FILE_REMOVE, path)) return 0;
    return DeleteFileA(path) ? 1 : 0;
}

// ---- Directory walk ----------------------------------------------------------

struct OsDir {
    HANDLE find;
    WIN32_FIND_DATAA data; // the entry os_dir_next hands out next, or the last one
    bool pending;          // data holds an entry not handed out yet
};

OsDir *os_dir_open(const char *path)
{
    size_t n = strlen(path);
    char *pattern = (char *) malloc(n + 5);
    if (!pattern) return nullptr;
    memcpy(pattern, path, n);
    if (n == 0 || (path[n - 1] != '\\' && path[n - 1] != '/')) pattern[n++] = '\\';
    memcpy(pattern + n, "*.*", 4);
    OsDir *dir = (OsDir *) malloc(sizeof(OsDir));
    if (dir) dir->find = FindFirstFileA(pattern, &dir->data);
    free(pattern);
    if (!dir || dir->find == INVALID_HANDLE_VALUE) {
        free(dir);
        return nullptr;
    }
    dir->pending = true;
    return dir;
}

int os_dir_next(OsDir *dir, OsDirEntry *entry)
{
    if (!dir->pending && !FindNextFileA(dir->find, &dir->data)) return 0;
    dir->pending = false;
    entry->name = dir->data.cFileName;
    entry->is_folder = (dir->data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    return 1;
}

void os_dir_close(OsDir *dir)
{
    if (!dir) return;
    FindClose(dir->find);
    free(dir);
}

int os_folder_id(const char *path, OsFolderId *id)
{
    // A folder opens as a file only with backup semantics (Windows NT and
    // later); Windows 95 refuses, and then there is no identity.
    HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;
    BY_HANDLE_FILE_INFORMATION info;
    BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok || (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0)) return 0;
    id->volume = info.dwVolumeSerialNumber;
    id->index = ((uint64_t) info.nFileIndexHigh << 32) | info.nFileIndexLow;
    return 1;
}

void os_error_box(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void os_fatal(const char *text, const char *caption)
{
    os_error_box(text, caption);
    ExitProcess(3);
}

// ---- Sockets and clock -----------------------------------------------------
// Windows Sockets 1.1 (<windows.h> has already brought in <winsock.h>). Every
// wait is a select with a time-out; the sockets themselves stay blocking
// except while a connection is being made.
#include <winsock.h>

// 1 when s is ready (for writing when write is set, else for reading), 0 when
// timeout_ms passed first, -1 on error. A connection attempt that fails
// reports in the exception set, which is watched along with writing.
static int wait_ready(SOCKET s, bool write, uint32_t timeout_ms)
{
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    struct timeval tv;
    tv.tv_sec = (long) (timeout_ms / 1000);
    tv.tv_usec = (long) (timeout_ms % 1000) * 1000;
    int r =
        write ? select(0, nullptr, &ready, &failed, &tv) : select(0, &ready, nullptr, nullptr, &tv);
    if (r == 0) return 0;
    if (r == SOCKET_ERROR || (write && FD_ISSET(s, &failed))) return -1;
    return 1;
}

static void fill_address(struct sockaddr_in *sa, uint32_t address, uint16_t port)
{
    ZeroMemory(sa, sizeof *sa);
    sa->sin_family = AF_INET;
    sa->sin_port = htons(port);
    sa->sin_addr.s_addr = address;
}

int os_net_start(void)
{
    WSADATA data;
    return WSAStartup(0x0101, &data) == 0 ? 1 : 0;
}

void os_net_stop(void)
{
    WSACleanup();
}

int os_net_resolve(const char *host, uint32_t *address)
{
    unsigned long dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        *address = (uint32_t) dotted;
        return 1;
    }
    struct hostent *found = gethostbyname(host);
    if (!found || found->h_addrtype != AF_INET || found->h_length != 4 || !found->h_addr_list[0])
        return 0;
    CopyMemory(address, found->h_addr_list[0], 4);
    return 1;
}

OsSocket os_socket_open(void)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? OS_SOCKET_NONE : (OsSocket) s;
}

int os_socket_connect(OsSocket s, uint32_t address, uint16_t port, uint32_t timeout_ms)
{
    u_long nonblocking = 1;
    if (ioctlsocket((SOCKET) s, FIONBIO, &nonblocking) != 0) return 0;
    struct sockaddr_in sa;
    fill_address(&sa, address, port);
    int ok = 0;
    if (connect((SOCKET) s, (struct sockaddr *) &sa, sizeof sa) == 0) {
        ok = 1;
    } else if (WSAGetLastError() == WSAEWOULDBLOCK &&
               wait_ready((SOCKET) s, true, timeout_ms) == 1) {
        int err = 0;
        int len = sizeof err;
        ok = getsockopt((SOCKET) s, SOL_SOCKET, SO_ERROR, (char *) &err, &len) == 0 && err == 0;
    }
    nonblocking = 0;
    ioctlsocket((SOCKET) s, FIONBIO, &nonblocking);
    return ok;
}

int os_socket_send(OsSocket s, const void *data, size_t length, uint32_t timeout_ms)
{
    if (length > 0x7FFFFFFF) length = 0x7FFFFFFF;
    if (wait_ready((SOCKET) s, true, timeout_ms) != 1) return -1;
    int n = send((SOCKET) s, (const char *) data, (int) length, 0);
    return n > 0 ? n : -1;
}

int os_socket_recv(OsSocket s, void *buffer, size_t size, uint32_t timeout_ms)
{
    if (size > 0x7FFFFFFF) size = 0x7FFFFFFF;
    int ready = wait_ready((SOCKET) s, false, timeout_ms);
    if (ready == 0) return OS_RECV_TIMED_OUT;
    if (ready < 0) return OS_RECV_ERROR;
    int n = recv((SOCKET) s, (char *) buffer, (int) size, 0);
    if (n > 0) return n;
    return n == 0 ? OS_RECV_CLOSED : OS_RECV_ERROR;
}

void os_socket_close(OsSocket s)
{
    if (s != OS_SOCKET_NONE) closesocket((SOCKET) s);
}

void os_socket_reset(OsSocket s)
{
    if (s == OS_SOCKET_NONE) return;
    struct linger l = {1, 0};
    setsockopt((SOCKET) s, SOL_SOCKET, SO_LINGER, (const char *) &l, sizeof l);
    closesocket((SOCKET) s);
}

OsSocket os_socket_listen_loopback(int backlog, uint16_t *port)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET) return OS_SOCKET_NONE;
    struct sockaddr_in sa;
    fill_address(&sa, htonl(INADDR_LOOPBACK), 0);
    int len = sizeof sa;
    if (bind(s, (struct sockaddr *) &sa, sizeof sa) != 0 || listen(s, backlog) != 0 ||
        getsockname(s, (struct sockaddr *) &sa, &len) != 0) {
        closesocket(s);
        return OS_SOCKET_NONE;
    }
    *port = ntohs(sa.sin_port);
    return (OsSocket) s;
}

OsSocket os_socket_accept(OsSocket listener, uint32_t timeout_ms)
{
    if (wait_ready((SOCKET) listener, false, timeout_ms) != 1) return OS_SOCKET_NONE;
    SOCKET s = accept((SOCKET) listener, nullptr, nullptr);
    return s == INVALID_SOCKET ? OS_SOCKET_NONE : (OsSocket) s;
}

static OsTickHook tick_hook;

void os_tick_set_hook(OsTickHook hook)
{
    tick_hook = hook;
}

uint32_t os_tick_count(void)
{
    return tick_hook ? tick_hook() : GetTickCount();
}

uint32_t os_time_now(void)
{
    FILETIME ft; // 100-ns steps since 1601-01-01 UTC
    GetSystemTimeAsFileTime(&ft);
    uint64_t t = ((uint64_t) ft.dwHighDateTime << 32) | ft.dwLowDateTime;
    return (uint32_t) ((t - 116444736000000000ull) / 10000000u);
}

// ---- Threads with a chosen stack (search depth tests) ----------------------

struct ThreadCall {
    void (*fn)(void *);
    void *arg;
};

static DWORD WINAPI thread_call(LPVOID p)
{
    ThreadCall *call = (ThreadCall *) p;
    call->fn(call->arg);
    return 0;
}

int os_run_on_thread(void (*fn)(void *), void *arg, size_t stack_bytes)
{
    ThreadCall call = {fn, arg};
    // The size is the stack's reservation, not merely its first commitment.
    HANDLE thread = CreateThread(NULL, stack_bytes, thread_call, &call,
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (!thread) return 0;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return 1;
}
