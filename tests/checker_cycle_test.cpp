// Check cycles on the application record, with a stand-in for the checker
// thread: which Bookmarks are candidates, where the reports go, lost
// requests, and random changes between and during probes against a search
// from the top. The flows in the window (and the minute timer) are tested in
// tests/gui/gui_check_test.cpp.
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

// The checker thread's queue and what was handed to it.
struct Checker {
    std::vector<std::string> queue, posted;
    std::vector<Bookmark *> redrawn;
    bool accept = true; // the thread has its queue
};
Checker *g_checker;

class Cycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        memModuleInit();
        app = app_state_create("");
        g_checker = &checker;
        CheckDoors doors = {[](AppState *, char *url) {
                                if (!g_checker->accept) return 0;
                                g_checker->posted.push_back(url);
                                g_checker->queue.push_back(url);
                                memFree(url);
                                return 1;
                            },
                            [](AppState *, Bookmark *b) { g_checker->redrawn.push_back(b); }};
        check_cycle_use_doors(&doors);
    }
    void TearDown() override
    {
        check_cycle_use_doors(nullptr);
        filter_update_free(&u);
        app_state_destroy(app);
        memModuleExit();
    }
    Bookmark *add(const std::string &url, const char *keywords = "word", uint32_t visit = T1,
                  uint32_t modified = DATE_NONE)
    {
        return add_to(app, url.c_str(), url.c_str(), keywords, T1, visit, modified);
    }
    void filter(const char *text)
    {
        filter_update_free(&u);
        filter_decide(app, text, 0, &u);
    }
    AppState *app = nullptr;
    Checker checker;
    FilterUpdate u = {};
};

TEST_F(Cycle, CandidatesByFlagAndDates)
{
    // clang-format off
    const struct { uint32_t visit, modified; int flags; bool candidate; } cases[] = {
        {T1, DATE_NONE, 0, true},   {T1, DATE_FAILED, 0, true}, {T1, DATE_CHECKING, 0, true},
        {T2, T1, 0, true},          {T1, T1, 0, true},          {T1, T2, 0, false},
        {DATE_NONE, T2, 0, true},   {T1, DATE_NONE, BM_CHECKED, false},
    };
    // clang-format on
    for (const auto &c : cases) {
        Bookmark b = {};
        b.lastVisit = c.visit, b.lastModified = c.modified, b.flags = c.flags;
        EXPECT_EQ(c.candidate, is_check_candidate(&b)) << c.visit << " " << c.modified;
    }
}

TEST_F(Cycle, ReportsReachEveryBookmarkOfTheUrlIgnoringCase)
{
    Bookmark *a = add("http://Same/"), *b = add("http://other/"), *c = add("http://third/", "x");
    set_bookmark_url(app, c, dupstr("HTTP://SAME/"));
    Bookmark *e = add("x-no-url");
    set_bookmark_url(app, e, nullptr); // a Bookmark without a url
    filter("word");                    // all but c listed
    check_status_arrived(app, "http://same/", T2);
    EXPECT_EQ((std::vector<uint32_t>{T2, T2, DATE_NONE}),
              (std::vector<uint32_t>{a->lastModified, c->lastModified, b->lastModified}));
    EXPECT_EQ(BM_CHECKED, a->flags & c->flags & ~b->flags & BM_CHECKED);
    EXPECT_EQ(std::vector<Bookmark *>{a}, checker.redrawn);
    check_status_arrived(app, "", DATE_FAILED);
    EXPECT_EQ(DATE_FAILED, e->lastModified);
    check_status_arrived(app, "http://gone/", T1); // deleted meanwhile: nothing changes
    EXPECT_EQ(DATE_NONE, b->lastModified);
}

// Random changes between and during probes, requests lost before the
// thread has its queue and the thread's starting reports: every URL handed
// over is the first candidate a search from the top finds, never while
// another is queued or probed; a cycle ends only when that search finds
// none, and its end resets the minutes; a cycle started anew clears every
// flag.
TEST_F(Cycle, ResumedSearchAgreesWithASearchFromTheTop)
{
    auto first_from_top = [this]() -> Bookmark * {
        for (vec *v : {app->list_items, app->bookmarks})
            for (uint32_t i = 0; v && i < v->count; i++)
                if (is_check_candidate(vec_at<Bookmark>(v, i))) return vec_at<Bookmark>(v, i);
        return nullptr;
    };
    std::mt19937 rng(15);
    const char *words[] = {"red", "blue", "green"};
    std::vector<std::string> urls;
    for (int i = 0; i < 60; i++) {
        urls.push_back("http://u" + std::to_string(i) + "/");
        add(urls.back(), words[i % 3], T1, i % 7 == 0 ? T2 : DATE_NONE);
    }
    start_check_cycle(app);
    std::string probing;
    for (int step = 0; step < 1500 && !HasFailure(); step++) {
        SCOPED_TRACE(step);
        vec *all = app->bookmarks;
        Bookmark *some = all->count ? vec_at<Bookmark>(all, rng() % all->count) : nullptr;
        bool was_active = app->check_active;
        Bookmark *expected = first_from_top();
        size_t posted = checker.posted.size();
        if (app->check_active) app->check_minutes = 3;
        switch (rng() % 12) {
        case 0: filter(rng() % 4 == 3 ? "" : words[rng() % 3]); break;
        case 1: filter_sort(app, (int) (rng() % 2)); break;
        case 2: add(urls[rng() % urls.size()], words[rng() % 3], T2, T1); break;
        case 3:
            if (some && !(some->flags & BM_LISTED)) delete_bookmark(app, some);
            break;
        case 4: // a visit
            if (some) some->lastVisit = T2 + step, check_cycle_rewind(app);
            break;
        case 5:
            start_check_cycle(app);
            for (uint32_t i = 0; i < all->count; i++)
                EXPECT_FALSE(vec_at<Bookmark>(all, i)->flags & BM_CHECKED);
            expected = first_from_top();
            break;
        case 6:
            stop_check_cycle(app);
            EXPECT_EQ(0, app->check_minutes);
            was_active = false;
            break;
        case 7:
            checker.accept = rng() % 4 != 0;
            if (probing.empty()) checker_idle(app); // the thread starts
            break;
        default:
            if (!probing.empty()) { // the probe's result, and the thread idle again
                check_status_arrived(app, probing.c_str(), rng() % 2 ? T1 : T2 + 10000);
                checker_idle(app);
                probing.clear();
                expected = first_from_top();
            } else if (!checker.queue.empty()) { // the thread takes its next request
                probing = checker.queue.front();
                checker.queue.erase(checker.queue.begin());
                check_status_arrived(app, probing.c_str(), DATE_CHECKING);
            }
        }
        if (checker.posted.size() > posted) {
            EXPECT_EQ(expected ? expected->url : "", checker.posted.back());
        }
        EXPECT_LE(checker.queue.size() + !probing.empty(), 1u);
        if (was_active && !app->check_active) {
            EXPECT_EQ(nullptr, first_from_top()) << "ended with a candidate left";
            EXPECT_EQ(0, app->check_minutes);
        }
        if (!app->check_active && rng() % 10 == 0) start_check_cycle(app);
    }
    EXPECT_GT(checker.posted.size(), 100u);
}

} // namespace
