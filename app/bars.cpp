// The toolbar with its four buttons and the filter box on its wide
// separator, the toolbar's tooltips, and the two-part status bar.
#include "app/shell.h"
#include "res/resource.h"

static const int FILTER_WIDTH = 250;

int create_tool_bar(AppState *app)
{
    HWND frame = (HWND) app->main_window;
    COLORMAP grey = {RGB(192, 192, 192), GetSysColor(COLOR_BTNFACE)};
    HBITMAP bitmap = CreateMappedBitmap(g_instance, IDB_TOOLBAR, 0, &grey, 1);
    app->toolbar_bitmap = bitmap;

    TBBUTTON buttons[8];
    ZeroMemory(buttons, sizeof buttons);
    static const struct {
        int image;
        int command;
        BYTE style;
    } layout[8] = {
        {-1, 0, TBSTYLE_SEP},
        {FILTER_WIDTH, IDC_FILTER, TBSTYLE_SEP},
        {-1, 0, TBSTYLE_SEP},
        {0, IDM_FAST_ADD, TBSTYLE_BUTTON},
        {1, IDM_ADD, TBSTYLE_BUTTON},
        {2, IDM_PROPERTIES, TBSTYLE_BUTTON},
        {3, IDM_DELETE, TBSTYLE_BUTTON},
        {-1, 0, TBSTYLE_SEP},
    };
    for (int i = 0; i < 8; i++) {
        buttons[i].iBitmap = layout[i].image;
        buttons[i].idCommand = layout[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = layout[i].style;
    }
    HWND bar =
        CreateToolbarEx(frame, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR, 4, NULL,
                        (UINT_PTR) bitmap, buttons, 8, 16, 15, 16, 15, sizeof(TBBUTTON));
    app->tool_bar = bar;
    app->tool_tips = (void *) SendMessageA(bar, TB_GETTOOLTIPS, 0, 0);
    if (app->tool_tips && !app->options.tooltips)
        SendMessageA((HWND) app->tool_tips, TTM_ACTIVATE, FALSE, 0);
    return bar != NULL;
}

int create_status_bar(AppState *app)
{
    HWND bar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, "",
                                   (HWND) app->main_window, IDC_STATUS_BAR);
    app->status_bar = bar;
    int edges[2] = {-1, -1};
    SendMessageA(bar, SB_SETPARTS, 2, (LPARAM) edges);
    SendMessageA(bar, SB_SIMPLE, FALSE, 0);
    return bar != NULL;
}

int create_filter_box(AppState *app)
{
    HWND frame = (HWND) app->main_window, bar = (HWND) app->tool_bar;
    // A Unicode control: it keeps its text and counts its selection in
    // UTF-16 on every system, which apply_filter converts.
    HWND edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0,
                        0, 0, 0, frame, (HMENU) (UINT_PTR) IDC_FILTER, g_instance, NULL);
    app->filter_edit = edit;
    if (!edit) return 0;
    if (app->tool_tips) {
        TOOLINFOA tool;
        ZeroMemory(&tool, sizeof tool);
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_CENTERTIP | TTF_SUBCLASS;
        tool.hwnd = frame;
        tool.uId = (UINT_PTR) edit;
        tool.hinst = g_instance;
        tool.lpszText = (LPSTR) "Search Filter";
        SendMessageA((HWND) app->tool_tips, TTM_ADDTOOLA, 0, (LPARAM) &tool);
    }
    RECT place = {0, 0, FILTER_WIDTH, 22};
    LRESULT index = SendMessageA(bar, TB_COMMANDTOINDEX, IDC_FILTER, 0);
    SendMessageA(bar, TB_GETITEMRECT, (WPARAM) index, (LPARAM) &place);
    SetParent(edit, bar);
    SendMessageA(edit, WM_SETFONT, (WPARAM) app->ui_font, TRUE);
    MoveWindow(edit, place.left, place.top, place.right - place.left, place.bottom - place.top,
               TRUE);
    return 1;
}

void update_toolbar_states(AppState *app)
{
    HWND bar = (HWND) app->tool_bar;
    if (!bar) return;
    int count = (int) SendMessageA(bar, TB_BUTTONCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        TBBUTTON button;
        if (!SendMessageA(bar, TB_GETBUTTON, (WPARAM) i, (LPARAM) &button)) continue;
        if (button.fsStyle & TBSTYLE_SEP) continue;
        unsigned state = command_state(app, button.idCommand);
        BYTE wanted = 0;
        if (state & CMD_ENABLED) wanted |= TBSTATE_ENABLED;
        if (state & CMD_CHECKED) wanted |= TBSTATE_CHECKED;
        if (state & CMD_INDETERMINATE) wanted |= TBSTATE_INDETERMINATE;
        // Set only on a change: every change repaints the button, and the
        // idle pass runs after every message.
        if (button.fsState != wanted)
            SendMessageA(bar, TB_SETSTATE, (WPARAM) button.idCommand, MAKELPARAM(wanted, 0));
    }
}

void on_tooltip_text(AppState *app, NMTTDISPINFOA *info)
{
    (void) app;
    // A toolbar button's tip is the help text of its command.
    info->hinst = g_instance;
    info->lpszText = MAKEINTRESOURCEA(info->hdr.idFrom);
}
