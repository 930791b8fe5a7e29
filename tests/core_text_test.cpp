// UTF-8 sequences and case folding: the byte rules the reader, the splitter
// and the matcher build on.
#include <gtest/gtest.h>

#include <string>

#include "core/text_case.h"
#include "core/utf8.h"

TEST(Utf8, SequencesAndCuts)
{
    const struct {
        const char *text;
        uint32_t length;
    } sequences[] = {
        {"a", 1},        {"\xc3\xa9", 2},     {"\xe2\x80\x93", 3}, {"\xf0\x9f\x98\x80", 4},
        {"", 0},         {"\x80", 0},         {"\xc3x", 0},        {"\xf5", 0},
        {"\xc0\x80", 0}, {"\xe0\x80\x80", 0}, {"\xed\xa0\x80", 0}, {"\xf4\x90\x80\x80", 0},
    };
    for (const auto &s : sequences)
        EXPECT_EQ(s.length, utf8_sequence_length(s.text)) << s.text;

    const struct {
        const char *text;
        size_t max, cut;
    } cuts[] = {
        {"abc", 2, 2},
        {"abc", 5, 3},
        {"a\xc3\xa9", 2, 1},
        {"a\xc3\xa9", 3, 3},
        {"\xf0\x9f\x98\x80", 3, 0},
        {"a\x80\x80\x80\x80", 3, 3}, // no character to keep whole
    };
    for (const auto &c : cuts)
        EXPECT_EQ(c.cut, utf8_cut(c.text, c.max)) << c.text << " " << c.max;
}

// Every two-byte character of the folding blocks: folding keeps its length and is done after
// once, and a folded letter's upper-case partner folds back to it.
TEST(TextCase, FoldingIsClosedAndOneToOne)
{
    int letters = 0;
    for (uint32_t cp = 0x80; cp < 0x500; cp++) {
        char c[3] = {(char) (0xC0 | (cp >> 6)), (char) (0x80 | (cp & 0x3F)), 0}, f[3] = {0}, g[3];
        ASSERT_EQ(2u, fold_char(c, f)) << cp;
        ASSERT_EQ(2u, fold_char(f, g)) << cp;
        ASSERT_EQ(std::string(f, 2), std::string(g, 2)) << cp;
        char upper[2];
        if (std::string(c, 2) != std::string(f, 2)) {
            letters++;
            ASSERT_EQ(2u, upper_partner(f, 2, upper)) << cp;
            ASSERT_EQ(std::string(c, 2), std::string(upper, 2)) << cp;
        }
    }
    EXPECT_EQ(272, letters); // the one-to-one pairs of these blocks in Unicode 14

    char text[] = "CAF\xc3\x89 \xce\xa3\xce\x9f\xce\xa6\xce\x8a\xce\x91 \xd0\x96 \xc3\x9f \xc3 A";
    fold_text(text, text);
    EXPECT_STREQ("caf\xc3\xa9 \xcf\x83\xce\xbf\xcf\x86\xce\xaf\xce\xb1 \xd0\xb6 \xc3\x9f \xc3 a",
                 text);
    char copy[6];
    fold_copy(copy, sizeof copy, "CAF\xc3\x89\xc3\x89");
    EXPECT_STREQ("caf\xc3\xa9", copy);
    EXPECT_TRUE(is_word_byte(0x80) && is_word_byte(0xFF) && is_word_byte('z') && is_word_byte('0'));
    EXPECT_FALSE(is_word_byte('_') || is_word_byte('\'') || is_word_byte('@') || is_word_byte('['));
}
