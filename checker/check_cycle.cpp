// Check cycles. Until the checker thread exists no cycle can start, so there
// is never a next URL to post.
#include "checker/check_cycle.h"

#include "app/appstate.h"
#include "store/bookmark.h"

void post_next_check(AppState *app)
{
    if (!app->check_active) return;
}

void start_check_cycle(AppState *app)
{
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_at<Bookmark>(app->bookmarks, i)->flags &= ~BM_CHECKED;
    // Without the checker thread there is nothing to post: the cycle ends
    // as soon as it has begun, so check_active stays clear.
}
