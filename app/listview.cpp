// The list of bookmarks: a report-style list view whose items the program
// keeps itself (owner data). Item i shows app->list_items[i]; its texts and
// status icon are given on request. The program's display orders make a
// refill or a re-sort of 100,000 items a walk over an array instead of as
// many insertions and locale comparisons.
#include <stdlib.h>
#include <string.h>

#include "app/shell.h"
#include "checker/check_cycle.h"
#include "core/mem.h"
#include "core/os.h"
#include "core/panic.h"
#include "search/filter.h"
#include "search/list_order.h"
#include "store/bookmark.h"
#include "res/resource.h"

static HWND list_of(AppState *app)
{
    return (HWND) app->list_view;
}

int create_list_view(AppState *app)
{
    HWND frame = (HWND) app->main_window;
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN | LVS_REPORT |
                                    LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                                0, 0, 0, 0, frame, (HMENU) (UINT_PTR) IDC_LIST, g_instance, NULL);
    if (!list) return 0;
    app->list_view = list;
    list_paint_off_screen(list);
    app->status_images = ImageList_LoadImageA(g_instance, MAKEINTRESOURCEA(IDB_STATUS), 9, 3,
                                              RGB(255, 255, 255), IMAGE_BITMAP, 0);
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM) app->status_images);

    LVCOLUMNA column;
    ZeroMemory(&column, sizeof column);
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = app->options.col_width_0;
    column.pszText = (LPSTR) "Title";
    column.iSubItem = 0;
    if (SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM) &column) == -1) return 0;
    column.cx = app->options.col_width_1;
    column.pszText = (LPSTR) "URL";
    column.iSubItem = 1;
    if (SendMessageA(list, LVM_INSERTCOLUMNA, 1, (LPARAM) &column) == -1) return 0;
    return 1;
}

Bookmark *list_bookmark(AppState *app, int index)
{
    if (!app->list_items || index < 0 || (uint32_t) index >= app->list_items->count) return nullptr;
    return vec_at<Bookmark>(app->list_items, (uint32_t) index);
}

int list_count(AppState *app)
{
    return (int) SendMessageA(list_of(app), LVM_GETITEMCOUNT, 0, 0);
}

int list_selected_count(AppState *app)
{
    return (int) SendMessageA(list_of(app), LVM_GETSELECTEDCOUNT, 0, 0);
}

int list_first_selected(AppState *app)
{
    return (int) SendMessageA(list_of(app), LVM_GETNEXTITEM, (WPARAM) -1, LVNI_SELECTED);
}

static void set_item_state(HWND list, int index, UINT state, UINT mask)
{
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, (WPARAM) index, (LPARAM) &item);
}

// The list sets a state for all items one item at a time, so a few selected
// items are cleared each by itself.
void list_deselect_all(AppState *app)
{
    HWND list = list_of(app);
    int selected = list_selected_count(app);
    if (selected == 0) return;
    if (selected > list_count(app) / 8) {
        set_item_state(list, -1, 0, LVIS_SELECTED);
        return;
    }
    for (int i = list_first_selected(app); i >= 0;
         i = (int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) i, LVNI_SELECTED))
        set_item_state(list, i, 0, LVIS_SELECTED);
}

void list_delete_item(AppState *app, int index)
{
    Bookmark *b = list_bookmark(app, index);
    if (!b) return;
    b->flags &= ~BM_LISTED;
    vec_remove(app->list_items, (uint32_t) index);
    check_cycle_rewind(app);
    SendMessageA(list_of(app), LVM_DELETEITEM, (WPARAM) index, 0);
}

void list_rebuild(AppState *app)
{
    HWND list = list_of(app);
    list_redraw_later(list);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, app->list_items->count, 0);
}

static int compare_address(vec_slot a, vec_slot b)
{
    return a < b ? -1 : a > b;
}

static int compare_slots(const void *a, const void *b)
{
    return compare_address(*(const vec_slot *) a, *(const vec_slot *) b);
}

