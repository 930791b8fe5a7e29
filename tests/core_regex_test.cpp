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

// The groups of the checker's patterns, as the build's engine reports them:
// "<none>" for a group that took no part in the match, "" for no match at all.
TEST(Regex, GroupsOfEachPattern)
{
    const int URL = REG_EXTENDED | REG_ICASE;
    const std::string reply =
        "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n";
    const std::string asctime_form = "Last-Modified: Sun Nov  6 08:49:37 1994";
    // clang-format off
    const struct {
        const char *pattern;
        int flags, spans;
        std::string text;
        std::vector<int> groups;
        std::string want; // the groups' texts joined by "|"
    } cases[] = {
        {URL_PATTERN, URL, 10, "HTTP://www.example.com:8080/a/b.html#top", {2, 5, 7, 8, 9},
         "HTTP|www.example.com|8080|/a/b.html|#top"},
        {URL_PATTERN, URL, 10, "example.com", {2, 5, 8}, "<none>|example.com|"},
        {URL_PATTERN, URL, 10, "/:/#", {5}, ""},
        {STATUS_PATTERN, REG_EXTENDED, 4, reply, {3}, "200"},
        {LAST_MODIFIED_PATTERN_A, REG_EXTENDED, 7, reply, {1, 2, 3, 6}, "06|Nov|1994|37"},
        {LAST_MODIFIED_PATTERN_A, REG_EXTENDED, 7, "Last-modified: Sunday, 06-Nov-94 08:49:37 GMT",
         {3}, "94"},
        {LAST_MODIFIED_PATTERN_A, REG_EXTENDED, 7, asctime_form, {1}, ""},
        {LAST_MODIFIED_PATTERN_B, REG_EXTENDED, 7, asctime_form, {1, 2, 6}, "Nov|6|1994"},
        {LOCATION_PATTERN, URL, 3, "HTTP/1.0 302 Found\r\nLocation:   http://new.example/x y\r\n",
         {2}, "http://new.example/x"},
    };
    // clang-format on
    for (const auto &c : cases) {
        Spans s = match(c.pattern, c.flags, c.text, c.spans);
        std::string got;
        for (size_t k = 0; k < c.groups.size() && !s.empty(); k++) {
            int g = c.groups[k];
            got += (k ? "|" : "") + (s[g].first < 0
                                         ? std::string("<none>")
                                         : c.text.substr(s[g].first, s[g].second - s[g].first));
        }
        EXPECT_EQ(c.want, got) << c.text;
    }
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
