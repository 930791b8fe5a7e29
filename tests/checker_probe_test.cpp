// The HTTP probe over a scripted network without a wire (status lines, dates,
// replies in pieces, the GET after a silent close, redirects, failing steps),
// and over real sockets to the loopback server and its TLS front for what
// only a real network does: the request on the wire, names, refused and
// stalled connections, certificates and hostile servers.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
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
const std::string UA = "User-Agent: Velorix Trovelinks v10.1.20m\r\n";

// The scripted network: the k-th connection plays replies[k] (see
// checker_cases.h); sends are taken at most 100 bytes at a time, as a busy
// network may, and kept. It counts the names resolved and sockets opened
// (calls) and the reply bytes handed out (taken), keeps the bytes sent over
// each connection and the time-out the last connect was given; fail is the
// step that fails: 0 none, 1 resolve, 2 open, 3 connect, 4 send.
struct Wire {
    std::vector<Segments> replies;
    int fail, calls, taken;
    size_t segment, offset; // in the reply of the current connection
    Lines sent;
    uint32_t connect_ms;
} wire;

ProbeContext on_wire(const std::vector<Segments> &replies, int fail = 0)
{
    wire = Wire{replies, fail, 0, 0, 0, 0, {}, 0};
    ProbeContext ctx;
    probe_context_init(&ctx);
    ctx.net.resolve = [](const char *, uint32_t *address) {
        *address = 0x0100007F;
        return (int) (++wire.calls && wire.fail != 1);
    };
    ctx.net.open = []() {
        if (++wire.calls && wire.fail == 2) return OS_SOCKET_NONE;
        wire.sent.push_back("");
        wire.segment = wire.offset = 0;
        return (OsSocket) 7;
    };
    ctx.net.connect = [](OsSocket, uint32_t, uint16_t, uint32_t ms) {
        return (int) ((wire.connect_ms = ms) && wire.fail != 3);
    };
    ctx.net.send = [](OsSocket, const void *data, size_t length, uint32_t) {
        size_t n = std::min(length, (size_t) 100);
        wire.sent.back().append((const char *) data, n);
        return wire.fail == 4 ? -1 : (int) n;
    };
    ctx.net.recv = [](OsSocket, void *buffer, size_t size, uint32_t) {
        size_t k = wire.sent.size() - 1;
        if (k >= wire.replies.size() || wire.segment >= wire.replies[k].size())
            return OS_RECV_CLOSED;
        const std::string &s = wire.replies[k][wire.segment];
        if (s == SILENT) return OS_RECV_TIMED_OUT;
        size_t n = std::min(size, s.size() - wire.offset);
        memcpy(buffer, s.data() + wire.offset, n);
        wire.taken += (int) n;
        if ((wire.offset += n) == s.size()) wire.segment++, wire.offset = 0;
        return (int) n;
    };
    ctx.net.close = [](OsSocket) {};
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
        EXPECT_EQ(c.taken < 0 ? wire.taken : c.taken, wire.taken);
        EXPECT_EQ(c.requests.empty() ? 0 : wire.calls, wire.calls);
        EXPECT_EQ(c.requests.empty() ? 0 : PROBE_CONNECT_TIMEOUT_MS, wire.connect_ms);
    }
}

