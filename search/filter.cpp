// The filter's decisions: trimming, searching, the shown set and the status.
#include "search/filter.h"

#include <stdlib.h>
#include <string.h>

#include "session/appstate.h"
#include "checker/check_cycle.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "search/keyword_index.h"
#include "search/list_order.h"
#include "search/search_eval.h"
#include "store/bookmark.h"

static const char TEXT_READY[] = "Ready";
static const char TEXT_SEARCH_ERROR[] = "Search expression error";

size_t filter_trimmed_length(const char *text)
{
    size_t n = strlen(text);
    while (n > 0 && strchr(" \t\n\v\f\r!&|", text[n - 1]))
        n--;
    return n;
}

static void ensure_list(AppState *app)
{
    if (!app->list_items) app->list_items = vec_create();
    if (!app->list_order) app->list_order = list_order_create();
    if (!app->list_members) app->list_members = vec_create();
}

// Whether list_members is the listed set: a list that lost items since the
// last fill holds fewer than it.
static int members_current(const AppState *app)
{
    return app->list_members->count == app->list_items->count;
}

static int same_set(const vec *a, const vec *b)
{
    return a->count == b->count &&
           (a->count == 0 || memcmp(a->items, b->items, a->count * sizeof(vec_slot)) == 0);
}

// BM_LISTED moves from the Bookmarks of was to those of now (both address
// order). Only the Bookmarks in one of the sets but not the other are
// touched, in address order.
static void move_listed(const vec *was, const vec *now)
{
    uint32_t i = 0, j = 0;
    while (i < was->count || j < now->count) {
        vec_slot x = i < was->count ? was->items[i] : UINTPTR_MAX;
        vec_slot y = j < now->count ? now->items[j] : UINTPTR_MAX;
        if (x < y) {
            ((Bookmark *) x)->flags &= ~BM_LISTED;
            i++;
        } else if (y < x) {
            ((Bookmark *) y)->flags |= BM_LISTED;
            j++;
        } else {
            i++;
            j++;
        }
    }
}

// The members become a copy of set, in the room they have.
static void set_members(AppState *app, const vec *set)
{
    vec_reserve(app->list_members, set->count);
    if (set->count) memcpy(app->list_members->items, set->items, set->count * sizeof(vec_slot));
    app->list_members->count = set->count;
}

// BM_LISTED on exactly the Bookmarks of set (address order), which become
// the members; the list's items follow in display order.
static void refill(AppState *app, const vec *set, FilterUpdate *u)
{
    if (members_current(app)) {
        move_listed(app->list_members, set);
    } else {
        for (uint32_t i = 0; i < app->bookmarks->count; i++)
            vec_at<Bookmark>(app->bookmarks, i)->flags &= ~BM_LISTED;
        for (uint32_t i = 0; i < set->count; i++)
            vec_at<Bookmark>(set, i)->flags |= BM_LISTED;
    }
    set_members(app, set);
    list_order_fill(app->list_order, app, app->sort_column, app->list_members, app->list_items);
    check_cycle_rewind(app);
    u->refill = 1;
}

// Every Bookmark, for an empty box.
static void show_all(AppState *app, FilterUpdate *u)
{
    int was_error = app->search_error;
    app->search_error = 0;
    if (app->list_items->count == app->bookmarks->count) {
        // Already shown. Only an error text left from a broken expression
        // gives way to "Ready".
        if (was_error) {
            u->status = dupstr(TEXT_READY);
            u->deadline = FILTER_DEADLINE_SOON;
        }
        return;
    }
    refill(app, app->bookmarks, u);
    u->status = dupstr(TEXT_READY);
    u->deadline = FILTER_DEADLINE_SOON;
}

static int shown_set_changed(const AppState *app, const vec *result)
{
    if (app->list_items->count != result->count) return 1;
    if (members_current(app)) return !same_set(app->list_members, result);
    for (uint32_t i = 0; i < result->count; i++)
        if (!(vec_at<Bookmark>(result, i)->flags & BM_LISTED)) return 1;
    return 0;
}

void filter_decide(AppState *app, const char *text, int32_t caret, FilterUpdate *u)
{
    memset(u, 0, sizeof *u);
    ensure_list(app);
    size_t n = filter_trimmed_length(text);
    if (n == 0) {
        show_all(app, u);
        return;
    }

    char *trimmed = (char *) memAlloc(n + 1);
    memcpy(trimmed, text, n);
    trimmed[n] = 0;
    SearchContext search;
    memset(&search, 0, sizeof search);
    search.index = app->keyword_index;
    search.all = app->bookmarks;
    search.text = trimmed;
    search.caret = caret;
    search.flags = (app->options.partial_match ? 1 : 0) | (app->options.case_sens ? 2 : 0) |
                   (app->options.implied_or ? 4 : 0);
    if (!search_exp(&search)) {
        memFree(trimmed);
        app->search_error = 1;
        u->status = dupstr(TEXT_SEARCH_ERROR);
        u->deadline = FILTER_DEADLINE_NEVER;
        return;
    }
    memFree(trimmed);

    if (search.hint && !app->options.case_sens) remove_repeated_words(search.hint, 0);
    u->status = search.hint ? search.hint : dupstr(TEXT_READY);
    u->deadline = FILTER_DEADLINE_NEVER;
    app->search_error = 0;

    if (shown_set_changed(app, search.result)) {
        refill(app, search.result, u);
    } else if (!members_current(app)) {
        set_members(app, search.result); // the same set as the list's
    }
    vec_destroy(search.result);
}

void filter_update_free(FilterUpdate *u)
{
    memFree(u->status);
    u->status = nullptr;
}

static int compare_slots(const void *a, const void *b)
{
    vec_slot x = *(const vec_slot *) a, y = *(const vec_slot *) b;
    return x < y ? -1 : x > y;
}

void filter_sort(AppState *app, int column)
{
    ensure_list(app);
    app->sort_column = column;
    if (!members_current(app)) {
        set_members(app, app->list_items);
        qsort(app->list_members->items, app->list_members->count, sizeof(vec_slot),
              compare_slots);
    }
    list_order_fill(app->list_order, app, column, app->list_members, app->list_items);
    check_cycle_rewind(app);
}

void filter_texts_changed(AppState *app)
{
    app->bookmark_changes++;
}

void filter_release(AppState *app)
{
    if (app->list_items) vec_destroy(app->list_items);
    if (app->list_members) vec_destroy(app->list_members);
    list_order_destroy(app->list_order);
    app->list_items = nullptr;
    app->list_members = nullptr;
    app->list_order = nullptr;
    check_cycle_rewind(app);
}
