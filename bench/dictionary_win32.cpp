// The Keyword Dictionary on a large index under Wine or Windows: the shell
// starts with a generated file of 100,000 Bookmarks, then the Dictionary
// command is timed until its dialog shows, and each click of the case check
// box until the list is refilled and repainted. Five openings, four clicks
// each; medians and worst.
// Usage: dictionary_win32 [FILE]
#include <windows.h>

#include <algorithm>
#include <stdio.h>
#include <string>
#include <vector>

#include "app/shell.h"
#include "bench_util.h"
#include "res/resource.h"
#include "search/keyword_index.h"

struct Watch {
    double start;               // when the command began
    std::vector<double> opened; // ms until the dialog was visible
    std::vector<double> checks;   // ms per click that checks the box
    std::vector<double> unchecks; // and per click that clears it
    std::string counts;         // the word counts shown, in order
};

static std::string count_text(HWND dialog)
{
    char text[64] = "";
    GetDlgItemTextA(dialog, IDC_WORD_COUNT, text, sizeof text);
    return text;
}

// Runs beside the modal dialog: notes when it shows, clicks the check box
// four times (each click refills the list on the dialog's thread) and
// closes it.
static DWORD WINAPI watcher(void *param)
{
    Watch *w = (Watch *) param;
    HWND dialog = NULL;
    while (!(dialog = FindWindowA(NULL, "Keyword Dictionary")) || !IsWindowVisible(dialog))
        Sleep(0);
    HWND list = GetDlgItem(dialog, IDC_WORD_LIST);
    RedrawWindow(dialog, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
    w->opened.push_back((bench_now() - w->start) * 1000);
    w->counts += count_text(dialog);
    for (int i = 0; i < 4; i++) {
        double t0 = bench_now();
        SendMessageA(GetDlgItem(dialog, IDC_WORD_CASE), BM_CLICK, 0, 0);
        RedrawWindow(list, NULL, NULL, RDW_UPDATENOW);
        (i % 2 == 0 ? w->checks : w->unchecks).push_back((bench_now() - t0) * 1000);
        w->counts += ", " + count_text(dialog);
    }
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    return 0;
}

static void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    printf("%-40s median %7.1f ms, worst %7.1f ms (%zu runs)\n", what, ms[ms.size() / 2], ms.back(),
           ms.size());
}

int main(int argc, char **argv)
{
    std::string path = argc > 1 ? argv[1] : bench_generated_file("--style own --count 100000");
    bench_use_file(path);
    bench_set_number_option("case_sens", 0);

    AppState *app = tl_startup(GetModuleHandleA(NULL));
    if (!app) return 1;
    vec *words = keyword_index_words(app->keyword_index);
    printf("%u Bookmarks, %u keywords in the index\n", app->bookmarks->count, words->count);
    vec_destroy(words);

    Watch w;
    for (int run = 0; run < 5; run++) {
        HANDLE thread = CreateThread(NULL, 0, watcher, &w, 0, NULL);
        w.start = bench_now();
        on_command(app, IDM_DICTIONARY, NULL, 0);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        if (run == 0) printf("word counts shown: %s\n", w.counts.c_str());
    }
    report("Dictionary until the dialog shows", w.opened);
    report("Case- Sensitive checked, repainted", w.checks);
    report("Case- Sensitive cleared, repainted", w.unchecks);
    // The generated file stays as it was: no save at the end.
    ExitProcess(0);
}
