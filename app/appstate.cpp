// The application record's portable part.
#include "app/appstate.h"

#include <string.h>

#include "core/mem.h"
#include "search/filter.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

AppState *g_app;

AppState *app_state_create(const char *exe_path)
{
    AppState *app = (AppState *) memAlloc(sizeof(AppState));
    memset(app, 0, sizeof *app);
    app->shown_count = SHOWN_COUNT_INVALID;
    app->bookmarks = vec_create();
    options_init(&app->options, exe_path);
    app->keyword_index = keyword_index_create();
    return app;
}

void app_state_destroy(AppState *app)
{
    filter_release(app);
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        b->keywords = set_keywords(app->keyword_index, b, "", b->keywords);
        memFree(b->url);
        memFree(b->title);
        keyword_list_destroy(b->keywords);
        memFree(b);
    }
    vec_destroy(app->bookmarks);
    keyword_index_destroy(app->keyword_index);
    if (g_app == app) g_app = nullptr;
    memFree(app);
}
