// How the list view reaches the screen.
//
// It paints through a picture of its own: every paint is drawn into a
// device-independent bitmap off screen, erased background first, and copied
// onto the window in one step. The window never shows half-drawn rows, and
// the rows' status icons are drawn into memory: under Wine an icon drawn
// onto a window asks the display for its colour depth, twice, at a cost that
// outweighs the drawing.
//
// The rows' status icons are copied from pictures made once per image and
// state: the list view would draw each through the image list, which under
// Wine costs a third of the rows' paint. While the rows are painted through
// the picture, the items give an image index the image list does not hold,
// so the list view lays each row out with its icon's place and draws nothing
// there; the icons are copied in after the rows.
//
// After a refill its redrawing comes back on when the messages queued before
// it have been handled: turning it on redraws the scroll bar (twice, under
// Wine), so keystrokes that arrive together refill the list each and redraw
// it once, and the keystroke's own handling ends with the list's contents.
#include "app/shell.h"
#include "core/mem.h"
#include "res/resource.h"

// The status icons as the list view draws them, one cell per image and
// state (unselected, selected while the list has the focus), made on first
// use; made again when the icon size, the number of images or the colours
// they are drawn with change.
struct IconCells {
    HDC dc;              // null until the first icon
    HBITMAP bitmap;      // cells side by side, width x height each
    HGDIOBJ original;    // the bitmap dc came with
    int width, height;   // of a cell: the item's icon place
    int count;           // images in the list
    COLORREF background; // the list's
    COLORREF highlight;  // the selected icons are blended with it
    unsigned char *made; // per cell: drawn already
};

struct ListPaint {
    WNDPROC previous;  // the list view's own procedure
    HDC dc;            // memory DC holding bitmap; null until the first paint
    HBITMAP bitmap;    // the off-screen picture, width x height pixels
    HGDIOBJ original;  // the bitmap dc came with
    int width, height; // of bitmap
    int painting;      // inside BeginPaint: its background erase is ours
    int redraw_posted; // redrawing is off, and WM_LIST_REDRAW is on its way
    int header_stale;  // the header had a paint pending when redrawing went off
    int rows;          // the rows are being painted through the picture
    IconCells icons;
};

static ListPaint *paint_of(HWND list)
{
    return (ListPaint *) GetWindowLongPtrA(list, GWLP_USERDATA);
}

static void release_bitmap(ListPaint *p)
{
    if (!p->dc) return;
    SelectObject(p->dc, p->original);
    DeleteObject(p->bitmap);
    DeleteDC(p->dc);
    p->dc = NULL;
}

// Frees what of the cells was made, also when their making stopped half-way.
static void release_icons(IconCells *c)
{
    if (c->original) SelectObject(c->dc, c->original);
    if (c->bitmap) DeleteObject(c->bitmap);
    if (c->dc) DeleteDC(c->dc);
    memFree(c->made);
    ZeroMemory(c, sizeof *c);
}

// The cells for the icons of images, width x height each, in the list's
// colours, or null when none can be made.
static IconCells *icon_cells(HWND list, ListPaint *p, HDC dc, HIMAGELIST images, int width,
                             int height)
{
    IconCells *c = &p->icons;
    int count = ImageList_GetImageCount(images);
    COLORREF background = (COLORREF) SendMessageA(list, LVM_GETBKCOLOR, 0, 0);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    if (c->dc && c->width == width && c->height == height && c->count == count &&
        c->background == background && c->highlight == highlight)
        return c;
    release_icons(c);
    if (count <= 0 || width <= 0 || height <= 0) return NULL;
    c->dc = CreateCompatibleDC(dc);
    c->bitmap = c->dc ? CreateCompatibleBitmap(dc, width * count * 2, height) : NULL;
    c->made = (unsigned char *) memAlloc((uint32_t) count * 2);
    if (!c->bitmap) {
        release_icons(c);
        return NULL;
    }
    ZeroMemory(c->made, (size_t) count * 2);
    c->original = SelectObject(c->dc, c->bitmap);
    c->width = width;
    c->height = height;
    c->count = count;
    c->background = background;
    c->highlight = highlight;
    return c;
}

