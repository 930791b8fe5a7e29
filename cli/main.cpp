// The command line's entry: the global options, the table of commands with
// their options and help, and the session around the command: the record,
// the Options, the keyword index, the bookmark file read, and at the end the
// save (for a command that changed something) and the release. A command
// that changes the file holds its lock from the reading to the saving.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "session/appstate.h"
#include "cli/cli.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/vstr.h"
#include "session/session.h"
#include "session/session_file.h"
#include "session/user_files.h"

struct Command {
    const char *name;
    int (*run)(Cli *cli);
    const char *options; // accepted: " --name " for a switch, " --name= " with a value
    int min_args, max_args; // positional arguments (max -1: any number)
    int changes;            // holds the lock and saves at the end
    const char *usage;
    const char *help;
};

static const Command COMMANDS[] = {
    {"search", cmd_search, " --sort= --json --hint ", 0, -1, 0, "search [--sort title|url] [--json] [--hint] EXPR",
     "Prints the Trovelinks that the search expression matches, in display order\n"
     "(by title, or by URL with --sort url), one per line: title, URL and status\n"
     "(new, unchanged, failed or unknown) separated by tabs; with --json a JSON array.\n"
     "With --hint, prints only the keyword hint for the last word instead.\n"
     "An empty expression matches every Trovelink."},
    {"new", cmd_new, " --sort= --json ", 0, 0, 0, "new [--sort title|url] [--json]",
     "Prints the Trovelinks modified since their last visit, as search does."},
    {"keywords", cmd_keywords, " --case ", 0, 0, 0, "keywords [--case]",
     "Prints every keyword once in lower case (with --case, or with the case_sens\n"
     "option, every keyword as stored), then their count."},
    {"add", cmd_add, " --title= --keywords= ", 1, 1, 1, "add URL [--title T] [--keywords K]",
     "Adds a Trovelink (the title defaults to the URL, the keywords to the title's\n"
     "words). A URL that is stored already (in any letter case) adds nothing: the\n"
     "stored Trovelink takes the title and keywords given."},
    {"edit", cmd_edit, " --title= --url= --keywords= --yes ", 1, 1, 1,
     "edit URL [--title T] [--url U] [--keywords K] [--yes]",
     "Changes the title, URL or keywords of the Trovelink with that URL. A new URL\n"
     "that another Trovelink has replaces that one only with --yes."},
    {"delete", cmd_delete, " --yes ", 1, -1, 1, "delete [--yes] EXPR|URL",
     "Deletes the Trovelink with that URL, or every Trovelink the expression\n"
     "matches: lists them and asks first, unless --yes is given."},
    {"visit", cmd_visit, " ", 1, 1, 1, "visit URL",
     "Marks the Trovelink with that URL visited now (or at its modification time,\n"
     "when that is later)."},
    {"import", cmd_import, " ", 1, -1, 1, "import FILE|FOLDER...",
     "Imports browser bookmark files (HTML exports, Chromium Bookmarks files) and\n"
     "Favorites folders. URLs already stored merge into the stored Trovelinks."},
    {"export", cmd_export, " --output= ", 0, -1, 0, "export [-o FILE] [EXPR]",
     "Writes every Trovelink, or those the expression matches in display order, as a\n"
     "bookmark file to FILE (replaced safely) or to standard output."},
    {"check", cmd_check, " --jobs= ", 0, -1, 1, "check [--jobs N] [EXPR]",
     "Checks which pages changed since their last visit, over HTTP and HTTPS: every\n"
     "candidate, those the expression matches first. Up to N pages at once (4 by\n"
     "default), never two at once on one host. On a terminal it shows a progress\n"
     "bar, otherwise one line per URL: its status and the URL."},
    {"options", cmd_options, " ", 0, 2, 0, "options [NAME [VALUE]]",
     "Prints every option, or one; with a value, sets it in the options file."},
};

static const char PROGRAM_USAGE[] =
    "Usage: trovelinks [--file PATH] COMMAND [ARGS]\n"
    "Searches, edits, imports, exports and checks the Trovelinks bookmark file.\n"
    "\n"
    "The file is $XDG_DATA_HOME/trovelinks/tl.htm (~/.local/share/trovelinks/tl.htm)\n"
    "unless --file or the tl_file option names another; the options are kept in\n"
    "$XDG_CONFIG_HOME/trovelinks/options (~/.config/trovelinks/options).\n"
    "\n"
    "Commands:\n";

