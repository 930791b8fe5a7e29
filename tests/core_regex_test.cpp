// The regular expressions of the link checker as the build's engine runs them
// (the C library's natively, the standard-library adapter on Windows).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "checker/patterns.h"
#include "core/regex.h"

typedef std::vector<std::pair<int, int>> Spans;

// Spans of the first match of pattern in text, or an empty list.
static Spans match(const char *pattern, int cflags, const std::string &text, int nspans)
{
    regex_t re;
    EXPECT_EQ(0, regcomp(&re, pattern, cflags));
    std::vector<regmatch_t> m(nspans);
    Spans out;
    if (regexec(&re, text.c_str(), nspans, m.data(), 0) == 0)
        for (auto &s : m)
            out.push_back({(int) s.rm_so, (int) s.rm_eo});
    regfree(&re);
    return out;
}

static std::string group(const Spans &s, const std::string &text, int g)
{
    if (s[g].first < 0) return "<none>";
    return text.substr(s[g].first, s[g].second - s[g].first);
}

TEST(Regex, UrlGroups)
{
    std::string u = "HTTP://www.example.com:8080/a/b.html#top";
    Spans s = match(URL_PATTERN, REG_EXTENDED | REG_ICASE, u, 10);
    ASSERT_EQ(10u, s.size());
    EXPECT_EQ("HTTP", group(s, u, 2));
    EXPECT_EQ("www.example.com", group(s, u, 5));
    EXPECT_EQ("8080", group(s, u, 7));
    EXPECT_EQ("/a/b.html", group(s, u, 8));
    EXPECT_EQ("#top", group(s, u, 9));

    std::string bare = "example.com";
    s = match(URL_PATTERN, REG_EXTENDED | REG_ICASE, bare, 10);
    ASSERT_EQ(10u, s.size());
    EXPECT_EQ("<none>", group(s, bare, 2));
    EXPECT_EQ("example.com", group(s, bare, 5));
    EXPECT_EQ("", group(s, bare, 8));

    EXPECT_TRUE(match(URL_PATTERN, REG_EXTENDED | REG_ICASE, "", 10).empty());
    EXPECT_TRUE(match(URL_PATTERN, REG_EXTENDED | REG_ICASE, "/:/#", 10).empty());
}

TEST(Regex, ReplyPatterns)
{
    std::string r = "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n";
    Spans st = match(STATUS_PATTERN, REG_EXTENDED, r, 4);
    ASSERT_EQ(4u, st.size());
    EXPECT_EQ("200", group(st, r, 3));
    Spans a = match(LAST_MODIFIED_PATTERN_A, REG_EXTENDED, r, 7);
    ASSERT_EQ(7u, a.size());
    EXPECT_EQ("06", group(a, r, 1));
    EXPECT_EQ("Nov", group(a, r, 2));
    EXPECT_EQ("1994", group(a, r, 3));
    EXPECT_EQ("37", group(a, r, 6));

    std::string old = "Last-modified: Sunday, 06-Nov-94 08:49:37 GMT\n";
    a = match(LAST_MODIFIED_PATTERN_A, REG_EXTENDED, old, 7);
    ASSERT_EQ(7u, a.size());
    EXPECT_EQ("94", group(a, old, 3));

    std::string asc = "Last-Modified: Sun Nov  6 08:49:37 1994\n";
    EXPECT_TRUE(match(LAST_MODIFIED_PATTERN_A, REG_EXTENDED, asc, 7).empty());
    Spans b = match(LAST_MODIFIED_PATTERN_B, REG_EXTENDED, asc, 7);
    ASSERT_EQ(7u, b.size());
    EXPECT_EQ("Nov", group(b, asc, 1));
    EXPECT_EQ("6", group(b, asc, 2));
    EXPECT_EQ("1994", group(b, asc, 6));

    std::string moved = "HTTP/1.0 302 Found\r\nLocation:   http://new.example/x y\r\n";
    Spans l = match(LOCATION_PATTERN, REG_EXTENDED | REG_ICASE, moved, 3);
    ASSERT_EQ(3u, l.size());
    EXPECT_EQ("http://new.example/x", group(l, moved, 2));
}

// Long inputs on a thread with the default stack size: the adapter's engine
// must neither overflow the stack nor take long on a full 2,047-byte reply.
TEST(Regex, LongInputsOnAThread)
{
    bool ok = false;
    std::thread t([&ok] {
        std::string url = "http://host.example/" + std::string(2027, 'a');
        Spans s = match(URL_PATTERN, REG_EXTENDED | REG_ICASE, url, 10);
        std::string reply = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1990, 'x') +
                            "\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT";
        reply.resize(2047, ' ');
        Spans st = match(STATUS_PATTERN, REG_EXTENDED, reply, 4);
        Spans none = match(LAST_MODIFIED_PATTERN_B, REG_EXTENDED, std::string(2047, 'o'), 7);
        std::string hosty(2047, 'z');
        Spans h = match(URL_PATTERN, REG_EXTENDED | REG_ICASE, hosty, 10);
        ok = s.size() == 10 && s[0].second == 2047 && st.size() == 4 && none.empty() &&
             h.size() == 10 && h[5].second == 2047;
    });
    t.join();
    EXPECT_TRUE(ok);
}
