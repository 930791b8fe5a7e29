// The command-line program end to end: each test runs the real binary in a
// home of its own and looks at its standard output, standard error, exit
// status and the bookmark file afterwards.
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/helpers/http_server.h"

extern char **environ;

namespace
{

struct Result {
    int status;
    std::string out, err;
};

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// One line of a sequence: arguments, standard input, and what must come.
struct Step {
    std::vector<std::string> args;
    std::string input;
    int status;
    std::string out; // standard output must hold this ("" for anything)
    std::string err; // standard error must hold this; "" for an empty one
};

class Cli : public ::testing::Test
{
protected:
    std::string home;
    std::vector<std::string> env = {"SSL_CERT_FILE=" TL_TLS_DIR "/ca.pem"};

    void SetUp() override
    {
        char dir[] = "/tmp/tl-cli-XXXXXX";
        ASSERT_TRUE(mkdtemp(dir));
        home = dir;
    }
    void TearDown() override { system(("rm -rf " + home).c_str()); }

    std::string data() { return home + "/.local/share/trovelinks/tl.htm"; }

    // Starts the program with args; its standard streams are files in the
    // home, read back by finish.
    pid_t start(const std::vector<std::string> &args, const std::string &input, int n)
    {
        std::string base = home + "/run" + std::to_string(n);
        spit(base + ".in", input);
        std::vector<std::string> vars = env;
        vars.push_back("HOME=" + home);
        for (char **e = environ; *e; e++)
            if (strncmp(*e, "HOME=", 5) && strncmp(*e, "XDG_", 4) && strncmp(*e, "SSL_", 4))
                vars.push_back(*e);
        std::vector<char *> argv = {(char *) TL_CLI_PROGRAM}, envp;
        for (const std::string &a : args)
            argv.push_back((char *) a.c_str());
        argv.push_back(nullptr);
        for (std::string &v : vars)
            envp.push_back((char *) v.c_str());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, (base + ".in").c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&files, 1, (base + ".out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&files, 2, (base + ".err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        posix_spawn(&pid, TL_CLI_PROGRAM, &files, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&files);
        return pid;
    }
    Result finish(pid_t pid, int n)
    {
        int status = -1;
        waitpid(pid, &status, 0);
        std::string base = home + "/run" + std::to_string(n);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(base + ".out"),
                slurp(base + ".err")};
    }
    Result run(const std::vector<std::string> &args, const std::string &input = "")
    {
        return finish(start(args, input, 0), 0);
    }

