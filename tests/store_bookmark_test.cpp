// The Bookmark record and the BookmarkList: trimming, adding with duplicate
// merging and its date rules, keywords from titles, finding and deleting,
// and the list, the keyword index and the URL index staying in step.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctype.h>
#include <random>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

class BookmarkListTest : public ::testing::Test
{
protected:
    AppState *app = new_app();
    void TearDown() override
    {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }
    void add(const char *title, const char *url, const char *keywords = nullptr,
             uint32_t addDate = 1000, uint32_t lastVisit = 2000, uint32_t lastModified = 1500,
             int title_words = 0)
    {
        add_to(app, title, url, keywords, addDate, lastVisit, lastModified, title_words);
    }
    uint32_t count() { return app->bookmarks->count; }
    Bookmark *only()
    {
        EXPECT_EQ(1u, count());
        return count() ? vec_at<Bookmark>(app->bookmarks, 0) : nullptr;
    }
};

// One add to an empty list: the texts trimmed, an entry with neither title
// nor url dropped, a missing addDate or lastVisit made the time of the add
// (a missing lastModified stays none), keywords from the keyword text alone
// (unfiltered) when title words are off.
TEST_F(BookmarkListTest, OneAdd)
{
    const uint32_t F = DATE_FAILED, N = DATE_NONE, C = DATE_CHECKING;
    const struct {
        const char *title, *url, *keywords;
        uint32_t add, visit, modified;
        int title_words;
        // "url|title|keywords|addDate|lastVisit|lastModified" (a date "now"
        // when it is the time of the add); null: nothing added.
        const char *want;
    } cases[] = {
        {nullptr, nullptr, nullptr, 1000, 2000, 1500, 0, nullptr},
        {"  ", " \t ", "keywords", 1000, 2000, 1500, 0, nullptr},
        {"\t\n\v\f\r \xa0News  x\x85\r\n", " a/b.htm ", nullptr, 1000, 2000, F, 0,
         "a/b.htm|\xa0News  x\x85||1000|2000|failed"}, // inner blanks and bytes beyond ASCII stay
        {nullptr, "http://x/", nullptr, 1000, 2000, 1500, 0, "http://x/|||1000|2000|1500"},
        {"Missing", "http://b/", nullptr, C, N, C, 0, "http://b/|Missing||now|now|none"},
        {"Never checked", "", nullptr, F, F, N, 0, "|Never checked||now|now|none"},
        {"The Chess Tutorial", "http://off/", "  a the openings, openings ", 10, 20, 30, 0,
         "http://off/|The Chess Tutorial|a the openings|10|20|30"},
    };
    for (const auto &c : cases) {
        uint32_t before = (uint32_t) time(nullptr);
        add(c.title, c.url, c.keywords, c.add, c.visit, c.modified, c.title_words);
        if (!c.want) {
            EXPECT_EQ(0u, count());
            continue;
        }
        Bookmark *b = only();
        ASSERT_TRUE(b);
        EXPECT_EQ(c.want, b->url + std::string("|") + summary(b, before));
        EXPECT_EQ(0u, b->flags);
        delete_bookmark(app, b);
        EXPECT_EQ(0u, app->keyword_index->entries->count);
    }
    // Empty urls are never duplicates of each other.
    add("First", "");
    add("Second", nullptr);
    EXPECT_EQ(2u, count());
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, ""));
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, nullptr));
}

// A later add of a url held (in any letter case) changes only dates, and
// only with a time for addDate: each date rises to the larger and none
// falls; a given sentinel compares larger than every time and replaces it.
TEST_F(BookmarkListTest, DuplicateMergesDatesOnlyWithATimedAddDate)
{
    add("Chess", "http://Chess.example/", "openings", 1000, 2000, 1500);
    Bookmark *b = only();
    const struct {
        const char *url;
        uint32_t add, visit, modified, want_visit, want_modified;
    } adds[] = {
        {"HTTP://chess.EXAMPLE/", DATE_NONE, 9000, 9000, 2000, 1500},
        {"http://chess.example/", 5, 1999, 1600, 2000, 1600},
        {"http://CHESS.example/", 5, 2500, 100, 2500, 1600},
        {"http://chess.example/", 5, DATE_NONE, DATE_NONE, DATE_NONE, DATE_NONE},
        {"http://chess.example/", 5, 1, DATE_FAILED, DATE_NONE, DATE_FAILED},
    };
    for (const auto &c : adds) {
        add("Other", c.url, "endgames", c.add, c.visit, c.modified);
        EXPECT_EQ(b, only());
        EXPECT_EQ(c.want_visit, b->lastVisit) << c.url << " " << c.visit;
        EXPECT_EQ(c.want_modified, b->lastModified) << c.url << " " << c.modified;
    }
    EXPECT_EQ("Chess|http://Chess.example/|1000|openings", std::string(b->title) + "|" + b->url +
                                                               "|" + std::to_string(b->addDate) +
                                                               "|" + keywords_of(b));
    set_bookmark_url(app, b, nullptr); // no url: found under none
    EXPECT_STREQ("", b->url);
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, "http://chess.example/"));
}

