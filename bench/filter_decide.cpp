// The portable part of the filter on 100,000 Bookmarks: the first fill (which
// builds the display order), then queries typed letter by letter and erased
// again, each keystroke timed through filter_decide (search, shown set,
// display order). The list view's part is measured under Wine by
// filter_keystroke_win32.
#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "bench_util.h"
#include "core/mem.h"
#include "search/filter.h"
#include "store/bookmark_file.h"

int main()
{
    memModuleInit();
    std::string path = bench_generated_file("--style own --count 100000");
    AppState *app = app_state_create("");
    char *text = read_whole_file(path.c_str());
    read_bookmark_file(app, text, 0);
    memFree(text);

    FilterUpdate u;
    double t0 = bench_now();
    filter_decide(app, "", 0, &u);
    filter_update_free(&u);
    printf("first fill of %u Bookmarks (builds the order): %.1f ms\n", app->bookmarks->count,
           (bench_now() - t0) * 1000);

    const char *queries[] = {"chess",         "news data", "code | net", "!news & (chess | web)",
                             "linwebtorthro", "mar",       "zz",         "a"};
    std::vector<double> ms;
    for (const char *q : queries) {
        std::string typed;
        std::vector<std::string> steps;
        for (const char *p = q; *p; p++)
            steps.push_back(typed += *p);
        for (size_t n = steps.size(); n-- > 1;)
            steps.push_back(steps[n - 1]);
        steps.push_back("");
        for (const std::string &s : steps) {
            double t = bench_now();
            filter_decide(app, s.c_str(), (int32_t) s.size(), &u);
            ms.push_back((bench_now() - t) * 1000);
            filter_update_free(&u);
        }
    }
    std::sort(ms.begin(), ms.end());
    printf("filter_decide per keystroke (%zu): median %.2f ms, worst %.2f ms\n", ms.size(),
           ms[ms.size() / 2], ms.back());
    app_state_destroy(app);
    return 0;
}