int list_draws_icons(HWND list)
{
    ListPaint *p = paint_of(list);
    return p && p->rows;
}

// Copies the icon of image onto dc at place from its cell, drawn into the
// cell first as the list view draws it: over the list's background, blended
// with the highlight colour when selected.
static void copy_icon(IconCells *c, HIMAGELIST images, HDC dc, const RECT &place, int image,
                      int selected)
{
    int cell = image * 2 + selected;
    if (!c->made[cell]) {
        RECT area = {cell * c->width, 0, (cell + 1) * c->width, c->height};
        HBRUSH brush = CreateSolidBrush(c->background);
        FillRect(c->dc, &area, brush);
        DeleteObject(brush);
        ImageList_DrawEx(images, image, c->dc, area.left, 0, c->width, c->height, c->background,
                         CLR_DEFAULT, selected ? ILD_SELECTED : ILD_NORMAL);
        c->made[cell] = 1;
    }
    BitBlt(dc, place.left, place.top, c->width, c->height, c->dc, cell * c->width, 0, SRCCOPY);
}

// The status icons of the rows that meet area, drawn onto dc after the list
// view has drawn the rows without them.
static void draw_icons(HWND list, ListPaint *p, HDC dc, const RECT *area)
{
    HIMAGELIST images = (HIMAGELIST) SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    int count = (int) SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    int top = (int) SendMessageA(list, LVM_GETTOPINDEX, 0, 0);
    int rows = (int) SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0) + 2; // and part rows
    // The list view blends a selected item's icon with the highlight colour
    // while it has the focus.
    int focused = GetFocus() == list;
    IconCells *c = NULL;
    for (int i = top < 0 ? 0 : top; images && i < count && i < top + rows; i++) {
        RECT place;
        place.left = LVIR_ICON;
        LVITEMA item;
        ZeroMemory(&item, sizeof item);
        item.mask = LVIF_IMAGE | LVIF_STATE;
        item.stateMask = LVIS_SELECTED;
        item.iItem = i;
        if (!SendMessageA(list, LVM_GETITEMRECT, (WPARAM) i, (LPARAM) &place) ||
            place.top >= area->bottom || place.bottom <= area->top ||
            !SendMessageA(list, LVM_GETITEMA, 0, (LPARAM) &item) || item.iImage < 0)
            continue;
        int selected = focused && (item.state & LVIS_SELECTED);
        if (!c) c = icon_cells(list, p, dc, images, place.right - place.left,
                               place.bottom - place.top);
        if (c && item.iImage < c->count)
            copy_icon(c, images, dc, place, item.iImage, selected);
        else
            ImageList_DrawEx(images, item.iImage, dc, place.left, place.top,
                             place.right - place.left, place.bottom - place.top,
                             (COLORREF) SendMessageA(list, LVM_GETBKCOLOR, 0, 0), CLR_DEFAULT,
                             selected ? ILD_SELECTED : ILD_NORMAL);
    }
}

// The memory DC with a bitmap of at least width x height, or null when none
// can be made (the paint then goes to the window directly).
static HDC buffer_for(ListPaint *p, HDC window_dc, int width, int height)
{
    if (p->dc && p->width >= width && p->height >= height) return p->dc;
    release_bitmap(p);
    BITMAPINFO info;
    ZeroMemory(&info, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = NULL;
    HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC dc = bitmap ? CreateCompatibleDC(window_dc) : NULL;
    if (!dc) {
        if (bitmap) DeleteObject(bitmap);
        return NULL;
    }
    p->dc = dc;
    p->bitmap = bitmap;
    p->original = SelectObject(dc, bitmap);
    p->width = width;
    p->height = height;
    return dc;
}

static void paint(HWND list, ListPaint *p)
{
    PAINTSTRUCT ps;
    p->painting = 1;
    HDC dc = BeginPaint(list, &ps);
    p->painting = 0;
    if (!dc) return;
    RECT client, area = ps.rcPaint;
    GetClientRect(list, &client);
    IntersectRect(&area, &area, &client);
    if (!IsRectEmpty(&area)) {
        HDC target = buffer_for(p, dc, client.right, client.bottom);
        if (target) {
            HRGN clip = CreateRectRgnIndirect(&area);
            SelectClipRgn(target, clip);
            DeleteObject(clip);
        } else {
            target = dc;
        }
        CallWindowProcA(p->previous, list, WM_ERASEBKGND, (WPARAM) target, 0);
        p->rows = 1;
        CallWindowProcA(p->previous, list, WM_PAINT, (WPARAM) target, 0);
        p->rows = 0;
        draw_icons(list, p, target, &area);
        if (target != dc) {
            BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, target,
                   area.left, area.top, SRCCOPY);
            SelectClipRgn(target, NULL);
        }
    }
    EndPaint(list, &ps);
}

