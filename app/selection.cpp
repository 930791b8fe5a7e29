// The list's selection as Bookmarks, and taking a set of Bookmarks out of
// the list in one step (the list keeps no items of its own: item i shows
// app->list_items[i]).
#include "app/shell.h"
#include "checker/check_cycle.h"
#include "store/bookmark.h"

vec *list_selected_bookmarks(AppState *app)
{
    HWND list = (HWND) app->list_view;
    vec *chosen = vec_create();
    for (int i = list_first_selected(app); i >= 0;
         i = (int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) i, LVNI_SELECTED)) {
        Bookmark *b = list_bookmark(app, i);
        if (b) vec_append(chosen, b);
    }
    return chosen;
}

void list_remove_bookmarks(AppState *app, const vec *chosen)
{
    if (!app->list_items || !chosen->count) return;
    // The chosen ones in address order, so that each item is looked up in
    // logarithmic time however many are removed.
    vec *set = vec_create();
    for (uint32_t i = 0; i < chosen->count; i++)
        vecs_insert(set, chosen->items[i], nullptr);
    vec *items = app->list_items;
    uint32_t kept = 0;
    for (uint32_t i = 0; i < items->count; i++) {
        uint32_t at;
        if (vecs_search(set, items->items[i], &at, nullptr))
            vec_at<Bookmark>(items, i)->flags &= ~BM_LISTED;
        else
            items->items[kept++] = items->items[i];
    }
    vec_destroy(set);
    if (kept == items->count) return;
    items->count = kept;
    check_cycle_rewind(app);

    HWND list = (HWND) app->list_view;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    list_deselect_all(app);
    SendMessageA(list, LVM_SETITEMCOUNT, kept, LVSICF_NOSCROLL);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, NULL, FALSE);
}
