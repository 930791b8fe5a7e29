// Differential test of the regular-expression adapter that the Windows build
// uses: every pattern of the link checker runs through the C library's engine
// and through the adapter over a corpus of URLs, reply headers and odd bytes;
// the results and every span must agree.
#include <gtest/gtest.h>

#include <regex.h>

#include <random>
#include <string>
#include <vector>

#include "checker/patterns.h"
#include "core/posix_regex.h"
#include "tests/helpers/checker_cases.h"

namespace
{

struct Pattern {
    const char *name, *text;
    bool icase;
    int spans;
};

const Pattern patterns[] = {
    {"url", URL_PATTERN, true, 10},
    {"last-modified A", LAST_MODIFIED_PATTERN_A, false, 7},
    {"last-modified B", LAST_MODIFIED_PATTERN_B, false, 7},
    {"status", STATUS_PATTERN, false, 4},
    {"location", LOCATION_PATTERN, true, 3},
};

// Inputs beyond the checker's own cases, which join them: other schemes and
// the second date form.
// clang-format off
const char *const fixed_inputs[] = {
    "news:comp.lang.c", "mailto:someone@example.com", "file:///C|/My Documents/page.htm",
    "%41%42://x.y/z", "x-y.z+w://a", "http://[::1]:8080/", "HTTPS/1.0 200 OK",
    "Last-Modified: Thursday Jan 1 00:00:00 1970", "last-modified: mon DEC 31 23:59:59 1899",
    "Modified: X Sept 99 24:60:61 2106 GMT\r\n", "odified:Sun  Feb 29 12:00:00  2000\r\n",
    "Last-Modified: Fri Dec 31 23:59:59 1999",
};
// clang-format on

// The seeds, and each of them changed a few times over: bytes put in, taken
// out or replaced, pieces of other seeds spliced in.
std::vector<std::string> corpus()
{
    std::vector<std::string> c(std::begin(fixed_inputs), std::end(fixed_inputs));
    for (const SplitCase &s : SPLIT_CASES)
        c.push_back(s.url);
    for (const ResolveCase &r : RESOLVE_CASES)
        c.insert(c.end(), {r.base, r.reference, r.want});
    for (const DateCase &d : DATE_CASES)
        c.push_back(reply_with(d.header));
    for (const CheckCase &k : CHECK_CASES) {
        c.push_back(k.url);
        for (const Segments &reply : k.replies)
            for (const std::string &segment : reply)
                c.back() += segment;
    }
    const char chars[] =
        "-%@=&;?$_.+!*'(),/#:aAzZfFgGmMoOxX0123456789 \t\r\n\"<>^`{|}~[]\\\x7f\x80\xe9\xff";
    std::mt19937 rng(20261206);
    size_t seeds = c.size();
    for (size_t i = 0; i < 16 * seeds; i++) {
        std::string s = c[i % seeds];
        for (int k = rng() % 3; k >= 0; k--) {
            size_t at = rng() % (s.size() + 1);
            const std::string &other = c[rng() % seeds];
            switch (rng() % 4) {
            case 0: s.insert(at, 1 + rng() % 3, chars[rng() % (sizeof chars - 1)]); break;
            case 1: s.erase(std::min(at, s.size()), 1 + rng() % 8); break;
            case 2: s.insert(at, other.substr(rng() % (other.size() + 1), rng() % 60)); break;
            default:
                if (at < s.size()) s[at] = chars[rng() % (sizeof chars - 1)];
            }
        }
        c.push_back(s);
    }
    for (int i = 0; i < 100; i++) {
        std::string s(rng() % 2048, ' ');
        for (char &b : s)
            b = (char) (1 + rng() % 255);
        c.push_back(s);
    }
    c.insert(c.end(),
             {std::string(2047, 'a'), "http://" + std::string(2040, '.'), std::string(2047, '/')});
    for (std::string &s : c)
        s.resize(std::min(s.size(), (size_t) 2047));
    return c;
}

// An engine's answer: the spans of the first match as text, "no match" or
// "bad pattern".
template <class Re, class Match, class Comp, class Exec, class Free>
std::string result(Comp comp, Exec exec, Free release, const Pattern &p, int flags,
                   const std::string &in)
{
    Re re;
    if (comp(&re, p.text, flags) != 0) return "bad pattern";
    std::vector<Match> m(p.spans);
    int r = exec(&re, in.c_str(), p.spans, m.data(), 0);
    release(&re);
    if (r != 0) return "no match";
    std::string out;
    for (auto &s : m)
        out += "[" + std::to_string(s.rm_so) + "," + std::to_string(s.rm_eo) + "]";
    return out;
}

} // namespace

TEST(RegexDifferential, AdapterAgreesWithTheCLibrary)
{
    std::vector<std::string> inputs = corpus();
    for (const Pattern &p : patterns) {
        int matched = 0, differing = 0;
        for (const std::string &in : inputs) {
            std::string want = result<regex_t, regmatch_t>(
                regcomp, regexec, regfree, p, REG_EXTENDED | (p.icase ? REG_ICASE : 0), in);
            std::string got = result<tlrx_t, tlrx_match>(
                tlrx_comp, tlrx_exec, tlrx_free, p, TLRX_EXTENDED | (p.icase ? TLRX_ICASE : 0), in);
            if (want != "no match") matched++;
            if (want != got && ++differing <= 5)
                ADD_FAILURE() << p.name << " on «" << in.substr(0, 120) << "» (" << in.size()
                              << " bytes): C library " << want << ", adapter " << got;
        }
        EXPECT_EQ(0, differing) << p.name;
        EXPECT_GT(matched, 25) << p.name << ": the corpus must exercise matches";
    }
}

TEST(RegexDifferential, APatternTheAdapterRefusesMatchesNothing)
{
    tlrx_t re;
    EXPECT_EQ(TLRX_BADPAT, tlrx_comp(&re, "a(b", TLRX_EXTENDED));
    tlrx_match m[2];
    EXPECT_NE(0, tlrx_exec(&re, "ab", 2, m, 0));
    tlrx_free(&re);
}