// One request's result code and reply (handed over with PROBE_OK only), and
// the check's result on the same script, with each step of the network
// failing: 1 resolve, 2 open, 3 connect, 4 send.
TEST(ProbeScript, RequestResultCodes)
{
    const std::string NO = "HTTP/1.0 204 No\r\n\r\n", H = "http://h.example/";
    // clang-format off
    const struct { std::string url; Segments reply; int fail, code; uint32_t check; } cases[] = {
        {H, {NO}, 0, PROBE_OK, DATE_NONE}, {H, {SILENT}, 0, PROBE_OK, DATE_FAILED},
        {H, {}, 0, PROBE_CLOSED, DATE_NONE}, {"ftp://h.example/pub", {}, 0, PROBE_NOT_HTTP, DATE_NONE},
        {"", {}, 0, PROBE_BAD_URL, DATE_FAILED}, {H, {OK_LM}, 1, PROBE_BAD_URL, DATE_FAILED},
        {H, {OK_LM}, 2, PROBE_NOT_SENT, DATE_NONE}, {H, {OK_LM}, 3, PROBE_NO_CONNECTION, DATE_FAILED},
        {H, {OK_LM}, 4, PROBE_NOT_SENT, DATE_NONE},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.url + " failing step " + std::to_string(c.fail));
        ProbeContext ctx = on_wire({c.reply, c.reply}, c.fail);
        char *reply = (char *) 1;
        EXPECT_EQ(c.code, probe_request(&ctx, "GET", c.url.c_str(), &reply));
        EXPECT_STREQ(c.code == PROBE_OK ? c.reply[0].c_str() : nullptr, reply);
        memFree(reply);
        ctx = on_wire({c.reply, c.reply}, c.fail);
        EXPECT_EQ(c.check, probe_check_url(&ctx, c.url.c_str()));
    }
}

// A pattern that the engine refuses fails its step, and the check with it;
// without the URL or the status pattern nothing is asked of the server.
TEST(ProbeScript, APatternThatDoesNotCompileFailsTheCheck)
{
    static const char *refused;
    const struct {
        const char *pattern;
        std::string reply;
        size_t requests;
    } cases[] = {
        {LOCATION_PATTERN, "HTTP/1.0 302 Found\r\nLocation: /b\r\n\r\n", 1},
        {LAST_MODIFIED_PATTERN_A, OK_LM, 1},
        {LAST_MODIFIED_PATTERN_B, reply_with("Last-Modified: Sun Nov  6 08:49:37 1994"), 1},
        {URL_PATTERN, OK_LM, 0},
        {STATUS_PATTERN, OK_LM, 0},
    };
    for (const auto &c : cases) {
        ProbeContext ctx = on_wire({{c.reply}, {c.reply}});
        refused = c.pattern;
        set_pattern_fault_hook([](const char *pattern) { return (int) !strcmp(pattern, refused); });
        EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, "http://h.example/a")) << c.pattern;
        set_pattern_fault_hook(nullptr);
        EXPECT_EQ(c.requests, wire.sent.size()) << c.pattern;
    }
}

namespace
{

// The probe against the loopback server and its TLS front. A wrong name is
// this machine as well, so that it reaches the front; others are looked up.
class Probe : public ::testing::Test
{
protected:
    HttpServer *server = http_server_start();
    ProbeContext ctx;

    void SetUp() override
    {
        ASSERT_NE(nullptr, server);
        ASSERT_EQ(1, http_server_start_tls(server));
        probe_context_init(&ctx);
        ctx.net.resolve = [](const char *host, uint32_t *address) {
            return os_net_resolve(strcmp(host, "wrong.example") ? host : "127.0.0.1", address);
        };
        ctx.connect_timeout_ms = 2000;
        ctx.receive_timeout_ms = 1000;
    }
    void TearDown() override
    {
        if (server) http_server_stop(server);
    }
    uint32_t check(const std::string &url) { return probe_check_url(&ctx, url.c_str()); }
    std::string tls_url(const std::string &path, const std::string &host = "localhost",
                        bool trusted = true)
    {
        return http_server_tls_url(server, host, path, trusted);
    }
};

} // namespace

