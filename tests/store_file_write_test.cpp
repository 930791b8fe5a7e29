// Writing the bookmark file. Files on disk: the platform layer's file
// functions, the whole-file read, the save with its ".bak" backup, export, and
// saves that fail part way (made to fail through the platform layer's fault
// hook), which must leave the previous file byte for byte as it was. Then the
// writer's layout byte for byte, and the round trip written -> read -> written
// over generated records with arbitrary bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <time.h>
#include <vector>

#include "core/os.h"
#include "core/utf8.h"
#include "core/vec.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
#include "session/appstate.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

namespace
{

const char MISSING[] = "(missing)";

// Each test works in a folder of its own under the current one.
class Files : public ::testing::Test
{
protected:
    ScratchDir scratch{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    const std::string dir = scratch.path(), path = dir + "tl.htm", bak = path + ".bak";
    AppState *app = new_app();

    void SetUp() override { strcpy(app->options.tl_file, path.c_str()); }
    void TearDown() override
    {
        os_file_set_fault_hook(nullptr);
        app_state_destroy(app);
    }

    // The whole content of a file, or MISSING.
    std::string content(const std::string &p)
    {
        char *text = read_whole_file(p.c_str());
        if (!text) return os_file_exists(p.c_str()) ? "" : MISSING;
        return taken(text);
    }
    void add(const char *url, const char *title) { add_to(app, title, url, nullptr, 1000, 2000); }
    std::string image() { return image_of(app->bookmarks); }
    bool no_temporary_left() { return !os_file_exists((path + ".tmp").c_str()); }
};

OsFileOp failing_op;

int fail_chosen(OsFileOp op, const char *)
{
    return op == failing_op;
}

TEST_F(Files, WholeFileRead)
{
    // An empty file, no name, a missing file and a folder read as nothing.
    std::string e = scratch.put("empty", "");
    for (const std::string &p : {e, std::string(), dir + "none", dir})
        EXPECT_EQ(nullptr, read_whole_file(p.c_str())) << p;
}

// A temporary name in use is left to its owner.
TEST_F(Files, SaveKeepsTheFirstBackup)
{
    scratch.put("tl.htm.tmp", "not ours");
    std::string first;
    for (const char *url : {"http://one/", "http://two/", "http://three/"}) {
        add(url, "title");
        ASSERT_EQ(1, save_bookmark_file(app));
        EXPECT_EQ(image(), content(path)) << url;
        // No file before the first save: nothing to back up. An existing
        // backup is never replaced.
        EXPECT_EQ(first.empty() ? MISSING : first, content(bak)) << url;
        if (first.empty()) first = image();
    }
    EXPECT_EQ("not ours", content(path + ".tmp"));
    EXPECT_EQ(MISSING, content(path + ".1.tmp"));
    os_file_remove(bak.c_str());
    app->options.backup = 0;
    ASSERT_EQ(1, save_bookmark_file(app));
    EXPECT_EQ(MISSING, content(bak));
}

TEST_F(Files, FailedSavesLeaveThePreviousFile)
{
    add("http://new/", "new");
    const std::string old = "<DT><A HREF=\"http://old/\">old</A>\r\n";
    for (bool with_backup : {false, true}) {
        for (OsFileOp op :
             {OS_FILE_CREATE_NEW, OS_FILE_WRITE, OS_FILE_FLUSH, OS_FILE_CLOSE, OS_FILE_REPLACE}) {
            scratch.put("tl.htm", old);
            os_file_remove(bak.c_str());
            if (with_backup) scratch.put("tl.htm.bak", "older");
            failing_op = op;
            os_file_set_fault_hook(fail_chosen);
            EXPECT_EQ(0, save_bookmark_file(app)) << op;
            os_file_set_fault_hook(nullptr);
            EXPECT_EQ(old, content(path)) << op;
            // A backup made just before the failed replace is put back.
            EXPECT_EQ(with_backup ? "older" : MISSING, content(bak)) << op;
            EXPECT_TRUE(no_temporary_left()) << op;
        }
    }

    // A failed backup rename does not stop the save.
    os_file_remove(bak.c_str());
    failing_op = OS_FILE_RENAME;
    os_file_set_fault_hook(fail_chosen);
    EXPECT_EQ(1, save_bookmark_file(app));
    os_file_set_fault_hook(nullptr);
    EXPECT_EQ(image(), content(path));
    EXPECT_EQ(MISSING, content(bak));

    // A real fault: the folder does not exist.
    strcpy(app->options.tl_file, (dir + "none/tl.htm").c_str());
    EXPECT_EQ(0, save_bookmark_file(app));
}

std::string refused_target;

int fail_replace_putting_back_and_removal(OsFileOp op, const char *to)
{
    return op == OS_FILE_REPLACE || op == OS_FILE_REMOVE ||
           (op == OS_FILE_RENAME && to && refused_target == to);
}

// Saves that fail late: the replace fails and so do putting the backup back
// and removing the temporary file; or the replace is made but cannot be
// confirmed on the disk. What is left is named where the previous bytes and
// the new ones now are, and the message says so.
TEST_F(Files, LeftoversOfASaveThatFailsLate)
{
    add("http://new/", "new");
    refused_target = path;
    const struct {
        OsFileFaultHook hook;
        bool temporary; // left behind
    } cases[] = {
        {fail_replace_putting_back_and_removal, true},
        {[](OsFileOp op, const char *) { return op == OS_FILE_SYNC_FOLDER ? 1 : 0; }, false},
    };
    for (const auto &c : cases) {
        scratch.put("tl.htm", "old");
        os_file_remove(bak.c_str());
        os_file_remove((path + ".tmp").c_str());
        os_file_set_fault_hook(c.hook);
        SaveLeftovers left = {nullptr, nullptr};
        EXPECT_EQ(0, save_bookmark_file(app, &left));
        os_file_set_fault_hook(nullptr);
        EXPECT_EQ("old", content(bak));
        EXPECT_EQ(c.temporary ? image() : MISSING, content(path + ".tmp"));
        EXPECT_EQ("Unable to write Trovelinks to file\n\n" + path +
                      "\n\nThe previous Trovelinks are kept in\n\n" + bak +
                      (c.temporary ? "\n\nA temporary copy remains in\n\n" + path + ".tmp" : ""),
                  taken(save_failure_text(path.c_str(), &left)));
        save_leftovers_clear(&left);
    }
}

int writes_before_failure;

int fail_a_later_write(OsFileOp op, const char *)
{
    return op == OS_FILE_WRITE && writes_before_failure-- == 0;
}

// A list whose file takes several megabytes is written in pieces: the file
// is the whole image, and a write failing after others went through still
// leaves the previous file and no temporary one.
TEST_F(Files, LargeSavesWriteInPieces)
{
    for (int i = 0; i < 40000; i++) {
        std::string url = "http://host" + std::to_string(i) + ".example/some/longer/path";
        add(url.c_str(), ("A <title> & \"words\" number " + std::to_string(i)).c_str());
    }
    const std::string want = image();
    ASSERT_GT(want.size(), 3u << 20);
    ASSERT_EQ(1, save_bookmark_file(app));
    const std::string got = content(path); // where the two part, not megabytes of both
    EXPECT_EQ(want.size(), got.size());
    EXPECT_EQ(want.size(),
              (size_t) (std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first -
                        want.begin()));

    const std::string old = "<DT><A HREF=\"http://old/\">old</A>\r\n";
    for (int earlier : {1, 2}) {
        scratch.put("tl.htm", old);
        os_file_set_fault_hook(fail_a_later_write);
        writes_before_failure = earlier;
        EXPECT_EQ(0, save_bookmark_file(app)) << earlier;
        writes_before_failure = earlier;
        EXPECT_EQ(0, export_bookmarks_to(app->bookmarks, path.c_str())) << earlier;
        os_file_set_fault_hook(nullptr);
        EXPECT_EQ(old, content(path)) << earlier;
        EXPECT_TRUE(no_temporary_left()) << earlier;
    }
}

TEST_F(Files, ExportWritesTheGivenOrder)
{
    add("http://a/", "a");
    add("http://b/", "b");
    vec *v = vec_create();
    vec_append(v, find_bookmark_by_url(app, "http://b/"));
    vec_append(v, find_bookmark_by_url(app, "http://a/"));
    std::string out = scratch.put("export.htm", "previous export, replaced without a question");
    ASSERT_EQ(1, export_bookmarks_to(v, out.c_str()));
    EXPECT_EQ(image_of(v), content(out));
    EXPECT_EQ(0, export_bookmarks_to(v, (dir + "none/export.htm").c_str()));
    EXPECT_EQ(0, export_bookmarks_to(v, ""));
    vec_destroy(v);
}

// ---- The writer ---------------------------------------------------------------

const char HEADER[] = "<HTML><HEAD>\r\n<!DOCTYPE Velorix-Trovelinks-file-1>\r\n"
                      "<!-- This is an automatically generated file.\r\n"
                      "It will be read and overwritten.\r\nDo Not Edit! -->\r\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
                      "<TITLE>Trovelinks</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<H1>Trovelinks</H1>\r\n"
                      "<DL><p>\r\n\r\n";
const char FOOTER[] = "</DL><p>\r\n</BODY>\n";

Bookmark *add(AppState *app, const std::string &url, const std::string &title,
              const std::string &keywords, uint32_t addDate, uint32_t lastVisit,
              uint32_t lastModified)
{
    Bookmark *b =
        add_to(app, title.c_str(), url.c_str(), keywords.c_str(), addDate, lastVisit, lastModified);
    // Sentinels that add_bookmark would replace are stored as a running
    // program holds them (a Bookmark made by Add, a check under way).
    b->lastVisit = lastVisit;
    b->lastModified = lastModified;
    return b;
}

TEST(Writer, LayoutByteForByte)
{
    AppState *app = new_app();
    EXPECT_EQ(std::string(HEADER) + FOOTER, image_of(app->bookmarks));

    vec *v = vec_create();
    vec_append(v, add(app, "http://a/?x=1&y=\"2\"", "A <b> & \"c\"", "one two", 10, DATE_NONE,
                      DATE_FAILED));
    vec_append(v, add(app, "http://b/", "B", "", 4294967292u, 7, 8));
    vec_append(v, add(app, "http://c/", "", "", 0, 1, DATE_CHECKING));
    EXPECT_EQ(std::string(HEADER) +
                  "<DT><A HREF=\"http://a/?x=1&amp;y=&quot;2&quot;\" ADD_DATE=\"10\" >"
                  "A &lt;b&gt; &amp; &quot;c&quot;</A>\r\n<DD>one two\r\n\r\n"
                  "<DT><A HREF=\"http://b/\" ADD_DATE=\"4294967292\" LAST_VISIT=\"7\" "
                  "LAST_MODIFIED=\"8\" >B</A>\r\n<DD>\r\n\r\n"
                  "<DT><A HREF=\"http://c/\" ADD_DATE=\"0\" LAST_VISIT=\"1\" >"
                  "</A>\r\n<DD>\r\n\r\n" +
                  FOOTER,
              image_of(v));
    vec_destroy(v);
    app_state_destroy(app);
}

// Arbitrary UTF-8 characters, but for CR, LF and the zero byte, weighted
// towards the ones the markup and the entities care about; no white space at
// the ends.
std::string random_text(std::mt19937 &rng, size_t max_length)
{
    static const char special[] = "&<>\"';#xX0123456789amplgtquoAZaz \t/=";
    std::string s;
    for (size_t n = rng() % (max_length + 1); n > 0; n--) {
        if (rng() % 2) {
            s += special[rng() % (sizeof special - 1)];
            continue;
        }
        static const uint32_t limits[] = {0x80, 0x800, 0x10000, 0x110000};
        char bytes[4];
        uint32_t cp, len;
        do
            cp = rng() % limits[rng() % 4];
        while (cp == 0 || cp == '\r' || cp == '\n' || !(len = utf8_encode(cp, bytes)));
        s.append(bytes, len);
    }
    auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    if (!s.empty() && space(s.front())) s.front() = 'x';
    if (!s.empty() && space(s.back())) s.back() = 'x';
    return s;
}

// The Bookmarks of app in the order of the records of order (found by url).
vec *in_order_of(AppState *app, const vec *order)
{
    vec *v = vec_create();
    for (uint32_t i = 0; i < order->count; i++)
        vec_append(v, find_bookmark_by_url(app, vec_at<Bookmark>(order, i)->url));
    return v;
}

TEST(Writer, WrittenFilesReadBackToTheSameBookmarks)
{
    std::mt19937 rng(20240607);
    auto time = [&] { return rng() % 4 ? rng() % DATE_CHECKING : DATE_CHECKING - 1 - rng() % 3; };
    auto date = [&] { return rng() % 3 ? time() : DATE_CHECKING + rng() % 3; }; // or a sentinel
    for (int round = 0; round < 4; round++) {
        // In the first rounds every lastVisit is a time, so the second image
        // must equal the first; later rounds add the sentinels, which read
        // back as the time of reading (lastVisit) and none (lastModified).
        bool sentinels = round >= 2;
        AppState *app = new_app();
        for (int i = 0; i < 300; i++) {
            std::string url = "u" + std::to_string(i) + "|" + random_text(rng, 40);
            add(app, url, random_text(rng, 40), random_text(rng, 40), time(),
                sentinels ? date() : time(), date());
        }
        std::string image = image_of(app->bookmarks);
        uint32_t before = (uint32_t)::time(nullptr);
        AppState *back = new_app();
        read_bookmark_file(back, image.c_str(), 0);
        uint32_t after = (uint32_t)::time(nullptr);

        ASSERT_EQ(app->bookmarks->count, back->bookmarks->count);
        vec *again = in_order_of(back, app->bookmarks);
        for (uint32_t i = 0; i < again->count; i++) {
            const Bookmark *a = vec_at<Bookmark>(app->bookmarks, i);
            const Bookmark *b = vec_at<Bookmark>(again, i);
            ASSERT_NE(nullptr, b) << a->url;
            bool visit_read = date_is_time(a->lastVisit)
                                  ? a->lastVisit == b->lastVisit
                                  : b->lastVisit >= before && b->lastVisit <= after;
            EXPECT_EQ(
                std::string(a->url) + "|" + a->title + "|" + keywords_of(a) + "|" +
                    std::to_string(a->addDate) + "|1|" +
                    std::to_string(date_is_time(a->lastModified) ? a->lastModified : DATE_NONE),
                std::string(b->url) + "|" + b->title + "|" + keywords_of(b) + "|" +
                    std::to_string(b->addDate) + "|" + std::to_string(visit_read) + "|" +
                    std::to_string(b->lastModified));
        }
        std::string second = image_of(again);
        if (!sentinels) {
            EXPECT_EQ(image, second);
        }
        // Once read, a file is written back unchanged.
        AppState *third = new_app();
        read_bookmark_file(third, second.c_str(), 0);
        vec *order = in_order_of(third, again);
        EXPECT_EQ(second, image_of(order));

        vec_destroy(order);
        vec_destroy(again);
        for (AppState *a : {app, back, third})
            app_state_destroy(a);
    }
}

} // namespace
