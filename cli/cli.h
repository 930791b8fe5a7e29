// The command-line program: `trovelinks [--file PATH] COMMAND [ARGS]`. It
// drives the program's session without windows (the Options, the keyword
// index, the bookmark file read and saved), runs one command and reports on
// standard output and standard error. Each command is a function taking the
// Cli record; the table of commands with their options and help texts is in
// main.cpp.
#ifndef TL_CLI_CLI_H
#define TL_CLI_CLI_H

#include <stdint.h>

#include "core/vec.h"

struct AppState;
struct Bookmark;

// Exit statuses.
const int EXIT_DONE = 0;  // the command did its work
const int EXIT_FAIL = 1;  // it could not (a message on standard error says why)
const int EXIT_USAGE = 2; // unknown command or option, missing or bad argument

const int CLI_OPTIONS_MAX = 8;

struct Cli {
    AppState *app;
    int argc;           // positional arguments after the command's name
    char **args;        // (not owned)
    int options;        // options given, in order
    const char *option_names[CLI_OPTIONS_MAX];  // without their dashes (not owned)
    const char *option_values[CLI_OPTIONS_MAX]; // "" for a switch (not owned)
    const char *file;   // --file, or null
    int changed;        // the BookmarkList changed: saved at the end
};

// The value of option name (without dashes), "" for a switch given; null
// when the option was not given.
const char *cli_option(const Cli *cli, const char *name);
// Reports an error: "trovelinks: " and the text (a printf format with one
// %s replaced by argument, which may be null) on standard error, each blank
// line of the program's message texts turned into ": ".
void cli_error(const char *format, const char *argument);
// The positional arguments from first on, joined by single spaces: a new
// heap text (the caller frees it); "" when there are none.
char *cli_joined_args(const Cli *cli, int first);

// Fills the list's items (app->list_items) with the Bookmarks that the
// search expression text matches, in the display order of app->sort_column,
// every Bookmark for an empty text. 1 on success with *status (may be null)
// the text the status bar would show (the keyword hint, or "Ready"; a heap
// text the caller frees); 0 after reporting "Search expression error".
int cli_match(Cli *cli, const char *text, char **status);
// The Bookmarks that the positional arguments, joined as one search
// expression, match (app->list_items), or all when there are none, in
// *chosen. 1 on success; 0 after reporting "Search expression error".
int cli_match_args(Cli *cli, const vec **chosen);
// The Bookmark whose url equals url ignoring ASCII case; reports
// "No Trovelink with the URL %s" and returns null when there is none.
Bookmark *cli_find(Cli *cli, const char *url);
// The status word of b: "new", "unchanged", "failed" or "unknown" (never
// checked, no date given, or a check under way).
const char *status_word(const Bookmark *b);
// Writes the Bookmarks of v, one per line: title, URL and status separated
// by tabs; with json set, a JSON array of objects instead.
void print_bookmarks(const vec *v, int json);

// The commands. Each returns an exit status.
int cmd_search(Cli *cli);
int cmd_new(Cli *cli);
int cmd_keywords(Cli *cli);
int cmd_add(Cli *cli);
int cmd_edit(Cli *cli);
int cmd_delete(Cli *cli);
int cmd_visit(Cli *cli);
int cmd_import(Cli *cli);
int cmd_export(Cli *cli);
int cmd_check(Cli *cli);
int cmd_options(Cli *cli);

// ---- The lock (lock_posix.cpp) -------------------------------------------
// Takes the exclusive lock of the file at path: a lock on path + ".lock"
// (created when missing), waiting for another holder at most timeout_ms.
// The lock's descriptor, kept until unlock_file; -1 on failure, with
// *timed_out 1 when another command held it all along (else the lock file
// could not be created).
int lock_file(const char *path, uint32_t timeout_ms, int *timed_out);
void unlock_file(int lock);
// How long a command waits for another one that changes the same file.
const uint32_t LOCK_WAIT_MS = 10000;

#endif
