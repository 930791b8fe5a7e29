// The Favorites import: a folder tree of Internet shortcut files (".url"),
// one Bookmark per shortcut, the folder structure flattened.
//
// What is read of a shortcut file (its first 8191 bytes; the text ends at
// the first zero byte):
//   file     = [BOM] line { newline line }        newline: CR, LF or CR LF
//   line     = blanks ( section | key | anything )
//   section  = "[" name "]" rest                   rest is read as a line
//   key      = "URL" blanks "=" value              value: to the end of the line
// The URL is the value of the first URL key (letters in either case) inside
// a section named InternetShortcut (either case), with blanks and other
// white space around it removed. Sections may come in any order and other
// keys may stand before and after the URL key, as the system writes them.
// A file that starts with the section line, white space and "URL=" and ends
// after the URL's line gives the same URL as a reader that takes everything
// after "URL=".
#ifndef TL_STORE_FAVORITES_H
#define TL_STORE_FAVORITES_H

struct AppState;

// At most this many bytes of a shortcut file are read.
const unsigned SHORTCUT_READ_MAX = 8191;

// The URL of a shortcut file's text (zero-terminated) as a new heap text
// (memFree it; "" when the key has no value), or null when the text has no
// URL key in an InternetShortcut section.
char *shortcut_url(const char *text);

// Walks the folder tree at folder depth first, in the order the system lists
// each folder, and adds every shortcut file (extension ".url" in any case)
// through add_bookmark: the file name without its extension as title, its
// URL, no keywords, no dates, title words on. Entries that cannot be listed,
// opened or read, and files without a URL, are skipped; "." and ".." are not
// followed, and no folder is walked twice (a link that leads back into the
// tree ends there). Paths of any length are built; those the system refuses
// are skipped. A null or empty folder does nothing. The filter is not run.
void import_favorites(AppState *app, const char *folder);

#endif