    void play(const std::vector<Step> &steps)
    {
        for (const Step &s : steps) {
            std::string line;
            for (const std::string &a : s.args)
                line += a + " ";
            SCOPED_TRACE(line);
            Result r = run(s.args, s.input);
            EXPECT_EQ(s.status, r.status) << r.err;
            EXPECT_NE(std::string::npos, r.out.find(s.out)) << r.out;
            if (s.err.empty())
                EXPECT_EQ("", r.err);
            else
                EXPECT_NE(std::string::npos, r.err.find(s.err)) << r.err;
        }
    }
};

// A browser export: one page modified after its visit, one not.
const char EXPORT[] =
    "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
    "<DT><H3>Games</H3>\n<DL><p>\n"
    "<DT><A HREF=\"http://chess.example/\" ADD_DATE=\"1000\" LAST_VISIT=\"2000\" "
    "LAST_MODIFIED=\"3000\">Chess Openings</A>\n"
    "<DT><A HREF=\"http://go.example/\" ADD_DATE=\"1000\" LAST_VISIT=\"5000\" "
    "LAST_MODIFIED=\"3000\">Go Openings</A>\n"
    "</DL><p>\n</DL><p>\n";

TEST_F(Cli, EveryCommandEndToEnd)
{
    spit(home + "/export.htm", EXPORT);
    play({
        {{"import", home + "/export.htm"}, "", 0, "2 Trovelinks imported from " + home, ""},
        {{"add", "https://x.example/Tea", "--title", "Green tea", "--keywords", "tea leaves"},
         "", 0, "", ""},
        {{"add", "HTTPS://X.EXAMPLE/tea", "--title", "Tea"}, "", 0, "Stored already", ""},
        {{"search", "openings"}, "", 0,
         "Chess Openings\thttp://chess.example/\tnew\nGo Openings\thttp://go.example/\tunchanged\n",
         ""},
        {{"search", "op", "&", "!go"}, "", 0, "Chess Openings\t", ""},
        {{"search", "--sort", "url"}, "", 0,
         "http://chess.example/\tnew\nGo Openings\thttp://go.example/\tunchanged\n"
         "Tea\thttps://x.example/Tea\tunknown\n",
         ""},
        {{"search", "--hint", "te"}, "", 0, "tea", ""},
        {{"search", "--json", "leaves"}, "", 0, "\"title\":\"Tea\"", ""},
        {{"new"}, "", 0, "Chess Openings\thttp://chess.example/\tnew\n", ""},
        {{"visit", "http://chess.example/"}, "", 0, "", ""},
        {{"new"}, "", 0, "", ""},
        {{"keywords"}, "", 0, "chess\ngo\nleaves\nopenings\ntea\n5 words\n", ""},
        {{"edit", "https://x.example/tea", "--title", "Oolong", "--url", "https://y.example/"},
         "", 0, "", ""},
        {{"edit", "https://y.example/", "--url", "http://go.example/"}, "", 1, "",
         "already exists"},
        {{"delete", "openings"}, "n\n", 1, "Chess Openings\thttp://chess.example/\n",
         "Nothing deleted"},
        {{"delete", "go"}, "y\n", 0, "1 Trovelink deleted", "Delete 1 Trovelink?"},
        {{"export", "-o", home + "/out.htm", "tea"}, "", 0, "1 Trovelink exported to", ""},
        {{"export"}, "", 0, "HREF=\"https://y.example/\"", ""},
        {{"options", "implied_or", "1"}, "", 0, "", ""},
        {{"options", "implied_or"}, "", 0, "1\n", ""},
        {{"search", "chess", "leaves"}, "", 0, "Oolong\thttps://y.example/", ""},
        {{"--help"}, "", 0, "Usage: trovelinks", ""},
        {{"check", "--help"}, "", 0, "Usage: trovelinks check", ""},
    });
    std::string file = slurp(data());
    EXPECT_NE(std::string::npos, file.find("Oolong</A>\r\n<DD>tea leaves"));
    EXPECT_EQ(std::string::npos, file.find("go.example"));
    EXPECT_NE(std::string::npos, slurp(home + "/out.htm").find("Oolong"));
    EXPECT_NE(std::string::npos, slurp(home + "/.config/trovelinks/options").find("implied_or=1"));
}

// Favorites folders and Chromium Bookmarks files import beside HTML exports.
TEST_F(Cli, ImportsFavoritesAndChromiumFiles)
{
    mkdir((home + "/fav").c_str(), 0700);
    spit(home + "/fav/Tea Shop.url", "[InternetShortcut]\r\nURL=http://teashop.example/\r\n");
    spit(home + "/Bookmarks", R"({"roots": {"bookmark_bar": {"type": "folder", "children": [
        {"type": "url", "name": "Chess Club", "url": "http://club.example/"}]}}})");
    Result r = run({"import", home + "/fav", home + "/Bookmarks"});
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("1 Trovelinks imported from " + home + "/fav\n1 Trovelinks imported from " + home +
                  "/Bookmarks\n",
              r.out);
    EXPECT_EQ("Chess Club\thttp://club.example/\tunknown\nTea Shop\thttp://teashop.example/\tunknown\n",
              run({"search"}).out);
}

// Bad input: a message, a non-zero status and the file as it was.
TEST_F(Cli, BadInputChangesNothing)
{
    ASSERT_EQ(0, run({"add", "http://a.example/", "--title", "Alpha"}).status);
    std::string before = slurp(data());
    spit(home + "/empty.htm", "");
    spit(home + "/plain", "not a folder");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{}, 2, "Usage: trovelinks"},
        {{"frobnicate"}, 2, "unknown command frobnicate"},
        {{"--bogus", "search"}, 2, "unknown option --bogus"},
        {{"search", "--bogus"}, 2, "unknown option --bogus"},
        {{"add"}, 2, "add needs an argument"},
        {{"add", "http://b.example/", "--title"}, 2, "needs a value"},
        {{"add", "http://b.example/", "--title", "  "}, 1, "Please enter a title"},
        {{"search", "(alpha"}, 1, "Search expression error"},
        {{"delete", "beta"}, 1, "No Trovelinks match beta"},
        {{"delete", "(", "--yes"}, 1, "Search expression error"},
        {{"edit", "http://a.example/"}, 2, "edit needs"},
        {{"visit", "http://none.example/"}, 1, "No Trovelink with the URL"},
        {{"import", home + "/missing.htm"}, 1, "Unable to import html bookmark file: " + home},
        {{"import", home + "/empty.htm"}, 1, "Unable to import html bookmark file"},
        {{"search", "--sort", "date"}, 2, "--sort takes title or url"},
        {{"check", "--jobs", "0"}, 2, "--jobs takes a number"},
        {{"options", "colour"}, 2, "unknown option name colour"},
        {{"options", "backup", "yes"}, 2, "must be a number"},
        {{"--file", home + "/plain/tl.htm", "add", "http://b.example/"}, 1,
         "Unable to write Trovelinks to file: " + home + "/plain/tl.htm"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.err);
        Result r = run(c.args);
        EXPECT_EQ(c.status, r.status);
        EXPECT_NE(std::string::npos, r.err.find(c.err)) << r.err;
    }
    EXPECT_EQ(before, slurp(data()));
}

