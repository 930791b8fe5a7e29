// The Contents command. A WinHelp file "tl.hlp" beside the program is opened
// at its contents; without one (current Windows has no WinHelp viewer) the
// HTML help page "tlhelp.htm" beside the program opens in the web browser.
#include <string.h>

#include "app/shell.h"
#include "core/os.h"

// Makes path the folder of exe_path (with its separator) followed by name.
static int beside(const char *exe_path, const char *name, char *path)
{
    const char *slash = strrchr(exe_path, '\\');
    const char *other = strrchr(exe_path, '/');
    if (other && (!slash || other > slash)) slash = other;
    size_t folder = slash ? (size_t) (slash - exe_path) + 1 : 0;
    if (folder + strlen(name) + 1 > TL_PATH_MAX) return 0;
    memcpy(path, exe_path, folder);
    strcpy(path + folder, name);
    return 1;
}

int help_file_for(const char *exe_path, char *path, int *winhelp)
{
    if (beside(exe_path, "tl.hlp", path) && os_file_exists(path)) {
        *winhelp = 1;
        return 1;
    }
    *winhelp = 0;
    return beside(exe_path, "tlhelp.htm", path);
}

void show_help_contents(AppState *app)
{
    char exe_path[TL_PATH_MAX], path[TL_PATH_MAX];
    DWORD n = GetModuleFileNameA(NULL, exe_path, sizeof exe_path);
    if (n == 0 || n >= sizeof exe_path) return;
    int winhelp;
    if (!help_file_for(exe_path, path, &winhelp)) return;
    HWND frame = (HWND) app->main_window;
    if (winhelp) {
        WinHelpA(frame, path, HELP_CONTENTS, 0);
        return;
    }
    // The shell's result of 32 or below is a failure.
    if ((INT_PTR) ShellExecuteA(frame, "open", path, NULL, NULL, SW_SHOWNORMAL) <= 32)
        tl_message(app, "Unable to open the help file\n\n%s", path);
}
