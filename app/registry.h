// Registry helpers of the Windows shell.
#ifndef TL_APP_REGISTRY_H
#define TL_APP_REGISTRY_H

#include <windows.h>

// Where the program keeps its keys under HKEY_CURRENT_USER; a sub-key name
// ("Properties", "Version") follows.
#define TL_REGISTRY_ROOT "Software\\Velorix\\Trovelinks\\Format 1\\"

// Opens root\path\sub_path (sub_path may be null) with full access, creating
// the key when create is set. The key on success (the caller closes it with
// RegCloseKey), null on failure.
HKEY reg_open_key(HKEY root, const char *path, const char *sub_path, int create);
// Writes the value name of key: type (REG_DWORD, REG_SZ) with size bytes of
// data. 1 on success, 0 on failure.
int reg_write_value(HKEY key, const char *name, DWORD type, const void *data, DWORD size);
// Tests make value writes fail without a real fault: while a hook is set,
// reg_write_value first asks it with the value's name and fails when it
// answers non-zero. Null removes the hook.
typedef int (*RegWriteFaultHook)(const char *name);
void reg_set_write_fault_hook(RegWriteFaultHook hook);
// A new copy of the string value name of key (memFree it), or null when the
// value is missing or not of type REG_SZ.
char *reg_read_string(HKEY key, const char *name);

#endif