// A file that holds no Trovelinks is set aside, not overwritten.
TEST_F(Cli, ForeignFileIsSetAside)
{
    std::string path = home + "/notes.htm";
    spit(path, "my notes, not bookmarks");
    Result r = run({"--file", path, "add", "http://a.example/"});
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Unable to read Trovelinks from file: " + path));
    EXPECT_EQ("my notes, not bookmarks", slurp(path + ".unread"));
    EXPECT_NE(std::string::npos, slurp(path).find("http://a.example/"));
}

// Two commands at once lose nothing; a lock held too long fails the second.
TEST_F(Cli, ConcurrentCommandsWaitForTheLock)
{
    ASSERT_EQ(0, run({"add", "http://seed.example/"}).status);
    pid_t a = start({"add", "http://one.example/"}, "", 1);
    pid_t b = start({"add", "http://two.example/"}, "", 2);
    EXPECT_EQ(0, finish(a, 1).status);
    EXPECT_EQ(0, finish(b, 2).status);
    std::string file = slurp(data());
    EXPECT_NE(std::string::npos, file.find("one.example"));
    EXPECT_NE(std::string::npos, file.find("two.example"));

    int lock = open((data() + ".lock").c_str(), O_RDWR);
    ASSERT_EQ(0, flock(lock, LOCK_EX));
    Result r = run({"add", "http://three.example/"});
    close(lock);
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("in use by another trovelinks command"));
    EXPECT_EQ(file, slurp(data()));
}

// check stores the same results whether it probes one URL at a time or
// eight, over HTTP and HTTPS.
TEST_F(Cli, CheckWithOneJobOrEight)
{
    HttpServer *server = http_server_start();
    ASSERT_TRUE(server);
    ASSERT_EQ(1, http_server_start_tls(server));
    const std::string dated = "HTTP/1.0 200 OK\r\nLast-Modified: Sun, 06 Nov 2033 08:49:37 GMT\r\n\r\n";
    std::string urls;
    for (int i = 0; i < 12; i++) {
        std::string path = "/p" + std::to_string(i);
        http_server_route(server, path, i % 3 == 2 ? "HTTP/1.0 200 OK\r\n\r\n" : dated);
        std::string url = i % 4 == 3 ? http_server_tls_url(server, "localhost", path)
                                     : http_server_url(server, path);
        urls += "<DT><A HREF=\"" + url + "\" ADD_DATE=\"1000\" LAST_VISIT=\"2000\">P" +
                std::to_string(i) + "</A>\n";
    }
    // Nothing listens there: a failure.
    urls += "<DT><A HREF=\"http://127.0.0.1:1/\" ADD_DATE=\"1000\">Closed</A>\n";
    spit(home + "/in.htm", urls);
    std::string listing[2];
    for (int jobs : {1, 8}) {
        std::string file = home + "/j" + std::to_string(jobs) + ".htm";
        ASSERT_EQ(0, run({"--file", file, "import", home + "/in.htm"}).status);
        Result r = run({"--file", file, "check", "--jobs", std::to_string(jobs), "p1"});
        EXPECT_EQ(0, r.status) << r.err;
        EXPECT_EQ(13, std::count(r.out.begin(), r.out.end(), '\n'));
        // One job probes the matching Bookmark first.
        if (jobs == 1) {
            EXPECT_EQ(0u, r.out.find("new\t" + http_server_url(server, "/p1\n")));
        }
        EXPECT_NE(std::string::npos, r.out.find("failed\thttp://127.0.0.1:1/"));
        listing[jobs == 8] = run({"--file", file, "search", "--sort", "url"}).out;
    }
    http_server_stop(server);
    EXPECT_EQ(listing[0], listing[1]);
    EXPECT_NE(std::string::npos, listing[0].find("P3\t" + std::string("https://localhost:")));
    EXPECT_NE(std::string::npos, listing[0].find("/p3\tnew"));
    EXPECT_NE(std::string::npos, listing[0].find("/p2\tunknown"));
}

} // namespace
