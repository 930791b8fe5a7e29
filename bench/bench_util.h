// Helpers shared by the benchmarks: wall-clock timing, peak memory, and the
// generated bookmark files.
#ifndef TL_BENCH_UTIL_H
#define TL_BENCH_UTIL_H

#include <string>

// Seconds on a monotonic clock.
double bench_now(void);
// Seconds of processor time the process has used (user and system), which
// other work on a shared machine does not inflate as it does wall time.
double bench_cpu_seconds(void);
// The process's peak resident memory in MiB (0 where unknown).
double bench_peak_mib(void);
// Runs the project's generator (scripts/gen_bookmarks.py, or the one that
// TL_GENERATOR names) with its arguments (for example "--style own --count
// 100000") into a file under build/bench-data (or TL_BENCH_DATA), once and
// again whenever the generator is newer than the file, and returns the
// file's path. Ends the program when the generator fails.
std::string bench_generated_file(const std::string &args);
// Runs this program (argv0) again with args, repeats times, each in a
// process of its own so that each starts on a fresh heap. Echoes the first
// run's output, then prints under label the median and the best of the
// first time figure ("0.308 s") of every run: single runs on a shared
// virtual machine vary by a third and more. 0 when a run failed.
int bench_repeat_self(const char *argv0, const std::string &args, int repeats,
                      const std::string &label);

#ifdef _WIN32
// Sets the program's stored Options before its start-up: tl_file to the
// full path of path, and a number Option such as case_sens.
void bench_use_file(const std::string &path);
void bench_set_number_option(const char *name, unsigned long value);
#endif

#endif
