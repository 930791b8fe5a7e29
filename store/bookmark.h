// The Bookmark record and the BookmarkList: every Bookmark of the running
// program, kept in ascending order of the records' addresses (the order of the
// keyword index's sets). Every change of a Bookmark's keywords goes through the
// keyword index so that index and list always agree.
#ifndef TL_STORE_BOOKMARK_H
#define TL_STORE_BOOKMARK_H

#include <stdint.h>

struct AppState;
struct KeywordList;

struct Bookmark {
    char *url;             // owned, never null; the duplicate key (ASCII case ignored)
    char *title;           // owned, never null; shown in the list
    KeywordList *keywords; // owned; set only by set_keywords
    uint32_t flags;        // BM_LISTED, BM_CHECKED
    uint32_t addDate;      // when added: always a time
    uint32_t lastVisit;    // last opened or marked visited, or DATE_NONE
    uint32_t lastModified; // the page's time from the last check, or a sentinel
};

const uint32_t BM_LISTED = 1;  // the Bookmark has an item in the list view
const uint32_t BM_CHECKED = 2; // the checker reported on it in this cycle

// Times are seconds since 1970-01-01 UTC; the three largest values are not.
const uint32_t DATE_CHECKING = 0xFFFFFFFDu; // lastModified: a check is under way
const uint32_t DATE_NONE = 0xFFFFFFFEu;     // no time known
const uint32_t DATE_FAILED = 0xFFFFFFFFu;   // lastModified: the last check failed

inline bool date_is_time(uint32_t date)
{
    return date < DATE_CHECKING;
}

// Adds a Bookmark, or merges it into the one with the same URL. title, url
// and keywords are heap texts (each may be null) whose ownership passes here.
// Dates a caller does not have are DATE_NONE. With title_words set the title's
// words become keywords too (filtered), as for every import.
void add_bookmark(AppState *app, char *title, char *url, char *keywords, uint32_t addDate,
                  uint32_t lastVisit, uint32_t lastModified, int title_words);
// The Bookmark whose url equals url ignoring ASCII case; null for none or "".
Bookmark *find_bookmark_by_url(AppState *app, const char *url);
// Removes b from the BookmarkList and the keyword index and frees it.
void delete_bookmark(AppState *app, Bookmark *b);
// Puts a Bookmark built by the caller (url and title set, never null;
// keywords from set_keywords) into the BookmarkList at its address place and
// into the URL index. The list owns it from now on.
void insert_bookmark(AppState *app, Bookmark *b);
// Replaces b's url with url (a heap text whose ownership passes here; null
// stores ""), keeping the URL index in step. Every change of a listed
// Bookmark's url goes through here, so that the URL index and the display
// orders see it.
void set_bookmark_url(AppState *app, Bookmark *b, char *url);
// Replaces b's title with title (a heap text whose ownership passes here;
// null stores ""). Every change of a Bookmark's title goes through here, so
// that the display orders see it.
void set_bookmark_title(AppState *app, Bookmark *b, char *title);
// Bulk adds (reading a bookmark file, an import): from bookmark_bulk_begin
// to the matching bookmark_bulk_end, new records go to the end of the
// BookmarkList and new keywords to the end of the index's entries, and the
// end sorts both into place at once, instead of each insertion moving half
// of a vec. Every result is the same as without. In between, the operations
// of this module and of the keyword index may be used, but nothing may rely
// on the order of the BookmarkList or of the entries. Calls may nest.
void bookmark_bulk_begin(AppState *app);
void bookmark_bulk_end(AppState *app);
// Makes room for about more new Bookmarks (a hint: more or fewer may come),
// so that the BookmarkList and the URL index do not grow step by step.
void bookmark_bulk_reserve(AppState *app, uint32_t more);
// Removes leading and trailing white space in place (bytes 128-255 are not
// white space).
void trim_space(char *text);

#endif