// Redrawing back on: the list view sets its scroll bars anew and draws the
// vertical one at once, twice over under Wine. Marked invisible meanwhile,
// as the system's own handling of WM_SETREDRAW marks a window, it draws
// nothing; the window's next paint draws the bar once, with the rows (and
// the header when the bar's coming or going resized it, or when it had a
// paint pending).
static void redraw_on(HWND list, ListPaint *p)
{
    HWND header = (HWND) SendMessageA(list, LVM_GETHEADER, 0, 0);
    RECT before, after;
    GetWindowRect(header, &before);
    DefWindowProcA(list, WM_SETREDRAW, FALSE, 0);
    CallWindowProcA(p->previous, list, WM_SETREDRAW, TRUE, 0);
    DefWindowProcA(list, WM_SETREDRAW, TRUE, 0);
    GetWindowRect(header, &after);
    UINT children =
        EqualRect(&before, &after) && !p->header_stale ? RDW_NOCHILDREN : RDW_ALLCHILDREN;
    p->header_stale = 0;
    RedrawWindow(list, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | children);
}

static LRESULT CALLBACK list_proc(HWND list, UINT message, WPARAM wparam, LPARAM lparam)
{
    ListPaint *p = paint_of(list);
    WNDPROC previous = p->previous;
    switch (message) {
    case WM_PAINT:
        if (wparam) break; // a DC of the caller's: painted as asked
        paint(list, p);
        return 0;
    case WM_ERASEBKGND:
        if (p->painting) return 1; // erased in the picture, with the paint
        break;
    case WM_SETREDRAW:
        if (wparam) p->redraw_posted = 0;
        break;
    case WM_LIST_REDRAW:
        if (p->redraw_posted) {
            p->redraw_posted = 0;
            redraw_on(list, p);
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR) previous);
        SetWindowLongPtrA(list, GWLP_USERDATA, 0);
        release_bitmap(p);
        release_icons(&p->icons);
        memFree(p);
        break;
    }
    return CallWindowProcA(previous, list, message, wparam, lparam);
}

void list_redraw_later(HWND list)
{
    ListPaint *p = paint_of(list);
    if (!p || p->redraw_posted) return;
    // Turning redrawing off drops the paints the header has pending (the
    // first one after the window comes up, a clicked column's): the header
    // is then drawn again when redrawing comes back on.
    HWND header = (HWND) SendMessageA(list, LVM_GETHEADER, 0, 0);
    if (GetUpdateRect(header, NULL, FALSE)) p->header_stale = 1;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    if (PostMessageA(list, WM_LIST_REDRAW, 0, 0))
        p->redraw_posted = 1;
    else
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
}

void list_paint_off_screen(HWND list)
{
    ListPaint *p = (ListPaint *) memAlloc(sizeof(ListPaint));
    ZeroMemory(p, sizeof *p);
    p->previous = (WNDPROC) GetWindowLongPtrA(list, GWLP_WNDPROC);
    SetWindowLongPtrA(list, GWLP_USERDATA, (LONG_PTR) p);
    SetWindowLongPtrA(list, GWLP_WNDPROC, (LONG_PTR) list_proc);
}
