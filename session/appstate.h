// The application record: everything that lives for the whole run. Its
// portable part (the BookmarkList, the keyword index, the Options and the
// checker's bookkeeping) works without any window, so tests and a headless
// build drive the store through it; the window side fills the handles.
#ifndef TL_SESSION_APPSTATE_H
#define TL_SESSION_APPSTATE_H

#include <stdint.h>

#include "session/options.h"
#include "core/vec.h"

struct KeywordIndex;
struct ListOrder;
struct UrlIndex;

// shown_count before anything was written to the status bar.
const int32_t SHOWN_COUNT_INVALID = -1;

struct AppState {
    // Window side (Windows handles kept opaque here; null without windows).
    void *main_window;   // HWND of the frame window
    void *list_view;     // HWND of the list of bookmarks
    void *tool_bar;      // HWND
    void *tool_tips;     // HWND of the toolbar's tooltip control
    void *filter_edit;   // HWND of the filter box
    void *status_bar;    // HWND of the two-part status bar
    void *status_images; // HIMAGELIST of the four status icons
    int32_t sort_column; // 0 Title, 1 URL
    int32_t search_error;       // the filter expression failed to parse
    int32_t shown_count;        // item count last written, or SHOWN_COUNT_INVALID
    uint32_t checker_thread_id; // where work for the checker is posted
    int32_t check_active;       // a check cycle is running
    int32_t check_minutes;      // minutes counted by the one-minute timer
    int32_t check_pending;      // a URL handed to the checker is queued or being probed
    int32_t check_probing;      // the checker said it probes, and has not said it is idle
    uint32_t check_next_shown;  // list_items before this position hold no candidate
    uint32_t check_next_all;    // bookmarks before this position hold no candidate
    uint32_t status_deadline;   // tick count after which "Ready" returns
    void *ui_font;              // HFONT of the filter box
    vec *bookmarks;             // the BookmarkList: Bookmark pointers, address order
    Options options;
    KeywordIndex *keyword_index;
    void *toolbar_bitmap; // HBITMAP
    UrlIndex *url_index;  // the BookmarkList's Bookmarks by url, ASCII case ignored
    int32_t bulk_depth;    // bookmark_bulk_begin calls not yet ended
    uint32_t bulk_ordered; // during a bulk add: bookmarks[0, bulk_ordered) in order
    // The list's items: the list view holds no data of its own, its item i
    // shows list_items[i] (created with the record).
    vec *list_items;       // Bookmark pointers (not owned), display order
    ListOrder *list_order; // the display orders the items are taken from
    // The Bookmarks of the filter's last fill in address order: the set that
    // list_items holds while both have the same count (items are taken out
    // of the list elsewhere, but only the filter puts them in).
    vec *list_members;
    // Bumped by every change of the BookmarkList or of a Bookmark's title or
    // url (and by every reordering of the list at the end of a bulk add): an
    // order built at one count is current while the count stays.
    uint32_t bookmark_changes;
    // Start-up and the bookmark file.
    int32_t first_start; // no Options were stored before this run
    char *unread_file;   // tl_file when it held data that could not be read and
                         // is not set aside yet (heap, owned); else null
    // The window side's scratch: the string-table text last loaded for the
    // status bar (load_help_text).
    char help_text[256];
};

// The one application record of the process.
extern AppState *g_app;

// A new record with an empty BookmarkList and URL index, a keyword index
// with its stop words and default Options (the bookmark file beside
// exe_path); no windows.
AppState *app_state_create(const char *exe_path);
// Frees every Bookmark, the list, the index and the record.
void app_state_destroy(AppState *app);

#endif
