// Reading Bookmarks from outside. The bookmark file reader: the scanner's
// tokens, the anchor's url and dates, the reader's edge cases, entity
// decoding, and browser exports (two made by hand and a generated one). The
// Chromium family's JSON bookmark store as the Import command reads it
// (entries in nested folders, names beyond ASCII, dates, damage). The
// Favorites: the shortcut reader over the layouts that old and current
// systems write, and the walk over a folder tree made on disk, with names that
// are and are not shortcuts, deep and long paths and a folder loop.
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <time.h>

#include "session/appstate.h"
#include "core/dupstr.h"
#include "core/mem.h"
#include "core/os.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/chromium_bookmarks.h"
#include "store/favorites.h"
#include "store/html_text.h"

namespace
{

const char *const NONE = "(none)";

// A fresh application record per test, checked and freed at its end, and a
// scratch folder.
class Reader : public ::testing::Test
{
protected:
    AppState *app = new_app();
    const uint32_t started = (uint32_t) time(nullptr);
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    ~Reader() override
    {
        EXPECT_EQ("", check_app_store(app));
        app_state_destroy(app);
    }

    uint32_t count() const { return app->bookmarks->count; }

    // The url as held and the summary of the Bookmark of url.
    std::string summary(const std::string &url)
    {
        Bookmark *b = find_bookmark_by_url(app, url.c_str());
        return b ? b->url + ("|" + ::summary(b, started)) : NONE;
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
        uint32_t before = count();
        import_favorites(app, folder.c_str());
        return count() - before;
    }
};

// The kinds scan_token gives for a text, as a string of digits.
std::string kinds(const char *text)
{
    BookmarkScanner s;
    scanner_init(&s, text);
    std::string out;
    while (scan_token(&s))
        out += s.kind == TOK_CHAR ? std::string(1, s.ch) : "[" + std::to_string(s.kind) + "]";
    EXPECT_EQ(TOK_END, s.kind);
    return out;
}

TEST(Scanner, RecognisesOnlyExactTagSpellings)
{
    const struct {
        const char *text, *tokens;
    } cases[] = {
        {"<DT><dt><Dd><DL></dl></A></a>", "[5][5][3][6][7][2][2]"},
        {"a\r\nb\tc", "ab\tc"},              // CR and LF dropped, tab is text
        {"<DD ><D D><DDX><D>x<DL >y", "xy"}, // anything inside skips the tag
        {"</A ><//A></>x</DLX>", "x"},       // so for end tags
        {"<>a<<DT>b", "ab"},                 // < inside a tag starts nothing
        {"<p>x<H3 A=\"<DT>\">y", "x\">y"},   // quotes protect nothing
        {"<a\r\n\thref =\"u\">t", "[1]t"},   // blanks around HREF and =
        {"<AHREF=\"u\">t", "[1]t"},          // no blank needed
        {"<A HREF=\"a>>b\" X=1>t", "[1]t"},  // > inside the url
        {"<A NAME=\"n\" HREF=\"u\">t", "t"}, // HREF not first
        {"<A HREF= \"u\">t", "t"},           // blank before the quote
        {"<A HREF=u>t", "t"},                // unquoted
        {"<A>t<A >u<A HREF>v<A HREFS=\"x\">w", "tuvw"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.tokens, kinds(c.text)) << c.text;
    // Every scan that looks for > or a quote ends at the zero byte.
    for (const char *text :
         {"<", "</", "</A", "<D", "<DD", "<A", "<A HREF", "<A HREF=", "<A HREF=\"url",
          "<A HREF=\"url\"", "<A HREF=\"a>b", "<H1 x=\"", "<!-- comment"})
        EXPECT_EQ("", kinds(text)) << text;
}

TEST(Scanner, AnchorDates)
{
    // Empty values give 0, long ones wrap, lower-case names and names without
    // =" are ignored, nothing after the tag's > counts, and a partial match
    // resumes one byte on, so a name inside another is found.
    const struct {
        const char *anchor;
        uint32_t add, visit, modified;
    } cases[] = {
        {"<A HREF=\"u\" LAST_MODIFIED=\"30\" X=\"ADD_DATE\" LAST_VISIT=\"20\" ADD_DATE=\"10\">", 10,
         20, 30},
        {"<A HREF=\"u\" ADD_DATE=\"\" LAST_VISIT=\"4294967301\" last_modified=\"5\" "
         "LAST_MODIFIED=5 LAST_MODIFIED =\"6\">LAST_MODIFIED=\"7\"",
         0, 5, DATE_NONE},
        {"<A HREF=\"u\" ADD_DATE=&quot;1\" XADD_DATADD_DATE=\"9\">", 9, DATE_NONE, DATE_NONE},
        {"<A HREF=\"u", DATE_NONE, DATE_NONE, DATE_NONE}, // unfinished
    };
    for (const auto &c : cases) {
        PendingEntry e = {};
        parse_anchor(&e, c.anchor);
        EXPECT_STREQ("u", e.url.data);
        EXPECT_EQ(c.add, e.addDate) << c.anchor;
        EXPECT_EQ(c.visit, e.lastVisit) << c.anchor;
        EXPECT_EQ(c.modified, e.lastModified) << c.anchor;
        vstrClear(&e.url);
    }
}

// Texts read into an empty list, and what each Bookmark read holds.
TEST_F(Reader, EntriesOfEachText)
{
    const std::string good_text =
        "<DT><A HREF=\"http://good/\" ADD_DATE=\"1000\" >good</A>\r\n<DD>\r\n";
    const std::pair<const char *, const char *> good = {"http://good/", "good||1000|now|none"};
    const struct {
        std::string text;
        int title_words;
        std::vector<std::pair<const char *, const char *>> entries; // url, summary
    } cases[] = {
        {"<DT><A HREF=\"http://split/\">two\r\nlines <b>and</b> tags</A>\n"
         "<DT><A HREF=\"http://blank-dd/\">blank</A> <DD>lost\n"
         "<DT><A HREF=\"http://crlf-dd/\">crlf</A>\r\n\r\n<DD>kept<DD>not kept\n"
         "<DT><A HREF=\"http://accent/\">Caf\xe9 \x96 \xfc\xdf\xff</A>\n" // no UTF-8: windows-1252
         "<DT><A HREF=\"http://after-accent/\">after</A>\n",
         0,
         {{"http://split/", "twolines and tags||now|now|none"},
          {"http://blank-dd/", "blank||now|now|none"},
          {"http://crlf-dd/", "crlf|kept|now|now|none"},
          {"http://accent/", "Caf\xc3\xa9 \xe2\x80\x93 \xc3\xbc\xc3\x9f\xc3\xbf||now|now|none"},
          {"http://after-accent/", "after||now|now|none"}}},
        // Files in windows-1252: a browser export that says so (the first
        // text above says nothing, as the own files of earlier versions,
        // written in the ANSI code page); and a UTF-8 file where bytes typed
        // in the ANSI code page were added.
        {"<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" "
         "CONTENT=\"text/html; "
         "charset=windows-1252\">\n<DL><p>\n<DT><A HREF=\"http://d/\">Caf\xe9 \x96 "
         "\xc3\xa9&#233;</A>\n",
         1,
         {{"http://d/", "Caf\xc3\xa9 \xe2\x80\x93 \xc3\x83\xc2\xa9\xc3\xa9|Caf\xc3\xa9 "
                        "\xc3\x83\xc2\xa9\xc3\xa9|now|now|none"}}},
        {"<meta charset=\"ISO-8859-1\">\n<DT><A HREF=\"http://d/\">\xc3\xa9</A>\n",
         0,
         {{"http://d/", "\xc3\x83\xc2\xa9||now|now|none"}}},
        {"<META CONTENT=\"text/html; charset=Latin1\">\n<DT><A HREF=\"http://d/\">\xc3\xa9</A>\n",
         0,
         {{"http://d/", "\xc3\x83\xc2\xa9||now|now|none"}}},
        {"<DT><A HREF=\"http://late/\">\xc3\xa9 charset=latin1 x</A>\n",
         0, // only the head declares
         {{"http://late/", "\xc3\xa9 charset=latin1 x||now|now|none"}}},
        {"<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
         "<DT><A HREF=\"http://mixed/\">Caf\xc3\xa9 \xe9t\xe9 \xc3</A>\r\n<DD>\r\n",
         0,
         {{"http://mixed/", "Caf\xc3\xa9 \xc3\xa9t\xc3\xa9 \xc3\x83||now|now|none"}}},
        // An unfinished entry at the end is dropped; one complete up to its
        // </A> at the very end is kept.
        {good_text + "<DT><A HREF=\"http://cut/\">title without end", 0, {good}},
        {good_text + "<DT><A HREF=\"http://cut/\">t</A", 0, {good}},
        {"no anchors at all <DT><DD><A HREF=\"http://end/\">end</A>",
         0,
         {{"http://end/", "end||now|now|none"}}},
    };
    for (const auto &c : cases) {
        AppState *fresh = new_app();
        std::swap(app, fresh);
        app_state_destroy(fresh);
        // A heap block of exactly the text's size, so that a scan past the
        // terminating zero is caught by the address sanitizer.
        char *text = dupstr(c.text.c_str());
        read_bookmark_file(app, text, c.title_words);
        memFree(text);
        std::vector<std::string> want, got;
        for (const auto &e : c.entries) {
            want.push_back(std::string(e.first) + "|" + e.second);
            got.push_back(summary(e.first));
        }
        EXPECT_EQ(want, got);
        EXPECT_EQ(c.entries.size(), count()) << c.text;
    }
}

TEST(HtmlText, DecodesTheKnownEntitiesOnly)
{
    const struct {
        const char *in, *out;
    } cases[] = {
        {"&lt;b&gt; &quot;q&quot; &#39;s&#x41;&#X7e;&#32;&#126;", "<b> \"q\" 'sA~ ~"},
        {"&amp;amp; &amp;lt;", "&amp; &lt;"},                // decoded once, not again
        {"a & b &amp c &foo; &#; &#x; &#31; &#127; &#0065;", //
         "a & b &amp c &foo; &#; &#x; &#31; &#127; A"},
        // Any code point as UTF-8; 128 to 159 as windows-1252 has them.
        {"&#233;&#8211;&#128512;&#x1F600;&#xe9;&#150;&#x81;&#160;&#1114111;",
         "\xc3\xa9\xe2\x80\x93\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xc3\xa9\xe2\x80\x93\xc2\x81\xc2\xa0"
         "\xf4\x8f\xbf\xbf"},
        {"&#2047;&#2048;&#65535;&#65536;", "\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf0\x90\x80\x80"},
        {"&#xD800;&#57343;&#1114112;&#x110000;", "&#xD800;&#57343;&#1114112;&#x110000;"},
        {"&#99999999999999999999999999;&#xfffffffffffffffff;&AMP;", //
         "&#99999999999999999999999999;&#xfffffffffffffffff;&AMP;"},
        {"tail &", "tail &"},
        {"&#", "&#"},
        {"", ""},
    };
    for (const auto &c : cases) {
        std::string text = c.in;
        uint32_t n = decode_html_text(&text[0]);
        EXPECT_EQ(c.out, std::string(text.c_str())) << c.in;
        EXPECT_EQ(strlen(c.out), n) << c.in;
    }
}

// The directory of this source file, beside which the test data lies.
std::string source_dir()
{
    std::string f = __FILE__;
    size_t slash = f.find_last_of("/\\");
    return slash == std::string::npos ? "." : f.substr(0, slash);
}

TEST_F(Reader, BrowserExports)
{
    // Two hand-made exports read one after the other, with title words on.
    // Indented <DD> lines (as browsers write them) add no keywords; in the
    // older file's <DD> lines, which follow </A> directly, the line breaks
    // are dropped, so words on either side of one run together. Entities
    // are decoded before keywords are made. LAST_VISIT is read where there is
    // one; 0 is a time like any other.
    const std::string data = source_dir() + "/data/";
    ASSERT_EQ(12, import(data + "browser-export-folders.htm"));
    ASSERT_EQ(5, import(data + "browser-export-classic.htm")); // the tide tables are there already
    EXPECT_EQ(-1, import(data + "missing.htm"));
    EXPECT_EQ(17u, count());

    const std::pair<const char *, const char *> cases[] = {
        // The first of three: a later duplicate's newer date is taken, an older one's not.
        {"https://tides.example.org/harbour?port=brest&days=7",
         "Tide Tables & Currents \xe2\x80\x94 Brest|Tide Tables Currents Brest|1600000100|none|"
         "1630000100"},
        {"javascript:(function(){var%20s=String(getSelection());if(s.length>0)open('https://"
         "words.example.com/?q='+encodeURIComponent(s))})()",
         "Look up \"selection\"|Look up selection|1600000200|now|1600000200"},
        {"http://www.example.com/rail/timetable.html",
         "Rail Timetable: Winter 1998|Rail Timetable Winter 1998 Departures arrivalsweekdays "
         "only|880000000|890000000|885000000"},
        {"http://dict.example.org/cgi-bin/look?word=\"sea\"",
         "Dictionary \xe2\x80\x9csea\xe2\x80\x9d|Dictionary \xe2\x80\x9csea\xe2\x80\x9d Words "
         "phrases Brien notes|880000200|880000300|0"},
        {"http://10.0.0.7:8000/~ada/notes.txt", "ada's notes|ada notes|880000400|0|880000400"},
        {"https://lower.example.net/", "lower case markup|lower case markup|now|now|none"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.first + std::string("|") + c.second, summary(c.first));
}

// The entities that the generator writes; &amp; last, so that "&amp;lt;"
// gives "&lt;".
std::string decode_generated(std::string s)
{
    const char *entities[][2] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}};
    for (const auto &e : entities)
        for (size_t p = 0; (p = s.find(e[0], p)) != std::string::npos; p++)
            s.replace(p, strlen(e[0]), e[1]);
    return s;
}

TEST_F(Reader, GeneratedBrowserFile)
{
    std::string path = source_dir() + "/data/browser-300-seed7.htm";
    char *text = read_whole_file(path.c_str());
    ASSERT_NE(nullptr, text) << path;
    // An independent reading of the generator's layout, one anchor per line,
    // added straight to a second list. The generator indents its <DD> lines,
    // as browsers do, so no description follows </A> directly and adds
    // keywords.
    AppState *expected = new_app();
    size_t anchors = 0, descriptions = 0;
    std::string all = text;
    for (size_t pos = 0, end; pos < all.size(); pos = end + 1) {
        end = all.find('\n', pos);
        std::string line = all.substr(pos, end - pos);
        size_t a = line.find("<DT><A HREF=\""), u = a + 13;
        descriptions += line.find("    <DD>") != std::string::npos;
        if (a == std::string::npos) continue;
        anchors++;
        size_t q = line.find('"', u), t = line.find('>', q) + 1;
        std::string url = decode_generated(line.substr(u, q - u));
        std::string title = decode_generated(line.substr(t, line.find("</A>") - t));
        add_bookmark(expected, dupstr(title.c_str()), dupstr(url.c_str()), nullptr, 1, 1, 1, 1);
    }
    read_bookmark_file(app, text, 1);
    memFree(text);

    ASSERT_EQ(300u, anchors);
    ASSERT_GT(descriptions, 0u);
    ASSERT_LT(expected->bookmarks->count, anchors); // duplicates were merged
    EXPECT_EQ(expected->bookmarks->count, count());
    for (uint32_t i = 0; i < expected->bookmarks->count; i++) {
        const Bookmark *e = vec_at<Bookmark>(expected->bookmarks, i);
        Bookmark *b = find_bookmark_by_url(app, e->url);
        ASSERT_NE(nullptr, b);
        EXPECT_STREQ(e->url, b->url); // the first of the duplicates
        EXPECT_STREQ(e->title, b->title);
        EXPECT_EQ(keywords_of(e), keywords_of(b));
    }
    app_state_destroy(expected);
}

// ---- Imports ---------------------------------------------------------------

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

int opened; // shortcut files opened, counted through the file layer's hook

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
        {"[InternetShortcut]\r\nBASEURL=http://x/\r\nURL=http://c.example/\r\nModified=1\r\n",
         "http://c.example/"},
        {"[Other]\rURL=http://no/\r[InternetShortcut]\rIconIndex=0\rURL = http://d/\rX=1",
         "http://d/"},
        {"[DEFAULT]\nBASEURL=http://x/\n  [InternetShortcut]  \nURL=http://e/\n", "http://e/"},
        // No URL key in the section: skipped (null).
        {"[Other]\r\nURL=http://no/\r\n", "(null)"},
        {"[InternetShortcut]\r\n[Other]\r\nURL=http://no/\r\n", "(null)"},
        {"[InternetShortcut\r\nURL=http://no/\r\n", "(null)"},
        {"[InternetShortcut]\r\n;URL=http://no/\r\nURLS=http://no/\r\nxURL=http://no/", "(null)"},
        {"", "(null)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.url, taken(shortcut_url(c.text))) << c.text;
}

std::string shortcut(const std::string &url)
{
    return "[InternetShortcut]\r\nURL=" + url + "\r\n";
}

TEST_F(Reader, TreeFlattenedShortcutsOnly)
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
    bool far = summary("http://far.example/") != NONE;
#else
    bool far = true;
#endif
    EXPECT_EQ(far ? 6u : 5u, added);
    const std::pair<const char *, const char *> entries[] = {
        {"http://chess.example/", "Chess Club|Chess Club|now|now|none"},
        {"http://upper.example/", "x||now|now|none"},
        {"https://www.example.org/news?a=1&b=2", "News|News|now|now|none"},
        {"http://deep.example/", "Deep Dive|Deep Dive|now|now|none"},
        {"http://side.example/", "Side|Side|now|now|none"},
        {"http://far.example/", far ? "Far|Far|now|now|none" : nullptr}};
    for (const auto &e : entries)
        EXPECT_EQ(e.second ? e.first + std::string("|") + e.second : NONE, summary(e.first));

