// The Chromium family's JSON bookmark store as the Import command reads it:
// entries in nested folders, names beyond ASCII, dates, damage. (Exports in
// the Netscape format go through the reader, whose tests import them.)
#include <gtest/gtest.h>

#include <string>
#include <time.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/chromium_bookmarks.h"

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

class BrowserImport : public ::testing::Test
{
protected:
    AppState *app = new_app();
    const uint32_t started = (uint32_t) time(nullptr);
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    ~BrowserImport() override
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
};

TEST_F(BrowserImport, ChromiumEntriesFromEveryFolder)
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

TEST_F(BrowserImport, DamagedJsonAddsNothing)
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
