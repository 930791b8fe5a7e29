// Helpers every dialog uses, the scope chooser that asks whether a command
// applies to all Trovelinks or to the selected ones, and the folder chooser.
#include <stdio.h>

#include "app/shell.h"
#include "core/dupstr.h"
#include "res/resource.h"

#include <shlobj.h>

void center_window(HWND window, HWND reference)
{
    RECT work, target, own;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    if (!reference || !GetWindowRect(reference, &target)) target = work;
    GetWindowRect(window, &own);
    int width = own.right - own.left, height = own.bottom - own.top;
    int left = (target.left + target.right) / 2 - width / 2;
    int top = (target.top + target.bottom) / 2 - height / 2;
    if (left < 0)
        left = 0;
    else if (left + width > work.right)
        left = work.right - width;
    if (top < 0)
        top = 0;
    else if (top + height > work.bottom)
        top = work.bottom - height;
    SetWindowPos(window, NULL, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// Replaces the text of window (a template with one %s) by the template
// filled with verb.
static void fill_text(HWND window, const char *verb)
{
    char pattern[256], text[512];
    GetWindowTextA(window, pattern, sizeof pattern);
    snprintf(text, sizeof text, pattern, verb);
    SetWindowTextA(window, text);
}

static INT_PTR CALLBACK scope_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        const char *verb = (const char *) lparam;
        center_window(dialog, GetWindow(dialog, GW_OWNER));
        fill_text(dialog, verb);
        fill_text(GetDlgItem(dialog, IDC_SCOPE_ALL), verb);
        fill_text(GetDlgItem(dialog, IDC_SCOPE_SELECTED), verb);
        CheckDlgButton(dialog, IDC_SCOPE_SELECTED, BST_CHECKED);
        SendDlgItemMessageA(dialog, IDC_SCOPE_ICON, STM_SETICON,
                            (WPARAM) LoadIconA(NULL, (LPCSTR) IDI_QUESTION), 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            EndDialog(dialog, IsDlgButtonChecked(dialog, IDC_SCOPE_SELECTED) ? 2 : 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        }
        break;
    case WM_CLOSE: EndDialog(dialog, 0); return TRUE;
    }
    return FALSE;
}

int scope_dialog(HWND owner, const char *verb)
{
    INT_PTR result =
        DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_SCOPE), owner, scope_proc, (LPARAM) verb);
    return result == 1 || result == 2 ? (int) result : 0;
}

// Selects the folder to preselect (data: its path) once the browser is up.
static int CALLBACK preselect_folder(HWND browser, UINT message, LPARAM lparam, LPARAM data)
{
    (void) lparam;
    if (message == BFFM_INITIALIZED && data) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

char *dir_pick(HWND owner, const char *prompt, const char *folder)
{
    IMalloc *allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator) return nullptr;
    char name[MAX_PATH];
    BROWSEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.hwndOwner = owner;
    info.pidlRoot = NULL; // the desktop
    info.pszDisplayName = name;
    info.lpszTitle = prompt;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = preselect_folder;
    info.lParam = (LPARAM) folder;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    char *path = nullptr;
    if (chosen) {
        char buffer[MAX_PATH];
        if (SHGetPathFromIDListA(chosen, buffer)) path = dupstr(buffer);
        allocator->Free(chosen);
    }
    allocator->Release();
    return path;
}
