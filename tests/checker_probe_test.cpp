// The HTTP probe over a scripted network without a wire (status lines, dates,
// replies in pieces, the GET after a silent close, redirects, failing steps),
// and over real sockets to the loopback server and its TLS front for what
// only a real network does: the request on the wire, names, refused and
// stalled connections, certificates and hostile servers.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "checker/http_probe.h"
#include "checker/patterns.h"
#include "core/mem.h"
#include "core/os.h"
#include "tests/helpers/checker_cases.h"
#include "tests/helpers/http_server.h"

namespace
{

typedef std::vector<std::string> Lines;
const char UA[] = "User-Agent: Velorix Trovelinks v10.1.20m\r\n";

// The scripted network: the k-th connection plays replies[k] (see
// checker_cases.h), sends are taken at most 100 bytes at a time, as a busy
// network may, and kept; the step named by fail fails.
struct Wire {
    std::vector<Segments> replies;
    int fail;               // 0 none, 1 resolve, 2 open, 3 connect, 4 send
    int calls;              // operations called
    int taken;              // reply bytes handed out
    size_t segment, offset; // in the reply of the current connection
    Lines sent;             // the bytes sent over each connection
} wire;

int wire_resolve(const char *, uint32_t *address)
{
    wire.calls++;
    *address = 0x0100007F;
    return wire.fail != 1;
}
OsSocket wire_open(void)
{
    wire.calls++;
    if (wire.fail == 2) return OS_SOCKET_NONE;
    wire.sent.push_back("");
    wire.segment = wire.offset = 0;
    return 7;
}
int wire_connect(OsSocket, uint32_t, uint16_t, uint32_t)
{
    wire.calls++;
    return wire.fail != 3;
}
int wire_send(OsSocket, const void *data, size_t length, uint32_t)
{
    wire.calls++;
    if (wire.fail == 4) return -1;
    size_t n = std::min(length, (size_t) 100);
    wire.sent.back().append((const char *) data, n);
    return (int) n;
}
int wire_recv(OsSocket, void *buffer, size_t size, uint32_t)
{
    wire.calls++;
    size_t k = wire.sent.size() - 1;
    if (k >= wire.replies.size() || wire.segment >= wire.replies[k].size()) return OS_RECV_CLOSED;
    const std::string &s = wire.replies[k][wire.segment];
    if (s == SILENT) return OS_RECV_TIMED_OUT;
    size_t n = std::min(size, s.size() - wire.offset);
    memcpy(buffer, s.data() + wire.offset, n);
    wire.taken += (int) n;
    if ((wire.offset += n) == s.size()) wire.segment++, wire.offset = 0;
    return (int) n;
}
void wire_close(OsSocket)
{
    wire.calls++;
}

ProbeContext on_wire(const std::vector<Segments> &replies, int fail = 0)
{
    wire = Wire{replies, fail, 0, 0, 0, 0, {}};
    ProbeContext ctx;
    probe_context_init(&ctx);
    ctx.net.resolve = wire_resolve;
    ctx.net.open = wire_open;
    ctx.net.connect = wire_connect;
    ctx.net.send = wire_send;
    ctx.net.recv = wire_recv;
    ctx.net.close = wire_close;
    return ctx;
}

// Each request sent, as its request line and Host value: "HEAD /p HTTP/1.0|host".
Lines requests_sent()
{
    Lines out;
    for (const std::string &r : wire.sent) {
        size_t host = r.find("Host: ") + 6;
        out.push_back(r.substr(0, r.find("\r\n")) + "|" +
                      r.substr(host, r.find('\r', host) - host));
    }
    return out;
}

} // namespace

TEST(ProbeScript, ChecksOverAScriptedNetwork)
{
    for (const CheckCase &c : CHECK_CASES) {
        SCOPED_TRACE(c.url.substr(0, 60));
        ProbeContext ctx = on_wire(c.replies);
        EXPECT_EQ(c.want, probe_check_url(&ctx, c.url.c_str()));
        EXPECT_EQ(c.requests, requests_sent());
        if (c.taken >= 0) {
            EXPECT_EQ(c.taken, wire.taken);
        }
        if (c.requests.empty()) {
            EXPECT_EQ(0, wire.calls);
        }
    }
    ProbeContext ctx = on_wire(CHECK_CASES[0].replies);
    probe_check_url(&ctx, CHECK_CASES[0].url.c_str());
    EXPECT_EQ(Lines{"HEAD /a.html HTTP/1.0\r\n" + std::string(UA) + "Host: h.example\r\n\r\n"},
              wire.sent);
}

