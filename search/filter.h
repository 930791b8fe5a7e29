// The filter: what the list shows for the text of the filter box. Every
// Bookmark for an empty box, else the Bookmarks that match the search
// expression, with the keyword hint or an error text for the status bar.
// filter_decide makes every decision on the application record; the window
// side (apply_filter in the shell) reads the box and carries them out.
#ifndef TL_SEARCH_FILTER_H
#define TL_SEARCH_FILTER_H

#include <stddef.h>
#include <stdint.h>

struct AppState;

// When status part 0 returns to "Ready".
enum FilterDeadline {
    FILTER_DEADLINE_KEEP,  // status_deadline unchanged
    FILTER_DEADLINE_SOON,  // now + 8000 ms: a transient message
    FILTER_DEADLINE_NEVER, // 0xFFFFFFFF: the text stays until the next change
};

struct FilterUpdate {
    int refill;              // the shown set changed: app->list_items holds the new items
    char *status;            // new text of status part 0 (heap), or null to leave it
    FilterDeadline deadline; // what becomes of status_deadline
};

// The length of text without its trailing white space and trailing !, &
// and | (an operator the user has only just typed).
size_t filter_trimmed_length(const char *text);
// Decides for the filter box text (caret: start of its selection) what the
// list shows: sets or clears search_error, sets BM_LISTED on exactly the
// Bookmarks to show and, when that set changed, fills app->list_items with
// them in display order (sort_column). A list that already shows the right
// set is left alone (refill 0). Free u with filter_update_free.
void filter_decide(AppState *app, const char *text, int32_t caret, FilterUpdate *u);
void filter_update_free(FilterUpdate *u);
// The items of the list in the display order of column (sort_column is set
// to it); the same Bookmarks stay listed.
void filter_sort(AppState *app, int column);
// Tells the filter that a Bookmark's title or url has changed without
// set_bookmark_title or set_bookmark_url (which tell it themselves), so that
// the next fill sorts anew.
void filter_texts_changed(AppState *app);
// Frees what the filter keeps in app (the list's items and display orders).
void filter_release(AppState *app);

#endif
