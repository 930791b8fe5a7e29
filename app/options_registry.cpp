// The Options in the registry: one value per field under the Properties key,
// the version and build numbers under the Version key.
#include <string.h>

#include "session/options.h"
#include "app/registry.h"
#include "core/mem.h"

// A REG_DWORD value into *out; 1 when it was there with the right type and size.
static int read_dword(HKEY key, const char *name, DWORD *out)
{
    DWORD type = 0, size = sizeof *out, value = 0;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *) &value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return 0;
    *out = value;
    return 1;
}

static void read_number(HKEY key, const char *name, int32_t *field)
{
    DWORD value;
    if (read_dword(key, name, &value)) *field = (int32_t) value;
}

// 1 when written.
static int write_dword(HKEY key, const char *name, DWORD value)
{
    return reg_write_value(key, name, REG_DWORD, &value, sizeof value);
}

// Bit-field switches cannot be passed by address; each is read into a
// number and stored when present.
#define READ_SWITCH(key, o, field)                                                                 \
    do {                                                                                           \
        DWORD value_;                                                                              \
        if (read_dword(key, #field, &value_)) (o)->field = value_ != 0;                            \
    } while (0)

void options_load(Options *o, const char *exe_path)
{
    options_init(o, exe_path);
    HKEY key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Properties", 0);
    if (!key) return;

    READ_SWITCH(key, o, partial_match);
    READ_SWITCH(key, o, case_sens);
    READ_SWITCH(key, o, implied_or);
    READ_SWITCH(key, o, auto_launch);
    READ_SWITCH(key, o, backup);
    READ_SWITCH(key, o, auto_rescan);
    READ_SWITCH(key, o, auto_check);
    READ_SWITCH(key, o, tooltips);
    read_number(key, "status_timer", &o->status_timer);
    read_number(key, "col_width_0", &o->col_width_0);
    read_number(key, "col_width_1", &o->col_width_1);
    read_number(key, "frame_x", &o->frame_x);
    read_number(key, "frame_y", &o->frame_y);
    read_number(key, "frame_width", &o->frame_width);
    read_number(key, "frame_height", &o->frame_height);

    // A stored path that does not fit the field is ignored rather than cut,
    // which would name another file.
    char *path = reg_read_string(key, "tl_file");
    if (path && strlen(path) < TL_PATH_MAX) strcpy(o->tl_file, path);
    memFree(path);

    RECT work;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        options_check_geometry(o, work.right - work.left, work.bottom - work.top);
    RegCloseKey(key);
}

// Every value counts: a save that wrote some of them has failed.
int options_save(const Options *o)
{
    HKEY key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Properties", 1);
    if (!key) return 0;
    int ok = write_dword(key, "partial_match", o->partial_match);
    ok &= write_dword(key, "case_sens", o->case_sens);
    ok &= write_dword(key, "implied_or", o->implied_or);
    ok &= write_dword(key, "auto_launch", o->auto_launch);
    ok &= write_dword(key, "backup", o->backup);
    ok &= write_dword(key, "auto_rescan", o->auto_rescan);
    ok &= write_dword(key, "auto_check", o->auto_check != 0);
    ok &= write_dword(key, "tooltips", o->tooltips);
    ok &= write_dword(key, "status_timer", (DWORD) o->status_timer);
    ok &= write_dword(key, "col_width_0", (DWORD) o->col_width_0);
    ok &= write_dword(key, "col_width_1", (DWORD) o->col_width_1);
    ok &= write_dword(key, "frame_x", (DWORD) o->frame_x);
    ok &= write_dword(key, "frame_y", (DWORD) o->frame_y);
    ok &= write_dword(key, "frame_width", (DWORD) o->frame_width);
    ok &= write_dword(key, "frame_height", (DWORD) o->frame_height);
    ok &= reg_write_value(key, "tl_file", REG_SZ, o->tl_file, (DWORD) strlen(o->tl_file) + 1);
    RegCloseKey(key);

    key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Version", 1);
    if (!key) return 0;
    ok &= write_dword(key, "version", TL_VERSION);
    ok &= write_dword(key, "build", TL_BUILD_NUMBER);
    RegCloseKey(key);
    return ok;
}
