// The platform layer: the only door from the portable core to the operating
// system. os_win32.cpp implements it over Win32, os_posix.cpp over POSIX.
// Each function says what it returns on success and on failure, and who owns
// what it hands out.
#ifndef TL_CORE_OS_H
#define TL_CORE_OS_H

#include <stddef.h>

// ---- Heaps ---------------------------------------------------------------
// A heap handle. On Windows it is a HANDLE from GetProcessHeap or HeapCreate;
// natively the default heap is malloc's and private heaps are kept by this
// layer so that destroying one frees every block it still holds.
typedef void *OsHeap;

// The process's default heap, usable from every thread. Never null.
OsHeap os_heap_default(void);
// A new growable, serialized heap. Null when the system refuses one.
OsHeap os_heap_create(void);
// Releases the heap and every block in it. 1 on success, 0 on failure.
int os_heap_destroy(OsHeap heap);
// A block of at least size bytes, not zeroed. Null when the heap is exhausted.
void *os_heap_alloc(OsHeap heap, size_t size);
// Resizes a block (ptr must not be null); the block may move and keeps its
// contents up to the smaller size. Null when the heap is exhausted, in which
// case the old block is untouched.
void *os_heap_realloc(OsHeap heap, void *ptr, size_t size);
// Returns a block to its heap. 1 on success, 0 on failure.
int os_heap_free(OsHeap heap, void *ptr);

// ---- Files ---------------------------------------------------------------
// Whole-file reading and writing for the bookmark file and its exports, and
// the renames behind a safe save. Paths are byte texts in the ANSI code page;
// nothing here keeps a path after the call returns.

#include <stdint.h>

// An open file: a HANDLE on Windows, a descriptor natively.
typedef intptr_t OsFile;
const OsFile OS_NO_FILE = -1; // what the opening functions return on failure

// Opens an existing file for reading, shared with other readers, with the
// hint that it will be read from start to end. OS_NO_FILE on failure.
OsFile os_file_open_read(const char *path);
// Creates a file for writing, not shared, emptying one that exists.
// OS_NO_FILE on failure.
OsFile os_file_create(const char *path);
// Creates a new file for writing, not shared; fails (OS_NO_FILE) when a file
// of that name exists already.
OsFile os_file_create_new(const char *path);
// The file's size in bytes into *size: 1 on success, 0 on failure (also for
// anything that is not a plain file).
int os_file_size(OsFile file, uint64_t *size);
// Reads up to count bytes into buffer, fewer only at the end of the file.
// 1 with the bytes read in *got, 0 on a failed read.
int os_file_read(OsFile file, void *buffer, size_t count, size_t *got);
// Writes count bytes. 1 when every byte was written, 0 otherwise (the file
// may then hold part of them).
int os_file_write(OsFile file, const void *bytes, size_t count);
// Pushes what was written through to the disk. 1 on success, 0 on failure.
int os_file_flush(OsFile file);
// Closes the file (which may not be used again). 1 on success, 0 on failure.
int os_file_close(OsFile file);

// Renames from to to without replacing: fails (0) when to exists already or
// from does not. 1 on success.
int os_file_rename(const char *from, const char *to);
// Puts from in the place of to in one step, replacing to when it exists, and
// does not return before the change is on the disk. 1 on success. 0 on
// failure: when the change could not be made, both files are as they were;
// when it was made but could not be confirmed on the disk (the folder's
// sync failed), from is gone and to holds its contents, perhaps not for good.
int os_file_replace(const char *from, const char *to);
// 1 when something of that name exists (file or folder), 0 otherwise.
int os_file_exists(const char *path);
// Deletes a file. 1 on success, 0 on failure.
int os_file_remove(const char *path);

// Tests make file operations fail without a real fault: while a hook is set,
// every operation above first asks it (with the path it names, the new
// name for a rename or replace, or null for an operation on an open file) and, when it answers
// non-zero, fails as the system would. A failed write stores the first half of its bytes first, as
// a full disk does. Null removes the hook.
enum OsFileOp {
    OS_FILE_OPEN_READ,
    OS_FILE_CREATE,
    OS_FILE_CREATE_NEW,
    OS_FILE_SIZE,
    OS_FILE_READ,
    OS_FILE_WRITE,
    OS_FILE_FLUSH,
    OS_FILE_CLOSE,
    OS_FILE_RENAME,
    OS_FILE_REPLACE,
    OS_FILE_EXISTS,
    OS_FILE_REMOVE,
    OS_FILE_SYNC_FOLDER, // the last step of a replace, with the folder (POSIX) or to (Windows)
};
typedef int (*OsFileFaultHook)(OsFileOp op, const char *path);
void os_file_set_fault_hook(OsFileFaultHook hook);

// ---- Directory walk ----------------------------------------------------------
// Listing a folder's entries (the Favorites import), and telling whether two
// paths name the same folder, so that a walk through links that lead back
// into the tree ends. Paths are byte texts of any length; a path that the
// system cannot take fails like a missing folder.

