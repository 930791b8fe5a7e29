// The Windows shell of the program: entry, start-up and shutdown, the main
// loop, the main window with its toolbar, filter box, list and status bar,
// and the commands. Each file offers its part here; every function takes the
// application record first.
#ifndef TL_APP_SHELL_H
#define TL_APP_SHELL_H

#include <windows.h>

#include <commctrl.h>

#include "session/appstate.h"
#include "browser/browser.h"
#include "session/session_file.h"
#include "store/bookmark_status.h"

struct Bookmark;

// ---- Globals of the process (startup.cpp) ---------------------------------
extern HINSTANCE g_instance;  // for loading resources
extern char g_build_text[16]; // "20m", for the About box
extern HACCEL g_accelerators;

// ---- Start-up and shutdown (startup.cpp) ----------------------------------
// The whole run: 1 after a normal run, 0 when another instance was brought
// forward or start-up failed.
int tl_main(HINSTANCE instance);
// When a main window of the program exists already: brings it (or its open
// dialog) to the front and returns 1; else 0.
int bring_running_instance_forward(void);
// Everything up to the message loop: the record, the Options, the index, the
// main window, the bookmark file and the filter. Null after a failure that
// has been reported.
AppState *tl_startup(HINSTANCE instance);
// Saves the bookmark file and the Options (messages on failure). Used at exit
// and when the Windows session ends.
void tl_save_all(AppState *app);
// After the loop: tl_save_all, then frees everything.
void tl_shutdown(AppState *app);
// Shows text (a printf format with one %s) as the program's message box:
// OK button, information icon, task-modal, caption "Trovelinks", owned by the
// main window when there is one.
void tl_message(AppState *app, const char *format, const char *argument);

// ---- The bookmark file (startup.cpp; the rest is session/session_file.h) ----
// Reads tl_file into the BookmarkList and runs the filter. A file that exists
// with content but cannot be read, or that gives no Bookmark without being of
// the program's own layout, is reported once, and kept from being
// overwritten in this run.
void load_bookmark_file(AppState *app);

// ---- Main loop (message_loop.cpp) -----------------------------------------
// Runs until the quit message; returns its exit code.
int run_message_loop(AppState *app);
// Tab and Escape handling of the main loop: 1 when msg was consumed.
int pre_filter(AppState *app, const MSG *msg);
// Status parts and toolbar states, run whenever the queue is empty.
void idle_work(AppState *app);

// ---- Status bar texts (status.cpp) -----------------------------------------
// Sets a part of the status bar to text (cut to 255 characters), only when
// it shows something else.
void status_set_part(AppState *app, int part, const char *text);
// The status line as the idle work keeps it: the error texts while the
// filter's expression is broken, else the item count in part 1 (written when
// it changed) and "Ready" in part 0 once status_deadline has passed.
void status_line_update(AppState *app);
// The transient status message: part 0 shows text, "Ready" returns 8000 ms
// later.
void status_message(AppState *app, const char *text);
// status_deadline besides a moment: "Ready" is in place, and the text stays
// until the next change. status_deadline_soon never makes either of them.
const uint32_t STATUS_READY_SHOWN = 0;
const uint32_t STATUS_NO_DEADLINE = 0xFFFFFFFFu;
// status_deadline becomes 8000 ms from now.
void status_deadline_soon(AppState *app);
// Whether "Ready" is due at the tick count now: the deadline has passed
// (compared across the tick count's wrap) or "Ready" is shown already.
int status_deadline_passed(const AppState *app, uint32_t now);
// The string-table text with id in app->help_text, the one shared 256-byte
// buffer (valid until the next call); "" for none.
const char *load_help_text(AppState *app, UINT id);

// ---- Main window (frame.cpp) -----------------------------------------------
// Registers the class "TroveLinksFrame" (once per process). 1 on success.
int register_frame_class(HINSTANCE instance);
// Creates the visible main window with every child; null on failure.
HWND create_frame_window(AppState *app);
// Places toolbar, list and status bar in the client area.
void layout_children(AppState *app);

