// Parallel check cycles against the loopback server, serving connections at
// once and holding each reply a while: the same stored results with one job
// and with eight, `first` probed first, never two requests at once on one
// host, one progress call per result, each after its result is stored.
#include <gtest/gtest.h>

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "checker/check_jobs.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/keyword_index.h"
#include "session/appstate.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

namespace
{

const uint32_t T1 = 1600000000, T2 = 1650000000;
const uint32_t PAGES = 17; // the last one over TLS

// The reply of a page, by its number modulo 4, and what a check stores for
// it; a dated page's seconds are its number, so that no two results agree.
std::string reply(int page)
{
    const char *const formats[] = {
        "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 1994 08:49:%02d "
        "GMT\r\n\r\n",
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
    memModuleInit();
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
    memModuleExit();
}
