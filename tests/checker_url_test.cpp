// Splitting URLs and resolving redirect targets.
#include <gtest/gtest.h>

#include <string>

#include "checker/url_date.h"
#include "core/mem.h"
#include "tests/helpers/checker_cases.h"

TEST(SplitUrl, SchemesHostsPortsAndPaths)
{
    for (const SplitCase &c : SPLIT_CASES) {
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
    for (const ResolveCase &c : RESOLVE_CASES) {
        char *got = resolve_url(c.base, c.reference);
        EXPECT_STREQ(c.want, got) << c.base << " + " << c.reference;
        memFree(got);
    }
}
