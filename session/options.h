// The user's settings and the remembered window geometry. Each field carries
// the name of its registry value.
#ifndef TL_SESSION_OPTIONS_H
#define TL_SESSION_OPTIONS_H

#include <stdint.h>

const int32_t FRAME_DEFAULT = (int32_t) 0x80000000u; // let the system place the window
const unsigned TL_PATH_MAX = 260;

// The program's identity: version 1.01, build 20m.
const uint32_t TL_VERSION = 101;
const uint32_t TL_BUILD_NUMBER = 20;
#define TL_BUILD_LETTER "m"

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
// Drops a remembered geometry that does not fit a work area (the screen
// without the task bar) of work_width x work_height pixels: when the window's
// right or bottom edge lies beyond it, all four frame values return to
// FRAME_DEFAULT; when the two columns together are wider, they return to 200
// and 300. Sums and comparisons are signed 32-bit.
void options_check_geometry(Options *o, int32_t work_width, int32_t work_height);

// The Options store: the Windows build keeps the Options in the registry
// under HKEY_CURRENT_USER (app/options_registry.cpp), the native build in the
// options file (session/options_file_posix.cpp). The session reaches the
// store through the OptionsStore its front end hands it (session/session.h).
// Fills o with the defaults and overrides them with the stored values; with
// nothing stored the defaults stand (and the geometry is not checked).
void options_load(Options *o, const char *exe_path);
// Writes every field and the program's version and build numbers. 1 on
// success, 0 when a key could not be created or any value not written.
int options_save(const Options *o);

#endif
