// Benchmark of the link checker's probe: 200 URLs on loopback checked one
// after another, over plain HTTP and over TLS, five rounds of each, with the
// median and the best round. The checks run as check_url runs them, except
// that the name "localhost" is taken as 127.0.0.1 without a lookup (a bare
// root may have no hosts file). The server is the tests'
// scripted loopback server (a thread of this program) with its TLS front (a
// process of its own); every reply carries a date, so each check does the
// whole work: connection, handshake, request, reply, date.
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench_util.h"
#include "checker/http_probe.h"
#include "core/os.h"
#include "tests/helpers/http_server.h"

static const int URLS = 200;
static const int ROUNDS = 5;
static const uint32_t LM_TIME = 784111777;
static const char REPLY[] = "HTTP/1.0 200 OK\r\nServer: bench\r\n"
                            "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n";

static int resolve_loopback(const char *, uint32_t *address)
{
    return os_net_resolve("127.0.0.1", address);
}

// One round: URLS checks of base + "/pN". Seconds of wall time.
static double round_of_checks(HttpServer *server, const std::string &base)
{
    ProbeContext ctx;
    probe_context_init(&ctx);
    ctx.net.resolve = resolve_loopback;
    std::vector<std::string> urls;
    for (int i = 0; i < URLS; i++) {
        urls.push_back(base + "/p" + std::to_string(i));
        http_server_reply(server, REPLY);
    }
    double start = bench_now();
    for (const std::string &u : urls) {
        if (probe_check_url(&ctx, u.c_str()) != LM_TIME) {
            fprintf(stderr, "bench_probe: %s gave no date\n", u.c_str());
            exit(2);
        }
    }
    return bench_now() - start;
}

static void measure(HttpServer *server, const char *label, const std::string &base)
{
    std::vector<double> times;
    double cpu = bench_cpu_seconds();
    for (int r = 0; r < ROUNDS; r++)
        times.push_back(round_of_checks(server, base));
    cpu = bench_cpu_seconds() - cpu;
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    printf("%-5s %d checks: median of %d rounds %.3f s (%.2f ms a check), best %.3f s; "
           "cpu of this process %.3f s a round (",
           label, URLS, ROUNDS, sorted[ROUNDS / 2], sorted[ROUNDS / 2] * 1000 / URLS, sorted[0],
           cpu / ROUNDS);
    for (size_t i = 0; i < times.size(); i++)
        printf("%s%.3f", i ? " " : "", times[i]);
    printf(")\n");
}

int main(void)
{
    if (!os_net_start()) return 2;
    HttpServer *server = http_server_start();
    if (!server || !http_server_start_tls(server)) {
        fprintf(stderr, "bench_probe: no loopback server\n");
        return 2;
    }
    std::string http = http_server_url(server, "");
    measure(server, "http", "http://localhost" + http.substr(http.rfind(':')));
    measure(server, "https", http_server_tls_url(server, "localhost", ""));
    http_server_stop(server);
    os_net_stop();
    return 0;
}
