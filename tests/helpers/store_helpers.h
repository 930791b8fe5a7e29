// What the unit tests share: consistency checks over the store, a fresh
// application record, and adding and reading back Bookmarks as texts. The
// checks return "" when everything holds, else a description of the first
// fault found, so a test can EXPECT_EQ("", ...) and see what broke.
#ifndef TL_TESTS_HELPERS_STORE_HELPERS_H
#define TL_TESTS_HELPERS_STORE_HELPERS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "store/bookmark.h"

struct AppState;
struct KeywordIndex;
struct vec;

// entries in strictly ascending byte-wise order and never empty texts; every
// set non-empty, strictly ascending by address and holding only Bookmarks of
// all; B in E's set exactly when E is in B's list, each list free of repeats.
std::string check_keyword_index(const KeywordIndex *index, const std::vector<Bookmark *> &all);

// The BookmarkList strictly in address order with non-null texts, the
// keyword index consistent with it, and find_bookmark_by_url giving what a
// walk of the list gives for every url held (also in other letter case).
std::string check_app_store(AppState *app);

// The keywords of b as one text (keyword_list_text).
std::string keywords_of(const Bookmark *b);
// "title|keywords|addDate|lastVisit|lastModified" of b, a date "now" when it
// lies between since and the present, "none" and "failed" for those
// sentinels; "(null)" for null.
std::string summary(const Bookmark *b, uint32_t since);
// The text of a heap block, which is freed; "(null)" for null.
std::string taken(char *text);

// An empty application record for a program at C:\tl\trovelinks.exe;
// app_state_destroy frees it.
AppState *new_app();
// add_bookmark with copies of the texts (null stays null); the Bookmark
// that holds url afterwards, or null.
Bookmark *add_to(AppState *app, const char *title, const char *url, const char *keywords = nullptr,
                 uint32_t addDate = 1000, uint32_t lastVisit = DATE_NONE,
                 uint32_t lastModified = DATE_NONE, int title_words = 0);
// The bookmark file image of the Bookmarks of v (bookmark_file_image).
std::string image_of(const vec *v);

#endif
