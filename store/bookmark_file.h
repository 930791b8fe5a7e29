// The bookmark file reader: a whole file into memory, a scanner that cuts its
// text into the few tokens that matter, and the parser that turns each entry
// into an add_bookmark call. It reads the program's own file and the bookmark
// files that browsers export alike, and never rejects a text: whatever it
// recognises becomes Bookmarks, the rest is skipped.
//
// What the scanner recognises (every letter in either case, nothing else
// inside the angle brackets):
//   </A>  <DD>  <DT>  <DL>  </DL>
//   <A blanks HREF blanks = "url"  ...>   HREF must be the first attribute;
//        the tag ends at the first > after the closing quote (a > inside the
//        quotes belongs to the url)
// Every other tag is skipped from its < to the next >; quotes protect nothing
// there. Outside tags CR and LF are dropped and every other byte is text.
// An entry is an anchor, its title text, </A>, and, when <DD> follows
// directly (only CR and LF between), the keyword text up to the next <DT>,
// <DD> or the end. Folders are flattened: every anchor is an entry.
#ifndef TL_STORE_BOOKMARK_FILE_H
#define TL_STORE_BOOKMARK_FILE_H

#include <stdint.h>

#include "core/vstr.h"

struct AppState;

// The kinds of token scan_token returns (4 is not used).
enum BookmarkToken {
    TOK_CHAR = 0,       // one text byte, in ch
    TOK_ANCHOR = 1,     // an anchor start tag with HREF; tokenStart is its <
    TOK_ANCHOR_END = 2, // </A>
    TOK_DD = 3,
    TOK_DT = 5,
    TOK_DL = 6,
    TOK_DL_END = 7,
    TOK_END = 8, // the zero byte that ends the text
};

struct BookmarkScanner {
    const char *tokenStart; // where the token last returned began
    const char *cursor;     // the next unread byte
    char ch;                // the byte of a TOK_CHAR token
    int kind;               // the kind of the token last returned
};

// The entry being collected.
struct PendingEntry {
    vstr url;
    vstr title;
    vstr keywords; // the keyword text, as it stands after <DD>
    uint32_t addDate;
    uint32_t lastVisit;
    uint32_t lastModified;
};

// A whole file as a new zero-terminated heap text (the caller frees it), or
// null for an empty path, a file that cannot be opened, an empty file or a
// short or failed read.
char *read_whole_file(const char *path);

// Starts a scanner at the first byte of a zero-terminated text.
void scanner_init(BookmarkScanner *s, const char *text);
// Advances to the next token and sets kind (and ch): 1, or 0 at the end of
// the text (kind TOK_END). No scan goes past the terminating zero byte.
int scan_token(BookmarkScanner *s);

// Appends the text bytes from the cursor up to the next < or the end of the
// text to out, CR and LF left out, and moves the cursor past them: what a
// run of TOK_CHAR tokens would give, at once.
void scan_text(BookmarkScanner *s, vstr *out);

// Sets the entry's dates from the anchor whose < is at p (ADD_DATE,
// LAST_VISIT, LAST_MODIFIED, upper case, in any order; DATE_NONE when
// missing) and appends its url, still encoded, to e->url.
void parse_anchor(PendingEntry *e, const char *p);

// Parses a zero-terminated text and calls add_bookmark once per entry, with
// url, title and keyword text decoded (from windows-1252 too when the file
// is in it, bookmark_text_to_utf8) and title_words passed on. The text is not
// changed. Returns the number of entries read, merged ones included.
int read_bookmark_file(AppState *app, const char *text, int title_words);

// 1 when text is a file of this program's own layout: it has the DOCTYPE
// Velorix-Trovelinks-file-1 (the keyword DOCTYPE in any letter case), even
// with no entry after it; 0 for any other text.
int is_own_bookmark_file(const char *text);

// The Import command and the rescans below their dialogs: reads the file at
// path with title words on, as a bookmark file or, when its text is JSON, as
// a Chromium-family Bookmarks file. 1 with the number of Bookmarks added
// (merged duplicates do not count) in *added; 0 when the file cannot be read
// or is JSON that does not parse (then nothing changes).
int import_bookmarks_from(AppState *app, const char *path, uint32_t *added);

// What the Import command shows: its dialog, its failure (with the path)
// and its status message (with the count added and the path).
constexpr const char IMPORT_DIALOG_TITLE[] = "Import Bookmarks";
constexpr const char HTML_FILES_FILTER[] = "HTML Files (*.htm,*.html)";
constexpr const char HTML_FILES_PATTERN[] = "*.htm;*.html";
constexpr const char ALL_FILES_FILTER[] = "All Files (*.*)";
constexpr const char ALL_FILES_PATTERN[] = "*.*";
constexpr const char IMPORT_FAILED_FORMAT[] = "Unable to import html bookmark file\n\n%s";
constexpr const char IMPORT_DONE_FORMAT[] = "%u Trovelinks imported from %s";
// What a rescan of a browser's bookmarks shows when it added some.
constexpr const char RESCAN_DONE_FORMAT[] = "%u new Trovelinks found during rescan of %s";

#endif
