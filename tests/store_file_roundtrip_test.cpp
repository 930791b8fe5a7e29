// The bookmark file writer: its layout byte for byte, and the round trip
// written -> read -> written over generated records with arbitrary bytes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <time.h>
#include <vector>

#include "session/appstate.h"
#include "helpers/store_helpers.h"
#include "core/vec.h"
#include "core/utf8.h"
#include "store/bookmark.h"
#include "store/bookmark_file.h"
#include "store/bookmark_writer.h"

namespace
{

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