    // The same tree again adds nothing; a missing folder and "" neither.
    EXPECT_EQ(0u, favorites(dir.path()));
    EXPECT_EQ(0u, favorites(dir.path() + "missing"));
    EXPECT_EQ(0u, favorites(""));
}

TEST_F(Reader, FolderLoopWalkedOnce)
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

TEST_F(Reader, ChromiumEntriesFromEveryFolder)
{
    // Damaged JSON adds nothing; well-formed JSON without roots is no
    // bookmark store: nothing to add.
    const std::string whole = CHROMIUM;
    for (const std::string &text :
         {whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() - 4),
          std::string("{ \"roots\": { \"x\": [1, 2,] } }")})
        EXPECT_EQ(-1, import(dir.put("Bookmarks", text))) << text;
    EXPECT_EQ(0, import(dir.put("Bookmarks", "\xEF\xBB\xBF {\"version\": 1}")));
    EXPECT_EQ(0u, count());
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
        EXPECT_EQ(e.first + std::string("|") + e.second, summary(e.first));
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

TEST(ChromiumTime, MicrosecondsSince1601)
{
    const std::pair<uint64_t, uint32_t> cases[] = {
        {13244473600999999ull, T},
        {11644473601000000ull, 1},
        {11644473600000000ull, DATE_NONE}, // 1970 itself: no time kept
        {~0ull, DATE_NONE}};
    for (const auto &c : cases)
        EXPECT_EQ(c.second, chromium_time(c.first)) << c.first;
}

} // namespace
