// Adding 100,000 generated Bookmarks as an import does: title words on, the
// description as keyword text. Two runs, each in a process of its own so
// that each starts on a fresh heap as the program does:
//   bulk    the adds inside bookmark_bulk_begin/end, as the file reader and
//           the imports make them; then the same adds again (all merging
//           into their duplicates) and freeing everything;
//   single  the adds one at a time, each keeping the BookmarkList and the
//           keyword entries in order, with how many slots the insertions
//           into the BookmarkList moved.
// Each reports its time and its process's peak memory; each runs a few
// times, with the median and the best time at the end.
//
// The generated file is cut up here with a few string searches (the file
// reader is its own module); only what the adds need is taken.
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "bench_util.h"
#include "core/dupstr.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

// The entries' texts lie one after another in one buffer, so that reading
// the file leaves no trail of freed temporaries in the heap that the adds
// would then fill (the program's reader reads a file as one block).
struct Entry {
    uint32_t title, url, description; // offsets in Entries::texts; NO_TEXT for none
    uint32_t addDate, lastVisit, lastModified;
};

const uint32_t NO_TEXT = 0xFFFFFFFFu;

struct Entries {
    std::vector<Entry> list;
    std::string texts;

    uint32_t keep(const char *start, const char *end)
    {
        uint32_t at = (uint32_t) texts.size();
        texts.append(start, end);
        texts.push_back(0);
        return at;
    }
    const char *text(uint32_t at) const { return at == NO_TEXT ? nullptr : texts.c_str() + at; }
};

// The value of NAME="digits" in [line, end), or DATE_NONE.
static uint32_t attribute(const char *line, const char *end, const char *name)
{
    std::string key = std::string(" ") + name + "=\"";
    const char *at = std::search(line, end, key.begin(), key.end());
    if (at == end) return DATE_NONE;
    return (uint32_t) strtoul(at + key.size(), nullptr, 10);
}

static Entries read_entries(const std::string &path)
{
    Entries entries;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "bench_add: cannot open %s\n", path.c_str());
        exit(2);
    }
    std::string file;
    char buf[65536];
    size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0)
        file.append(buf, got);
    fclose(f);
    entries.texts.reserve(file.size());

    static const char DT[] = "<DT><A HREF=\"", DD[] = "<DD>", END[] = "</A>";
    for (size_t pos = 0; pos < file.size();) {
        size_t eol = file.find('\n', pos);
        if (eol == std::string::npos) eol = file.size();
        const char *line = file.c_str() + pos, *end = file.c_str() + eol;
        pos = eol + 1;
        while (end > line && (end[-1] == '\r' || end[-1] == '\n'))
            end--;
        const char *dt = std::search(line, end, DT, DT + 13);
        if (dt != end) {
            const char *u = dt + 13, *uend = std::find(u, end, '"');
            const char *gt = std::find(uend, end, '>');
            const char *t = gt == end ? end : gt + 1;
            const char *tend = std::find_end(t, end, END, END + 4);
            Entry e;
            e.url = entries.keep(u, uend);
            e.title = entries.keep(t, tend);
            e.description = NO_TEXT;
            e.addDate = attribute(line, end, "ADD_DATE");
            e.lastVisit = attribute(line, end, "LAST_VISIT");
            e.lastModified = attribute(line, end, "LAST_MODIFIED");
            entries.list.push_back(e);
            continue;
        }
        const char *dd = std::search(line, end, DD, DD + 4);
        if (dd != end && !entries.list.empty() && dd + 4 < end)
            entries.list.back().description = entries.keep(dd + 4, end);
    }
    return entries;
}

// Adds every entry as an import would; the texts are copied to the heap in
// the loop, as the reader hands over heap texts. Counts the BookmarkList
// slots that insertions moved when moved is given (one-at-a-time adds).
static void add_all(AppState *app, const Entries &entries, uint64_t *moved)
{
    for (const Entry &e : entries.list) {
        uint32_t before = app->bookmarks->count;
        const char *description = entries.text(e.description);
        add_bookmark(app, dupstr(entries.text(e.title)), dupstr(entries.text(e.url)),
                     description ? dupstr(description) : nullptr, e.addDate, e.lastVisit,
                     e.lastModified, 1);
        const char *url = entries.text(e.url);
        if (!moved || app->bookmarks->count == before || !*url) continue;
        uint32_t pos;
        vecs_search(app->bookmarks, find_bookmark_by_url(app, url), &pos, nullptr);
        *moved += app->bookmarks->count - 1 - pos;
    }
}

static void run(const char *mode, const Entries &entries)
{
    bool bulk = strcmp(mode, "bulk") == 0;
    double base_mib = bench_peak_mib();
    AppState *app = app_state_create("/bench/trovelinks.exe");
    uint64_t moved = 0;
    double t0 = bench_now();
    clock_t c0 = clock();
    if (bulk) {
        // As the file reader does: room for as many Bookmarks as entries.
        bookmark_bulk_begin(app);
        bookmark_bulk_reserve(app, (uint32_t) entries.list.size());
    }
    add_all(app, entries, bulk ? nullptr : &moved);
    double t_end = bench_now();
    if (bulk) bookmark_bulk_end(app);
    double t1 = bench_now();
    double cpu = (double) (clock() - c0) / CLOCKS_PER_SEC;
    double peak_mib = bench_peak_mib();
    uint32_t n = app->bookmarks->count;
    printf("%s: %zu adds with title words: %.3f s (%.3f s processor time), peak memory %.1f MiB "
           "(%.1f MiB before); %u Bookmarks, %u keywords\n",
           mode, entries.list.size(), t1 - t0, cpu, peak_mib, base_mib, n,
           app->keyword_index->entries->count);
    if (bulk) {
        bookmark_bulk_begin(app);
        add_all(app, entries, nullptr); // every one a duplicate now
        bookmark_bulk_end(app);
        double t2 = bench_now();
        app_state_destroy(app);
        double t3 = bench_now();
        printf("%s: of which %.3f s for putting list and entries in order at the end; the same "
               "adds again, all duplicates: %.3f s; freeing everything: %.3f s\n",
               mode, t1 - t_end, t2 - t1, t3 - t2);
    } else {
        printf("%s: insertions into the BookmarkList moved %.1f slots per add on average\n", mode,
               (double) moved / n);
        app_state_destroy(app);
    }
}

int main(int argc, char **argv)
{
    std::string path = bench_generated_file("--style browser --count 100000");
    if (argc > 1) {
        run(argv[1], read_entries(path));
        return 0;
    }
    printf("bench_add: entries from %s\n", path.c_str());
    if (!bench_repeat_self(argv[0], "bulk", 5, "bulk")) return 1;
    if (!bench_repeat_self(argv[0], "single", 3, "single")) return 1;
    return 0;
}
