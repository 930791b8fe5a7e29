// Check cycles on the main thread: which Bookmark's URL the checker thread
// probes next.
#ifndef TL_CHECKER_CHECK_CYCLE_H
#define TL_CHECKER_CHECK_CYCLE_H

struct AppState;

// Posts the next URL to the checker thread, or ends the cycle when none is
// left. Does nothing while no check cycle is active.
void post_next_check(AppState *app);
// Starts a check cycle: clears every Bookmark's BM_CHECKED and, unless a
// cycle runs already, posts the first URL.
void start_check_cycle(AppState *app);

#endif
