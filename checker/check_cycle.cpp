// Check cycles: the choice of the next URL, the reports and the minute count.
#include "checker/check_cycle.h"

#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "store/bookmark.h"
#include "store/url_index.h"

static CheckDoors g_doors; // all null until the platform installs its own

void check_cycle_use_doors(const CheckDoors *doors)
{
    if (doors)
        g_doors = *doors;
    else
        memset(&g_doors, 0, sizeof g_doors);
}

bool is_check_candidate(const Bookmark *b)
{
    return !(b->flags & BM_CHECKED) &&
           (b->lastModified >= DATE_CHECKING || b->lastVisit >= b->lastModified);
}

// The first candidate at or after *next in v, with *next moved up to it;
// null with *next at the end when there is none.
static Bookmark *first_candidate(const vec *v, uint32_t *next)
{
    if (!v) return nullptr;
    for (; *next < v->count; ++*next) {
        Bookmark *b = vec_at<Bookmark>(v, *next);
        if (is_check_candidate(b)) return b;
    }
    return nullptr;
}

void check_cycle_rewind(AppState *app)
{
    app->check_next_shown = 0;
    app->check_next_all = 0;
}

void post_next_check(AppState *app)
{
    if (!app->check_active || app->check_pending) return;
    Bookmark *b = first_candidate(app->list_items, &app->check_next_shown);
    if (!b) b = first_candidate(app->bookmarks, &app->check_next_all);
    if (!b) {
        app->check_active = 0;
        app->check_minutes = 0;
        return;
    }
    char *url = dupstr(b->url);
    if (g_doors.post && g_doors.post(app, url))
        app->check_pending = 1;
    else
        memFree(url); // lost: the checker's first idle report asks again
}

void clear_checked_flags(AppState *app)
{
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_at<Bookmark>(app->bookmarks, i)->flags &= ~BM_CHECKED;
    check_cycle_rewind(app);
}

void start_check_cycle(AppState *app)
{
    clear_checked_flags(app);
    if (app->check_active) return;
    app->check_active = 1;
    post_next_check(app);
}

void stop_check_cycle(AppState *app)
{
    app->check_active = 0;
    app->check_minutes = 0;
}

static void store_report(AppState *app, Bookmark *b, uint32_t value)
{
    b->lastModified = value;
    b->flags |= BM_CHECKED;
    if (g_doors.redraw && (b->flags & BM_LISTED)) g_doors.redraw(app, b);
}

void store_check_report(AppState *app, const char *url, uint32_t value)
{
    if (!url[0]) {
        // The URL index files no empty url: walk the list (at most twice a
        // cycle, and only where Bookmarks without a url exist).
        for (uint32_t i = 0; i < app->bookmarks->count; i++) {
            Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
            if (!b->url[0]) store_report(app, b, value);
        }
        return;
    }
    uint32_t count;
    const vec_slot *found = url_index_find_all(app->url_index, url, &count);
    for (uint32_t i = 0; i < count; i++)
        store_report(app, (Bookmark *) found[i], value);
}

void check_status_arrived(AppState *app, const char *url, uint32_t value)
{
    if (value == DATE_CHECKING) app->check_probing = 1;
    store_check_report(app, url, value);
}

void checker_idle(AppState *app)
{
    if (app->check_probing) {
        // The end of a probe; the idle report of a starting checker ends none.
        app->check_probing = 0;
        app->check_pending = 0;
    }
    post_next_check(app);
}

void check_minute_tick(AppState *app)
{
    app->check_minutes++;
    if (app->check_minutes == app->options.status_timer) {
        if (!app->check_active && app->options.auto_rescan) start_check_cycle(app);
        app->check_minutes = 0;
    }
}
