// Imports: the Chromium family's JSON bookmark store as the Import command
// reads it (entries in nested folders, names beyond ASCII, dates, damage), and
// the Favorites: the shortcut reader over the layouts that old and current
// systems write, and the walk over a folder tree made on disk, with names that
// are and are not shortcuts, deep and long paths and a folder loop. (Exports
// in the Netscape format go through the reader, whose tests import them.)
#include <gtest/gtest.h>

#include <string>
#include <time.h>

#include "session/appstate.h"
#include "core/mem.h"
#include "core/os.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/chromium_bookmarks.h"
#include "store/favorites.h"

namespace
{

// 2020-09-13 12:26:40 UTC in seconds since 1970; as Chromium writes it,
// microseconds since 1601.
const uint32_t T = 1600000000;

// A Bookmarks file as the browsers write it: members in their order, folders
// in folders, meta data beside the entries, an entry-like object outside
// "roots".
const char CHROMIUM[] = R"({ "checksum": "0123456789abcdef", "roots": {
  "bookmark_bar": { "children": [
    { "date_added": "13244473600000000", "guid": "00000000-0000-4000-a000-000000000001",
      "id": "5", "meta_info": { "last_visited_desktop": "13244473600000000", "type": "url" },
      "name": "Caf\u00e9 Chess Club", "type": "url", "url": "https://chess.example/" },
    { "children": [ { "children": [
        { "url": "https://deep.example/", "type": "url", "name": "Deep Folder Entry",
          "date_added": 13244473600000000 } ], "name": "Inner", "type": "folder" } ],
      "date_added": "13244473600000000", "name": "Outer Folder", "type": "folder" } ],
    "name": "Bookmarks bar", "type": "folder" },
  "other": { "children": [ { "name": "Ohne Datum Grüße", "type": "url",
                             "url": "http://other.example/", "date_added": "0" } ],
             "name": "Other bookmarks", "type": "folder" },
  "synced": { "children": [ ], "name": "Mobile bookmarks", "type": "folder" } },
  "sync_metadata": { "type": "url", "name": "not an entry", "url": "http://outside.example/" },
  "version": 1 }
)";

const char *const NONE = "(none)";
int opened; // shortcut files opened, counted through the file layer's hook

std::string url_of(const char *text)
{
    char *url = shortcut_url(text);
    std::string s = url ? url : NONE;
    memFree(url);
    return s;
}

// A shortcut as current systems write it.
const char REAL_STYLE[] =
    "[{000214A0-0000-0000-C000-000000000046}]\r\nProp3=19,11\r\n"
    "[InternetShortcut]\r\nIDList=\r\nURL=https://www.example.org/news?a=1&b=2\r\n"
    "IconFile=https://www.example.org/favicon.ico\r\nIconIndex=1\r\nHotKey=0\r\n";

