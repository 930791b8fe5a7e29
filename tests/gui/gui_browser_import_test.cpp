// The browser's own bookmarks in the running shell: the Import command with a
// Chromium-family store and a damaged one, and the rescans of Netscape's
// file and of the Chromium family's profiles, each found through values set
// in the test prefix's registry.
#include "gui_harness.h"

#include <shlwapi.h>

#include "res/resource.h"

static const char SHELL_FOLDERS[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char NETSCAPE_KEY[] = "Software\\Netscape\\Netscape Navigator\\Bookmark List";

// A Chromium-family store with one entry per (name, url), in a folder.
static std::string chromium(const std::vector<std::pair<std::string, std::string>> &entries)
{
    std::string children;
    for (const auto &e : entries)
        children += std::string(children.empty() ? "" : ", ") +
                    "{ \"date_added\": \"13244473600000000\", \"name\": \"" + e.first +
                    "\", \"type\": \"url\", \"url\": \"" + e.second + "\" }";
    return "{ \"roots\": { \"bookmark_bar\": { \"children\": [ { \"children\": [ " + children +
           " ], \"name\": \"Folder\", \"type\": \"folder\" } ], \"type\": \"folder\" } }, "
           "\"version\": 1 }";
}

static void make_folders(const std::string &path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
}

static void set_string(const char *key_path, const char *name, const char *value)
{
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, key_path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *) value, (DWORD) strlen(value) + 1);
    RegCloseKey(key);
}

// The test's values in the shell's folder list and Netscape's key, with the
// prefix's own put back at the end.
class BrowserGui : public Gui
{
protected:
    std::string saved_favorites, saved_local;
    bool had_favorites = false, had_local = false;

    static bool get(const char *name, std::string *value)
    {
        char text[MAX_PATH];
        DWORD size = sizeof text;
        if (RegGetValueA(HKEY_CURRENT_USER, SHELL_FOLDERS, name, RRF_RT_REG_SZ, NULL, text,
                         &size) != ERROR_SUCCESS)
            return false;
        *value = text;
        return true;
    }
    void SetUp() override
    {
        Gui::SetUp();
        had_favorites = get("Favorites", &saved_favorites);
        had_local = get("Local AppData", &saved_local);
    }
    void TearDown() override
    {
        Gui::TearDown();
        SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Netscape");
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, SHELL_FOLDERS, 0, KEY_ALL_ACCESS, &key) !=
            ERROR_SUCCESS)
            return;
        if (had_favorites)
            RegSetValueExA(key, "Favorites", 0, REG_SZ, (const BYTE *) saved_favorites.c_str(),
                           (DWORD) saved_favorites.size() + 1);
        else
            RegDeleteValueA(key, "Favorites");
        if (had_local)
            RegSetValueExA(key, "Local AppData", 0, REG_SZ, (const BYTE *) saved_local.c_str(),
                           (DWORD) saved_local.size() + 1);
        else
            RegDeleteValueA(key, "Local AppData");
        RegCloseKey(key);
    }
};

TEST_F(BrowserGui, ImportCommandReadsAChromiumStore)
{
    start(bookmark_file({{"http://a.example/", "A chess", "openings"}}).c_str());
    std::string store = dir + "Bookmarks";
    write_file(store, chromium({{"Caf\xC3\xA9 Club", "http://cafe.example/"},
                                {"A chess again", "HTTP://A.EXAMPLE/"}}));
    {
        DialogClicker clicker;
        clicker.answer("Import Bookmarks", IDOK, store.c_str());
        command(IDM_IMPORT);
        EXPECT_EQ(clicker.pending(), 0);
    }
    EXPECT_EQ(part(0), "1 Trovelinks imported from " + store);
    EXPECT_EQ(column(0), (std::vector<std::string>{"A chess", "Caf\xC3\xA9 Club"}));

    // Damaged: the import's failure message, and nothing added.
    write_file(store, chromium({{"New", "http://new.example/"}}).substr(0, 60));
    {
        DialogClicker clicker;
        clicker.answer("Import Bookmarks", IDOK, store.c_str());
        command(IDM_IMPORT);
        ASSERT_EQ(clicker.texts().size(), 2u);
        EXPECT_EQ(clicker.texts()[1], "Unable to import html bookmark file\n\n" + store);
    }
    EXPECT_EQ(app->bookmarks->count, 2u);
}

TEST_F(BrowserGui, NetscapeRescanTellsOnlyWhatIsNew)
{
    start(bookmark_file({{"http://a.example/", "A chess", "openings"}}).c_str());
    std::string netscape = dir + "bookmark.htm";
    write_file(netscape, bookmark_file({{"http://a.example/", "A chess", ""}}));
    set_string(NETSCAPE_KEY, "File Location", netscape.c_str());
    status_message(app, "before");
    rescan_browser_bookmarks(app);
    EXPECT_EQ(part(0), "before"); // unchanged: no message

    write_file(netscape, bookmark_file({{"http://a.example/", "A chess", ""},
                                        {"http://b.example/", "B", ""},
                                        {"http://c.example/", "C", ""},
                                        {"http://d.example/", "D", ""}}));
    rescan_browser_bookmarks(app);
    EXPECT_EQ(part(0), "3 new Trovelinks found during rescan of " + netscape);
    EXPECT_EQ(list_count(app), 4); // the filter ran
}

TEST_F(BrowserGui, ChromiumRescanReadsEveryInstalledBrowser)
{
    start(nullptr);
    std::string local = dir + "Local";
    set_string(SHELL_FOLDERS, "Local AppData", local.c_str());
    status_message(app, "before");
    EXPECT_EQ(rescan_chromium_browsers(app), 0); // none installed: nothing shown
    EXPECT_EQ(part(0), "before");

    std::string chrome = local + "\\Google\\Chrome\\User Data\\Default\\Bookmarks";
    std::string vivaldi = local + "\\Vivaldi\\User Data\\Default\\Bookmarks";
    make_folders(chrome);
    make_folders(vivaldi);
    write_file(chrome, chromium({{"One", "http://one.example/"}, {"Two", "http://two.example/"}}));
    write_file(vivaldi,
               chromium({{"Two", "http://two.example/"}, {"Three", "http://three.example/"}}));
    EXPECT_EQ(rescan_chromium_browsers(app), 1);
    EXPECT_EQ(part(0), "1 new Trovelinks found during rescan of " + vivaldi);
    EXPECT_EQ(list_count(app), 3);
}