// One request's result code and reply, and the check's result on the same
// script; a step of the network that fails.
TEST(ProbeScript, RequestResultCodes)
{
    const struct {
        const char *url;
        Segments reply;
        int fail, code;
        const char *text; // the reply handed over; null: none
        uint32_t check;
    } cases[] = {
        {"http://h.example/x",
         {"HTTP/1.0 204 No Content\r\n\r\n"},
         0,
         PROBE_OK,
         "HTTP/1.0 204 No Content\r\n\r\n",
         DATE_NONE},
        {"http://h.example/", {}, 0, PROBE_CLOSED, nullptr, DATE_NONE},
        {"http://h.example/x", {SILENT}, 0, PROBE_OK, "", DATE_FAILED},
        {"ftp://h.example/pub", {}, 0, PROBE_NOT_HTTP, nullptr, DATE_NONE},
        {"", {}, 0, PROBE_BAD_URL, nullptr, DATE_FAILED},
        {"http://h.example/", {OK_LM}, 1, PROBE_BAD_URL, nullptr, DATE_FAILED}, // host unknown
        {"http://h.example/", {OK_LM}, 2, PROBE_NOT_SENT, nullptr, DATE_NONE},  // no socket
        {"http://h.example/", {OK_LM}, 3, PROBE_NO_CONNECTION, nullptr, DATE_FAILED},
        {"http://h.example/", {OK_LM}, 4, PROBE_NOT_SENT, nullptr, DATE_NONE}, // not sent
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.url) + " failing step " + std::to_string(c.fail));
        ProbeContext ctx = on_wire({c.reply, c.reply}, c.fail);
        char *reply = (char *) 1;
        EXPECT_EQ(c.code, probe_request(&ctx, "GET", c.url, &reply));
        if (c.text) {
            EXPECT_STREQ(c.text, reply);
            EXPECT_EQ("GET /x HTTP/1.0|h.example", requests_sent()[0]);
        } else {
            EXPECT_EQ(nullptr, reply);
        }
        memFree(reply);
        ctx = on_wire({c.reply, c.reply}, c.fail);
        EXPECT_EQ(c.check, probe_check_url(&ctx, c.url));
    }
}

namespace
{
const char *refused_pattern;
int refuse_pattern(const char *pattern)
{
    return strcmp(pattern, refused_pattern) == 0;
}
} // namespace

// A pattern that the engine refuses fails its step, and the check with it.
// Without the URL or the status pattern nothing is asked of the server.
TEST(ProbeScript, APatternThatDoesNotCompileFailsTheCheck)
{
    const struct {
        const char *pattern;
        std::string reply;
        size_t requests;
    } cases[] = {
        {LOCATION_PATTERN, "HTTP/1.0 302 Found\r\nLocation: /b\r\n\r\n", 1},
        {LAST_MODIFIED_PATTERN_A, OK_LM, 1},
        {LAST_MODIFIED_PATTERN_B,
         "HTTP/1.0 200 OK\r\nLast-Modified: Sun Nov  6 08:49:37 1994\r\n\r\n", 1},
        {URL_PATTERN, OK_LM, 0},
        {STATUS_PATTERN, OK_LM, 0},
    };
    for (const auto &c : cases) {
        ProbeContext ctx = on_wire({{c.reply}, {c.reply}});
        refused_pattern = c.pattern;
        set_pattern_fault_hook(refuse_pattern);
        EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, "http://h.example/a")) << c.pattern;
        set_pattern_fault_hook(nullptr);
        EXPECT_EQ(c.requests, wire.sent.size()) << c.pattern;
    }
}

namespace
{

// The probe against the loopback server.
class Probe : public ::testing::Test
{
protected:
    HttpServer *server = nullptr;
    ProbeContext ctx;

