// The session's bookmark file: reading it, the unreadable and foreign file
// mends, and the save.
#include "session/session_file.h"

#include <stdio.h>
#include <string.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

static SessionReport g_report;

void session_use_report(SessionReport report)
{
    g_report = report;
}

void session_report_text(AppState *app, const char *format, const char *argument)
{
    if (g_report) g_report(app, format, argument);
}

// 1 when path names a file with content that could not be read; 0 when it
// is missing or empty.
static int is_unreadable(const char *path)
{
    if (!path[0] || !os_file_exists(path)) return 0;
    OsFile file = os_file_open_read(path);
    if (file == OS_NO_FILE) return 1;
    uint64_t size = 0;
    int sized = os_file_size(file, &size);
    os_file_close(file);
    return !sized || size > 0;
}

int session_merge_file(AppState *app, const char *path, uint32_t *added)
{
    *added = 0;
    char *text = read_whole_file(path);
    if (text) {
        uint32_t before = app->bookmarks->count;
        int entries = read_bookmark_file(app, text, 0);
        *added = app->bookmarks->count - before;
        // A text that gives no Bookmark and is not of this program's layout
        // is another kind of file chosen by mistake, or a damaged one: it is
        // kept like a file that cannot be read at all.
        int foreign = entries == 0 && !is_own_bookmark_file(text);
        memFree(text);
        if (!foreign) return 1;
    } else if (!is_unreadable(path)) {
        return 0;
    }
    memFree(app->unread_file);
    app->unread_file = dupstr(path);
    session_report_text(app, READ_FAILED_FORMAT, path);
    return -1;
}

int session_load_file(AppState *app)
{
    uint32_t added;
    return session_merge_file(app, app->options.tl_file, &added) != 0;
}

// Moves the unread file to path + ".unread", ".unread1", ".unread2", ...:
// the first name no file has. 1 when moved (or nothing to move), 0 on failure.
static int set_aside_unread_file(const char *path)
{
    size_t size = strlen(path) + 32;
    char *aside = (char *) memAlloc(size);
    int moved = 0;
    for (unsigned n = 0; n < 100000; n++) {
        if (n == 0)
            snprintf(aside, size, "%s.unread", path);
        else
            snprintf(aside, size, "%s.unread%u", path, n);
        if (os_file_exists(aside)) continue;
        moved = os_file_rename(path, aside);
        break;
    }
    memFree(aside);
    return moved;
}

int session_save_file(AppState *app)
{
    const char *path = app->options.tl_file;
    if (app->unread_file && strcmp(app->unread_file, path) == 0) {
        if (os_file_exists(path) && !set_aside_unread_file(path)) {
            session_report_text(app, SAVE_FAILED_FORMAT, path);
            return 0;
        }
        memFree(app->unread_file);
        app->unread_file = nullptr;
    }
    SaveLeftovers left = {nullptr, nullptr};
    int saved = save_bookmark_file(app, &left);
    if (!saved) {
        char *text = save_failure_text(path, &left);
        session_report_text(app, "%s", text);
        memFree(text);
    }
    save_leftovers_clear(&left);
    return saved;
}
