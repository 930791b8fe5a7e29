// Parallel check cycles against the loopback server, serving connections at
// once and holding each reply a while: the same stored results with one job
// and with eight, `first` probed first, never two requests at once on one
// host, one progress call per result.
#include <gtest/gtest.h>

#include <stdio.h>

#include <map>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "checker/check_jobs.h"
#include "checker/http_probe.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "helpers/store_helpers.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

namespace
{

const uint32_t T1 = 1600000000, T2 = 1650000000;
const int PAGES = 17;         // the last one over TLS
const uint32_t DELAY_MS = 30; // the server holds every reply

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

// Every name is this machine: "localhost" needs no hosts file.
int resolve_loopback(const char *, uint32_t *address)
{
    return os_net_resolve("127.0.0.1", address);
}

struct Seen {
    AppState *app;
    std::vector<uint32_t> done, total;
    std::vector<std::string> urls;
    bool stored_before = true; // every call found its result stored already
};

void on_progress(void *data, const CheckJobsProgress *p)
{
    Seen *seen = (Seen *) data;
    seen->done.push_back(p->done);
    seen->total.push_back(p->total);
    seen->urls.push_back(p->url);
    Bookmark *b = find_bookmark_by_url(seen->app, p->url);
    if (!b || b->lastModified != p->result || !(b->flags & BM_CHECKED)) seen->stored_before = false;
}

// The path of a URL or of a request line: from the first '/' after from.
std::string path_of(const std::string &text, size_t from)
{
    size_t at = text.find('/', from);
    return text.substr(at, text.find(' ', at) - at);
}

class CheckJobs : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override
    {
        memModuleInit();
        ASSERT_EQ(1, os_net_start());
        server = http_server_start();
        ASSERT_NE(nullptr, server);
        ASSERT_EQ(1, http_server_start_tls(server));
        http_server_concurrent(server, 12, DELAY_MS);
        probe_context_init(&ctx);
        ctx.net.resolve = resolve_loopback;
        app = app_state_create("");
    }
    void TearDown() override
    {
        app_state_destroy(app);
        if (server) http_server_stop(server);
        os_net_stop();
        memModuleExit();
    }
    Bookmark *add(const std::string &url, uint32_t modified = DATE_NONE)
    {
        return add_to(app, url.c_str(), url.c_str(), nullptr, T1, T1, modified);
    }

    HttpServer *server = nullptr;
    ProbeContext ctx;
    AppState *app = nullptr;
};

} // namespace

TEST_P(CheckJobs, StoresEveryResultAndKeepsToOneRequestPerHost)
{
    int jobs = GetParam();
    std::string port = std::to_string(http_server_port(server));
    const char *hosts[] = {"localhost", "127.0.0.1"};
    std::map<Bookmark *, uint32_t> expected; // lastModified after the cycle
    for (int i = 0; i < PAGES; i++) {
        std::string path = "/p" + std::to_string(i);
        http_server_route(server, path, reply(i));
        // Over TLS the host is localhost as well, on a port of its own.
        std::string url = i + 1 < PAGES ? std::string("http://") + hosts[i % 2] + ":" + port + path
                                        : http_server_tls_url(server, "localhost", path);
        expected[add(url)] = stored(i);
    }
    // The same URL as page 0 in other case, and one known to be modified
    // since the last visit, which the cycle leaves alone.
    Bookmark *other_case = add("http://x/y");
    set_bookmark_url(app, other_case, dupstr(("HTTP://LOCALHOST:" + port + "/P0").c_str()));
    http_server_route(server, "/P0", reply(0));
    expected[other_case] = stored(0);
    expected[add("http://127.0.0.1:" + port + "/modified", T2)] = T2;
    const uint32_t probes = PAGES; // none for those two

    // A cycle starts afresh: flags from an earlier one do not count.
    for (uint32_t i = 0; i < app->bookmarks->count; i++)
        vec_at<Bookmark>(app->bookmarks, i)->flags |= BM_CHECKED;
    // first: the last two of the list, in reverse.
    vec *first = vec_create();
    for (uint32_t i = app->bookmarks->count - 1; first->count < 2; i--)
        if (vec_at<Bookmark>(app->bookmarks, i)->lastModified != T2)
            vec_append(first, vec_at<Bookmark>(app->bookmarks, i));

    Seen seen;
    seen.app = app;
    EXPECT_EQ(probes, run_check_jobs(app, first, jobs, &ctx, on_progress, &seen));

    for (const auto &e : expected) {
        Bookmark *b = e.first;
        SCOPED_TRACE(b->url);
        EXPECT_EQ(e.second, b->lastModified);
        EXPECT_EQ(e.second != T2, (b->flags & BM_CHECKED) != 0);
    }
    std::vector<uint32_t> counting(probes);
    for (uint32_t i = 0; i < probes; i++)
        counting[i] = i + 1;
    EXPECT_EQ(counting, seen.done);
    EXPECT_EQ(std::vector<uint32_t>(probes, probes), seen.total);
    EXPECT_TRUE(seen.stored_before);

    std::vector<std::string> requests = http_server_requests(server);
    EXPECT_EQ(probes, requests.size());
    if (jobs == 1) {
        // The candidates' order: first, then the list, each URL once.
        std::vector<std::string> order, paths;
        for (vec *v : {first, app->bookmarks})
            for (uint32_t i = 0; i < v->count; i++) {
                const char *url = vec_at<Bookmark>(v, i)->url;
                bool again = false;
                for (const std::string &u : order)
                    again |= compare_nocase(u.c_str(), url) == 0;
                if (vec_at<Bookmark>(v, i)->lastModified == T2 || again) continue;
                order.push_back(url);
                paths.push_back(path_of(url, 8));
            }
        std::vector<std::string> got;
        for (const std::string &r : requests)
            got.push_back(path_of(r, 0));
        EXPECT_EQ(paths, got);
        EXPECT_EQ(order, seen.urls);
    } else {
        EXPECT_EQ(1, http_server_max_at_once(server, "localhost"));
        EXPECT_EQ(1, http_server_max_at_once(server, "127.0.0.1"));
        EXPECT_EQ(2, http_server_max_at_once(server));
    }
    vec_destroy(first);
}

INSTANTIATE_TEST_SUITE_P(Jobs, CheckJobs, ::testing::Values(1, 8));
