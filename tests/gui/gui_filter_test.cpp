// The main window with a prepared bookmark file: the list's items and texts,
// typing into the filter box, the status parts, sorting, the status icons.
#include <algorithm>

#include "gui_harness.h"
#include "core/os.h"
#include "res/resource.h"
#include "store/bookmark.h"

static const std::vector<Entry> CHESS = {
    {"http://p.example/", "Chess Openings Guide", "chess openings"},
    {"http://q.example/", "Chessboard Shop", "chessboard"},
    {"http://r.example/", "chess club", "Chess"},
    {"http://s.example/", "Cooking Basics", "cooking"},
};

// What window's rect shows on screen: its pixels, row by row.
static std::vector<COLORREF> pixels(HWND window, const RECT &rect)
{
    HDC dc = GetDC(window);
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
    return v.empty() ? 0 : (int) std::count_if(v.begin(), v.end(), [&](COLORREF c) {
        return c != v.back();
    });
}

static std::vector<std::string> sorted(std::vector<std::string> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(Gui, StartupListsEveryBookmarkWithItsTexts)
{
    start(bookmark_file(CHESS).c_str());
    EXPECT_EQ(list_count(app), 4);
    EXPECT_EQ(part(0), "Ready");
    EXPECT_EQ(part(1), "4 Trovelinks");
    EXPECT_EQ(column(0), (std::vector<std::string>{"chess club", "Chess Openings Guide",
                                                   "Chessboard Shop", "Cooking Basics"}));
    EXPECT_EQ(column(1), (std::vector<std::string>{"http://r.example/", "http://p.example/",
                                                   "http://q.example/", "http://s.example/"}));
}

// The filter's decisions are tested on the application record
// (search_filter_test); here their wiring: the box's text and caret in, the
// list, the hint and the item count out, a list left alone when its set
// stays the same.
TEST_F(Gui, TypingFiltersTheList)
{
    start(bookmark_file(CHESS).c_str());
    type("(");
    EXPECT_EQ(part(0), "Search expression error");
    EXPECT_EQ(part(1), "Trovelinks ???");
    clear_box();
    EXPECT_EQ(part(0), "Ready");
    EXPECT_EQ(part(1), "4 Trovelinks");
    HWND bar = (HWND) app->status_bar;
    RECT parts[2];
    std::vector<COLORREF> shown[2];
    for (int i : {0, 1}) {
        SendMessageA(bar, SB_GETRECT, (WPARAM) i, (LPARAM) &parts[i]);
        shown[i] = pixels(bar, parts[i]);
    }
    type("chess");
    EXPECT_EQ(sorted(column(0)), sorted({"Chess Openings Guide", "Chessboard Shop", "chess club"}));
    EXPECT_EQ(part(0), "Chess chessboard");
    EXPECT_EQ(part(1), "3 Trovelinks");
    // Both new texts on screen, nothing left to paint.
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(bar, &dirty, FALSE));
    for (int i : {0, 1}) {
        EXPECT_GT(ink(bar, parts[i]), 20) << i;
        EXPECT_NE(pixels(bar, parts[i]), shown[i]) << i;
    }
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA((HWND) app->list_view, LVM_SETITEMSTATE, 2, (LPARAM) &item);
    type(" & (");
    EXPECT_EQ(part(0), "Search expression error");
    EXPECT_EQ(list_count(app), 3);
    EXPECT_EQ(list_first_selected(app), 2); // the same set: the list untouched
    type("cooking)");
    EXPECT_EQ(list_count(app), 0);
    EXPECT_EQ(part(1), "No Trovelinks");
    clear_box();
    type("cooking");
    EXPECT_EQ(column(0), std::vector<std::string>{"Cooking Basics"});
    EXPECT_EQ(part(1), "1 Trovelink");

    // The caret picks the word of the hint: before «x» in «ch & x».
    clear_box();
    EXPECT_EQ(list_count(app), 4);
    EXPECT_EQ(part(0), "Ready");
    type("ch & x");
    EXPECT_EQ(part(0), "Ready"); // «x» matches nothing
    SendMessageA((HWND) app->filter_edit, EM_SETSEL, 1, 1);
    apply_filter(app);
    EXPECT_EQ(part(0), "Chess chessboard");
}

