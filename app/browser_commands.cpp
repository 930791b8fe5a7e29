// The commands that work with the web browser: Open (also Enter and double
// click on an item) and Fast Add.
#include <string.h>

#include "app/shell.h"
#include "core/mem.h"
#include "core/os.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

void open_bookmark(AppState *app, Bookmark *b)
{
    browser_open_url(b->url); // a browser that cannot be reached says nothing
    set_visit_time(b, os_time_now());
    refresh_bookmark_icon(app, b);
}

void on_open(AppState *app)
{
    Bookmark *b = list_bookmark(app, list_first_selected(app));
    if (b) open_bookmark(app, b);
}

void on_fast_add(AppState *app)
{
    char *url, *title;
    if (!browser_current_page(&url, &title)) return;
    trim_space(url);
    trim_space(title);
    // Without a title, or for a page stored already, nothing happens and
    // nothing is said. An empty url is never a duplicate.
    if (!*title || (*url && find_bookmark_by_url(app, url))) {
        memFree(url);
        memFree(title);
        return;
    }
    Bookmark *b = (Bookmark *) memAlloc(sizeof(Bookmark));
    memset(b, 0, sizeof *b);
    b->url = url;
    b->title = title;
    b->addDate = b->lastVisit = os_time_now();
    b->lastModified = DATE_NONE;
    char *keywords = extract_keywords(app->keyword_index, title, 1);
    insert_bookmark(app, b);
    b->keywords = set_keywords(app->keyword_index, b, keywords, nullptr);
    memFree(keywords);
    apply_filter(app);
}
