// The About box: the logo, the version and a build line that Ctrl+B
// reveals, on the dialog or on its OK button.
#include <stdio.h>

#include "app/shell.h"
#include "res/resource.h"

static int is_ctrl_b(WPARAM key)
{
    return key == 'B' && GetKeyState(VK_CONTROL) < 0;
}

static void show_build_line(HWND dialog)
{
    ShowWindow(GetDlgItem(dialog, IDC_BUILD), SW_SHOW);
}

// The OK button's procedure while the box is open: it takes every key-down
// (so the button itself sees none) and shows the build line on Ctrl+B. The
// button's own procedure, kept in its user data, gets everything else.
static LRESULT CALLBACK ok_button_proc(HWND button, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_KEYDOWN) {
        if (is_ctrl_b(wparam)) show_build_line(GetParent(button));
        return 0;
    }
    WNDPROC previous = (WNDPROC) GetWindowLongPtrA(button, GWLP_USERDATA);
    return CallWindowProcA(previous, button, message, wparam, lparam);
}

// Fills the templates (read up to 256 bytes) of the version line (%d.%02d)
// and the build line (%s).
static void fill_version(HWND dialog)
{
    char pattern[256], text[300];
    GetDlgItemTextA(dialog, IDC_VERSION, pattern, sizeof pattern);
    snprintf(text, sizeof text, pattern, (int) (TL_VERSION / 100), (int) (TL_VERSION % 100));
    SetDlgItemTextA(dialog, IDC_VERSION, text);
    GetDlgItemTextA(dialog, IDC_BUILD, pattern, sizeof pattern);
    snprintf(text, sizeof text, pattern, g_build_text);
    SetDlgItemTextA(dialog, IDC_BUILD, text);
}

static void on_init(HWND dialog)
{
    HWND ok = GetDlgItem(dialog, IDOK);
    SetWindowLongPtrA(ok, GWLP_USERDATA, GetWindowLongPtrA(ok, GWLP_WNDPROC));
    SetWindowLongPtrA(ok, GWLP_WNDPROC, (LONG_PTR) ok_button_proc);
    center_window(dialog, GetWindow(dialog, GW_OWNER));
    ShowWindow(GetDlgItem(dialog, IDC_BUILD), SW_HIDE);
    fill_version(dialog);
    COLORMAP colours[2] = {{RGB(255, 255, 255), GetSysColor(COLOR_BTNFACE)},
                           {RGB(0, 0, 0), GetSysColor(COLOR_ACTIVECAPTION)}};
    HBITMAP logo = CreateMappedBitmap(g_instance, IDB_LOGO, 0, colours, 2);
    SetWindowLongPtrA(dialog, GWLP_USERDATA, (LONG_PTR) logo);
    SendDlgItemMessageA(dialog, IDC_LOGO, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM) logo);
}

static INT_PTR CALLBACK about_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    (void) lparam;
    switch (message) {
    case WM_INITDIALOG: on_init(dialog); return TRUE;
    case WM_KEYDOWN:
        if (is_ctrl_b(wparam)) show_build_line(dialog);
        return TRUE;
    case WM_COMMAND:
        // OK, and Escape as closing the window does.
        if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) EndDialog(dialog, 1);
        return TRUE;
    case WM_CLOSE: EndDialog(dialog, 1); return TRUE;
    case WM_DESTROY: DeleteObject((HBITMAP) GetWindowLongPtrA(dialog, GWLP_USERDATA)); return TRUE;
    }
    return FALSE;
}

void about_dialog(HWND owner)
{
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, about_proc, 0);
}
