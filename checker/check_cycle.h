// Check cycles on the main thread: which Bookmark's URL the checker thread
// probes next, what becomes of its reports, and when a cycle starts and
// ends. Everything here runs on the main thread and decides on the
// application record alone; the platform hands a URL to the checker thread
// and redraws a list item through the doors set with check_cycle_use_doors.
//
// A Bookmark is a candidate when its BM_CHECKED is clear and its lastModified
// is a sentinel or not later than its lastVisit: one known to be modified
// since the last visit is not checked again until it is visited. The next URL
// is that of the first candidate among the list's items in display order,
// else of the first in the BookmarkList.
//
// The search resumes where the previous one stopped (check_next_shown,
// check_next_all): what lies before those positions held no candidate, and
// nothing makes one of them a candidate again except what calls
// check_cycle_rewind (a cycle that starts, a visit, a Bookmark added or
// deleted, the list's items refilled, re-sorted or removed). So a whole cycle
// walks each list once, instead of once per URL.
//
// At most one URL is handed to the checker at a time: another is handed over
// only after the checker has reported idle after probing the last one. An
// add during a cycle asks for the next URL but hands over nothing while a
// probe runs, so that a bulk add does not queue the same URL once per
// Bookmark added, and a cycle started while a probe hangs waits for it
// instead of queueing behind it.
#ifndef TL_CHECKER_CHECK_CYCLE_H
#define TL_CHECKER_CHECK_CYCLE_H

#include <stdint.h>

struct AppState;
struct Bookmark;

// What the platform does for the cycles.
struct CheckDoors {
    // Hands url (a heap text) to the checker thread. 1 when it is queued
    // there, the checker owning url from then on; 0 when it was lost (the
    // thread has no queue yet), url still the caller's.
    int (*post)(AppState *app, char *url);
    // Redraws the status icon of b's list item when b is shown. May be null.
    void (*redraw)(AppState *app, Bookmark *b);
};

// Installs the doors used from now on (copied); null for none, when every
// URL handed over is lost.
void check_cycle_use_doors(const CheckDoors *doors);

// Starts a check cycle: clears every Bookmark's BM_CHECKED and, unless a
// cycle runs already, marks one running and hands over the first URL. A
// running cycle only goes over the whole list again.
void start_check_cycle(AppState *app);
// Hands the next URL to the checker, or ends the cycle (check_active and
// check_minutes 0) when no candidate is left. Nothing while no cycle runs
// or while the checker still has the last URL.
void post_next_check(AppState *app);
// Stop Checking: no cycle runs (check_active and check_minutes 0). A probe
// under way still reports, and its report is stored.
void stop_check_cycle(AppState *app);
// The checker's report on url (valid during the call): value is
// DATE_CHECKING when the probe begins, then its result. Every Bookmark
// whose url equals url ignoring ASCII case gets lastModified value and
// BM_CHECKED, and its item is redrawn.
void check_status_arrived(AppState *app, const char *url, uint32_t value);
// The storing part of check_status_arrived, for whoever probes without the
// checker thread (parallel checks): the same changes to the Bookmarks and
// their items, and nothing else.
void store_check_report(AppState *app, const char *url, uint32_t value);
// The candidate rule above: true when b is to be checked in this cycle.
bool is_check_candidate(const Bookmark *b);
// The start of every cycle: clears BM_CHECKED in every Bookmark (and
// rewinds the search).
void clear_checked_flags(AppState *app);
// The checker waits for work: once when it starts, then after each probe.
void checker_idle(AppState *app);
// One tick of the minute timer: counts check_minutes and, when it reaches
// status_timer, starts a cycle if none runs and auto_rescan is set, and
// counts from 0 again.
void check_minute_tick(AppState *app);
// Something may have made a Bookmark before the search positions a
// candidate again, or moved the lists' members: the next search starts at
// the top. Cheap; the walk happens at the next search.
void check_cycle_rewind(AppState *app);

#endif
