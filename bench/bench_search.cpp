// Search per keystroke: 100,000 Bookmarks with the keywords of a generated
// bookmark file; realistic queries are typed letter by letter and every
// keystroke runs a full search_exp, as the filter box does. Reports the
// median and worst time per keystroke, per query and over all.
//
// The filter trims trailing white space and operators before it searches
// (so "chess &" searches for "chess") and shows everything without a search
// for an empty text; the replay does the same. Texts that do not parse yet
// ("!web & (") are timed too: they are keystrokes like the others.
#include <algorithm>
#include <stdio.h>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>

#include "session/appstate.h"
#include "bench_util.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "search/keyword_index.h"
#include "search/search_eval.h"
#include "store/bookmark.h"

// The text between from and to on line, or "" when either is missing.
static std::string between(const std::string &line, const char *from, const char *to)
{
    size_t a = line.find(from);
    if (a == std::string::npos) return "";
    a += strlen(from);
    size_t b = line.find(to, a);
    return b == std::string::npos ? "" : line.substr(a, b - a);
}

// Reads the entries of a generated file in the program's own layout: an
// anchor line with url and title, then the keyword line.
static void load(AppState *app, const std::string &path)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "bench_search: cannot open %s\n", path.c_str());
        exit(2);
    }
    std::string url, title;
    char buf[8192];
    while (fgets(buf, sizeof buf, f)) {
        std::string line(buf);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (line.compare(0, 12, "<DT><A HREF=") == 0) {
            url = between(line, "HREF=\"", "\"");
            title = between(line, " >", "</A>");
        } else if (line.compare(0, 4, "<DD>") == 0) {
            add_bookmark(app, dupstr(title.c_str()), dupstr(url.c_str()), dupstr(line.c_str() + 4),
                         DATE_NONE, DATE_NONE, DATE_NONE, 0);
        }
    }
    fclose(f);
}

// The filter's trimming of trailing white space and operators.
static std::string trimmed(std::string s)
{
    while (!s.empty() && strchr(" \t\n\v\f\r!&|", s.back()))
        s.pop_back();
    return s;
}

// Seconds of processor time used by this thread. The machine may be shared,
// so the wall-clock worst case includes time when the search was not
// running at all; processor time shows what the search itself costs.
static double thread_cpu_now(void)
{
#ifdef CLOCK_THREAD_CPUTIME_ID
    struct timespec ts;
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) == 0) return ts.tv_sec + ts.tv_nsec * 1e-9;
#endif
    return bench_now();
}

struct Timing {
    std::vector<double> ms;  // wall clock
    std::vector<double> cpu; // processor time of the thread

    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms.empty() ? 0 : ms[ms.size() / 2];
    }
    double worst() { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
    double cpu_median()
    {
        std::sort(cpu.begin(), cpu.end());
        return cpu.empty() ? 0 : cpu[cpu.size() / 2];
    }
    double cpu_worst() { return cpu.empty() ? 0 : *std::max_element(cpu.begin(), cpu.end()); }
};

// Times one search of text with the caret at its end; returns the result size
// (-1 for a text that does not parse).
static long time_search(AppState *app, const std::string &text, uint32_t flags, Timing *t)
{
    SearchContext ctx = {};
    ctx.index = app->keyword_index;
    ctx.all = app->bookmarks;
    ctx.text = text.c_str();
    ctx.caret = (int32_t) text.size();
    ctx.flags = flags;
    double cpu_start = thread_cpu_now(), start = bench_now();
    int ok = search_exp(&ctx);
    t->ms.push_back((bench_now() - start) * 1000);
    t->cpu.push_back((thread_cpu_now() - cpu_start) * 1000);
    if (!ok) return -1;
    long n = (long) ctx.result->count;
    vec_destroy(ctx.result);
    memFree(ctx.hint);
    return n;
}

