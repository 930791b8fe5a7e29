// Commands: one dispatch for the menu, the toolbar, the accelerator keys, the
// right-click menu and the filter box, and one rule for which commands are
// enabled. Commands whose flows are not built yet do nothing.

#include "app/shell.h"
#include "checker/check_cycle.h"
#include "core/os.h"
#include "store/bookmark.h"
#include "res/resource.h"

static void on_quit(AppState *app)
{
    DestroyWindow((HWND) app->main_window);
    PostQuitMessage(0);
}

// Every selected Bookmark, in display order, counts as visited now.
static void on_mark_visited(AppState *app)
{
    vec *chosen = list_selected_bookmarks(app);
    uint32_t now = os_time_now();
    for (uint32_t i = 0; i < chosen->count; i++) {
        Bookmark *b = vec_at<Bookmark>(chosen, i);
        set_visit_time(b, now);
        refresh_bookmark_icon(app, b);
    }
    check_cycle_rewind(app); // a visited Bookmark is checked again
    vec_destroy(chosen);
}

static void on_copy_url(AppState *app)
{
    Bookmark *b = list_bookmark(app, list_first_selected(app));
    if (b) copy_url_to_clipboard((HWND) app->main_window, b->url);
}

void on_command(AppState *app, int id, HWND control, int code)
{
    if (control && control == (HWND) app->filter_edit) {
        if (code == EN_CHANGE) apply_filter(app);
        return;
    }
    if (!(command_state(app, id) & CMD_ENABLED)) return;
    switch (id) {
    case IDM_QUIT: on_quit(app); break;
    case IDM_SAVE: session_save_file(app); break;
    case IDM_IMPORT: import_bookmark_file(app); break;
    case IDM_IMPORT_FAVORITES: import_favorites_command(app); break;
    case IDM_EXPORT: on_export(app); break;
    case IDM_DELETE: delete_selected_bookmarks(app); break;
    case IDM_MARK_VISITED: on_mark_visited(app); break;
    case IDM_COPY_URL: on_copy_url(app); break;
    case IDM_OPEN: on_open(app); break;
    case IDM_FAST_ADD: on_fast_add(app); break;
    case IDM_WHATS_NEW: start_check_cycle(app); break;
    case IDM_STOP_CHECKING: stop_check_cycle(app); break;
    case IDM_CONTENTS: show_help_contents(app); break;
    case IDM_ADD: on_add(app); break;
    case IDM_PROPERTIES: on_properties(app); break;
    case IDM_OPTIONS: on_options(app); break;
    case IDM_ABOUT: about_dialog((HWND) app->main_window); break;
    case IDM_DICTIONARY: on_dictionary(app); break;
    }
}

// Mark Visited applies to one selected Bookmark modified since its last visit.
static int can_mark_visited(AppState *app)
{
    if (list_selected_count(app) != 1) return 0;
    const Bookmark *b = list_bookmark(app, list_first_selected(app));
    return b && date_is_time(b->lastModified) && b->lastVisit < b->lastModified;
}

unsigned command_state(AppState *app, int id)
{
    int on;
    switch (id) {
    case IDM_QUIT:
    case IDM_CONTENTS:
    case IDM_ABOUT:
    case IDM_OPTIONS:
    case IDM_IMPORT:
    case IDM_SAVE:
    case IDM_IMPORT_FAVORITES:
    case IDM_WHATS_NEW:
    case IDM_DICTIONARY: on = 1; break;
    case IDM_ADD:
    case IDM_FAST_ADD: on = browser_available(); break;
    case IDM_DELETE: on = list_selected_count(app) > 0; break;
    case IDM_PROPERTIES:
    case IDM_OPEN:
    case IDM_COPY_URL: on = list_selected_count(app) == 1; break;
    case IDM_EXPORT: on = app->bookmarks->count > 0; break;
    case IDM_MARK_VISITED: on = can_mark_visited(app); break;
    case IDM_STOP_CHECKING: on = app->check_active != 0; break;
    default: on = 0;
    }
    return on ? CMD_ENABLED : CMD_DISABLED;
}
