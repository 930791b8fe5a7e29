// The main window with a prepared bookmark file: the list's items and texts,
// typing into the filter box, the status parts, sorting, the status icons.
#include "gui_harness.h"
#include "core/os.h"
#include "res/resource.h"
#include "store/bookmark.h"
#include "store/bookmark_status.h"

// What window's rect shows on screen, row by row: its client area, or with
// whole its frame and scroll bars too.
static std::vector<COLORREF> pixels(HWND window, const RECT &rect, bool whole = false)
{
    HDC dc = whole ? GetWindowDC(window) : GetDC(window);
    std::vector<COLORREF> v;
    for (int y = rect.top; y < rect.bottom; y++)
        for (int x = rect.left; x < rect.right; x++)
            v.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return v;
}

// Pixels of window's rect that differ from its bottom right one: text drawn.
static int ink(HWND window, const RECT &rect)
{
    std::vector<COLORREF> v = pixels(window, rect);
    int n = 0;
    for (COLORREF c : v)
        n += c != v.back();
    return n;
}

static uint32_t fake_tick;
static uint32_t read_fake_tick(void)
{
    return fake_tick;
}

// The filter's decisions are tested on the application record
// (search_filter_test); here their wiring: the box's text and caret in, the
// list, the hint and the item count out, a list left alone when its set
// stays the same. A refill clears the selection and focus and draws the
// list, its scroll bar and the status bar once the queued messages are
// handled. Texts beyond ASCII (the program runs in the UTF-8 code page): the
// list shows the file's UTF-8 bytes as they are, capitals find lower case,
// and the caret (counted by the box in UTF-16) picks the hint's word. Then
// the keys of the main loop, the transient message's time and the status
// icons.
// The list's rows below its header, as the window shows them (on_screen) or
// as the list view paints them itself into a bitmap of the test's.
static std::vector<uint32_t> drawn_rows(HWND list, bool on_screen)
{
    RECT client, header;
    GetClientRect(list, &client);
    GetWindowRect((HWND) SendMessageA(list, LVM_GETHEADER, 0, 0), &header);
    LONG top = header.bottom - header.top, width = client.right;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof info.bmiHeader, width, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC window = GetDC(list), memory = CreateCompatibleDC(window);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ original = SelectObject(memory, bitmap);
    if (on_screen) {
        BitBlt(memory, 0, 0, width, client.bottom, window, 0, 0, SRCCOPY);
    } else {
        SendMessageA(list, WM_ERASEBKGND, (WPARAM) memory, 0);
        SendMessageA(list, WM_PAINT, (WPARAM) memory, 0);
    }
    GdiFlush();
    const uint32_t *pixel = (const uint32_t *) bits;
    std::vector<uint32_t> rows(pixel + top * width, pixel + client.bottom * width);
    SelectObject(memory, original);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(list, window);
    return rows;
}