// The union of a one-letter prefix's sets merged one after another, as a
// straightforward reading of the matching rule does: for comparison only.
static double naive_union_ms(AppState *app, char letter, long *size)
{
    double start = bench_now();
    vec *acc = vec_create();
    const vec *entries = app->keyword_index->entries;
    for (uint32_t i = 0; i < entries->count; i++) {
        const KeywordEntry *e = vec_at<KeywordEntry>(entries, i);
        if ((e->text[0] | 0x20) != letter) continue;
        vec *u = set_union(acc, e->bookmarks);
        vec_destroy(acc);
        acc = u;
    }
    double ms = (bench_now() - start) * 1000;
    *size = (long) acc->count;
    vec_destroy(acc);
    return ms;
}

int main()
{
    memModuleInit();
    std::string path = bench_generated_file("--style own --count 100000");
    AppState *app = app_state_create("bench/trovelinks");
    double start = bench_now();
    load(app, path);
    printf("loaded %u Bookmarks, %u keywords in %.0f ms\n", app->bookmarks->count,
           app->keyword_index->entries->count, (bench_now() - start) * 1000);

    static const char *queries[] = {
        "chess",     // a single word
        "munwebzan", // the most frequent word
        "t",         // one-letter prefixes
        "c",
        "ch", // two-letter prefixes
        "ne",
        "news | code map",       // a | b c
        "!web & (chess | data)", // !x & (y | z)
        "lab cook art",
        "Chess | !ma",
    };
    const int rounds = 5;
    const uint32_t flags = SEARCH_PREFIX; // the default Options
    Timing all;
    printf("%-24s %5s %9s %9s %9s %9s\n", "query (typed)", "keys", "median", "worst", "cpu worst",
           "results");
    for (const char *q : queries) {
        Timing t;
        long last = 0;
        int keys = 0;
        for (int r = 0; r < rounds; r++) {
            keys = 0;
            for (size_t n = 1; n <= strlen(q); n++) {
                std::string text = trimmed(std::string(q, n));
                if (text.empty()) continue; // everything is shown without a search
                last = time_search(app, text, flags, &t);
                keys++;
            }
        }
        all.ms.insert(all.ms.end(), t.ms.begin(), t.ms.end());
        all.cpu.insert(all.cpu.end(), t.cpu.begin(), t.cpu.end());
        printf("%-24s %5d %7.3fms %7.3fms %7.3fms %9ld\n", q, keys, t.median(), t.worst(),
               t.cpu_worst(), last);
    }
    printf("all keystrokes (%zu searches): median %.3f ms, worst %.3f ms; processor time: "
           "median %.3f ms, worst %.3f ms\n",
           all.ms.size(), all.median(), all.worst(), all.cpu_median(), all.cpu_worst());

    // The same with case-sensitive matching and with side-by-side meaning OR.
    for (uint32_t other : {SEARCH_PREFIX | SEARCH_CASE, SEARCH_PREFIX | SEARCH_IMPLIED_OR, 0u}) {
        Timing t;
        for (const char *q : queries)
            for (size_t n = 1; n <= strlen(q); n++) {
                std::string text = trimmed(std::string(q, n));
                if (!text.empty()) time_search(app, text, other, &t);
            }
        printf("flags %u: median %.3f ms, worst %.3f ms (processor time %.3f ms)\n", other,
               t.median(), t.worst(), t.cpu_worst());
    }

    for (char letter : {'t', 'c'}) {
        long naive_size = 0;
        double naive = naive_union_ms(app, letter, &naive_size);
        Timing t;
        long merged = time_search(app, std::string(1, letter), flags, &t);
        printf("prefix \"%c\": merged at once %.3f ms, one after another %.1f ms (%ld / %ld "
               "Bookmarks)\n",
               letter, t.worst(), naive, merged, naive_size);
    }
    printf("peak memory %.0f MiB\n", bench_peak_mib());
    app_state_destroy(app);
    return 0;
}