// A refill clears the selection and focus, and once the queued messages are
// handled the list draws again: its scroll range follows the new count, and
// nothing is left to paint with row 0's text on screen.
TEST_F(Gui, ARefillClearsTheSelectionAndRedrawsTheList)
{
    start(bookmark_file(CHESS).c_str());
    HWND list = (HWND) app->list_view;
    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 3, (LPARAM) &item);
    type("chess");
    EXPECT_EQ(list_selected_count(app), 0);
    EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) -1, LVNI_FOCUSED), -1);
    SCROLLINFO range = {sizeof range, SIF_RANGE, 0, 0, 0, 0, 0};
    GetScrollInfo(list, SB_VERT, &range);
    EXPECT_EQ(range.nMax, 2);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(list, &dirty, FALSE));
    RECT label;
    label.left = LVIR_LABEL;
    ASSERT_TRUE(SendMessageA(list, LVM_GETITEMRECT, 0, (LPARAM) &label));
    EXPECT_GT(ink(list, label), 20);
}

// The scroll bar is drawn anew with the refill's paint: its thumb grows for
// half the items and comes back for all of them.
TEST_F(Gui, TheScrollBarFollowsARefill)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 240; i++)
        texts.push_back((i % 2 ? "beta " : "alpha ") + std::to_string(i));
    std::vector<Entry> entries;
    for (const std::string &t : texts)
        entries.push_back({t.c_str(), t.c_str(), t.c_str()});
    start(bookmark_file(entries).c_str());
    HWND list = (HWND) app->list_view;
    // The middle column of the vertical bar, in window coordinates.
    RECT window, client;
    GetWindowRect(list, &window);
    GetClientRect(list, &client);
    POINT origin = {0, 0};
    ClientToScreen(list, &origin);
    int x = (origin.x - window.left + client.right + window.right - window.left) / 2;
    int top = origin.y - window.top;
    ASSERT_GT(window.right - origin.x, client.right + 4); // the bar is there
    auto bar = [&]() {
        HDC dc = GetWindowDC(list);
        std::vector<COLORREF> v;
        for (int y = top; y < top + client.bottom; y++)
            v.push_back(GetPixel(dc, x, y));
        ReleaseDC(list, dc);
        return v;
    };
    std::vector<COLORREF> all = bar();
    type("alpha");
    EXPECT_EQ(list_count(app), 120);
    EXPECT_NE(bar(), all);
    clear_box();
    EXPECT_EQ(bar(), all);
}

static uint32_t fake_tick;
static uint32_t read_fake_tick(void)
{
    return fake_tick;
}

// A transient message stays 8000 ms and then gives way to "Ready", also when
// the tick count wraps around meanwhile.
TEST_F(Gui, ReadyReturnsAcrossTheTickCountsWrap)
{
    start(bookmark_file(CHESS).c_str());
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
}

TEST_F(Gui, LongHintsAreCutTo255Characters)
{
    std::string keywords;
    for (int i = 0; i < 40; i++)
        keywords += "alphabet" + std::to_string(100 + i) + " ";
    start(bookmark_file({{"http://a.example/", "Alpha", keywords.c_str()}}).c_str());
    type("alphabet");
    EXPECT_EQ(part(0).size(), 255u);
    EXPECT_EQ(part(0).substr(0, 12), "alphabet100 ");
}

