// The filter's decisions on the application record: trimming, the shown set,
// the status text and when it returns to "Ready", and the display order.
#include <ctype.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/filter.h"
#include "search/list_order.h"
#include "store/bookmark.h"

namespace
{

class Filter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memModuleInit();
        app = app_state_create("");
    }
    void TearDown() override
    {
        filter_update_free(&u);
        app_state_destroy(app);
        memModuleExit();
    }
    void add(const char *title, const char *url, const char *keywords)
    {
        add_to(app, title, url, keywords);
    }
    void decide(const char *text, int32_t caret = -1)
    {
        filter_update_free(&u);
        filter_decide(app, text, caret < 0 ? (int32_t) strlen(text) : caret, &u);
    }
    std::string status() const { return u.status ? u.status : "(unchanged)"; }
    std::vector<std::string> titles() const
    {
        std::vector<std::string> v;
        for (uint32_t i = 0; i < app->list_items->count; i++)
            v.push_back(vec_at<Bookmark>(app->list_items, i)->title);
        return v;
    }
    int listed() const
    {
        int n = 0;
        for (uint32_t i = 0; i < app->bookmarks->count; i++)
            n += (vec_at<Bookmark>(app->bookmarks, i)->flags & BM_LISTED) != 0;
        return n;
    }

    AppState *app = nullptr;
    FilterUpdate u = {};
};

TEST(FilterTrim, TrailingBlanksAndOperatorsGo)
{
    EXPECT_EQ(filter_trimmed_length("chess & ! | "), 5u);
    EXPECT_EQ(filter_trimmed_length("chess&"), 5u);
    EXPECT_EQ(filter_trimmed_length("\t\r\n\v\f !&|"), 0u);
    EXPECT_EQ(filter_trimmed_length("  chess"), 7u); // leading blanks stay
    EXPECT_EQ(filter_trimmed_length("(a)"), 3u);
    EXPECT_EQ(filter_trimmed_length(""), 0u);
}

TEST_F(Filter, AnEmptyListCanBeFilteredAndSorted)
{
    decide("x");
    EXPECT_EQ(u.refill, 0);
    filter_sort(app, 1);
    decide("");
    EXPECT_EQ(titles().size(), 0u);
    add("Late", "http://late/", "late");
    decide("late");
    EXPECT_EQ(titles(), std::vector<std::string>{"Late"});
}

// What the filter decides at each keystroke: whether the list is refilled,
// the status text and how long it stays, the search error, and the titles
// shown (in display order: by title, case ignored), each Bookmark once and
// flagged as listed.
TEST_F(Filter, DecisionsStepByStep)
{
    add("Chess Openings", "http://p/", "chess openings");
    add("Board", "http://q/", "chessboard");
    add("Club", "http://r/", "Chess");
    add("apple pie", "http://s/", "cooking");
    const std::string ALL = "apple pie|Board|Chess Openings|Club",
                      CHESS = "Board|Chess Openings|Club";
    const FilterDeadline SOON = FILTER_DEADLINE_SOON, NEVER = FILTER_DEADLINE_NEVER,
                         KEEP = FILTER_DEADLINE_KEEP;
    const struct {
        const char *text;
        int refill;
        const char *status;
        FilterDeadline deadline;
        int error;
        std::string titles;
    } steps[] = {
        {"", 1, "Ready", SOON, 0, ALL},
        {"(", 0, "Search expression error", NEVER, 1, ALL},
        {"", 0, "Ready", SOON, 0, ALL},         // every Bookmark listed already
        {"  ", 0, "(unchanged)", KEEP, 0, ALL}, // nothing changes, not even the status
        {"chess", 1, "Chess chessboard", NEVER, 0, CHESS},
        {"chess & ", 0, "Ready", NEVER, 0, CHESS}, // the caret is past the word
        {"chess & (", 0, "Search expression error", NEVER, 1, CHESS},
        {"chess.", 1, "Chess ", NEVER, 0, "Chess Openings|Club"}, // a repeat goes, not its blank
        {"nothing", 1, "Ready", NEVER, 0, ""},
    };
    for (const auto &c : steps) {
        decide(c.text);
        EXPECT_EQ(c.refill, u.refill) << c.text;
        EXPECT_EQ(c.status, status()) << c.text;
        EXPECT_EQ(c.deadline, u.deadline) << c.text;
        EXPECT_EQ(c.error, app->search_error) << c.text;
        std::string shown;
        for (const std::string &t : titles())
            shown += (shown.empty() ? "" : "|") + t;
        EXPECT_EQ(c.titles, shown) << c.text;
        EXPECT_EQ(titles().size(), (size_t) listed()) << c.text;
    }
}

// The shell takes items out of the list by itself (a delete); the filter's
// next sort and fill must go by what the list holds then.
TEST_F(Filter, ItemsTakenOutOfTheListStayOutUntilTheNextFill)
{
    add("Chess Openings", "http://p/", "chess");
    add("Board", "http://q/", "chessboard");
    add("Club", "http://r/", "chess");
    decide("chess");
    Bookmark *gone = vec_at<Bookmark>(app->list_items, 0); // "Board"
    vec_remove(app->list_items, 0);
    gone->flags &= ~BM_LISTED;

    filter_sort(app, 1);
    EXPECT_EQ(titles(), (std::vector<std::string>{"Chess Openings", "Club"}));
    EXPECT_EQ(listed(), 2);
    decide("chess ");
    EXPECT_EQ(u.refill, 1);
    EXPECT_EQ(titles().size(), 3u);
    EXPECT_EQ(listed(), 3);
    decide("chess");
    EXPECT_EQ(u.refill, 0);
}