TEST_F(Gui, TheListAndTheStatusBarFollowTheFilterBox)
{
    const char *moskva = "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"; // Москва
    std::string news = std::string(moskva) + " news", cafe = "Caf\xc3\xa9 M\xc3\xbcller";
    std::vector<Entry> entries = {{"http://p.example/", "Chess Openings Guide", "chess openings"},
                                  {"http://q.example/", "Chessboard Shop", "chessboard"},
                                  {"http://r.example/", "chess club", "Chess"},
                                  {"http://s.example/", "Cooking Basics", "cooking"},
                                  {"http://c.example/", cafe.c_str(), "caf\xc3\xa9 M\xc3\xbcller"},
                                  {"http://m.example/", news.c_str(), news.c_str()}};
    Texts texts; // enough for a scroll bar, half of them "alpha"
    for (int i = 0; i < 240; i++)
        texts.push_back((i % 2 ? "beta " : "alpha ") + std::to_string(i));
    for (const std::string &t : texts)
        entries.push_back({t.c_str(), t.c_str(), t.c_str()});
    start(bookmark_file(entries).c_str());
    auto status = [&]() { return part(0) + "|" + part(1); };
    EXPECT_EQ(status(), "Ready|246 Trovelinks");
    type("(");
    EXPECT_EQ(status(), "Search expression error|Trovelinks ???");
    clear_box();
    EXPECT_EQ(status(), "Ready|246 Trovelinks");

    HWND bar = (HWND) app->status_bar, list = (HWND) app->list_view;
    RECT parts[2], dirty, label = {LVIR_LABEL, 0, 0, 0};
    std::vector<COLORREF> shown[2];
    for (int i : {0, 1}) {
        SendMessageA(bar, SB_GETRECT, (WPARAM) i, (LPARAM) &parts[i]);
        shown[i] = pixels(bar, parts[i]);
    }
    ListView_SetItemState(list, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    type("chess");
    EXPECT_EQ(column(0), (Texts{"chess club", "Chess Openings Guide", "Chessboard Shop"}));
    EXPECT_EQ(status(), "Chess chessboard|3 Trovelinks");
    EXPECT_EQ(list_selected_count(app), 0);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), -1);
    SCROLLINFO range = {sizeof range, SIF_RANGE, 0, 0, 0, 0, 0};
    GetScrollInfo(list, SB_VERT, &range);
    EXPECT_EQ(range.nMax, 2);
    // The new texts and row 0 on screen, nothing left to paint.
    EXPECT_FALSE(GetUpdateRect(list, &dirty, FALSE));
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 0, (LPARAM) &label));
    EXPECT_GT(ink(list, label), 20);
    EXPECT_FALSE(GetUpdateRect(bar, &dirty, FALSE));
    for (int i : {0, 1}) {
        EXPECT_GT(ink(bar, parts[i]), 20) << i;
        EXPECT_NE(pixels(bar, parts[i]), shown[i]) << i;
    }

    ListView_SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    type(" & (");
    EXPECT_EQ(status(), "Search expression error|Trovelinks ???");
    EXPECT_EQ(list_first_selected(app), 2); // the same set: the list untouched
    type("cooking)");
    EXPECT_EQ(part(1), "No Trovelinks");
    // The caret picks the word of the hint: before «x» in «ch & x».
    clear_box();
    type("ch & x");
    EXPECT_EQ(status(), "Ready|No Trovelinks"); // «x» matches nothing
    SendMessageA((HWND) app->filter_edit, EM_SETSEL, 1, 1);
    apply_filter(app);
    EXPECT_EQ(part(0), "Chess chessboard");

    // The scroll bar's middle column, in window coordinates: its thumb grows
    // for half the items and comes back for all of them.
    clear_box();
    RECT window, client;
    GetWindowRect(list, &window);
    GetClientRect(list, &client);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    ASSERT_GT(window.right - origin.x, client.right + 4); // the bar is there
    LONG x = (origin.x - window.left + client.right + window.right - window.left) / 2;
    LONG top = origin.y - window.top;
    RECT scroll = {x, top, x + 1, top + client.bottom};
    std::vector<COLORREF> all = pixels(list, scroll, true);
    type("alpha");
    EXPECT_NE(pixels(list, scroll, true), all);
    clear_box();
    EXPECT_EQ(pixels(list, scroll, true), all);

    EXPECT_EQ(GetACP(), (UINT) CP_UTF8);
    HWND box = (HWND) app->filter_edit;
    SetWindowTextA(box, "CAF\xc3\x89");
    pump();
    EXPECT_EQ(column(0), Texts{cafe});
    EXPECT_EQ(part(0), "caf\xc3\xa9");
    // «МОСКВА news» with the caret before «news»: 7 characters, 13 bytes in.
    SetWindowTextA(box, "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 news");
    for (int caret : {7, 6}) {
        SendMessageA(box, EM_SETSEL, caret, caret);
        apply_filter(app);
        EXPECT_EQ(column(0), Texts{news});
        EXPECT_EQ(part(0), caret == 7 ? "news" : moskva);
    }
    clear_box();
    for (WCHAR c : {0x043C, 0x2013, 0x00E9})
        PostMessageW(box, WM_CHAR, c, 1);
    pump();
    EXPECT_EQ(window_text(box), "\xd0\xbc\xe2\x80\x93\xc3\xa9");

    // Tab goes between the box and the list; Escape empties the box.
    SetFocus(box);
    MSG tab = {box, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(pre_filter(app, &tab), 1);
    EXPECT_EQ(GetFocus(), list);
    tab.hwnd = list;
    EXPECT_EQ(pre_filter(app, &tab), 1);
    EXPECT_EQ(GetFocus(), box);
    MSG escape = {box, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_EQ(pre_filter(app, &escape), 1);
    pump();
    EXPECT_EQ(window_text(box), "");
    EXPECT_EQ(list_count(app), 246);
    SetFocus(bar);
    tab.hwnd = bar;
    EXPECT_EQ(pre_filter(app, &tab), 0);

    // A transient message stays 8000 ms and then gives way to "Ready", also
    // when the tick count wraps around meanwhile; it is cut to 255 bytes.
    os_tick_set_hook(read_fake_tick);
    for (uint32_t at : {0xFFFFD000u, 0xFFFFE0C0u, 0xFFFFF000u, 0x7FFFF000u}) {
        fake_tick = at;
        status_message(app, "Busy");
        fake_tick = at + 4000;
        pump();
        EXPECT_EQ(part(0), "Busy") << at;
        fake_tick = at + 20000;
        pump();
        EXPECT_EQ(part(0), "Ready") << at;
    }
    os_tick_set_hook(nullptr);
    status_message(app, std::string(300, 'h').c_str());
    EXPECT_EQ(part(0), std::string(255, 'h'));

    // Four rows never visited, with the icons of a Bookmark not checked,
    // failed, being checked and modified (a visit before or after the
    // modification is Mark Visited's test); two of them selected in the
    // focused list: on screen as the list view draws them itself.
    const uint32_t modified[] = {DATE_NONE, DATE_FAILED, DATE_CHECKING, 500};
    for (int i = 0; i < 4; i++) {
        item(i)->lastVisit = DATE_NONE;
        item(i)->lastModified = modified[i];
        EXPECT_EQ(image(i), "0132"[i] - '0') << i;
    }
    select({1, 2});
    SetFocus(list);
    InvalidateRect(list, NULL, TRUE);
    pump();
    EXPECT_EQ(drawn_rows(list, true), drawn_rows(list, false));
    Bookmark *b = item(0);
    // The visit rule: a failed check's mark is no date to take as the visit
    // (a modification in the future is Mark Visited's test).
    b->lastModified = DATE_FAILED;
    set_visit_time(b, 1000);
    EXPECT_EQ(b->lastVisit, 1000u);
}

// A header click sorts by its column, case aside, and keeps the selected
// items and the focus; equal titles keep one order, whatever the filter did
// in between.
TEST_F(Gui, HeaderClicksSortByEachColumnKeepingTheSelection)
{
    start(bookmark_file({{"http://b.example/z", "Same", ""},
                         {"http://c.example/", "alpha", ""},
                         {"http://a.example/", "Same", ""},
                         {"http://e.example/", "gamma", ""},
                         {"http://d.example/", "BETA", ""}})
              .c_str());
    HWND list = (HWND) app->list_view;
    auto click = [&](int column) {
        NMLISTVIEW n = {};
        n.hdr = {list, IDC_LIST, (UINT) LVN_COLUMNCLICK};
        n.iItem = -1;
        n.iSubItem = column;
        SendMessageA((HWND) app->main_window, WM_NOTIFY, IDC_LIST, (LPARAM) &n);
        pump();
    };
    // The titles of the selected items, and of the focused one.
    auto chosen = [&]() {
        std::string v;
        for (int i = 0; i < list_count(app); i++)
            if (ListView_GetItemState(list, i, LVIS_SELECTED))
                v += std::string(item(i)->title) + " ";
        int focus = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        return v + "|" + (focus < 0 ? "none" : item(focus)->title);
    };
    // A list without a scroll bar: its header is drawn after start-up too.
    HWND header = ListView_GetHeader(list);
    RECT heading;
    GetClientRect(header, &heading);
    EXPECT_GT(ink(header, heading), 20);
    Texts first = column(1);
    select({0, 2}); // alpha and gamma
    ListView_SetItemState(list, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    click(1);
    EXPECT_EQ(app->sort_column, 1);
    EXPECT_EQ(column(1), (Texts{"http://a.example/", "http://b.example/z", "http://c.example/",
                                "http://d.example/", "http://e.example/"}));
    EXPECT_EQ(chosen(), "alpha gamma |gamma");
    click(0);
    click(0); // a second click sorts the same way again
    EXPECT_EQ(column(1), first);
    EXPECT_EQ(column(0), (Texts{"alpha", "BETA", "gamma", "Same", "Same"}));
    EXPECT_EQ(chosen(), "alpha gamma |gamma");
    type("zzz");
    clear_box();
    EXPECT_EQ(column(1), first);
}
