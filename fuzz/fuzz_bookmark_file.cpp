// Fuzz target: the bookmark file reader on arbitrary text, then the writer's
// round trip on whatever it read. Writing the Bookmarks and reading the file
// back must give the same Bookmarks, and writing those again the same bytes.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "session/appstate.h"
#include "core/mem.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

static void check(bool ok)
{
    if (!ok) __builtin_trap();
}

static AppState *read_text(const char *text, int title_words)
{
    AppState *app = app_state_create("trovelinks.exe");
    read_bookmark_file(app, text, title_words);
    return app;
}

static bool same_keywords(const Bookmark *a, const Bookmark *b)
{
    char *ka = keyword_list_text(a->keywords), *kb = keyword_list_text(b->keywords);
    bool same = strcmp(ka, kb) == 0;
    memFree(ka);
    memFree(kb);
    return same;
}

// The Bookmarks of app in the order of order's records, found by url; null
// when a url is empty (such Bookmarks cannot be told apart).
static vec *in_order_of(AppState *app, const vec *order)
{
    vec *v = vec_create();
    for (uint32_t i = 0; i < order->count; i++) {
        const Bookmark *a = vec_at<Bookmark>(order, i);
        Bookmark *b = find_bookmark_by_url(app, a->url);
        if (!*a->url) {
            vec_destroy(v);
            return nullptr;
        }
        check(b != nullptr);
        check(strcmp(a->title, b->title) == 0);
        check(same_keywords(a, b));
        check(a->addDate == b->addDate);
        check(!date_is_time(a->lastVisit) || a->lastVisit == b->lastVisit);
        check(b->lastModified == (date_is_time(a->lastModified) ? a->lastModified : DATE_NONE));
        vec_append(v, b);
    }
    return v;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    char *text = (char *) memAlloc(size);
    memcpy(text, data + 1, size - 1);
    text[size - 1] = 0;
    AppState *first = read_text(text, data[0] & 1);
    memFree(text);

    char *image = bookmark_file_image(first->bookmarks);
    AppState *second = read_text(image, 0);
    check(second->bookmarks->count == first->bookmarks->count);
    vec *order = in_order_of(second, first->bookmarks);
    if (order) {
        char *again = bookmark_file_image(order);
        AppState *third = read_text(again, 0);
        vec *order3 = in_order_of(third, order);
        char *once_more = bookmark_file_image(order3);
        check(strcmp(again, once_more) == 0);
        memFree(once_more);
        vec_destroy(order3);
        app_state_destroy(third);
        memFree(again);
        vec_destroy(order);
    }
    memFree(image);
    app_state_destroy(second);
    app_state_destroy(first);
    return 0;
}
