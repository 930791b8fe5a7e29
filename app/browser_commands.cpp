// The commands that work with the web browser: Open (also Enter and double
// click on an item), Fast Add, and the page that Add starts from.
#include <string.h>

#include "app/shell.h"
#include "checker/check_cycle.h"
#include "core/mem.h"
#include "core/os.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

void open_bookmark(AppState *app, Bookmark *b)
{
    browser_open_url(b->url); // a browser that cannot be reached says nothing
    set_visit_time(b, os_time_now());
    refresh_bookmark_icon(app, b);
    check_cycle_rewind(app); // a visited Bookmark is checked again
}

void on_open(AppState *app)
{
    Bookmark *b = list_bookmark(app, list_first_selected(app));
    if (b) open_bookmark(app, b);
}

int browser_page(AppState *app, char **url, char **title)
{
    if (browser_current_page(url, title)) {
        trim_space(*url);
        trim_space(*title);
        return 1;
    }
    // No page from the browser (none reached by DDE, or no answer): a URL
    // the user copied, to be titled in the dialog.
    *url = clipboard_url((HWND) app->main_window);
    return *url ? 2 : 0;
}

void on_fast_add(AppState *app)
{
    char *url, *title;
    int have = browser_page(app, &url, &title);
    if (have == 2) { // only a copied URL: the user gives the title in Add's dialog
        add_in_dialog(app, have, url, title);
        return;
    }
    if (!have) return;
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
