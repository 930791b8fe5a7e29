// The user's settings and the remembered window geometry. Each field carries
// the name of its registry value.
#ifndef TL_APP_OPTIONS_H
#define TL_APP_OPTIONS_H

#include <stdint.h>

const int32_t FRAME_DEFAULT = (int32_t) 0x80000000u; // let the system place the window
const unsigned TL_PATH_MAX = 260;

struct Options {
    unsigned partial_match : 1; // a search term also matches keywords it begins
    unsigned case_sens : 1;     // case-sensitive matching
    unsigned auto_launch : 1;   // start the browser with the program
    unsigned backup : 1;        // keep the previous file as ".bak" before a save
    unsigned implied_or : 1;    // operands side by side mean OR
    unsigned tooltips : 1;      // toolbar and filter-box tooltips
    unsigned auto_rescan : 1;   // read the browser's bookmarks at start-up
    unsigned auto_check : 2;    // start a check cycle at start-up (non-zero: on)
    int32_t status_timer;       // minutes between periodic check cycles
    int32_t col_width_0;        // Title column, pixels
    int32_t col_width_1;        // URL column, pixels
    int32_t frame_x;            // main window's left edge, or FRAME_DEFAULT
    int32_t frame_y;
    int32_t frame_width;
    int32_t frame_height;
    char tl_file[TL_PATH_MAX]; // the bookmark file
};

// Fills o with the defaults; the bookmark file is "tl.htm" in the folder of
// exe_path (the running program's full path).
void options_init(Options *o, const char *exe_path);

#endif
