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
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <string>
#include <vector>

#include "app/appstate.h"
#include "bench_util.h"
#include "core/dupstr.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

struct Entry {
    std::string title, url, description;
    uint32_t addDate, lastVisit, lastModified;
};

static uint32_t attribute(const std::string &line, const char *name)
{
    size_t at = line.find(std::string(" ") + name + "=\"");
    if (at == std::string::npos) return DATE_NONE;
    return (uint32_t) strtoul(line.c_str() + at + strlen(name) + 3, nullptr, 10);
}

static std::vector<Entry> read_entries(const std::string &path)
{
    std::vector<Entry> entries;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        fprintf(stderr, "bench_add: cannot open %s\n", path.c_str());
        exit(2);
    }
    char buf[65536];
    while (fgets(buf, sizeof buf, f)) {
        std::string line = buf;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        size_t dt = line.find("<DT><A HREF=\"");
        if (dt != std::string::npos) {
            Entry e;
            size_t u = dt + 13, uend = line.find('"', u);
            size_t t = line.find('>', uend) + 1, tend = line.rfind("</A>");
            e.url = line.substr(u, uend - u);
            e.title = line.substr(t, tend - t);
            e.addDate = attribute(line, "ADD_DATE");
            e.lastVisit = attribute(line, "LAST_VISIT");
            e.lastModified = attribute(line, "LAST_MODIFIED");
            entries.push_back(e);
            continue;
        }
        size_t dd = line.find("<DD>");
        if (dd != std::string::npos && !entries.empty())
            entries.back().description = line.substr(dd + 4);
    }
    fclose(f);
    return entries;
}

// Adds every entry as an import would; the texts are copied to the heap in
// the loop, as the reader hands over heap texts. Counts the BookmarkList
// slots that insertions moved when moved is given (one-at-a-time adds).
static void add_all(AppState *app, const std::vector<Entry> &entries, uint64_t *moved)
{
    for (const Entry &e : entries) {
        uint32_t before = app->bookmarks->count;
        add_bookmark(app, dupstr(e.title.c_str()), dupstr(e.url.c_str()),
                     e.description.empty() ? nullptr : dupstr(e.description.c_str()), e.addDate,
                     e.lastVisit, e.lastModified, 1);
        if (!moved || app->bookmarks->count == before || e.url.empty()) continue;
        uint32_t pos;
        vecs_search(app->bookmarks, find_bookmark_by_url(app, e.url.c_str()), &pos, nullptr);
        *moved += app->bookmarks->count - 1 - pos;
    }
}

static void run(const char *mode, const std::vector<Entry> &entries)
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
        bookmark_bulk_reserve(app, (uint32_t) entries.size());
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
           mode, entries.size(), t1 - t0, cpu, peak_mib, base_mib, n,
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
