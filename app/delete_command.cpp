// Deleting Bookmarks: the confirmed Delete command on the list's selection
// (menu, toolbar, right-click menu and the Delete key), and the deletion of
// one Bookmark that may be shown in the list.
#include <stdio.h>

#include "app/shell.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "store/bookmark.h"

// The question names at most this many titles.
static const uint32_t TITLES_SHOWN = 10;

char *delete_question(const vec *chosen)
{
    vstr text;
    vstrInit(&text);
    if (chosen->count == 1) {
        const Bookmark *b = vec_at<Bookmark>(chosen, 0);
        vstrAppend(&text, "Are you sure you wish to delete this Trovelink?\n\n");
        vstrAppend(&text, b->title);
        vstrAppend(&text, "\n");
        vstrAppend(&text, b->url);
        vstrAppend(&text, "\n");
        return vstrDetach(&text);
    }
    char head[96];
    snprintf(head, sizeof head, "Are you sure you wish to delete the following %u Trovelinks?\n\n",
             (unsigned) chosen->count);
    vstrAppend(&text, head);
    for (uint32_t i = 0; i < chosen->count && i < TITLES_SHOWN; i++) {
        vstrAppend(&text, vec_at<Bookmark>(chosen, i)->title);
        vstrAppend(&text, "\n");
    }
    if (chosen->count > TITLES_SHOWN) vstrAppend(&text, "and others...");
    return vstrDetach(&text);
}

void delete_selected_bookmarks(AppState *app)
{
    vec *chosen = list_selected_bookmarks(app);
    if (chosen->count) {
        char *question = delete_question(chosen);
        int answer = MessageBoxA((HWND) app->main_window, question, "Trovelinks",
                                 MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL);
        memFree(question);
        if (answer == IDYES) {
            list_remove_bookmarks(app, chosen);
            for (uint32_t i = 0; i < chosen->count; i++)
                delete_bookmark(app, vec_at<Bookmark>(chosen, i));
        }
    }
    // The status bar's count follows at the next idle pass.
    vec_destroy(chosen);
}

void delete_bookmark_and_item(AppState *app, Bookmark *b)
{
    // One item: the list moves the selection of the items after it up.
    if ((b->flags & BM_LISTED) && app->list_items) {
        uint32_t index = vec_search(app->list_items, b);
        if (index != VEC_NONE) list_delete_item(app, (int) index);
    }
    delete_bookmark(app, b);
}