    void SetUp() override
    {
        ASSERT_EQ(1, os_net_start());
        server = http_server_start();
        ASSERT_NE(nullptr, server);
        probe_context_init(&ctx);
        // Generous for a slow machine; no test here waits them out.
        ctx.connect_timeout_ms = 5000;
        ctx.receive_timeout_ms = 5000;
    }
    void TearDown() override
    {
        if (server) http_server_stop(server);
        os_net_stop();
    }

    std::string url(const std::string &path) { return http_server_url(server, path); }
    uint32_t check(const std::string &path) { return probe_check_url(&ctx, url(path).c_str()); }
    std::vector<std::string> requests() { return http_server_requests(server); }
    // The request lines received, in order.
    Lines request_lines()
    {
        Lines lines;
        for (const std::string &r : requests())
            lines.push_back(r.substr(0, r.find("\r\n")));
        return lines;
    }
};

} // namespace

TEST_F(Probe, RequestOnTheWireAndItsDate)
{
    http_server_reply(server, OK_LM);
    EXPECT_EQ(LM_TIME, check("/a.html"));
    std::string port = std::to_string(http_server_port(server));
    EXPECT_EQ(Lines{"HEAD /a.html HTTP/1.0\r\n" + std::string(UA) + "Host: 127.0.0.1:" + port +
                    "\r\n\r\n"},
              requests());
}

TEST_F(Probe, HostNameLookedUp)
{
    uint32_t address;
    // A bare root (a chroot without /etc/hosts) may know no names at all.
    if (!os_net_resolve("localhost", &address) || address != 0x0100007Fu)
        GTEST_SKIP() << "this machine does not resolve localhost to 127.0.0.1";
    http_server_reply(server, OK_LM);
    std::string u = "http://localhost:" + std::to_string(http_server_port(server)) + "/n";
    EXPECT_EQ(LM_TIME, probe_check_url(&ctx, u.c_str()));
    ASSERT_EQ(1u, requests().size());
    EXPECT_NE(std::string::npos,
              requests()[0].find("Host: localhost:" + std::to_string(http_server_port(server))));
}

TEST_F(Probe, RefusedConnectionFails)
{
    uint16_t port;
    OsSocket l = os_socket_listen_loopback(1, &port);
    ASSERT_NE(OS_SOCKET_NONE, l);
    os_socket_close(l); // nothing listens there now
    std::string u = "http://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, u.c_str()));
    char *reply;
    EXPECT_EQ(PROBE_NO_CONNECTION, probe_request(&ctx, "HEAD", u.c_str(), &reply));
}

// A listener with a full backlog leaves further connection attempts without
// an answer (Linux drops them, also under Wine), which the connect time-out
// must end long before the system would give up by itself (two minutes).
TEST_F(Probe, ConnectTimesOut)
{
    uint16_t port;
    OsSocket l = os_socket_listen_loopback(0, &port);
    ASSERT_NE(OS_SOCKET_NONE, l);
    uint32_t address;
    ASSERT_EQ(1, os_net_resolve("127.0.0.1", &address));
    std::vector<OsSocket> held;
    bool stalled = false;
    for (int i = 0; i < 8 && !stalled; i++) {
        held.push_back(os_socket_open());
        stalled = !os_socket_connect(held.back(), address, port, 300);
    }
    EXPECT_TRUE(stalled) << "every connection attempt was answered: nothing to time out";
    ctx.connect_timeout_ms = 300;
    std::string u = "http://127.0.0.1:" + std::to_string(port) + "/";
    uint32_t start = os_tick_count();
    EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, u.c_str()));
    EXPECT_LT(os_tick_count() - start, 30000u);
    for (OsSocket s : held)
        os_socket_close(s);
    os_socket_close(l);
}

namespace
{
// Every name is this machine, so that https URLs can name "localhost" or a
// wrong name and still reach the TLS front.
int resolve_loopback(const char *, uint32_t *address)
{
    return os_net_resolve("127.0.0.1", address);
}

class TlsProbe : public Probe
{
protected:
    void SetUp() override
    {
        Probe::SetUp();
        ASSERT_EQ(1, http_server_start_tls(server));
        ctx.net.resolve = resolve_loopback;
        ctx.connect_timeout_ms = 2000;
        ctx.receive_timeout_ms = 1000;
    }
    std::string tls_url(const std::string &path, const std::string &host = "localhost",
                        bool trusted = true)
    {
        return http_server_tls_url(server, host, path, trusted);
    }
    Lines names() { return http_server_tls_names(server); }
};
} // namespace

