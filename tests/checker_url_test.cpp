// Splitting URLs and resolving redirect targets.
#include <gtest/gtest.h>

#include <string>

#include "checker/url_date.h"
#include "core/mem.h"

namespace
{

struct SplitCase {
    const char *url;
    int ok;
    int32_t scheme;
    const char *host;
    uint16_t port;
    const char *path; // null: none
};

const SplitCase split_cases[] = {
    {"HTTP://Host/dir/page.html", 1, SCHEME_HTTP, "Host", 80, "/dir/page.html"},
    {"www.example.com/dir/x.html", 1, SCHEME_NONE, "www.example.com", 80, "/dir/x.html"},
    {"https://host/x", 1, SCHEME_HTTPS, "host", 443, "/x"},
    {"HTTPS://host:8443", 1, SCHEME_HTTPS, "host", 8443, nullptr},
    {"httpx://host/", 1, SCHEME_HTTP, "host", 80, "/"},
    {"ftp://host/pub", 1, SCHEME_FTP, "host", 21, "/pub"},
    {"FILE://host/x", 1, SCHEME_FILE, "host", 0, "/x"},
    {"gopher://g.example:70/1/", 1, SCHEME_NONE, "g.example", 70, "/1/"},
    {"htt://x/", 1, SCHEME_NONE, "x", 80, "/"},
    {"http://host:8080/x", 1, SCHEME_HTTP, "host", 8080, "/x"},
    {"http://host:99999/x", 1, SCHEME_HTTP, "host", 34463, "/x"},
    {"http://host", 1, SCHEME_HTTP, "host", 80, nullptr},
    {"http://host/~user/page.html", 1, SCHEME_HTTP, "host", 80, "/"},
    {"http://h/a?b=c#top", 1, SCHEME_HTTP, "h", 80, "/a?b=c"},
    {"file:///c:/x", 1, SCHEME_NONE, "file", 80, nullptr},
    {"  http://lead.example/", 1, SCHEME_HTTP, "lead.example", 80, "/"},
    {"", 0, SCHEME_NONE, nullptr, 0, nullptr},
    {"/:/#", 0, SCHEME_NONE, nullptr, 0, nullptr},
    {"~~~ ###", 0, SCHEME_NONE, nullptr, 0, nullptr},
};

} // namespace

TEST(SplitUrl, SchemesHostsPortsAndPaths)
{
    for (const SplitCase &c : split_cases) {
        SCOPED_TRACE(c.url);
        UrlParts p;
        p.host = (char *) "stale";
        ASSERT_EQ(c.ok, split_url(c.url, &p));
        EXPECT_EQ(c.scheme, p.scheme);
        EXPECT_EQ(c.port, p.port);
        EXPECT_STREQ(c.host, p.host);
        EXPECT_STREQ(c.path, p.path);
        free_url_parts(&p);
    }
    UrlParts p;
    EXPECT_EQ(0, split_url(nullptr, &p));
    EXPECT_EQ(nullptr, p.host);
}

TEST(MatchNumber, SpansAndWrapping)
{
    const char *t = "x4294967295y4294967296z";
    EXPECT_EQ(4294967295u, match_number(t, regmatch_t{1, 11}));
    EXPECT_EQ(0u, match_number(t, regmatch_t{12, 22})); // 2^32 wraps to 0
    EXPECT_EQ(42u, match_number(t, regmatch_t{1, 3}));
    EXPECT_EQ(0u, match_number(t, regmatch_t{3, 3}));
    EXPECT_EQ(0u, match_number(t, regmatch_t{5, 2}));
    EXPECT_EQ(0u, match_number(t, regmatch_t{-1, -1}));
}

TEST(ResolveUrl, RedirectTargetsAgainstTheRequestedUrl)
{
    struct Case {
        const char *base, *reference, *want;
    };
    const Case cases[] = {
        {"http://a.example/dir/page.html", "http://b.example/x", "http://b.example/x"},
        {"http://a.example/dir/page.html", "/new/page", "http://a.example/new/page"},
        {"http://a.example/dir/page.html", "page.html", "http://a.example/dir/page.html"},
        {"http://a.example/dir/page.html", "sub/p2.html", "http://a.example/dir/sub/p2.html"},
        {"http://a.example/dir/page.html", "//c.example/p", "http://c.example/p"},
        {"http://a.example/dir/page.html", "../up.html", "http://a.example/up.html"},
        {"http://a.example/dir/page.html", "./x/../y?q=1#frag", "http://a.example/dir/y?q=1"},
        {"http://a.example/dir/page.html", "/../../x", "http://a.example/x"},
        {"http://a.example/dir/page.html", "..", "http://a.example/"},
        {"http://a.example/dir/page.html?old", "?q", "http://a.example/dir/page.html?q"},
        {"http://a.example/dir/page.html?old", "#f", "http://a.example/dir/page.html?old"},
        {"HTTPS://a.example:8080", "p", "https://a.example:8080/p"},
        {"https://a.example:443/d/", "//c.example/p", "https://c.example/p"},
        {"https://a.example/d/", "/e", "https://a.example/e"},
        {"http://a.example:80/d/", "e", "http://a.example/d/e"},
        {"a.example/dir/", "/x", "a.example/x"},
        {"a.example", "x", "a.example/x"},
        {"a.example/d/e", "//h.example/p", "//h.example/p"},
        // A reference that begins like "name:" stands as it is.
        {"http://a.example/", "other.example:81/p", "other.example:81/p"},
        {"http://a.example/", "mailto:x@y", "mailto:x@y"},
    };
    for (const Case &c : cases) {
        char *got = resolve_url(c.base, c.reference);
        EXPECT_STREQ(c.want, got) << c.base << " + " << c.reference;
        memFree(got);
    }
}