// ---- Toolbar, filter box, tooltips, status bar (bars.cpp) -------------------
int create_tool_bar(AppState *app);
int create_status_bar(AppState *app);
int create_filter_box(AppState *app);
// Enables or disables each toolbar button by the command-state rule.
void update_toolbar_states(AppState *app);
// Answers a tooltip's request for text.
void on_tooltip_text(AppState *app, NMTTDISPINFOA *info);

// ---- List view (listview.cpp) -----------------------------------------------
int create_list_view(AppState *app);
// Makes list paint off screen and copy each paint onto the window in one
// step (list_paint.cpp); the picture is freed with the window.
void list_paint_off_screen(HWND list);
// 1 while list's rows are painted through its picture: its items then give
// LIST_ICON_DRAWN_LATER as their image, and the picture gets their icons
// after the rows. That index is one the image list does not hold: the list
// view lays the row out as one with an icon and draws none.
int list_draws_icons(HWND list);
#define LIST_ICON_DRAWN_LATER 32767
// Turns list's redrawing off until the messages queued now have been
// handled; then it comes back on and the list is redrawn whole.
void list_redraw_later(HWND list);
// A list-view notification; its result for the window procedure.
LRESULT on_list_notify(AppState *app, NMHDR *header);
// The Bookmark of item index, or null when there is none.
Bookmark *list_bookmark(AppState *app, int index);
// Number of items, and of selected items.
int list_count(AppState *app);
int list_selected_count(AppState *app);
// Index of the first selected item from the top, or -1.
int list_first_selected(AppState *app);
// Removes item index from the list (and its Bookmark from app->list_items).
// The Bookmark itself stays; its BM_LISTED is cleared.
void list_delete_item(AppState *app, int index);
// Redraws the status icon of b's item, when b is shown.
void refresh_bookmark_icon(AppState *app, Bookmark *b);
// Clears the selected state of every item.
void list_deselect_all(AppState *app);
// The list after a change of the shown set: every item anew from
// app->list_items, with redrawing off meanwhile and on again once the
// messages queued now have been handled (list_redraw_later).
void list_rebuild(AppState *app);
// Sorts the items by column (0 Title, 1 URL); selection and focus stay
// with their Bookmarks.
void list_sort(AppState *app, int column);
// The list's comparison of two Bookmarks (item parameters) by column:
// titles or urls, case-insensitively in the locale's order.
int CALLBACK lv_compare(LPARAM a, LPARAM b, LPARAM column);
// Makes the list's display orders use the locale's case-insensitive order.
void list_use_locale_order(AppState *app);
// The locale's case-insensitive sort key of text, which orders texts as
// lstrcmpiA (and a sorted list box) does: written into key (at most size
// bytes); returns its full length, which may exceed size; 0 on failure.
uint32_t locale_sort_key(const char *text, unsigned char *key, uint32_t size);

// ---- The checker thread (checker_thread.cpp) ----------------------------------
// What the checker thread asks of a URL: check_url, unless a benchmark puts a
// stand-in here before the thread starts.
typedef uint32_t (*CheckerProbe)(const char *url);
extern CheckerProbe g_checker_probe;
// The thread procedure; its parameter is the main window, which it reports
// to. Ends (0) only on a quit message, which nothing posts.
DWORD WINAPI checker_thread(void *main_window);
// Starts the checker thread at idle priority (its id into checker_thread_id,
// the handle closed at once, never joined) and lets the check cycles post to
// it and redraw the list's items.
void start_checker_thread(AppState *app);
// WM_CHECK_STATUS and WM_CHECKER_IDLE from the checker thread; returns 0.
LRESULT on_checker_message(AppState *app, UINT message, WPARAM wparam, LPARAM lparam);

// ---- Filter (filter_view.cpp) ------------------------------------------------
// Reads the filter box and refills the list and status part 0.
void apply_filter(AppState *app);

// ---- Commands (commands.cpp) -------------------------------------------------
// Command-state bits: 1 disabled, 2 enabled, 4 checked, 8 indeterminate.
enum { CMD_DISABLED = 1, CMD_ENABLED = 2, CMD_CHECKED = 4, CMD_INDETERMINATE = 8 };
void on_command(AppState *app, int id, HWND control, int code);
unsigned command_state(AppState *app, int id);

