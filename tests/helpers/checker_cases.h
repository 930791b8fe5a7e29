// The link checker's test inputs in tables: URLs to split, redirect targets
// to resolve, Last-Modified lines to read and scripted exchanges for the
// probe. The checker's tests judge them; the regular-expression differential
// runs the same texts through both engines.
#ifndef TL_TESTS_HELPERS_CHECKER_CASES_H
#define TL_TESTS_HELPERS_CHECKER_CASES_H

#include <stdint.h>

#include <string>
#include <vector>

#include "checker/url_date.h"
#include "store/bookmark.h"

struct SplitCase {
    const char *url;
    int ok;
    int32_t scheme;
    const char *host;
    uint16_t port;
    const char *path; // null: none
};

inline const SplitCase SPLIT_CASES[] = {
    {"HTTP://Host/dir/page.html", 1, SCHEME_HTTP, "Host", 80, "/dir/page.html"},
    {"www.example.com/dir/x.html", 1, SCHEME_NONE, "www.example.com", 80, "/dir/x.html"},
    {"https://host/x", 1, SCHEME_HTTPS, "host", 443, "/x"},
    {"HTTPS://host:8443", 1, SCHEME_HTTPS, "host", 8443, nullptr},
    {"httpx://host/", 1, SCHEME_HTTP, "host", 80, "/"},
    {"ftp://host/pub", 1, SCHEME_FTP, "host", 21, "/pub"},
    {"FILE://host/x", 1, SCHEME_FILE, "host", 0, "/x"},
    {"gopher://g.example:70/1/", 1, SCHEME_NONE, "g.example", 70, "/1/"},
    {"htt://x/", 1, SCHEME_NONE, "x", 80, "/"},
    {"http://host:99999/x", 1, SCHEME_HTTP, "host", 34463, "/x"},
    {"http://host/~user/page.html", 1, SCHEME_HTTP, "host", 80, "/"},
    {"http://h/a?b=c#top", 1, SCHEME_HTTP, "h", 80, "/a?b=c"},
    {"file:///c:/x", 1, SCHEME_NONE, "file", 80, nullptr},
    {"  http://lead.example/", 1, SCHEME_HTTP, "lead.example", 80, "/"},
    {"", 0, SCHEME_NONE, nullptr, 0, nullptr},
    {"~~~ ###", 0, SCHEME_NONE, nullptr, 0, nullptr},
};

struct ResolveCase {
    const char *base, *reference, *want;
};

#define RB "http://a.example/dir/page.html"
// clang-format off
inline const ResolveCase RESOLVE_CASES[] = {
    {RB, "http://b.example/x", "http://b.example/x"},
    {RB, "/new/page", "http://a.example/new/page"},
    {RB, "sub/p2.html", "http://a.example/dir/sub/p2.html"},
    {RB, "../up.html", "http://a.example/up.html"},
    {RB, "./x/../y?q=1#frag", "http://a.example/dir/y?q=1"}, {RB, "/../../x", "http://a.example/x"},
    {RB, "..", "http://a.example/"},
    {"http://a.example/dir/page.html?old", "?q", "http://a.example/dir/page.html?q"},
    {"http://a.example/dir/page.html?old", "#f", "http://a.example/dir/page.html?old"},
    {"HTTPS://a.example:8080", "p", "https://a.example:8080/p"},
    {"https://a.example:443/d/", "//c.example/p", "https://c.example/p"},
    {"http://a.example:80/d/", "e", "http://a.example/d/e"},
    {"a.example", "x", "a.example/x"},
    {"a.example/d/e", "//h.example/p", "//h.example/p"},
    {"http://a.example/", "other.example:81/p", "other.example:81/p"},
};
#undef RB
// clang-format on

struct DateCase {
    const char *header;
    uint32_t want;
};

