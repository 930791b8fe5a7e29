// Parallel check cycles, for a program without the checker thread: one cycle
// over the candidates, with several probes at once on worker threads.
//
// The cycle is the program's: it starts by clearing every Bookmark's
// BM_CHECKED, takes the candidates by the same rule (check_cycle.h) and
// stores each result as the checker's report is stored. Its URLs are those
// of the candidates in order, the Bookmarks of `first` before the
// BookmarkList, each URL once whatever its case. They are handed to the
// workers in that order, except that a URL whose host (as split_url gives it,
// ASCII case ignored) is being probed already waits, and later URLs of other
// hosts go first: no host gets two requests at once. With one job the
// order is exactly the candidates'.
//
// Workers never touch the BookmarkList or the application record: each gets
// a copy of one URL and hands back its result. Everything else (storing,
// progress) happens on the calling thread.
#ifndef TL_CHECKER_CHECK_JOBS_H
#define TL_CHECKER_CHECK_JOBS_H

#include <stdint.h>

struct AppState;
struct ProbeContext;
struct vec;

// The most probes at once; larger job counts are taken as this.
const int CHECK_JOBS_MAX = 64;

struct CheckJobsProgress {
    uint32_t done, total; // results so far, candidates in all
    const char *url;      // the URL whose result just arrived (valid during the call)
    uint32_t result;      // its date, DATE_NONE or DATE_FAILED
};
typedef void (*CheckJobsProgressFn)(void *data, const CheckJobsProgress *p);

// One check cycle over the Bookmarks that are candidates: the Bookmarks of
// `first` (may be null; Bookmark pointers of the BookmarkList) in its order
// first, then the BookmarkList. Probes up to `jobs` URLs at once (below 1
// counts as 1), never two at once on one host, with ctx (null for the
// standard context of probe_context_init; shared by the workers, so its
// operations must be safe on any thread). Each result is stored as
// store_check_report stores a checker report: every Bookmark with that URL,
// ignoring case, gets the value and BM_CHECKED; from the start until then
// those Bookmarks hold DATE_CHECKING with BM_CHECKED. Runs on the calling
// thread (the probes on worker threads; when none can be started, one at a
// time on the calling thread) and calls progress (may be null) there after
// each result has been stored; progress may read and change the
// BookmarkList (results find their Bookmarks by URL). On Windows the socket
// layer must have been started (os_net_start). Returns the number of URLs
// probed, when all of them have their results.
uint32_t run_check_jobs(AppState *app, const vec *first, int jobs, const ProbeContext *ctx,
                        CheckJobsProgressFn progress, void *data);

#endif
