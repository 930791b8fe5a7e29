// Benchmark of parallel check cycles: one cycle over 200 Bookmarks on
// loopback whose server holds every reply 20 ms, with one job and with eight
// (or with the job counts given as "--jobs N ..."), three rounds each, with the median
// and the best round.
//
// The URLs are spread over eight host names, h1.test to h8.test, so that
// eight probes may run at once; the probe context takes every name as
// 127.0.0.1 without a lookup, and the server (the tests' scripted loopback
// server, a thread of this program, here serving up to sixteen connections
// at once) tells the hosts apart by the Host header. One listening address
// serves all, natively and under Wine alike, with no hosts file and no
// further loopback addresses.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "bench_util.h"
#include "checker/check_jobs.h"
#include "checker/http_probe.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

static const int URLS = 200;
static const int HOSTS = 8;
static const int ROUNDS = 3;
static const uint32_t DELAY_MS = 20;
static const uint32_t LM_TIME = 784111777;
static const uint32_t VISITED = 1600000000; // after LM_TIME: every Bookmark stays a candidate
static const char REPLY[] = "HTTP/1.0 200 OK\r\nServer: bench\r\n"
                            "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n";

static int resolve_loopback(const char *, uint32_t *address)
{
    return os_net_resolve("127.0.0.1", address);
}

static void count_undated(void *data, const CheckJobsProgress *p)
{
    if (p->result != LM_TIME) ++*(int *) data;
}

// One cycle with jobs probes at once. Seconds of wall time.
static double round_of_checks(AppState *app, const ProbeContext *ctx, int jobs)
{
    int undated = 0;
    double start = bench_now();
    uint32_t probed = run_check_jobs(app, nullptr, jobs, ctx, count_undated, &undated);
    double seconds = bench_now() - start;
    if (probed != (uint32_t) URLS || undated) {
        fprintf(stderr, "bench_check_jobs: %u probed, %d without the date\n", probed, undated);
        exit(2);
    }
    return seconds;
}

static void measure(AppState *app, const ProbeContext *ctx, int jobs)
{
    std::vector<double> times;
    for (int r = 0; r < ROUNDS; r++)
        times.push_back(round_of_checks(app, ctx, jobs));
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    printf("--jobs %d: %d URLs on %d hosts, %u ms a reply: median of %d rounds %.3f s "
           "(%.1f ms a URL), best %.3f s (",
           jobs, URLS, HOSTS, DELAY_MS, ROUNDS, sorted[ROUNDS / 2],
           sorted[ROUNDS / 2] * 1000 / URLS, sorted[0]);
    for (size_t i = 0; i < times.size(); i++)
        printf("%s%.3f", i ? " " : "", times[i]);
    printf(")\n");
}

int main(int argc, char **argv)
{
    memModuleInit();
    if (!os_net_start()) return 2;
    HttpServer *server = http_server_start();
    if (!server) {
        fprintf(stderr, "bench_check_jobs: no loopback server\n");
        return 2;
    }
    http_server_concurrent(server, 2 * HOSTS, DELAY_MS);
    AppState *app = app_state_create("");
    std::string port = std::to_string(http_server_port(server));
    for (int i = 0; i < URLS; i++) {
        std::string path = "/p" + std::to_string(i);
        http_server_route(server, path, REPLY);
        std::string url = "http://h" + std::to_string(i % HOSTS + 1) + ".test:" + port + path;
        add_bookmark(app, dupstr(url.c_str()), dupstr(url.c_str()), nullptr, VISITED, VISITED,
                     DATE_NONE, 0);
    }
    ProbeContext ctx;
    probe_context_init(&ctx);
    ctx.net.resolve = resolve_loopback;

    std::vector<int> jobs; // --jobs N, as often as wanted
    for (int i = 1; i + 1 < argc; i += 2)
        jobs.push_back(atoi(argv[i + 1]));
    if (jobs.empty()) jobs = {1, 8};
    for (int j : jobs)
        measure(app, &ctx, j);

    app_state_destroy(app);
    http_server_stop(server);
    os_net_stop();
    memModuleExit();
    return 0;
}
