// Helpers shared by the benchmarks.
#include "bench_util.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

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

std::string bench_generated_file(const std::string &args)
{
    std::string name;
    for (char c : args) name += (isalnum((unsigned char) c) ? c : '_');
    const char *dir = getenv("TL_BENCH_DATA") ? getenv("TL_BENCH_DATA") : "build/bench-data";
    std::string path = std::string(dir) + "/" + name + ".htm";
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && st.st_size > 0) return path;
    std::string gen = getenv("TL_GENERATOR") ? getenv("TL_GENERATOR")
                                             : "../shared/bench/gen_bookmarks.py";
    std::string cmd = "mkdir -p '" + std::string(dir) + "' && python3 '" + gen + "' " + args +
                      " > '" + path + "'";
    if (system(cmd.c_str()) != 0) {
        fprintf(stderr, "bench: could not run %s\n", cmd.c_str());
        exit(2);
    }
    return path;
}
