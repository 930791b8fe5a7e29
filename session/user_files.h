// Where a user's files live on Linux, after the XDG base directory rules:
// the bookmark file's folder and the options file. Natively only.
#ifndef TL_SESSION_USER_FILES_H
#define TL_SESSION_USER_FILES_H

// The folder of the program's data, $XDG_DATA_HOME/trovelinks/ (by default
// ~/.local/share/trovelinks/), with its trailing slash: a new heap text, or
// null when neither variable is set.
char *user_data_folder(void);
// The options file, $XDG_CONFIG_HOME/trovelinks/options (by default
// ~/.config/trovelinks/options): a new heap text, or null when neither
// variable is set.
char *user_options_path(void);
// Creates the folder of path (the part before its last /) and the folders
// above it that are missing. 1 when it exists afterwards.
int make_parent_folders(const char *path);

#endif
