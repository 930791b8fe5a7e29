// The commands that change the BookmarkList: add, edit, delete, visit and
// import. Each sets cli->changed when it changed something, and the session
// saves at the end; a command that fails changes nothing on disk.
#include <stdio.h>
#include <string.h>

#include "session/appstate.h"
#include "cli/cli.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "core/os.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/bookmark_status.h"
#include "store/favorites.h"

static const char TITLE_NEEDED[] = "Please enter a title for this Trovelink";

// The trimmed copy of --title (a heap text), or null when not given; *bad
// is set when it is empty after trimming.
static char *take_title(Cli *cli, int *bad)
{
    const char *given = cli_option(cli, "title");
    *bad = 0;
    if (!given) return nullptr;
    char *title = dupstr(given);
    trim_space(title);
    if (!*title) {
        cli_error(TITLE_NEEDED, nullptr);
        memFree(title);
        *bad = 1;
        return nullptr;
    }
    return title;
}

// Gives b the keyword text given (its words as they stand).
static void replace_keywords(Cli *cli, Bookmark *b, const char *keywords)
{
    b->keywords = set_keywords(cli->app->keyword_index, b, keywords, b->keywords);
}

int cmd_add(Cli *cli)
{
    const char *url = cli->args[0];
    if (!*url) {
        cli_error("add needs a URL", nullptr);
        return EXIT_USAGE;
    }
    int bad;
    char *title = take_title(cli, &bad);
    if (bad) return EXIT_FAIL;
    const char *keywords = cli_option(cli, "keywords");
    AppState *app = cli->app;
    Bookmark *b = find_bookmark_by_url(app, url);
    if (b) {
        // One Trovelink per URL: the stored one takes what was given.
        if (title) set_bookmark_title(app, b, title);
        if (keywords) replace_keywords(cli, b, keywords);
        printf("Stored already: %s\n", b->url);
        cli->changed = title || keywords;
        return EXIT_DONE;
    }
    b = (Bookmark *) memAlloc(sizeof *b);
    memset(b, 0, sizeof *b);
    b->url = dupstr(url);
    b->title = title ? title : dupstr(url);
    b->addDate = os_time_now();
    b->lastVisit = DATE_NONE;
    b->lastModified = DATE_NONE;
    insert_bookmark(app, b);
    // Without keywords, those the Add dialog proposes: the title's words.
    char *text = keywords ? dupstr(keywords) : extract_keywords(app->keyword_index, b->title, 1);
    b->keywords = set_keywords(app->keyword_index, b, text, nullptr);
    memFree(text);
    cli->changed = 1;
    return EXIT_DONE;
}

int cmd_edit(Cli *cli)
{
    AppState *app = cli->app;
    const char *url = cli_option(cli, "url");
    const char *keywords = cli_option(cli, "keywords");
    if (!url && !keywords && !cli_option(cli, "title")) {
        cli_error("edit needs --title, --url or --keywords", nullptr);
        return EXIT_USAGE;
    }
    Bookmark *b = cli_find(cli, cli->args[0]);
    if (!b) return EXIT_FAIL;
    int bad;
    char *title = take_title(cli, &bad);
    if (bad) return EXIT_FAIL;
    Bookmark *other = url ? find_bookmark_by_url(app, url) : nullptr;
    if (other && other != b) {
        if (!cli_option(cli, "yes")) {
            vstr text;
            vstrInit(&text);
            vstrSet(&text, "A Trovelink with the same URL already exists:\n\n");
            vstrAppend(&text, other->title);
            vstrAppend(&text, " ");
            vstrAppend(&text, other->url);
            vstrAppend(&text, "\n\n--yes replaces it");
            cli_error("%s", text.data);
            vstrClear(&text);
            memFree(title);
            return EXIT_FAIL;
        }
        delete_bookmark(app, other);
    }
    if (url) set_bookmark_url(app, b, dupstr(url));
    if (title) set_bookmark_title(app, b, title);
    if (keywords) replace_keywords(cli, b, keywords);
    cli->changed = 1;
    return EXIT_DONE;
}

// Asks on standard error whether to delete count Trovelinks; 1 for an
// answer starting with y or Y on standard input.
static int confirm_delete(uint32_t count)
{
    fflush(stdout);
    fprintf(stderr, "Delete %u Trovelink%s? [y/N] ", (unsigned) count, count == 1 ? "" : "s");
    char answer[16];
    if (!fgets(answer, sizeof answer, stdin)) {
        fputc('\n', stderr);
        return 0;
    }
    return answer[0] == 'y' || answer[0] == 'Y';
}

int cmd_delete(Cli *cli)
{
    AppState *app = cli->app;
    char *text = cli_joined_args(cli, 0);
    vec *chosen = vec_create();
    int status = EXIT_DONE;
    Bookmark *b = *text ? find_bookmark_by_url(app, text) : nullptr;
    if (b)
        vec_append(chosen, b);
    else if (!*text)
        status = EXIT_USAGE, cli_error("delete needs an expression or a URL", nullptr);
    else if (!cli_match(cli, text, nullptr))
        status = EXIT_FAIL;
    else
        vec_copy(chosen, app->list_items);
    if (status == EXIT_DONE && chosen->count == 0) {
        cli_error("No Trovelinks match %s", text);
        status = EXIT_FAIL;
    }
    if (status == EXIT_DONE) {
        for (uint32_t i = 0; i < chosen->count; i++) {
            b = vec_at<Bookmark>(chosen, i);
            printf("%s\t%s\n", b->title, b->url);
        }
        if (!cli_option(cli, "yes") && !confirm_delete(chosen->count)) {
            cli_error("Nothing deleted", nullptr);
            status = EXIT_FAIL;
        }
    }
    if (status == EXIT_DONE) {
        for (uint32_t i = 0; i < chosen->count; i++)
            delete_bookmark(app, vec_at<Bookmark>(chosen, i));
        printf("%u Trovelink%s deleted\n", (unsigned) chosen->count,
               chosen->count == 1 ? "" : "s");
        cli->changed = 1;
    }
    vec_destroy(chosen);
    memFree(text);
    return status;
}

int cmd_visit(Cli *cli)
{
    Bookmark *b = cli_find(cli, cli->args[0]);
    if (!b) return EXIT_FAIL;
    set_visit_time(b, os_time_now());
    cli->changed = 1;
    return EXIT_DONE;
}

// Imports one file, or a folder of Favorites (Internet shortcut files, its
// subfolders too); 1 with *added, 0 when it cannot be read.
static int import_one(AppState *app, const char *path, uint32_t *added)
{
    OsDir *folder = os_dir_open(path);
    if (!folder) return import_bookmarks_from(app, path, added);
    os_dir_close(folder);
    uint32_t before = app->bookmarks->count;
    import_favorites(app, path);
    *added = app->bookmarks->count - before;
    return 1;
}

int cmd_import(Cli *cli)
{
    for (int i = 0; i < cli->argc; i++) {
        uint32_t added;
        if (!import_one(cli->app, cli->args[i], &added)) {
            // Nothing is saved: the file stays as it was.
            cli_error(IMPORT_FAILED_FORMAT, cli->args[i]);
            return EXIT_FAIL;
        }
        printf(IMPORT_DONE_FORMAT, (unsigned) added, cli->args[i]);
        putchar('\n');
    }
    cli->changed = 1;
    return EXIT_DONE;
}
