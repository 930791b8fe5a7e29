// The keyword index: word splitting, extraction with stop words, keyword
// assignment and its invariants, repeated-word removal, the two orders.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/dupstr.h"
#include "core/mem.h"
#include "helpers/store_helpers.h"
#include "search/keyword_index.h"
#include "store/bookmark.h"

static void collect_word(const char *word, void *context)
{
    ((std::vector<std::string> *) context)->push_back(word);
}

static std::vector<std::string> words_of(const char *text)
{
    std::vector<std::string> words;
    split_words(text, collect_word, &words);
    return words;
}

typedef std::vector<std::string> Words;

TEST(SplitWords, SeparatorsAndApostrophes)
{
    struct Case {
        const char *text;
        Words words;
    } cases[] = {
        {"", {}},
        {"--- !!!", {}},
        {"net  news,web", {"net", "news", "web"}},
        {"a-b_c9 42", {"a", "b", "c9", "42"}},
        // Bytes of 128 and more are word bytes: UTF-8 letters never split a
        // word, and neither does other punctuation beyond ASCII.
        {"Caf\xc3\xa9, M\xc3\xbcller\xe2\x80\x94na\xc3\xafve",
         {"Caf\xc3\xa9", "M\xc3\xbcller\xe2\x80\x94na\xc3\xafve"}},
        {"caf\xe9-x", {"caf\xe9", "x"}},
        {"dog's", {"dog"}},
        {"dog'sled", {"dog", "led"}},
        {"don't", {"don", "t"}},
        {"DOG'S", {"DOG", "S"}},
        {"it's's", {"it"}},
        {"dog''s", {"dog"}},
        {"end'", {"end"}},
        // An apostrophe and "s" where no word has begun: dropped, and no
        // empty word is reported.
        {"'sun", {"un"}},
        {" 's ", {}},
        {"'s's x", {"x"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.words, words_of(c.text)) << "text: " << c.text;

    // The text itself is left as it was.
    char text[] = "dog'sled don't";
    words_of(text);
    EXPECT_STREQ("dog'sled don't", text);
}

class KeywordIndexTest : public ::testing::Test
{
protected:
    void SetUp() override { index = keyword_index_create(); }
    void TearDown() override
    {
        for (Bookmark &b : books)
            if (b.keywords) {
                b.keywords = set_keywords(index, &b, "", b.keywords);
                keyword_list_destroy(b.keywords);
            }
        EXPECT_EQ(0u, index->entries->count);
        keyword_index_destroy(index);
    }
    std::string extract(const char *text, int filter)
    {
        char *s = extract_keywords(index, text, filter);
        std::string r = s ? s : "(null)";
        memFree(s);
        return r;
    }
    void assign(int i, const char *text)
    {
        books[i].keywords = set_keywords(index, &books[i], text, books[i].keywords);
    }
    Words entries()
    {
        Words w;
        vec *texts = keyword_index_words(index);
        for (uint32_t i = 0; i < texts->count; i++)
            w.push_back(vec_at<char>(texts, i));
        vec_destroy(texts);
        return w;
    }
    std::vector<Bookmark *> all()
    {
        std::vector<Bookmark *> v;
        for (Bookmark &b : books)
            if (b.keywords) v.push_back(&b);
        return v;
    }

    KeywordIndex *index;
    Bookmark books[8] = {};
};

TEST_F(KeywordIndexTest, ExtractWithAndWithoutFilter)
{
    const char *title = "The Chess Tutorial: a home page for FTP users";
    EXPECT_EQ("Chess Tutorial users", extract(title, 1));
    EXPECT_EQ("The Chess Tutorial a home page for FTP users", extract(title, 0));
    EXPECT_EQ("to1 html", extract("a x The WWW Http to1 html", 1));
    EXPECT_EQ("(null)", extract("--- !!!", 0));
    EXPECT_EQ("(null)", extract("a x of", 1));
    EXPECT_EQ("(null)", extract("", 0));
    EXPECT_EQ("un", extract("'sun", 0)); // no empty word, so no doubled space
    // Words beyond ASCII: a word of one character is left out however many
    // bytes it takes (é, the dash), stop words still go.
    const char *mixed = "Caf\xc3\xa9 M\xc3\xbcller \xe2\x80\x94 the na\xc3\xafve \xc3\xa9 "
                        "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 of "
                        "\xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 \xf0\x9f\x98\x80";
    EXPECT_EQ("Caf\xc3\xa9 M\xc3\xbcller na\xc3\xafve "
              "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 "
              "\xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91",
              extract(mixed, 1));
    EXPECT_EQ("\xe9\xe9", extract("\xe9 \xe9\xe9", 1)); // bytes that are no UTF-8: one a letter
}

TEST_F(KeywordIndexTest, AssignKeepsCaseOrderAndDropsRepeats)
{
    assign(0, "Chess chess CHESS");
    EXPECT_EQ((Words{"CHESS", "Chess", "chess"}), entries()); // byte-wise order
    EXPECT_EQ("Chess chess CHESS", keywords_of(&books[0]));   // first-seen order

    assign(1, "chess chess");
    EXPECT_EQ("chess", keywords_of(&books[1]));
    EXPECT_EQ(1u, books[1].keywords->entries->count);

    assign(2, "foo-bar foo");
    EXPECT_EQ("foo bar", keywords_of(&books[2]));

    assign(3, "net  news,web");
    EXPECT_EQ("net news web", keywords_of(&books[3]));

    assign(4, "network Zebra apple net");
    EXPECT_EQ((Words{"CHESS", "Chess", "Zebra", "apple", "bar", "chess", "foo", "net", "network",
                     "news", "web"}),
              entries());
    EXPECT_EQ("", check_keyword_index(index, all()));
}

// A new Bookmark's keywords with title words on come straight from title
// and keyword text, and must be what extracting from the joined text and
// assigning that gives: the same words, in the same order, each once.
TEST_F(KeywordIndexTest, TitleKeywordsAsExtractedFromTheJoinedText)
{
    const char *pieces[] = {"the", "a",       "Chess",    "chess", "it's",    "'s", "s",
                            "x",   "rock'",   "net-news", "Home",  "2nd",     "",   " ",
                            ",",   "caf\xe9", "WWW",      "page",  "\xc3\xa9"};
    std::mt19937 rng(11);
    auto text = [&](int most) {
        std::string t;
        for (int n = (int) (rng() % (most + 1)); n > 0; n--)
            t += std::string(pieces[rng() % (sizeof pieces / sizeof *pieces)]) +
                 (rng() % 3 ? " " : "");
        return t;
    };
    for (int round = 0; round < 600; round++) {
        std::string title = text(6), keywords = text(4);
        bool no_keywords = rng() % 4 == 0;
        std::string joined = title;
        if (!no_keywords) joined += (title.empty() ? "" : " ") + keywords;
        char *extracted = extract_keywords(index, joined.c_str(), 1);
        assign(0, extracted);
        memFree(extracted);
        std::string want = keywords_of(&books[0]);
        KeywordList *list = set_title_keywords(index, &books[1], title.c_str(),
                                               no_keywords ? nullptr : keywords.c_str());
        books[1].keywords = list;
        EXPECT_EQ(want, keywords_of(&books[1]))
            << "title «" << title << "» keywords «" << keywords << "»";
        EXPECT_EQ("", check_keyword_index(index, all()));
        assign(0, "");
        assign(1, "");
        keyword_list_destroy(books[1].keywords);
        books[1].keywords = nullptr;
    }
}

// Texts of many words, of long words and of one very long word: every word
// once, in the order of its first appearance, however the words fall into
// the batches they are filed in.
TEST_F(KeywordIndexTest, ManyAndLongWords)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 200; round++) {
        std::string text, want;
        std::set<std::string> seen;
        for (int n = (int) (rng() % 80); n > 0; n--) {
            std::string word;
            uint32_t kind = rng() % 4;
            if (kind == 0) word = "w" + std::to_string(rng() % 30); // repeats
            if (kind == 1) word = std::string(20 + rng() % 120, (char) ('a' + rng() % 3));
            if (kind == 2) word = std::string(500 + rng() % 700, 'x') + std::to_string(rng() % 2);
            if (kind == 3) word = "u" + std::to_string(rng());
            text += word + (rng() % 2 ? " " : ", ");
            if (seen.insert(word).second) want += (want.empty() ? "" : " ") + word;
        }
        assign(round % 3, text.c_str());
        EXPECT_EQ(want, keywords_of(&books[round % 3])) << round;
        EXPECT_EQ("", check_keyword_index(index, all())) << round;
    }
}

