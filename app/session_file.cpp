// The bookmark file at start-up and at exit. A file that exists but cannot be
// read is never overwritten: the first save of the run moves it aside to a
// free name first, so the user's bookmarks can still be recovered.
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

// The path of the file that could not be read at start-up, until it has
// been moved aside; empty when there is none.
static char g_unread_path[TL_PATH_MAX];

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

int merge_bookmark_file(AppState *app, const char *path, uint32_t *added)
{
    *added = 0;
    char *text = read_whole_file(path);
    if (!text) {
        if (!is_unreadable(path)) return 0;
        snprintf(g_unread_path, sizeof g_unread_path, "%s", path);
        tl_message(app, "Unable to read Trovelinks from file\n\n%s", path);
        return -1;
    }
    uint32_t before = app->bookmarks->count;
    read_bookmark_file(app, text, 0);
    memFree(text);
    *added = app->bookmarks->count - before;
    return 1;
}

void load_bookmark_file(AppState *app)
{
    g_unread_path[0] = 0;
    uint32_t added;
    if (merge_bookmark_file(app, app->options.tl_file, &added) == 1) apply_filter(app);
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

int save_bookmarks(AppState *app)
{
    const char *path = app->options.tl_file;
    if (g_unread_path[0] && strcmp(g_unread_path, path) == 0) {
        if (os_file_exists(path) && !set_aside_unread_file(path)) {
            tl_message(app, SAVE_FAILED_FORMAT, path);
            return 0;
        }
        g_unread_path[0] = 0;
    }
    if (!save_bookmark_file(app)) {
        tl_message(app, SAVE_FAILED_FORMAT, path);
        return 0;
    }
    return 1;
}
