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
#include "helpers/store_invariants.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static std::string trimmed(const char *text)
{
    std::string buf = text;
    trim_space(&buf[0]);
    return buf.c_str();
}

TEST(TrimSpace, EndsOnly)
{
    EXPECT_EQ("News", trimmed("  News "));
    EXPECT_EQ("", trimmed("    "));
    EXPECT_EQ("", trimmed(""));
    EXPECT_EQ("a b", trimmed("a b"));
    EXPECT_EQ("x  y", trimmed("\t\n\v\f\r x  y\r\n"));
    EXPECT_EQ("\xa0x\xa0", trimmed("\xa0x\xa0")); // bytes of 128 and more stay
    EXPECT_EQ("\x85", trimmed(" \x85 "));
}

static char *dup_or_null(const char *text)
{
    return text ? dupstr(text) : nullptr;
}

class BookmarkListTest : public ::testing::Test
{
protected:
    void SetUp() override { app = app_state_create("C:\\tl\\trovelinks.exe"); }
    void TearDown() override
    {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }
    void add(const char *title, const char *url, const char *keywords = nullptr,
             uint32_t addDate = 1000, uint32_t lastVisit = 2000, uint32_t lastModified = 1500,
             int title_words = 0)
    {
        add_bookmark(app, dup_or_null(title), dup_or_null(url), dup_or_null(keywords), addDate,
                     lastVisit, lastModified, title_words);
    }
    uint32_t count() { return app->bookmarks->count; }
    Bookmark *at(uint32_t i) { return vec_at<Bookmark>(app->bookmarks, i); }
    Bookmark *only()
    {
        EXPECT_EQ(1u, count());
        return count() ? at(0) : nullptr;
    }
    // A record built the way the Add commands build theirs.
    Bookmark *insert(const char *title, const char *url)
    {
        Bookmark *b = (Bookmark *) memAlloc(sizeof(Bookmark));
        memset(b, 0, sizeof *b);
        b->url = dupstr(url);
        b->title = dupstr(title);
        b->addDate = b->lastVisit = 1000;
        b->lastModified = DATE_NONE;
        b->keywords = set_keywords(app->keyword_index, b, title, nullptr);
        insert_bookmark(app, b);
        return b;
    }

    AppState *app;
};

TEST_F(BookmarkListTest, TrimsAndDropsEmptyEntries)
{
    add(nullptr, nullptr);
    add("", "");
    add("  ", " \t ", "keywords");
    EXPECT_EQ(0u, count());

    add("  News ", " a/b.htm ");
    EXPECT_STREQ("News", only()->title);
    EXPECT_STREQ("a/b.htm", only()->url);
}

TEST_F(BookmarkListTest, EmptyTitleOrEmptyUrl)
{
    add(nullptr, "http://x/");
    EXPECT_STREQ("", only()->title);
    delete_bookmark(app, only());

    // Empty urls are never duplicates of each other.
    add("First", "");
    add("Second", nullptr);
    ASSERT_EQ(2u, count());
    EXPECT_STREQ("", at(0)->url);
    EXPECT_STREQ("", at(1)->url);
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, ""));
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, nullptr));
}

TEST_F(BookmarkListTest, DuplicateMergesDatesOnlyWithATimedAddDate)
{
    add("Chess", "http://Chess.example/", "openings", 1000, 2000, 1500);
    Bookmark *b = only();

    // addDate a sentinel: nothing changes, not even later dates.
    add("Other", "HTTP://chess.EXAMPLE/", "endgames", DATE_NONE, 9000, 9000);
    EXPECT_EQ(b, only());
    EXPECT_EQ(2000u, b->lastVisit);
    EXPECT_EQ(1500u, b->lastModified);

    // addDate a time: each date rises to the larger; none falls.
    add("Other", "http://chess.example/", nullptr, 5, 1999, 1600);
    EXPECT_EQ(2000u, b->lastVisit);
    EXPECT_EQ(1600u, b->lastModified);
    add(nullptr, "http://CHESS.example/", nullptr, 5, 2500, 100);
    EXPECT_EQ(2500u, b->lastVisit);
    EXPECT_EQ(1600u, b->lastModified);

    // A given sentinel compares larger than every time and replaces it.
    add(nullptr, "http://chess.example/", nullptr, 5, DATE_NONE, DATE_NONE);
    EXPECT_EQ(DATE_NONE, b->lastVisit);
    EXPECT_EQ(DATE_NONE, b->lastModified);
    add(nullptr, "http://chess.example/", nullptr, 5, 1, DATE_FAILED);
    EXPECT_EQ(DATE_FAILED, b->lastModified);

    // Title, url, addDate and keywords stay the first one's.
    EXPECT_STREQ("Chess", b->title);
    EXPECT_STREQ("http://Chess.example/", b->url);
    EXPECT_EQ(1000u, b->addDate);
    EXPECT_EQ("openings", keywords_of(b));
}

