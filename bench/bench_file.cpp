// Benchmark of the bookmark file: loading a 100,000-entry file of our own,
// importing a 100,000-entry browser export with title words on, and saving
// 100,000 Bookmarks. Each phase runs in a process of its own (the program
// starts itself with the phase's name), so that each peak memory figure is
// that phase's alone, five times over, with the median and best time.
// Times are wall clock, with the processor time beside them.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>

#include "session/appstate.h"
#include "bench_util.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

static const char OWN_FILE[] = "--style own --count 100000";
static const char BROWSER_FILE[] = "--style browser --count 100000 --seed 7";

struct Stopwatch {
    double wall, cpu;
};

static Stopwatch start_watch(void)
{
    return {bench_now(), bench_cpu_seconds()};
}

static Stopwatch elapsed(const Stopwatch &since)
{
    return {bench_now() - since.wall, bench_cpu_seconds() - since.cpu};
}

// Reads a file into a new application record.
static AppState *load(const std::string &path, int title_words, Stopwatch *took)
{
    AppState *app = app_state_create("trovelinks.exe");
    Stopwatch watch = start_watch();
    char *text = read_whole_file(path.c_str());
    if (!text) {
        fprintf(stderr, "bench_file: cannot read %s\n", path.c_str());
        exit(2);
    }
    read_bookmark_file(app, text, title_words);
    memFree(text);
    *took = elapsed(watch);
    return app;
}

static void report(const char *phase, const AppState *app, const Stopwatch &took,
                   const std::string &note)
{
    printf("%-7s %6u Bookmarks  %.3f s (cpu %.3f s)  peak %.1f MiB  %s\n", phase,
           (unsigned) app->bookmarks->count, took.wall, took.cpu, bench_peak_mib(), note.c_str());
}

static int run_phase(const char *phase)
{
    Stopwatch took;
    if (strcmp(phase, "load") == 0 || strcmp(phase, "import") == 0) {
        bool import = phase[0] == 'i';
        std::string path = bench_generated_file(import ? BROWSER_FILE : OWN_FILE);
        AppState *app = load(path, import ? 1 : 0, &took);
        report(phase, app, took, path);
        app_state_destroy(app);
        return 0;
    }
    if (strcmp(phase, "save") == 0) {
        std::string path = bench_generated_file(OWN_FILE);
        AppState *app = load(path, 0, &took);
        std::string out = path.substr(0, path.find_last_of("/\\") + 1) + "bench-save.htm";
        strcpy(app->options.tl_file, out.c_str());
        os_file_remove((out + ".bak").c_str());
        // The first save makes the file and the second its backup; the
        // third, timed, replaces the file as every later save does.
        if (!save_bookmark_file(app) || !save_bookmark_file(app)) {
            fprintf(stderr, "bench_file: cannot write %s\n", out.c_str());
            exit(2);
        }
        Stopwatch watch = start_watch();
        int ok = save_bookmark_file(app);
        took = elapsed(watch);
        // The part of it that builds the text in memory.
        watch = start_watch();
        memFree(bookmark_file_image(app->bookmarks));
        Stopwatch image = elapsed(watch);
        char note[64];
        snprintf(note, sizeof note, "(list loaded; the text alone %.3f s, cpu %.3f s) ", image.wall,
                 image.cpu);
        report(phase, app, took, note + (ok ? out : "FAILED"));
        app_state_destroy(app);
        return ok ? 0 : 1;
    }
    fprintf(stderr, "bench_file: unknown phase %s (load, import or save)\n", phase);
    return 2;
}

int main(int argc, char **argv)
{
    if (argc > 1) return run_phase(argv[1]);
    // Make the data once here, so that no phase's figures include it.
    bench_generated_file(OWN_FILE);
    bench_generated_file(BROWSER_FILE);
    int failed = 0;
    for (const char *phase : {"load", "import", "save"})
        if (!bench_repeat_self(argv[0], phase, 5, phase)) failed = 1;
    return failed;
}