static void print_program_help(FILE *out)
{
    fputs(PROGRAM_USAGE, out);
    for (const Command &c : COMMANDS)
        fprintf(out, "  %s\n", c.usage);
    fputs("\n'trovelinks COMMAND --help' tells more about a command.\n", out);
}

static const Command *find_command(const char *name)
{
    for (const Command &c : COMMANDS)
        if (strcmp(c.name, name) == 0) return &c;
    return nullptr;
}

void cli_error(const char *format, const char *argument)
{
    vstr text;
    vstrInit(&text);
    vstrSet(&text, "trovelinks: ");
    vstr message;
    vstrInit(&message);
    vstrSet(&message, format);
    vstrSub(&message, "%s", argument ? argument : "");
    vstrSub(&message, "\n\n", ": ");
    vstrAppend(&text, message.data);
    vstrAppendCh(&text, '\n');
    fflush(stdout);
    fputs(text.data, stderr);
    vstrClear(&message);
    vstrClear(&text);
}

static void session_report(AppState *, const char *format, const char *argument)
{
    cli_error(format, argument);
}

const char *cli_option(const Cli *cli, const char *name)
{
    for (int i = 0; i < cli->options; i++)
        if (strcmp(cli->option_names[i], name) == 0) return cli->option_values[i];
    return nullptr;
}

char *cli_joined_args(const Cli *cli, int first)
{
    vstr text;
    vstrInit(&text);
    vstrSet(&text, "");
    for (int i = first; i < cli->argc; i++) {
        if (i > first) vstrAppendCh(&text, ' ');
        vstrAppend(&text, cli->args[i]);
    }
    return vstrDetach(&text);
}

static int usage_error(const Command *c, const char *format, const char *argument)
{
    cli_error(format, argument);
    fprintf(stderr, "Usage: trovelinks %s\n", c->usage);
    return EXIT_USAGE;
}

// Sorts the command's arguments into options and positional ones (kept in
// place at the front of args). EXIT_DONE, or the status of a usage error.
static int parse_arguments(Cli *cli, const Command *c, int argc, char **argv, int *help)
{
    int positional = 0, only_positional = 0;
    *help = 0;
    for (int i = 0; i < argc; i++) {
        char *a = argv[i];
        if (only_positional || a[0] != '-' || a[1] == 0) {
            argv[positional++] = a;
            continue;
        }
        if (strcmp(a, "--") == 0) {
            only_positional = 1;
            continue;
        }
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            *help = 1;
            return EXIT_DONE;
        }
        // -o FILE is --output FILE.
        char name[64];
        const char *value = nullptr;
        if (strcmp(a, "-o") == 0) {
            strcpy(name, "output");
        } else if (a[1] == '-') {
            const char *eq = strchr(a + 2, '=');
            size_t n = eq ? (size_t) (eq - a - 2) : strlen(a + 2);
            if (n >= sizeof name - 1) return usage_error(c, "unknown option %s", a);
            memcpy(name, a + 2, n);
            name[n] = 0;
            if (eq) value = eq + 1;
        } else {
            return usage_error(c, "unknown option %s", a);
        }
        char pattern[72];
        snprintf(pattern, sizeof pattern, " --%s ", name);
        int is_switch = strstr(c->options, pattern) != nullptr;
        snprintf(pattern, sizeof pattern, " --%s= ", name);
        int takes_value = strstr(c->options, pattern) != nullptr;
        if (!is_switch && !takes_value) return usage_error(c, "unknown option %s", a);
        if (is_switch && value) return usage_error(c, "option --%s takes no value", name);
        if (takes_value && !value) {
            if (i + 1 >= argc) return usage_error(c, "option %s needs a value", a);
            value = argv[++i];
        }
        if (cli->options == CLI_OPTIONS_MAX) return usage_error(c, "too many options", nullptr);
        // The name's text lives in the argument itself from here on.
        const char *kept = strcmp(a, "-o") == 0 ? "output" : a + 2;
        if (a[1] == '-' && strchr(a, '=')) *strchr(a, '=') = 0;
        cli->option_names[cli->options] = kept;
        cli->option_values[cli->options++] = value ? value : "";
    }
    cli->argc = positional;
    cli->args = argv;
    if (positional < c->min_args) return usage_error(c, "%s needs an argument", c->name);
    if (c->max_args >= 0 && positional > c->max_args)
        return usage_error(c, "too many arguments for %s", c->name);
    return EXIT_DONE;
}