// clang-format off
inline const DateCase DATE_CASES[] = {
    {"Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
    {"Last-Modified: Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
    {"Last-Modified: Sun Nov  6 08:49:37 1994", 784111777},
    {"Last-Modified: Sun 06 Nov 1994 08:49:37 GMT", 784111777},
    {"Last-modified:Sun, 06 NOV 1994 08:49:37", 784111777},
    {"Last-Modified: Sun, 06 Foo 1994 08:49:37 GMT", DATE_NONE},
    {"Last-Modified: Tue, 06 September 1994 08:49:37 GMT", 778841377},
    {"Last-Modified: Tue, 06 Ma 1994 08:49:37 GMT", DATE_NONE},
    {"Last-Modified: Wed, 31 Dec 1969 23:59:59 GMT", DATE_NONE},
    {"Last-Modified: Thu, 01 Jan 1970 00:00:00 GMT", 0},
    // The last second a 32-bit time holds that is no sentinel, and beyond;
    // out-of-range fields roll over, as the calendar test shows.
    {"Last-Modified: Sun, 07 Feb 2106 06:28:12 GMT", 0xFFFFFFFCu},
    {"Last-Modified: Sun, 07 Feb 2106 06:28:13 GMT", DATE_NONE},
    {"Last-Modified: Sun, 07 Feb 99999999999 06:28:13 GMT", DATE_NONE},
    // A field's number wraps at 2^32: day 2^32 + 6 is day 6.
    {"Last-Modified: Sun, 4294967302 Nov 1994 08:49:37 GMT", 784111777},
    {"Last-Modified: 06 Nov 1994 08:49:37 GMT", DATE_NONE},
    {"Last-Modified: Sun, 06 Nov 1994 08:49 GMT", DATE_NONE},
    {"HTTP/1.0 200 OK\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n", DATE_NONE},
};
// clang-format on

// A reply whose header block holds header.
inline std::string reply_with(const char *header)
{
    return std::string("HTTP/1.0 200 OK\r\nServer: t\r\n") + header + "\r\n\r\n";
}

// ---- Exchanges of the probe ---------------------------------------------------

inline const char LM[] = "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n";
inline const uint32_t LM_TIME = 784111777;
inline const std::string OK_LM = std::string("HTTP/1.0 200 OK\r\n") + LM + "\r\n";
inline const std::string PAD = "X-Pad: " + std::string(2100, 'p') + "\r\n";

// One connection's reply, one receive per segment, after which the server
// closes; none: it closes at once. A segment of one zero byte is a receive
// that times out.
typedef std::vector<std::string> Segments;
inline const std::string SILENT(1, '\0');

inline Segments byte_by_byte(const std::string &text)
{
    Segments s;
    for (char c : text)
        s.push_back(std::string(1, c));
    return s;
}

// n redirects to /r1, /r2..., and then the reply last if it is given.
inline std::vector<Segments> redirects(int n, const char *status, const std::string &last = "")
{
    std::vector<Segments> r;
    for (int i = 1; i <= n; i++)
        r.push_back({std::string(status) + "\r\nLocation: http://h.example/r" + std::to_string(i) +
                     "\r\n\r\n"});
    if (!last.empty()) r.push_back({last});
    return r;
}

inline const std::string HEAD_ROOT = "HEAD / HTTP/1.0|h.example";
inline const std::vector<std::string> HEAD_REDIRECTED = {
    "HEAD /r0 HTTP/1.0|h.example", "HEAD /r1 HTTP/1.0|h.example", "HEAD /r2 HTTP/1.0|h.example",
    "HEAD /r3 HTTP/1.0|h.example", "HEAD /r4 HTTP/1.0|h.example"};
inline const std::string LONG_PATH = "/" + std::string(1500, 'd') + "/page.html";

// A check: the result, the replies of its connections in order, each
// request's line and Host value ("HEAD /p HTTP/1.0|host"), its URL, and the
// bytes the probe took in all (-1: not counted).
struct CheckCase {
    uint32_t want;
    std::vector<Segments> replies;
    std::vector<std::string> requests = {HEAD_ROOT};
    std::string url = "http://h.example/";
    int taken = -1;
};

// clang-format off
inline const CheckCase CHECK_CASES[] = {
    // Status lines and dates.
    {LM_TIME, {{OK_LM}}, {"HEAD /a.html HTTP/1.0|h.example"}, "http://h.example/a.html"},
    {LM_TIME, {{std::string("HTTP/1.1 200 OK\r\n") + LM + "\r\n"}}},
    {DATE_NONE, {{std::string("HTTP/1.0 404 Not Found\r\n") + LM + "\r\n"}}},
    {DATE_NONE, {{"<HTML><BODY>no status line</BODY></HTML>"}}},
    {DATE_FAILED, {{"<html><body>lower case</body></html>"}}},
    {DATE_FAILED, {{"HTTP/1.0 301 Moved\r\nServer: t\r\n\r\n"}}},
    {DATE_NONE, {{"HTTP/1.0 204 No Content\r\n\r\n"}}, {HEAD_ROOT}, "http://h.example"},
    // The header block in pieces, read to its end and no further; never more
    // than 2,047 bytes, so a date beyond them is not seen.
    {LM_TIME, {{"HTTP/1.0 200 OK\r\n", "Server: t\r\nX-A: 1\r", std::string("\n") + LM, "\r\n",
                "<HTML>body</HTML>"}}},
    {LM_TIME, {byte_by_byte(OK_LM + "<HTML>" + std::string(3000, 'b'))}, {HEAD_ROOT},
     "http://h.example/", (int) OK_LM.size()},
    {DATE_NONE, {byte_by_byte("HTTP/1.0 200 OK\nServer: t\n\n<HTML>")}, {HEAD_ROOT},
     "http://h.example/", 27},
    {LM_TIME, {{std::string("HTTP/1.0 200 OK\r\n") + LM, PAD + "\r\n"}}, {HEAD_ROOT},
     "http://h.example/", 2047},
    {DATE_NONE, {{"HTTP/1.0 200 OK\r\n" + PAD + LM + "\r\n"}}},
    // Closed without a word: one GET, answered or not. After a time-out: none.
    {LM_TIME, {{}, {OK_LM + "<HTML>"}}, {HEAD_ROOT, "GET / HTTP/1.0|h.example"}},
    {DATE_NONE, {{}, {}, {OK_LM}}, {HEAD_ROOT, "GET / HTTP/1.0|h.example"}},
    {DATE_FAILED, {{SILENT}, {OK_LM}}},
    // Redirects: four are followed, a fifth fails. Relative targets are
    // resolved against the URL requested; only a line named Location counts.
    {LM_TIME, redirects(4, "HTTP/1.0 302 Found", OK_LM), HEAD_REDIRECTED,
     "http://h.example/r0"},
    {DATE_FAILED, redirects(6, "HTTP/1.0 301 Moved"), HEAD_REDIRECTED, "http://h.example/r0"},
    {LM_TIME,
     {{"HTTP/1.0 302 Found\r\nLocation: /new/page\r\n\r\n"},
      {"HTTP/1.0 302 Found\r\nlocation:\tpage2.html\r\n\r\n"},
      {"HTTP/1.0 301 Moved\r\nContent-Location: /wrong\r\nLOCATION: ../up.html?x=1\r\n\r\n"},
      {"HTTP/1.0 302 Found\r\nLocation: //far.example:81/far/p\r\n\r\n"},
      {OK_LM}},
     {"HEAD /dir/a.html HTTP/1.0|h.example", "HEAD /new/page HTTP/1.0|h.example",
      "HEAD /new/page2.html HTTP/1.0|h.example", "HEAD /up.html?x=1 HTTP/1.0|h.example",
      "HEAD /far/p HTTP/1.0|far.example:81"},
     "http://h.example/dir/a.html"},
    // Long paths go out whole; the URL itself is cut to 2,047 characters.
    {DATE_NONE, {{"HTTP/1.0 404 Not Found\r\n\r\n"}},
     {"HEAD " + LONG_PATH + " HTTP/1.0|Example.COM:8080"}, "Example.COM:8080" + LONG_PATH},
    {DATE_NONE, {{"HTTP/1.0 404 Not Found\r\n\r\n"}},
     {"HEAD " + std::string(2047 - 8, '/') + " HTTP/1.0|h"}, "http://h" + std::string(3000, '/')},
    // Other schemes and URLs that do not split make no traffic at all.
    {DATE_NONE, {{OK_LM}}, {}, "file://h.example/x"},
    {DATE_FAILED, {{OK_LM}}, {}, "~~~"},
};
// clang-format on

#endif