#ifdef _WIN32
const char OS_PATH_SEPARATOR = '\\';
#else
const char OS_PATH_SEPARATOR = '/';
#endif

// An open listing: FindFirstFileA's handle and data on Windows, a DIR
// natively. Owned by the caller until os_dir_close.
struct OsDir;

struct OsDirEntry {
    const char *name; // the entry's name without its folder; valid until the next os_dir_next
    int is_folder;    // 1 for a folder (a link to a folder counts as one), 0 otherwise
};

// Starts listing the entries of the folder at path (no pattern: the layer
// adds what the system needs). "." and ".." are listed when the system
// lists them. Null when the folder cannot be listed.
OsDir *os_dir_open(const char *path);
// The next entry, in the order the system gives: 1 with *entry filled, 0
// when there are no more (or the listing failed).
int os_dir_next(OsDir *dir, OsDirEntry *entry);
// Ends the listing and frees it; null is ignored.
void os_dir_close(OsDir *dir);

// What tells a folder apart from every other one on the machine: device and
// inode natively, volume serial number and file index on Windows.
struct OsFolderId {
    uint64_t volume;
    uint64_t index;
};
// The identity of the folder at path (links followed): 1 with *id set, 0
// when the system gives none (a missing folder, or a system without file
// indexes for folders, such as Windows 95).
int os_folder_id(const char *path, OsFolderId *id);

// ---- Reporting -----------------------------------------------------------
// Shows text under caption as a task-modal error box with no owner window
// (on Windows) or writes "caption: text" and a line feed to standard error
// (natively), then returns.
void os_error_box(const char *text, const char *caption);
// Reports text as os_error_box does and ends the process with exit code 3.
// Never returns.
[[noreturn]] void os_fatal(const char *text, const char *caption);

// ---- Sockets and clock -----------------------------------------------------
// TCP over IPv4 for the link checker (and the loopback server of the tests).
// On Windows these are Windows Sockets 1.1 calls, usable once os_net_start
// has succeeded; natively BSD sockets, usable at once. Addresses are IPv4 in
// network byte order, as inet_addr gives them; ports are in host order.
// Every wait takes a time-out in milliseconds.
#include <stdint.h>

typedef uintptr_t OsSocket;
const OsSocket OS_SOCKET_NONE = (OsSocket) -1; // no socket

// Results of os_socket_recv besides a byte count.
const int OS_RECV_CLOSED = 0;     // the peer closed the connection in order
const int OS_RECV_ERROR = -1;     // the connection failed
const int OS_RECV_TIMED_OUT = -2; // nothing arrived in time; the socket is still usable

// Starts the socket layer for the calling program (WSAStartup with version
// 1.1 on Windows; nothing natively). 1 on success, 0 on failure. Each
// successful call is matched by one os_net_stop.
int os_net_start(void);
void os_net_stop(void);
// The IPv4 address of host: a dotted address is taken as it is; otherwise the
// name is looked up and its first address taken. 1 with *address set, or 0
// when the name is unknown or the lookup fails.
int os_net_resolve(const char *host, uint32_t *address);
// A new TCP stream socket, owned by the caller until os_socket_close.
// OS_SOCKET_NONE when none can be created.
OsSocket os_socket_open(void);
// Connects s to address:port, waiting at most timeout_ms. 1 when connected;
// 0 when refused, unreachable or not done in time (s is then only fit to be
// closed).
int os_socket_connect(OsSocket s, uint32_t address, uint16_t port, uint32_t timeout_ms);
// Sends up to length bytes of data, waiting at most timeout_ms for room.
// The count sent (at least 1, possibly fewer than length), or -1 on failure
// or time-out. Never raises a signal when the peer has gone.
int os_socket_send(OsSocket s, const void *data, size_t length, uint32_t timeout_ms);
// Receives up to size bytes into buffer, waiting at most timeout_ms for the
// first of them. The count received (at least 1), OS_RECV_CLOSED,
// OS_RECV_ERROR or OS_RECV_TIMED_OUT.
int os_socket_recv(OsSocket s, void *buffer, size_t size, uint32_t timeout_ms);
// Closes s; OS_SOCKET_NONE is ignored.
void os_socket_close(OsSocket s);
// Closes s with a reset instead of an orderly close, as a failing server
// does: for the tests' loopback server. OS_SOCKET_NONE is ignored.
void os_socket_reset(OsSocket s);
// A socket listening on 127.0.0.1 at a port that the system picks, with room
// for backlog connections not yet accepted. Sets *port; OS_SOCKET_NONE on
// failure. Only the tests' loopback server listens.
OsSocket os_socket_listen_loopback(int backlog, uint16_t *port);
// The next connection on listener, waiting at most timeout_ms; owned by the
// caller. OS_SOCKET_NONE on time-out or failure.
OsSocket os_socket_accept(OsSocket listener, uint32_t timeout_ms);

