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

typedef std::vector<std::string> Words;

// The words split_words reports for text, each followed by "|".
static std::string words_of(const char *text)
{
    std::string words;
    split_words(
        text, [](const char *word, void *w) { *(std::string *) w += word + std::string("|"); },
        &words);
    return words;
}

// Bytes of 128 and more are word bytes: UTF-8 letters never split a word,
// and neither does other punctuation beyond ASCII. An apostrophe and "s"
// where no word has begun are dropped, and no empty word is reported.
TEST(SplitWords, SeparatorsAndApostrophes)
{
    const std::pair<const char *, const char *> cases[] = {
        {"--- !!!", ""},
        {"net  news,web", "net|news|web|"},
        {"a-b_c9 42", "a|b|c9|42|"},
        {"\xc3\xa9t\xc3\xa9, a\342\200\224b", "\xc3\xa9t\xc3\xa9|a\342\200\224b|"},
        {"caf\xe9-x", "caf\xe9|x|"},
        {"dog's", "dog|"},
        {"dog'sled", "dog|led|"},
        {"don't", "don|t|"},
        {"DOG'S", "DOG|S|"},
        {"it's's", "it|"},
        {"dog''s", "dog|"},
        {"end'", "end|"},
        {"'sun", "un|"}};
    for (const auto &c : cases)
        EXPECT_EQ(c.second, words_of(c.first)) << "text: " << c.first;
}

class KeywordIndexTest : public ::testing::Test
{
protected:
    void SetUp() override { index = keyword_index_create(); }
    void TearDown() override
    {
        for (Bookmark &b : books)
            if (b.keywords) keyword_list_destroy(set_keywords(index, &b, "", b.keywords));
        EXPECT_EQ(0u, index->entries->count);
        keyword_index_destroy(index);
    }
    std::string extract(const char *text, int filter)
    {
        return taken(extract_keywords(index, text, filter));
    }
    void assign(int i, const char *text)
    {
        books[i].keywords = set_keywords(index, &books[i], text, books[i].keywords);
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
    EXPECT_EQ("(null)", extract("a x of", 1));
    // Words beyond ASCII: a word of one character is left out however many
    // bytes it takes (é, the dash, the emoji), stop words still go.
    EXPECT_EQ("Caf\xc3\xa9 M\xc3\xbcller na\xc3\xafve",
              extract("Caf\xc3\xa9 M\xc3\xbcller \xe2\x80\x94 the na\xc3\xafve \xc3\xa9 of "
                      "\xf0\x9f\x98\x80",
                      1));
    EXPECT_EQ("\xe9\xe9", extract("\xe9 \xe9\xe9", 1)); // bytes that are no UTF-8: one a letter
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
        books[1].keywords = set_title_keywords(index, &books[1], title.c_str(),
                                               no_keywords ? nullptr : keywords.c_str());
        EXPECT_EQ(keywords_of(&books[0]), keywords_of(&books[1]))
            << "title «" << title << "» keywords «" << keywords << "»";
        EXPECT_EQ("", check_keyword_index(index, all()));
        assign(0, "");
        assign(1, "");
        keyword_list_destroy(books[1].keywords);
        books[1].keywords = nullptr;
    }
}

// Random keyword texts for eight Bookmarks: repeated, short, long and very
// long words (however they fall into the batches they are filed in), in
// letter cases, and null texts. After every step each Bookmark holds every
// word of its text once, in the order of its first appearance, and the index
// holds together: B is in E's set exactly when E is in B's list, sets in
// address order, no empty entry left, its words those held in byte-wise order.
TEST_F(KeywordIndexTest, InvariantsHoldAfterRandomAssignments)
{
    std::mt19937 rng(3);
    std::set<std::string> held[8];
    for (int step = 0; step < 1500; step++) {
        std::string text, want;
        std::set<std::string> seen;
        for (int n = (int) (rng() % (step % 10 ? 6 : 80)); n > 0; n--) {
            std::string word;
            switch (rng() % 5) {
            case 0: word = std::string(rng() % 2 ? "w" : "W") + std::to_string(rng() % 30); break;
            case 1: word = std::string(1 + rng() % 120, (char) ('a' + rng() % 3)); break;
            case 2: word = std::string(500 + rng() % 700, 'x') + std::to_string(rng() % 2); break;
            case 3: word = "u" + std::to_string(rng()); break;
            default: word = "net";
            }
            text += word + (rng() % 2 ? " " : ", ");
            if (seen.insert(word).second) want += (want.empty() ? "" : " ") + word;
        }
        int which = (int) (rng() % 8);
        bool null_text = rng() % 10 == 0;
        assign(which, null_text ? nullptr : text.c_str());
        held[which] = null_text ? std::set<std::string>() : seen;
        ASSERT_EQ(null_text ? "" : want, keywords_of(&books[which])) << step;
        ASSERT_EQ("", check_keyword_index(index, all())) << step;
        std::set<std::string> words;
        for (const auto &h : held)
            words.insert(h.begin(), h.end());
        vec *texts = keyword_index_words(index);
        Words entries;
        for (uint32_t i = 0; i < texts->count; i++)
            entries.push_back(vec_at<char>(texts, i));
        vec_destroy(texts);
        ASSERT_EQ(Words(words.begin(), words.end()), entries) << step;
    }
}

