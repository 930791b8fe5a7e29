// The bookmark file of a session, for the Windows shell and the command line
// alike: reading tl_file (or another bookmark file) into the BookmarkList and
// saving the list back with the backup and the safe write. A file that
// exists but cannot be read, or from which nothing could be read, is never
// overwritten: the first save of the run moves it aside to a free name
// first, so the user's bookmarks can still be recovered.
#ifndef TL_SESSION_SESSION_FILE_H
#define TL_SESSION_SESSION_FILE_H

#include <stdint.h>

struct AppState;

// How a front end tells the user something: text is a printf format with
// one %s, replaced by argument (null gives ""). The shell shows a message
// box, the command line writes to standard error.
typedef void (*SessionReport)(AppState *app, const char *format, const char *argument);
// Installs the report used from now on; null for none (nothing is told).
void session_use_report(SessionReport report);
// Tells the user format with argument through the installed report.
void session_report_text(AppState *app, const char *format, const char *argument);

// What the session tells when tl_file could not be read.
constexpr const char READ_FAILED_FORMAT[] = "Unable to read Trovelinks from file\n\n%s";

// Reads the bookmark file at path into the BookmarkList as start-up reads
// tl_file: stored keyword texts as they are, a URL already present merges.
// 1 when read, with the number of Bookmarks added in *added; 0 when path
// names no file or an empty one (nothing changes); -1 when the file has
// content that cannot be read, or gives no Bookmark without being of the
// program's own layout: then it is reported, and the first save to path
// moves it aside instead of overwriting it.
int session_merge_file(AppState *app, const char *path, uint32_t *added);
// session_merge_file on tl_file. 1 when the caller should refresh what it
// shows (something was read or reported), else 0.
int session_load_file(AppState *app);
// Saves the BookmarkList to tl_file (with the ".bak" backup when the Options
// ask for it), after moving an unread tl_file aside; on failure reports
// "Unable to write Trovelinks to file" with the path, and the file that now
// holds the previous Trovelinks when that is no longer the path. 1 on
// success, 0 on failure.
int session_save_file(AppState *app);

#endif
