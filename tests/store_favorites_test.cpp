// The Favorites import: the shortcut reader over the layouts that old and
// current systems write, and the walk over a folder tree made on disk, with
// names that are and are not shortcuts, deep and long paths and a folder
// loop.
#include <gtest/gtest.h>

#include <string>
#include <time.h>

#include "session/appstate.h"
#include "core/mem.h"
#include "core/os.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
#include "store/bookmark.h"
#include "store/favorites.h"

namespace
{

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

class Favorites : public ::testing::Test
{
protected:
    AppState *app = new_app();
    const uint32_t started = (uint32_t) time(nullptr);
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    ~Favorites() override
    {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }
    uint32_t import(const std::string &folder)
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

TEST_F(Favorites, TreeFlattenedShortcutsOnly)
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
    uint32_t added = import(dir.path().substr(0, dir.path().size() - 1));
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
    EXPECT_EQ(0u, import(dir.path()));
    EXPECT_EQ(0u, import(dir.path() + "missing"));
    EXPECT_EQ(0u, import(""));
}

TEST_F(Favorites, FolderLoopWalkedOnce)
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
    EXPECT_EQ(2u, import(dir.path()));
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(2, opened);
}

} // namespace
