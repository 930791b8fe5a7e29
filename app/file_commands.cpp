// The file commands: Save, Import and Export, with the system's file
// dialogs. The writing itself is the store's safe save: a failed save or
// export leaves an existing file as it was.
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "core/mem.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

void html_file_filters(char *out, size_t size)
{
    const char *parts[] = {HTML_FILES_FILTER, HTML_FILES_PATTERN, ALL_FILES_FILTER,
                           ALL_FILES_PATTERN};
    size_t at = 0;
    for (const char *part : parts) {
        size_t n = strlen(part) + 1;
        if (at + n + 1 > size) break;
        memcpy(out + at, part, n);
        at += n;
    }
    out[at] = 0;
}

int ask_html_file(AppState *app, const char *title, int save, char *path)
{
    char filters[128], file_title[TL_PATH_MAX];
    html_file_filters(filters, sizeof filters);
    path[0] = 0;
    file_title[0] = 0;
    OPENFILENAMEA dialog;
    ZeroMemory(&dialog, sizeof dialog);
    // The size that Windows 95 and NT 4.0 know; later systems accept it too.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = (HWND) app->main_window;
    dialog.lpstrFilter = filters;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = TL_PATH_MAX;
    dialog.lpstrFileTitle = file_title;
    dialog.nMaxFileTitle = sizeof file_title;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (!chosen) path[0] = 0;
    return chosen && path[0];
}

void count_message(AppState *app, const char *format, uint32_t count, int plural_s,
                   const char *path)
{
    size_t size = strlen(format) + strlen(path) + 16;
    char *text = (char *) memAlloc(size);
    if (plural_s)
        snprintf(text, size, format, (unsigned) count, count == 1 ? "" : "s", path);
    else
        snprintf(text, size, format, (unsigned) count, path);
    status_message(app, text);
    memFree(text);
}

void import_bookmark_file(AppState *app)
{
    char path[TL_PATH_MAX];
    if (!ask_html_file(app, IMPORT_DIALOG_TITLE, 0, path)) return;
    uint32_t added = 0;
    if (!import_bookmarks_from(app, path, &added)) {
        tl_message(app, IMPORT_FAILED_FORMAT, path);
        return;
    }
    apply_filter(app);
    count_message(app, IMPORT_DONE_FORMAT, added, 0, path);
}

void export_bookmarks(AppState *app, const vec *v)
{
    char path[TL_PATH_MAX];
    if (!ask_html_file(app, EXPORT_DIALOG_TITLE, 1, path)) return;
    if (export_bookmarks_to(v, path))
        count_message(app, EXPORT_DONE_FORMAT, v->count, 1, path);
    else
        tl_message(app, EXPORT_FAILED_FORMAT, path);
}

void on_export(AppState *app)
{
    if (list_selected_count(app) == 0) {
        export_bookmarks(app, app->bookmarks);
        return;
    }
    switch (scope_dialog((HWND) app->main_window, "Export")) {
    case 1: export_bookmarks(app, app->bookmarks); break;
    case 2: {
        vec *chosen = list_selected_bookmarks(app);
        export_bookmarks(app, chosen);
        vec_destroy(chosen);
        break;
    }
    }
}