TEST_F(KeywordIndexTest, ReassignmentDropsEmptiedEntries)
{
    assign(0, "chess openings");
    assign(1, "chess");
    KeywordList *list = books[0].keywords;
    assign(0, "");
    EXPECT_EQ(list, books[0].keywords); // the same list, refilled
    EXPECT_EQ("", keywords_of(&books[0]));
    EXPECT_EQ((Words{"chess"}), entries());
    KeywordEntry *chess = vec_at<KeywordEntry>(index->entries, 0);
    ASSERT_EQ(1u, chess->bookmarks->count);
    EXPECT_EQ(&books[1], vec_at<Bookmark>(chess->bookmarks, 0));

    assign(1, "endgame chess");
    EXPECT_EQ((Words{"chess", "endgame"}), entries());
    assign(1, nullptr); // null text: the list is emptied and stays empty
    EXPECT_EQ((Words{}), entries());
    EXPECT_EQ("", check_keyword_index(index, all()));
}

// Random keyword texts over a small vocabulary for eight Bookmarks; after
// every step, B is in E's set exactly when E is in B's list, sets are in
// address order and no empty entry survives.
TEST_F(KeywordIndexTest, InvariantsHoldAfterRandomAssignments)
{
    const char *vocabulary[] = {"alpha", "Alpha", "beta", "gamma", "delta",
                                "a",     "x1",    "it's", "net",   "network"};
    std::mt19937 rng(1234);
    for (int step = 0; step < 1500; step++) {
        std::string text;
        int n = (int) (rng() % 6);
        for (int w = 0; w < n; w++) {
            if (w) text += (rng() % 3) ? " " : ", ";
            text += vocabulary[rng() % 10];
        }
        int which = (int) (rng() % 8);
        assign(which, (rng() % 10) ? text.c_str() : nullptr);
        std::string fault = check_keyword_index(index, all());
        ASSERT_EQ("", fault) << "step " << step << " text " << text;
    }
}

