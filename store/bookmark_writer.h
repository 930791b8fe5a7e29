// The bookmark file writer: the file text (whole in memory, or written out
// a megabyte at a time by save and export), the safe write, the save of the
// BookmarkList (with its ".bak" backup) and export.
//
// A file is never written in place. The text goes to a new file beside the
// target, is flushed to the disk, and only then takes the target's place in
// one step, so a failed or interrupted write leaves the previous file as it
// was. The backup rename happens just before that step and never replaces an
// existing backup.
#ifndef TL_STORE_BOOKMARK_WRITER_H
#define TL_STORE_BOOKMARK_WRITER_H

#include "core/vec.h"

struct AppState;

// The whole file text for the Bookmarks of v, in v's order: the 12 header
// lines (the 11 of the layout and the UTF-8 declaration), three lines per Bookmark, the footer ending in LF alone. url, title
// and keyword text are written with & < > " as entities. A new zero-terminated
// heap text; the caller frees it.
char *bookmark_file_image(const vec *v);

// Writes text (without its terminating zero) as the file at path, replacing
// one that exists. 1 on success; 0 on failure, with the previous file
// untouched and no temporary file left behind.
int write_whole_file(const char *path, const char *text);

// What a failed save leaves on disk that its message must name. Both texts
// are heap copies owned by the record; save_leftovers_clear frees them.
struct SaveLeftovers {
    char *previous;  // the backup, when it alone holds the previous file; else null
    char *temporary; // a temporary file that could not be removed; else null
};

// Saves the whole BookmarkList to the Options' tl_file; with the Options'
// backup on, the previous file is first renamed to tl_file with ".bak"
// appended unless such a backup exists already. 1 on success; 0 on failure
// (the caller shows save_failure_text), with the previous file and any
// backup as they were, except where left (when given, initially empty) says
// otherwise: when neither the new file nor the backup could be put in
// tl_file's place, and when a temporary file could not be removed. The
// Bookmarks stay in memory either way.
int save_bookmark_file(AppState *app, SaveLeftovers *left = nullptr);
// The message for a failed save to path: SAVE_FAILED_FORMAT, then where the
// previous file is kept and which temporary file remains, when left (may be
// null) names them. A new heap text; the caller frees it.
char *save_failure_text(const char *path, const SaveLeftovers *left);
void save_leftovers_clear(SaveLeftovers *left);

// The Export command below its dialog: writes the Bookmarks of v, in v's
// order, to path without a backup. 1 on success, 0 on failure.
int export_bookmarks_to(const vec *v, const char *path);

// What the Save and Export commands show: the save's failure (with tl_file,
// then the backup that alone holds the previous file, then a leftover
// temporary file, each only when there is one),
// the export dialog's title, the export's status message (with the count,
// "" for one Bookmark and "s" otherwise, and the path) and its failure (with
// the path). The export dialog's filters are the Import command's.
constexpr const char SAVE_FAILED_FORMAT[] = "Unable to write Trovelinks to file\n\n%s";
constexpr const char SAVE_PREVIOUS_KEPT_FORMAT[] = "\n\nThe previous Trovelinks are kept in\n\n%s";
constexpr const char SAVE_TEMPORARY_LEFT_FORMAT[] = "\n\nA temporary copy remains in\n\n%s";
constexpr const char EXPORT_DIALOG_TITLE[] = "Export Trovelinks";
constexpr const char EXPORT_DONE_FORMAT[] = "%u Trovelink%s exported to %s";
constexpr const char EXPORT_FAILED_FORMAT[] = "Unable to export Trovelinks to specified file\n\n%s";

#endif
