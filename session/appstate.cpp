// The application record's portable part.
#include "session/appstate.h"

#include <string.h>

#include "core/mem.h"
#include "search/filter.h"
#include "search/keyword_index.h"
#include "search/list_order.h"
#include "store/bookmark.h"
#include "store/url_index.h"

AppState *g_app;

AppState *app_state_create(const char *exe_path)
{
    AppState *app = (AppState *) memAlloc(sizeof(AppState));
    memset(app, 0, sizeof *app);
    app->shown_count = SHOWN_COUNT_INVALID;
    app->bookmarks = vec_create();
    options_init(&app->options, exe_path);
    app->keyword_index = keyword_index_create();
    app->url_index = url_index_create();
    app->list_items = vec_create();
    app->list_order = list_order_create();
    return app;
}

// Everything goes at once, so no Bookmark is taken out of the keyword sets
// one by one (that would move the rest of every large set each time): the
// lists, the records and then the whole index are freed.
void app_state_destroy(AppState *app)
{
    filter_release(app);
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        memFree(b->url);
        memFree(b->title);
        keyword_list_destroy(b->keywords);
        memFree(b);
    }
    vec_destroy(app->bookmarks);
    url_index_destroy(app->url_index);
    keyword_index_destroy(app->keyword_index);
    memFree(app->unread_file);
    if (g_app == app) g_app = nullptr;
    memFree(app);
}
