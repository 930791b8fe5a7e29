// Status bar texts: parts set only when they change, the transient message
// and the command help texts from the string table.
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
    if (strcmp(current, cut) != 0) SendMessageA(bar, SB_SETTEXTA, (WPARAM) part, (LPARAM) cut);
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
