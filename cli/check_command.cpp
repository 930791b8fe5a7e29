// The check command: a check cycle over the candidates, several URLs at
// once, with a progress bar on a terminal and one line per URL otherwise.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "session/appstate.h"
#include "checker/check_jobs.h"
#include "checker/http_probe.h"
#include "cli/cli.h"
#include "core/mem.h"
#include "store/bookmark.h"

const int JOBS_DEFAULT = 4;
static_assert(CHECK_JOBS_MAX == 64, "the --jobs message names the largest count");

struct CheckView {
    AppState *app;
    int terminal;   // draw a progress bar instead of lines
    unsigned width; // the terminal's columns
    uint32_t counts[4]; // new, unchanged, failed, unknown
};

static const char *const STATUS_WORDS[] = {"new", "unchanged", "failed", "unknown"};

static int status_index(const char *word)
{
    for (int i = 0; i < 4; i++)
        if (strcmp(STATUS_WORDS[i], word) == 0) return i;
    return 3;
}

static void show_progress(void *data, const CheckJobsProgress *p)
{
    CheckView *view = (CheckView *) data;
    // The status of the URL's first Bookmark, now that the result is stored.
    Bookmark *b = find_bookmark_by_url(view->app, p->url);
    const char *word = b ? status_word(b) : (p->result == DATE_FAILED ? "failed" : "unknown");
    view->counts[status_index(word)]++;
    if (!view->terminal) {
        printf("%s\t%s\n", word, p->url);
        return;
    }
    const unsigned bar = 20;
    unsigned filled = p->total ? (unsigned) ((uint64_t) bar * p->done / p->total) : bar;
    char head[96];
    int n = snprintf(head, sizeof head, "\r[%.*s%.*s] %u/%u ", (int) filled,
                     "####################", (int) (bar - filled), "--------------------",
                     (unsigned) p->done, (unsigned) p->total);
    // The URL as far as the line has room, the rest of the line cleared.
    int room = (int) view->width - (n - 1) - 1;
    printf("%s%.*s\x1b[K", head, room > 0 ? room : 0, p->url);
    fflush(stdout);
}

int cmd_check(Cli *cli)
{
    int jobs = JOBS_DEFAULT;
    const char *given = cli_option(cli, "jobs");
    if (given) {
        char *end;
        long n = strtol(given, &end, 10);
        if (!*given || *end || n < 1 || n > CHECK_JOBS_MAX) {
            cli_error("--jobs takes a number from 1 to 64, not %s", given);
            return EXIT_USAGE;
        }
        jobs = (int) n;
    }
    const vec *first;
    if (!cli_match_args(cli, &first)) return EXIT_FAIL;
    if (!cli->argc) first = nullptr; // no Bookmarks go first
    CheckView view;
    memset(&view, 0, sizeof view);
    view.app = cli->app;
    view.terminal = isatty(STDOUT_FILENO);
    struct winsize size;
    view.width = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col ? size.ws_col : 80;
    ProbeContext ctx;
    probe_context_init(&ctx);
    os_net_start();
    uint32_t probed = run_check_jobs(cli->app, first, jobs, &ctx, show_progress, &view);
    os_net_stop();
    if (view.terminal) {
        printf("%s%u URL%s checked: %u new, %u unchanged, %u failed, %u unknown\n",
               probed ? "\r\x1b[K" : "", (unsigned) probed, probed == 1 ? "" : "s",
               (unsigned) view.counts[0], (unsigned) view.counts[1], (unsigned) view.counts[2],
               (unsigned) view.counts[3]);
    }
    cli->changed = probed > 0;
    return EXIT_DONE;
}
