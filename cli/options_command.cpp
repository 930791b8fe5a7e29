// The options command: shows the Options, or sets one in the options file.
#include <stdio.h>
#include <string.h>

#include "session/appstate.h"
#include "cli/cli.h"
#include "core/mem.h"
#include "session/options_text.h"
#include "session/user_files.h"

int cmd_options(Cli *cli)
{
    const Options *shown = &cli->app->options;
    char value[TL_PATH_MAX + 16];
    if (cli->argc == 0) {
        for (const char *const *name = OPTION_NAMES; *name; name++) {
            option_get(shown, *name, value, sizeof value);
            printf("%s=%s\n", *name, value);
        }
        return EXIT_DONE;
    }
    const char *name = cli->args[0];
    if (!option_get(shown, name, value, sizeof value)) {
        cli_error("unknown option name %s", name);
        return EXIT_USAGE;
    }
    if (cli->argc == 1) {
        puts(value);
        return EXIT_DONE;
    }
    // The file's Options, not the session's (which --file may have changed),
    // read again under the file's lock and written back with the one change.
    char *path = user_options_path();
    if (!path || !make_parent_folders(path)) {
        cli_error("Unable to save Options to file\n\n%s", path);
        memFree(path);
        return EXIT_FAIL;
    }
    int timed_out;
    int lock = lock_file(path, LOCK_WAIT_MS, &timed_out);
    int status = EXIT_DONE;
    Options o;
    char *folder = user_data_folder();
    options_load(&o, folder ? folder : "");
    memFree(folder);
    if (lock < 0) {
        cli_error(timed_out ? "the options file %s is in use by another trovelinks command"
                            : "Unable to save Options to file\n\n%s",
                  path);
        status = EXIT_FAIL;
    } else if (option_set(&o, name, cli->args[1]) != OPTION_SET) {
        cli_error(strcmp(name, "tl_file") == 0 ? "the path is too long: %s"
                                                : "the value must be a number: %s",
                  cli->args[1]);
        status = EXIT_USAGE;
    } else if (!options_save(&o)) {
        cli_error("Unable to save Options to file\n\n%s", path);
        status = EXIT_FAIL;
    }
    unlock_file(lock);
    memFree(path);
    return status;
}