// The record with the Options and the bookmark file's path: the data
// folder's tl.htm, unless the options file or --file names another.
static AppState *create_session(const char *file)
{
    char *folder = user_data_folder();
    if (!folder) {
        cli_error("neither XDG_DATA_HOME nor HOME is set", nullptr);
        return nullptr;
    }
    if (strlen(folder) + sizeof "tl.htm" > TL_PATH_MAX || (file && strlen(file) >= TL_PATH_MAX)) {
        cli_error("the path of the bookmark file is too long: %s", file ? file : folder);
        memFree(folder);
        return nullptr;
    }
    static const OptionsStore options_file = {options_load, options_save, "Unable to save Options to file"};
    AppState *app = session_start(folder, &options_file);
    memFree(folder);
    if (file) strcpy(app->options.tl_file, file);
    return app;
}

static int run(const Command *c, Cli *cli)
{
    AppState *app = create_session(cli->file);
    if (!app) return EXIT_FAIL;
    cli->app = app;
    int lock = -1, status = EXIT_DONE;
    if (c->changes) {
        int timed_out = 0;
        const char *path = app->options.tl_file;
        char *default_folder = user_data_folder();
        // The program's own folder is made on first use; any other must exist.
        if (default_folder && strncmp(path, default_folder, strlen(default_folder)) == 0)
            make_parent_folders(path);
        memFree(default_folder);
        lock = lock_file(path, LOCK_WAIT_MS, &timed_out);
        if (lock < 0) {
            cli_error(timed_out ? "the bookmark file %s is in use by another trovelinks command"
                                : "Unable to write Trovelinks to file\n\n%s",
                      path);
            status = EXIT_FAIL;
        }
    }
    if (status == EXIT_DONE) {
        session_load_file(app);
        status = c->run(cli);
        // The Options change only through the options command, which
        // writes them itself.
        if (status == EXIT_DONE && cli->changed && !session_save(app, 1, 0)) status = EXIT_FAIL;
    }
    unlock_file(lock);
    session_end(app);
    return status;
}

int main(int argc, char **argv)
{
    // A reader that goes away (check | head) must not end the command
    // before it saves: output to a closed pipe then only fails.
    signal(SIGPIPE, SIG_IGN);
    memModuleInit();
    session_use_report(session_report);
    Cli cli;
    memset(&cli, 0, sizeof cli);
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; i++) {
        const char *a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            print_program_help(stdout);
            return EXIT_DONE;
        } else if (strcmp(a, "--version") == 0) {
            printf("trovelinks %u.%02u (build %u%s)\n", (unsigned) TL_VERSION / 100,
                   (unsigned) TL_VERSION % 100, (unsigned) TL_BUILD_NUMBER, TL_BUILD_LETTER);
            return EXIT_DONE;
        } else if (strcmp(a, "--file") == 0 && i + 1 < argc) {
            cli.file = argv[++i];
        } else if (strncmp(a, "--file=", 7) == 0) {
            cli.file = a + 7;
        } else {
            cli_error(strcmp(a, "--file") == 0 ? "option --file needs a value" : "unknown option %s",
                      a);
            fputs("Try 'trovelinks --help'.\n", stderr);
            return EXIT_USAGE;
        }
    }
    if (i == argc) {
        print_program_help(stderr);
        return EXIT_USAGE;
    }
    const Command *c = find_command(argv[i]);
    if (!c) {
        cli_error("unknown command %s", argv[i]);
        fputs("Try 'trovelinks --help'.\n", stderr);
        return EXIT_USAGE;
    }
    int help;
    int status = parse_arguments(&cli, c, argc - i - 1, argv + i + 1, &help);
    if (status != EXIT_DONE) return status;
    if (help) {
        printf("Usage: trovelinks %s\n%s\n", c->usage, c->help);
        return EXIT_DONE;
    }
    status = run(c, &cli);
    if (fflush(stdout) != 0 && status == EXIT_DONE) status = EXIT_FAIL;
    memModuleExit();
    return status;
}
