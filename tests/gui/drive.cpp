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

#include <string>

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

static int type_text(HWND frame, const char *text)
{
    HWND bar = FindWindowExA(frame, NULL, "ToolbarWindow32", NULL);
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
static int press_escape(HWND frame)
{
    for (int i = 0; i < 2; i++) {
        PostMessageA(frame, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(frame, WM_KEYUP, VK_ESCAPE, (LPARAM) 0xC0000001u);
        Sleep(300);
    }
    return 0;
}

// Home in the list selects its first item; then the Properties command.
static int open_properties(HWND frame)
{
    HWND list = FindWindowExA(frame, NULL, "SysListView32", NULL);
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

int main(int argc, char **argv)
{
    std::string what = argc > 1 ? argv[1] : "", arg = argc > 2 ? argv[2] : "";
    if (what == "wait") return wait_for(atoi(arg.c_str()), true);
    HWND frame = main_window();
    if (what == "type" && frame) return type_text(frame, arg.c_str());
    if (what == "escape" && frame) return press_escape(frame);
    if (what == "properties" && frame) return open_properties(frame);
    if (what == "menu" && frame) {
        SetForegroundWindow(frame);
        PostMessageA(frame, WM_SYSCOMMAND, SC_KEYMENU, (LPARAM) (unsigned char) arg[0]);
        return 0;
    }
    if (what == "cancel" && frame) { // the dialog that is open
        HWND popup = GetLastActivePopup(frame);
        if (popup == frame) return 1;
        PostMessageA(popup, WM_COMMAND, IDCANCEL, 0);
        return 0;
    }
    if (what == "close" && frame) {
        PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
        return wait_for(atoi(arg.c_str()), false);
    }
    if (!frame) return 1;
    fprintf(stderr,
            "usage: tl_drive wait SECONDS | type TEXT | menu LETTER | escape | properties | "
            "cancel | close SECONDS\n");
    return 2;
}