TEST_F(TlsProbe, DateReadThroughTls)
{
    http_server_reply(server, OK_LM);
    EXPECT_EQ(LM_TIME, probe_check_url(&ctx, tls_url("/a.html").c_str()));
    EXPECT_EQ(Lines{"localhost"}, names());
    ASSERT_EQ(1u, requests().size());
    std::string port = tls_url("").substr(tls_url("").rfind(':') + 1);
    EXPECT_EQ("HEAD /a.html HTTP/1.0\r\n" + std::string(UA) + "Host: localhost:" + port +
                  "\r\n\r\n",
              requests()[0]);
}

TEST_F(TlsProbe, RedirectFromHttpToHttps)
{
    http_server_reply(server, "HTTP/1.0 301 Moved\r\nLocation: " + tls_url("/b") + "\r\n\r\n");
    http_server_reply(server, OK_LM);
    EXPECT_EQ(LM_TIME, check("/a"));
    EXPECT_EQ((Lines{"HEAD /a HTTP/1.0", "HEAD /b HTTP/1.0"}), request_lines());
    EXPECT_EQ(Lines{"localhost"}, names());
}

// A certificate that is not trusted, or not for the name asked for, ends the
// check as failed before any request goes out; an address is never sent as
// a name.
TEST_F(TlsProbe, RefusedCertificatesFail)
{
    struct Case {
        std::string url;
        const char *name_sent;
    };
    const Case cases[] = {
        {tls_url("/", "localhost", false), "localhost"},
        {tls_url("/", "wrong.example"), "wrong.example"},
        {tls_url("/", "127.0.0.1"), ""},
    };
    for (const Case &c : cases) {
        http_server_reply(server, OK_LM);
        EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, c.url.c_str())) << c.url;
        EXPECT_EQ(c.name_sent, names().back()) << c.url;
    }
    EXPECT_EQ(0u, requests().size());
}

// A server that closes at once gets a GET; servers that stall, drip, loop,
// flood, babble or break off: each check ends within the time-outs with the
// result the reply so far gives, over plain HTTP and over TLS alike.
TEST_F(TlsProbe, HostileServers)
{
    std::string head = std::string("HTTP/1.0 200 OK\r\n") + LM;
    std::vector<std::string> drip = {"HTTP/1.0 200 OK\r\n"};
    for (char c : std::string(LM))
        drip.push_back(std::string(1, c)); // 60 ms apart: the whole date takes 3 s
    std::string flood = head + std::string(10 << 20, 'x');

    for (bool tls : {false, true}) {
        std::string base = tls ? tls_url("") : url("");
        struct Case {
            const char *what;
            std::function<void()> script;
            uint32_t want;
        };
        // Each script is used up by its check.
        const Case cases[] = {
            {"closed, then GET answered",
             [&] {
                 http_server_close(server);
                 http_server_reply(server, head + "\r\n");
             },
             LM_TIME},
            {"silent", [&] { http_server_silent(server); }, DATE_FAILED},
            {"stalled handshake", [&] { http_server_stall_handshake(server); }, DATE_FAILED},
            {"drip", [&] { http_server_reply(server, drip); }, DATE_NONE},
            {"10 MB", [&] { http_server_reply(server, flood); }, LM_TIME},
            {"no status line", [&] { http_server_reply(server, "Hello there\r\n\r\n"); },
             DATE_FAILED},
            {"reset", [&] { http_server_reset(server, {head.substr(0, 40)}); }, DATE_NONE},
            {"endless redirects",
             [&] {
                 for (int i = 0; i < PROBE_MAX_HEAD; i++)
                     http_server_reply(server, "HTTP/1.0 302 Found\r\nLocation: " + base +
                                                   "/again\r\n\r\n");
             },
             DATE_FAILED},
        };
        for (const Case &c : cases) {
            c.script();
            EXPECT_EQ(c.want, probe_check_url(&ctx, (base + "/").c_str()))
                << c.what << (tls ? " over TLS" : "");
        }
    }
}