// ---- The list's selection (selection.cpp) ------------------------------------
// A new vec of the Bookmarks of the selected items, in display order (the
// caller destroys the vec, not the Bookmarks).
vec *list_selected_bookmarks(AppState *app);
// Removes the items of every Bookmark in chosen (a vec of Bookmarks, any
// order; the selected ones) from the list in one step; nothing stays
// selected. The Bookmarks themselves stay.
void list_remove_bookmarks(AppState *app, const vec *chosen);

// ---- Save, Import, Export (file_commands.cpp) --------------------------------
// The open-file (save 0) or save-file (save 1) dialog for HTML files, owned
// by the main window, with title; path (TL_PATH_MAX bytes) receives the
// chosen file. 1 when a file was chosen, 0 after Cancel.
int ask_html_file(AppState *app, const char *title, int save, char *path);
// The transient status message from format with a count and a path: format
// holds %u, then (with plural_s) a %s for the plural s, then a %s.
void count_message(AppState *app, const char *format, uint32_t count, int plural_s,
                   const char *path);
// The file dialogs' filter list ("HTML Files (*.htm,*.html)", then "All
// Files (*.*)"): pairs of name and pattern, ending in an empty name, written
// into out (size bytes; 128 are enough).
void html_file_filters(char *out, size_t size);
// The Import command: asks for a file, reads its Bookmarks in with their
// title words (a bookmark file, or the Chromium family's JSON store),
// refreshes the filter and tells how many came.
void import_bookmark_file(AppState *app);
// Asks for a file and writes the Bookmarks of v there in v's order (safely:
// a failure leaves an existing file as it was); tells the result.
void export_bookmarks(AppState *app, const vec *v);
// The Export command: everything, or after the scope chooser the selected
// Bookmarks in display order.
void on_export(AppState *app);

// ---- The browser's own bookmarks (browser_import.cpp) -------------------------
// The Favorites folder: the shell's "Favorites" folder with "\" appended, or
// the Windows directory when the registry names none. A new heap text.
char *favorites_folder(void);
// Reads Netscape's bookmark file, found through the registry, with title
// words on, refreshes the filter and, when it added some, shows "%u new
// Trovelinks found during rescan of %s". Silent when the key, the value or
// the file is missing.
void rescan_browser_bookmarks(AppState *app);
// The same for the Bookmarks file of each Chromium-family browser installed
// for the user (below the local application data folder): the filter is
// refreshed and the message shown for each file that added some. 1 when a
// browser was found, 0 when none is installed (nothing shown).
int rescan_chromium_browsers(AppState *app);
// Start-up's reading of the browser's own bookmarks, when the Options'
// auto_rescan is set or this is the first start: by the browser's kind,
// Netscape's file, the Favorites folder (no message) or, for any other
// browser, the Chromium family's stores.
void startup_rescan(AppState *app);
// The Import Favorites command: asks for a folder ("Directory of Favorites",
// the Favorites folder preselected), imports the shortcuts below it,
// refreshes the filter and tells how many came.
void import_favorites_command(AppState *app);

// ---- Deleting Bookmarks (delete_command.cpp) -----------------------------------
// The text of the question asked before the Bookmarks of chosen are deleted
// (a new heap text).
char *delete_question(const vec *chosen);
// The Delete command: asks, then removes the selected Bookmarks from the
// list, the BookmarkList and the keyword index. Nothing without a selection.
void delete_selected_bookmarks(AppState *app);
// Removes b's item from the list (when it has one), then b itself from the
// BookmarkList and the keyword index, and frees it. The filter is not run.
void delete_bookmark_and_item(AppState *app, Bookmark *b);

// ---- Dialog helpers and the scope chooser (dialogs.cpp) ------------------------
// Centres window on reference (the work area when null), kept inside the
// work area; the size and the z-order stay.
void center_window(HWND window, HWND reference);
// Asks whether a command applies to all Trovelinks or to the selected ones;
// verb fills the texts ("Export"). 1 all, 2 the selected ones, 0 Cancel.
int scope_dialog(HWND owner, const char *verb);

