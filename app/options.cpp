// Options defaults.
#include "app/options.h"

#include <string.h>

void options_init(Options *o, const char *exe_path)
{
    memset(o, 0, sizeof *o);
    o->partial_match = 1;
    o->backup = 1;
    o->tooltips = 1;
    o->status_timer = 15;
    o->col_width_0 = 200;
    o->col_width_1 = 300;
    o->frame_x = o->frame_y = o->frame_width = o->frame_height = FRAME_DEFAULT;

    // Drive and folder of the program (up to and including the last
    // separator), then "tl.htm".
    const char *end = exe_path;
    for (const char *p = exe_path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':') end = p + 1;
    size_t folder = (size_t) (end - exe_path);
    if (folder + sizeof "tl.htm" > TL_PATH_MAX) folder = 0;
    memcpy(o->tl_file, exe_path, folder);
    memcpy(o->tl_file + folder, "tl.htm", sizeof "tl.htm");
}
