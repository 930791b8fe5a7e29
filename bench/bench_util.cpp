// Helpers shared by the benchmarks.
#include "bench_util.h"

#include <algorithm>
#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <vector>

#ifdef _WIN32
#define PSAPI_VERSION 2 // GetProcessMemoryInfo from kernel32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

double bench_now(void)
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double bench_cpu_seconds(void)
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME &t) {
        return (((unsigned long long) t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    struct rusage ru;
    if (getrusage(RUSAGE_SELF, &ru) != 0) return 0;
    return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
#endif
}

double bench_peak_mib(void)
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
        return pmc.PeakWorkingSetSize / (1024.0 * 1024.0);
#else
    struct rusage ru;
    if (getrusage(RUSAGE_SELF, &ru) == 0) return ru.ru_maxrss / 1024.0;
#endif
    return 0;
}

// The project's generator, beside this file's folder: scripts/gen_bookmarks.py.
static std::string generator_path(void)
{
    if (getenv("TL_GENERATOR")) return getenv("TL_GENERATOR");
    std::string here = __FILE__;
    size_t slash = here.find_last_of("/\\");
    std::string bench = slash == std::string::npos ? "bench" : here.substr(0, slash);
    return bench + "/../scripts/gen_bookmarks.py";
}

std::string bench_generated_file(const std::string &args)
{
    std::string name;
    for (char c : args)
        name += (isalnum((unsigned char) c) ? c : '_');
    const char *dir = getenv("TL_BENCH_DATA") ? getenv("TL_BENCH_DATA") : "build/bench-data";
    std::string path = std::string(dir) + "/" + name + ".htm";
    std::string gen = generator_path();
    // A file made before the generator last changed is made again. Where the
    // generator cannot be seen (a Windows build under Wine) the file is taken.
    struct stat st, gst;
    if (stat(path.c_str(), &st) == 0 && st.st_size > 0 &&
        (stat(gen.c_str(), &gst) != 0 || gst.st_mtime <= st.st_mtime))
        return path;
    // Written beside and renamed, so that an interrupted run leaves no part.
    std::string cmd = "mkdir -p '" + std::string(dir) + "' && python3 '" + gen + "' " + args +
                      " > '" + path + ".part' && mv '" + path + ".part' '" + path + "'";
    if (system(cmd.c_str()) != 0) {
        fprintf(stderr, "bench: could not run %s\n", cmd.c_str());
        exit(2);
    }
    return path;
}

// The first "N.NNN s" of text, or -1.
static double first_seconds(const std::string &text)
{
    for (size_t at = text.find(" s"); at != std::string::npos; at = text.find(" s", at + 1)) {
        size_t start = at;
        while (start > 0 && (isdigit((unsigned char) text[start - 1]) || text[start - 1] == '.'))
            start--;
        if (start < at && text.find('.', start) < at) return atof(text.c_str() + start);
    }
    return -1;
}

int bench_repeat_self(const char *argv0, const std::string &args, int repeats,
                      const std::string &label)
{
    std::string command = std::string("\"") + argv0 + "\" " + args;
    std::vector<double> times;
    for (int run = 0; run < repeats; run++) {
        fflush(stdout);
#ifdef _WIN32
        FILE *child = _popen(command.c_str(), "r");
#else
        FILE *child = popen(command.c_str(), "r");
#endif
        if (!child) return 0;
        std::string output;
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, child)) > 0)
            output.append(buffer, got);
#ifdef _WIN32
        int status = _pclose(child);
#else
        int status = pclose(child);
#endif
        if (status != 0) return 0;
        if (run == 0) fputs(output.c_str(), stdout);
        times.push_back(first_seconds(output));
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    printf("%s: median of %d runs %.3f s, best %.3f s (", label.c_str(), repeats,
           sorted[sorted.size() / 2], sorted[0]);
    for (size_t i = 0; i < times.size(); i++)
        printf("%s%.3f", i ? " " : "", times[i]);
    printf(")\n");
    return 1;
}

#ifdef _WIN32
#include "app/registry.h"

static void set_option(const char *name, DWORD type, const void *value, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, TL_REGISTRY_ROOT "Properties", 0, NULL, 0,
                        KEY_ALL_ACCESS, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, (const BYTE *) value, size);
    RegCloseKey(key);
}

void bench_use_file(const std::string &path)
{
    char full[MAX_PATH];
    GetFullPathNameA(path.c_str(), sizeof full, full, NULL);
    set_option("tl_file", REG_SZ, full, (DWORD) strlen(full) + 1);
}

void bench_set_number_option(const char *name, unsigned long value)
{
    DWORD v = (DWORD) value;
    set_option(name, REG_DWORD, &v, sizeof v);
}
#endif