TEST_F(BookmarkListTest, NewRecordDates)
{
    add("Given", "http://a/", nullptr, 1000, 2000, DATE_FAILED);
    EXPECT_EQ(1000u, only()->addDate);
    EXPECT_EQ(2000u, only()->lastVisit);
    EXPECT_EQ(DATE_FAILED, only()->lastModified);
    EXPECT_EQ(0u, only()->flags);
    delete_bookmark(app, only());

    uint32_t before = (uint32_t) time(nullptr);
    add("Missing", "http://b/", nullptr, DATE_CHECKING, DATE_NONE, DATE_CHECKING);
    uint32_t after = (uint32_t) time(nullptr);
    Bookmark *b = only();
    EXPECT_TRUE(b->addDate >= before && b->addDate <= after);
    EXPECT_TRUE(b->lastVisit >= before && b->lastVisit <= after);
    EXPECT_EQ(DATE_NONE, b->lastModified);
    delete_bookmark(app, b);

    add("Never checked", "http://c/", nullptr, DATE_FAILED, DATE_FAILED, DATE_NONE);
    EXPECT_TRUE(date_is_time(only()->addDate));
    EXPECT_TRUE(date_is_time(only()->lastVisit));
    EXPECT_EQ(DATE_NONE, only()->lastModified);
}

TEST_F(BookmarkListTest, TitleWordsOnAndOff)
{
    add("The Chess Tutorial", "http://on/", "openings", 1000, 2000, 1500, 1);
    EXPECT_EQ("Chess Tutorial openings", keywords_of(only()));
    delete_bookmark(app, only());

    // Off: the stored keyword text alone, unfiltered (stop words and
    // one-letter words stay keywords).
    add("The Chess Tutorial", "http://off/", "  a the openings, openings ", 1000, 2000, 1500, 0);
    EXPECT_EQ("a the openings", keywords_of(only()));
    delete_bookmark(app, only());

    add("The Chess Tutorial", "http://none/");
    EXPECT_EQ("", keywords_of(only()));
    delete_bookmark(app, only());

    add("--- !!!", "http://nowords/", nullptr, 1000, 2000, 1500, 1);
    EXPECT_EQ("", keywords_of(only()));
    EXPECT_EQ(0u, app->keyword_index->entries->count);
}

TEST_F(BookmarkListTest, DeleteTakesItsOwnKeywordsAlong)
{
    add("A", "http://a/", "chess openings");
    add("B", "http://b/", "chess");
    Bookmark *a = find_bookmark_by_url(app, "HTTP://A/");
    ASSERT_NE(nullptr, a);
    delete_bookmark(app, a);
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, "http://a/"));
    ASSERT_EQ(1u, app->keyword_index->entries->count);
    EXPECT_STREQ("chess", vec_at<KeywordEntry>(app->keyword_index->entries, 0)->text);
}

TEST_F(BookmarkListTest, SharedUrlsAnswerTheLowestAddress)
{
    // The Add commands and url changes can leave two Bookmarks with one url;
    // the duplicate is always the first in address order, as a walk finds.
    Bookmark *x = insert("X", "http://same/");
    Bookmark *y = insert("Y", "HTTP://SAME/");
    Bookmark *low = x < y ? x : y, *high = x < y ? y : x;
    EXPECT_EQ(low, find_bookmark_by_url(app, "http://Same/"));
    add(nullptr, "http://same/", nullptr, 5, DATE_FAILED, 1);
    EXPECT_EQ(DATE_FAILED, low->lastVisit);
    EXPECT_EQ(1000u, high->lastVisit);

    set_bookmark_url(app, low, dupstr("http://moved/"));
    EXPECT_EQ(high, find_bookmark_by_url(app, "http://same/"));
    EXPECT_EQ(low, find_bookmark_by_url(app, "HTTP://MOVED/"));
    set_bookmark_url(app, low, nullptr);
    EXPECT_STREQ("", low->url);
    EXPECT_EQ(nullptr, find_bookmark_by_url(app, "http://moved/"));
    EXPECT_EQ("", check_app_store(app));
}

