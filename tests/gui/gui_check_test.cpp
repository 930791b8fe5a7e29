// Check cycles in the running shell, with the real checker thread probing
// the tests' loopback server: results and status images, a Bookmark deleted
// while checked, Stop Checking during a probe, and the minute timer.
// Automatic checking at start-up is the end-to-end test's; the cycle's own
// rules are tested on the application record (checker_cycle_jobs_test).
#include "gui_harness.h"

#include "res/resource.h"
#include "store/bookmark.h"
#include "tests/helpers/http_server.h"

namespace
{

const unsigned T1 = 1600000000;    // the Bookmarks' visits
const uint32_t NEWER = 1654041600; // the pages' date, after the visits
const char *const TITLES[] = {"Page 0", "Page 1", "Page 2"};
const char NOT_FOUND[] = "HTTP/1.0 404 Not Found\r\n\r\n";
// A dated reply in three pieces, so that its probe takes a while.
const std::vector<std::string> SLOW = {"HTTP/1.0 200 OK\r\n",
                                       "Last-Modified: Wed, 01 Jun 2022 00:00:00 GMT\r\n", "\r\n"};

class Check : public Gui
{
protected:
    // After Gui::TearDown: the shell stops before the server it probes.
    ~Check() override
    {
        if (server) http_server_stop(server);
    }
    // Pumps until done() holds or 20 s have passed; false on time-out.
    template <class F> bool wait_until(F done)
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(5)) {
            pump();
            if (done()) return true;
        }
        return false;
    }
    bool cycle_over()
    {
        return wait_until([&] { return !app->check_active && !app->check_pending; });
    }
    // The pages requested so far, by number, in order.
    std::vector<int> requested()
    {
        std::vector<int> pages;
        for (const std::string &r : http_server_requests(server))
            pages.push_back(atoi(r.c_str() + r.find(' ') + 2));
        return pages;
    }
    Bookmark *page(int i) { return find_bookmark_by_url(app, urls[i].c_str()); }

    HttpServer *server = http_server_start();
    Texts urls;
};

// A cycle stores each result, the images passing through checking. Then
// page 0 is deleted while it is checked: its result touches nothing. Stop
// during page 1's probe keeps that result and asks for no page more. Then
// the minute timer starts a cycle every status_timer minutes, only with
// auto_rescan.
TEST_F(Check, ResultsAndImagesThenDeleteAndStopDuringAProbeThenTheMinuteTimer)
{
    ASSERT_NE(server, nullptr);
    const Texts replies[] = {SLOW, {NOT_FOUND}, {"no status line\r\n\r\n"},
                             SLOW, SLOW,        {NOT_FOUND}};
    for (const Texts &reply : replies)
        http_server_reply(server, reply);
    // Three Bookmarks "Page 0" ... (listed in that order) visited at T1, at
    // the server's urls /0 ...
    std::vector<Entry> entries;
    for (int i = 0; i < 3; i++)
        urls.push_back(http_server_url(server, "/" + std::to_string(i)));
    for (int i = 0; i < 3; i++)
        entries.push_back({urls[i].c_str(), TITLES[i], "page", T1});
    start(bookmark_file(entries).c_str());
    // Item 0's images, the first before the cycle starts: the command takes
    // in the checker's first report already.
    std::vector<int> seen{image(0)};
    command(IDM_WHATS_NEW);
    ASSERT_TRUE(wait_until([&] {
        if (seen.back() != image(0)) seen.push_back(image(0));
        return !app->check_active && !app->check_pending;
    }));
    EXPECT_EQ((std::vector<int>{0, 3, 2}), seen);
    const struct {
        uint32_t date;
        int image;
    } expected[] = {{NEWER, 2}, {DATE_NONE, 0}, {DATE_FAILED, 1}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(expected[i].date, page(i)->lastModified) << i;
        EXPECT_EQ(expected[i].image, image(i)) << i;
        page(i)->lastModified = DATE_NONE;
    }

    command(IDM_WHATS_NEW);
    ASSERT_TRUE(wait_until([&] { return page(0)->lastModified == DATE_CHECKING; }));
    DialogClicker clicker(IDYES);
    select({0});
    command(IDM_DELETE);
    ASSERT_TRUE(wait_until([&] { return page(1)->lastModified == DATE_CHECKING; }));
    command(IDM_STOP_CHECKING);
    EXPECT_EQ((unsigned) CMD_DISABLED, command_state(app, IDM_STOP_CHECKING));
    ASSERT_TRUE(cycle_over());
    Sleep(200);
    pump();
    EXPECT_EQ(2u, app->bookmarks->count);
    EXPECT_EQ(NEWER, page(1)->lastModified);
    EXPECT_EQ(DATE_NONE, page(2)->lastModified);
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 1}), requested());

    app->options.status_timer = 2;
    for (int rescan = 0; rescan < 2; rescan++) {
        app->options.auto_rescan = rescan;
        SendMessageA((HWND) app->main_window, WM_TIMER, IDT_MINUTE, 0);
        EXPECT_EQ(0, app->check_active);
        SendMessageA((HWND) app->main_window, WM_TIMER, IDT_MINUTE, 0);
        EXPECT_EQ(rescan, app->check_active);
        EXPECT_EQ(0, app->check_minutes);
    }
    ASSERT_TRUE(cycle_over());
    EXPECT_EQ((std::vector<int>{0, 1, 2, 0, 1, 2}), requested());
}

} // namespace
