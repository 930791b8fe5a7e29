// The Options as text: each field by its registry value's name, read from
// and written to "name=value" lines. The command line's options file and its
// `options` command use this; the names, defaults and rules are those of the
// registry store (a switch is on for any non-zero number, a number is taken
// as it stands, a path that does not fit the field is refused).
#ifndef TL_SESSION_OPTIONS_TEXT_H
#define TL_SESSION_OPTIONS_TEXT_H

#include <stddef.h>

#include "session/options.h"

// Every field's name, in the registry store's order, ending in null.
extern const char *const OPTION_NAMES[];

// Results of option_set.
const int OPTION_SET = 1;        // the value was stored
const int OPTION_UNKNOWN = 0;    // no field has that name
const int OPTION_BAD_VALUE = -1; // not a number (switches and numbers), or a path too long

// Sets the switch or number called name from a registry value's number: a
// switch is on for any non-zero number. OPTION_SET, or OPTION_UNKNOWN for
// tl_file and for a name that is no field.
int option_set_number(Options *o, const char *name, int32_t value);
// The switch (0 or 1) or number called name into *value. 1 on success, 0
// for tl_file and for a name that is no field.
int option_number(const Options *o, const char *name, int32_t *value);
// Sets the field called name from its text form: switches and numbers as a
// decimal number (optionally signed), tl_file as the text itself.
int option_set(Options *o, const char *name, const char *value);
// The text form of the field called name into out (size bytes: TL_PATH_MAX
// are enough). 1 on success, 0 for an unknown name.
int option_get(const Options *o, const char *name, char *out, size_t size);

// Overrides fields of o from text ("name=value" lines; blank lines, lines
// starting with # and lines with an unknown name or a bad value are skipped,
// as the registry store skips a value of the wrong type). Returns the number
// of fields taken.
int options_from_text(Options *o, const char *text);
// Every field as "name=value" lines, then the program's version and build
// numbers. A new heap text; the caller frees it.
char *options_to_text(const Options *o);

#endif