void list_sort(AppState *app, int column)
{
    HWND list = list_of(app);
    // The selected Bookmarks (in address order, for look-up) and the focused one.
    vec *selected = vec_create();
    for (int i = list_first_selected(app); i >= 0;
         i = (int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) i, LVNI_SELECTED))
        vec_append(selected, list_bookmark(app, i));
    qsort(selected->items, selected->count, sizeof(vec_slot), compare_slots);
    Bookmark *focused =
        list_bookmark(app, (int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) -1, LVNI_FOCUSED));

    filter_sort(app, column);

    list_redraw_later(list);
    list_deselect_all(app);
    for (uint32_t i = 0; i < app->list_items->count && selected->count; i++) {
        uint32_t at;
        if (vecs_search(selected, app->list_items->items[i], &at, compare_address))
            set_item_state(list, (int) i, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focused) {
        uint32_t at = vec_search(app->list_items, focused);
        if (at != VEC_NONE) set_item_state(list, (int) at, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    vec_destroy(selected);
}

int CALLBACK lv_compare(LPARAM a, LPARAM b, LPARAM column)
{
    const Bookmark *x = (const Bookmark *) a, *y = (const Bookmark *) b;
    if (!x || !y) return 0;
    switch (column) {
    case 0: return lstrcmpiA(x->title, y->title);
    case 1: return lstrcmpiA(x->url, y->url);
    }
    panic("unknown sort type in lv_compare");
    return 0;
}

// Only the rows on screen are searched: an item scrolled out of sight is
// drawn afresh when it comes back, and a check cycle redraws one Bookmark
// per report, which a search of 100,000 items would make a long walk.
void refresh_bookmark_icon(AppState *app, Bookmark *b)
{
    if (!app->list_items || !(b->flags & BM_LISTED)) return;
    HWND list = list_of(app);
    uint32_t top = (uint32_t) SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
    uint32_t rows = (uint32_t) SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0) + 1; // and a part row
    uint32_t index = VEC_NONE;
    for (uint32_t i = top; i < app->list_items->count && i - top < rows && index == VEC_NONE; i++)
        if (vec_at<Bookmark>(app->list_items, i) == b) index = i;
    if (index == VEC_NONE) return;
    RECT rect;
    rect.left = LVIR_ICON;
    if (SendMessageA(list_of(app), LVM_GETITEMRECT, index, (LPARAM) &rect))
        InvalidateRect(list_of(app), &rect, FALSE);
}

uint32_t locale_sort_key(const char *text, unsigned char *key, uint32_t size)
{
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int n = LCMapStringA(LOCALE_USER_DEFAULT, flags, text, -1, (LPSTR) key, (int) size);
    if (n <= 0) n = LCMapStringA(LOCALE_USER_DEFAULT, flags, text, -1, NULL, 0);
    return n > 0 ? (uint32_t) n : 0;
}

void list_use_locale_order(AppState *app)
{
    list_order_use_keys(app->list_order, locale_sort_key);
}

// ---- Notifications -----------------------------------------------------------

static void on_get_display_info(AppState *app, NMLVDISPINFOA *info, int wide)
{
    LVITEMA *item = &info->item;
    Bookmark *b = list_bookmark(app, item->iItem);
    if (!b) return;
    if (item->mask & LVIF_TEXT) {
        const char *text = item->iSubItem == 1 ? b->url : b->title;
        if (!wide) {
            item->pszText = (LPSTR) text;
        } else if (item->pszText && item->cchTextMax > 0) {
            LPWSTR out = (LPWSTR) item->pszText;
            int n = MultiByteToWideChar(CP_ACP, 0, text, -1, out, item->cchTextMax);
            if (n == 0) out[item->cchTextMax - 1] = 0;
        }
    }
    if (item->mask & LVIF_IMAGE)
        item->iImage = list_draws_icons(list_of(app)) ? LIST_ICON_DRAWN_LATER : status_icon(b);
    if (item->mask & LVIF_PARAM) item->lParam = (LPARAM) b;
}

// Type-ahead in the list: the first item from start on (wrapping around when
// asked to) whose title begins with the typed text, ignoring case.
static int find_item(AppState *app, int start, const char *text, UINT flags)
{
    int count = (int) app->list_items->count;
    if (count == 0) return -1;
    int n = (int) strlen(text);
    if (start < 0 || start >= count) start = 0;
    int steps = (flags & LVFI_WRAP) ? count : count - start;
    for (int k = 0; k < steps; k++) {
        int i = (start + k) % count;
        const char *title = list_bookmark(app, i)->title;
        int exact = !(flags & (LVFI_PARTIAL));
        int m = exact ? -1 : (int) strnlen(title, (size_t) n);
        if (!exact && m < n) continue;
        if (CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, title, m, text, exact ? -1 : n) ==
            CSTR_EQUAL)
            return i;
    }
    return -1;
}