TEST_F(Gui, HeaderClicksSortByEachColumnKeepingTheSelection)
{
    start(bookmark_file({{"http://b.example/z", "Same", ""},
                         {"http://c.example/", "alpha", ""},
                         {"http://a.example/", "Same", ""},
                         {"http://d.example/", "BETA", ""}})
              .c_str());
    auto click = [&](int column) {
        NMLISTVIEW n;
        ZeroMemory(&n, sizeof n);
        n.hdr.hwndFrom = (HWND) app->list_view;
        n.hdr.idFrom = IDC_LIST;
        n.hdr.code = LVN_COLUMNCLICK;
        n.iItem = -1;
        n.iSubItem = column;
        SendMessageA((HWND) app->main_window, WM_NOTIFY, IDC_LIST, (LPARAM) &n);
        pump();
    };
    auto in_order = [&](int column) {
        for (int i = 1; i < list_count(app); i++)
            if (lv_compare((LPARAM) list_bookmark(app, i - 1), (LPARAM) list_bookmark(app, i),
                           column) > 0)
                return false;
        return true;
    };
    EXPECT_TRUE(in_order(0));
    std::vector<std::string> first = column(1);

    LVITEMA item;
    ZeroMemory(&item, sizeof item);
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA((HWND) app->list_view, LVM_SETITEMSTATE, 0, (LPARAM) &item); // "alpha"
    click(1);
    EXPECT_EQ(app->sort_column, 1);
    EXPECT_TRUE(in_order(1));
    EXPECT_EQ(column(1), (std::vector<std::string>{"http://a.example/", "http://b.example/z",
                                                   "http://c.example/", "http://d.example/"}));
    EXPECT_EQ(list_selected_count(app), 1);
    EXPECT_EQ(list_bookmark(app, list_first_selected(app))->title, std::string("alpha"));

    click(0);
    click(0); // a second click sorts the same way again
    EXPECT_EQ(column(1), first);
    EXPECT_EQ(column(0), (std::vector<std::string>{"alpha", "BETA", "Same", "Same"}));
    // Equal titles keep one order, whatever the filter did in between.
    type("zzz");
    clear_box();
    EXPECT_EQ(column(1), first);
}

// Among many items a few selected ones are cleared one by one: the sort
// moves exactly those, and the focus, to their new places.
TEST_F(Gui, SortingMovesAFewSelectedItemsAmongMany)
{
    std::vector<std::string> urls, titles;
    std::vector<Entry> entries;
    for (int i = 0; i < 20; i++) {
        urls.push_back("http://" + std::string(1, (char) ('a' + i)) + ".example/");
        titles.push_back("Title " + std::string(1, (char) ('t' - i)));
    }
    for (int i = 0; i < 20; i++)
        entries.push_back({urls[i].c_str(), titles[i].c_str(), ""});
    start(bookmark_file(entries).c_str());
    HWND list = (HWND) app->list_view;
    select({3, 11});
    LVITEMA focus;
    ZeroMemory(&focus, sizeof focus);
    focus.stateMask = focus.state = LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, 11, (LPARAM) &focus);
    Bookmark *a = item(3), *b = item(11);
    auto chosen = [&]() {
        std::vector<Bookmark *> v;
        for (int i = list_first_selected(app); i >= 0;
             i = (int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) i, LVNI_SELECTED))
            v.push_back(item(i));
        return v;
    };
    for (int column : {1, 0}) {
        list_sort(app, column);
        pump();
        std::vector<Bookmark *> v = chosen();
        ASSERT_EQ(v.size(), 2u) << column;
        EXPECT_TRUE((v[0] == a && v[1] == b) || (v[0] == b && v[1] == a)) << column;
        EXPECT_EQ(item((int) SendMessageA(list, LVM_GETNEXTITEM, (WPARAM) -1, LVNI_FOCUSED)), b);
    }
    EXPECT_EQ(item(0)->title, std::string("Title a"));
}

