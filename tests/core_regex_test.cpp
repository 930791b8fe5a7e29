// The regular expressions of the link checker on long inputs, as the build's
// engine runs them (the C library's natively, the standard-library adapter
// on Windows). What their groups hold is the checker's tests' to judge.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "checker/patterns.h"
#include "core/regex.h"

// The end of group of the first match of pattern in text, -1 without one.
static int match_end(const char *pattern, int cflags, const std::string &text, int group)
{
    regex_t re;
    EXPECT_EQ(0, regcomp(&re, pattern, cflags));
    std::vector<regmatch_t> m(10);
    int end = regexec(&re, text.c_str(), 10, m.data(), 0) == 0 ? (int) m[group].rm_eo : -1;
    regfree(&re);
    return end;
}

// Long inputs on a thread with the default stack size: the adapter's engine
// must neither overflow the stack nor take long on a full 2,047-byte reply.
TEST(Regex, LongInputsOnAThread)
{
    std::vector<int> ends;
    std::thread t([&ends] {
        const int URL = REG_EXTENDED | REG_ICASE;
        std::string reply = "HTTP/1.1 200 OK\r\nX-Pad: " + std::string(1990, 'x') +
                            "\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT";
        reply.resize(2047, ' ');
        ends = {match_end(URL_PATTERN, URL, "http://host.example/" + std::string(2027, 'a'), 0),
                match_end(URL_PATTERN, URL, std::string(2047, 'z'), 5),
                match_end(STATUS_PATTERN, REG_EXTENDED, reply, 3),
                match_end(LAST_MODIFIED_PATTERN_B, REG_EXTENDED, std::string(2047, 'o'), 0)};
    });
    t.join();
    EXPECT_EQ((std::vector<int>{2047, 2047, 12, -1}), ends);
}
