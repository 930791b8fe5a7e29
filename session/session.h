// The program's spine without windows: the start-up steps that need no
// window and the save and release at exit, in the program's order. The
// Windows shell runs its window steps between them; the command line runs
// none and tells the user on standard error instead of in the status bar.
//
// Start-up: session_start (the BookmarkList, the Options, the keyword
// index), then session_load_file (session_file.h: the bookmark file read).
// Exit: session_save (the backup and the bookmark file, then the Options),
// then session_end (everything freed).
#ifndef TL_SESSION_SESSION_H
#define TL_SESSION_SESSION_H

struct AppState;

struct Options;

// Where a front end keeps the Options: the registry on Windows, the options
// file natively (options_load and options_save of either, session/options.h).
struct OptionsStore {
    void (*load)(Options *o, const char *exe_path);
    int (*save)(const Options *o);
    const char *save_failed; // what the user is told when save fails
};

// A new record, also in g_app: an empty BookmarkList, the Options from store
// (kept for session_save; not copied) over the defaults, whose bookmark file
// is "tl.htm" in the folder of exe_path, and the keyword index with its stop
// words. Never null.
AppState *session_start(const char *exe_path, const OptionsStore *store);
// Saves what is asked: the bookmark file (session_save_file) when save_file
// is set, the Options to the store when save_options is; each failure is
// reported through the session's report. 1 when all was saved, 0 otherwise.
int session_save(AppState *app, int save_file, int save_options);
// Frees every Bookmark, the index, the lists and the record; g_app becomes
// null when it was app.
void session_end(AppState *app);

#endif
