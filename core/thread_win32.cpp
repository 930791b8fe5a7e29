// Worker threads, mutexes and self-resetting events over Win32: threads,
// critical sections and auto-reset events.
#include "core/os.h"

#include <windows.h>

struct OsThread {
    HANDLE handle;
    void (*fn)(void *);
    void *arg;
};

struct OsMutex {
    CRITICAL_SECTION section;
};

struct OsEvent {
    HANDLE handle; // an auto-reset event
};

static DWORD WINAPI thread_main(LPVOID p)
{
    OsThread *t = (OsThread *) p;
    t->fn(t->arg);
    return 0;
}

OsThread *os_thread_start(void (*fn)(void *), void *arg)
{
    OsThread *t = (OsThread *) HeapAlloc(GetProcessHeap(), 0, sizeof(OsThread));
    if (!t) return nullptr;
    t->fn = fn;
    t->arg = arg;
    t->handle = CreateThread(NULL, 0, thread_main, t, 0, NULL);
    if (!t->handle) {
        HeapFree(GetProcessHeap(), 0, t);
        return nullptr;
    }
    return t;
}

void os_thread_join(OsThread *thread)
{
    WaitForSingleObject(thread->handle, INFINITE);
    CloseHandle(thread->handle);
    HeapFree(GetProcessHeap(), 0, thread);
}

OsMutex *os_mutex_create(void)
{
    OsMutex *m = (OsMutex *) HeapAlloc(GetProcessHeap(), 0, sizeof(OsMutex));
    if (m) InitializeCriticalSection(&m->section);
    return m;
}

void os_mutex_destroy(OsMutex *mutex)
{
    if (!mutex) return;
    DeleteCriticalSection(&mutex->section);
    HeapFree(GetProcessHeap(), 0, mutex);
}

void os_mutex_lock(OsMutex *mutex)
{
    EnterCriticalSection(&mutex->section);
}

void os_mutex_unlock(OsMutex *mutex)
{
    LeaveCriticalSection(&mutex->section);
}

OsEvent *os_event_create(void)
{
    OsEvent *e = (OsEvent *) HeapAlloc(GetProcessHeap(), 0, sizeof(OsEvent));
    if (!e) return nullptr;
    e->handle = CreateEventA(NULL, FALSE, FALSE, NULL);
    if (!e->handle) {
        HeapFree(GetProcessHeap(), 0, e);
        return nullptr;
    }
    return e;
}

void os_event_destroy(OsEvent *event)
{
    if (!event) return;
    CloseHandle(event->handle);
    HeapFree(GetProcessHeap(), 0, event);
}

void os_event_set(OsEvent *event)
{
    SetEvent(event->handle);
}

void os_event_wait(OsEvent *event)
{
    WaitForSingleObject(event->handle, INFINITE);
}
