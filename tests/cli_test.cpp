// The command-line program end to end: each test runs the real binary in a
// home of its own and looks at its standard output, standard error, exit
// status and the bookmark file afterwards.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/helpers/http_server.h"
#include "tests/helpers/scratch_dir.h"

namespace
{

typedef std::vector<std::string> Args;

std::string slurp(const std::string &path)
{
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

// One command: its arguments, a text its standard output must hold ("" for
// anything), one its standard error must hold ("": it must be empty), its
// exit status and its standard input.
struct Step {
    Args args;
    std::string out, err = "";
    int status = 0;
    std::string input = "";
};

class Cli : public ::testing::Test
{
protected:
    ScratchDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    const std::string home = std::filesystem::absolute(dir.path()).parent_path().string();
    std::string out, err;

    std::string data() { return home + "/.local/share/trovelinks/tl.htm"; }

    // The shell's command for the program with args (which hold no quote) in
    // this home, its standard streams in files named after n.
    std::string command(const Args &args, int n)
    {
        std::string line = "HOME=" + home +
                           " XDG_DATA_HOME= XDG_CONFIG_HOME= env -u SSL_CERT_DIR "
                           "SSL_CERT_FILE=" TL_TLS_DIR "/ca.pem " TL_CLI_PROGRAM;
        for (const std::string &a : args)
            line += " '" + a + "'";
        std::string base = home + "/run" + std::to_string(n);
        return line + " <" + base + ".in >" + base + ".out 2>" + base + ".err";
    }
    // Runs the program; its exit status, its output and error in out and err.
    int run(const Args &args, const std::string &input = "")
    {
        dir.put("run0.in", input);
        int status = system(command(args, 0).c_str());
        out = slurp(home + "/run0.out");
        err = slurp(home + "/run0.err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void play(const std::vector<Step> &steps)
    {
        for (const Step &s : steps) {
            SCOPED_TRACE(::testing::PrintToString(s.args));
            EXPECT_EQ(s.status, run(s.args, s.input)) << err;
            EXPECT_NE(std::string::npos, out.find(s.out)) << out;
            EXPECT_TRUE(s.err.empty() ? err.empty() : err.find(s.err) != std::string::npos) << err;
        }
    }
};

TEST_F(Cli, EveryCommandEndToEndThenBadInput)
{
    // A browser export: one page modified after its visit, one not.
    dir.put("export.htm",
            "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n<DT><H3>Games</H3>\n<DL><p>\n"
            "<DT><A HREF=\"http://chess.example/\" ADD_DATE=\"1000\" LAST_VISIT=\"2000\" "
            "LAST_MODIFIED=\"3000\">Chess Openings</A>\n"
            "<DT><A HREF=\"http://go.example/\" ADD_DATE=\"1000\" LAST_VISIT=\"5000\" "
            "LAST_MODIFIED=\"3000\">Go Openings</A>\n</DL><p>\n</DL><p>\n");
    dir.put("fav/Tea Shop.url", "[InternetShortcut]\r\nURL=http://teashop.example/\r\n");
    dir.put("Bookmarks", R"({"roots": {"bookmark_bar": {"type": "folder", "children": [
        {"type": "url", "name": "Chess Club", "url": "http://club.example/"}]}}})");
    std::string notes = dir.put("notes.htm", "my notes, not bookmarks");
    // clang-format off
    play({
        {{"import", home + "/export.htm"}, "2 Trovelinks imported from " + home},
        {{"add", "https://x.example/Tea", "--title", "Green tea", "--keywords", "tea leaves"}, ""},
        {{"add", "HTTPS://X.EXAMPLE/tea", "--title", "Tea"}, "Stored already"},
        {{"search", "openings"}, "Chess Openings\thttp://chess.example/\tnew\n"
                                 "Go Openings\thttp://go.example/\tunchanged\n"},
        {{"search", "--sort", "url"}, "http://chess.example/\tnew\nGo Openings\thttp://go.example/"
                                      "\tunchanged\nTea\thttps://x.example/Tea\tunknown\n"},
        {{"search", "--hint", "te"}, "tea"},
        {{"search", "--json", "leaves"}, "\"title\":\"Tea\""},
        {{"new"}, "Chess Openings\thttp://chess.example/\tnew\n"},
        {{"visit", "http://chess.example/"}, ""},
        {{"new"}, ""},
        {{"keywords"}, "chess\ngo\nleaves\nopenings\ntea\n5 words\n"},
        {{"edit", "https://x.example/tea", "--title", "Oolong", "--url", "https://y.example/"}, ""},
        {{"edit", "https://y.example/", "--url", "http://go.example/"}, "", "already exists", 1},
        {{"delete", "openings"}, "Chess Openings\thttp://chess.example/\n", "Nothing deleted", 1,
         "n\n"},
        {{"delete", "go"}, "1 Trovelink deleted", "Delete 1 Trovelink?", 0, "y\n"},
        {{"export", "-o", home + "/out.htm", "tea"}, "1 Trovelink exported to"},
        {{"export"}, "HREF=\"https://y.example/\""},
        {{"options", "implied_or", "1"}, ""},
        {{"options", "implied_or"}, "1\n"},
        {{"search", "chess", "leaves"}, "Oolong\thttps://y.example/"},
        {{"--help"}, "Usage: trovelinks"},
        {{"check", "--help"}, "Usage: trovelinks check"},
        {{"import", home + "/fav", home + "/Bookmarks"},
         "1 Trovelinks imported from " + home + "/fav\n1 Trovelinks imported from " + home +
             "/Bookmarks\n"},
        {{"search", "--sort", "url"}, "\tunchanged\nChess Club\thttp://club.example/\tunknown\n"
                                      "Tea Shop\thttp://teashop.example/\tunknown\nOolong\t"},
        // A file that holds no Trovelinks is set aside, not overwritten.
        {{"--file", notes, "add", "http://a.example/"}, "",
         "Unable to read Trovelinks from file: " + notes},
    });
    // clang-format on
    std::string file = slurp(data());
    EXPECT_NE(std::string::npos, slurp(home + "/out.htm").find("Oolong"));
    EXPECT_NE(std::string::npos, slurp(home + "/.config/trovelinks/options").find("implied_or=1"));
    EXPECT_EQ("my notes, not bookmarks", slurp(notes + ".unread"));
    EXPECT_NE(std::string::npos, slurp(notes).find("http://a.example/"));

