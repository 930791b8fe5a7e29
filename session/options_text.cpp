// The Options as "name=value" text.
#include "session/options_text.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/mem.h"
#include "core/vstr.h"

const char *const OPTION_NAMES[] = {
    "partial_match", "case_sens",   "implied_or",  "auto_launch", "backup",      "auto_rescan",
    "auto_check",    "tooltips",    "status_timer", "col_width_0", "col_width_1", "frame_x",
    "frame_y",       "frame_width", "frame_height", "tl_file",     nullptr,
};

// A whole decimal number that fits 32 bits, signed or not (a registry value
// is a 32-bit word either way); 1 with *out set.
static int parse_number(const char *text, int32_t *out)
{
    if (!*text) return 0;
    errno = 0;
    char *end;
    long long n = strtoll(text, &end, 10);
    if (*end || errno || n < -2147483648LL || n > 4294967295LL) return 0;
    *out = (int32_t) (uint32_t) n;
    return 1;
}

// The numeric fields by name; null for a switch or tl_file.
static int32_t *number_field(Options *o, const char *name)
{
    struct Field {
        const char *name;
        int32_t Options::*field;
    };
    static const Field fields[] = {
        {"status_timer", &Options::status_timer}, {"col_width_0", &Options::col_width_0},
        {"col_width_1", &Options::col_width_1},   {"frame_x", &Options::frame_x},
        {"frame_y", &Options::frame_y},           {"frame_width", &Options::frame_width},
        {"frame_height", &Options::frame_height},
    };
    for (const Field &f : fields)
        if (strcmp(f.name, name) == 0) return &(o->*f.field);
    return nullptr;
}

// Switches are bit-fields: read and written through their names. -1 for a
// name that is no switch.
static int switch_value(const Options *o, const char *name)
{
    if (!strcmp(name, "partial_match")) return o->partial_match;
    if (!strcmp(name, "case_sens")) return o->case_sens;
    if (!strcmp(name, "implied_or")) return o->implied_or;
    if (!strcmp(name, "auto_launch")) return o->auto_launch;
    if (!strcmp(name, "backup")) return o->backup;
    if (!strcmp(name, "auto_rescan")) return o->auto_rescan;
    if (!strcmp(name, "auto_check")) return o->auto_check != 0;
    if (!strcmp(name, "tooltips")) return o->tooltips;
    return -1;
}

static void set_switch(Options *o, const char *name, unsigned on)
{
    if (!strcmp(name, "partial_match")) o->partial_match = on;
    if (!strcmp(name, "case_sens")) o->case_sens = on;
    if (!strcmp(name, "implied_or")) o->implied_or = on;
    if (!strcmp(name, "auto_launch")) o->auto_launch = on;
    if (!strcmp(name, "backup")) o->backup = on;
    if (!strcmp(name, "auto_rescan")) o->auto_rescan = on;
    if (!strcmp(name, "auto_check")) o->auto_check = on;
    if (!strcmp(name, "tooltips")) o->tooltips = on;
}

int option_set_number(Options *o, const char *name, int32_t value)
{
    int32_t *field = number_field(o, name);
    if (field)
        *field = value;
    else if (switch_value(o, name) >= 0)
        set_switch(o, name, value != 0);
    else
        return OPTION_UNKNOWN;
    return OPTION_SET;
}

int option_number(const Options *o, const char *name, int32_t *value)
{
    int32_t *field = number_field((Options *) o, name);
    int on = switch_value(o, name);
    if (!field && on < 0) return 0;
    *value = field ? *field : on;
    return 1;
}

int option_set(Options *o, const char *name, const char *value)
{
    if (!strcmp(name, "tl_file")) {
        // A path that does not fit is refused rather than cut, which would
        // name another file.
        if (strlen(value) >= TL_PATH_MAX) return OPTION_BAD_VALUE;
        strcpy(o->tl_file, value);
        return OPTION_SET;
    }
    int32_t n;
    if (!number_field(o, name) && switch_value(o, name) < 0) return OPTION_UNKNOWN;
    if (!parse_number(value, &n)) return OPTION_BAD_VALUE;
    return option_set_number(o, name, n);
}

int option_get(const Options *o, const char *name, char *out, size_t size)
{
    int32_t n;
    if (!strcmp(name, "tl_file"))
        snprintf(out, size, "%s", o->tl_file);
    else if (option_number(o, name, &n))
        snprintf(out, size, "%d", (int) n);
    else
        return 0;
    return 1;
}

int options_from_text(Options *o, const char *text)
{
    int taken = 0;
    vstr line;
    vstrInit(&line);
    for (const char *p = text; *p;) {
        const char *end = strchr(p, '\n');
        size_t n = end ? (size_t) (end - p) : strlen(p);
        vstrSet(&line, "");
        vstrAppendPrimative(&line, p, (uint32_t) n);
        p += n + (end ? 1 : 0);
        char *s = line.data;
        if (line.length && s[line.length - 1] == '\r') s[--line.length] = 0;
        char *eq = strchr(s, '=');
        if (!eq || s[0] == '#') continue;
        *eq = 0;
        if (option_set(o, s, eq + 1) == OPTION_SET) taken++;
    }
    vstrClear(&line);
    return taken;
}

char *options_to_text(const Options *o)
{
    vstr text;
    vstrInit(&text);
    char value[TL_PATH_MAX + 16];
    for (const char *const *name = OPTION_NAMES; *name; name++) {
        option_get(o, *name, value, sizeof value);
        vstrAppend(&text, *name);
        vstrAppendCh(&text, '=');
        vstrAppend(&text, value);
        vstrAppendCh(&text, '\n');
    }
    snprintf(value, sizeof value, "version=%u\nbuild=%u\n", (unsigned) TL_VERSION,
             (unsigned) TL_BUILD_NUMBER);
    vstrAppend(&text, value);
    return vstrDetach(&text);
}