static std::string repeats_removed(const char *text, int case_sensitive)
{
    char *copy = dupstr(text);
    remove_repeated_words(copy, case_sensitive);
    return taken(copy);
}

// The removal as a plain scan that cuts each repeat out in place, to check
// the one-pass version against.
static std::string repeats_removed_plainly(std::string t, bool case_sensitive)
{
    auto delim = [](char c) { return c == ',' || c == ' ' || (c >= '\t' && c <= '\r'); };
    auto folded = [&](std::string w) {
        for (char &c : w)
            if (!case_sensitive && c >= 'A' && c <= 'Z') c += 32;
        return w;
    };
    std::set<std::string> kept;
    for (size_t pos = 0, end, next; pos < t.size();) {
        for (end = pos; end < t.size() && !delim(t[end]);)
            end++;
        for (next = end; next < t.size() && delim(t[next]);)
            next++;
        if (kept.insert(folded(t.substr(pos, end - pos))).second)
            pos = next;
        else
            t.erase(pos, next - pos);
    }
    return t;
}

TEST(RepeatedWords, WithAndWithoutCase)
{
    // Letters beyond ASCII fold too: CAFÉ café, ΣΟΦΙΑ σοφια, МОСКВА москва;
    // bytes that are no UTF-8 stay as they are.
    const char *folding = "CAF\xc3\x89 \xce\xa3\xce\x9f\xce\xa6\xce\x99\xce\x91 "
                          "\xd0\x9c\xd0\x9e\xd0\xa1\xd0\x9a\xd0\x92\xd0\x90 caf\xc3\xa9 "
                          "\xcf\x83\xce\xbf\xcf\x86\xce\xb9\xce\xb1 "
                          "\xd0\xbc\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0 \xc9T\xc9 \xe9t\xe9";
    EXPECT_EQ(std::string(folding, 30) + "\xc9T\xc9 \xe9t\xe9", repeats_removed(folding, 0));
    EXPECT_EQ(folding, repeats_removed(folding, 1));

    std::mt19937 rng(99);
    const char pieces[] = "aAbB ,\t\n-"; // a hyphen joins, as any other byte
    for (int round = 0; round < 3000; round++) {
        std::string t;
        for (int n = (int) (rng() % 80); n > 0; n--)
            t += pieces[rng() % 9];
        int cs = (int) (rng() % 2);
        ASSERT_EQ(repeats_removed_plainly(t, cs), repeats_removed(t.c_str(), cs))
            << "text [" << t << "] case " << cs;
    }
}

// Letters fold to lower case ("_" lies between the two); bytes beyond ASCII
// do not fold.
TEST(Orders, ByteWiseAndCaseInsensitive)
{
    const struct {
        const char *a, *b;
        int bytes, nocase; // signs
    } cases[] = {
        {"Zebra", "apple", -1, 1}, {"net", "network", -1, -1}, {"z", "\x80", -1, -1},
        {"same", "same", 0, 0},    {"WWW", "www", -1, 0},      {"_", "A", 1, -1},
        {"\xc9", "\xe9", -1, -1},
    };
    auto sign = [](int x) { return (x > 0) - (x < 0); };
    for (const auto &c : cases) {
        EXPECT_EQ(c.bytes, sign(compare_bytes(c.a, c.b))) << c.a << " " << c.b;
        EXPECT_EQ(c.nocase, sign(compare_nocase(c.a, c.b))) << c.a << " " << c.b;
    }
}
