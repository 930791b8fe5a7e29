// The Bookmark record and the BookmarkList: adding with duplicate merging,
// finding by URL, deleting, and white-space trimming.
//
// The list stays in ascending address order; the place of a new record is
// found by binary search, which gives the same place as a walk from the
// front. A bulk add (reading a file, an import) appends instead and sorts
// once at its end. Duplicate URLs are found through the URL index, which
// answers what a walk of the list would (the lowest-addressed match).
#include "store/bookmark.h"

#include <string.h>

#include "session/appstate.h"
#include "checker/check_cycle.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/panic.h"
#include "core/vec_order.h"
#include "search/keyword_index.h"
#include "store/url_index.h"

// White space as the C library classifies it in the default locale.
static bool is_space(unsigned char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

void trim_space(char *text)
{
    size_t lead = 0;
    while (is_space((unsigned char) text[lead]))
        lead++;
    size_t len = strlen(text + lead);
    if (lead) memmove(text, text + lead, len + 1);
    while (len && is_space((unsigned char) text[len - 1]))
        len--;
    text[len] = 0;
}

static uint32_t now(void)
{
    return os_time_now();
}

// New records mostly lie above every listed one, so the end is tried before
// the binary search. During a bulk add every new record goes to the end.
void insert_bookmark(AppState *app, Bookmark *b)
{
    vec *list = app->bookmarks;
    if (app->bulk_depth || list->count == 0 || list->items[list->count - 1] < (vec_slot) b)
        vec_append(list, b);
    else
        vecs_insert(list, b, nullptr);
    url_index_add(app->url_index, b);
    check_cycle_rewind(app);
    app->bookmark_changes++;
}

// Puts the records appended during a bulk add in their place.
static void order_list(AppState *app)
{
    if (!app->bulk_depth) return;
    vecs_merge_tail(app->bookmarks, app->bulk_ordered, nullptr);
    check_cycle_rewind(app);
    app->bulk_ordered = app->bookmarks->count;
    app->bookmark_changes++;
}

void bookmark_bulk_begin(AppState *app)
{
    if (app->bulk_depth++) return;
    app->bulk_ordered = app->bookmarks->count;
    keyword_index_defer_order(app->keyword_index);
}

void bookmark_bulk_reserve(AppState *app, uint32_t more)
{
    uint32_t count = app->bookmarks->count + more;
    if (count < more) return; // beyond any count that can come
    vec_reserve(app->bookmarks, count);
    url_index_reserve(app->url_index, count);
}

void bookmark_bulk_end(AppState *app)
{
    if (app->bulk_depth == 0 || --app->bulk_depth) return;
    vecs_merge_tail(app->bookmarks, app->bulk_ordered, nullptr);
    app->bookmark_changes++;
    keyword_index_end_deferral(app->keyword_index);
    check_cycle_rewind(app);
}

// Indexes the keywords of a new record: with title words on, the words of
// the title and then of the given keyword text, filtered; otherwise the
// words of the keyword text as they are.
static KeywordList *new_keywords(AppState *app, Bookmark *b, const char *keywords, int title_words)
{
    if (title_words) return set_title_keywords(app->keyword_index, b, b->title, keywords);
    return set_keywords(app->keyword_index, b, keywords, nullptr);
}

void add_bookmark(AppState *app, char *title, char *url, char *keywords, uint32_t addDate,
                  uint32_t lastVisit, uint32_t lastModified, int title_words)
{
    if (title) trim_space(title);
    if (url) trim_space(url);
    if (keywords) trim_space(keywords);
    if ((!url || !*url) && (!title || !*title)) {
        memFree(title);
        memFree(url);
        memFree(keywords);
        return;
    }

    Bookmark *dup = (url && *url) ? url_index_find(app->url_index, url) : nullptr;
    if (dup) {
        memFree(title);
        memFree(url);
        memFree(keywords);
        if (date_is_time(addDate)) {
            if (lastVisit > dup->lastVisit) dup->lastVisit = lastVisit;
            if (lastModified > dup->lastModified) dup->lastModified = lastModified;
            check_cycle_rewind(app); // new dates may make it a candidate again
        }
        if (app->check_active) order_list(app);
        post_next_check(app);
        return;
    }

    Bookmark *b = (Bookmark *) memAlloc(sizeof(Bookmark));
    memset(b, 0, sizeof *b);
    b->url = url ? url : dupstr("");
    b->title = title ? title : dupstr("");
    b->addDate = date_is_time(addDate) ? addDate : now();
    b->lastVisit = date_is_time(lastVisit) ? lastVisit : now();
    b->lastModified = lastModified == DATE_CHECKING ? DATE_NONE : lastModified;

    b->keywords = new_keywords(app, b, keywords, title_words);
    memFree(keywords);

    insert_bookmark(app, b);
    // A running check cycle walks the list for its next URL.
    if (app->check_active) order_list(app);
    post_next_check(app);
}

Bookmark *find_bookmark_by_url(AppState *app, const char *url)
{
    return url_index_find(app->url_index, url);
}

void set_bookmark_url(AppState *app, Bookmark *b, char *url)
{
    url_index_remove(app->url_index, b);
    memFree(b->url);
    b->url = url ? url : dupstr("");
    url_index_add(app->url_index, b);
    app->bookmark_changes++;
}

void set_bookmark_title(AppState *app, Bookmark *b, char *title)
{
    memFree(b->title);
    b->title = title ? title : dupstr("");
    app->bookmark_changes++;
}

void delete_bookmark(AppState *app, Bookmark *b)
{
    order_list(app);
    uint32_t pos;
    if (vecs_search(app->bookmarks, b, &pos, nullptr)) {
        vec_remove(app->bookmarks, pos);
    } else {
        // Out of address order: put there by someone else. Fall back to the
        // identity scan so that the list still loses it.
        panic("delete_bookmark: BookmarkList out of address order");
        pos = vec_search(app->bookmarks, b);
        if (pos != VEC_NONE) vec_remove(app->bookmarks, pos);
    }
    if (app->bulk_depth) app->bulk_ordered = app->bookmarks->count; // all in order, one less
    app->bookmark_changes++;
    url_index_remove(app->url_index, b);
    check_cycle_rewind(app);
    b->keywords = set_keywords(app->keyword_index, b, "", b->keywords);
    memFree(b->url);
    memFree(b->title);
    keyword_list_destroy(b->keywords);
    memFree(b);
}
