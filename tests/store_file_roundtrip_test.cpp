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

uint32_t random_time(std::mt19937 &rng)
{
    return rng() % 4 ? rng() % DATE_CHECKING : DATE_CHECKING - 1 - rng() % 3;
}

uint32_t random_date(std::mt19937 &rng)
{
    return rng() % 3 ? random_time(rng) : DATE_CHECKING + rng() % 3;
}

// The Bookmarks of app in the order of the records of order (found by url).
vec *in_order_of(AppState *app, const vec *order)
{
    vec *v = vec_create();
    for (uint32_t i = 0; i < order->count; i++)
        vec_append(v, find_bookmark_by_url(app, vec_at<Bookmark>(order, i)->url));
    return v;
}

AppState *read_image(const std::string &image)
{
    AppState *app = new_app();
    read_bookmark_file(app, image.c_str(), 0);
    return app;
}

TEST(Writer, WrittenFilesReadBackToTheSameBookmarks)
{
    std::mt19937 rng(20240607);
    for (int round = 0; round < 4; round++) {
        // In the first rounds every lastVisit is a time, so the second image
        // must equal the first; later rounds add the sentinels.
        bool sentinels = round >= 2;
        AppState *app = new_app();
        for (int i = 0; i < 300; i++) {
            std::string url = "u" + std::to_string(i) + "|" + random_text(rng, 40);
            add(app, url, random_text(rng, 40), random_text(rng, 40), random_time(rng),
                sentinels ? random_date(rng) : random_time(rng), random_date(rng));
        }
        std::string image = image_of(app->bookmarks);
        uint32_t before = (uint32_t) time(nullptr);
        AppState *back = read_image(image);
        uint32_t after = (uint32_t) time(nullptr);

        ASSERT_EQ(app->bookmarks->count, back->bookmarks->count);
        vec *again = in_order_of(back, app->bookmarks);
        for (uint32_t i = 0; i < again->count; i++) {
            const Bookmark *a = vec_at<Bookmark>(app->bookmarks, i);
            const Bookmark *b = vec_at<Bookmark>(again, i);
            ASSERT_NE(nullptr, b) << a->url;
            EXPECT_STREQ(a->url, b->url);
            EXPECT_STREQ(a->title, b->title) << a->url;
            EXPECT_EQ(keywords_of(a), keywords_of(b)) << a->url;
            EXPECT_EQ(a->addDate, b->addDate);
            if (date_is_time(a->lastVisit)) {
                EXPECT_EQ(a->lastVisit, b->lastVisit);
            } else {
                EXPECT_GE(b->lastVisit, before);
                EXPECT_LE(b->lastVisit, after);
            }
            EXPECT_EQ(date_is_time(a->lastModified) ? a->lastModified : DATE_NONE, b->lastModified);
        }
        std::string second = image_of(again);
        if (!sentinels) {
            EXPECT_EQ(image, second);
        }
        // Once read, a file is written back unchanged.
        AppState *third = read_image(second);
        vec *order = in_order_of(third, again);
        EXPECT_EQ(second, image_of(order));

        vec_destroy(order);
        vec_destroy(again);
        app_state_destroy(third);
        app_state_destroy(back);
        app_state_destroy(app);
    }
}

} // namespace