static LRESULT on_find_item(AppState *app, NMLVFINDITEMA *find, int wide)
{
    if (!(find->lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find->lvfi.psz) return -1;
    if (!wide) return find_item(app, find->iStart, find->lvfi.psz, find->lvfi.flags);
    char text[256];
    if (!WideCharToMultiByte(CP_ACP, 0, (LPCWSTR) find->lvfi.psz, -1, text, sizeof text, NULL,
                             NULL))
        return -1;
    return find_item(app, find->iStart, text, find->lvfi.flags);
}

static void open_item(AppState *app, int index)
{
    Bookmark *b = list_bookmark(app, index);
    if (b) open_bookmark(app, b);
}

// The list item under the position of the message being handled, or -1.
static int item_at_message_position(AppState *app, POINT *screen)
{
    DWORD where = GetMessagePos();
    screen->x = (short) LOWORD(where);
    screen->y = (short) HIWORD(where);
    LVHITTESTINFO hit;
    ZeroMemory(&hit, sizeof hit);
    hit.pt = *screen;
    ScreenToClient(list_of(app), &hit.pt);
    int index = (int) SendMessageA(list_of(app), LVM_HITTEST, 0, (LPARAM) &hit);
    return (hit.flags & LVHT_ONITEM) ? index : -1;
}

static void on_right_click(AppState *app)
{
    POINT screen;
    int index = item_at_message_position(app, &screen);
    if (index < 0) return;
    HWND list = list_of(app);
    int selected;
    if (!(SendMessageA(list, LVM_GETITEMSTATE, (WPARAM) index, LVIS_SELECTED) & LVIS_SELECTED)) {
        list_deselect_all(app);
        set_item_state(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        selected = 1;
    } else {
        selected = list_selected_count(app);
    }
    HMENU menu = CreatePopupMenu();
    if (selected < 2) {
        AppendMenuA(menu, MF_STRING, IDM_OPEN, "&Open");
        AppendMenuA(menu, MF_STRING, IDM_EXPORT, "&Export...");
        AppendMenuA(menu, MF_STRING, IDM_DELETE, "&Delete");
        AppendMenuA(menu, MF_STRING, IDM_MARK_VISITED, "&Mark Visited");
        AppendMenuA(menu, MF_STRING, IDM_COPY_URL, "&Copy URL to Clipboard");
        AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
        AppendMenuA(menu, MF_STRING, IDM_PROPERTIES, "&Properties...");
    } else {
        AppendMenuA(menu, MF_STRING, IDM_DELETE, "&Delete");
        AppendMenuA(menu, MF_STRING, IDM_EXPORT, "&Export...");
        AppendMenuA(menu, MF_STRING, IDM_MARK_VISITED, "&Mark Visited");
    }
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0,
                   (HWND) app->main_window, NULL);
    DestroyMenu(menu);
}

LRESULT on_list_notify(AppState *app, NMHDR *header)
{
    switch (header->code) {
    case LVN_GETDISPINFOA:
    case LVN_GETDISPINFOW:
        on_get_display_info(app, (NMLVDISPINFOA *) header, header->code == LVN_GETDISPINFOW);
        return 0;
    case LVN_DELETEALLITEMS:
        return TRUE; // no LVN_DELETEITEM for each item: they hold nothing to free
    case LVN_ODFINDITEMA:
    case LVN_ODFINDITEMW:
        return on_find_item(app, (NMLVFINDITEMA *) header, header->code == LVN_ODFINDITEMW);
    case LVN_KEYDOWN:
        if (((NMLVKEYDOWN *) header)->wVKey == VK_DELETE && list_selected_count(app) > 0)
            on_command(app, IDM_DELETE, NULL, 0);
        return 0;
    case LVN_COLUMNCLICK: list_sort(app, ((NMLISTVIEW *) header)->iSubItem); return 0;
    case NM_RETURN:
        open_item(app,
                  (int) SendMessageA(list_of(app), LVM_GETNEXTITEM, (WPARAM) -1, LVNI_FOCUSED));
        return 0;
    case NM_DBLCLK: {
        POINT screen;
        open_item(app, item_at_message_position(app, &screen));
        return 0;
    }
    case NM_RCLICK: on_right_click(app); return 0;
    }
    return 0;
}
