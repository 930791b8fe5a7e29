// Consistency checks over the store for tests: the keyword index against the
// Bookmarks' keyword lists, and the BookmarkList against its URL index.
// Each returns "" when everything holds, else a description of the first
// fault found, so a test can EXPECT_EQ("", ...) and see what broke.
#ifndef TL_TESTS_HELPERS_STORE_INVARIANTS_H
#define TL_TESTS_HELPERS_STORE_INVARIANTS_H

#include <string>
#include <vector>

struct AppState;
struct Bookmark;
struct KeywordIndex;

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

#endif
