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
    const char *name;
    const char *text;
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

// Hand-picked inputs beyond the checker's own cases, which join them.
// clang-format off
const char *const fixed_inputs[] = {
    "news:comp.lang.c", "mailto:someone@example.com", "javascript:alert('x')",
    "file:///C|/My Documents/page.htm", "%41%42://x.y/z", "example.com:65536/big/port",
    "http://host:99999999999/", "http:///nohost", "http://a.b/path with blank",
    "http://a.b/%7Euser/~tilde", "http://[::1]:8080/", "HTTP/9x9   500\r\n", "HTTPS/1.0 200 OK",
    "HTTP/1.0 200 OK\r\nLast-Modified: Sun Nov 6 08:49:37 1994\r\n\r\n",
    "HTTP/1.0 200 OK\r\nLast-Modified: Sun 06 Nov 1994 08:49:37 GMT\r\n",
    "HTTP/1.0 302 Found\r\nlocation:    \t//host/p\r\n", "HTTP/1.0 302 Found\r\nLocation:\r\n\r\n",
    "Modified: Mon, 1 Jan 2001 1:2:3", "Location: at-the-start\r\n",
    "HTTP/1.0 302 Found\r\nX-Location: no\r\nLocation:\r\nLocation: yes\r\n",
};
// clang-format on

// Characters of the URL pattern's classes, and a few outside them.
const char host_chars[] =
    "-%@=&;?$_.+!*'(),abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
const char path_extra[] = "/#";
const char outside[] = " \t\"<>^`{|}~[]\\:\x7f\x80\xe9\xff";

struct Gen {
    std::mt19937 rng{20261206};

    size_t below(size_t n) { return rng() % n; }
    bool chance(int percent) { return (int) below(100) < percent; }
    char pick(const char *set) { return set[below(strlen(set))]; }

    std::string run(const char *set, size_t n)
    {
        std::string s;
        for (size_t i = 0; i < n; i++)
            s += pick(set);
        return s;
    }

    size_t length()
    {
        const size_t most[] = {8, 64, 400, 2048};
        return below(most[below(4)]);
    }

    std::string url()
    {
        static const char *const schemes[] = {"http",  "HTTP", "ftp",  "gopher",  "news", "mailto",
                                              "https", "file", "wais", "x-y.z+w", "%41b", ""};
        std::string u;
        if (chance(80)) u += std::string(schemes[below(12)]) + (chance(90) ? "://" : ":/");
        u += run(host_chars, 1 + below(40));
        if (chance(30)) u += ":" + std::to_string(rng() % (chance(80) ? 65536 : 0xFFFFFFFFu));
        size_t target = u.size() + length();
        while (u.size() < target) {
            int k = (int) below(100);
            u += k < 70 ? pick(host_chars) : k < 92 ? pick(path_extra) : pick(outside);
        }
        if (u.size() > 2047) u.resize(2047);
        return u;
    }

    std::string date()
    {
        static const char *const days[] = {"Sun", "Monday", "tue", "Wed", "X"};
        static const char *const months[] = {"Jan", "nov", "DEC", "Sept", "Xyz", "Ma"};
        std::string day = days[below(5)], mon = months[below(6)];
        std::string dd = std::to_string(below(40)),
                    yy = std::to_string(chance(50) ? below(100) : 1900 + below(200));
        std::string hms = std::to_string(below(30)) + ":" + std::to_string(below(70)) + ":" +
                          std::to_string(below(70));
        std::string sp = chance(80) ? " " : std::string(1 + below(3), ' ');
        switch (below(4)) {
        case 0:
            return day + (chance(80) ? "," : "") + sp + dd + " " + mon + " " + yy + sp + hms +
                   " GMT";
        case 1: return day + "," + sp + dd + "-" + mon + "-" + yy + " " + hms + " GMT";
        case 2: return day + sp + mon + sp + dd + " " + hms + sp + yy;
        default: return run("0123456789 :-,abcNov", below(30));
        }
    }

    std::string reply()
    {
        std::string r;
        if (chance(85))
            r += "HTTP/" + std::string(1, pick("0123456789x")) + pick(".x") + pick("0123456789") +
                 std::string(below(3), ' ') + std::to_string(100 + below(500)) + " Reason\r\n";
        else if (chance(50))
            r += "<HTML>";
        int headers = (int) below(8);
        for (int i = 0; i < headers; i++) {
            switch (below(6)) {
            case 0:
                r += std::string(chance(50) ? "Last-Modified:" : "Last-modified:") +
                     std::string(below(3), ' ') + date();
                break;
            case 1:
                r += std::string(chance(70)   ? "Location:"
                                 : chance(50) ? "Content-Location:"
                                              : "location:") +
                     std::string(below(3), ' ') + url().substr(0, 200);
                break;
            case 2: r += "Server: " + run(host_chars, below(40)); break;
            case 3: r += "X-Pad: " + run("abc xyz\t:", length()); break;
            case 4: r += "Date: " + date(); break;
            default: r += run("HTTP/1.0 :odified\r\n", below(60)); break;
            }
            r += chance(90) ? "\r\n" : "\n";
        }
        if (chance(80)) r += "\r\n";
        if (r.size() > 2047) r.resize(2047);
        return r;
    }

    std::string bytes()
    {
        std::string s;
        for (size_t i = 0, n = length(); i < n; i++)
            s += (char) (1 + below(255));
        return s;
    }
};

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
        c.push_back(k.url.substr(0, 2047));
        for (const Segments &reply : k.replies) {
            std::string whole;
            for (const std::string &segment : reply)
                whole += segment;
            c.push_back(whole.substr(0, 2047));
        }
    }
    Gen g;
    for (int i = 0; i < 1000; i++)
        c.push_back(g.url());
    for (int i = 0; i < 1000; i++)
        c.push_back(g.reply());
    for (int i = 0; i < 300; i++)
        c.push_back(g.bytes());
    c.push_back(std::string(2047, 'a'));
    c.push_back("http://" + std::string(2040, '.'));
    c.push_back(std::string(2047, '/'));
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
        EXPECT_GT(matched, 100) << p.name << ": the corpus must exercise matches";
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
