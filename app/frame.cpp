// The main window: class "TroveLinksFrame", its window procedure (a short
// dispatch to one handler per message), the children it creates, the layout,
// the menus' states and help texts, the minute timer and the geometry kept
// at destroy.
#include "app/shell.h"
#include "checker/check_cycle.h"
#include "res/resource.h"

static const char FRAME_CLASS[] = "TroveLinksFrame";

static int on_create(AppState *app)
{
    HWND frame = (HWND) app->main_window;
    if (!create_list_view(app)) return 0;
    create_tool_bar(app);
    create_status_bar(app);
    create_filter_box(app);
    layout_children(app);
    UpdateWindow(frame);
    SetTimer(frame, IDT_MINUTE, 60000, NULL);
    return 1;
}

void layout_children(AppState *app)
{
    HWND frame = (HWND) app->main_window;
    RECT client, rect;
    GetClientRect(frame, &client);
    int width = client.right - client.left, height = client.bottom;
    LPARAM size = MAKELPARAM(width, height);
    SendMessageA((HWND) app->tool_bar, WM_SIZE, 0, size);
    SendMessageA((HWND) app->status_bar, WM_SIZE, 0, size);
    GetWindowRect((HWND) app->status_bar, &rect);
    int status_height = rect.bottom - rect.top;
    GetWindowRect((HWND) app->tool_bar, &rect);
    int toolbar_height = rect.bottom - rect.top;
    MoveWindow((HWND) app->list_view, 0, toolbar_height, width,
               height - status_height - toolbar_height, TRUE);
    int edges[2] = {width - 100, width};
    SendMessageA((HWND) app->status_bar, SB_SETPARTS, 2, (LPARAM) edges);
}

// The window's outer rectangle and the column widths into the Options. A
// minimized or maximized window keeps its restored rectangle, so that it
// comes back on screen at the next start.
static void store_geometry(AppState *app)
{
    HWND frame = (HWND) app->main_window;
    RECT rect;
    GetWindowRect(frame, &rect);
    WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if ((IsIconic(frame) || IsZoomed(frame)) && GetWindowPlacement(frame, &placement)) {
        // The placement is in work-area coordinates; the Options hold screen ones.
        RECT work = {0, 0, 0, 0};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        rect = placement.rcNormalPosition;
        OffsetRect(&rect, work.left, work.top);
    }
    Options *o = &app->options;
    o->frame_x = rect.left;
    o->frame_y = rect.top;
    o->frame_width = rect.right - rect.left;
    o->frame_height = rect.bottom - rect.top;
    o->col_width_0 = (int32_t) SendMessageA((HWND) app->list_view, LVM_GETCOLUMNWIDTH, 0, 0);
    o->col_width_1 = (int32_t) SendMessageA((HWND) app->list_view, LVM_GETCOLUMNWIDTH, 1, 0);
}

static void on_destroy(AppState *app)
{
    app->tool_tips = nullptr;
    store_geometry(app);
}

static void on_size(AppState *app, WPARAM kind)
{
    SendMessageA((HWND) app->status_bar, SB_SIMPLE, FALSE, 0);
    if (kind == SIZE_RESTORED || kind == SIZE_MAXIMIZED) layout_children(app);
}

