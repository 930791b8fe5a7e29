// The main loop: the keyboard pre-filter (Tab between filter box and list,
// Escape empties the box), the accelerator keys, and the idle work that keeps
// the status bar and the toolbar current.
#include <stdio.h>

#include "app/shell.h"
#include "core/os.h"
#include "res/resource.h"

int pre_filter(AppState *app, const MSG *msg)
{
    HWND focus = GetFocus(), box = (HWND) app->filter_edit, list = (HWND) app->list_view;
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
        if (focus == box && box) {
            SetFocus(list);
            return 1;
        }
        if (focus == list && list) {
            SetFocus(box);
            return 1;
        }
        return 0;
    }
    if (msg->wParam == VK_ESCAPE && focus == box && box) {
        if (msg->message == WM_KEYDOWN) {
            // The box's change notification then refreshes the filter.
            SetWindowTextA(box, "");
            return 1;
        }
        if (msg->message == WM_KEYUP) return 1;
    }
    return 0;
}

static void update_status_line(AppState *app)
{
    if (app->search_error) {
        status_set_part(app, 0, "Search expression error");
        status_set_part(app, 1, "Trovelinks ???");
        app->shown_count = SHOWN_COUNT_INVALID;
        return;
    }
    int n = list_count(app);
    if (n != app->shown_count) {
        char text[32];
        if (n == 0)
            snprintf(text, sizeof text, "No Trovelinks");
        else
            snprintf(text, sizeof text, "%d Trovelink%s", n, n > 1 ? "s" : "");
        status_set_part(app, 1, text);
        app->shown_count = n;
    }
    if (status_deadline_passed(app, os_tick_count())) {
        status_set_part(app, 0, "Ready");
        app->status_deadline = STATUS_READY_SHOWN;
    }
}

void idle_work(AppState *app)
{
    if (!app->main_window) return;
    update_status_line(app);
    update_toolbar_states(app);
}

int run_message_loop(AppState *app)
{
    g_accelerators = LoadAcceleratorsA(g_instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG msg;
    ZeroMemory(&msg, sizeof msg);
    for (;;) {
        // The Unicode forms: a typed character reaches the filter box (a
        // Unicode control) as it is, without a round trip through the code
        // page's bytes; windows of the ANSI forms get it converted.
        BOOL got = GetMessageW(&msg, NULL, 0, 0);
        if (got == 0 || got == -1) break;
        if (!pre_filter(app, &msg) && app->main_window) {
            if (!TranslateAcceleratorW((HWND) app->main_window, g_accelerators, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        MSG peek;
        if (!GetCapture() && !PeekMessageW(&peek, NULL, 0, 0, PM_NOREMOVE)) idle_work(app);
    }
    return (int) msg.wParam;
}
