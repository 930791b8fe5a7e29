// 200 URLs checked one after another, as a check cycle's checker thread does,
// against the tests' loopback HTTP server (in a thread of this program),
// which answers each HEAD with a dated reply. Prints the total and the time
// per URL, five rounds, median and best. For scale: a command-line HTTP
// client makes 200 sequential HEAD requests to a local server in about 0.08 s.
#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "bench_util.h"
#include "checker/http_probe.h"
#include "core/mem.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

int main()
{
    const int URLS = 200, ROUNDS = 5;
    memModuleInit();
    HttpServer *server = http_server_start();
    if (!server) {
        fprintf(stderr, "bench_probe_loopback: no loopback server\n");
        return 1;
    }
    std::vector<double> rounds;
    int dated = 0;
    for (int round = 0; round < ROUNDS; round++) {
        std::vector<std::string> urls;
        for (int i = 0; i < URLS; i++) {
            urls.push_back(http_server_url(server, "/page" + std::to_string(i)));
            http_server_reply(server, "HTTP/1.0 200 OK\r\nServer: bench\r\n"
                                      "Last-Modified: Wed, 01 Jun 2022 00:00:00 GMT\r\n\r\n");
        }
        double t0 = bench_now();
        for (const std::string &url : urls)
            dated += date_is_time(check_url(url.c_str()));
        rounds.push_back(bench_now() - t0);
    }
    http_server_stop(server);
    std::vector<double> sorted = rounds;
    std::sort(sorted.begin(), sorted.end());
    printf("%d URLs one after another: median %.3f s, best %.3f s (%.2f ms per URL); %d of %d "
           "dated\n",
           URLS, sorted[ROUNDS / 2], sorted[0], sorted[ROUNDS / 2] * 1000 / URLS, dated,
           URLS * ROUNDS);
    memModuleExit();
    return dated == URLS * ROUNDS ? 0 : 1;
}
