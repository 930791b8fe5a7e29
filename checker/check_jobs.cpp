// Parallel check cycles. The calling thread first takes every candidate's URL
// (marking its Bookmarks as being checked, which also leaves out the other
// Bookmarks of the same URL), then hands the URLs to a pool of workers and
// stores their results as they arrive.
//
// Hand-over: each worker waits on an event of its own for a URL; when its
// probe is done it files its number in the pool's finished list (under the
// pool's lock) and sets the pool's event, on which the calling thread waits.
// A URL whose host is busy waits in a window of bounded size, in order, and
// goes to the next worker that comes free while its host is free too.
#include "checker/check_jobs.h"

#include "session/appstate.h"
#include "checker/check_cycle.h"
#include "checker/http_probe.h"
#include "checker/url_date.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

namespace
{

// URLs taken ahead of the workers per job, while their hosts are busy.
const uint32_t WINDOW_PER_JOB = 32;

struct Pool;

struct Worker {
    Pool *pool;
    uint32_t number;  // its place in the pool's workers
    OsThread *thread; // null when it could not be started
    OsEvent *go;      // set when url is to be probed, or the pool ends
    const char *url;  // the URL being probed (the run's copy), null while idle
    char *host;       // url's host (heap, owned) or null
    uint32_t result;  // written under the lock before the worker files itself
};

struct Pool {
    const ProbeContext *ctx;
    OsMutex *lock;                     // guards finished and the workers' results
    OsEvent *arrived;                  // set after a worker has filed itself
    uint32_t finished[CHECK_JOBS_MAX]; // workers whose results wait to be stored
    uint32_t finished_count;
    bool ending; // written before the go events that end the workers
    Worker workers[CHECK_JOBS_MAX];
    uint32_t started; // workers[0, started) run
};

// A URL taken from the run's list, waiting for a worker.
struct Waiting {
    const char *url;
    char *host; // heap or null
};

void work(void *arg)
{
    Worker *w = (Worker *) arg;
    Pool *pool = w->pool;
    for (;;) {
        os_event_wait(w->go);
        if (pool->ending) return;
        uint32_t result = probe_check_url(pool->ctx, w->url);
        os_mutex_lock(pool->lock);
        w->result = result;
        pool->finished[pool->finished_count++] = w->number;
        os_mutex_unlock(pool->lock);
        os_event_set(pool->arrived);
    }
}

// The host of url as split_url gives it (heap), or null when it does not
// split: such a URL makes no connection and so waits for no host.
char *host_of(const char *url)
{
    UrlParts parts;
    if (!split_url(url, &parts)) return nullptr;
    memFree(parts.path);
    return parts.host;
}

bool host_busy(const Pool *pool, const char *host)
{
    if (!host) return false;
    for (uint32_t i = 0; i < pool->started; i++) {
        const Worker *w = &pool->workers[i];
        if (w->url && w->host && compare_nocase(w->host, host) == 0) return true;
    }
    return false;
}

// Starts up to jobs workers; false when not one could be started (the pool
// is then empty and needs no stop_pool).
bool start_pool(Pool *pool, const ProbeContext *ctx, uint32_t jobs)
{
    *pool = Pool{};
    pool->ctx = ctx;
    pool->lock = os_mutex_create();
    pool->arrived = os_event_create();
    while (pool->lock && pool->arrived && pool->started < jobs) {
        Worker *w = &pool->workers[pool->started];
        w->pool = pool;
        w->number = pool->started;
        w->go = os_event_create();
        w->thread = w->go ? os_thread_start(work, w) : nullptr;
        if (!w->thread) {
            os_event_destroy(w->go);
            break;
        }
        pool->started++;
    }
    if (pool->started > 0) return true;
    os_event_destroy(pool->arrived);
    os_mutex_destroy(pool->lock);
    return false;
}

// Ends the workers, which are all idle, and frees the pool's parts.
void stop_pool(Pool *pool)
{
    pool->ending = true;
    for (uint32_t i = 0; i < pool->started; i++)
        os_event_set(pool->workers[i].go);
    for (uint32_t i = 0; i < pool->started; i++) {
        os_thread_join(pool->workers[i].thread);
        os_event_destroy(pool->workers[i].go);
    }
    os_event_destroy(pool->arrived);
    os_mutex_destroy(pool->lock);
}

// The run: the candidates' URLs and how far they have gone.
struct Run {
    AppState *app;
    const vec *urls;  // heap copies, in order
    uint32_t next;    // urls before this have been taken into the window or handed over
    Waiting *window;  // taken, waiting for a free host, in order
    uint32_t waiting; // entries in window
    uint32_t window_size;
    uint32_t done;
    CheckJobsProgressFn progress;
    void *data;
};

void stored(Run *run, const char *url, uint32_t result)
{
    store_check_report(run->app, url, result);
    run->done++;
    if (run->progress) {
        CheckJobsProgress p = {run->done, run->urls->count, url, result};
        run->progress(run->data, &p);
    }
}

// The next URL for a worker that is free: the first waiting one whose host is
// free, else the next of the list whose host is free (those whose hosts are
// busy go to the window on the way, while it has room). False when none can
// go now.
bool next_url(Run *run, const Pool *pool, Waiting *out)
{
    for (uint32_t i = 0; i < run->waiting; i++) {
        if (host_busy(pool, run->window[i].host)) continue;
        *out = run->window[i];
        for (uint32_t j = i + 1; j < run->waiting; j++)
            run->window[j - 1] = run->window[j];
        run->waiting--;
        return true;
    }
    while (run->next < run->urls->count && run->waiting < run->window_size) {
        Waiting w;
        w.url = vec_at<const char>(run->urls, run->next++);
        w.host = host_of(w.url);
        if (!host_busy(pool, w.host)) {
            *out = w;
            return true;
        }
        run->window[run->waiting++] = w;
    }
    return false;
}

// Hands URLs to the idle workers while any can go.
void dispatch(Run *run, Pool *pool)
{
    for (uint32_t i = 0; i < pool->started; i++) {
        Worker *w = &pool->workers[i];
        if (w->url) continue;
        Waiting next;
        if (!next_url(run, pool, &next)) return;
        w->url = next.url;
        w->host = next.host;
        os_event_set(w->go);
    }
}

void run_on_pool(Run *run, Pool *pool)
{
    run->window_size = WINDOW_PER_JOB * pool->started;
    run->window = (Waiting *) memAlloc(run->window_size * sizeof(Waiting));
    dispatch(run, pool);
    uint32_t finished[CHECK_JOBS_MAX];
    while (run->done < run->urls->count) {
        os_event_wait(pool->arrived);
        os_mutex_lock(pool->lock);
        uint32_t count = pool->finished_count;
        for (uint32_t i = 0; i < count; i++)
            finished[i] = pool->finished[i];
        pool->finished_count = 0;
        os_mutex_unlock(pool->lock);
        // The results were written under the lock just taken.
        for (uint32_t i = 0; i < count; i++) {
            Worker *w = &pool->workers[finished[i]];
            stored(run, w->url, w->result);
            w->url = nullptr;
            memFree(w->host);
            w->host = nullptr;
        }
        dispatch(run, pool);
    }
    memFree(run->window);
}

// Takes the candidates' URLs in order into urls, marking their Bookmarks as
// being checked.
void take_candidates(AppState *app, const vec *v, vec *urls)
{
    for (uint32_t i = 0; v && i < v->count; i++) {
        Bookmark *b = vec_at<Bookmark>(v, i);
        if (!is_check_candidate(b)) continue;
        vec_append(urls, dupstr(b->url));
        store_check_report(app, b->url, DATE_CHECKING);
    }
}

} // namespace

