// The user's files on Linux.
#include "session/user_files.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "core/vstr.h"

// $variable/leaf when the variable holds an absolute path (a relative one is
// invalid and ignored, as the rules say), else $HOME/fallback/leaf.
static char *xdg_path(const char *variable, const char *fallback, const char *leaf)
{
    const char *xdg = getenv(variable);
    const char *home = getenv("HOME");
    vstr path;
    vstrInit(&path);
    if (xdg && xdg[0] == '/') {
        vstrSet(&path, xdg);
    } else if (home && home[0]) {
        vstrSet(&path, home);
        vstrAppend(&path, fallback);
    } else {
        return nullptr;
    }
    vstrAppend(&path, leaf);
    return vstrDetach(&path);
}

char *user_data_folder(void)
{
    return xdg_path("XDG_DATA_HOME", "/.local/share", "/trovelinks/");
}

char *user_options_path(void)
{
    return xdg_path("XDG_CONFIG_HOME", "/.config", "/trovelinks/options");
}

int make_parent_folders(const char *path)
{
    vstr folder;
    vstrInit(&folder);
    vstrSet(&folder, path);
    char *slash = strrchr(folder.data, '/');
    int ok = 1;
    if (slash && slash != folder.data) {
        *slash = 0;
        // Each folder from the top down; those that exist already stay.
        for (char *p = folder.data + 1;; p++) {
            if (*p != '/' && *p != 0) continue;
            char keep = *p;
            *p = 0;
            mkdir(folder.data, 0700);
            *p = keep;
            if (!keep) break;
        }
        struct stat st;
        ok = stat(folder.data, &st) == 0 && S_ISDIR(st.st_mode);
    }
    vstrClear(&folder);
    return ok;
}
