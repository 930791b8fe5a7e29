// Benchmark of the browsers' own bookmarks: the Favorites import of a tree of
// 10,000 shortcut files (100 folders of 100, in the layout current systems
// write), and the import of a Chromium-family Bookmarks file of 100,000
// entries in nested folders. The data is made here, once, under
// build/bench-data (or TL_BENCH_DATA). Each phase runs in a process of its
// own, five times, with the median and best time; both import into an empty
// list with title words on, as the Import command does.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#ifdef _WIN32
#include <direct.h>
#else
#include <sys/stat.h>
#endif

#include "session/appstate.h"
#include "bench_util.h"
#include "core/os.h"
#include "store/bookmark_file.h"
#include "store/favorites.h"

static const int FOLDERS = 100, SHORTCUTS_PER_FOLDER = 100;
static const int CHROMIUM_ENTRIES = 100000, CHROMIUM_PER_FOLDER = 250;

static const char *const WORDS[] = {"Chess",   "Openings", "Recipes", "Kitchen", "News",
                                    "Physics", "Garden",   "Travel",  "Guide",   "Daily",
                                    "Music",   "Review",   "Forum",   "Weather", "Library"};

static std::string data_dir(void)
{
    const char *dir = getenv("TL_BENCH_DATA");
    return dir ? dir : "build/bench-data";
}

static void make_folder(const std::string &path)
{
#ifdef _WIN32
    _mkdir(path.c_str());
#else
    mkdir(path.c_str(), 0777);
#endif
}

static void put(const std::string &path, const std::string &text)
{
    OsFile f = os_file_create(path.c_str());
    if (f == OS_NO_FILE || !os_file_write(f, text.data(), text.size()) || !os_file_close(f)) {
        fprintf(stderr, "bench_import: cannot write %s\n", path.c_str());
        exit(2);
    }
}

static std::string title(int i)
{
    return std::string(WORDS[i % 15]) + " " + WORDS[(i / 15) % 15] + " " + std::to_string(i);
}

static std::string url(int i)
{
    return "https://site" + std::to_string(i % 5000) + ".example.com/page/" + std::to_string(i) +
           "?ref=bench";
}

// The Favorites tree; the file "complete" is written last.
static std::string favorites_tree(void)
{
    std::string root = data_dir() + "/favorites-10000";
    if (os_file_exists((root + "/complete").c_str())) return root;
    make_folder(data_dir());
    make_folder(root);
    for (int f = 0; f < FOLDERS; f++) {
        std::string folder = root + "/Folder " + std::to_string(f);
        make_folder(folder);
        for (int s = 0; s < SHORTCUTS_PER_FOLDER; s++) {
            int i = f * SHORTCUTS_PER_FOLDER + s;
            put(folder + "/" + title(i) + ".url",
                "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n"
                "[InternetShortcut]\r\nIDList=\r\nURL=" +
                    url(i) + "\r\nIconIndex=0\r\nHotKey=0\r\n");
        }
    }
    put(root + "/complete", "");
    return root;
}

static std::string chromium_file(void)
{
    std::string path = data_dir() + "/chromium-100000.json";
    uint64_t size = 0;
    OsFile f = os_file_open_read(path.c_str());
    if (f != OS_NO_FILE) {
        os_file_size(f, &size);
        os_file_close(f);
        if (size > 0) return path;
    }
    make_folder(data_dir());
    std::string text =
        "{\n   \"checksum\": \"0f1e2d3c4b5a69788796a5b4c3d2e1f0\",\n   \"roots\": {\n"
        "      \"bookmark_bar\": {\n         \"children\": [ ";
    for (int i = 0; i < CHROMIUM_ENTRIES; i++) {
        if (i % CHROMIUM_PER_FOLDER == 0) {
            if (i)
                text += " ],\n            \"name\": \"Folder\", \"type\": \"folder\"\n         }, ";
            text += "{\n            \"children\": [ ";
        } else {
            text += ", ";
        }
        char date[32];
        snprintf(date, sizeof date, "%llu",
                 (unsigned long long) (13244473600000000ull + (unsigned long long) i * 1000000ull));
        text += "{\n               \"date_added\": \"" + std::string(date) +
                "\",\n               \"date_last_used\": \"0\",\n"
                "               \"guid\": \"00000000-0000-4000-a000-" +
                std::to_string(100000000000 + i) + "\",\n               \"id\": \"" +
                std::to_string(i + 10) +
                "\",\n               \"meta_info\": { \"power_bookmark_meta\": \"\" },\n"
                "               \"name\": \"" +
                title(i) +
                "\",\n               \"type\": \"url\",\n"
                "               \"url\": \"" +
                url(i) + "\"\n            }";
    }
    text += " ],\n            \"name\": \"Folder\", \"type\": \"folder\"\n         } ],\n"
            "         \"name\": \"Bookmarks bar\", \"type\": \"folder\"\n      },\n"
            "      \"other\": { \"children\": [ ], \"name\": \"Other bookmarks\", \"type\": "
            "\"folder\" },\n"
            "      \"synced\": { \"children\": [ ], \"name\": \"Mobile bookmarks\", \"type\": "
            "\"folder\" }\n"
            "   },\n   \"version\": 1\n}\n";
    put(path, text);
    return path;
}

static int run_phase(const char *phase)
{
    AppState *app = app_state_create("trovelinks.exe");
    double wall = bench_now(), cpu = bench_cpu_seconds();
    std::string source;
    if (strcmp(phase, "favorites") == 0) {
        source = favorites_tree();
        wall = bench_now();
        cpu = bench_cpu_seconds();
        import_favorites(app, source.c_str());
    } else if (strcmp(phase, "chromium") == 0) {
        source = chromium_file();
        wall = bench_now();
        cpu = bench_cpu_seconds();
        uint32_t added = 0;
        if (!import_bookmarks_from(app, source.c_str(), &added)) {
            fprintf(stderr, "bench_import: %s did not parse\n", source.c_str());
            return 1;
        }
    } else {
        fprintf(stderr, "bench_import: unknown phase %s (favorites or chromium)\n", phase);
        return 2;
    }
    wall = bench_now() - wall;
    cpu = bench_cpu_seconds() - cpu;
    printf("%-9s %6u Bookmarks  %.3f s (cpu %.3f s)  peak %.1f MiB  %s\n", phase,
           (unsigned) app->bookmarks->count, wall, cpu, bench_peak_mib(), source.c_str());
    app_state_destroy(app);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc > 1) return run_phase(argv[1]);
    // Make the data once here, so that no phase's figures include it.
    favorites_tree();
    chromium_file();
    int failed = 0;
    for (const char *phase : {"favorites", "chromium"})
        if (!bench_repeat_self(argv[0], phase, 5, phase)) failed = 1;
    return failed;
}
