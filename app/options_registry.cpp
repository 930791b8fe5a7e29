// The Options in the registry: one value per field under the Properties key,
// the version and build numbers under the Version key. The rules for each
// value (a switch on for any non-zero number, a path refused when it does not
// fit) are the text store's (session/options_text.h).
#include <string.h>

#include "app/registry.h"
#include "core/mem.h"
#include "session/options_text.h"

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

// 1 when written.
static int write_dword(HKEY key, const char *name, DWORD value)
{
    return reg_write_value(key, name, REG_DWORD, &value, sizeof value);
}

void options_load(Options *o, const char *exe_path)
{
    options_init(o, exe_path);
    HKEY key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Properties", 0);
    if (!key) return;

    // A value of the wrong type is skipped: tl_file is read as a string
    // alone, every other field as a REG_DWORD alone.
    for (const char *const *name = OPTION_NAMES; *name; name++) {
        DWORD value;
        if (read_dword(key, *name, &value)) option_set_number(o, *name, (int32_t) value);
    }
    char *path = reg_read_string(key, "tl_file");
    if (path) option_set(o, "tl_file", path);
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
    int ok = 1;
    for (const char *const *name = OPTION_NAMES; *name; name++) {
        int32_t value;
        if (option_number(o, *name, &value)) ok &= write_dword(key, *name, (DWORD) value);
    }
    ok &= reg_write_value(key, "tl_file", REG_SZ, o->tl_file, (DWORD) strlen(o->tl_file) + 1);
    RegCloseKey(key);

    key = reg_open_key(HKEY_CURRENT_USER, TL_REGISTRY_ROOT, "Version", 1);
    if (!key) return 0;
    ok &= write_dword(key, "version", TL_VERSION);
    ok &= write_dword(key, "build", TL_BUILD_NUMBER);
    RegCloseKey(key);
    return ok;
}