uint32_t run_check_jobs(AppState *app, const vec *first, int jobs, const ProbeContext *ctx,
                        CheckJobsProgressFn progress, void *data)
{
    ProbeContext standard;
    if (!ctx) {
        probe_context_init(&standard);
        ctx = &standard;
    }
    clear_checked_flags(app);
    vec *urls = vec_create();
    take_candidates(app, first, urls);
    take_candidates(app, app->bookmarks, urls);

    Run run = {};
    run.app = app;
    run.urls = urls;
    run.progress = progress;
    run.data = data;
    uint32_t workers = jobs < 1 ? 1 : jobs > CHECK_JOBS_MAX ? CHECK_JOBS_MAX : (uint32_t) jobs;
    if (workers > urls->count) workers = urls->count;
    Pool *pool = (Pool *) memAlloc(sizeof(Pool));
    if (workers > 0 && start_pool(pool, ctx, workers)) {
        run_on_pool(&run, pool);
        stop_pool(pool);
    } else {
        for (uint32_t i = 0; i < urls->count; i++) {
            const char *url = vec_at<const char>(urls, i);
            stored(&run, url, probe_check_url(ctx, url));
        }
    }
    memFree(pool);
    for (uint32_t i = 0; i < urls->count; i++)
        memFree(vec_at<char>(urls, i));
    uint32_t probed = urls->count;
    vec_destroy(urls);
    return probed;
}
