// The scripted loopback HTTP server. Every wait is bounded: the loops look at
// the stop flag every 50 ms, a request is read for at most 5 s, a silent
// connection is held for at most 10 s. Its TLS front is a process of its own
// (tests/tls_relay) that announces each TLS connection with a line
// "TLS name" and an empty line, then relays the request and the reply.
#include "tests/helpers/http_server.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "core/os.h"
#include "tests/helpers/tls_host.h"

namespace
{

struct Step {
    std::vector<std::string> parts;
    HttpEnd end;
};

const uint32_t POLL_MS = 50;

void pause_ms(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// The text of r from the first of after up to the next of the stop bytes.
std::string field(const std::string &r, const char *after, const char *stop)
{
    size_t at = r.find(after);
    if (at == std::string::npos) return "";
    at += strlen(after);
    return r.substr(at, r.find_first_of(stop, at) - at);
}

} // namespace

struct HttpServer {
    OsSocket listener;
    uint16_t port;
    OsThread *thread = nullptr;
    std::atomic<bool> stopping{false};
    std::mutex lock; // guards what follows up to the TLS front
    std::deque<Step> script;
    std::map<std::string, std::string> routes; // path -> reply
    std::vector<std::string> requests, tls_names;
    std::vector<OsThread *> threads; // one per connection, the system's own threads
    int serving = 0, most_serving = 1;
    std::condition_variable done; // a connection has been served
    uint32_t delay_ms = 0;
    std::map<std::string, int> held, most_held; // by host; "" counts all
    OsSocket relay_control = OS_SOCKET_NONE;    // the TLS front
    uint16_t tls_ports[2] = {0, 0};             // trusted, self-signed
};

namespace
{

// Receives up to an empty line, limit_ms, 64 KiB or the client's close.
std::string receive(HttpServer *server, OsSocket s, uint32_t limit_ms)
{
    std::string r;
    uint32_t start = os_tick_count();
    char buf[1024];
    while (!server->stopping && os_tick_count() - start < limit_ms && r.size() < 65536 &&
           r.find("\r\n\r\n") == std::string::npos && r.find("\n\n") == std::string::npos) {
        int n = os_socket_recv(s, buf, sizeof buf, POLL_MS);
        if (n != OS_RECV_TIMED_OUT && n <= 0) break;
        if (n > 0) r.append(buf, (size_t) n);
    }
    return r;
}

void play(HttpServer *server, OsSocket s, const Step &step)
{
    for (size_t i = 0; i < step.parts.size(); i++) {
        const std::string &part = step.parts[i];
        if (i > 0) pause_ms(60);
        // In pieces, so that a client that has gone or stopped reading ends
        // the reply soon instead of one long blocking send.
        for (size_t n, sent = 0; sent < part.size(); sent += n) {
            size_t piece = part.size() - sent < 65536 ? part.size() - sent : 65536;
            int got = server->stopping ? -1 : os_socket_send(s, part.data() + sent, piece, 1000);
            if (got <= 0) return; // the client has gone
            n = (size_t) got;
        }
    }
    if (step.end == HTTP_RESET) pause_ms(300); // for the parts to arrive first, relay and all
    if (step.end == HTTP_SILENT) receive(server, s, 10000);
}

// Counts a request as held (by 1) or no longer held (by -1), for its host
// and for all.
void count_held(HttpServer *server, const std::string &host, int by)
{
    std::lock_guard<std::mutex> hold(server->lock);
    for (const std::string &key : {std::string(), host}) {
        int now = server->held[key] += by;
        if (now > server->most_held[key]) server->most_held[key] = now;
        if (host.empty()) break;
    }
}

void handle(HttpServer *server, OsSocket s)
{
    std::string request = receive(server, s, 5000);
    std::unique_lock<std::mutex> hold(server->lock);
    Step step = {{}, HTTP_CLOSE};
    if (!server->script.empty()) step = server->script.front(), server->script.pop_front();
    bool tls = request.compare(0, 4, "TLS ") == 0;
    if (tls) {
        server->tls_names.push_back(field(request, "TLS ", "\r"));
        hold.unlock();
        os_socket_send(s, "+", 1, 1000);    // the handshake goes on
        request = receive(server, s, 5000); // none when it fails
        hold.lock();
    }
    if (!tls || !request.empty()) {
        server->requests.push_back(request);
        auto route = server->routes.find(field(request, " ", " \r\n"));
        if (route != server->routes.end()) step = Step{{route->second}, HTTP_CLOSE};
    }
    hold.unlock();
    if (!request.empty()) {
        std::string host = field(request, "\r\nHost: ", ":\r\n");
        count_held(server, host, 1);
        pause_ms(server->delay_ms);
        count_held(server, host, -1);
    }
    play(server, s, step);
    (step.end == HTTP_RESET ? os_socket_reset : os_socket_close)(s);
}

struct Connection {
    HttpServer *server;
    OsSocket s;
};

void serve_connection(void *arg)
{
    Connection c = *(Connection *) arg;
    delete (Connection *) arg;
    handle(c.server, c.s);
    std::lock_guard<std::mutex> hold(c.server->lock);
    c.server->serving--;
    c.server->done.notify_one();
}

// Accepts a connection whenever fewer than the most allowed are being
// served, and serves it on a thread of its own.
void serve(HttpServer *server)
{
    while (!server->stopping) {
        {
            std::unique_lock<std::mutex> hold(server->lock);
            if (server->serving == 0) { // collect the threads that have ended
                for (OsThread *t : server->threads)
                    os_thread_join(t);
                server->threads.clear();
            }
            if (server->serving >= server->most_serving) {
                server->done.wait_for(hold, std::chrono::milliseconds(POLL_MS));
                continue;
            }
        }
        OsSocket s = os_socket_accept(server->listener, POLL_MS);
        if (s == OS_SOCKET_NONE) continue;
        std::lock_guard<std::mutex> hold(server->lock);
        Connection *c = new Connection{server, s};
        OsThread *t = os_thread_start(serve_connection, c);
        if (!t) {
            delete c;
            os_socket_close(s);
            continue;
        }
        server->serving++;
        server->threads.push_back(t);
    }
}

} // namespace

HttpServer *http_server_start(void)
{
    if (!os_net_start()) return nullptr;
    HttpServer *server = new HttpServer;
    server->listener = os_socket_listen_loopback(16, &server->port);
    if (server->listener != OS_SOCKET_NONE) {
        server->thread = os_thread_start([](void *arg) { serve((HttpServer *) arg); }, server);
        if (server->thread) return server;
        os_socket_close(server->listener);
    }
    delete server;
    os_net_stop();
    return nullptr;
}

void http_server_stop(HttpServer *server)
{
    server->stopping = true;
    os_thread_join(server->thread);
    for (OsThread *t : server->threads)
        os_thread_join(t);
    if (server->relay_control != OS_SOCKET_NONE) {
        os_socket_send(server->relay_control, "q", 1, 1000); // the relay ends
        os_socket_close(server->relay_control);
    }
    os_socket_close(server->listener);
    delete server;
    os_net_stop();
}

int http_server_start_tls(HttpServer *server)
{
    // Each step that fails says which, for a failure seen once under load.
    auto fail = [](const char *step) {
        fprintf(stderr, "http_server_start_tls: %s failed\n", step);
        return 0;
    };
    if (!tls_host_trust_test_ca(TL_TLS_DIR "/ca.pem")) return fail("trusting the test CA");
    uint16_t control_port;
    OsSocket listener = os_socket_listen_loopback(1, &control_port);
    if (listener == OS_SOCKET_NONE) return fail("listening");
    std::string args =
        TL_TLS_DIR " " + std::to_string(control_port) + " " + std::to_string(server->port);
    // The first native program started from a freshly made Wine prefix can
    // take seconds to come up.
    if (!tls_host_spawn(TL_TLS_RELAY, args)) return fail("starting the relay");
    OsSocket control = os_socket_accept(listener, 30000);
    os_socket_close(listener);
    if (control == OS_SOCKET_NONE) return fail("the relay's connection");
    server->relay_control = control;
    // The relay's two ports, "TRUSTED UNTRUSTED\n", read up to the line's end.
    char line[64] = {};
    size_t got = 0;
    while (got < sizeof line - 1 && !memchr(line, '\n', got)) {
        int n = os_socket_recv(control, line + got, sizeof line - 1 - got, 30000);
        if (n <= 0) return fail("reading the relay's ports");
        got += (size_t) n;
    }
    unsigned trusted, untrusted;
    if (sscanf(line, "%u %u", &trusted, &untrusted) != 2) return fail("the relay's ports");
    server->tls_ports[0] = (uint16_t) trusted, server->tls_ports[1] = (uint16_t) untrusted;
    return 1;
}

uint16_t http_server_port(const HttpServer *server)
{
    return server->port;
}

std::string http_server_url(const HttpServer *server, const std::string &path)
{
    return "http://127.0.0.1:" + std::to_string(server->port) + path;
}

std::string http_server_tls_url(const HttpServer *server, const std::string &host,
                                const std::string &path, bool trusted)
{
    return "https://" + host + ":" + std::to_string(server->tls_ports[trusted ? 0 : 1]) + path;
}

void http_server_reply(HttpServer *server, const std::vector<std::string> &parts, HttpEnd end)
{
    std::lock_guard<std::mutex> hold(server->lock);
    server->script.push_back(Step{parts, end});
}

void http_server_route(HttpServer *server, const std::string &path, const std::string &reply)
{
    std::lock_guard<std::mutex> hold(server->lock);
    server->routes[path] = reply;
}

void http_server_concurrent(HttpServer *server, int handlers, uint32_t delay_ms)
{
    std::lock_guard<std::mutex> hold(server->lock);
    server->delay_ms = delay_ms, server->most_serving = handlers;
}

int http_server_max_at_once(HttpServer *server, const std::string &host)
{
    std::lock_guard<std::mutex> hold(server->lock);
    return server->most_held[host];
}

std::vector<std::string> http_server_requests(HttpServer *server)
{
    std::lock_guard<std::mutex> hold(server->lock);
    return server->requests;
}

std::vector<std::string> http_server_tls_names(HttpServer *server)
{
    std::lock_guard<std::mutex> hold(server->lock);
    return server->tls_names;
}
