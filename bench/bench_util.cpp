// Helpers shared by the benchmarks.
#include "bench_util.h"

#include <chrono>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

double bench_now(void)
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double bench_peak_mib(void)
{
#ifndef _WIN32
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