TEST_F(Filter, DisplayOrderFollowsEditsAndKeepsTiesInAddressOrder)
{
    add("Same", "http://b/", "");
    add("same", "http://a/", "");
    add("Other", "http://c/", "");
    decide("");
    std::vector<Bookmark *> same;
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        Bookmark *b = vec_at<Bookmark>(app->bookmarks, i);
        if (b->title[0] == 'S' || b->title[0] == 's') same.push_back(b);
    }
    ASSERT_EQ(same.size(), 2u);
    // Equal titles (case ignored) in the BookmarkList's order.
    EXPECT_EQ(vec_at<Bookmark>(app->list_items, 1), same[0]);
    EXPECT_EQ(vec_at<Bookmark>(app->list_items, 2), same[1]);

    filter_sort(app, 1);
    EXPECT_EQ(app->sort_column, 1);
    EXPECT_STREQ(vec_at<Bookmark>(app->list_items, 0)->url, "http://a/");

    // An edited title reorders the next fill.
    Bookmark *other = nullptr;
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        if (vec_at<Bookmark>(app->bookmarks, i)->title[0] == 'O')
            other = vec_at<Bookmark>(app->bookmarks, i);
    ASSERT_TRUE(other != nullptr);
    set_bookmark_title(app, other, dupstr("Zulu"));
    filter_sort(app, 0);
    EXPECT_EQ(vec_at<Bookmark>(app->list_items, 2), other);
    filter_sort(app, 1);
    EXPECT_EQ(vec_at<Bookmark>(app->list_items, 2), other);
}

// Titles alike in their first 8 bytes and more, and titles that begin
// others: the order goes by the first byte that differs, a shorter title
// first.
TEST_F(Filter, LongCommonBeginningsSortByTheFirstDifference)
{
    for (const char *t : {"chess openings guide", "Chessboard", "CHESS OPENINGS", "chess openings b",
                          "Chess Openings Guide 2", "chess openings book", "Chess Openings Guida"})
        add(t, t, "");
    decide("");
    EXPECT_EQ(titles(),
              (std::vector<std::string>{"CHESS OPENINGS", "chess openings b", "chess openings book",
                                        "Chess Openings Guida", "chess openings guide",
                                        "Chess Openings Guide 2", "Chessboard"}));
}

// Enough Bookmarks that their keys are made on two threads: the order is
// whole and sorted all the same.
TEST_F(Filter, ManyBookmarksSortAsFew)
{
    const int n = 10000;
    for (int i = 0; i < n; i++) {
        std::string t = std::string(1 + i % 13, (char) ((i % 2 ? 'a' : 'A') + i * 7 % 26)) +
                         std::to_string(i);
        add(t.c_str(), ("http://h/" + t).c_str(), "");
    }
    decide("");
    std::vector<std::string> shown = titles();
    ASSERT_EQ(shown.size(), (size_t) n);
    for (std::string &t : shown)
        for (char &ch : t)
            ch = (char) tolower((unsigned char) ch);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::adjacent_find(shown.begin(), shown.end()), shown.end());
}

// A key that orders texts backwards: each byte inverted.
uint32_t backward_key(const char *text, unsigned char *key, uint32_t size)
{
    uint32_t n = (uint32_t) strlen(text);
    for (uint32_t i = 0; i < n && i < size; i++)
        key[i] = (unsigned char) (255 - (unsigned char) text[i]);
    return n;
}

// Each application record's list sorts with the key function of its own.
TEST_F(Filter, EachListSortsWithItsOwnKeys)
{
    AppState *other = app_state_create("");
    list_order_use_keys(other->list_order, backward_key);
    for (AppState *a : {app, other})
        for (const char *t : {"b", "A", "c"})
            add_to(a, t, t);
    decide("");
    FilterUpdate v;
    filter_decide(other, "", 0, &v);
    filter_update_free(&v);
    EXPECT_EQ(titles(), (std::vector<std::string>{"A", "b", "c"}));
    std::vector<std::string> backward;
    for (uint32_t i = 0; i < other->list_items->count; i++)
        backward.push_back(vec_at<Bookmark>(other->list_items, i)->title);
    EXPECT_EQ(backward, (std::vector<std::string>{"c", "b", "A"}));
    app_state_destroy(other);
}

#ifdef _WIN32
// A Bookmark deleted and a new one added with the same addDate, until the
// new one's record and title take the very blocks of the deleted one's: the
// display order is built anew all the same. Only the Windows heap (under
// Wine) is sure to hand freed blocks back; the sanitizers' heap natively
// never does.
TEST_F(Filter, DisplayOrderSeesARecordReusedAfterADelete)
{
    add("Mike", "http://m/", "");
    add("Zulu", "http://z/", "");
    add("Alpha", "http://a/", "");
    const char *const next[][2] = {{"Yacht", "http://y/"}, {"Alpha", "http://a/"}};
    Bookmark *b = find_bookmark_by_url(app, "http://a/");
    for (int attempt = 0; attempt < 200; attempt++) {
        decide("");
        void *record = b;
        const char *title = b->title;
        vec_remove(app->list_items, vec_search(app->list_items, b)); // as the shell does
        delete_bookmark(app, b);
        add(next[attempt % 2][0], next[attempt % 2][1], "");
        b = find_bookmark_by_url(app, next[attempt % 2][1]);
        if ((void *) b != record || b->title != title) continue;
        decide("");
        std::vector<std::string> want = {"Mike", "Zulu", b->title};
        std::sort(want.begin(), want.end());
        EXPECT_EQ(titles(), want);
        return;
    }
    ADD_FAILURE() << "the heap gave no freed block back";
}
#endif

} // namespace
