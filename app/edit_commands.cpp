// Adding a Bookmark by hand and editing one: the Add and Properties
// commands around the Properties dialog.
#include "app/shell.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "search/filter.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

// After OK on b: its confirmed keyword text (freed here) goes into the
// index, its item shows the new texts, and the filter runs.
static void finish_edit(AppState *app, Bookmark *b, char *keyword_text)
{
    b->keywords = set_keywords(app->keyword_index, b, keyword_text, b->keywords);
    memFree(keyword_text);
    filter_texts_changed(app);
    uint32_t index = app->list_items ? vec_search(app->list_items, b) : VEC_NONE;
    if (index != VEC_NONE)
        SendMessageA((HWND) app->list_view, LVM_REDRAWITEMS, (WPARAM) index, (LPARAM) index);
    apply_filter(app);
}

// A record for a page not stored yet; not in the BookmarkList. Takes url
// and title (either may be null).
static Bookmark *new_record(char *url, char *title)
{
    Bookmark *b = (Bookmark *) memAlloc(sizeof(Bookmark));
    memset(b, 0, sizeof *b);
    b->url = url ? url : dupstr("");
    b->title = title ? title : dupstr("");
    b->addDate = os_time_now();
    b->lastVisit = DATE_NONE;
    b->lastModified = DATE_NONE;
    return b;
}

void on_add(AppState *app)
{
    char *url = nullptr, *title = nullptr;
    int have = browser_page(app, &url, &title);
    add_in_dialog(app, have, url, title);
}

void add_in_dialog(AppState *app, int have, char *url, char *title)
{
    Bookmark *b = have && url && url[0] ? find_bookmark_by_url(app, url) : nullptr;
    char *keyword_text = nullptr;
    int is_new = !b;
    if (b) {
        // The page is stored already: the dialog edits that Bookmark.
        memFree(url);
        memFree(title);
    } else {
        if (title) keyword_text = extract_keywords(app->keyword_index, title, 1);
        b = new_record(url, title);
    }
    if (!properties_dialog(app, b, &keyword_text, (HWND) app->main_window)) {
        if (is_new) {
            memFree(b->url);
            memFree(b->title);
            memFree(b);
        }
        return;
    }
    if (is_new) insert_bookmark(app, b);
    finish_edit(app, b, keyword_text);
}

void on_properties(AppState *app)
{
    Bookmark *b = list_bookmark(app, list_first_selected(app));
    if (!b) return;
    char *keyword_text = nullptr;
    if (properties_dialog(app, b, &keyword_text, (HWND) app->main_window))
        finish_edit(app, b, keyword_text);
}
