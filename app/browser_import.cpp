// The browser's own bookmarks: where the registry says they are (the
// Favorites folder, Netscape's bookmark file, the local application data
// folder that holds the Chromium family's profiles) and the rescans that
// read them at start-up.
#include <stdio.h>
#include <string.h>

#include "app/registry.h"
#include "app/shell.h"
#include "browser/browser.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/vstr.h"
#include "store/bookmark_file.h"
#include "store/favorites.h"

static const char SHELL_FOLDERS[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char NETSCAPE_KEY[] = "Software\\Netscape\\Netscape Navigator\\Bookmark List";

// Each Chromium-family browser's Bookmarks file of its default profile,
// below the local application data folder.
static const char *const CHROMIUM_STORES[] = {
    "Google\\Chrome\\User Data\\Default\\Bookmarks",
    "Microsoft\\Edge\\User Data\\Default\\Bookmarks",
    "BraveSoftware\\Brave-Browser\\User Data\\Default\\Bookmarks",
    "Vivaldi\\User Data\\Default\\Bookmarks",
};

// A string value of the shell's folder list (a new heap text), or null.
static char *shell_folder(const char *name)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return nullptr;
    char *path = reg_read_string(key, name);
    RegCloseKey(key);
    return path;
}

char *favorites_folder(void)
{
    char *folder = shell_folder("Favorites");
    if (folder) {
        vstr s;
        vstrInit(&s);
        vstrSet(&s, folder);
        vstrAppendCh(&s, '\\');
        memFree(folder);
        return vstrDetach(&s);
    }
    char windows[TL_PATH_MAX];
    UINT n = GetWindowsDirectoryA(windows, sizeof windows);
    if (n == 0 || n >= sizeof windows) windows[0] = 0;
    char *copy = (char *) memAlloc(strlen(windows) + 1);
    strcpy(copy, windows);
    return copy;
}

void rescan_browser_bookmarks(AppState *app)
{
    HKEY key = reg_open_key(HKEY_CURRENT_USER, NETSCAPE_KEY, nullptr, 0);
    if (!key) return;
    char *path = reg_read_string(key, "File Location");
    RegCloseKey(key);
    if (!path) return;
    uint32_t added = 0;
    if (import_bookmarks_from(app, path, &added)) {
        apply_filter(app);
        if (added) count_message(app, RESCAN_DONE_FORMAT, added, 0, path);
    }
    memFree(path);
}

// The local application data folder: the shell's folder list, else the
// environment's LOCALAPPDATA. A new heap text, or null.
static char *local_app_data(void)
{
    char *folder = shell_folder("Local AppData");
    if (folder) return folder;
    DWORD size = GetEnvironmentVariableA("LOCALAPPDATA", NULL, 0);
    if (size == 0) return nullptr;
    folder = (char *) memAlloc(size);
    DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", folder, size);
    if (n == 0 || n >= size) {
        memFree(folder);
        return nullptr;
    }
    return folder;
}

int rescan_chromium_browsers(AppState *app)
{
    char *base = local_app_data();
    if (!base) return 0;
    int found = 0;
    vstr path;
    vstrInit(&path);
    for (const char *store : CHROMIUM_STORES) {
        vstrSet(&path, base);
        if (path.length && path.data[path.length - 1] != '\\') vstrAppendCh(&path, '\\');
        vstrAppend(&path, store);
        if (!os_file_exists(path.data)) continue; // that browser is not installed
        found = 1;
        uint32_t added = 0;
        if (import_bookmarks_from(app, path.data, &added) && added) {
            apply_filter(app); // which puts "Ready" in the status bar: the message follows
            count_message(app, RESCAN_DONE_FORMAT, added, 0, path.data);
        }
    }
    vstrClear(&path);
    memFree(base);
    return found;
}

void startup_rescan(AppState *app)
{
    if (!app->options.auto_rescan && !app->first_start) return;
    switch (browser_kind()) {
    case 1: rescan_browser_bookmarks(app); break;
    case 2: {
        char *folder = favorites_folder();
        import_favorites(app, folder);
        memFree(folder);
        apply_filter(app);
        break;
    }
    default: rescan_chromium_browsers(app); break;
    }
}

void import_favorites_command(AppState *app)
{
    char *initial = favorites_folder();
    char *folder = dir_pick((HWND) app->main_window, "Directory of Favorites", initial);
    memFree(initial);
    if (!folder) return;
    uint32_t before = app->bookmarks->count;
    import_favorites(app, folder);
    apply_filter(app);
    count_message(app, IMPORT_DONE_FORMAT, app->bookmarks->count - before, 0, folder);
    memFree(folder);
}