// Menu items enabled, greyed and checked by the command-state rule. The
// window's own system menu is left to the system, which knows which of
// Restore, Move, Size, Minimize and Maximize apply.
static void on_init_menu_popup(AppState *app, HMENU menu, BOOL system_menu)
{
    if (system_menu) return;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        unsigned state = command_state(app, (int) GetMenuItemID(menu, i));
        EnableMenuItem(menu, (UINT) i,
                       MF_BYPOSITION | ((state & CMD_ENABLED) ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(menu, (UINT) i,
                      MF_BYPOSITION | ((state & CMD_CHECKED) ? MF_CHECKED : MF_UNCHECKED));
    }
}

// The help text of the highlighted menu item across the status bar.
static void on_menu_select(AppState *app, UINT item, UINT flags, HMENU menu)
{
    HWND bar = (HWND) app->status_bar;
    SendMessageA(bar, SB_SIMPLE, TRUE, 0);
    const char *text = "";
    int closing = flags == 0xFFFF && !menu;
    if (!closing && !(flags & (MF_POPUP | MF_SYSMENU))) text = load_help_text(app, item);
    SendMessageA(bar, SB_SETTEXTA, SB_SIMPLEID, (LPARAM) text);
}

static void on_timer(AppState *app, WPARAM id)
{
    if (id == IDT_MINUTE) check_minute_tick(app);
}

static LRESULT on_notify(AppState *app, NMHDR *header)
{
    if (header->hwndFrom == (HWND) app->list_view) return on_list_notify(app, header);
    if (header->code == TTN_GETDISPINFOA) on_tooltip_text(app, (NMTTDISPINFOA *) header);
    if (header->code == TTN_GETDISPINFOW) {
        // A control that speaks Unicode asks the same: the string-table text.
        NMTTDISPINFOW *info = (NMTTDISPINFOW *) header;
        info->hinst = g_instance;
        info->lpszText = MAKEINTRESOURCEW(info->hdr.idFrom);
    }
    return 0;
}

static LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    AppState *app = (AppState *) GetWindowLongPtrA(window, GWLP_USERDATA);
    if (!app) {
        if (message == WM_NCCREATE) {
            app = (AppState *) ((CREATESTRUCTA *) lparam)->lpCreateParams;
            app->main_window = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR) app);
        }
        return DefWindowProcA(window, message, wparam, lparam);
    }
    switch (message) {
    case WM_CREATE: return on_create(app) ? 0 : -1;
    case WM_CLOSE:
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    case WM_DESTROY: on_destroy(app); return 0;
    case WM_NCDESTROY:
        DeleteObject((HBITMAP) app->toolbar_bitmap);
        app->toolbar_bitmap = nullptr;
        app->status_images = nullptr; // the list view has destroyed it
        app->main_window = nullptr;
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        return 0;
    case WM_SIZE: on_size(app, wparam); return 0;
    case WM_SETFOCUS: SetFocus((HWND) app->filter_edit); return 0;
    case WM_SETTINGCHANGE: return 0;
    case WM_ENDSESSION:
        // The session ends without a quit message: save as the exit does.
        if (wparam) {
            store_geometry(app);
            tl_save_all(app);
        }
        return 0;
    case WM_COMMAND: on_command(app, LOWORD(wparam), (HWND) lparam, HIWORD(wparam)); return 0;
    case WM_NOTIFY: return on_notify(app, (NMHDR *) lparam);
    case WM_INITMENUPOPUP: on_init_menu_popup(app, (HMENU) wparam, HIWORD(lparam)); return 0;
    case WM_MENUSELECT:
        on_menu_select(app, LOWORD(wparam), HIWORD(wparam), (HMENU) lparam);
        return 0;
    case WM_EXITMENULOOP: SendMessageA((HWND) app->status_bar, SB_SIMPLE, FALSE, 0); return 0;
    case WM_TIMER: on_timer(app, wparam); return 0;
    case WM_CHECK_STATUS:
    case WM_CHECKER_IDLE: return on_checker_message(app, message, wparam, lparam);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int register_frame_class(HINSTANCE instance)
{
    WNDCLASSA wc;
    if (GetClassInfoA(instance, FRAME_CLASS, &wc)) return 1;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = frame_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TROVELINKS));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR) IDC_ARROW);
    wc.hbrBackground = (HBRUSH) (COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    wc.lpszClassName = FRAME_CLASS;
    return RegisterClassA(&wc) != 0;
}

HWND create_frame_window(AppState *app)
{
    const Options *o = &app->options;
    return CreateWindowExA(
        0, FRAME_CLASS, "Trovelinks", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
        o->frame_x, o->frame_y, o->frame_width, o->frame_height, NULL, NULL, g_instance, app);
}
