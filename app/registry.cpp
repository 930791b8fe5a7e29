// Registry helpers: keys by joined path, string values of any length.
#include "app/registry.h"

#include "core/mem.h"
#include "core/vstr.h"

HKEY reg_open_key(HKEY root, const char *path, const char *sub_path, int create)
{
    vstr full;
    vstrInit(&full);
    vstrSet(&full, path);
    if (sub_path) vstrAppend(&full, sub_path);
    HKEY key = NULL;
    LONG result;
    if (create) {
        DWORD disposition;
        result = RegCreateKeyExA(root, full.data, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 NULL, &key, &disposition);
    } else {
        result = RegOpenKeyExA(root, full.data, 0, KEY_ALL_ACCESS, &key);
    }
    vstrClear(&full);
    return result == ERROR_SUCCESS ? key : NULL;
}

static RegWriteFaultHook write_fault_hook;

void reg_set_write_fault_hook(RegWriteFaultHook hook)
{
    write_fault_hook = hook;
}

int reg_write_value(HKEY key, const char *name, DWORD type, const void *data, DWORD size)
{
    if (write_fault_hook && write_fault_hook(name)) return 0;
    return RegSetValueExA(key, name, 0, type, (const BYTE *) data, size) == ERROR_SUCCESS;
}

char *reg_read_string(HKEY key, const char *name)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name, NULL, &type, NULL, &size) != ERROR_SUCCESS || type != REG_SZ)
        return nullptr;
    // One byte more than asked for, so that a value stored without its
    // terminating zero still ends in one.
    char *text = (char *) memAlloc(size + 1);
    DWORD got = size;
    if (RegQueryValueExA(key, name, NULL, &type, (BYTE *) text, &got) != ERROR_SUCCESS ||
        type != REG_SZ || got > size) {
        memFree(text);
        return nullptr;
    }
    text[got] = 0;
    return text;
}