TEST_F(Gui, StatusIconForEachDateCombination)
{
    start(bookmark_file({{"http://a.example/", "A", ""}}).c_str());
    Bookmark *b = list_bookmark(app, 0);
    ASSERT_TRUE(b != nullptr);
    struct {
        uint32_t visit, modified;
        int icon;
    } cases[] = {
        {DATE_NONE, DATE_NONE, 0},
        {100, DATE_NONE, 0},
        {DATE_NONE, DATE_FAILED, 1},
        {100, DATE_FAILED, 1},
        {DATE_NONE, DATE_CHECKING, 3},
        {100, DATE_CHECKING, 3},
        {DATE_NONE, 500, 2},
        {100, 500, 2},
        {500, 500, 0},
        {900, 500, 0},
    };
    for (auto &c : cases) {
        b->lastVisit = c.visit;
        b->lastModified = c.modified;
        EXPECT_EQ(image(0), c.icon) << c.visit << " " << c.modified;
    }
    // The visit rule: a modification date in the future becomes the visit.
    b->lastModified = 0xF0000000u;
    set_visit_time(b, 1000);
    EXPECT_EQ(b->lastVisit, 0xF0000000u);
    EXPECT_EQ(image(0), 0);
    b->lastModified = DATE_FAILED;
    set_visit_time(b, 1000);
    EXPECT_EQ(b->lastVisit, 1000u);
}

TEST_F(Gui, TabAndEscapeInTheMainLoop)
{
    start(bookmark_file(CHESS).c_str());
    type("chess");
    HWND box = (HWND) app->filter_edit, list = (HWND) app->list_view;
    SetFocus(box);
    ASSERT_EQ(GetFocus(), box);
    MSG tab = {box, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_EQ(pre_filter(app, &tab), 1);
    EXPECT_EQ(GetFocus(), list);
    tab.hwnd = list;
    EXPECT_EQ(pre_filter(app, &tab), 1);
    EXPECT_EQ(GetFocus(), box);
    MSG escape = {box, WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
    EXPECT_EQ(pre_filter(app, &escape), 1);
    pump();
    EXPECT_EQ(box_text(), "");
    EXPECT_EQ(list_count(app), 4);
    SetFocus((HWND) app->status_bar);
    tab.hwnd = (HWND) app->status_bar;
    EXPECT_EQ(pre_filter(app, &tab), 0);
}

// Titles and keywords beyond ASCII (the program runs in the UTF-8 code page):
// the list shows the file's UTF-8 bytes as they are, capitals find lower
// case, and the caret (counted by the box in UTF-16) picks the hint's word.
TEST_F(Gui, TextsBeyondAscii)
{
    const char *moskva = "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0"; // Москва
    std::string news = std::string(moskva) + " news";
    start(bookmark_file(
              {{"http://c.example/", "Caf\xc3\xa9 M\xc3\xbcller", "caf\xc3\xa9 M\xc3\xbcller"},
               {"http://m.example/", news.c_str(), news.c_str()}})
              .c_str());
    EXPECT_EQ(GetACP(), (UINT) CP_UTF8);
    EXPECT_EQ(sorted(column(0)), sorted({"Caf\xc3\xa9 M\xc3\xbcller", news}));

    HWND box = (HWND) app->filter_edit;
    SetWindowTextA(box, "CAF\xc3\x89");
    pump();
    EXPECT_EQ(column(0), std::vector<std::string>{"Caf\xc3\xa9 M\xc3\xbcller"});
    EXPECT_EQ(part(0), "caf\xc3\xa9");

    // «МОСКВА news» with the caret before «news»: 7 characters, 13 bytes in.
    SetWindowTextA(box, "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 news");
    SendMessageA(box, EM_SETSEL, 7, 7);
    apply_filter(app);
    EXPECT_EQ(column(0), std::vector<std::string>{news});
    EXPECT_EQ(part(0), "news");
    SendMessageA(box, EM_SETSEL, 6, 6);
    apply_filter(app);
    EXPECT_EQ(part(0), moskva);

    clear_box();
    for (WCHAR c : {0x043C, 0x2013, 0x00E9})
        PostMessageW(box, WM_CHAR, c, 1);
    pump();
    EXPECT_EQ(box_text(), "\xd0\xbc\xe2\x80\x93\xc3\xa9");
}
