// Main-thread cost of check cycles over 100,000 generated Bookmarks, with an
// instant stand-in for the checker thread: for every URL handed over, the two
// reports (DATE_CHECKING, then a date) and the idle report that asks for the
// next URL, as the window procedure handles them. Cycles with every Bookmark
// shown and with a filter showing a part of them; then, for scale, the first
// results of a cycle whose search starts at the top for every URL and whose
// reports walk the whole list, as a plain reading of the rules would do.
#include <deque>
#include <stdio.h>
#include <string.h>
#include <string>

#include "session/appstate.h"
#include "bench_util.h"
#include "checker/check_cycle.h"
#include "core/mem.h"
#include "search/filter.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"

static std::deque<char *> g_queue; // the stand-in checker's requests

static int post(AppState *, char *url)
{
    g_queue.push_back(url);
    return 1;
}

// The page's date: mostly unchanged since the visit, every tenth newer.
static uint32_t stand_in_probe(const char *url, uint32_t n)
{
    return n % 10 == 0 ? DATE_NONE : (uint32_t) (1500000000u + strlen(url));
}

struct CycleRun {
    uint32_t results;
    double seconds;
};

static CycleRun run_cycle(AppState *app)
{
    CycleRun r = {0, 0};
    double t0 = bench_now();
    start_check_cycle(app);
    checker_idle(app); // the checker starts
    while (!g_queue.empty()) {
        char *url = g_queue.front();
        g_queue.pop_front();
        check_status_arrived(app, url, DATE_CHECKING);
        check_status_arrived(app, url, stand_in_probe(url, r.results));
        checker_idle(app);
        memFree(url);
        r.results++;
    }
    r.seconds = bench_now() - t0;
    return r;
}

// A plain reading: the first candidate searched from the top, each report
// stored by a walk of the whole list. Only the first results are timed.
static bool is_candidate(const Bookmark *b)
{
    return !(b->flags & BM_CHECKED) &&
           (b->lastModified >= DATE_CHECKING || b->lastVisit >= b->lastModified);
}

static CycleRun run_from_the_top(AppState *app, uint32_t results, uint32_t done)
{
    // The first done Bookmarks of the list count as checked already.
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        b->flags = i < done ? b->flags | BM_CHECKED : b->flags & ~BM_CHECKED;
    }
    CycleRun r = {0, 0};
    double t0 = bench_now();
    for (; r.results < results; r.results++) {
        Bookmark *next = nullptr;
        for (vec *v : {app->list_items, app->bookmarks})
            for (uint32_t i = 0; v && i < v->count && !next; i++)
                if (is_candidate(vec_at<Bookmark>(v, i))) next = vec_at<Bookmark>(v, i);
        if (!next) break;
        std::string url = next->url;
        for (uint32_t value : {DATE_CHECKING, stand_in_probe(url.c_str(), r.results)})
            for (uint32_t i = 0; i < app->bookmarks->count; i++) {
                Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
                if (strcasecmp(b->url, url.c_str()) == 0) {
                    b->lastModified = value;
                    b->flags |= BM_CHECKED;
                }
            }
    }
    r.seconds = bench_now() - t0;
    return r;
}

static void report(const char *what, const CycleRun &r)
{
    printf("%-44s %6u results %8.3f s  %7.2f us per result\n", what, r.results, r.seconds,
           r.results ? r.seconds * 1e6 / r.results : 0.0);
}

static void filter(AppState *app, const char *text)
{
    FilterUpdate u;
    filter_decide(app, text, (int32_t) strlen(text), &u);
    filter_update_free(&u);
}

int main()
{
    std::string path = bench_generated_file("--style own --count 100000");
    memModuleInit();
    AppState *app = app_state_create("");
    char *text = read_whole_file(path.c_str());
    if (!text) return 1;
    read_bookmark_file(app, text, 0);
    memFree(text);
    CheckDoors doors = {post, nullptr};
    check_cycle_use_doors(&doors);
    printf("%u Bookmarks\n", app->bookmarks->count);

    filter(app, "");
    report("cycle, every Bookmark shown", run_cycle(app));
    report("second cycle (dates from the first)", run_cycle(app));
    filter(app, "news");
    printf("filter \"news\": %u shown\n", app->list_items->count);
    report("cycle, filter active", run_cycle(app));
    filter(app, "zzzz"); // nothing shown: the list's order alone
    report("from the top, first 100 of a cycle", run_from_the_top(app, 100, 0));
    uint32_t half = app->bookmarks->count / 2;
    report("from the top, 100 half-way through", run_from_the_top(app, 100, half));
    app_state_destroy(app);
    memModuleExit();
    return 0;
}
