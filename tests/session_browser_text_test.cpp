// The browser's window-information reply and the clipboard's URL as data.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/mem.h"
#include "session/browser_text.h"

namespace
{

// Each reply is read from a heap block of exactly its size, without a zero
// after it: AddressSanitizer reports a read one byte too far.
TEST(BrowserText, PageAndWindowTitleOfEachReply)
{
    const std::string long_title(300, 't'), long_url(2000, 'u');
    struct {
        std::string reply;
        int iexplore, found;
        const char *url, *title, *window;
    } cases[] = {
        {"\"http://n/\",\"Netscape - [Page Title]\"", 0, REPLY_PAGE, "http://n/", "Page Title",
         "Netscape - [Page Title]"},
        {"\"http://n/\",\"Netscape - [Page Title]\"", 1, REPLY_PAGE, "http://n/",
         "Netscape - [Page Title]", "Netscape - [Page Title]"},
        {"http://host/p\",\"Home\"", 1, REPLY_NONE, nullptr, nullptr, "Home"},
        {"\"http://host/a\" \"further\"", 0, REPLY_URL_ONLY, "http://host/a", nullptr, "further"},
        {"\"" + long_url + "\"", 1, REPLY_URL_ONLY, nullptr, nullptr, ""},
        {"\"http://host/unterminated", 0, REPLY_NONE, nullptr, nullptr, ""},
        {"\"u\",\"open title", 0, REPLY_PAGE, "u", "open title", "open title"},
        {"\"u\",\"[x", 0, REPLY_PAGE, "u", "", "[x"},
        {"\"u\",\"", 0, REPLY_PAGE, "u", "", ""},
        {"\"u\",\"" + long_title + "\"", 1, REPLY_PAGE, "u", long_title.c_str(), nullptr},
        {std::string("\"u\",\"T\"\0\"junk\"", 13), 1, REPLY_PAGE, "u", "T", "T"},
        {"", 1, REPLY_NONE, nullptr, nullptr, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reply.substr(0, 60));
        std::unique_ptr<char[]> reply(new char[c.reply.size()]);
        c.reply.copy(reply.get(), c.reply.size());
        char *url, *title, window[256];
        ASSERT_EQ(reply_page(reply.get(), c.reply.size(), c.iexplore, &url, &title), c.found);
        EXPECT_STREQ(title, c.title);
        if (c.found == REPLY_URL_ONLY && !c.url)
            EXPECT_EQ(std::string(url), long_url.substr(0, 1023));
        else
            EXPECT_STREQ(url, c.url);
        memFree(url);
        memFree(title);
        reply_window_title(reply.get(), c.reply.size(), window);
        EXPECT_EQ(std::string(window), c.window ? c.window : long_title.substr(0, 255));
    }
    char *title = ie_frame_page_title("Home - Microsoft Internet Explorer");
    EXPECT_STREQ(title, "Home");
    memFree(title);
    EXPECT_EQ(ie_frame_page_title("Home - Other Browser"), nullptr);
}

TEST(BrowserText, SingleUrlInText)
{
    struct {
        const char *text, *url;
    } cases[] = {
        {" http://a.example/b \r\n", "http://a.example/b"},
        {"HTTPS://a.example/", "HTTPS://a.example/"},
        {"ftp://f.example/x", "ftp://f.example/x"},
        {"file:///c:/x.htm", "file:///c:/x.htm"},
        {"http://a.example/b c", nullptr},
        {"see http://a.example/", nullptr},
        {"mailto:x@example.com", nullptr},
        {"http:", nullptr},
    };
    for (const auto &c : cases) {
        char *url = single_url_in(c.text);
        EXPECT_STREQ(url, c.url) << c.text;
        memFree(url);
    }
}

} // namespace