// Two records built the way the Add commands build theirs, for url and
// url#2, put in the list the later made first: out of address order where
// the heap hands out rising addresses.
static void insert_two(AppState *app, const char *title, const std::string &url)
{
    Bookmark *made[2];
    for (int i = 0; i < 2; i++) {
        Bookmark *b = made[i] = (Bookmark *) memAlloc(sizeof(Bookmark));
        memset(b, 0, sizeof *b);
        b->url = dupstr((url + (i ? "#2" : "")).c_str());
        b->title = dupstr(title);
        b->addDate = b->lastVisit = 1000;
        b->lastModified = DATE_NONE;
        b->keywords = set_keywords(app->keyword_index, b, title, nullptr);
    }
    insert_bookmark(app, made[1]);
    insert_bookmark(app, made[0]);
}

// One line per Bookmark, sorted: what two lists given the same operations
// agree on (addresses differ between them).
static std::vector<std::string> snapshot(AppState *app, uint32_t since)
{
    std::vector<std::string> lines;
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        lines.push_back(b->url + std::string("|") + summary(b, since));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// Random adds (with and without title words, many duplicate urls in mixed
// case, long keywords sharing their first eight bytes or more), deletes,
// keyword changes and directly inserted records on two lists, one of them
// inside a bulk add (nested, with room reserved): both hold the same
// Bookmarks after it. Then url changes as well. Every so often each list out
// of a bulk add is in address order, its keyword index agrees with the
// lists, and every url finds what a walk of the list finds.
TEST(BookmarkList, RandomOperationsWithAndWithoutABulkAdd)
{
    const uint32_t started = (uint32_t) time(nullptr);
    AppState *apps[2] = {new_app(), new_app()};
    bookmark_bulk_begin(apps[1]);
    bookmark_bulk_reserve(apps[1], 1000);
    bookmark_bulk_begin(apps[1]);
    std::mt19937 rng(20240611);
    const char *words[] = {"Chess", "chess", "the", "a", "openings", "it's", "Go", "x", "keywords"};
    auto text = [&](int most) {
        std::string t;
        for (int n = (int) (rng() % (most + 1)); n > 0; n--) {
            uint32_t kind = rng() % 4;
            t += (t.empty() ? "" : " ") + (kind == 0   ? "keywordsX" + std::to_string(rng() % 30)
                                           : kind == 1 ? "word" + std::to_string(rng() % 900)
                                                       : std::string(words[rng() % 9]));
        }
        return t;
    };
    auto url = [&] {
        std::string u = "http://host" + std::to_string(rng() % 300) + "/Page";
        for (char &c : u)
            if (rng() % 4 == 0) c = (char) toupper((unsigned char) c);
        return rng() % 50 ? u : std::string(rng() % 2 ? "" : "  ");
    };
    const uint32_t dates[] = {0, 12345, DATE_CHECKING, DATE_NONE, DATE_FAILED};
    const int bulk = 2000, steps = 4000;
    for (int step = 0; step < steps; step++) {
        if (step == bulk) {
            for (AppState *app : apps)
                insert_two(app, "last", "http://last/");
            bookmark_bulk_end(apps[1]);
            EXPECT_EQ(1, apps[1]->keyword_index->deferred);
            bookmark_bulk_end(apps[1]);
            EXPECT_EQ(0, apps[1]->keyword_index->deferred);
            EXPECT_EQ(snapshot(apps[0], started), snapshot(apps[1], started));
        }
        uint32_t r = rng() % 100, add = dates[rng() % 5], visit = dates[rng() % 5],
                 modified = dates[rng() % 5];
        std::string title = text(4), u = url(), kw = text(3), other = url();
        int title_words = (int) (rng() % 2), no_keywords = rng() % 3 == 0;
        for (AppState *app : apps) {
            Bookmark *b = find_bookmark_by_url(app, u.c_str());
            if (r < 55 || !b)
                add_to(app, title.c_str(), u.c_str(), no_keywords ? nullptr : kw.c_str(), add,
                       visit, modified, title_words);
            else if (r < 80)
                delete_bookmark(app, b);
            else if (r < 92)
                b->keywords = set_keywords(app->keyword_index, b, kw.c_str(), b->keywords);
            else if (r < 97 && step >= bulk)
                set_bookmark_url(app, b, dupstr(other.c_str()));
            else if (!find_bookmark_by_url(app, other.c_str()))
                insert_two(app, title.c_str(), other);
        }
        for (int i = 0; step % 50 == 0 && i < (step < bulk ? 1 : 2); i++)
            ASSERT_EQ("", check_app_store(apps[i])) << "after step " << step;
    }
    for (AppState *app : apps) {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }
}
