// The commands that read: search, new, keywords and export, with the
// matching and the printing they share.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <nlohmann/json.hpp>

#include "session/appstate.h"
#include "cli/cli.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "search/dictionary_words.h"
#include "search/filter.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "store/bookmark_status.h"
#include "store/bookmark_writer.h"

int cli_match(Cli *cli, const char *text, char **status)
{
    FilterUpdate u;
    filter_decide(cli->app, text, (int32_t) strlen(text), &u);
    if (cli->app->search_error) {
        filter_update_free(&u);
        cli_error("Search expression error", nullptr);
        return 0;
    }
    if (status) {
        *status = u.status ? u.status : dupstr("Ready");
        u.status = nullptr;
    }
    filter_update_free(&u);
    return 1;
}

int cli_match_args(Cli *cli, const vec **chosen)
{
    *chosen = cli->app->bookmarks;
    if (!cli->argc) return 1;
    char *text = cli_joined_args(cli, 0);
    int ok = cli_match(cli, text, nullptr);
    memFree(text);
    if (ok) *chosen = cli->app->list_items;
    return ok;
}

Bookmark *cli_find(Cli *cli, const char *url)
{
    Bookmark *b = find_bookmark_by_url(cli->app, url);
    if (!b) cli_error("No Trovelink with the URL %s", url);
    return b;
}

const char *status_word(const Bookmark *b)
{
    if (!date_is_time(b->lastModified) && b->lastModified != DATE_FAILED) return "unknown";
    switch (status_icon(b)) {
    case 1: return "failed";
    case 2: return "new";
    }
    return "unchanged";
}

// A date for JSON: the number, or null for none.
static nlohmann::json json_date(uint32_t date)
{
    return date_is_time(date) ? nlohmann::json(date) : nlohmann::json(nullptr);
}

void print_bookmarks(const vec *v, int json)
{
    if (!json) {
        for (uint32_t i = 0; i < v->count; i++) {
            const Bookmark *b = vec_at<Bookmark>(v, i);
            printf("%s\t%s\t%s\n", b->title, b->url, status_word(b));
        }
        return;
    }
    fputs("[", stdout);
    for (uint32_t i = 0; i < v->count; i++) {
        const Bookmark *b = vec_at<Bookmark>(v, i);
        char *keywords = keyword_list_text(b->keywords);
        nlohmann::json entry = {
            {"title", b->title},
            {"url", b->url},
            {"keywords", keywords},
            {"status", status_word(b)},
            {"added", json_date(b->addDate)},
            {"visited", json_date(b->lastVisit)},
            {"modified", json_date(b->lastModified)},
        };
        memFree(keywords);
        // Bytes that are no UTF-8 (a title from an odd file) do not stop the
        // output: they become replacement characters.
        std::string text = entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        printf("%s\n  %s", i ? "," : "", text.c_str());
    }
    fputs(v->count ? "\n]\n" : "]\n", stdout);
}

// --sort into sort_column; 0 for a value that is no column.
static int take_sort(Cli *cli)
{
    const char *sort = cli_option(cli, "sort");
    if (!sort || strcmp(sort, "title") == 0) return 1;
    if (strcmp(sort, "url") == 0) {
        cli->app->sort_column = 1;
        return 1;
    }
    cli_error("--sort takes title or url, not %s", sort);
    return 0;
}

int cmd_search(Cli *cli)
{
    if (!take_sort(cli)) return EXIT_USAGE;
    char *text = cli_joined_args(cli, 0);
    char *status = nullptr;
    int ok = cli_match(cli, text, &status);
    memFree(text);
    if (!ok) return EXIT_FAIL;
    if (cli_option(cli, "hint"))
        printf("%s\n", status);
    else
        print_bookmarks(cli->app->list_items, cli_option(cli, "json") != nullptr);
    memFree(status);
    return EXIT_DONE;
}

int cmd_new(Cli *cli)
{
    if (!take_sort(cli)) return EXIT_USAGE;
    cli_match(cli, "", nullptr);
    vec *fresh = vec_create();
    for (uint32_t i = 0; i < cli->app->list_items->count; i++) {
        Bookmark *b = vec_at<Bookmark>(cli->app->list_items, i);
        if (status_icon(b) == 2) vec_append(fresh, b);
    }
    print_bookmarks(fresh, cli_option(cli, "json") != nullptr);
    vec_destroy(fresh);
    return EXIT_DONE;
}

// The dictionary's order: letters in either case together, then byte-wise.
static int compare_words(const void *a, const void *b)
{
    const char *x = *(const char *const *) a, *y = *(const char *const *) b;
    int c = compare_nocase(x, y);
    return c ? c : strcmp(x, y);
}

int cmd_keywords(Cli *cli)
{
    int case_flag = cli_option(cli, "case") || cli->app->options.case_sens;
    vec *words = keyword_index_words(cli->app->keyword_index);
    vec *shown = vec_create();
    char *copies = dictionary_words(words, case_flag, shown);
    qsort(shown->items, shown->count, sizeof(vec_slot), compare_words);
    for (uint32_t i = 0; i < shown->count; i++)
        puts(vec_at<char>(shown, i));
    printf("%u words\n", (unsigned) shown->count);
    memFree(copies);
    vec_destroy(shown);
    vec_destroy(words);
    return EXIT_DONE;
}

int cmd_export(Cli *cli)
{
    const vec *chosen;
    if (!cli_match_args(cli, &chosen)) return EXIT_FAIL;
    const char *path = cli_option(cli, "output");
    if (!path || strcmp(path, "-") == 0) {
        char *image = bookmark_file_image(chosen);
        fputs(image, stdout);
        memFree(image);
        return EXIT_DONE;
    }
    if (!export_bookmarks_to(chosen, path)) {
        cli_error(EXPORT_FAILED_FORMAT, path);
        return EXIT_FAIL;
    }
    printf(EXPORT_DONE_FORMAT, (unsigned) chosen->count, chosen->count == 1 ? "" : "s", path);
    putchar('\n');
    return EXIT_DONE;
}
