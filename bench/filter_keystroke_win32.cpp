// Keystroke cost of the filter under Wine or Windows: the shell starts with a
// generated file of 100,000 Bookmarks (start-up until the full list is
// drawn), then queries are typed into the filter box letter by letter and
// erased again; each keystroke is timed from the character message through
// apply_filter (search and list refill), and until the window is repainted. For
// comparison, the same 100,000 items go into a list view that keeps its own
// items, inserted one by one at position 0 and sorted with lv_compare.
// Usage: filter_keystroke_win32 [FILE]
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "app/shell.h"
#include "bench_util.h"

static void pump(AppState *app)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    idle_work(app);
    UpdateWindow((HWND) app->main_window);
}

struct Cost {
    double filter; // the character into the box, through apply_filter
    double drawn;  // and until the window is repainted
};

static Cost keystroke(AppState *app, WPARAM ch)
{
    double t0 = bench_now();
    SendMessageA((HWND) app->filter_edit, WM_CHAR, ch, 1);
    double t1 = bench_now();
    pump(app);
    return {(t1 - t0) * 1000, (bench_now() - t0) * 1000};
}

static void report(const char *what, const std::vector<Cost> &costs)
{
    std::vector<double> filter, drawn;
    for (const Cost &c : costs) {
        filter.push_back(c.filter);
        drawn.push_back(c.drawn);
    }
    std::sort(filter.begin(), filter.end());
    std::sort(drawn.begin(), drawn.end());
    printf("%-32s %3zu keys  apply_filter median %6.1f worst %6.1f ms;"
           " repainted median %6.1f worst %6.1f ms\n",
           what, costs.size(), filter[filter.size() / 2], filter.back(), drawn[drawn.size() / 2],
           drawn.back());
}

// The alternative: a list view with items of its own, filled the way the
// filter would fill it, then sorted by title.
static void normal_list_view(AppState *app)
{
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600,
                                400, (HWND) app->main_window, NULL, g_instance, NULL);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = 200;
    column.pszText = (LPSTR) "Title";
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM) &column);
    double t0 = bench_now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (uint32_t i = 0; i < app->bookmarks->count; i++) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.iImage = I_IMAGECALLBACK;
        item.lParam = (LPARAM) app->bookmarks->items[i];
        SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM) &item);
    }
    double t1 = bench_now();
    SendMessageA(list, LVM_SORTITEMS, 0, (LPARAM) lv_compare);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    double t2 = bench_now();
    printf("list view with its own items: insert %u at 0: %.0f ms, sort by title: %.0f ms\n",
           app->bookmarks->count, (t1 - t0) * 1000, (t2 - t1) * 1000);
    DestroyWindow(list);
}

int main(int argc, char **argv)
{
    std::string path = argc > 1 ? argv[1] : bench_generated_file("--style own --count 100000");
    bench_use_file(path);

    double t0 = bench_now();
    AppState *app = tl_startup(GetModuleHandleA(NULL));
    if (!app) return 1;
    pump(app);
    double started = (bench_now() - t0) * 1000;
    printf("start-up with %u Bookmarks until the full list is drawn: %.0f ms\n",
           app->bookmarks->count, started);

    const char *queries[] = {"chess",         "news data", "code | net", "!news & (chess | web)",
                             "linwebtorthro", "mar",       "zz",         "a"};
    std::vector<Cost> all;
    for (const char *q : queries) {
        std::vector<Cost> ms;
        for (const char *p = q; *p; p++)
            ms.push_back(keystroke(app, (unsigned char) *p));
        for (const char *p = q; *p; p++)
            ms.push_back(keystroke(app, VK_BACK));
        all.insert(all.end(), ms.begin(), ms.end());
        std::string label = std::string("«") + q + "» and back";
        report(label.c_str(), ms);
    }
    report("all keystrokes", all);
    normal_list_view(app);
    // The generated file stays as it was: no save at the end.
    ExitProcess(0);
}