static std::string repeats_removed(const char *text, int case_sensitive)
{
    char *copy = dupstr(text);
    remove_repeated_words(copy, case_sensitive);
    std::string s = copy;
    memFree(copy);
    return s;
}

// The removal as a plain scan that cuts each repeat out in place, to check
// the one-pass version against.
static std::string repeats_removed_plainly(std::string t, bool case_sensitive)
{
    auto delim = [](char c) { return c == ',' || c == ' ' || (c >= '\t' && c <= '\r'); };
    auto same = [&](const std::string &a, const std::string &b) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); i++) {
            char x = a[i], y = b[i];
            if (!case_sensitive) {
                if (x >= 'A' && x <= 'Z') x += 32;
                if (y >= 'A' && y <= 'Z') y += 32;
            }
            if (x != y) return false;
        }
        return true;
    };
    std::vector<std::string> kept;
    size_t pos = 0;
    while (pos < t.size()) {
        size_t end = pos;
        while (end < t.size() && !delim(t[end]))
            end++;
        std::string word = t.substr(pos, end - pos);
        size_t next = end;
        while (next < t.size() && delim(t[next]))
            next++;
        bool repeat = false;
        for (const std::string &k : kept)
            repeat = repeat || same(k, word);
        if (repeat) {
            t.erase(pos, next - pos);
        } else {
            kept.push_back(word);
            pos = next;
        }
    }
    return t;
}

TEST(RepeatedWords, WithAndWithoutCase)
{
    EXPECT_EQ("news, News sports ", repeats_removed("news, News sports news", 1));
    EXPECT_EQ("news, sports ", repeats_removed("news, News sports news", 0));
    EXPECT_EQ("foo-bar foo", repeats_removed("foo-bar foo", 1));
    EXPECT_EQ("a ", repeats_removed("a a a", 1));
    EXPECT_EQ(", a b,\t", repeats_removed(", a b,\ta a\n", 1)); // leading delimiter kept
    EXPECT_EQ("", repeats_removed("", 0));
    // Letters beyond ASCII fold too: CAFÉ café, ΣΟΦΙΑ σοφια, МОСКВА москва;
    // bytes that are no UTF-8 stay as they are.
    const char *folding = "CAF\xc3\x89 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
                          "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 caf\xc3\xa9 "
                          "\xcf\x83\xce\xbf\xcf\x86\xce\xb9\xce\xb1 "
                          "\xd0\xbc\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 \xc9T\xc9 \xe9t\xe9";
    EXPECT_EQ(std::string(folding, 30) + "\xc9T\xc9 \xe9t\xe9", repeats_removed(folding, 0));
    EXPECT_EQ(folding, repeats_removed(folding, 1));

    std::mt19937 rng(99);
    const char pieces[] = "aAbB ,\t";
    for (int round = 0; round < 3000; round++) {
        std::string t;
        int n = (int) (rng() % 24);
        for (int i = 0; i < n; i++)
            t += pieces[rng() % 7];
        int cs = (int) (rng() % 2);
        ASSERT_EQ(repeats_removed_plainly(t, cs), repeats_removed(t.c_str(), cs))
            << "text [" << t << "] case " << cs;
    }
}

TEST(Orders, ByteWiseAndCaseInsensitive)
{
    EXPECT_LT(compare_bytes("Zebra", "apple"), 0);
    EXPECT_LT(compare_bytes("net", "network"), 0);
    EXPECT_LT(compare_bytes("z", "\x80"), 0); // bytes are unsigned
    EXPECT_EQ(0, compare_bytes("same", "same"));
    EXPECT_EQ(0, compare_nocase("WWW", "www"));
    EXPECT_LT(compare_nocase("apple", "ZEBRA"), 0);
    EXPECT_LT(compare_nocase("_", "a"), 0);       // letters fold to lower case
    EXPECT_LT(compare_nocase("\xc9", "\xe9"), 0); // other bytes do not fold
}
