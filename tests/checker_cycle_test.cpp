// Check cycles on the application record, with a stand-in for the checker
// thread: which Bookmarks are candidates, where the reports go, lost
// requests, one request at a time (Stop, a new cycle, adds during a probe),
// and the resumed search agreeing with a search from the top after every
// kind of change. The flows in the window (and the minute timer) are tested
// in tests/gui/gui_check_test.cpp.
#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "session/appstate.h"
#include "checker/check_cycle.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/filter.h"
#include "store/bookmark.h"

namespace
{

const uint32_t T1 = 1600000000, T2 = 1650000000;

// The first candidate as the rule reads, searched from the top every time.
Bookmark *first_candidate_from_top(AppState *app)
{
    auto candidate = [](Bookmark *b) {
        if (b->flags & BM_CHECKED) return false;
        return !date_is_time(b->lastModified) || b->lastVisit >= b->lastModified;
    };
    for (vec *v : {app->list_items, app->bookmarks})
        for (uint32_t i = 0; v && i < v->count; i++)
            if (candidate(vec_at<Bookmark>(v, i))) return vec_at<Bookmark>(v, i);
    return nullptr;
}

struct Checker {
    std::vector<std::string> queue, posted;
    std::vector<Bookmark *> redrawn;
    bool accept = true;   // the thread has its queue
    bool verify = false;  // compare every choice with the search from the top
    std::string mismatch; // the first disagreement
};
Checker *g_checker;

int post(AppState *app, char *url)
{
    Checker *c = g_checker;
    if (c->verify) {
        Bookmark *expected = first_candidate_from_top(app);
        if (!expected || expected->url != std::string(url))
            if (c->mismatch.empty()) c->mismatch = std::string("posted ") + url;
    }
    if (!c->accept) return 0;
    c->posted.push_back(url);
    c->queue.push_back(url);
    memFree(url);
    return 1;
}

void redraw(AppState *, Bookmark *b)
{
    g_checker->redrawn.push_back(b);
}

class Cycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memModuleInit();
        app = app_state_create("");
        g_checker = &checker;
        CheckDoors doors = {post, redraw};
        check_cycle_use_doors(&doors);
    }
    void TearDown() override
    {
        check_cycle_use_doors(nullptr);
        filter_update_free(&u);
        app_state_destroy(app);
        memModuleExit();
    }
    Bookmark *add(const char *url, const char *keywords = "word", uint32_t visit = T1,
                  uint32_t modified = DATE_NONE)
    {
        return add_to(app, url, url, keywords, T1, visit, modified);
    }
    void filter(const char *text)
    {
        filter_update_free(&u);
        filter_decide(app, text, 0, &u);
    }
    // The checker thread takes its next request: the report that it begins,
    // the probe (result), the report of the result.
    std::string begin_probe()
    {
        std::string url = checker.queue.front();
        checker.queue.erase(checker.queue.begin());
        check_status_arrived(app, url.c_str(), DATE_CHECKING);
        return url;
    }
    void end_probe(const std::string &url, uint32_t result = T1)
    {
        check_status_arrived(app, url.c_str(), result);
        checker_idle(app);
    }
    // Runs the checker until its queue is empty (at most limit probes).
    void run(uint32_t result = T1, int limit = 1000)
    {
        while (!checker.queue.empty() && limit-- > 0)
            end_probe(begin_probe(), result);
    }

    AppState *app = nullptr;
    Checker checker;
    FilterUpdate u = {};
};

TEST_F(Cycle, CandidatesByFlagAndDates)
{
    struct Case {
        uint32_t visit, modified;
        bool checked;
    } cases[] = {
        {T1, DATE_NONE, true}, {T1, DATE_FAILED, true}, {T1, DATE_CHECKING, true},
        {T2, T1, true},        {T1, T1, true},          {T1, T2, false}, // modified since the visit
        {DATE_NONE, T2, true}, // never visited: DATE_NONE is later than every time
    };
    std::vector<std::string> expected;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string url = "http://h" + std::to_string(i) + "/";
        Bookmark *b = add(url.c_str());
        b->lastVisit = cases[i].visit;
        b->lastModified = cases[i].modified;
        if (cases[i].checked) expected.push_back(url);
    }
    start_check_cycle(app);
    run(T1);
    std::vector<std::string> posted = checker.posted;
    std::sort(posted.begin(), posted.end());
    EXPECT_EQ(expected, posted);
    EXPECT_EQ(0, app->check_active);
    // The skipped one still shows as new; a second cycle skips it again.
    EXPECT_EQ(T2, find_bookmark_by_url(app, "http://h5/")->lastModified);
    checker.posted.clear();
    start_check_cycle(app);
    run(T1);
    EXPECT_EQ(expected.size(), checker.posted.size());
}

