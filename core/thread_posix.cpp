// Worker threads, mutexes and self-resetting events over POSIX threads.
#include "core/os.h"

#include <pthread.h>
#include <stdlib.h>

struct OsThread {
    pthread_t thread;
    void (*fn)(void *);
    void *arg;
};

struct OsMutex {
    pthread_mutex_t mutex;
};

struct OsEvent {
    pthread_mutex_t mutex;
    pthread_cond_t cond;
    bool set; // guarded by mutex
};

static void *thread_main(void *p)
{
    OsThread *t = (OsThread *) p;
    t->fn(t->arg);
    return nullptr;
}

OsThread *os_thread_start(void (*fn)(void *), void *arg)
{
    OsThread *t = (OsThread *) malloc(sizeof(OsThread));
    if (!t) return nullptr;
    t->fn = fn;
    t->arg = arg;
    if (pthread_create(&t->thread, nullptr, thread_main, t) != 0) {
        free(t);
        return nullptr;
    }
    return t;
}

void os_thread_join(OsThread *thread)
{
    pthread_join(thread->thread, nullptr);
    free(thread);
}

OsMutex *os_mutex_create(void)
{
    OsMutex *m = (OsMutex *) malloc(sizeof(OsMutex));
    if (m && pthread_mutex_init(&m->mutex, nullptr) != 0) {
        free(m);
        m = nullptr;
    }
    return m;
}

void os_mutex_destroy(OsMutex *mutex)
{
    if (!mutex) return;
    pthread_mutex_destroy(&mutex->mutex);
    free(mutex);
}

void os_mutex_lock(OsMutex *mutex)
{
    pthread_mutex_lock(&mutex->mutex);
}

void os_mutex_unlock(OsMutex *mutex)
{
    pthread_mutex_unlock(&mutex->mutex);
}

OsEvent *os_event_create(void)
{
    OsEvent *e = (OsEvent *) malloc(sizeof(OsEvent));
    if (!e) return nullptr;
    if (pthread_mutex_init(&e->mutex, nullptr) != 0) {
        free(e);
        return nullptr;
    }
    if (pthread_cond_init(&e->cond, nullptr) != 0) {
        pthread_mutex_destroy(&e->mutex);
        free(e);
        return nullptr;
    }
    e->set = false;
    return e;
}

void os_event_destroy(OsEvent *event)
{
    if (!event) return;
    pthread_cond_destroy(&event->cond);
    pthread_mutex_destroy(&event->mutex);
    free(event);
}

void os_event_set(OsEvent *event)
{
    pthread_mutex_lock(&event->mutex);
    event->set = true;
    pthread_cond_signal(&event->cond);
    pthread_mutex_unlock(&event->mutex);
}

void os_event_wait(OsEvent *event)
{
    pthread_mutex_lock(&event->mutex);
    while (!event->set)
        pthread_cond_wait(&event->cond, &event->mutex);
    event->set = false;
    pthread_mutex_unlock(&event->mutex);
}
