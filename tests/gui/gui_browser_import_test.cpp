// The browser's own bookmarks in the running shell: the Import Favorites
// command, and start-up reading the bookmarks of the browser the http
// handler names (the rescans of Netscape's file and of the Chromium family's
// stores, the Favorites), on a first start too. Everything is found through
// registry values the test sets in keys of its own. The readers themselves,
// and the Import command's choice between them, are tested in store_*_test.
#include "fake_browser.h"
#include "gui_harness.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "res/resource.h"

static const char SHELL_FOLDERS[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char NETSCAPE_KEY[] = "Software\\Netscape\\Netscape Navigator\\Bookmark List";

// A Chromium-family store with a page http://NAME.example/ for each name.
static std::string chromium(const std::vector<std::string> &names)
{
    std::string children;
    for (const std::string &name : names)
        children += std::string(children.empty() ? "" : ",") + "{\"name\":\"" + name +
                    "\",\"type\":\"url\",\"url\":\"http://" + name + ".example/\"}";
    return "{\"roots\":{\"bookmark_bar\":{\"children\":[" + children + "]}},\"version\":1}";
}

static void make_folders(const std::string &path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
}

// The test's own current user: the values it sets in the shell's folder
// list and Netscape's key go with it, and the prefix's stay as they were.
class BrowserGui : public Gui
{
protected:
    HKEY user = NULL;

    void SetUp() override
    {
        RegCreateKeyA(HKEY_CURRENT_USER, "Software\\TrovelinksTestUser", &user);
        RegOverridePredefKey(HKEY_CURRENT_USER, user);
        Gui::SetUp();
    }
    void TearDown() override
    {
        Gui::TearDown();
        RegOverridePredefKey(HKEY_CURRENT_USER, NULL);
        RegCloseKey(user);
        SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\TrovelinksTestUser");
    }
};

static std::string shortcut(const std::string &url)
{
    return "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n[InternetShortcut]\r\n"
           "IDList=\r\nURL=" +
           url + "\r\nIconIndex=0\r\n";
}

// What start-up reads for each kind of browser: Netscape's file (with a
// message when it adds some), the Favorites (without one) or, for a browser
// reached through the shell alone, the Chromium family's stores (a message
// for each that adds some; the last one stays); with auto_rescan off and not
// a first start, nothing. The Import Favorites command reads the folder
// chosen.
TEST_F(BrowserGui, StartupReadsTheBookmarksOfTheBrowserInUse)
{
    std::string favorites = dir + "Favorites", local = dir + "Local", netscape = dir + "ns.htm";
    std::string chrome = local + "\\Google\\Chrome\\User Data\\Default\\Bookmarks";
    std::string vivaldi = local + "\\Vivaldi\\User Data\\Default\\Bookmarks";
    make_folders(favorites + "\\Sub\\x");
    write_file(favorites + "\\A.url", shortcut("http://fav-a.example/"));
    write_file(favorites + "\\Sub\\B.url", shortcut("http://fav-b.example/"));
    const std::vector<Entry> ns = {{"http://ns-a.example/", "A", ""},
                                   {"http://ns-b.example/", "B", ""},
                                   {"http://ns-c.example/", "C", ""}};
    write_file(netscape, bookmark_file(ns));
    make_folders(chrome);
    make_folders(vivaldi);
    write_file(chrome, chromium({"One", "Two"}));
    write_file(vivaldi, chromium({"Two", "Three"}));
    registry_set_string("Favorites", favorites.c_str(), SHELL_FOLDERS);
    registry_set_string("Local AppData", local.c_str(), SHELL_FOLDERS);
    registry_set_string("File Location", netscape.c_str(), NETSCAPE_KEY);

    const std::string rescan = " new Trovelinks found during rescan of ";
    const struct {
        const char *service; // the http handler's DDE service; null: the shell alone
        int auto_rescan;
        std::vector<Entry> stored;
        unsigned added;
        std::string status;
    } cases[] = {
        {"Netscape", 1, {}, 3, "3" + rescan + netscape},
        {"Netscape", 1, ns, 0, "Ready"}, // nothing new: no message
        {"IExplore", 1, {}, 2, "Ready"},
        {nullptr, 1, {}, 3, "1" + rescan + vivaldi},
        {"Netscape", 0, {}, 0, "Ready"},
    };
    for (const auto &c : cases) {
        std::string name = c.service ? c.service : "shell";
        HttpHandler handler("\"C:\\no\\browser.exe\" \"%1\"", c.service,
                            c.service ? "WWW_OpenURL" : nullptr);
        registry_set_dword("auto_rescan", c.auto_rescan);
        start(bookmark_file(c.stored).c_str());
        EXPECT_EQ(app->bookmarks->count, c.stored.size() + c.added) << name;
        EXPECT_EQ(part(0), c.status) << name;
        stop();
    }

    start(bookmark_file({}).c_str());
    for (unsigned added : {2u, 0u}) {
        DialogClicker clicker;
        clicker.answer("Browse for Folder", IDOK, wait_for_selection(favorites));
        command(IDM_IMPORT_FAVORITES);
        std::string status = std::to_string(added) + " Trovelinks imported from " + favorites;
        EXPECT_EQ(lstrcmpiA(part(0).c_str(), status.c_str()), 0) << part(0);
    }
    EXPECT_EQ(column(0), (Texts{"A", "B"}));
    status_message(app, "before");
    {
        DialogClicker clicker;
        clicker.answer("Browse for Folder", IDCANCEL);
        command(IDM_IMPORT_FAVORITES);
    }
    EXPECT_EQ(part(0), "before");
    stop();

    // A first start reads even without auto_rescan. It has no Options
    // stored, so its bookmark file is the one beside the program; its exit
    // stores them, and the next start is not the first.
    HttpHandler handler("\"C:\\no\\browser.exe\" \"%1\"");
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string beside = std::string(exe).substr(0, strrchr(exe, '\\') + 1 - exe) + "tl.htm";
    for (int round = 0; round < 3; round++) {
        DeleteFileA(beside.c_str());
        DeleteFileA((beside + ".bak").c_str());
        if (round == 2) break;
        if (!round) registry_clear();
        write_file(vivaldi, chromium({"V" + std::to_string(round)}));
        app = tl_startup(GetModuleHandleA(NULL));
        ASSERT_TRUE(app != nullptr);
        pump();
        EXPECT_EQ(app->bookmarks->count, round ? 0u : 3u);
        stop();
    }
}