// Asks for a folder with the shell's folder browser (owner, prompt as its
// title, folder preselected when not null). A new heap text with the chosen
// folder's path; null after Cancel or when it has no path.
char *dir_pick(HWND owner, const char *prompt, const char *folder);

// ---- Adding and editing Bookmarks (properties_dialog.cpp, edit_commands.cpp) ----
// The Properties dialog on b, owned by owner. *keyword_text holds null or a
// suggested keyword text (heap): it is shown when b has no keyword list yet,
// and released either way. After OK: 1, b's title (trimmed, never empty) and
// url hold the texts typed (a Bookmark of the BookmarkList changes its url
// through set_bookmark_url), another Bookmark with that url has been deleted
// when the user agreed, and *keyword_text is a new heap text with the
// Keywords box, for the caller to pass to set_keywords and free. After
// Cancel: 0, nothing changed, *keyword_text null.
int properties_dialog(AppState *app, Bookmark *b, char **keyword_text, HWND owner);
// The Add command: the page to add (browser_page; or an empty record, or the
// stored Bookmark with the page's url) edited in the Properties dialog; a new
// record joins the BookmarkList only after OK.
void on_add(AppState *app);
// The Add command after browser_page: have, url and title as it gave them
// (the texts are taken over).
void add_in_dialog(AppState *app, int have, char *url, char *title);
// The Properties command on the selected Bookmark.
void on_properties(AppState *app);

// ---- Options and About (options_dialog.cpp, about_dialog.cpp) ------------------
// Edits o: 1 after OK (o holds the dialog's values; tl_file at most 259
// characters) and after closing the window (o unchanged), 2 after Cancel.
int options_dialog(HWND owner, Options *o);
// The Options command: the dialog, then tooltips on or off, the filter run
// again when the matching changed, and the Trovelinks of a newly chosen
// existing bookmark file read into the list.
void on_options(AppState *app);
// The About box: logo, version, and the build after Ctrl+B.
void about_dialog(HWND owner);

// ---- Keyword Dictionary (dictionary_dialog.cpp) ----------------------------------
// Shows the keyword texts of words (not owned; valid while the dialog is
// open) in the modal Keyword Dictionary over owner; case_flag non-zero shows
// every text as it is, else each word once in lower case.
void show_dictionary(HWND owner, int case_flag, const vec *words);
// Refills the dialog's word list and word count for case_flag and words.
void fill_dictionary(HWND dialog, int case_flag, const vec *words);
// The Dictionary command: every keyword of the index, the initial case
// setting from case_sens.
void on_dictionary(AppState *app);

// ---- Open, Fast Add, the page to add (browser_commands.cpp) -----------------------
// The page to add, as new heap texts the caller frees (memFree): 1 with the
// browser's page (url and title trimmed), else 2 with the single URL that the
// clipboard holds (title null), else 0 with both null.
int browser_page(AppState *app, char **url, char **title);
// Opens b's url in the browser, then applies the visit rule and redraws its
// icon (also when no browser could be reached).
void open_bookmark(AppState *app, Bookmark *b);
// The Open command: open_bookmark on the selected Bookmark.
void on_open(AppState *app);
// The Fast Add command: the browser's current page becomes a new Bookmark
// with its title's keywords, unless it has no title or is stored already.
// Without a page from the browser but with a URL on the clipboard, Add's
// dialog opens with that URL for the user to give it a title.
void on_fast_add(AppState *app);

// ---- Help (help.cpp) ---------------------------------------------------------------
// Which help file the Contents command opens for the program at exe_path:
// "tl.hlp" beside it when that exists (*winhelp = 1), else the page
// "tlhelp.htm" beside it (*winhelp = 0). path receives TL_PATH_MAX bytes at
// most; 0 when the name does not fit.
int help_file_for(const char *exe_path, char *path, int *winhelp);
// The Contents command: the help file at its contents.
void show_help_contents(AppState *app);

#endif
