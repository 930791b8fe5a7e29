// The HTTP probe against the scripted loopback server, and against a fake
// network for the steps a real one will not fail on demand.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>

#include <string>
#include <vector>

#include "checker/http_probe.h"
#include "checker/patterns.h"
#include "checker/url_date.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

namespace
{

const char LM[] = "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n";
const uint32_t LM_TIME = 784111777;
const char UA[] = "User-Agent: Velorix Trovelinks v10.1.20m\r\n";

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
    std::string host_line()
    {
        return "Host: 127.0.0.1:" + std::to_string(http_server_port(server)) + "\r\n";
    }
    std::vector<std::string> requests() { return http_server_requests(server); }
    // The request lines received, in order.
    std::vector<std::string> request_lines()
    {
        std::vector<std::string> lines;
        for (const std::string &r : requests())
            lines.push_back(r.substr(0, r.find("\r\n")));
        return lines;
    }
};

typedef std::vector<std::string> Lines;

} // namespace

TEST_F(Probe, StatusLinesAndDates)
{
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
    EXPECT_EQ(LM_TIME, check("/a.html"));
    ASSERT_EQ(1u, requests().size());
    EXPECT_EQ("HEAD /a.html HTTP/1.0\r\n" + std::string(UA) + host_line() + "\r\n", requests()[0]);

    struct Case {
        std::string reply;
        uint32_t want;
    };
    const Case cases[] = {
        {std::string("HTTP/1.1 200 OK\r\n") + LM + "\r\n", LM_TIME},
        {"HTTP/1.0 200 OK\r\nServer: t\r\n\r\n", DATE_NONE},
        {std::string("HTTP/1.0 404 Not Found\r\n") + LM + "\r\n", DATE_NONE},
        {"HTTP/1.0 500 Server Error\r\n\r\n", DATE_NONE},
        {"<HTML><BODY>no status line</BODY></HTML>", DATE_NONE},
        {"<html><body>lower case</body></html>", DATE_FAILED},
        {"SSH-2.0-OpenSSH\r\n", DATE_FAILED},
        {"HTTP/1.0 301 Moved\r\nServer: t\r\n\r\n", DATE_FAILED},
        {"HTTP/1.0 302 Found\r\nContent-Location: /elsewhere\r\n\r\n", DATE_FAILED},
    };
    for (const Case &c : cases) {
        http_server_reply(server, c.reply);
        EXPECT_EQ(c.want, check("/")) << c.reply;
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
TEST_F(Probe, APatternThatDoesNotCompileFailsTheCheck)
{
    const std::string dated = std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n";
    const struct {
        const char *pattern;
        std::string reply; // "" for none
    } cases[] = {
        {LOCATION_PATTERN, "HTTP/1.0 302 Found\r\nLocation: /b\r\n\r\n"},
        {LAST_MODIFIED_PATTERN_A, dated},
        {LAST_MODIFIED_PATTERN_B,
         "HTTP/1.0 200 OK\r\nLast-Modified: Sun Nov  6 08:49:37 1994\r\n\r\n"},
        {URL_PATTERN, ""},
        {STATUS_PATTERN, ""},
    };
    for (const auto &c : cases) {
        if (!c.reply.empty()) http_server_reply(server, c.reply);
        refused_pattern = c.pattern;
        set_pattern_fault_hook(refuse_pattern);
        EXPECT_EQ(DATE_FAILED, check("/a")) << c.pattern;
        set_pattern_fault_hook(nullptr);
    }
    EXPECT_EQ(3u, requests().size());
}

TEST_F(Probe, UrlWithoutPathIsRequestedAsRoot)
{
    http_server_reply(server, "HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_EQ(DATE_NONE, check(""));
    EXPECT_EQ(Lines{"HEAD / HTTP/1.0"}, request_lines());
}

// A reply whose header block comes in several segments is read to its end.
TEST_F(Probe, HeaderBlockOverSeveralSegments)
{
    http_server_reply(server, {"HTTP/1.0 200 OK\r\n", "Server: t\r\nX-A: 1\r",
                               std::string("\n") + LM, "\r\n", "<HTML>body</HTML>"});
    EXPECT_EQ(LM_TIME, check("/split"));
}

namespace
{
// A network that hands over the reply at most recv_limit bytes at a time and
// counts the bytes.
uint32_t bytes_received;
size_t recv_limit;
int recv_counted(OsSocket s, void *buffer, size_t size, uint32_t timeout_ms)
{
    int n = os_socket_recv(s, buffer, size < recv_limit ? size : recv_limit, timeout_ms);
    if (n > 0) bytes_received += (uint32_t) n;
    return n;
}
} // namespace

// Reading stops at the empty line, and never holds more than 2,047 bytes.
TEST_F(Probe, ReadsTheHeaderBlockAndNoMore)
{
    ctx.net.recv = recv_counted;
    recv_limit = 1;
    std::string head = std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n";
    http_server_reply(server, head + "<HTML>" + std::string(3000, 'b') + "</HTML>");
    bytes_received = 0;
    EXPECT_EQ(LM_TIME, check("/"));
    EXPECT_EQ(head.size(), bytes_received);

    // Bare line feeds end a header block too.
    http_server_reply(server, "HTTP/1.0 200 OK\nServer: t\n\n<HTML>");
    bytes_received = 0;
    EXPECT_EQ(DATE_NONE, check("/"));
    EXPECT_EQ(strlen("HTTP/1.0 200 OK\nServer: t\n\n"), bytes_received);

    recv_limit = 4096;
    std::string pad = "X-Pad: " + std::string(2100, 'p') + "\r\n";
    http_server_reply(server, {std::string("HTTP/1.0 200 OK\r\n") + LM, pad + "\r\n"});
    bytes_received = 0;
    EXPECT_EQ(LM_TIME, check("/"));
    EXPECT_EQ(2047u, bytes_received);

    // A date beyond the first 2,047 bytes is never seen.
    http_server_reply(server, "HTTP/1.0 200 OK\r\n" + pad + LM + "\r\n");
    EXPECT_EQ(DATE_NONE, check("/"));
}

TEST_F(Probe, HeadClosedWithoutAnswerFallsBackToGet)
{
    http_server_close(server);
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n<HTML>");
    EXPECT_EQ(LM_TIME, check("/p.html"));
    EXPECT_EQ((Lines{"HEAD /p.html HTTP/1.0", "GET /p.html HTTP/1.0"}), request_lines());

    // The GET closes too: no date known. Only one GET per HEAD.
    http_server_close(server);
    http_server_close(server);
    http_server_reply(server, "HTTP/1.0 200 OK\r\n\r\n"); // never asked for
    EXPECT_EQ(DATE_NONE, check("/q"));
    EXPECT_EQ(4u, requests().size());
}

TEST_F(Probe, SilentServerTimesOutAsNothingUsable)
{
    ctx.receive_timeout_ms = 300;
    http_server_silent(server);
    EXPECT_EQ(DATE_FAILED, check("/silent"));
    EXPECT_EQ(Lines{"HEAD /silent HTTP/1.0"}, request_lines()); // no GET after a time-out

    char *reply = (char *) 1;
    http_server_silent(server);
    EXPECT_EQ(PROBE_OK, probe_request(&ctx, "HEAD", url("/").c_str(), &reply));
    ASSERT_NE(nullptr, reply);
    EXPECT_STREQ("", reply);
    memFree(reply);
}

TEST_F(Probe, RequestResultCodes)
{
    char *reply = (char *) 1;
    http_server_close(server);
    EXPECT_EQ(PROBE_CLOSED, probe_request(&ctx, "HEAD", url("/").c_str(), &reply));
    EXPECT_EQ(nullptr, reply);

    http_server_reply(server, "HTTP/1.0 204 No Content\r\n\r\n");
    EXPECT_EQ(PROBE_OK, probe_request(&ctx, "GET", url("/x").c_str(), &reply));
    ASSERT_NE(nullptr, reply);
    EXPECT_STREQ("HTTP/1.0 204 No Content\r\n\r\n", reply);
    memFree(reply);
    EXPECT_EQ("GET /x HTTP/1.0", request_lines().back());

    EXPECT_EQ(PROBE_NOT_HTTP, probe_request(&ctx, "HEAD", "ftp://127.0.0.1/pub", &reply));
    EXPECT_EQ(PROBE_BAD_URL, probe_request(&ctx, "HEAD", "", &reply));
    EXPECT_EQ(nullptr, reply);
}

TEST_F(Probe, RedirectsUpToFourAreFollowed)
{
    for (int i = 0; i < 4; i++)
        http_server_reply(server, "HTTP/1.0 302 Found\r\nLocation: " +
                                      url("/r" + std::to_string(i + 1)) + "\r\n\r\n");
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
    EXPECT_EQ(LM_TIME, check("/r0"));
    EXPECT_EQ((Lines{"HEAD /r0 HTTP/1.0", "HEAD /r1 HTTP/1.0", "HEAD /r2 HTTP/1.0",
                     "HEAD /r3 HTTP/1.0", "HEAD /r4 HTTP/1.0"}),
              request_lines());
}

TEST_F(Probe, AFifthRedirectFails)
{
    for (int i = 0; i < 6; i++)
        http_server_reply(server, "HTTP/1.0 301 Moved\r\nLocation: " + url("/again") + "\r\n\r\n");
    EXPECT_EQ(DATE_FAILED, check("/loop"));
    EXPECT_EQ(5u, requests().size());
}

// Relative targets are resolved against the URL requested; only a header
// line named Location counts, in any letter case.
TEST_F(Probe, RedirectTargets)
{
    std::string port = std::to_string(http_server_port(server));
    http_server_reply(server, "HTTP/1.0 302 Found\r\nLocation: /new/page\r\n\r\n");
    http_server_reply(server, "HTTP/1.0 302 Found\r\nlocation:\tpage2.html\r\n\r\n");
    http_server_reply(server, "HTTP/1.0 301 Moved\r\nContent-Location: /wrong\r\n"
                              "LOCATION: ../up.html?x=1\r\n\r\n");
    http_server_reply(server,
                      "HTTP/1.0 302 Found\r\nLocation: //127.0.0.1:" + port + "/far/p\r\n\r\n");
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
    EXPECT_EQ(LM_TIME, check("/dir/a.html"));
    EXPECT_EQ((Lines{"HEAD /dir/a.html HTTP/1.0", "HEAD /new/page HTTP/1.0",
                     "HEAD /new/page2.html HTTP/1.0", "HEAD /up.html?x=1 HTTP/1.0",
                     "HEAD /far/p HTTP/1.0"}),
              request_lines());
    for (const std::string &r : requests())
        EXPECT_NE(std::string::npos, r.find(host_line())) << r;
}

TEST_F(Probe, HostNameLookedUp)
{
    uint32_t address;
    // A bare root (a chroot without /etc/hosts) may know no names at all.
    if (!os_net_resolve("localhost", &address) || address != 0x0100007Fu)
        GTEST_SKIP() << "this machine does not resolve localhost to 127.0.0.1";
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
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
// an answer, which the connect time-out must end.
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
    if (stalled) {
        ctx.connect_timeout_ms = 300;
        std::string u = "http://127.0.0.1:" + std::to_string(port) + "/";
        char *reply;
        EXPECT_EQ(PROBE_NO_CONNECTION, probe_request(&ctx, "HEAD", u.c_str(), &reply));
        EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, u.c_str()));
    }
    for (OsSocket s : held)
        os_socket_close(s);
    os_socket_close(l);
    if (!stalled) GTEST_SKIP() << "this system answers every connection attempt";
}

namespace
{
// A network without a wire: every step succeeds unless told to fail, what is
// sent is kept, and the reply is a fixed text.
struct Fake {
    int fail;          // which step fails: 0 none, 1 resolve, 2 open, 3 connect, 4 send
    int calls;         // operations called
    std::string sent;  // every byte sent
    std::string reply; // handed out by the first receive; then the server closes
    bool replied;
} fake;

int fake_resolve(const char *, uint32_t *address)
{
    fake.calls++;
    *address = 0x0100007F;
    return fake.fail != 1;
}
OsSocket fake_open(void)
{
    fake.calls++;
    fake.replied = false;
    return fake.fail == 2 ? OS_SOCKET_NONE : 7;
}
int fake_connect(OsSocket, uint32_t, uint16_t, uint32_t)
{
    fake.calls++;
    return fake.fail != 3;
}
int fake_send(OsSocket, const void *data, size_t length, uint32_t)
{
    fake.calls++;
    if (fake.fail == 4) return -1;
    // Hand over at most 100 bytes at a time, as a busy network may.
    size_t n = length < 100 ? length : 100;
    fake.sent.append((const char *) data, n);
    return (int) n;
}
int fake_recv(OsSocket, void *buffer, size_t size, uint32_t)
{
    fake.calls++;
    if (fake.replied) return OS_RECV_CLOSED;
    fake.replied = true;
    size_t n = fake.reply.size() < size ? fake.reply.size() : size;
    memcpy(buffer, fake.reply.data(), n);
    return n ? (int) n : OS_RECV_CLOSED;
}
void fake_close(OsSocket)
{
    fake.calls++;
}

ProbeContext fake_context(int fail, const std::string &reply)
{
    fake = Fake{fail, 0, "", reply, false};
    ProbeContext ctx;
    probe_context_init(&ctx);
    ctx.net.resolve = fake_resolve;
    ctx.net.open = fake_open;
    ctx.net.connect = fake_connect;
    ctx.net.send = fake_send;
    ctx.net.recv = fake_recv;
    ctx.net.close = fake_close;
    return ctx;
}
} // namespace

TEST(ProbeRequest, HostHeaderAndLongPathsGoOutWhole)
{
    ProbeContext ctx = fake_context(0, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
    EXPECT_EQ(LM_TIME, probe_check_url(&ctx, "http://www.example.com/a.html"));
    EXPECT_EQ("HEAD /a.html HTTP/1.0\r\n" + std::string(UA) + "Host: www.example.com\r\n\r\n",
              fake.sent);

    std::string path = "/" + std::string(1500, 'd') + "/page.html";
    ctx = fake_context(0, "HTTP/1.0 404 Not Found\r\n\r\n");
    EXPECT_EQ(DATE_NONE, probe_check_url(&ctx, ("Example.COM:8080" + path).c_str()));
    EXPECT_EQ("HEAD " + path + " HTTP/1.0\r\n" + UA + "Host: Example.COM:8080\r\n\r\n", fake.sent);

    // The URL itself is cut to 2,047 characters.
    std::string longest = "http://h" + std::string(3000, '/');
    ctx = fake_context(0, "HTTP/1.0 404 Not Found\r\n\r\n");
    probe_check_url(&ctx, longest.c_str());
    EXPECT_EQ("HEAD " + std::string(2047 - 8, '/') + " HTTP/1.0\r\n",
              fake.sent.substr(0, fake.sent.find('\n') + 1));
}

TEST(ProbeRequest, FailingStepsGiveTheirResults)
{
    struct Case {
        int fail;
        int code;
        uint32_t check;
    };
    const Case cases[] = {
        {1, PROBE_BAD_URL, DATE_FAILED},       // host unknown
        {2, PROBE_NOT_SENT, DATE_NONE},        // no socket
        {3, PROBE_NO_CONNECTION, DATE_FAILED}, // refused or unreachable
        {4, PROBE_NOT_SENT, DATE_NONE},        // request not sent
    };
    for (const Case &c : cases) {
        ProbeContext ctx = fake_context(c.fail, "HTTP/1.0 200 OK\r\n\r\n");
        char *reply = (char *) 1;
        EXPECT_EQ(c.code, probe_request(&ctx, "HEAD", "http://h.example/", &reply)) << c.fail;
        EXPECT_EQ(nullptr, reply);
        EXPECT_EQ(c.check, probe_check_url(&ctx, "http://h.example/")) << c.fail;
    }

    // Schemes other than http make no traffic at all.
    for (const char *u : {"ftp://h.example/pub", "file://h.example/x", "FTP://h.example"}) {
        ProbeContext ctx = fake_context(0, "HTTP/1.0 200 OK\r\n\r\n");
        EXPECT_EQ(DATE_NONE, probe_check_url(&ctx, u)) << u;
        EXPECT_EQ(0, fake.calls) << u;
    }
    ProbeContext ctx = fake_context(0, "");
    EXPECT_EQ(DATE_FAILED, probe_check_url(&ctx, "~~~"));
    EXPECT_EQ(0, fake.calls);
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
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
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
    http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
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
        http_server_reply(server, std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n");
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