TEST(ShortcutUrl, SectionAndKeyWhereverTheyStand)
{
    const struct {
        const char *text, *url;
    } cases[] = {
        // The classic layout, and what a reader of everything after URL= accepts.
        {"[InternetShortcut]\r\nURL=http://chess.example/club\r\n", "http://chess.example/club"},
        {"[internetshortcut]\n\n \tuRl=  http://a.example/ \r\n\r\n", "http://a.example/"},
        {"[InternetShortcut]URL=http://b.example/", "http://b.example/"},
        {"[InternetShortcut]\r\nURL=\r\n", ""},
        {"\xEF\xBB\xBF[InternetShortcut]\r\nURL=http://bom.example/", "http://bom.example/"},
        // Another section first, lines around URL=, line ends of every kind.
        {REAL_STYLE, "https://www.example.org/news?a=1&b=2"},
        {"[InternetShortcut]\r\nBASEURL=http://x/\r\nURL=http://c.example/\r\nModified=1\r\n",
         "http://c.example/"},
        {"[Other]\rURL=http://no/\r[InternetShortcut]\rIconIndex=0\rURL = http://d/\rX=1",
         "http://d/"},
        {"[DEFAULT]\nBASEURL=http://x/\n  [InternetShortcut]  \nURL=http://e/\n", "http://e/"},
        // No URL key in the section: skipped.
        {"[Other]\r\nURL=http://no/\r\n", NONE},
        {"URL=http://no/\r\n", NONE},
        {"[InternetShortcut]\r\n[Other]\r\nURL=http://no/\r\n", NONE},
        {"[InternetShortcut\r\nURL=http://no/\r\n", NONE},
        {"[InternetShortcut]\r\n;URL=http://no/\r\nURLS=http://no/\r\nxURL=http://no/", NONE},
        {"", NONE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.url, url_of(c.text)) << c.text;
}

class Import : public ::testing::Test
{
protected:
    AppState *app = new_app();
    const uint32_t started = (uint32_t) time(nullptr);
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    ~Import() override
    {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }
    // Imports the file at path as the Import command does: -1 when that
    // fails, else the count added.
    int import(const std::string &path)
    {
        uint32_t added = 0;
        return import_bookmarks_from(app, path.c_str(), &added) ? (int) added : -1;
    }
    // The count that the Favorites import of folder adds.
    uint32_t favorites(const std::string &folder)
    {
        uint32_t before = app->bookmarks->count;
        import_favorites(app, folder.c_str());
        return app->bookmarks->count - before;
    }
    std::string title(const char *url)
    {
        Bookmark *b = find_bookmark_by_url(app, url);
        return b ? b->title : NONE;
    }
};

std::string shortcut(const std::string &url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

TEST_F(Import, TreeFlattenedShortcutsOnly)
{
    dir.put("Chess Club.url", shortcut("http://chess.example/"));
    dir.put("x.URL", shortcut("http://upper.example/"));
    dir.put("x.url.txt", shortcut("http://txt.example/"));
    dir.put("x.lnk", shortcut("http://lnk.example/"));
    dir.put("url", shortcut("http://bare.example/"));
    dir.put("News.url", REAL_STYLE);
    dir.put("Broken.url", "URL=http://broken.example/\r\n");
    dir.put("a/b/c/d/e/Deep Dive.url", shortcut("http://deep.example/"));
    dir.put("a/Side.url", shortcut("http://side.example/"));
    dir.folder("empty");
    std::string deep; // a path past the old buffer length
    for (int i = 0; i < 12; i++)
        deep += std::string(30, (char) ('a' + i)) + "/";
    ASSERT_GT(dir.put(deep + "Far.url", shortcut("http://far.example/")).size(), 360u);

    // The folder without its separator, as a folder chooser gives it.
    uint32_t added = favorites(dir.path().substr(0, dir.path().size() - 1));
    // Where the system refuses such long paths that entry is skipped, and
    // the walk goes on past it.
#ifdef _WIN32
    bool far = title("http://far.example/") != NONE;
#else
    bool far = true;
#endif
    EXPECT_EQ(far ? 6u : 5u, added);
    const std::pair<const char *, const char *> titles[] = {
        {"http://chess.example/", "Chess Club"},
        {"http://upper.example/", "x"},
        {"https://www.example.org/news?a=1&b=2", "News"},
        {"http://deep.example/", "Deep Dive"},
        {"http://side.example/", "Side"},
        {"http://far.example/", far ? "Far" : NONE}};
    for (const auto &t : titles)
        EXPECT_EQ(t.second, title(t.first));
    EXPECT_EQ("Chess Club|Chess Club|now|now|none",
              summary(find_bookmark_by_url(app, "http://chess.example/"), started));

    // The same tree again adds nothing; a missing folder and "" neither.
    EXPECT_EQ(0u, favorites(dir.path()));
    EXPECT_EQ(0u, favorites(dir.path() + "missing"));
    EXPECT_EQ(0u, favorites(""));
}

TEST_F(Import, FolderLoopWalkedOnce)
{
    dir.put("a/A.url", shortcut("http://a.example/"));
    dir.put("a/b/B.url", shortcut("http://b.example/"));
    if (!dir.link("a/b/up", "..") || !dir.link("a/b/again", "../../a"))
        GTEST_SKIP() << "this system makes no folder links";
    // Each shortcut is opened once: no folder is walked twice.
    opened = 0;
    os_file_set_fault_hook([](OsFileOp op, const char *) {
        if (op == OS_FILE_OPEN_READ) opened++;
        return 0;
    });
    EXPECT_EQ(2u, favorites(dir.path()));
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(2, opened);
}

TEST_F(Import, ChromiumEntriesFromEveryFolder)
{
    // Recognised by its content, whatever its name.
    EXPECT_EQ(3, import(dir.put("Bookmarks", CHROMIUM)));
    const std::pair<const char *, const char *> entries[] = {
        {"https://chess.example/",
         "Caf\xC3\xA9 Chess Club|Caf\xC3\xA9 Chess Club|1600000000|now|none"},
        {"https://deep.example/", "Deep Folder Entry|Deep Folder Entry|1600000000|now|none"},
        // No date in the file: the time of the import.
        {"http://other.example/",
         "Ohne Datum Gr\303\274\303\237e|Ohne Datum Gr\303\274\303\237e|now|now|none"}};
    for (const auto &e : entries)
        EXPECT_EQ(e.second, summary(find_bookmark_by_url(app, e.first), started)) << e.first;
    Bookmark *chess = find_bookmark_by_url(app, "https://chess.example/");
    ASSERT_TRUE(chess);
    // Again, after the page was checked and visited: nothing new, and the
    // stored times stay (the file has none to give).
    chess->lastVisit = T + 10;
    chess->lastModified = T + 5;
    EXPECT_EQ(0, import(dir.put("again.htm", CHROMIUM)));
    EXPECT_EQ(T + 10, chess->lastVisit);
    EXPECT_EQ(T + 5, chess->lastModified);
}

TEST_F(Import, DamagedJsonAddsNothing)
{
    const std::string whole = CHROMIUM;
    for (const std::string &text :
         {whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() - 4),
          std::string("{ \"roots\": { \"x\": [1, 2,] } }")})
        EXPECT_EQ(-1, import(dir.put("Bookmarks", text))) << text;
    EXPECT_EQ(0u, app->bookmarks->count);
    // Well-formed JSON without roots is no bookmark store: nothing to add.
    EXPECT_EQ(0, import(dir.put("Bookmarks", "\xEF\xBB\xBF {\"version\": 1}")));
}

TEST(ChromiumTime, MicrosecondsSince1601)
{
    const std::pair<uint64_t, uint32_t> cases[] = {
        {13244473600000000ull, T},
        {13244473600999999ull, T},
        {11644473601000000ull, 1},
        {0, DATE_NONE},
        {11644473600000000ull, DATE_NONE}, // 1970 itself: no time kept
        {~0ull, DATE_NONE}};
    for (const auto &c : cases)
        EXPECT_EQ(c.second, chromium_time(c.first)) << c.first;
}

} // namespace