// Random adds (with and without title words, many duplicate urls in mixed
// case), deletes, url changes, keyword changes and directly inserted
// records. After each step the list is in address order, the keyword index
// agrees with the lists, and every url finds what a walk of the list finds.
TEST_F(BookmarkListTest, StaysConsistentUnderRandomOperations)
{
    std::mt19937 rng(20240611);
    const char *words[] = {"Chess", "chess", "the", "a", "openings", "it's", "Go", "x", "net"};
    auto random_text = [&](int most) {
        std::string t;
        int n = (int) (rng() % (most + 1));
        for (int i = 0; i < n; i++)
            t += std::string(i ? " " : "") + words[rng() % 9];
        return t;
    };
    auto random_url = [&]() {
        std::string u = "http://host" + std::to_string(rng() % 300) + "/Page";
        for (char &c : u)
            if (rng() % 4 == 0) c = (char) toupper((unsigned char) c);
        return rng() % 20 ? u : std::string(rng() % 2 ? "" : "  ");
    };
    const int steps = 4000;
    for (int step = 0; step < steps; step++) {
        uint32_t r = rng() % 100;
        if (r < 55 || count() == 0) {
            std::string title = random_text(4), url = random_url(), kw = random_text(3);
            uint32_t dates[] = {0, 12345, DATE_CHECKING, DATE_NONE, DATE_FAILED};
            add(title.c_str(), url.c_str(), rng() % 3 ? kw.c_str() : nullptr, dates[rng() % 5],
                dates[rng() % 5], dates[rng() % 5], (int) (rng() % 2));
        } else if (r < 80) {
            delete_bookmark(app, at(rng() % count()));
        } else if (r < 88) {
            set_bookmark_url(app, at(rng() % count()), dupstr(random_url().c_str()));
        } else if (r < 95) {
            Bookmark *b = at(rng() % count());
            std::string kw = random_text(5);
            b->keywords = set_keywords(app->keyword_index, b, kw.c_str(), b->keywords);
        } else {
            insert(random_text(3).c_str(), random_url().c_str());
        }
        if (step % 25 == 0 || step == steps - 1) {
            std::string fault = check_app_store(app);
            ASSERT_EQ("", fault) << "after step " << step;
        }
    }
    // Emptying the list leaves an empty keyword index.
    while (count())
        delete_bookmark(app, at(rng() % count()));
    EXPECT_EQ(0u, app->keyword_index->entries->count);
}

// One snapshot line per Bookmark, in url order: what a bulk add and the
// same adds one at a time must agree on (addresses differ between runs).
static std::vector<std::string> snapshot(AppState *app)
{
    std::vector<std::string> lines;
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        lines.push_back(std::string(b->url) + "|" + b->title + "|" + keywords_of(b) + "|" +
                        std::to_string(b->lastVisit) + "|" + std::to_string(b->lastModified));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The same adds, deletes and keyword changes with and without a bulk add
// around them (nested, with room reserved) give the same Bookmarks, and the
// bulk leaves list, entries and sets in order.
TEST(BulkAdd, SameResultAsOneAtATime)
{
    AppState *apps[2] = {app_state_create("tl.exe"), app_state_create("tl.exe")};
    bookmark_bulk_begin(apps[1]);
    bookmark_bulk_reserve(apps[1], 1000);
    bookmark_bulk_begin(apps[1]);
    std::mt19937 rng(7);
    for (int step = 0; step < 3000; step++) {
        std::string url = "http://h/" + std::to_string(rng() % 400);
        // Long keywords sharing their first eight bytes or more, short ones
        // and prefixes of others: the orders of the entries' sort.
        std::string title = "word" + std::to_string(rng() % 900) + " Word" +
                            std::to_string(rng() % 50) + " the a keywordsX" +
                            std::to_string(rng() % 30) + " keywords keyword" +
                            std::to_string(rng() % 9);
        uint32_t r = rng() % 20, date = 1000 + rng() % 5000;
        for (AppState *app : apps) {
            if (r == 0) {
                Bookmark *b = find_bookmark_by_url(app, url.c_str());
                if (b) delete_bookmark(app, b);
            } else if (r == 1 || r == 2) {
                // New keywords for an older (often lower-addressed) Bookmark,
                // with a repeat that must be filed once.
                Bookmark *b = find_bookmark_by_url(app, url.c_str());
                std::string kw = r == 1 ? "" : title + " word" + std::to_string(date % 7) + " the";
                if (b) b->keywords = set_keywords(app->keyword_index, b, kw.c_str(), b->keywords);
            } else {
                add_bookmark(app, dupstr(title.c_str()), dupstr(url.c_str()), nullptr, date, date,
                             date, (int) (r % 2));
            }
        }
    }
    bookmark_bulk_end(apps[1]);
    EXPECT_EQ(1, apps[1]->bulk_depth);
    EXPECT_EQ(1, apps[1]->keyword_index->deferred);
    bookmark_bulk_end(apps[1]);
    EXPECT_EQ(0, apps[1]->keyword_index->deferred);
    EXPECT_EQ("", check_app_store(apps[0]));
    EXPECT_EQ("", check_app_store(apps[1]));
    EXPECT_EQ(snapshot(apps[0]), snapshot(apps[1]));
    for (AppState *app : apps)
        app_state_destroy(app);
}
