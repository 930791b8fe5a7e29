// checker/check_jobs.h
#ifndef TL_CHECKER_CHECK_JOBS_H
#define TL_CHECKER_CHECK_JOBS_H

#include <stdint.h>

#include "session/appstate.h"
#include "checker/http_probe.h"
#include "core/vec.h"

struct CheckJobsProgress {
    uint32_t done, total; // results so far, candidates in all
    const char *url;      // the URL whose result just arrived (valid during the call)
    uint32_t result;      // its date, DATE_NONE or DATE_FAILED
};
typedef void (*CheckJobsProgressFn)(void *data, const CheckJobsProgress *p);
// One check cycle over the Bookmarks that are candidates (the same rule as the program's cycles:
// the Bookmarks of `first` (may be null) in its order first, then the BookmarkList), probing up to
// `jobs` URLs at once, never two at once on one host; each result is stored as the program stores
// a checker report (every Bookmark with that URL, ignoring case, gets the value and BM_CHECKED).
// Runs on the calling thread (probes on worker threads), calls progress on the calling thread after each
// result. Returns the number of URLs probed.
uint32_t run_check_jobs(AppState *app, const vec *first, int jobs, const ProbeContext *ctx,
                        CheckJobsProgressFn progress, void *data);

#endif
