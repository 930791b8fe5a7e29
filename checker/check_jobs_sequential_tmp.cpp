// TEMPORARY stand-in for the parallel check engine, one URL after another,
// until the real one lands; it goes when that does.
#include "checker/check_jobs.h"

#include "checker/check_cycle.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "store/bookmark.h"

static bool is_candidate(const Bookmark *b)
{
    return !(b->flags & BM_CHECKED) &&
           (b->lastModified >= DATE_CHECKING || b->lastVisit >= b->lastModified);
}

uint32_t run_check_jobs(AppState *app, const vec *first, int, const ProbeContext *ctx,
                        CheckJobsProgressFn progress, void *data)
{
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_at<Bookmark>(app->bookmarks, i)->flags &= ~BM_CHECKED;
    vec *order = vec_create();
    if (first) vec_copy(order, first);
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_append(order, app->bookmarks->items[i]);
    uint32_t total = 0;
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        if (is_candidate(vec_at<Bookmark>(app->bookmarks, i))) total++;
    uint32_t done = 0;
    for (uint32_t i = 0; i < order->count; i++) {
        Bookmark *b = vec_at<Bookmark>(order, i);
        if (!is_candidate(b)) continue;
        char *url = dupstr(b->url);
        uint32_t result = probe_check_url(ctx, url);
        check_status_arrived(app, url, result);
        done++;
        CheckJobsProgress p = {done, total, url, result};
        if (progress) progress(data, &p);
        memFree(url);
    }
    vec_destroy(order);
    return done;
}
