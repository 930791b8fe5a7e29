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
#include "helpers/store_helpers.h"
#include "search/filter.h"
#include "search/list_order.h"
#include "store/bookmark.h"

namespace
{

class Filter : public ::testing::Test
{
protected:
    AppState *app = new_app();
    FilterUpdate u = {};
    ~Filter() override
    {
        filter_update_free(&u);
        app_state_destroy(app);
    }
    void add(const char *title, const char *url, const char *keywords = "")
    {
        add_to(app, title, url, keywords);
    }
    void decide(const char *text)
    {
        filter_update_free(&u);
        filter_decide(app, text, (int32_t) strlen(text), &u);
    }
    std::string status() const { return u.status ? u.status : "(unchanged)"; }
    Bookmark *item(uint32_t i) const { return vec_at<Bookmark>(app->list_items, i); }
    // The titles shown, separated by "|".
    std::string titles() const
    {
        std::string s;
        for (uint32_t i = 0; i < app->list_items->count; i++)
            s += (i ? "|" : "") + std::string(item(i)->title);
        return s;
    }
    uint32_t listed() const
    {
        uint32_t n = 0;
        for (uint32_t i = 0; i < app->bookmarks->count; i++)
            n += (vec_at<Bookmark>(app->bookmarks, i)->flags & BM_LISTED) != 0;
        return n;
    }
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

// What the filter decides at each keystroke: whether the list is refilled,
// the status text and how long it stays, the search error, and the titles
// shown (in display order: by title, case ignored), each Bookmark once and
// flagged as listed. An empty list can be filtered and sorted first.
TEST_F(Filter, DecisionsStepByStep)
{
    decide("x");
    EXPECT_EQ(u.refill, 0);
    filter_sort(app, 0);
    decide("");
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
        EXPECT_EQ(c.titles, titles()) << c.text;
        EXPECT_EQ(app->list_items->count, listed()) << c.text;
    }
    // The shell takes items out of the list by itself (a delete); the
    // filter's next sort and fill go by what the list holds then.
    decide("chess");
    item(0)->flags &= ~BM_LISTED; // "Board"
    vec_remove(app->list_items, 0);
    filter_sort(app, 1);
    EXPECT_EQ("Chess Openings|Club", titles());
    EXPECT_EQ(listed(), 2u);
    decide("chess ");
    EXPECT_EQ(u.refill, 1);
    EXPECT_EQ(listed(), 3u);
    decide("chess");
    EXPECT_EQ(u.refill, 0);
}

TEST_F(Filter, DisplayOrderFollowsEditsAndKeepsTiesInAddressOrder)
{
    add("Same", "http://b/");
    add("same", "http://a/");
    add("Other", "http://c/");
    decide("");
    // Equal titles (case ignored) in the BookmarkList's order.
    Bookmark *a = find_bookmark_by_url(app, "http://a/"),
             *b = find_bookmark_by_url(app, "http://b/");
    EXPECT_EQ(std::min(a, b), item(1));
    EXPECT_EQ(std::max(a, b), item(2));
    filter_sort(app, 1);
    EXPECT_EQ(app->sort_column, 1);
    EXPECT_EQ(a, item(0));
    // An edited title reorders the next fill.
    Bookmark *other = find_bookmark_by_url(app, "http://c/");
    set_bookmark_title(app, other, dupstr("Zulu"));
    filter_sort(app, 0);
    EXPECT_EQ(other, item(2));
}

// Many Bookmarks, among them titles alike in their first 8 bytes and more
// and titles that begin others: the order is whole, by the first byte that
// differs, a shorter title first.
TEST_F(Filter, ManyBookmarksSortAsFew)
{
    const int n = 10000;
    for (int i = 0; i < n; i++) {
        std::string t =
            std::string(1 + i % 13, (char) ((i % 2 ? 'a' : 'A') + i * 7 % 26)) + std::to_string(i);
        add(t.c_str(), ("http://h/" + t).c_str());
    }
    for (const char *t :
         {"chess openings guide", "Chessboard", "CHESS OPENINGS", "chess openings b",
          "Chess Openings Guide 2", "chess openings book", "Chess Openings Guida"})
        add(t, t);
    decide("");
    std::vector<std::string> shown(app->list_items->count);
    for (uint32_t i = 0; i < shown.size(); i++)
        for (const char *ch = item(i)->title; *ch; ch++)
            shown[i] += (char) tolower((unsigned char) *ch);
    ASSERT_EQ(shown.size(), (size_t) n + 7);
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
    EXPECT_EQ("A|b|c", titles());
    std::swap(app, other);
    EXPECT_EQ("c|b|A", titles());
    std::swap(app, other);
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
    add("Mike", "http://m/");
    add("Zulu", "http://z/");
    add("Alpha", "http://a/");
    const char *const next[][2] = {{"Yacht", "http://y/"}, {"Alpha", "http://a/"}};
    Bookmark *b = find_bookmark_by_url(app, "http://a/");
    for (int attempt = 0; attempt < 200; attempt++) {
        decide("");
        void *record = b;
        const char *title = b->title;
        vec_remove(app->list_items, vec_search(app->list_items, b)); // as the shell does
        delete_bookmark(app, b);
        add(next[attempt % 2][0], next[attempt % 2][1]);
        b = find_bookmark_by_url(app, next[attempt % 2][1]);
        if ((void *) b != record || b->title != title) continue;
        decide("");
        EXPECT_EQ(attempt % 2 ? "Alpha|Mike|Zulu" : "Mike|Yacht|Zulu", titles());
        return;
    }
    ADD_FAILURE() << "the heap gave no freed block back";
}
#endif

} // namespace
