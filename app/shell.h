// The Windows shell of the program: entry, start-up and shutdown, the main
// loop, the main window with its toolbar, filter box, list and status bar,
// and the commands. Each file offers its part here; every function takes the
// application record first.
#ifndef TL_APP_SHELL_H
#define TL_APP_SHELL_H

#include <windows.h>

#include <commctrl.h>

#include "app/appstate.h"

struct Bookmark;

// ---- Globals of the process (startup.cpp) ---------------------------------
extern HINSTANCE g_instance;  // for loading resources
extern char g_build_text[16]; // "20m", for the About box
extern HACCEL g_accelerators;
extern int g_first_start; // no Options were stored before this run

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

// ---- The bookmark file (session_file.cpp) ---------------------------------
// Reads tl_file into the BookmarkList and runs the filter. A file that exists
// with content but cannot be read is reported once, and kept from being
// overwritten in this run.
void load_bookmark_file(AppState *app);
// Saves the BookmarkList to tl_file (with the ".bak" backup when the Options
// ask for it); on failure shows "Unable to write Trovelinks to file" with the
// path. 1 on success, 0 on failure.
int save_bookmarks(AppState *app);

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
// The transient status message: part 0 shows text, "Ready" returns 8000 ms
// later.
void status_message(AppState *app, const char *text);
// The string-table text with id in one shared 256-byte buffer; "" for none.
const char *load_help_text(UINT id);

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
// app->list_items, with redrawing off meanwhile.
void list_rebuild(AppState *app);
// Sorts the items by column (0 Title, 1 URL); selection and focus stay
// with their Bookmarks.
void list_sort(AppState *app, int column);
// The list's comparison of two Bookmarks (item parameters) by column:
// titles or urls, case-insensitively in the locale's order.
int CALLBACK lv_compare(LPARAM a, LPARAM b, LPARAM column);
// Makes the list's display orders use the locale's case-insensitive order.
void list_use_locale_order(void);
// The status icon of b: 0 no change, 1 failed, 2 new, 3 checking.
int status_icon(const Bookmark *b);
// The visit rule: lastVisit becomes now, or lastModified when that is a
// time later than now.
void set_visit_time(Bookmark *b, uint32_t now);

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

// ---- Clipboard (clipboard.cpp) ---------------------------------------------------
// Puts text on the clipboard as CF_TEXT, the clipboard opened for owner.
// Nothing happens when the clipboard cannot be opened.
void copy_url_to_clipboard(HWND owner, const char *text);

// ---- Help (help.cpp) ---------------------------------------------------------------
// Which help file the Contents command opens for the program at exe_path:
// "tl.hlp" beside it when that exists (*winhelp = 1), else the page
// "tlhelp.htm" beside it (*winhelp = 0). path receives TL_PATH_MAX bytes at
// most; 0 when the name does not fit.
int help_file_for(const char *exe_path, char *path, int *winhelp);
// The Contents command: the help file at its contents.
void show_help_contents(AppState *app);

#endif
