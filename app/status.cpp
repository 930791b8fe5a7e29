// Status bar texts: parts set only when they change, the transient message
// and the command help texts from the string table.
#include <string.h>

#include "app/shell.h"
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

void status_message(AppState *app, const char *text)
{
    status_set_part(app, 0, text);
    app->status_deadline = GetTickCount() + 8000;
}

const char *load_help_text(UINT id)
{
    static char text[256];
    if (LoadStringA(g_instance, id, text, sizeof text) <= 0) text[0] = 0;
    return text;
}
