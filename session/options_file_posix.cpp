// The Options store natively: the options file (session/user_files.h) as
// "name=value" lines (session/options_text.h).
#include <string.h>

#include "session/options.h"
#include "core/mem.h"
#include "session/options_text.h"
#include "session/user_files.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

void options_load(Options *o, const char *exe_path)
{
    options_init(o, exe_path);
    char *path = user_options_path();
    char *text = path ? read_whole_file(path) : nullptr;
    if (text) options_from_text(o, text);
    memFree(text);
    memFree(path);
}

int options_save(const Options *o)
{
    char *path = user_options_path();
    if (!path) return 0;
    char *text = options_to_text(o);
    int ok = make_parent_folders(path) && write_whole_file(path, text);
    memFree(text);
    memFree(path);
    return ok;
}
