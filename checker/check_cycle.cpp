// Check cycles. Until the checker thread exists no cycle can start, so there
// is never a next URL to post.
#include "checker/check_cycle.h"

#include "app/appstate.h"

void post_next_check(AppState *app)
{
    if (!app->check_active) return;
}