    // Bad input: a message, a non-zero status and the file as it was.
    dir.put("empty.htm", "");
    dir.put("plain", "not a folder");
    // clang-format off
    play({
        {{}, "", "Usage: trovelinks", 2},
        {{"frobnicate"}, "", "unknown command frobnicate", 2},
        {{"--bogus", "search"}, "", "unknown option --bogus", 2},
        {{"search", "--bogus"}, "", "unknown option --bogus", 2},
        {{"add"}, "", "add needs an argument", 2},
        {{"add", "http://b.example/", "--title"}, "", "needs a value", 2},
        {{"add", "http://b.example/", "--title", " "}, "", "Please enter a title", 1},
        {{"search", "(alpha"}, "", "Search expression error", 1},
        {{"delete", "beta"}, "", "No Trovelinks match beta", 1},
        {{"delete", "(", "--yes"}, "", "Search expression error", 1},
        {{"edit", "http://a.example/"}, "", "edit needs", 2},
        {{"visit", "http://none.example/"}, "", "No Trovelink with the URL", 1},
        {{"import", home + "/missing.htm"}, "", "Unable to import html bookmark file: " + home, 1},
        {{"import", home + "/empty.htm"}, "", "Unable to import html bookmark file", 1},
        {{"search", "--sort", "date"}, "", "--sort takes title or url", 2},
        {{"check", "--jobs", "0"}, "", "--jobs takes a number", 2},
        {{"options", "colour"}, "", "unknown option name colour", 2},
        {{"options", "backup", "yes"}, "", "must be a number", 2},
        {{"--file", home + "/plain/tl.htm", "add", "http://b.example/"}, "",
         "Unable to write Trovelinks to file: " + home + "/plain/tl.htm", 1},
    });
    // clang-format on
    EXPECT_EQ(file, slurp(data()));
}

// Two commands at once lose nothing; a lock held too long fails the second.
TEST_F(Cli, ConcurrentCommandsWaitForTheLock)
{
    ASSERT_EQ(0, run({"add", "http://seed.example/"}));
    dir.put("run1.in", "");
    dir.put("run2.in", "");
    system((command({"add", "http://one.example/"}, 1) + " & " +
            command({"add", "http://two.example/"}, 2) + " & wait")
               .c_str());
    std::string file = slurp(data());
    EXPECT_NE(std::string::npos, file.find("one.example"));
    EXPECT_NE(std::string::npos, file.find("two.example"));

    int lock = open((data() + ".lock").c_str(), O_RDWR);
    ASSERT_EQ(0, flock(lock, LOCK_EX));
    EXPECT_EQ(1, run({"add", "http://three.example/"}));
    close(lock);
    EXPECT_NE(std::string::npos, err.find("in use by another trovelinks command"));
    EXPECT_EQ(file, slurp(data()));
}

// check stores and shows every result, the same with one job or eight, over
// HTTP and HTTPS; one job probes the Bookmarks that match first.
TEST_F(Cli, CheckWithOneJobOrEight)
{
    HttpServer *server = http_server_start();
    ASSERT_TRUE(server);
    ASSERT_EQ(1, http_server_start_tls(server));
    http_server_route(server, "/d",
                      "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 2033 08:49:37 GMT\r\n\r\n");
    http_server_route(server, "/p", "HTTP/1.0 200 OK\r\n\r\n");
    // Nothing listens on port 1: a failure.
    const std::string urls[] = {http_server_url(server, "/p"), "http://127.0.0.1:1/",
                                http_server_tls_url(server, "localhost", "/d"),
                                http_server_url(server, "/d")};
    const std::string lines[] = {"unknown\t" + urls[0], "failed\t" + urls[1], "new\t" + urls[2],
                                 "new\t" + urls[3]};
    std::string list;
    for (const std::string &url : urls)
        list += "<DT><A HREF=\"" + url + "\" LAST_VISIT=\"2000\">" +
                (url == urls[3] ? "Target" : "Page") + "</A>\n";
    dir.put("in.htm", list);
    for (int jobs : {1, 8}) {
        std::string file = home + "/j" + std::to_string(jobs) + ".htm";
        ASSERT_EQ(0, run({"--file", file, "import", home + "/in.htm"}));
        EXPECT_EQ(0, run({"--file", file, "check", "--jobs", std::to_string(jobs), "target"}))
            << err;
        EXPECT_EQ(4, std::count(out.begin(), out.end(), '\n')) << out;
        for (const std::string &line : lines)
            EXPECT_NE(std::string::npos, out.find(line + "\n")) << line;
        EXPECT_EQ(jobs == 1 ? 0u : out.find(lines[3]), out.find(lines[3]));
        run({"--file", file, "search", "--sort", "url"});
        EXPECT_NE(std::string::npos,
                  out.find("Page\t" + urls[0] + "\tunknown\nPage\t" + urls[2] + "\tnew"));
    }
    http_server_stop(server);
}

} // namespace
