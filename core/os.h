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

// ---- Reporting -----------------------------------------------------------
// Shows text under caption as a task-modal error box with no owner window
// (on Windows) or writes "caption: text" and a line feed to standard error
// (natively), then returns.
void os_error_box(const char *text, const char *caption);
// Reports text as os_error_box does and ends the process with exit code 3.
// Never returns.
[[noreturn]] void os_fatal(const char *text, const char *caption);

// ---- Threads with a chosen stack (search depth tests) ----------------------
// Runs fn(arg) on a new thread whose stack is stack_bytes large (at least the
// system's minimum) and waits until it returns. 1 when the thread ran, 0 when
// it could not be created (fn was not called).
int os_run_on_thread(void (*fn)(void *), void *arg, size_t stack_bytes);

#endif
