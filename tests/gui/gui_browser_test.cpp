// The browser link against a fake DDE browser and a recording http handler:
// opening a Bookmark (Open, Enter, double click) by DDE and through the
// shell, starting the browser, Fast Add and Add's page, and start-up with and
// without a handler.
#include "gui_harness.h"

#include <algorithm>
#include <memory>
#include <thread>

#include "core/mem.h"
#include "core/os.h"
#include "fake_browser.h"
#include "res/resource.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

// The fake browser's window is titled after this reply's title.
static const char REPLY_A[] = "\"http://host/a.html\",\"Netscape - [Fake Page]\"";
static const char OPEN_A[] = "WWW_OpenURL|http://host/a.html,,-1,0,,,";

class Browser : public Gui
{
protected:
    void start_with_a(void)
    {
        start(bookmark_file({{"http://host/a.html", "Page A", "a"}}).c_str());
    }
    std::string log() { return dir + "browser.log"; }
    std::string dde_log() { return dir + "dde.log"; }
    std::string record_command() { return fake_browser_command(log()); }
    // The three ways of opening the list's first item.
    void open_first(int way)
    {
        select({0});
        HWND list = (HWND) app->list_view;
        if (way == 0) return command(IDM_OPEN);
        if (way == 1) {
            ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
            return key(list, VK_RETURN);
        }
        RECT rect = {LVIR_LABEL, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, 0, (LPARAM) &rect);
        POINT at = {rect.left + 5, (rect.top + rect.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        pump();
    }
};

TEST_F(Browser, OpenSendsTheUrlAndBringsTheBrowserForward)
{
    HttpHandler handler(record_command().c_str(), "Netscape", "WWW_OpenURL");
    FakeBrowser browser("Netscape", "WWW_OpenURL", REPLY_A, dde_log());
    start_with_a();
    for (int way = 0; way < 3; way++) {
        SCOPED_TRACE(way);
        ShowWindow(browser.window(), SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(browser.window()));
        item(0)->lastVisit = DATE_NONE;
        uint32_t before = os_time_now();
        size_t sent = wait_for_log(dde_log(), 0).size();
        open_first(way);
        Texts got = wait_for_log(dde_log(), sent + 4);
        EXPECT_EQ(Texts(got.begin() + sent, got.end()),
                  (Texts{"connect|WWW_OpenURL", OPEN_A, "connect|WWW_GetWindowInfo",
                         "WWW_GetWindowInfo|0xFFFFFFFF"}));
        EXPECT_FALSE(IsIconic(browser.window()));
        EXPECT_EQ(GetForegroundWindow(), browser.window());
        EXPECT_LE(item(0)->lastVisit - before, 60u); // visited now, not DATE_NONE
    }
    EXPECT_FALSE(file_exists(log())); // the browser ran: nothing started
}

// Internet Explorer's pages open through the shell, and its title is its
// reply's whole second field; a reply of a URL alone needs its main window.
TEST_F(Browser, IExploreOpensThroughTheShellWithoutDde)
{
    HttpHandler handler(record_command().c_str(), "iexplore", "WWW_OpenURL");
    // The shell tries the registered topic itself: refused here, so that it
    // starts the handler.
    std::unique_ptr<FakeBrowser> browser(
        new FakeBrowser("iexplore", "Unserved", REPLY_A, dde_log()));
    start_with_a();
    EXPECT_EQ(browser_kind(), 2);
    open_first(0);
    EXPECT_EQ(wait_for_log(log(), 1), Texts{"args|http://host/a.html"});
    for (const std::string &entry : wait_for_log(dde_log(), 0))
        EXPECT_EQ(entry, "connect|WWW_OpenURL"); // the shell's, never the program's
    char *url, *title;
    EXPECT_EQ(browser_current_page(&url, &title), 1);
    EXPECT_STREQ(title, "Netscape - [Fake Page]");
    memFree(url);
    memFree(title);
    browser.reset();
    browser.reset(new FakeBrowser("iexplore", "Unserved", "\"http://host/only\"", dde_log()));
    EXPECT_EQ(browser_current_page(&url, &title), 0);
    EXPECT_EQ(url, nullptr);
}

// With auto_launch a DDE browser is started when none serves; one that does
// not serve yet when a page is opened is started again and gets the URL once
// it serves. A handler with a command alone opens pages by it; without a
// handler start-up says so.
TEST_F(Browser, StartUpLaunchesTheBrowserOnlyWhenNoneServes)
{
    const Texts none, unable = {"Unable to initialize conversation with Browser"};
    registry_set_dword("auto_launch", 1);
    for (int round = 0; round < 4; round++) {
        const char *service = round == 0 ? "Netscape" : round == 1 ? "LateBrowser" : nullptr;
        HttpHandler handler(round < 3 ? record_command().c_str() : nullptr, service,
                            service ? "WWW_OpenURL" : nullptr);
        std::unique_ptr<FakeBrowser> browser;
        if (!round) browser.reset(new FakeBrowser("Netscape", "WWW_OpenURL", REPLY_A, dde_log()));
        DialogClicker clicker;
        start_with_a();
        EXPECT_EQ(clicker.texts(), round < 3 ? none : unable);
        if (round) {
            char *url, *title;
            EXPECT_EQ(browser_current_page(&url, &title), 0);
            EXPECT_EQ(browser_kind(), 0); // none, or a browser not known by name
        }
        if (round == 1) {
            EXPECT_EQ(wait_for_log(log(), 1), Texts{"args|%1"});
            std::thread late([&] {
                Sleep(1500);
                browser.reset(new FakeBrowser("LateBrowser", "WWW_OpenURL", REPLY_A, dde_log()));
            });
            EXPECT_EQ(browser_open_url("http://host/a.html"), 1);
            late.join();
            Texts got = wait_for_log(dde_log(), 0);
            EXPECT_NE(std::find(got.begin(), got.end(), OPEN_A), got.end());
        }
        if (round >= 2) {
            EXPECT_EQ(browser_open_url("http://host/a.html"), round == 2 ? 1 : 0);
        }
        stop();
    }
    EXPECT_EQ(wait_for_log(log(), 3), (Texts{"args|%1", "args|%1", "args|http://host/a.html"}));
}

// Fast Add stores a new titled page once, without a dialog; Add shows the
// browser's page (a stored one as its Bookmark), else a copied URL, a new
// record never visited nor checked; Fast Add without a page falls back to
// Add's dialog when a URL was copied. What OK stores is filtered at once;
// another Bookmark's URL replaces that one after Yes.
TEST_F(Browser, FastAddAndAddStartFromTheBrowsersPageOrACopiedUrl)
{
    HttpHandler handler(record_command().c_str(), "Netscape", "WWW_OpenURL");
    start(bookmark_file({{"http://a.example/", "A chess", "openings"}}).c_str());
    const char *stored = "\"HTTP://A.EXAMPLE/\",\"Netscape - [Other]\"";
    const char *guide = "\"http://new.example/x\",\"Netscape - [Chess Openings Guide]\"";
    const char *page = "\"http://new.example/\",\"Netscape - [New Page]\""; // "page": a stop word
    struct {
        const char *reply, *clipboard;
        int command;
        const char *boxes;    // title|url|keywords shown; null: no dialog
        const char *typed[3]; // filled in before OK; none: Cancel
    } cases[] = {
        {guide, "", IDM_FAST_ADD, nullptr, {}},
        {stored, "", IDM_FAST_ADD, nullptr, {}},
        {"\"http://t.example/\",\"Netscape - []\"", "", IDM_FAST_ADD, nullptr, {}}, // no title
        {"\"\",\"Netscape - [No Url]\"", "", IDM_FAST_ADD, nullptr, {}},
        {stored, "", IDM_ADD, "A chess|http://a.example/|openings", {}},
        {page, "http://clip.example/", IDM_ADD, "New Page|http://new.example/|New", {}},
        {nullptr, " http://clip.example/x \r\n", IDM_ADD, "|http://clip.example/x|", {}},
        {nullptr, "not a url", IDM_ADD, "||", {"Go Rules", "http://go.example/", "baduk weiqi"}},
        {nullptr, "not a url", IDM_FAST_ADD, nullptr, {}},
        {nullptr, "http://clip.example/x", IDM_FAST_ADD, "|http://clip.example/x|", {"Typed"}},
        {nullptr, "", IDM_ADD, "||", {"A again", "HTTP://A.EXAMPLE/", "again"}},
    };
    type("baduk");
    std::string dates;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.reply ? c.reply : "") + c.clipboard);
        copy_url_to_clipboard((HWND) app->main_window, c.clipboard);
        std::unique_ptr<FakeBrowser> browser;
        if (c.reply) browser.reset(new FakeBrowser("Netscape", "WWW_OpenURL", c.reply, dde_log()));
        DialogClicker clicker;
        std::string shown = "(none)";
        clicker.answer("Trovelink Properties", c.typed[0] ? IDOK : IDCANCEL, [&](HWND d) {
            shown = item_text(d, IDC_TITLE) + "|" + item_text(d, IDC_URL) + "|" +
                    item_text(d, IDC_KEYWORDS);
            if (c.reply != stored) // a new record
                dates += item_text(d, IDC_LAST_VISIT) + item_text(d, IDC_LAST_MODIFIED) +
                         std::to_string(item_text(d, IDC_ADD_DATE).size()) + " ";
            for (int i = 0; i < 3; i++)
                if (c.typed[i]) SetDlgItemTextA(d, IDC_TITLE + i, c.typed[i]);
        });
        clicker.answer("Duplicate Trovelink Found", IDYES);
        command(c.command);
        EXPECT_EQ(shown, c.boxes ? c.boxes : "(none)");
        EXPECT_EQ(clicker.pending(), c.boxes ? 1 - (&c == &cases[10]) : 2);
    }
    // ctime's «Sun Nov 06 08:49:37 1994» and a line feed
    EXPECT_EQ(dates, "??25 ??25 ??25 ??25 ??25 ");
    EXPECT_EQ(column(1), Texts{"http://go.example/"});
    clear_box();
    EXPECT_EQ(column(0), (Texts{"A again", "Chess Openings Guide", "Go Rules", "No Url", "Typed"}));
    EXPECT_EQ(column(1), (Texts{"HTTP://A.EXAMPLE/", "http://new.example/x", "http://go.example/",
                                "", "http://clip.example/x"}));
    char *keywords = keyword_list_text(item(1)->keywords);
    EXPECT_STREQ(keywords, "Chess Openings Guide");
    memFree(keywords);
    type("openings");
    EXPECT_EQ(column(0), Texts{"Chess Openings Guide"});
}
