// Adding 100,000 generated Bookmarks as an import does: title words on, the
// description as keyword text. Reports the time of the adds, of a second
// pass in which every add merges into its duplicate, and of freeing
// everything, with the peak memory; then how far the address-ordered
// insertion had to move the BookmarkList's slots.
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
// the loop, as the reader hands over heap texts.
static void add_all(AppState *app, const std::vector<Entry> &entries)
{
    for (const Entry &e : entries)
        add_bookmark(app, dupstr(e.title.c_str()), dupstr(e.url.c_str()),
                     e.description.empty() ? nullptr : dupstr(e.description.c_str()), e.addDate,
                     e.lastVisit, e.lastModified, 1);
}

// Repeats the adds one at a time and records, for each new record, how many
// slots of the BookmarkList its insertion moved.
static void measure_insertion(const std::vector<Entry> &entries)
{
    AppState *app = app_state_create("/bench/trovelinks.exe");
    uint64_t moved = 0, tail_adds = 0, worst = 0;
    for (const Entry &e : entries) {
        uint32_t before = app->bookmarks->count;
        add_bookmark(app, dupstr(e.title.c_str()), dupstr(e.url.c_str()),
                     e.description.empty() ? nullptr : dupstr(e.description.c_str()), e.addDate,
                     e.lastVisit, e.lastModified, 1);
        if (app->bookmarks->count == before || e.url.empty()) continue;
        Bookmark *b = find_bookmark_by_url(app, e.url.c_str());
        uint32_t pos;
        vecs_search(app->bookmarks, b, &pos, nullptr);
        uint64_t m = app->bookmarks->count - 1 - pos;
        moved += m;
        if (m == 0) tail_adds++;
        if (m > worst) worst = m;
    }
    uint32_t n = app->bookmarks->count;
    printf("insertion: %u records, %.1f%% appended at the end, %.1f slots moved per add on "
           "average, %llu at most\n",
           n, 100.0 * tail_adds / n, (double) moved / n, (unsigned long long) worst);
    app_state_destroy(app);
}

int main(int argc, char **argv)
{
    std::string path = bench_generated_file("--style browser --count 100000");
    std::vector<Entry> entries = read_entries(path);
    if (argc > 1 && strcmp(argv[1], "--insertion") == 0) {
        measure_insertion(entries);
        return 0;
    }
    double base_mib = bench_peak_mib();

    AppState *app = app_state_create("/bench/trovelinks.exe");
    double t0 = bench_now();
    clock_t c0 = clock();
    add_all(app, entries);
    double t1 = bench_now();
    double cpu = (double) (clock() - c0) / CLOCKS_PER_SEC;
    double peak_mib = bench_peak_mib();
    uint32_t bookmarks = app->bookmarks->count, keywords = app->keyword_index->entries->count;
    add_all(app, entries); // every one a duplicate now
    double t2 = bench_now();
    app_state_destroy(app);
    double t3 = bench_now();

    printf("bench_add: %zu entries from %s\n", entries.size(), path.c_str());
    printf("adds with title words: %.3f s (%.3f s of processor time; %u Bookmarks, %u "
           "keywords)\n",
           t1 - t0, cpu, bookmarks, keywords);
    printf("peak memory: %.1f MiB (%.1f MiB before the adds)\n", peak_mib, base_mib);
    printf("same adds again, all duplicates: %.3f s\n", t2 - t1);
    printf("freeing everything: %.3f s\n", t3 - t2);
    measure_insertion(entries);
    return 0;
}
