// Status bar texts: parts set only when they change, the transient message
// and the command help texts from the string table.
#include <stdio.h>
#include <string.h>

#include "app/shell.h"
#include "core/os.h"
#include "core/utf8.h"

void status_set_part(AppState *app, int part, const char *text)
{
    HWND bar = (HWND) app->status_bar;
    if (!bar) return;
    char current[256];
    LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, (WPARAM) part, 0);
    current[0] = 0;
    if (LOWORD(length) < sizeof current)
        SendMessageA(bar, SB_GETTEXTA, (WPARAM) part, (LPARAM) current);
    // Cut to 255 bytes, but never inside a character.
    char cut[256];
    size_t n = utf8_cut(text, 255);
    memcpy(cut, text, n);
    cut[n] = 0;
    if (strcmp(current, cut) == 0) return;
    // The bar would repaint at once for each text set; with its redrawing
    // off it repaints once, with the window's next paint, for every text set
    // meanwhile (turning it off validates the whole bar, so the whole bar is
    // invalidated after).
    SendMessageA(bar, WM_SETREDRAW, FALSE, 0);
    SendMessageA(bar, SB_SETTEXTA, (WPARAM) part, (LPARAM) cut);
    SendMessageA(bar, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(bar, NULL, TRUE);
}

void status_line_update(AppState *app)
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

void status_deadline_soon(AppState *app)
{
    uint32_t deadline = os_tick_count() + 8000;
    // 0 and 0xFFFFFFFF mean "Ready shown" and "no deadline", never a moment.
    if (deadline == STATUS_READY_SHOWN) deadline = 1;
    if (deadline == STATUS_NO_DEADLINE) deadline--;
    app->status_deadline = deadline;
}

int status_deadline_passed(const AppState *app, uint32_t now)
{
    uint32_t deadline = app->status_deadline;
    if (deadline == STATUS_NO_DEADLINE) return 0;
    return deadline == STATUS_READY_SHOWN || os_tick_after(now, deadline);
}

void status_message(AppState *app, const char *text)
{
    status_set_part(app, 0, text);
    status_deadline_soon(app);
}

const char *load_help_text(AppState *app, UINT id)
{
    char *text = app->help_text;
    if (LoadStringA(g_instance, id, text, sizeof app->help_text) <= 0) text[0] = 0;
    return text;
}
