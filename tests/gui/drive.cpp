// Drives a running trovelinks.exe from outside, as a user would, for
// `make run` without a display:
//   tl_drive wait SECONDS   waits for the main window (exit 0 when it came)
//   tl_drive type TEXT      types TEXT into the filter box, key by key
//   tl_drive menu LETTER    opens the menu-bar menu with that mnemonic, as
//                           Alt+LETTER does
//   tl_drive escape         presses Escape (twice: a menu closes, then the
//                           menu bar lets go)
//   tl_drive properties     selects the list's first item and opens the
//                           Properties dialog on it (exit 0 when it came)
//   tl_drive cancel         cancels the dialog that is open
//   tl_drive close SECONDS  closes the window with its close command and
//                           waits until it is gone
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND main_window(void)
{
    return FindWindowA("TroveLinksFrame", NULL);
}

static int wait_for(int seconds, bool present)
{
    for (int waited = 0; waited < seconds * 10; waited++) {
        if ((main_window() != NULL) == present) return 0;
        Sleep(100);
    }
    return 1;
}

static int type_text(const char *text)
{
    HWND frame = main_window();
    HWND bar = frame ? FindWindowExA(frame, NULL, "ToolbarWindow32", NULL) : NULL;
    HWND box = bar ? FindWindowExA(bar, NULL, "Edit", NULL) : NULL;
    if (!box) return 1;
    SetForegroundWindow(frame);
    for (const char *p = text; *p; p++) {
        PostMessageA(box, WM_CHAR, (WPARAM) (unsigned char) *p, 1);
        Sleep(150);
    }
    return 0;
}

// Keys for the menu's own loop, which reads them from the queue.
static int press_escape(void)
{
    HWND frame = main_window();
    if (!frame) return 1;
    for (int i = 0; i < 2; i++) {
        PostMessageA(frame, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(frame, WM_KEYUP, VK_ESCAPE, (LPARAM) 0xC0000001u);
        Sleep(300);
    }
    return 0;
}

// Home in the list selects its first item; then the Properties command.
static int open_properties(void)
{
    HWND frame = main_window();
    HWND list = frame ? FindWindowExA(frame, NULL, "SysListView32", NULL) : NULL;
    if (!list) return 1;
    SetForegroundWindow(frame);
    PostMessageA(list, WM_KEYDOWN, VK_HOME, 1);
    PostMessageA(list, WM_KEYUP, VK_HOME, (LPARAM) 0xC0000001u);
    Sleep(300);
    PostMessageA(frame, WM_COMMAND, 40007, 0); // the Properties command
    for (int waited = 0; waited < 100; waited++) {
        HWND dialog = FindWindowA(NULL, "Trovelink Properties");
        if (dialog && IsWindowVisible(dialog)) return 0;
        Sleep(100);
    }
    return 1;
}

static int cancel_dialog(void)
{
    HWND frame = main_window();
    HWND popup = frame ? GetLastActivePopup(frame) : NULL;
    if (!popup || popup == frame) return 1;
    PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 2 && strcmp(argv[1], "properties") == 0) return open_properties();
    if (argc == 2 && strcmp(argv[1], "cancel") == 0) return cancel_dialog();
    if (argc == 3 && strcmp(argv[1], "menu") == 0) {
        HWND frame = main_window();
        if (!frame) return 1;
        SetForegroundWindow(frame);
        PostMessageA(frame, WM_SYSCOMMAND, SC_KEYMENU, (LPARAM) (unsigned char) argv[2][0]);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "escape") == 0) return press_escape();
    if (argc == 3 && strcmp(argv[1], "wait") == 0) return wait_for(atoi(argv[2]), true);
    if (argc == 3 && strcmp(argv[1], "type") == 0) return type_text(argv[2]);
    if (argc == 3 && strcmp(argv[1], "close") == 0) {
        HWND frame = main_window();
        if (!frame) return 1;
        PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        return wait_for(atoi(argv[2]), false);
    }
    fprintf(stderr,
            "usage: tl_drive wait SECONDS | type TEXT | menu LETTER | escape | properties | "
            "cancel | close SECONDS\n");
    return 2;
}
