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
}

// The list's items become members (address order) in display order.
static void refill(AppState *app, const vec *members, FilterUpdate *u)
{
    list_order_fill(app->list_order, app, app->sort_column, members, app->list_items);
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
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_at<Bookmark>(app->bookmarks, i)->flags |= BM_LISTED;
    refill(app, app->bookmarks, u);
    u->status = dupstr(TEXT_READY);
    u->deadline = FILTER_DEADLINE_SOON;
}

static int shown_set_changed(const AppState *app, const vec *result)
{
    if (app->list_items->count != result->count) return 1;
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
        for (uint32_t i = 0; i < app->bookmarks->count; i++)
            vec_at<Bookmark>(app->bookmarks, i)->flags &= ~BM_LISTED;
        for (uint32_t i = 0; i < search.result->count; i++)
            vec_at<Bookmark>(search.result, i)->flags |= BM_LISTED;
        refill(app, search.result, u);
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
    vec *members = vec_create();
    vec_copy(members, app->list_items);
    qsort(members->items, members->count, sizeof(vec_slot), compare_slots);
    list_order_fill(app->list_order, app, column, members, app->list_items);
    check_cycle_rewind(app);
    vec_destroy(members);
}

void filter_texts_changed(AppState *app)
{
    app->bookmark_changes++;
}

void filter_release(AppState *app)
{
    if (app->list_items) vec_destroy(app->list_items);
    list_order_destroy(app->list_order);
    app->list_items = nullptr;
    app->list_order = nullptr;
    check_cycle_rewind(app);
}
