// The Options dialog, bound field by field to the Options record, and the
// Options command that applies what changed.
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "core/mem.h"
#include "core/os.h"
#include "store/bookmark_file.h"
#include "res/resource.h"

static int checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static void check(HWND dialog, int id, int on)
{
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

static void show_options(HWND dialog, const Options *o)
{
    check(dialog, IDC_PARTIAL_MATCH, o->partial_match);
    check(dialog, IDC_CASE_SENS, o->case_sens);
    check(dialog, IDC_BACKUP, o->backup);
    check(dialog, IDC_TOOLTIPS, o->tooltips);
    check(dialog, IDC_AUTO_LAUNCH, o->auto_launch);
    check(dialog, IDC_AUTO_RESCAN, o->auto_rescan);
    check(dialog, IDC_AUTO_CHECK, o->auto_check != 0);
    SetDlgItemTextA(dialog, IDC_TL_FILE, o->tl_file);
}

static void read_options(HWND dialog, Options *o)
{
    o->partial_match = checked(dialog, IDC_PARTIAL_MATCH);
    o->case_sens = checked(dialog, IDC_CASE_SENS);
    o->backup = checked(dialog, IDC_BACKUP);
    o->tooltips = checked(dialog, IDC_TOOLTIPS);
    o->auto_launch = checked(dialog, IDC_AUTO_LAUNCH);
    o->auto_rescan = checked(dialog, IDC_AUTO_RESCAN);
    o->auto_check = checked(dialog, IDC_AUTO_CHECK);
    // At most TL_PATH_MAX - 1 characters, the rest of the box cut off.
    GetDlgItemTextA(dialog, IDC_TL_FILE, o->tl_file, sizeof o->tl_file);
}

// "&Browse": the open-file dialog, starting from the box's text; a chosen
// file's full path goes into the box (the Options only change on OK).
static void on_browse(HWND dialog)
{
    char filters[128], path[TL_PATH_MAX];
    html_file_filters(filters, sizeof filters);
    GetDlgItemTextA(dialog, IDC_TL_FILE, path, sizeof path);
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = filters;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = "Trovelink File";
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&ofn)) SetDlgItemTextA(dialog, IDC_TL_FILE, path);
}

static INT_PTR CALLBACK options_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    Options *o = (Options *) GetWindowLongPtrA(dialog, GWLP_USERDATA);
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, GWLP_USERDATA, lparam);
        center_window(dialog, GetWindow(dialog, GW_OWNER));
        show_options(dialog, (const Options *) lparam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            read_options(dialog, o);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        case IDC_BROWSE: on_browse(dialog); return TRUE;
        }
        break;
    case WM_CLOSE: EndDialog(dialog, 1); return TRUE;
    }
    return FALSE;
}

int options_dialog(HWND owner, Options *o)
{
    return (int) DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_OPTIONS), owner, options_proc,
                                 (LPARAM) o);
}

// A bookmark file newly chosen in the dialog may hold Trovelinks of its own:
// they are read into the list, so that the next save keeps them instead of
// writing the current list over them. 1 when the list may have changed.
static int take_in_chosen_file(AppState *app, const char *old_path)
{
    const char *path = app->options.tl_file;
    if (!path[0] || lstrcmpiA(path, old_path) == 0) return 0;
    uint32_t added = 0;
    if (session_merge_file(app, path, &added) != 1) return 0;
    apply_filter(app);
    size_t size = sizeof IMPORT_DONE_FORMAT + strlen(path) + 16;
    char *text = (char *) memAlloc(size);
    snprintf(text, size, IMPORT_DONE_FORMAT, (unsigned) added, path);
    status_message(app, text);
    memFree(text);
    return 1;
}

void on_options(AppState *app)
{
    Options before = app->options;
    if (options_dialog((HWND) app->main_window, &app->options) != 1) return;
    const Options *o = &app->options;
    if (app->tool_tips) SendMessageA((HWND) app->tool_tips, TTM_ACTIVATE, o->tooltips, 0);
    int filtered = take_in_chosen_file(app, before.tl_file);
    if (!filtered && (o->case_sens != before.case_sens || o->partial_match != before.partial_match))
        apply_filter(app);
}