// A redirect to https. Then a certificate that is not trusted, or not for
// the name asked for, ends the check as failed before any request goes out;
// an address is never sent as a name.
TEST_F(Probe, RequestsOnTheWireAndRefusedCertificates)
{
    std::string port = std::to_string(http_server_port(server));
    std::string tls_port = tls_url("").substr(tls_url("").rfind(':') + 1);
    http_server_reply(server, "HTTP/1.0 301 Moved\r\nLocation: " + tls_url("/b") + "\r\n\r\n");
    http_server_reply(server, OK_LM);
    EXPECT_EQ(LM_TIME, check("http://localhost:" + port + "/a"));
    for (const std::string &url : {tls_url("/", "localhost", false), tls_url("/", "wrong.example"),
                                   tls_url("/", "127.0.0.1")})
        EXPECT_EQ(DATE_FAILED, check(url)) << url;
    EXPECT_EQ((Lines{"HEAD /a HTTP/1.0\r\n" + UA + "Host: localhost:" + port + "\r\n\r\n",
                     "HEAD /b HTTP/1.0\r\n" + UA + "Host: localhost:" + tls_port + "\r\n\r\n"}),
              http_server_requests(server));
    EXPECT_EQ((Lines{"localhost", "localhost", "wrong.example", ""}),
              http_server_tls_names(server));
}

// Nothing listens on one port; the other's listener has a full backlog, so
// that further attempts go unanswered (Linux drops them, also under Wine):
// the connect time-out must end them long before the system would (minutes).
TEST_F(Probe, RefusedAndStalledConnectionsFail)
{
    uint16_t refused, full;
    os_socket_close(os_socket_listen_loopback(1, &refused));
    OsSocket listener = os_socket_listen_loopback(0, &full);
    uint32_t address;
    ASSERT_EQ(1, os_net_resolve("127.0.0.1", &address));
    std::vector<OsSocket> held;
    while (held.size() < 8 && (held.empty() || os_socket_connect(held.back(), address, full, 300)))
        held.push_back(os_socket_open());
    ASSERT_LT(held.size(), 8u) << "every connection attempt was answered: nothing to time out";
    ctx.connect_timeout_ms = 300;
    for (uint16_t port : {refused, full}) {
        std::string u = "http://127.0.0.1:" + std::to_string(port) + "/";
        uint32_t start = os_tick_count();
        char *reply;
        EXPECT_EQ(PROBE_NO_CONNECTION, probe_request(&ctx, "HEAD", u.c_str(), &reply)) << port;
        EXPECT_LT(os_tick_count() - start, 30000u);
    }
    for (OsSocket s : held)
        os_socket_close(s);
    os_socket_close(listener);
}

// A server that closes at once gets a GET; servers that stall, drip, loop,
// flood, babble or break off: each check ends within the time-outs with the
// result the reply so far gives, over plain HTTP and over TLS alike.
TEST_F(Probe, HostileServers)
{
    std::string head = std::string("HTTP/1.0 200 OK\r\n") + LM;
    Lines drip = byte_by_byte(LM); // 60 ms apart: the whole date takes 3 s
    drip.insert(drip.begin(), "HTTP/1.0 200 OK\r\n");
    for (const std::string &base : {http_server_url(server, ""), tls_url("")}) {
        // clang-format off
        // Each with the reply that follows, if any.
        const struct { const char *what; Lines parts; HttpEnd end; std::string then; uint32_t want;
                     } cases[] = {
            {"silent", {}, HTTP_SILENT, "", DATE_FAILED},
            {"drip", drip, HTTP_CLOSE, "", DATE_NONE},
            {"10 MB", {head + std::string(10 << 20, 'x')}, HTTP_CLOSE, "", LM_TIME},
            {"reset", {head.substr(0, 40)}, HTTP_RESET, "", DATE_NONE},
            {"closed, then GET answered", {}, HTTP_CLOSE, head + "\r\n", LM_TIME},
        };
        // clang-format on
        for (const auto &c : cases) {
            http_server_reply(server, c.parts, c.end);
            if (!c.then.empty()) http_server_reply(server, c.then);
            EXPECT_EQ(c.want, check(base + "/")) << c.what << " on " << base;
        }
    }
    // A server that never answers the client's hello.
    http_server_reply(server, {}, HTTP_SILENT);
    EXPECT_EQ(DATE_FAILED, check("https://localhost:" + std::to_string(http_server_port(server))));
}
