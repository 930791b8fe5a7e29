// Platform layer over Win32.
#include "core/os.h"

#include <windows.h>

OsHeap os_heap_default(void)
{
    return GetProcessHeap();
}

OsHeap os_heap_create(void)
{
    return HeapCreate(0, 0, 0);
}

int os_heap_destroy(OsHeap heap)
{
    return HeapDestroy(heap) ? 1 : 0;
}

void *os_heap_alloc(OsHeap heap, size_t size)
{
    return HeapAlloc(heap, 0, size);
}

void *os_heap_realloc(OsHeap heap, void *ptr, size_t size)
{
    return HeapReAlloc(heap, 0, ptr, size);
}

int os_heap_free(OsHeap heap, void *ptr)
{
    return HeapFree(heap, 0, ptr) ? 1 : 0;
}

// ---- Files ---------------------------------------------------------------

static OsFileFaultHook file_fault_hook;

void os_file_set_fault_hook(OsFileFaultHook hook)
{
    file_fault_hook = hook;
}

// Whether a test wants this operation to fail; the last error is set as for
// a real fault.
static bool file_fault(OsFileOp op, const char *path)
{
    if (!file_fault_hook || !file_fault_hook(op, path)) return false;
    SetLastError(ERROR_WRITE_FAULT);
    return true;
}

static OsFile open_file(OsFileOp op, const char *path, DWORD access, DWORD share, DWORD disposition,
                        DWORD flags)
{
    if (file_fault(op, path)) return OS_NO_FILE;
    HANDLE h = CreateFileA(path, access, share, NULL, disposition, flags, NULL);
    return h == INVALID_HANDLE_VALUE ? OS_NO_FILE : (OsFile) h;
}

OsFile os_file_open_read(const char *path)
{
    return open_file(OS_FILE_OPEN_READ, path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN);
}

OsFile os_file_create(const char *path)
{
    return open_file(OS_FILE_CREATE, path, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
}

OsFile os_file_create_new(const char *path)
{
    return open_file(OS_FILE_CREATE_NEW, path, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
}

int os_file_size(OsFile file, uint64_t *size)
{
    if (file_fault(OS_FILE_SIZE, NULL)) return 0;
    HANDLE h = (HANDLE) file;
    if (GetFileType(h) != FILE_TYPE_DISK) return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return 0;
    *size = ((uint64_t) high << 32) | low;
    return 1;
}

int os_file_read(OsFile file, void *buffer, size_t count, size_t *got)
{
    *got = 0;
    if (file_fault(OS_FILE_READ, NULL)) return 0;
    while (*got < count) {
        size_t left = count - *got;
        DWORD part = left > 0x40000000u ? 0x40000000u : (DWORD) left, n = 0;
        if (!ReadFile((HANDLE) file, (char *) buffer + *got, part, &n, NULL)) return 0;
        if (n == 0) break;
        *got += n;
    }
    return 1;
}

static int write_all(HANDLE h, const char *bytes, size_t count)
{
    while (count > 0) {
        DWORD part = count > 0x40000000u ? 0x40000000u : (DWORD) count, n = 0;
        if (!WriteFile(h, bytes, part, &n, NULL) || n == 0) return 0;
        bytes += n;
        count -= n;
    }
    return 1;
}

int os_file_write(OsFile file, const void *bytes, size_t count)
{
    if (file_fault(OS_FILE_WRITE, NULL)) {
        write_all((HANDLE) file, (const char *) bytes, count / 2);
        return 0;
    }
    return write_all((HANDLE) file, (const char *) bytes, count);
}

int os_file_flush(OsFile file)
{
    if (file_fault(OS_FILE_FLUSH, NULL)) return 0;
    return FlushFileBuffers((HANDLE) file) ? 1 : 0;
}

int os_file_close(OsFile file)
{
    if (file_fault(OS_FILE_CLOSE, NULL)) {
        CloseHandle((HANDLE) file); // the handle is gone either way
        return 0;
    }
    return CloseHandle((HANDLE) file) ? 1 : 0;
}

int os_file_rename(const char *from, const char *to)
{
    if (file_fault(OS_FILE_RENAME, to)) return 0;
    return MoveFileA(from, to) ? 1 : 0;
}

int os_file_replace(const char *from, const char *to)
{
    if (file_fault(OS_FILE_REPLACE, to)) return 0;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 1 : 0;
}

int os_file_exists(const char *path)
{
    if (file_fault(OS_FILE_EXISTS, path)) return 0;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? 1 : 0;
}

int os_file_remove(const char *path)
{
    if (file_fault(OS_FILE_REMOVE, path)) return 0;
    return DeleteFileA(path) ? 1 : 0;
}

void os_error_box(const char *text, const char *caption)
{
    MessageBoxA(NULL, text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

void os_fatal(const char *text, const char *caption)
{
    os_error_box(text, caption);
    ExitProcess(3);
}
