// Platform layer over Win32.
#include "core/os.h"

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

void os_error_box(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void os_fatal(const char *text, const char *caption)
{
    os_error_box(text, caption);
    ExitProcess(3);
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
    HANDLE thread =
        CreateThread(NULL, stack_bytes, thread_call, &call, STACK_SIZE_PARAM_IS_A_RESERVATION, NULL);
    if (!thread) return 0;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return 1;
}