// ---- TLS over a connected socket --------------------------------------------
// HTTPS for the link checker: a TLS client session over a socket that the
// caller has connected. Schannel through SSPI on Windows, with the server's
// certificate chain checked by crypt32 against the system's trust stores;
// OpenSSL natively, against the system's certificate authorities. A session's
// send and receive stand in for the socket's; the socket stays the caller's,
// who closes it after os_tls_close. One session is used by one thread at a
// time; sessions on different threads are independent.
typedef struct OsTls OsTls;

// Makes a TLS session with the server at the other end of s, for host. The
// name goes to the server for virtual hosting (a dotted IPv4 address is never
// sent), and the server's certificate must chain to a trusted authority, be
// valid today and be issued for host. Handshake and checks take at most
// timeout_ms. The session, owned by the caller until os_tls_close; null when
// the handshake failed or ran out of time or the certificate was refused (s
// is then only fit to be closed).
OsTls *os_tls_open(OsSocket s, const char *host, uint32_t timeout_ms);
// Encrypts and sends all length bytes of data, waiting at most timeout_ms in
// all. length, or -1 on failure or time-out.
int os_tls_send(OsTls *tls, const void *data, size_t length, uint32_t timeout_ms);
// Receives up to size bytes of the server's data into buffer, waiting at most
// timeout_ms in all. The count received (at least 1), OS_RECV_CLOSED (the
// server ended the session or closed the connection), OS_RECV_ERROR or
// OS_RECV_TIMED_OUT (the session is then still usable).
int os_tls_recv(OsTls *tls, void *buffer, size_t size, uint32_t timeout_ms);
// Tells the server that the session ends (waiting at most a second for room
// to send that) and frees the session. Null is ignored.
void os_tls_close(OsTls *tls);
// For tests: natively, sessions opened afterwards in this process also trust
// the certificate authorities in the PEM file at path; 1 on success, 0 when
// the file holds none. On Windows only the system's stores decide, and this
// returns 0.
int os_tls_trust_file(const char *path);

// Milliseconds since an arbitrary start, from a clock that never goes back;
// wraps around after 2^32 ms, so take differences in unsigned arithmetic.
uint32_t os_tick_count(void);
// Whether the tick count now is later than then: 1 when now - then, taken
// in unsigned arithmetic, is between 1 and 2^31 - 1, so the answer stays
// right across the wrap for moments less than 24.8 days apart.
inline int os_tick_after(uint32_t now, uint32_t then)
{
    return now != then && now - then < 0x80000000u;
}
// Tests move the clock: while a hook is set, os_tick_count returns its
// answer instead. Null removes the hook.
typedef uint32_t (*OsTickHook)(void);
void os_tick_set_hook(OsTickHook hook);
// The current time in seconds since 1970-01-01 UTC. Cheap enough to call per
// Bookmark: no time zone is consulted (the C library's time() under Wine
// reads the zone on every call).
uint32_t os_time_now(void);

// ---- Threads with a chosen stack (search depth tests) ----------------------
// Runs fn(arg) on a new thread whose stack is stack_bytes large (at least the
// system's minimum) and waits until it returns. 1 when the thread ran, 0 when
// it could not be created (fn was not called).
int os_run_on_thread(void (*fn)(void *), void *arg, size_t stack_bytes);

// ---- Worker threads, a lock and events (parallel checks) --------------------
// Worker threads that hand results back to the thread that started them: a
// mutex guards what both touch, and an event wakes the side that waits.
// Setting an event, waiting for one, and locking and unlocking the mutex
// order memory: what one thread wrote before os_event_set or
// os_mutex_unlock, the thread that comes out of the matching wait or lock
// sees.
typedef struct OsThread OsThread;
typedef struct OsMutex OsMutex;
typedef struct OsEvent OsEvent;

// Runs fn(arg) on a new thread with the system's usual stack. The thread,
// owned by the caller until os_thread_join; null when none could be created
// (fn is not called).
OsThread *os_thread_start(void (*fn)(void *), void *arg);
// Waits until the thread's fn has returned, then frees the thread.
void os_thread_join(OsThread *thread);

// A mutex (not recursive), owned by the caller until os_mutex_destroy; null
// when the system refuses one.
OsMutex *os_mutex_create(void);
void os_mutex_destroy(OsMutex *mutex); // the mutex must not be held; null is ignored
void os_mutex_lock(OsMutex *mutex);
void os_mutex_unlock(OsMutex *mutex);

// An event that resets itself: os_event_set lets one os_event_wait through,
// the one under way or else the next; sets that no wait took in between
// count once. Owned by the caller until os_event_destroy; null when the
// system refuses one.
OsEvent *os_event_create(void);
void os_event_destroy(OsEvent *event); // nobody may wait on it; null is ignored
void os_event_set(OsEvent *event);
// Waits, without a time limit, until the event is set, and resets it.
void os_event_wait(OsEvent *event);

#endif
