// Files on disk: the platform layer's file functions, the whole-file read,
// the save with its ".bak" backup, export, and saves that fail part way
// (made to fail through the platform layer's fault hook), which must leave
// the previous file byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "session/appstate.h"
#include "core/mem.h"
#include "core/os.h"
#include "helpers/scratch_dir.h"
#include "helpers/store_helpers.h"
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

} // namespace
