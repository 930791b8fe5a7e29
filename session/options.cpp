// Options defaults.
#include "session/options.h"

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

void options_check_geometry(Options *o, int32_t work_width, int32_t work_height)
{
    // Added as unsigned numbers so that the wrap-around of two large values
    // is defined; compared as signed ones.
    int32_t right = (int32_t) ((uint32_t) o->frame_x + (uint32_t) o->frame_width);
    int32_t bottom = (int32_t) ((uint32_t) o->frame_y + (uint32_t) o->frame_height);
    if (right > work_width || bottom > work_height)
        o->frame_x = o->frame_y = o->frame_width = o->frame_height = FRAME_DEFAULT;
    int32_t columns = (int32_t) ((uint32_t) o->col_width_0 + (uint32_t) o->col_width_1);
    if (columns > work_width) {
        o->col_width_0 = 200;
        o->col_width_1 = 300;
    }
}