TEST_F(Cycle, ReportsReachEveryBookmarkOfTheUrlIgnoringCase)
{
    Bookmark *a = add("http://Same/");
    Bookmark *b = add("http://other/");
    Bookmark *c = add("http://third/");
    set_bookmark_url(app, c, dupstr("HTTP://SAME/"));
    Bookmark *e = add("x-no-url");
    set_bookmark_url(app, e, nullptr); // a Bookmark without a url
    filter("");                        // everything listed
    check_status_arrived(app, "http://same/", T2);
    EXPECT_EQ(T2, a->lastModified);
    EXPECT_EQ(T2, c->lastModified);
    EXPECT_TRUE(a->flags & c->flags & BM_CHECKED);
    EXPECT_EQ(DATE_NONE, b->lastModified);
    EXPECT_FALSE(b->flags & BM_CHECKED);
    EXPECT_EQ(2u, checker.redrawn.size());
    check_status_arrived(app, "", DATE_FAILED);
    EXPECT_EQ(DATE_FAILED, e->lastModified);
    check_status_arrived(app, "http://gone/", T1); // deleted meanwhile: nothing changes
    EXPECT_EQ(DATE_NONE, b->lastModified);
}

TEST_F(Cycle, RequestLostBeforeTheQueueExistsIsPostedAgainOnTheFirstIdle)
{
    add("http://a/");
    checker.accept = false;
    start_check_cycle(app);
    EXPECT_EQ(1, app->check_active);
    EXPECT_TRUE(checker.posted.empty());
    checker.accept = true;
    checker_idle(app); // the thread starts
    EXPECT_EQ(std::vector<std::string>{"http://a/"}, checker.posted);
    checker_idle(app); // a second starting report (or one too early) adds nothing
    EXPECT_EQ(1u, checker.posted.size());
    run();
    EXPECT_EQ(0, app->check_active);
}

TEST_F(Cycle, ACycleStartedAgainQueuesNothingBehindAProbe)
{
    add("http://a/");
    add("http://b/");
    start_check_cycle(app);
    std::string hanging = begin_probe();
    app->check_minutes = 7;
    stop_check_cycle(app);
    EXPECT_EQ(0, app->check_minutes);
    start_check_cycle(app);
    EXPECT_TRUE(checker.queue.empty());
    end_probe(hanging);
    EXPECT_EQ(1u, checker.queue.size());
    run();
    EXPECT_EQ(2u, checker.posted.size());
    EXPECT_EQ(0, app->check_active);

    // Started again while it runs: every flag is cleared, so the first one
    // checked is asked for again; the end of the cycle resets the minutes.
    start_check_cycle(app);
    end_probe(begin_probe());
    start_check_cycle(app);
    EXPECT_EQ(1u, checker.queue.size());
    app->check_minutes = 3;
    run();
    ASSERT_EQ(5u, checker.posted.size());
    EXPECT_EQ(checker.posted[2], checker.posted[4]);
    EXPECT_EQ(0, app->check_minutes);
}

TEST_F(Cycle, AddsDuringAProbeQueueNothingAndTheNewBookmarkIsChecked)
{
    add("http://m/");
    start_check_cycle(app);
    std::string url = begin_probe();
    std::vector<Bookmark *> added;
    for (int i = 0; i < 50; i++)
        added.push_back(add(("http://n" + std::to_string(i) + "/").c_str()));
    EXPECT_TRUE(checker.queue.empty());
    end_probe(url);
    run();
    EXPECT_EQ(51u, checker.posted.size());
    for (Bookmark *b : added)
        EXPECT_TRUE(b->flags & BM_CHECKED);
}

// Random changes between probes: every URL handed over is the one a search
// from the top finds, and a cycle ends only when that search finds none.
TEST_F(Cycle, ResumedSearchAgreesWithASearchFromTheTop)
{
    std::mt19937 rng(15);
    const char *words[] = {"red", "blue", "green"};
    std::vector<std::string> urls;
    for (int i = 0; i < 60; i++) {
        urls.push_back("http://u" + std::to_string(i) + "/");
        add(urls.back().c_str(), words[i % 3], T1, i % 7 == 0 ? T2 : DATE_NONE);
    }
    checker.verify = true;
    start_check_cycle(app);
    for (int step = 0; step < 600 && checker.mismatch.empty(); step++) {
        vec *all = app->bookmarks;
        Bookmark *some = all->count ? vec_at<Bookmark>(all, rng() % all->count) : nullptr;
        bool was_active = app->check_active;
        switch (rng() % 8) {
        case 0: filter(rng() % 4 == 3 ? "" : words[rng() % 3]); break;
        case 1: filter_sort(app, (int) (rng() % 2)); break;
        case 2: add(urls[rng() % urls.size()].c_str(), words[rng() % 3], T2, T1); break;
        case 3:
            if (some && !(some->flags & BM_LISTED)) delete_bookmark(app, some);
            break;
        case 4:
            if (some) { // a visit
                some->lastVisit = T2 + step;
                check_cycle_rewind(app);
            }
            break;
        case 5: start_check_cycle(app); break;
        default:
            if (!checker.queue.empty()) end_probe(begin_probe(), rng() % 2 ? T1 : T2 + 10000);
        }
        if (was_active && !app->check_active && first_candidate_from_top(app))
            checker.mismatch = "ended with a candidate left";
        if (!app->check_active && rng() % 10 == 0) start_check_cycle(app);
    }
    EXPECT_EQ("", checker.mismatch);
    EXPECT_GT(checker.posted.size(), 50u);
}

} // namespace
