// Check cycles on the application record, with a stand-in for the checker
// thread: which Bookmarks are candidates, where the reports go, lost
// requests, and random changes between and during probes against a search
// from the top. The flows in the window (and the minute timer) are tested in
// tests/gui/gui_check_test.cpp. Then parallel check cycles against the
// loopback server, serving connections at once and holding each reply a
// while: the same stored results with one job and with eight, `first` probed
// first, never two requests at once on one host, one progress call per
// result, each after its result is stored.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdio.h>
#include <string>
#include <vector>

#include "checker/check_cycle.h"
#include "checker/check_jobs.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/filter.h"
#include "search/keyword_index.h"
#include "session/appstate.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

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
    for (int step = 0; step < 3000 && !HasFailure(); step++) {
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

const uint32_t PAGES = 17; // the last one over TLS

// ---- Parallel check cycles against the loopback server ----------------------

// The reply of a page, by its number modulo 4, and what a check stores for
// it; a dated page's seconds are its number, so that no two results agree.
std::string reply(int page)
{
    const char *const formats[] = {
        "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 1994 08:49:%02d GMT\r\n\r\n",
        "HTTP/1.0 200 OK\r\nServer: x%d\r\n\r\n",
        "HTTP/1.0 404 Not Found\r\nServer: x%d\r\n\r\n",
        "no status line %d\r\n\r\n",
    };
    char text[128];
    snprintf(text, sizeof text, formats[page % 4], page);
    return text;
}
uint32_t stored(int page)
{
    const uint32_t values[] = {784111740u + (uint32_t) page, DATE_NONE, DATE_NONE, DATE_FAILED};
    return values[page % 4];
}

// The progress calls: "done/total path", and whether each found its result
// stored already.
struct Seen {
    AppState *app;
    std::vector<std::string> calls;
    bool stored_before = true;
};

// The path of a URL or of a request line: from the first '/' after from.
std::string path_of(const std::string &text, size_t from)
{
    size_t at = text.find('/', from);
    return text.substr(at, text.find(' ', at) - at);
}

} // namespace

TEST(CheckJobs, StoresEveryResultAndKeepsToOneRequestPerHost)
{
    for (int jobs : {1, 8}) {
        SCOPED_TRACE(jobs);
        HttpServer *server = http_server_start();
        ASSERT_NE(nullptr, server);
        ASSERT_EQ(1, http_server_start_tls(server));
        http_server_concurrent(server, 12, 30);
        AppState *app = app_state_create("");
        std::map<Bookmark *, uint32_t> expected; // lastModified after the cycle
        auto add = [&](const std::string &url, uint32_t modified, uint32_t want) {
            expected[add_to(app, url.c_str(), url.c_str(), nullptr, T1, T1, modified)] = want;
        };
        std::string port = std::to_string(http_server_port(server));
        for (uint32_t i = 0; i < PAGES; i++) {
            std::string path = "/p" + std::to_string(i);
            http_server_route(server, path, reply(i));
            // Over TLS the host is localhost as well, on a port of its own.
            add(i + 1 == PAGES ? http_server_tls_url(server, "localhost", path)
                               : (i % 2 ? "http://127.0.0.1:" : "http://localhost:") + port + path,
                DATE_NONE, stored(i));
        }
        // The same URL as page 0 in other case, and one known to be modified
        // since the last visit, which the cycle leaves alone.
        Bookmark *other_case = add_to(app, "x", "http://x/y", nullptr, T1, T1);
        set_bookmark_url(app, other_case, dupstr(("HTTP://LOCALHOST:" + port + "/P0").c_str()));
        http_server_route(server, "/P0", reply(0));
        expected[other_case] = stored(0);
        add("http://127.0.0.1:" + port + "/modified", T2, T2);

        // A cycle starts afresh: flags from an earlier one do not count.
        for (uint32_t i = 0; i < app->bookmarks->count; i++)
            vec_at<Bookmark>(app->bookmarks, i)->flags |= BM_CHECKED;
        // first: the last two of the list, in reverse (the list's order is
        // the store's own).
        vec *first = vec_create();
        for (uint32_t i = app->bookmarks->count - 1; first->count < 2; i--)
            if (vec_at<Bookmark>(app->bookmarks, i)->lastModified != T2)
                vec_append(first, vec_at<Bookmark>(app->bookmarks, i));

        Seen seen = {app, {}};
        auto progress = [](void *data, const CheckJobsProgress *p) {
            Seen *seen = (Seen *) data;
            seen->calls.push_back(std::to_string(p->done) + "/" + std::to_string(p->total) + " " +
                                  path_of(p->url, 8));
            Bookmark *b = find_bookmark_by_url(seen->app, p->url);
            seen->stored_before &= b && b->lastModified == p->result && (b->flags & BM_CHECKED);
        };
        EXPECT_EQ(PAGES, run_check_jobs(app, first, jobs, nullptr, progress, &seen));
        for (const auto &e : expected) {
            EXPECT_EQ(e.second, e.first->lastModified) << e.first->url;
            EXPECT_EQ(e.second != T2, (e.first->flags & BM_CHECKED) != 0) << e.first->url;
        }
        EXPECT_TRUE(seen.stored_before);

        // The candidates' order: first, then the list, each URL once.
        std::vector<std::string> order, calls, requests;
        for (vec *v : {first, app->bookmarks})
            for (uint32_t i = 0; i < v->count; i++) {
                std::string path = path_of(vec_at<Bookmark>(v, i)->url, 8);
                bool again = path == "/modified";
                for (const std::string &o : order)
                    again |= compare_nocase(o.c_str(), path.c_str()) == 0;
                if (!again) order.push_back(path);
            }
        for (const std::string &r : http_server_requests(server))
            requests.push_back(path_of(r, 0));
        ASSERT_EQ(PAGES, seen.calls.size());
        ASSERT_EQ(PAGES, order.size());
        for (uint32_t i = 0; i < PAGES; i++)
            calls.push_back(std::to_string(i + 1) + "/" + std::to_string(PAGES) + " " +
                            (jobs == 1 ? order[i] : ""));
        if (jobs == 1) {
            EXPECT_EQ(order, requests);
        } else {
            EXPECT_EQ(PAGES, requests.size());
            for (std::string &c : seen.calls) // the count, whatever the order
                c.erase(c.find(' ') + 1);
            EXPECT_EQ(1, http_server_max_at_once(server, "localhost"));
            EXPECT_EQ(1, http_server_max_at_once(server, "127.0.0.1"));
            EXPECT_EQ(2, http_server_max_at_once(server));
        }
        EXPECT_EQ(calls, seen.calls);
        vec_destroy(first);
        app_state_destroy(app);
        http_server_stop(server);
    }
}
