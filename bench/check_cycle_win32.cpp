// A check cycle over 100,000 Bookmarks in the running shell under Wine or
// Windows, with the real checker thread and an instant stand-in for the
// probe: how long the cycle takes, the main thread's processor time per
// result, and how long the window keeps other work waiting meanwhile. A
// second thread posts a message to the window every 10 ms (as input arrives)
// and sends one (as another program's window would), and the delays until
// the main loop takes the posted one and until the sent one returns are
// recorded. The cycle is stopped after LIMIT results (default 20,000; 0 for
// none): the figures per result are the same, and a whole cycle takes minutes
// under Wine.
// Usage: check_cycle_win32 [FILE [LIMIT]]
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

#include "app/shell.h"
#include "bench_util.h"
#include "checker/check_cycle.h"
#include "res/resource.h"
#include "store/bookmark.h"

static volatile LONG g_probes;
static volatile LONG g_stop;
static const int MAX_PINGS = 100000;
static double g_posted_at[MAX_PINGS];
static std::vector<double> g_sent_delays; // the pinging thread's own
static HWND g_window;

static uint32_t instant_probe(const char *url)
{
    InterlockedIncrement(&g_probes);
    return 1500000000u + (uint32_t) (strlen(url) % 7);
}

static DWORD WINAPI ping(void *)
{
    for (int n = 0; !g_stop && n < MAX_PINGS; n++) {
        g_posted_at[n] = bench_now();
        PostMessageA(g_window, WM_APP, (WPARAM) n, 0);
        double t0 = bench_now();
        DWORD_PTR result;
        SendMessageTimeoutA(g_window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        g_sent_delays.push_back((bench_now() - t0) * 1000);
        Sleep(10);
    }
    return 0;
}

static double thread_cpu_seconds(void)
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    ULARGE_INTEGER k = {{kernel.dwLowDateTime, kernel.dwHighDateTime}};
    ULARGE_INTEGER u = {{user.dwLowDateTime, user.dwHighDateTime}};
    return (double) (k.QuadPart + u.QuadPart) / 1e7;
}

static void report(const char *what, std::vector<double> v)
{
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    printf("%-34s %5zu: median %6.2f ms, 99th %6.2f ms, worst %6.2f ms\n", what, v.size(),
           v[v.size() / 2], v[v.size() * 99 / 100], v.back());
}

int main(int argc, char **argv)
{
    std::string path = argc > 1 ? argv[1] : bench_generated_file("--style own --count 100000");
    bench_use_file(path);

    long limit = argc > 2 ? atol(argv[2]) : 20000;
    g_checker_probe = instant_probe;
    AppState *app = tl_startup(GetModuleHandleA(NULL));
    if (!app) return 1;
    g_window = (HWND) app->main_window;
    g_accelerators = LoadAcceleratorsA(g_instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    printf("%u Bookmarks\n", app->bookmarks->count);

    double t0 = bench_now(), cpu0 = thread_cpu_seconds();
    on_command(app, IDM_WHATS_NEW, NULL, 0);
    HANDLE pinger = CreateThread(NULL, 0, ping, NULL, 0, NULL);
    std::vector<double> posted_delays;
    while (app->check_active || app->check_pending) {
        if (!GetMessageA(&msg, NULL, 0, 0)) break;
        if (limit && g_probes >= limit && app->check_active)
            on_command(app, IDM_STOP_CHECKING, NULL, 0);
        if (msg.message == WM_APP && msg.hwnd == g_window) {
            posted_delays.push_back((bench_now() - g_posted_at[msg.wParam]) * 1000);
            continue;
        }
        if (!pre_filter(app, &msg) && !TranslateAcceleratorA(g_window, g_accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MSG peek;
        if (!PeekMessageA(&peek, NULL, 0, 0, PM_NOREMOVE)) idle_work(app);
    }
    double seconds = bench_now() - t0, cpu = thread_cpu_seconds() - cpu0;
    InterlockedExchange(&g_stop, 1);
    // The pinger's last message is answered while it is waited for.
    while (MsgWaitForMultipleObjects(1, &pinger, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    CloseHandle(pinger);

    printf("cycle: %ld results in %.2f s (%.1f us each); main thread %.2f s cpu, %.1f us per "
           "result\n",
           (long) g_probes, seconds, seconds * 1e6 / (g_probes ? g_probes : 1), cpu,
           cpu * 1e6 / (g_probes ? g_probes : 1));
    report("posted message until taken", posted_delays);
    report("sent message until answered", g_sent_delays);
    // The generated file stays as it was: no save at the end.
    ExitProcess(0);
}
